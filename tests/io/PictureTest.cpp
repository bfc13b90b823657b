// Background pictures: TGA and BMP files read with their pixels or refused with
// their exact messages.
#include <functional>

#ifdef _WIN32
#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32
#include <windows.h>
#include <psapi.h>
#endif

#include "support/GuiDriver.h"

namespace {

std::string Le32(long v) { return Le16(v & 0xffff) + Le16(v >> 16); }

#ifndef _WIN32
// Resident memory of this process in kB: "VmRSS:" now, "VmHWM:" at its peak since 5 went to clear_refs.
long Resident(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word && word != field)
        ;
    long kb = -1;
    return (status >> kb), kb;
}
#endif

// How far this process's memory rose while the call ran, in kB.
long GrowthDuring(const std::function<void()>& call)
{
#ifdef _WIN32
    // The peak cannot be reset there, so a rise below an earlier peak goes
    // unseen: enough for a picture far larger than any read before it.
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    call();
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    return long((after.PeakWorkingSetSize - before.PeakWorkingSetSize) / 1024);
#else
    std::ofstream("/proc/self/clear_refs") << "5";
    const long resident = Resident("VmRSS:");
    call();
    return Resident("VmHWM:") - resident;
#endif
}

// A square 24-bit Windows BMP with a 40-byte info header; rows bottom first.
std::string Bmp(const std::string& rows, int side = 2)
{
    return "BM" + Le32(54 + long(rows.size())) + Le32(0) + Le32(54) + Le32(40) + Le32(side) + Le32(side) + Le16(1) +
           Le16(24) + Le32(0) + Le32(long(rows.size())) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0) + rows;
}

// A run-length BMP (RLE8, or RLE4 for 4 bits) with a 40-byte info header and two colours, red and white.
std::string RleBmp(int w, int h, int bits, const std::string& stream)
{
    return "BM" + Le32(62 + long(stream.size())) + Le32(0) + Le32(62) + Le32(40) + Le32(w) + Le32(h) + Le16(1) +
           Le16(bits) + Le32(bits == 8 ? 1 : 2) + Le32(long(stream.size())) + Le32(2835) + Le32(2835) + Le32(2) +
           Le32(0) + Bytes({0, 0, 255, 0, 255, 255, 255, 0}) + stream;
}

TEST(Pictures, ReadWithTheirPixelsOrRefusedWithTheirMessages)
{
    PictureScope keep;
    const std::string tgaOnly = "I only know how to read 24-bit uncompressed TGA files!";
    const std::string noData = "Couldn't read image data in TGA.", tooLarge = "Couldn't create bitmap data structure!";
    const std::string notTga = "Sorry, I don't know how to read your TGA file!";
    const std::string bmpError = "An error occurred during bitmap load.  Sorry I don't know what happened!";
    const std::string notPicture = "Sorry, I only know how to read .tga and .bmp files!";
    const std::string red = Bytes({0, 0, 255}), white = Bytes({255, 255, 255}), blue = Bytes({255, 0, 0});
    const std::string bgrRows = blue + Bytes({0, 255, 0}) + red + white;  // bottom row first
    const std::string bmpRows = blue + Bytes({0, 255, 0, 'p', 'p'}) + red + white + "pp";
    const std::string redWhiteOverBlueGreen = "#FF0000 #FFFFFF #0000FF #00FF00 ", hundred(30000, '\x40');
    std::string huge;
    for (std::uint64_t left = 26754ull * 26754; left > 0; left -= std::min<std::uint64_t>(left, 128))
        huge += Bytes({int(std::min<std::uint64_t>(left, 128) - 1) | 0x80, 0x55});
    std::filesystem::create_directory(std::filesystem::u8path(Temp("folder.tga")));
    const struct {
        std::string name, bytes;
        Strings errors;  // none: read, 2 pixels wide (unless said) with these pixels, top row first
        std::string pixels = "";
    } cases[] = {
        {"SCENE.TGA", Tga(2, 2, 2, 24, bgrRows), {}, redWhiteOverBlueGreen},
        // A run spanning two rows, then a raw packet; the descriptor's bits 5 and 4 put the first stored
        // pixel at the top (not the bottom) and on the right (not the left).
        {"rle.tga", Tga(10, 3, 2, 24, Bytes({0x83}) + blue + Bytes({0x01}) + red + white, 0x20), {},
         "#0000FF #0000FF #0000FF #0000FF #FF0000 #FFFFFF "},
        {"top-right.tga", Tga(10, 3, 2, 24, Bytes({0x83}) + blue + Bytes({0x01}) + red + white, 0x30), {},
         "#0000FF #0000FF #0000FF #FFFFFF #FF0000 #0000FF "},
        {"bottom-right.tga", Tga(2, 2, 2, 24, bgrRows, 0x10), {}, "#FFFFFF #FF0000 #00FF00 #0000FF "},
        {"alpha.tga", Tga(2, 2, 2, 32, blue + Bytes({0, 0, 255, 0, 128}) + red + Bytes({255}) + white + Bytes({1}), 0x28),
         {}, "#0000FF #00FF00 #FF0000 #FFFFFF "},
        {"grey.tga", Tga(3, 2, 2, 8, Bytes({0, 255, 128, 7})), {}, "#808080 #070707 #000000 #FFFFFF "},
        {"grey-rle.tga", Tga(11, 2, 2, 8, Bytes({0x82, 9, 0x00, 200})), {}, "#090909 #C8C8C8 #090909 #090909 "},
        {"widest.tga", Tga(2, 32767, 1, 24, std::string(32767 * 3, '\x7f')), {}},
        {"scene.Bmp", Bmp(bmpRows), {}, redWhiteOverBlueGreen},
        {"one.bmp", Bmp(red + "p", 1), {}, "#FF0000 "},
        // Three pixels given one by one (0, 1, 0: an end-of-bitmap mark, to be skipped) and padded, a line's
        // end, a run of three, the end.
        {"rle8.bmp", RleBmp(3, 2, 8, Bytes({0, 3, 0, 1, 0, 0, 0, 0, 3, 1, 0, 1})), {},
         "#FFFFFF #FFFFFF #FFFFFF #FF0000 #FFFFFF #FF0000 "},
        {"rle4.bmp", RleBmp(4, 1, 4, Bytes({0, 4, 0x01, 0x10, 0, 1})), {}, "#FF0000 #FFFFFF #FFFFFF #FF0000 "},
        {"wide.bmp", Bmp(std::string(300 * 300 * 3, 'P'), 300), {}},
        {"a.tg", Tga(2, 2, 2, 24, bgrRows), {notPicture}},
        {"bmp", "", {notPicture}},
        {"id.tga", "\x05" + Tga(2, 100, 100, 24, hundred).substr(1), {notTga, tgaOnly}},
        {"mapped.tga", Tga(2, 100, 100, 24, hundred).replace(1, 1, "\x01"), {notTga, tgaOnly}},
        {"grey16.tga", Tga(3, 2, 2, 16, bgrRows), {notTga, tgaOnly}},
        {"two-bytes.tga", Bytes({0, 0}), {"Couldn't read image type field in TGA.", tgaOnly}},
        {"header.tga", Tga(2, 100, 100, 24, "").substr(0, 12), {"Couldn't read image specification field in TGA.", tgaOnly}},
        {"short.tga", Tga(2, 100, 100, 24, hundred.substr(1)), {noData, tgaOnly}},
        {"empty.tga", Tga(2, 0, 5, 24, "abc"), {noData, tgaOnly}},
        {"run-past.tga", Tga(10, 2, 2, 24, Bytes({0x84}) + red), {noData, tgaOnly}},
        {"cut-rle.tga", Tga(10, 2, 2, 24, Bytes({0x03}) + red + red), {noData, tgaOnly}},
        {"too-wide.tga", Tga(2, 32768, 1, 24, std::string(32768 * 3, '\x7f')), {tooLarge, tgaOnly}},
        {"tall.tga", Tga(10, 1, 40000, 24, std::string(40000 / 128 * 4 + 4, '\xff')), {tooLarge, tgaOnly}},
        // Every pixel there, in runs of 128: 11 MB for a picture of 2 GB, refused before any of it is held.
        {"vast.tga", Tga(11, 26754, 26754, 8, huge), {tooLarge, tgaOnly}},
        {"vast.bmp", RleBmp(16385, 16384, 8, Bytes({0, 1})), {bmpError}},
        {"folder.tga", "", {"Could not open file for read:  " + Temp("folder.tga"), tgaOnly}},
        // One pixel under the longest header, masks inside it, as image programs write them.
        {"v5.bmp", "BM" + Le32(142) + Le32(0) + Le32(138) + Le32(124) + Le32(1) + Le32(1) + Le16(1) + Le16(32) + Le32(3) +
                       Le32(4) + std::string(16, 0) + Le32(0xff0000) + Le32(0xff00) + Le32(0xff) + std::string(72, 0) +
                       red + "\xff", {}, "#FF0000 "},
        {"os2-cut.bmp", "BM" + Le32(42) + Le32(0) + Le32(26) + Le32(12) + Le16(2) + Le16(2) + Le16(1) + Le16(24) + "cut",
         {bmpError}},
        {"cut-pixels.bmp", Bmp(bmpRows).substr(0, 14 + 40 + 13), {bmpError}},
        {"cut-rle8.bmp", RleBmp(3, 2, 8, Bytes({0, 3, 0, 1, 0, 0, 0, 0, 3, 1})), {bmpError}},
        {"cut-rle4.bmp", RleBmp(4, 1, 4, Bytes({0, 4, 0x01, 0x10})), {bmpError}},
        {"unpadded.bmp", Bmp(bmpRows.substr(0, 14)), {bmpError}},  // the toolkit shows it wrongly
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        const wxBitmap* before = Doc()->GetBackgroundBitmap();
        if (c.name != "folder.tga")
            WriteFile(c.name, c.bytes);
        const long open = OpenFiles();
        EXPECT_LT(GrowthDuring([&] { FileCommands::Instance()->LoadImageFile(Temp(c.name).c_str()); }), 64 * 1024)
            << "the picture's memory taken before it was refused";
        EXPECT_EQ(OpenFiles(), open) << "a file left open";
        EXPECT_EQ(Errors(), c.errors);
        if (!c.errors.empty()) {
            EXPECT_EQ(Statuses(), c.errors.back() == tgaOnly ? Strings{} : Strings{"Failed to load new image."});
            EXPECT_EQ(Doc()->GetBackgroundBitmap(), before);
            continue;
        }
        EXPECT_EQ(Statuses(), Strings{"Successfully loaded new image."});
        const wxImage image = Doc()->GetBackgroundBitmap()->ConvertToImage();
        EXPECT_GE(MainWindow::Instance()->canvas->GetVirtualSize().x, image.GetWidth()) << "no scrolling over it all";
        std::string pixels;
        for (int y = 0; y < image.GetHeight() && !c.pixels.empty(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                pixels += wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y))
                              .GetAsString(wxC2S_HTML_SYNTAX).utf8_string() + " ";
        EXPECT_EQ(pixels, c.pixels);
    }
}

}  // namespace
