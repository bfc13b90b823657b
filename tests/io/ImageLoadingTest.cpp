// Background pictures: the TGA reader, BMP through the toolkit, and what loading does to the view.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/image.h>

#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "view/ViewTransform.h"

namespace {

using Strings = std::vector<std::string>;

std::string TempFile(const std::string& name)
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vse-img-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir + "/" + name;
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    const std::string path = TempFile(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// An uncompressed 24-bit header for w x h pixels, followed by the given bytes.
std::string Tga(int w, int h, const std::string& pixels)
{
    std::string t(18, '\0');
    t[2] = 2;
    t[12] = char(w & 255), t[13] = char(w >> 8), t[14] = char(h & 255), t[15] = char(h >> 8);
    t[16] = 24;
    return t + pixels;
}

std::string With(std::string bytes, int offset, int value)
{
    bytes[offset] = char(value);
    return bytes;
}

wxImage Background()
{
    return EditorDocument::Instance()->GetBackgroundBitmap()->ConvertToImage();
}

wxColour At(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

void Load(const std::string& path)
{
    FileCommands::Instance()->LoadImageFile(path.c_str());
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override { gui::ResetDocument(); }
    // Later tests expect the default picture and the start-up scroll area.
    void TearDown() override
    {
        EditorDocument* doc = EditorDocument::Instance();
        delete doc->background;
        doc->background = nullptr;
        MainWindow::Instance()->canvas->SetScrollbars(1, 1, 400, 400, 0, 0);
        gui::Pump(30);
    }
};

TEST_F(ImageTest, TgaRowsAreStoredBottomUpInBlueGreenRed)
{
    using C = unsigned char;
    const C bytes[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::string file = WriteFile("SCENE.TGA", Tga(2, 2, std::string(bytes, bytes + 12)));
    FileCommands::Instance()->OpenByExtension(file.c_str());
    EXPECT_EQ(LogCapture::Get().errors, Strings{});
    EXPECT_EQ(LogCapture::Get().statuses, Strings{"Successfully loaded new image."});
    const wxImage image = Background();
    ASSERT_EQ(image.GetSize(), wxSize(2, 2));
    EXPECT_EQ(At(image, 0, 0), *wxRED);
    EXPECT_EQ(At(image, 1, 0), *wxWHITE);
    EXPECT_EQ(At(image, 0, 1), *wxBLUE);
    EXPECT_EQ(At(image, 1, 1), *wxGREEN);

    // The toolkit's BMP writer, read back through a mixed-case ending.
    const std::string bmp = TempFile("scene.Bmp");
    ASSERT_TRUE(image.SaveFile(bmp, wxBITMAP_TYPE_BMP));
    EditorDocument::Instance()->SetBackgroundBitmap(new wxBitmap(5, 5));
    FileCommands::Instance()->OpenByExtension(bmp.c_str());
    EXPECT_EQ(Background().GetSize(), wxSize(2, 2));
    EXPECT_EQ(At(Background(), 1, 0), *wxWHITE);
}

TEST_F(ImageTest, RefusedFilesKeepThePreviousPicture)
{
    const std::string onlyTgaBmp = "Sorry, I only know how to read .tga and .bmp files!";
    const std::string notTga = "Sorry, I don't know how to read your TGA file!";
    const std::string noData = "Couldn't read image data in TGA.";
    const std::string good = Tga(100, 100, std::string(30000, '\x40'));
    const struct {
        const char* name;
        std::string bytes;
        std::string error;
        bool statusLine;
    } cases[] = {
        {"scene.jpeg", good, onlyTgaBmp, true},
        {"a.tg", good, onlyTgaBmp, true},
        {"id.tga", With(good, 0, 5), notTga, false},
        {"short.tga", good.substr(0, 18 + 29999), noData, false},
        {"huge.tga", Tga(65535, 65535, ""), noData, false},
        {"zero.tga", Tga(0, 5, "abc"), noData, false},
        {"mapped.tga", With(With(good, 1, 1), 2, 1), notTga, false},
        {"rle.tga", With(good, 2, 10), notTga, false},
        {"grey.tga", With(good, 2, 3), notTga, false},
        {"deep.tga", With(good, 16, 32), notTga, false},
        {"header.tga", good.substr(0, 12), "Couldn't read image specification field in TGA.", false},
        {"broken.bmp", "BM not really", "An error occurred during bitmap load.  Sorry I don't know what happened!",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        wxBitmap* before = EditorDocument::Instance()->GetBackgroundBitmap();
        Load(WriteFile(c.name, c.bytes));
        Strings errors{c.error};
        if (!c.statusLine)
            errors.push_back("I only know how to read 24-bit uncompressed TGA files!");
        EXPECT_EQ(LogCapture::Get().errors, errors);
        EXPECT_EQ(LogCapture::Get().statuses, c.statusLine ? Strings{"Failed to load new image."} : Strings{});
        EXPECT_EQ(EditorDocument::Instance()->GetBackgroundBitmap(), before);
    }
    gui::ResetDocument();
    Load("bmp");
    EXPECT_EQ(LogCapture::Get().errors, Strings{onlyTgaBmp});
    Load(TempFile("missing.tga"));
    EXPECT_EQ(LogCapture::Get().errors[1], "Could not open file for read:  " + TempFile("missing.tga"));
}

TEST_F(ImageTest, PictureSetsTheScrollAreaAndKeepsTheDocument)
{
    EditorDocument* doc = EditorDocument::Instance();
    ASSERT_TRUE(doc->GetTrackPath()->InsertPoint(new TrackPoint(10, 10, 2, 0), nullptr));
    doc->RecordCommand("create-point");
    doc->Select(doc->GetTrackPath()->points.front());
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    Load(WriteFile("big.tga", Tga(2000, 1500, std::string(2000 * 1500 * 3, '\x10'))));
    EXPECT_EQ(canvas->GetVirtualSize(), wxSize(2000, 1500));
    canvas->Scroll(300, 200);
    ASSERT_NE(canvas->GetViewStart(), wxPoint(0, 0));

    Load(WriteFile("wide.tga", Tga(1024, 512, std::string(1024 * 512 * 3, '\x20'))));
    // The toolkit never reports a virtual size below the client size.
    const wxSize client = canvas->GetClientSize();
    EXPECT_EQ(canvas->GetVirtualSize(), wxSize(std::max(1024, client.x), std::max(512, client.y)));
    EXPECT_EQ(canvas->GetViewStart(), wxPoint(0, 0));
    int px = -1, py = -1;
    ASSERT_TRUE(WorldToPixel(0, 0, px, py));
    EXPECT_EQ(wxPoint(px, py), wxPoint(512, 256));
    EXPECT_EQ(doc->selection.size(), 1u);
    EXPECT_EQ(doc->undoList.size(), 1u);
}

// Pixels as ImageMagick reads them, top row first.
std::vector<wxColour> ConvertSays(const std::string& file, int w, int h)
{
    std::vector<wxColour> pixels(std::size_t(w * h));
    // ImageMagick keeps a TGA's stored row order unless asked to orient it.
    const std::string command = "convert '" + file + "' -auto-orient -depth 8 txt:-";
    FILE* out = popen(command.c_str(), "r");
    char line[256];
    while (out && std::fgets(line, sizeof line, out)) {
        int x, y;
        unsigned r, g, b;
        if (std::sscanf(line, "%d,%d: (%*[^)]) #%2x%2x%2x", &x, &y, &r, &g, &b) == 5 && x < w && y < h)
            pixels[std::size_t(y * w + x)] = wxColour(r, g, b);
    }
    if (out)
        pclose(out);
    return pixels;
}

TEST_F(ImageTest, PicturesWrittenByImageMagickShowTheirPixels)
{
    if (access("/usr/bin/convert", X_OK) != 0)
        GTEST_SKIP() << "/usr/bin/convert (imagemagick) is not installed";
    const std::string source = TempFile("source.png");
    ASSERT_EQ(std::system(("convert -size 64x32 -seed 7 plasma:fractal -depth 8 '" + source + "'").c_str()), 0);
    const struct {
        const char* name;
        const char* options;
        const char* format;
    } kinds[] = {
        {"plain.tga", "-type TrueColor -compress none", ""},
        {"v3.bmp", "-type TrueColor", "BMP3:"},
        {"v5.bmp", "-type TrueColor", "BMP:"},
        {"palette.bmp", "-type Palette", "BMP3:"},
        {"grey.bmp", "-type Grayscale", "BMP3:"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string file = TempFile(k.name);
        const std::string command =
            "convert '" + source + "' -depth 8 " + k.options + " '" + k.format + file + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        gui::ResetDocument();
        Load(file);
        ASSERT_EQ(LogCapture::Get().LastStatus(), "Successfully loaded new image.");
        const wxImage image = Background();
        ASSERT_EQ(image.GetSize(), wxSize(64, 32));
        const std::vector<wxColour> expected = ConvertSays(file, 64, 32);
        int wrong = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x)
                if (At(image, x, y) != expected[std::size_t(y * 64 + x)] && wrong++ == 0)
                    ADD_FAILURE() << "first wrong pixel at " << x << "," << y << ": "
                                  << At(image, x, y).GetAsString().utf8_string() << " instead of "
                                  << expected[std::size_t(y * 64 + x)].GetAsString().utf8_string();
        EXPECT_EQ(wrong, 0);
    }
    const std::string rle = TempFile("rle.tga");
    ASSERT_EQ(std::system(("convert '" + source + "' -compress RLE '" + rle + "'").c_str()), 0);
    gui::ResetDocument();
    Load(rle);
    EXPECT_EQ(LogCapture::Get().errors, (Strings{"Sorry, I don't know how to read your TGA file!",
                                                 "I only know how to read 24-bit uncompressed TGA files!"}));
}

}  // namespace
