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

std::string Bytes(std::initializer_list<int> values) { return std::string(values.begin(), values.end()); }
std::string Le16(long v) { return Bytes({int(v & 0xff), int((v >> 8) & 0xff)}); }
std::string Le32(long v) { return Le16(v & 0xffff) + Le16(v >> 16); }

std::string Tga(int type, int w, int h, int depth, const std::string& data, int descriptor = 0)
{
    return Bytes({0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0}) + Le16(w) + Le16(h) + Bytes({depth, descriptor}) + data;
}

// A Windows BMP with a 40-byte info header; rows bottom first.
std::string Bmp(int w, int h, int bits, const std::string& palette, const std::string& rows, long colours = -1)
{
    const long offset = 14 + 40 + long(palette.size());
    return "BM" + Le32(offset + long(rows.size())) + Le32(0) + Le32(offset) + Le32(40) + Le32(w) + Le32(h) +
           Le16(1) + Le16(bits) + Le32(0) + Le32(long(rows.size())) + Le32(2835) + Le32(2835) +
           Le32(colours < 0 ? long(palette.size() / 4) : colours) + Le32(0) + palette + rows;
}

// Pixels top row first, as #RRGGBB.
Strings Pixels(const wxImage& image)
{
    Strings pixels;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            pixels.push_back(wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y))
                                 .GetAsString(wxC2S_HTML_SYNTAX).utf8_string());
    return pixels;
}

std::string Temp(const std::string& name)
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vse-kinds-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir + "/" + name;
}

const char* const Convert = "/usr/bin/convert";

struct Case {
    std::string name, bytes;
    Strings errors;  // empty: read, with these pixels (unless none are given) and this width
    Strings pixels = {};
    int width = 0;
};

// ImageMagick's files, given -flip because it stores TGA rows top first under
// a descriptor that says bottom first; expected as its PNG of the same.
std::vector<Case> ImageMagickCases()
{
    if (access(Convert, X_OK) != 0) {
        std::printf("%s (imagemagick) is not installed: no ImageMagick files tested\n", Convert);
        return {};
    }
    const std::string source = Temp("plasma.png"), convert = std::string(Convert) + " ";
    if (std::system((convert + "-size 48x20 -seed 3 plasma:fractal " + source).c_str()) != 0)
        return {{"plasma.tga", "", {"convert failed"}}};
    std::vector<Case> cases;
    for (const char* options : {"-compress RLE", "-type TrueColorAlpha -compress none", "-type TrueColorAlpha -compress RLE",
                                "-type Grayscale -compress none", "-type Grayscale -compress RLE"}) {
        const std::string file = Temp("im.tga"), expected = Temp("im.png");
        const std::string command = convert + source + " " + options + " -depth 8";
        if (std::system((command + " -flip " + file + " && " + command + " -alpha off PNG24:" + expected).c_str()) != 0)
            return {{"im.tga", "", {"convert failed: " + command}}};
        std::ifstream in(file, std::ios::binary);
        cases.push_back({std::string("im ") + options + ".tga", std::string(std::istreambuf_iterator<char>(in), {}), {},
                         Pixels(wxImage(expected, wxBITMAP_TYPE_PNG)), 48});
    }
    return cases;
}

TEST(PictureKinds, ReadWithTheirPixelsOrRefusedWithTheirMessages)
{
    const std::string tgaOnly = "I only know how to read 24-bit uncompressed TGA files!";
    const std::string noData = "Couldn't read image data in TGA.", notTga = "Sorry, I don't know how to read your TGA file!";
    const std::string tooLarge = "Couldn't create bitmap data structure!";
    const std::string bmpError = "An error occurred during bitmap load.  Sorry I don't know what happened!";
    const std::string red = Bytes({0, 0, 255}), white = Bytes({255, 255, 255}), blue = Bytes({255, 0, 0});
    const std::string bgrRows = blue + Bytes({0, 255, 0}) + red + white;  // bottom row first
    const std::string bmpRows = blue + Bytes({0, 255, 0, 'p', 'p'}) + red + white + "pp";
    const std::string palette = Bytes({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0});
    const std::string bmp8 = Bmp(2, 2, 8, palette, Bytes({0, 1, 0, 0, 2, 3, 0, 0}));
    const Strings redWhiteOverBlueGreen{"#FF0000", "#FFFFFF", "#0000FF", "#00FF00"};
    const std::string wide(40000 * 2 * 3, '\x7f');
    std::filesystem::create_directory(Temp("folder.tga"));
    std::vector<Case> cases = {
        // A run spanning two rows, then a raw packet; the descriptor's top-left bit changes nothing.
        {"rle.tga", Tga(10, 3, 2, 24, Bytes({0x83}) + blue + Bytes({0x01}) + red + white, 0x20), {},
         {"#0000FF", "#FF0000", "#FFFFFF", "#0000FF", "#0000FF", "#0000FF"}, 3},
        {"alpha.tga", Tga(2, 2, 2, 32, blue + Bytes({0, 0, 255, 0, 128}) + red + Bytes({255}) + white + Bytes({1}), 0x28),
         {}, redWhiteOverBlueGreen, 2},
        {"alpha-rle.tga", Tga(10, 2, 2, 32, Bytes({0x81, 255, 0, 0, 9, 0x01, 0, 0, 255, 0, 255, 255, 255, 0})), {},
         {"#FF0000", "#FFFFFF", "#0000FF", "#0000FF"}, 2},
        {"grey.tga", Tga(3, 2, 2, 8, Bytes({0, 255, 128, 7})), {}, {"#808080", "#070707", "#000000", "#FFFFFF"}, 2},
        {"grey-rle.tga", Tga(11, 2, 2, 8, Bytes({0x82, 9, 0x00, 200})), {}, {"#090909", "#C8C8C8", "#090909", "#090909"}, 2},
        {"run-past.tga", Tga(10, 2, 2, 24, Bytes({0x84}) + red), {noData, tgaOnly}},
        {"raw-past.tga", Tga(11, 2, 2, 8, Bytes({0x01, 1, 2, 0x02, 3, 4, 5})), {noData, tgaOnly}},
        {"cut-rle.tga", Tga(10, 2, 2, 24, Bytes({0x03}) + red + red), {noData, tgaOnly}},
        {"cut-alpha.tga", Tga(2, 2, 2, 32, bgrRows + "abc"), {noData, tgaOnly}},
        {"two-bytes.tga", Bytes({0, 0}), {"Couldn't read image type field in TGA.", tgaOnly}},
        {"grey16.tga", Tga(3, 2, 2, 16, bgrRows), {notTga, tgaOnly}},
        {"widest.tga", Tga(2, 32767, 1, 24, std::string(32767 * 3, '\x7f')), {}, {}, 32767},
        {"too-wide.tga", Tga(2, 32768, 1, 24, std::string(32768 * 3, '\x7f')), {tooLarge, tgaOnly}},
        {"wide.tga", Tga(2, 40000, 2, 24, wide), {tooLarge, tgaOnly}},
        {"tall.tga", Tga(10, 1, 40000, 24, std::string(40000 / 128 * 4 + 4, '\xff')), {tooLarge, tgaOnly}},
        {"folder.tga", "", {"Could not open file for read:  " + Temp("folder.tga"), tgaOnly}},
        {"whole.bmp", Bmp(2, 2, 24, "", bmpRows), {}, redWhiteOverBlueGreen, 2},
        {"palette.bmp", bmp8, {}, redWhiteOverBlueGreen, 2},
        {"cut-pixels.bmp", Bmp(2, 2, 24, "", bmpRows).substr(0, 14 + 40 + 13), {bmpError}},
        {"unpadded.bmp", Bmp(2, 2, 24, "", bmpRows.substr(0, 14)), {bmpError}},  // the toolkit shows it wrongly
        {"cut-palette.bmp", bmp8.substr(0, 14 + 40 + 10), {bmpError}},
        {"short-palette.bmp", Bmp(2, 2, 8, palette, Bytes({0, 1, 0, 0, 2, 3, 0, 0}), 7), {bmpError}},
        {"cut-info.bmp", bmp8.substr(0, 14 + 30), {bmpError}},
        {"wide.bmp", Bmp(40000, 1, 24, "", wide.substr(0, 120000)), {bmpError}},
    };
    for (Case& c : ImageMagickCases())
        cases.push_back(c);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        wxBitmap* before = EditorDocument::Instance()->GetBackgroundBitmap();
        const std::string file = Temp(c.name);
        if (c.name != "folder.tga")
            std::ofstream(file, std::ios::binary) << c.bytes;
        FileCommands::Instance()->LoadImageFile(file.c_str());
        EXPECT_EQ(LogCapture::Get().errors, c.errors);
        if (!c.errors.empty()) {
            const bool bmp = c.name.find(".bmp") != std::string::npos;
            EXPECT_EQ(LogCapture::Get().statuses, bmp ? Strings{"Failed to load new image."} : Strings{});
            EXPECT_EQ(EditorDocument::Instance()->GetBackgroundBitmap(), before);
            continue;
        }
        EXPECT_EQ(LogCapture::Get().statuses, Strings{"Successfully loaded new image."});
        const wxImage image = EditorDocument::Instance()->GetBackgroundBitmap()->ConvertToImage();
        EXPECT_EQ(image.GetWidth(), c.width);
        if (!c.pixels.empty()) {
            EXPECT_EQ(Pixels(image), c.pixels);
        }
    }
    // Later tests expect the default picture and scroll area.
    delete EditorDocument::Instance()->background;
    EditorDocument::Instance()->background = nullptr;
    MainWindow::Instance()->canvas->SetScrollbars(1, 1, 400, 400, 0, 0);
}

}  // namespace
