// Background pictures: TGA files of the program's own reader and BMP files through
// the toolkit, their pixels, their refusals with their exact messages, and the
// scroll area they set.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <unistd.h>

#include "support/GuiDriver.h"

namespace {

FileCommands* Files() { return FileCommands::Instance(); }

// An uncompressed 24-bit header for w x h pixels, then the given bytes; one header byte may be changed.
std::string Tga(int w, int h, const std::string& pixels, int offset = 0, int value = 0)
{
    std::string t(18, '\0');
    t[2] = 2, t[12] = char(w), t[13] = char(w >> 8), t[14] = char(h), t[15] = char(h >> 8), t[16] = 24;
    t[offset] = char(value);
    return t + pixels;
}

std::vector<wxColour> Pixels(const wxImage& image)
{
    std::vector<wxColour> out;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            out.emplace_back(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
    return out;
}

wxImage Background() { return Doc()->GetBackgroundBitmap()->ConvertToImage(); }

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::ResetDocument();
        ASSERT_EQ(chdir(Temp().c_str()), 0);
    }
    // Later tests expect the default picture and scroll area.
    void TearDown() override
    {
        delete Doc()->background;
        Doc()->background = nullptr;
        MainWindow::Instance()->canvas->SetScrollbars(1, 1, 400, 400, 0, 0);
    }
};

TEST_F(PictureTest, TgaRowsAreStoredBottomUpInBlueGreenRed)
{
    const unsigned char bytes[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    Files()->OpenByExtension(WriteFile("SCENE.TGA", Tga(2, 2, std::string(bytes, bytes + 12))).c_str());
    EXPECT_EQ(Errors(), Strings{});
    EXPECT_EQ(Statuses(), Strings{"Successfully loaded new image."});
    const std::vector<wxColour> expected = {*wxRED, *wxWHITE, *wxBLUE, *wxGREEN};
    EXPECT_EQ(Pixels(Background()), expected);
    // The toolkit's own BMP writer, read back through a mixed-case ending.
    ASSERT_TRUE(Background().SaveFile("scene.Bmp", wxBITMAP_TYPE_BMP));
    Doc()->SetBackgroundBitmap(new wxBitmap(5, 5));
    Files()->OpenByExtension("scene.Bmp");
    EXPECT_EQ(Pixels(Background()), expected);
}

TEST_F(PictureTest, RefusedPicturesKeepThePreviousOne)
{
    const std::string onlyTgaBmp = "Sorry, I only know how to read .tga and .bmp files!";
    const std::string notTga = "Sorry, I don't know how to read your TGA file!";
    const std::string noData = "Couldn't read image data in TGA.";
    const std::string pixels(30000, '\x40');
    const struct {
        std::string name, bytes, error;
    } cases[] = {
        {"scene.jpeg", Tga(100, 100, pixels), onlyTgaBmp},
        {"a.tg", Tga(100, 100, pixels), onlyTgaBmp},
        {"bmp", "", onlyTgaBmp},
        {"broken.bmp", "BM", "An error occurred during bitmap load.  Sorry I don't know what happened!"},
        {"id.tga", Tga(100, 100, pixels, 0, 5), notTga},
        {"short.tga", Tga(100, 100, pixels.substr(1)), noData},
        {"huge.tga", Tga(65535, 65535, ""), noData},
        {"vast.tga", Tga(65535, 65535, ""), "Couldn't create image data structure!"},  // made sparse below
        {"empty.tga", Tga(0, 5, "abc"), noData},
        {"mapped.tga", Tga(100, 100, pixels, 1, 1), notTga},
        {"rle.tga", Tga(100, 100, pixels, 2, 10), notTga},
        {"grey.tga", Tga(100, 100, pixels, 2, 3), notTga},
        {"deep.tga", Tga(100, 100, pixels, 16, 32), notTga},
        {"header.tga", Tga(100, 100, "").substr(0, 12), "Couldn't read image specification field in TGA."},
        {"missing.tga", "", "Could not open file for read:  missing.tga"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        const wxBitmap* before = Doc()->GetBackgroundBitmap();
        if (c.name != "missing.tga")
            WriteFile(c.name, c.bytes);
        if (c.name == "vast.tga")  // all its pixels there, as far as the file's size can tell
            std::filesystem::resize_file(c.name, 18 + 65535ull * 65535 * 3);
        Files()->LoadImageFile(c.name.c_str());
        const bool tga = c.name.find(".tga") != std::string::npos;
        Strings errors{c.error};
        if (tga)
            errors.push_back("I only know how to read 24-bit uncompressed TGA files!");
        EXPECT_EQ(Errors(), errors);
        EXPECT_EQ(Statuses(), tga ? Strings{} : Strings{"Failed to load new image."});
        EXPECT_EQ(Doc()->GetBackgroundBitmap(), before);
    }
}

TEST_F(PictureTest, PictureSetsTheScrollAreaAndKeepsTheDocument)
{
    Doc()->Select(Add(10, 10));
    Doc()->RecordCommand("create-point");
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    Files()->LoadImageFile(WriteFile("big.tga", Tga(2000, 1500, std::string(2000 * 1500 * 3, '\x10'))).c_str());
    EXPECT_EQ(canvas->GetVirtualSize(), wxSize(2000, 1500));
    canvas->Scroll(300, 200);
    Files()->LoadImageFile(WriteFile("wide.tga", Tga(1024, 512, std::string(1024 * 512 * 3, '\x20'))).c_str());
    const wxSize client = canvas->GetClientSize();  // the toolkit never reports less
    EXPECT_EQ(canvas->GetVirtualSize(), wxSize(std::max(1024, client.x), std::max(512, client.y)));
    EXPECT_EQ(canvas->GetViewStart(), wxPoint(0, 0));
    int px = -1, py = -1;
    EXPECT_TRUE(Doc()->Mapping().WorldToPixel(0, 0, px, py) && px == 512 && py == 256) << px << "," << py;
    EXPECT_EQ(Doc()->selection.size(), 1u);
    EXPECT_EQ(UndoNames(), Strings{"create-point"});
}

// Pixels of a picture as ImageMagick reads them, top row first.
std::vector<wxColour> ConvertSays(const std::string& file)
{
    std::vector<wxColour> pixels(64 * 32);
    FILE* out = popen(("convert '" + file + "' -depth 8 txt:-").c_str(), "r");
    char line[256];
    int x, y;
    unsigned r, g, b;
    while (out && std::fgets(line, sizeof line, out))
        if (std::sscanf(line, "%d,%d: (%*[^)]) #%2x%2x%2x", &x, &y, &r, &g, &b) == 5 && x < 64 && y < 32)
            pixels[std::size_t(y * 64 + x)] = wxColour(r, g, b);
    if (out)
        pclose(out);
    return pixels;
}

TEST_F(PictureTest, PicturesWrittenByImageMagickShowTheirPixels)
{
    if (access("/usr/bin/convert", X_OK) != 0)
        GTEST_SKIP() << "/usr/bin/convert (imagemagick) is not installed";
    ASSERT_EQ(std::system("convert -size 64x32 -seed 7 plasma:fractal source.png"), 0);
    // ImageMagick 6 writes TGA rows top first under a bottom-left descriptor: -flip stores them bottom first.
    const char* const kinds[][3] = {
        {"plain.tga", "-flip -type TrueColor -compress none", ""}, {"v3.bmp", "-type TrueColor", "BMP3:"},
        {"v5.bmp", "-type TrueColor", "BMP:"}, {"palette.bmp", "-type Palette", "BMP3:"},
        {"grey.bmp", "-type Grayscale", "BMP3:"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k[0]);
        const std::string file = Temp(k[0]);
        ASSERT_EQ(std::system(("convert source.png -depth 8 " + std::string(k[1]) + " '" + k[2] + file + "'").c_str()), 0);
        gui::ResetDocument();
        Files()->LoadImageFile(file.c_str());
        ASSERT_EQ(Statuses(), Strings{"Successfully loaded new image."});
        const std::vector<wxColour> expected = ConvertSays(std::string(k[0]) == "plain.tga" ? "source.png" : file);
        const std::vector<wxColour> shown = Pixels(Background());
        EXPECT_TRUE(shown == expected) << "pixels differ from ImageMagick's";
    }
}

}  // namespace
