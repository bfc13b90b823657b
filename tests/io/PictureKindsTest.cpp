// The kinds of TGA and BMP files image programs write: which are read, with
// which pixels, and which are refused with which messages.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/image.h>

#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"

namespace {

using Strings = std::vector<std::string>;
using Pixels = std::vector<wxColour>;  // top row first

std::string Temp(const std::string& name)
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vse-kinds-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir + "/" + name;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += char(v);
    return s;
}

std::string Le16(int v) { return Bytes({v & 0xff, (v >> 8) & 0xff}); }
std::string Le32(long v) { return Le16(int(v & 0xffff)) + Le16(int((v >> 16) & 0xffff)); }

std::string Tga(int type, int w, int h, int depth, const std::string& data, int descriptor = 0)
{
    return Bytes({0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + Le16(w) + Le16(h) + Bytes({depth, descriptor}) + data;
}

// A Windows BMP with a 40-byte info header; rows as given, bottom row first.
std::string Bmp(int w, int h, int bits, const std::string& palette, const std::string& rows, long colours = -1)
{
    const long offset = 14 + 40 + long(palette.size());
    return "BM" + Le32(offset + long(rows.size())) + Le32(0) + Le32(offset) + Le32(40) + Le32(w) + Le32(h) +
           Le16(1) + Le16(bits) + Le32(0) + Le32(long(rows.size())) + Le32(2835) + Le32(2835) +
           Le32(colours < 0 ? long(palette.size() / 4) : colours) + Le32(0) + palette + rows;
}

const std::string RedBgr = Bytes({0, 0, 255}), WhiteBgr = Bytes({255, 255, 255}),
                  BlueBgr = Bytes({255, 0, 0}), GreenBgr = Bytes({0, 255, 0});
const Pixels RedWhiteOverBlueGreen{*wxRED, *wxWHITE, *wxBLUE, *wxGREEN};

wxImage Background() { return EditorDocument::Instance()->GetBackgroundBitmap()->ConvertToImage(); }

// Colours as #RRGGBB, so that a failure shows them.
Strings Hex(const Pixels& pixels)
{
    Strings hex;
    for (const wxColour& c : pixels)
        hex.push_back(c.GetAsString(wxC2S_HTML_SYNTAX).utf8_string());
    return hex;
}

Strings Read(const wxImage& image)
{
    Pixels pixels;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            pixels.emplace_back(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
    return Hex(pixels);
}

class PictureKinds : public ::testing::Test {
protected:
    void SetUp() override { gui::ResetDocument(); }
    void TearDown() override
    {
        delete EditorDocument::Instance()->background;
        EditorDocument::Instance()->background = nullptr;
        MainWindow::Instance()->canvas->SetScrollbars(1, 1, 400, 400, 0, 0);
    }
};

TEST_F(PictureKinds, ReadWithTheirPixelsOrRefusedWithTheirMessages)
{
    const std::string tgaOnly = "I only know how to read 24-bit uncompressed TGA files!";
    const std::string noData = "Couldn't read image data in TGA.", notTga = "Sorry, I don't know how to read your TGA file!";
    const std::string tooLarge = "Couldn't create bitmap data structure!";
    const std::string bmpError = "An error occurred during bitmap load.  Sorry I don't know what happened!";
    const std::string bgrRows = BlueBgr + GreenBgr + RedBgr + WhiteBgr;  // bottom row first
    const std::string bmpRows = BlueBgr + GreenBgr + "pp" + RedBgr + WhiteBgr + "pp";
    const std::string palette = Bytes({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0});
    const std::string bmp8 = Bmp(2, 2, 8, palette, Bytes({0, 1, 0, 0, 2, 3, 0, 0}));
    const std::string wide(40000 * 2 * 3, '\x7f');
    std::filesystem::create_directory(Temp("folder.tga"));
    const struct {
        std::string name, bytes;
        Strings errors;  // empty: read, with these pixels (unless none are given) and this width
        Pixels pixels;
        int width;
    } cases[] = {
        // A run spanning two rows, then a raw packet; the descriptor's top-left bit changes nothing.
        {"rle.tga", Tga(10, 3, 2, 24, Bytes({0x83}) + BlueBgr + Bytes({0x01}) + RedBgr + WhiteBgr, 0x20), {},
         {*wxBLUE, *wxRED, *wxWHITE, *wxBLUE, *wxBLUE, *wxBLUE}, 3},
        {"alpha.tga", Tga(2, 2, 2, 32, BlueBgr + Bytes({0}) + GreenBgr + Bytes({128}) + RedBgr + Bytes({255}) + WhiteBgr + Bytes({1}), 0x28),
         {}, RedWhiteOverBlueGreen, 2},
        {"alpha-rle.tga", Tga(10, 2, 2, 32, Bytes({0x81, 255, 0, 0, 9, 0x01, 0, 0, 255, 0, 255, 255, 255, 0})), {},
         {*wxRED, *wxWHITE, *wxBLUE, *wxBLUE}, 2},
        {"grey.tga", Tga(3, 2, 2, 8, Bytes({0, 255, 128, 7})), {},
         {wxColour(128, 128, 128), wxColour(7, 7, 7), *wxBLACK, *wxWHITE}, 2},
        {"grey-rle.tga", Tga(11, 2, 2, 8, Bytes({0x82, 9, 0x00, 200})), {},
         {wxColour(9, 9, 9), wxColour(200, 200, 200), wxColour(9, 9, 9), wxColour(9, 9, 9)}, 2},
        {"run-past.tga", Tga(10, 2, 2, 24, Bytes({0x84}) + RedBgr), {noData, tgaOnly}},
        {"raw-past.tga", Tga(11, 2, 2, 8, Bytes({0x01, 1, 2, 0x02, 3, 4, 5})), {noData, tgaOnly}},
        {"cut-rle.tga", Tga(10, 2, 2, 24, Bytes({0x03}) + RedBgr + RedBgr), {noData, tgaOnly}},
        {"cut-alpha.tga", Tga(2, 2, 2, 32, bgrRows + "abc"), {noData, tgaOnly}},
        {"grey16.tga", Tga(3, 2, 2, 16, bgrRows), {notTga, tgaOnly}},
        {"mapped.tga", Tga(1, 2, 2, 8, bgrRows), {notTga, tgaOnly}},
        {"deep.tga", Tga(2, 2, 2, 16, bgrRows), {notTga, tgaOnly}},
        {"widest.tga", Tga(2, 32767, 1, 24, std::string(32767 * 3, '\x7f')), {}, {}, 32767},
        {"too-wide.tga", Tga(2, 32768, 1, 24, std::string(32768 * 3, '\x7f')), {tooLarge, tgaOnly}},
        {"wide.tga", Tga(2, 40000, 2, 24, wide), {tooLarge, tgaOnly}},
        {"tall.tga", Tga(10, 1, 40000, 24, Bytes({0xff, 1, 2, 3}) + std::string(40000 / 128 * 4, '\xff')),
         {tooLarge, tgaOnly}},
        {"folder.tga", "", {"Could not open file for read:  " + Temp("folder.tga"), tgaOnly}},
        {"whole.bmp", Bmp(2, 2, 24, "", bmpRows), {}, RedWhiteOverBlueGreen, 2},
        {"palette.bmp", bmp8, {}, RedWhiteOverBlueGreen, 2},
        // The toolkit shows a file without the last row's padding wrongly.
        {"unpadded.bmp", Bmp(2, 2, 24, "", bmpRows.substr(0, 14)), {bmpError}},
        {"cut-pixels.bmp", Bmp(2, 2, 24, "", bmpRows).substr(0, 14 + 40 + 13), {bmpError}},
        {"cut-palette.bmp", bmp8.substr(0, 14 + 40 + 10), {bmpError}},
        {"short-palette.bmp", Bmp(2, 2, 8, palette, Bytes({0, 1, 0, 0, 2, 3, 0, 0}), 200), {bmpError}},
        {"cut-info.bmp", bmp8.substr(0, 14 + 30), {bmpError}},
        {"wide.bmp", Bmp(40000, 1, 24, "", wide.substr(0, 120000)), {bmpError}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        wxBitmap* before = EditorDocument::Instance()->GetBackgroundBitmap();
        if (c.name != "folder.tga")
            std::ofstream(Temp(c.name), std::ios::binary) << c.bytes;
        FileCommands::Instance()->LoadImageFile(Temp(c.name).c_str());
        EXPECT_EQ(LogCapture::Get().errors, c.errors);
        if (!c.errors.empty()) {
            const bool bmp = c.name.find(".bmp") != std::string::npos;
            EXPECT_EQ(LogCapture::Get().statuses, bmp ? Strings{"Failed to load new image."} : Strings{});
            EXPECT_EQ(EditorDocument::Instance()->GetBackgroundBitmap(), before);
            continue;
        }
        EXPECT_EQ(LogCapture::Get().statuses, Strings{"Successfully loaded new image."});
        const wxImage image = Background();
        EXPECT_EQ(image.GetWidth(), c.width);
        if (!c.pixels.empty())
            EXPECT_EQ(Read(image), Hex(c.pixels));
    }
}

// What ImageMagick writes, given -flip because it stores TGA rows top first
// under a descriptor that says bottom first; compared with its PNG of the same.
TEST_F(PictureKinds, ImageMagickTgaKindsShowTheirPixels)
{
    const char* const convert = "/usr/bin/convert";
    if (access(convert, X_OK) != 0)
        GTEST_SKIP() << convert << " (imagemagick) is not installed";
    const std::string source = Temp("plasma.png");
    const auto run = [&](const std::string& args) {
        return std::system((std::string(convert) + " '" + source + "' " + args).c_str());
    };
    ASSERT_EQ(std::system((std::string(convert) + " -size 48x20 -seed 3 plasma:fractal '" + source + "'").c_str()), 0);
    const struct {
        const char* name;
        const char* options;
        int type, depth;  // what the file's header must say, so that each kind really is tested
    } kinds[] = {
        {"im-rle.tga", "-compress RLE", 10, 24},
        {"im-alpha.tga", "-type TrueColorAlpha -compress none", 2, 32},
        {"im-alpha-rle.tga", "-type TrueColorAlpha -compress RLE", 10, 32},
        {"im-grey.tga", "-type Grayscale -compress none", 3, 8},
        {"im-grey-rle.tga", "-type Grayscale -compress RLE", 11, 8},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string file = Temp(k.name), expected = file + ".png";
        ASSERT_EQ(run(std::string(k.options) + " -depth 8 -flip '" + file + "'"), 0);
        ASSERT_EQ(run(std::string(k.options) + " -depth 8 -alpha off PNG24:'" + expected + "'"), 0);
        std::ifstream in(file, std::ios::binary);
        char header[18] = {};
        in.read(header, sizeof header);
        ASSERT_EQ(header[2], k.type);
        ASSERT_EQ(header[16], k.depth);
        gui::ResetDocument();
        FileCommands::Instance()->LoadImageFile(file.c_str());
        EXPECT_EQ(LogCapture::Get().errors, Strings{});
        EXPECT_EQ(Read(Background()), Read(wxImage(expected, wxBITMAP_TYPE_PNG)));
    }
}

}  // namespace
