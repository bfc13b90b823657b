// Background pictures: TGA and BMP files read with their pixels or refused with
// their exact messages (and, for BMP, the reason).
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <functional>

#ifdef _WIN32
#define PSAPI_VERSION 2  // GetProcessMemoryInfo from kernel32
#include <windows.h>
#include <psapi.h>
#endif

#include "io/BmpReader.h"
#include "support/GuiDriver.h"

namespace {

// How far this process's memory rose while the call ran, in kB; more than any bound when that cannot be told.
long GrowthDuring(const std::function<void()>& call)
{
#ifdef _WIN32
    // The peak cannot be reset there, so a rise below an earlier peak goes
    // unseen: enough for a picture far larger than any read before it.
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    const bool known = GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    call();
    if (!known || !GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after))
        return LONG_MAX;
    return long((after.PeakWorkingSetSize - before.PeakWorkingSetSize) / 1024);
#else
    // Resident memory in kB: "VmRSS:" now, "VmHWM:" at its peak since 5 went to clear_refs.
    const auto memory = [](const std::string& field) {
        std::ifstream status("/proc/self/status");
        std::string word;
        long kb = -1;
        while (status >> word && word != field)
            ;
        return (status >> kb), kb;
    };
    const bool reset = bool(std::ofstream("/proc/self/clear_refs") << "5" << std::flush);
    const long resident = memory("VmRSS:");
    call();
    const long peak = memory("VmHWM:");
    return reset && resident >= 0 && peak >= 0 ? peak - resident : LONG_MAX;
#endif
}

// A small picture's pixels, top row first, by letter (k black, w white, r red, g green, b blue) or as #RRGGBB; a
// larger one's size; nothing for none.
std::string Shown(const wxImage& image)
{
    const long count = image.IsOk() ? long(image.GetWidth()) * image.GetHeight() : 0;
    if (count > 64)
        return std::to_string(image.GetWidth()) + "x" + std::to_string(image.GetHeight());
    std::string pixels;
    for (const unsigned char *p = count ? image.GetData() : nullptr, *end = p + 3 * count; p < end; p += 3) {
        const std::string hex = wxColour(p[0], p[1], p[2]).GetAsString(wxC2S_HTML_SYNTAX).utf8_string();
        const std::size_t named = std::string("#000000#FFFFFF#FF0000#00FF00#0000FF").find(hex);
        pixels += named == std::string::npos ? hex : std::string(1, "kwrgb"[named / 7]);
    }
    return pixels;
}

const std::string tgaOnly = "I only know how to read 24-bit uncompressed TGA files!";
const std::string bmpError = "An error occurred during bitmap load.  Sorry I don't know what happened!";

// Opens the file as the user does: these messages, no file left open, little memory taken when it is refused
// and the earlier picture still shown. The picture shown after it, or none.
wxImage Load(const std::string& path, const Strings& errors)
{
    gui::ResetDocument();
    const wxBitmap* before = Doc()->GetBackgroundBitmap();
    const long open = OpenFiles();
    EXPECT_LT(GrowthDuring([&] { FileCommands::Instance()->LoadImageFile(path.c_str()); }), 64 * 1024)
        << "the picture's memory taken before it was refused";
    EXPECT_EQ(OpenFiles(), open) << "a file left open";
    EXPECT_EQ(Errors(), errors);
    if (!errors.empty()) {
        EXPECT_EQ(Statuses(), errors.back() == tgaOnly ? Strings{} : Strings{"Failed to load new image."});
        EXPECT_EQ(Doc()->GetBackgroundBitmap(), before);
        return wxImage();
    }
    EXPECT_EQ(Statuses(), Strings{"Successfully loaded new image."});
    const wxImage image = Doc()->GetBackgroundBitmap()->ConvertToImage();
    EXPECT_GE(MainWindow::Instance()->canvas->GetVirtualSize().x, image.GetWidth()) << "no scrolling over it all";
    return image;
}

// A BMP file: an info header of the given size (12: OS/2 1.x; 16 to 64 but 40, 52 and 56: OS/2 2.x; else
// Windows), the masks after a 40-byte one and inside longer ones, the palette as stored (its entry count as
// the colours used), then the rows as stored. A negative height stores the top row first.
std::string Bmp(int size, long long w, long long h, int bits, const std::string& rows, const std::string& palette = "",
                int compression = 0, const std::vector<std::uint32_t>& masks = {})
{
    std::string head = Le32(size) + (size == 12 ? Le16(long(w)) + Le16(long(h)) + Le16(1) + Le16(bits)
                                                : Le32(w) + Le32(h) + Le16(1) + Le16(bits) + Le32(compression) +
                                                      Le32(rows.size()) + Le32(2835) + Le32(2835) +
                                                      Le32(palette.size() / 4) + Le32(0));
    for (std::uint32_t mask : masks)
        head += Le32(mask);
    if (size != 40)
        head.resize(std::size_t(size), '\0');
    const long long at = 14 + head.size() + palette.size();
    return "BM" + Le32(at + rows.size()) + Le32(0) + Le32(at) + head + palette + rows;
}

// TGA files read with their pixels or refused with their messages; BMP files the same, with the reason.
TEST(Pictures, ReadPixelForPixelOrRefusedWithTheirMessages)
{
    PictureScope keep;
    // Colours as both store them: blue, green, red.
    const std::string red = Bytes({0, 0, 255}), white = Bytes({255, 255, 255}), blue = Bytes({255, 0, 0});
    const std::string bgrRows = blue + Bytes({0, 255, 0}) + red + white;  // bottom row first
    const std::string notPicture = "Sorry, I only know how to read .tga and .bmp files!";
    const Strings notTga = {"Sorry, I don't know how to read your TGA file!", tgaOnly};
    const Strings noData = {"Couldn't read image data in TGA.", tgaOnly};
    const Strings tooLarge = {"Couldn't create bitmap data structure!", tgaOnly};
    const std::string hundred(30000, '\x40');
    // Entries 2, 3 and 4 of a map of 32 bits (alpha ignored): red, white, blue; indices 4, 2 under 3, 4.
    const std::string mapped = Tga(1, 2, 2, 8, red + "a" + white + "b" + blue + "c" + Bytes({4, 2, 3, 4}), 0, 2, 3, 32);
    std::string huge;
    for (std::uint64_t left = 26754ull * 26754; left > 0; left -= std::min<std::uint64_t>(left, 128))
        huge += Bytes({int(std::min<std::uint64_t>(left, 128) - 1) | 0x80, 0x55});
    // No errors: read, with these pixels.
    const struct { std::string name, bytes; Strings errors; std::string pixels = ""; } tgas[] = {
        {"Fåglar SCENE.TGA", Tga(2, 2, 2, 24, bgrRows), {}, "rwbg"},
        // A run spanning two rows, then a raw packet; the descriptor's bits 5 and 4 put the first stored
        // pixel at the top (not the bottom) and on the right (not the left).
        {"rle.tga", Tga(10, 3, 2, 24, "\x83" + blue + "\1" + red + white, 0x20), {}, "bbbbrw"},
        {"top-right.tga", Tga(10, 3, 2, 24, "\x83" + blue + "\1" + red + white, 0x30), {}, "bbbwrb"},
        {"alpha.tga", Tga(2, 2, 2, 32, blue + Bytes({0, 0, 255, 0, 128}) + red + "\xff" + white + "\1", 0x28), {}, "bgrw"},
        {"grey.tga", Tga(3, 2, 2, 8, Bytes({0, 255, 128, 7})), {}, "#808080#070707kw"},
        {"grey-rle.tga", Tga(11, 2, 2, 8, Bytes({0x82, 9, 0x00, 200})), {}, "#090909#C8C8C8#090909#090909"},
        {"widest.tga", Tga(2, 32767, 1, 24, std::string(32767 * 3, '\x7f')), {}, "32767x1"},
        // 5-5-5 pixels (the top bit ignored), and a map of them; a map before true colour is skipped.
        {"16.tga", Tga(2, 2, 1, 16, Le16(0xfc00) + Le16(0x0210)), {}, "r#008484"},
        {"15-rle.tga", Tga(10, 3, 1, 15, Bytes({0x82}) + Le16(0x03e0)), {}, "ggg"},
        {"mapped-rle.tga", Tga(9, 3, 1, 8, Le32(0x02107c00) + Bytes({0x81, 1, 0, 0}), 0, 0, 2, 15), {}, "#008484#008484r"},
        {"mapped.tga", mapped, {}, "wbbr"}, {"skipped-map.tga", Tga(2, 1, 1, 24, white + red, 0, 0, 1, 24), {}, "r"},
        {"a.tg", Tga(2, 2, 2, 24, bgrRows), {notPicture}}, {"bmp", "", {notPicture}},
        {"id.tga", "\x05" + Tga(2, 100, 100, 24, hundred).substr(1), notTga},
        {"map-type-2.tga", Tga(2, 100, 100, 24, hundred).replace(1, 1, "\x02"), notTga},
        {"map-of-8.tga", Tga(1, 1, 1, 8, Bytes({0, 0}), 0, 0, 1, 8), notTga}, {"grey16.tga", Tga(3, 2, 2, 16, bgrRows), notTga},
        {"past-map.tga", std::string(mapped).replace(30, 1, "\5"), noData},
        {"two-bytes.tga", Bytes({0, 0}), {"Couldn't read image type field in TGA.", tgaOnly}},
        {"header.tga", Tga(2, 100, 100, 24, "").substr(0, 12), {"Couldn't read image specification field in TGA.", tgaOnly}},
        {"short.tga", Tga(2, 100, 100, 24, hundred.substr(1)), noData}, {"empty.tga", Tga(2, 0, 5, 24, "abc"), noData},
        {"run-past.tga", Tga(10, 2, 2, 24, "\x84" + red), noData}, {"cut-rle.tga", Tga(10, 2, 2, 24, "\3" + red + red), noData},
        {"too-wide.tga", Tga(2, 32768, 1, 24, std::string(32768 * 3, '\x7f')), tooLarge},
        // Every pixel there, in runs of 128: 11 MB for a picture of 2 GB, refused before any of it is held.
        {"vast.tga", Tga(11, 26754, 26754, 8, huge), tooLarge},
    };
    for (const auto& c : tgas) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Shown(Load(WriteFile(c.name, c.bytes), c.errors)), c.pixels);
    }

    using R = BmpRefusal;
    // Palette entries, and OS/2 1.x's shorter ones; 24-bit rows padded to four bytes.
    const std::string r = red + '\0', w = white + '\0', b = blue + '\0', rw = r + w, rwb = rw + b;
    const std::string rows = blue + Bytes({0, 255, 0}) + "pp" + red + white + "pp";
    const std::string one = red + "p", zeros(4, '\0'), end = Bytes({0, 1});
    const struct { std::string name, bytes; BmpRefusal why; std::string pixels = ""; } bmps[] = {
        {"1-bit.bmp", Bmp(40, 3, 2, 1, Bytes({0x40, 0, 0, 0, 0xa0, 0, 0, 0}), rw), R::None, "wrwrwr"},
        {"2-bit.bmp", Bmp(40, 3, 1, 2, Bytes({0xe4, 0, 0, 0}), rwb + Bytes({0, 255, 0, 0})), R::None, "gbw"},
        {"4-bit-of-3.bmp", Bmp(40, 3, 1, 4, Bytes({0x20, 0x10, 0, 0}), rwb), R::None, "brw"},
        {"os2-1.bmp", Bmp(12, 2, 2, 1, Bytes({0x40, 0, 0, 0, 0x80, 0, 0, 0}), red + white), R::None, "wrrw"},
        {"os2-2-16.bmp", Bmp(16, 2, 2, 24, rows), R::None, "rwbg"}, {"地形 V4.bMp", Bmp(108, 2, 2, 24, rows), R::None, "rwbg"},
        {"os2-2-64.bmp", Bmp(64, 3, 1, 8, Bytes({1, 0, 1, 0}), rw), R::None, "wrw"},
        // Masks inside a V5 header count only with compression 3 or 6; alpha is ignored.
        {"v5.bmp", Bmp(124, 2, 1, 32, red + "\x80" + blue + "\7", "", 0, {0xff, 0xff00, 0xff0000}), R::None, "rb"},
        {"555.bmp", Bmp(40, 2, 2, 16, Le32(0x02107c00) + Le32(0x03e0801f)), R::None, "bgr#008484"},
        // 5-6-5, with a palette stored for display.
        {"565.bmp", Bmp(40, 2, 2, 16, Le32(0x0400f800) + Le32(0x07e0001f), rw, 3, {0xf800, 0x07e0, 0x1f}), R::None, "bgr#008200"},
        {"32-masks.bmp", Bmp(56, 2, 1, 32, Le32(0x09ff0000) + Le32(0x090000ff), "", 3, {0xff0000, 0xff00, 0xff}), R::None, "rb"},
        // 10 bits of red at 512, green the top bit, blue a zero mask; alpha's mask ignored.
        {"32-odd-masks.bmp", Bmp(40, 1, 1, 32, Le32(0x80000200), "", 6, {0x3ff, 0x80000000, 0, 0x7c00}), R::None, "#80FF00"},
        {"top-down.bmp", Bmp(40, 2, -2, 24, red + white + "pp" + blue + Bytes({0, 255, 0}) + "pp"), R::None, "rwbg"},
        // Two red, a move right and up, one blue, the line's end; three given one by one and padded, an end of
        // line closing the last row, the end. Pixels left unset are black.
        {"rle8.bmp", Bmp(40, 4, 3, 8, Bytes({2, 0, 0, 2, 1, 1, 1, 2, 0, 0, 0, 3, 1, 2, 1, 0, 0, 0, 0, 1}), rwb, 1), R::None,
         "wbwkkkkbrrkk"},
        // A whole row in one run, the line's end; five nibbles given one by one (three bytes and a pad), a move
        // right, a run of one (its second nibble unused), the end.
        {"rle4.bmp", Bmp(40, 7, 2, 4, Bytes({7, 0x12, 0, 0, 0, 5, 0x21, 0x02, 0x10, 0, 0, 2, 1, 0, 1, 0x1f}) + end, rwb, 2),
         R::None, "bwrbwkwwbwbwbw"},
        // A run may fill the row's padding, as ImageMagick writes them.
        {"rle8-padding.bmp", Bmp(40, 3, 1, 8, Bytes({4, 1}) + end, rw, 1), R::None, "www"},
        {"gap.bmp", Bmp(40, 1, 1, 24, "xyz" + one).replace(10, 4, Le32(57)), R::None, "r"},
        {"last-unpadded.bmp", Bmp(40, 2, 2, 24, rows).substr(0, 54 + 14), R::None, "rwbg"},
        {"widest.bmp", Bmp(40, 32767, 1, 8, std::string(32768, '\0'), r), R::None, "32767x1"},
        {"tallest.bmp", Bmp(40, 1, -32767, 8, std::string(32767 * 4, '\0'), r), R::None, "1x32767"},

        // Each refusal, at the limit where one can be drawn.
        {"BA.bmp", Bmp(40, 1, 1, 24, one).replace(0, 2, "BA"), R::NotBmp},
        {"cut-header.bmp", Bmp(40, 1, 1, 24, one).substr(0, 53), R::CutShort},
        {"cut-masks.bmp", Bmp(40, 1, 1, 16, zeros, "", 3, {0xf800, 0x7e0, 0x1f}).substr(0, 65), R::CutShort},
        {"cut-palette.bmp", Bmp(40, 1, 1, 8, "", rw).substr(0, 61), R::CutShort},
        {"header-15.bmp", Bmp(15, 1, 1, 24, one), R::HeaderSize}, {"header-65.bmp", Bmp(65, 1, 1, 24, one), R::HeaderSize},
        {"planes.bmp", Bmp(40, 1, 1, 24, one).replace(26, 2, Le16(2)), R::Planes},
        {"width-0.bmp", Bmp(40, 0, 1, 24, ""), R::Size}, {"width-negative.bmp", Bmp(40, -1, 1, 24, one), R::Size},
        {"height-0.bmp", Bmp(40, 1, 0, 24, ""), R::Size}, {"os2-2-unsigned.bmp", Bmp(64, 2, -2, 24, rows), R::TooLarge},
        {"too-wide.bmp", Bmp(40, 32768, 1, 8, std::string(32768, '\0'), r), R::TooLarge},
        {"too-tall.bmp", Bmp(40, 1, -32768, 8, "", r), R::TooLarge}, {"vast.bmp", Bmp(40, 16385, 16384, 8, end, r, 1), R::TooLarge},
        {"3-bit.bmp", Bmp(40, 1, 1, 3, zeros, r), R::Depth}, {"jpeg.bmp", Bmp(40, 1, 1, 24, "\xff\xd8", "", 4), R::Compression},
        // OS/2's code 3 (Huffman) is no bit fields, whatever the depth.
        {"huffman.bmp", Bmp(64, 1, 1, 16, zeros, "", 3), R::Compression},
        {"rle8-4-bit.bmp", Bmp(40, 1, 1, 4, end, r, 1), R::Compression}, {"rle4-8-bit.bmp", Bmp(40, 1, 1, 8, end, r, 2), R::Compression},
        {"24-masks.bmp", Bmp(40, 1, 1, 24, zeros, "", 3, {0xff0000, 0xff00, 0xff}), R::Compression},
        {"rle-top-down.bmp", Bmp(40, 1, -1, 8, Bytes({1, 0}) + end, r, 1), R::TopDownRle},
        {"masks-overlap.bmp", Bmp(40, 1, 1, 16, zeros, "", 3, {0xf800, 0x07e0, 0x8000}), R::Masks},
        {"masks-broken.bmp", Bmp(124, 1, 1, 32, zeros, "", 3, {0xf800, 0x07e0, 0x0015}), R::Masks},
        {"masks-wide.bmp", Bmp(40, 1, 1, 16, zeros, "", 6, {0x1f800, 0x07e0, 0x1f}), R::Masks},
        {"palette-of-3.bmp", Bmp(40, 1, 1, 1, zeros, rwb), R::Palette},
        {"palette-into-pixels.bmp", Bmp(40, 1, 1, 8, zeros, rw).replace(10, 4, Le32(61)), R::Palette},
        {"index-past.bmp", Bmp(40, 3, 1, 8, Bytes({200, 255, 7, 0}), rw), R::PixelIndex},
        {"rle8-index-past.bmp", Bmp(40, 2, 1, 8, Bytes({2, 2}) + end, rw, 1), R::PixelIndex},
        {"rle4-index-past.bmp", Bmp(40, 2, 1, 4, Bytes({2, 0x13}) + end, rwb, 2), R::PixelIndex},
        {"rle8-run-past.bmp", Bmp(40, 3, 2, 8, Bytes({5, 0}) + end, r, 1), R::RunPastRow},
        {"rle8-255.bmp", Bmp(40, 3, 2, 8, Bytes({0, 255}) + std::string(256, '\1') + end, rw, 1), R::RunPastRow},
        {"rle8-move-past-row.bmp", Bmp(40, 2, 2, 8, Bytes({0, 2, 5, 0}) + end, r, 1), R::RunPastRow},
        {"rle8-past-last.bmp", Bmp(40, 1, 1, 8, Bytes({1, 0, 0, 0, 1, 0}) + end, r, 1), R::PastLastRow},
        {"rle8-move-past-last.bmp", Bmp(40, 2, 2, 8, Bytes({0, 2, 0, 2}) + end, r, 1), R::PastLastRow},
        // Cut inside pixels given one by one, inside a move, and where a pair should start in a stream for as many
        // pixels as a picture may have: refused before they are held.
        {"rle4-cut.bmp", Bmp(40, 8, 1, 4, Bytes({0, 5, 0x01, 0x10}), rw, 2), R::NoEndMark},
        {"rle8-cut-move.bmp", Bmp(40, 2, 2, 8, Bytes({0, 2, 1}), r, 1), R::NoEndMark},
        {"rle8-cap-cut.bmp", Bmp(40, 16384, 16384, 8, Bytes({0, 0}), r, 1), R::NoEndMark},
        // A byte short of a picture too large to take on trust: rows of 4096 bytes, the last one of 4093.
        {"short-large.bmp", Bmp(40, 32737, 1000, 1, std::string(4096 * 999 + 4092, '\0'), rw), R::ShortPixels},
    };
    for (const auto& c : bmps) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile(c.name, c.bytes);
        BmpRefusal why = R::None;
        delete ReadBmp(path.c_str(), &why);
        EXPECT_EQ(int(why), int(c.why));
        ClearLogs();
        EXPECT_EQ(Shown(Load(path, c.why == R::None ? Strings{} : Strings{bmpError})), c.pixels);
    }
}

// Files that ImageMagick writes show as the picture they came from: every kind it writes for a picture of
// few colours (its default: RLE8 under a 124-byte header), and the example terrain reduced to 200 colours.
TEST(Pictures, WrittenByImageMagickShowAsTheirSource)
{
#ifdef _WIN32
    GTEST_SKIP() << "no ImageMagick on Windows";
#else
    if (std::system("convert -version 2>/dev/null | grep -q '^Version: ImageMagick'") != 0)
        GTEST_SKIP() << "ImageMagick is not installed (./test.sh installs it)";
    PictureScope keep;
    std::string map, indices;
    for (int i = 0; i < 40; ++i)
        map += Bytes({i * 6, 255 - i * 5, i * i % 256});
    for (int i = 0; i < 37 * 23; ++i)
        indices += char(i / 9 % 40);
    // ImageMagick 6 reads a TGA's rows top first, whatever its descriptor says (and writes them so): this one says so.
    const std::string few = WriteFile("few.tga", Tga(1, 37, 23, 8, map + indices, 0x20, 0, 40, 24));
    // The output's name after any format prefix; tolerance: the mean difference of a colour.
    const struct { std::string source, options, output; double tolerance; } rows[] = {
        {few, "", "im-rle8.bmp", 0}, {few, "", "BMP3:im-rle8-40.bmp", 0}, {few, "-compress none", "im-8-bit.bmp", 0},
        {few, "", "BMP2:im-os2.bmp", 0}, {few, "-type truecolor", "im-24-bit.bmp", 0}, {few, "-alpha set", "im-32-bit.bmp", 0},
        {few, "-type truecolor -define bmp:subtype=RGB565", "im-565.bmp", 4},  // 5 and 6 bits a colour
        // Read and written top row first, its rows stay where they were: no -flip. 23 upside down.
        {VSE_EXAMPLES_DIR "/terrain.tga", "-colors 200", "im-200.tga", 4},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.output);
        const std::size_t colon = c.output.find(':') + 1;
        const std::string made = Temp(c.output.substr(colon)), command = "convert " + c.source + " " + c.options + " " +
                                                                          c.output.substr(0, colon) + made;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const wxImage image = Load(made, {}), source = Load(c.source, {});
        ASSERT_EQ(image.GetSize(), source.GetSize());
        double difference = 0;
        for (long i = 0; i < 3L * image.GetWidth() * image.GetHeight(); ++i)
            difference += std::abs(image.GetData()[i] - source.GetData()[i]);
        EXPECT_LE(difference / (3.0 * image.GetWidth() * image.GetHeight()), c.tolerance);
    }
#endif
}

}  // namespace
