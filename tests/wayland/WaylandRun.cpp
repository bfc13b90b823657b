// Drives the editor on a running sway and checks on screenshots that each change
// of the canvas shows without a resize, and shows what a full repaint shows.
// run.sh prepares the folder this runs in: the compositor, the editor with the
// example files, the pointer tool. Usage: wayland_run SHOT_DIR [--keep]
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <wx/image.h>
#include <wx/init.h>

namespace {

using Clock = std::chrono::steady_clock;

void Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int MsSince(Clock::time_point start)
{
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Runs a command line of our own making for ten seconds at most: its exit code.
int Shell(const std::string& command, std::string* output = nullptr)
{
    FILE* pipe = popen(("timeout 10 " + command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The window floats at a known place, large enough for the whole example picture
// and a margin beyond it, where the band may reach past the picture. Only a
// native Wayland window matches: one through X11 would hide the fault.
constexpr int Left = 100, Top = 100, Width = 800, Height = 700, Margin = 16;

// The place is given with every resize: sway has been seen to move a floating
// window as it resized it.
bool Place(int width, std::string* output = nullptr)
{
    return Shell("swaymsg '[title=\"^VORN Spline Editor\" shell=\"xdg_shell\"] floating enable, resize set " +
                     std::to_string(width) + " " + std::to_string(Height) + ", move position " +
                     std::to_string(Left) + " " + std::to_string(Top) + "'",
                 output) == 0;
}

bool Same(const wxImage& a, const wxImage& b)
{
    return a.GetSize() == b.GetSize() && std::equal(a.GetData(), a.GetData() + 3 * a.GetWidth() * a.GetHeight(), b.GetData());
}

struct Screen {
    std::string dir;
    wxRect area{0, 0, 1280, 1024};  // then the picture and the margin

    wxImage Grab(const wxRect& r)
    {
        const std::string file = dir + "/.grab.png";
        std::string output;
        wxImage image;
        if (Shell("grim -l 1 -g '" + std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) +
                      "x" + std::to_string(r.height) + "' " + file,
                  &output) != 0 ||
            !image.LoadFile(file, wxBITMAP_TYPE_PNG)) {
            std::printf("FAIL: no screenshot: %s\n", output.c_str());
            std::exit(1);  // nothing more can be checked
        }
        return image;
    }
    wxImage Grab() { return Grab(area); }
    // Once two shots 50 ms apart agree.
    wxImage Settled()
    {
        wxImage last = Grab();
        for (int i = 0; i < 30; ++i) {
            Sleep(50);
            wxImage next = Grab();
            if (Same(next, last))
                break;
            last = next;
        }
        return last;
    }
    // A one-pixel resize and back makes the toolkit paint the whole window anew;
    // the edges drawn near its right side move with it, which shows that it did.
    wxImage FullRepaint()
    {
        const wxRect edge(Left + Width - 40, Top + 40, 34, Height - 46);
        const wxImage before = Grab(edge);
        if (!Resize(Width + 1, edge, [&](const wxImage& now) { return !Same(now, before); }) ||
            !Resize(Width, edge, [&](const wxImage& now) { return Same(now, before); }))
            return wxImage();
        return Settled();
    }
    bool Resize(int width, const wxRect& edge, const std::function<bool(const wxImage&)>& done)
    {
        wxImage now;
        for (int i = 0; i < 40 && Place(width); ++i) {
            Sleep(50);
            if (done(now = Grab(edge)))
                return true;
        }
        std::printf("FAIL: the editor did not repaint within 2 s of a resize to %d x %d (%s: the window's right side)\n",
                    width, Height, now.IsOk() ? Save(now, "resize").c_str() : "no screenshot");
        return false;
    }
    std::string Save(const wxImage& image, const std::string& name)
    {
        image.SaveFile(dir + "/" + name + ".png", wxBITMAP_TYPE_PNG);
        return name + ".png";
    }
};

// The picture's top-left corner on the screen: where a block of its pixels
// appears (the track lies far from that corner), or (-1, -1).
wxPoint FindPicture(const wxImage& screen, const wxImage& picture)
{
    constexpr int Block = 24;
    const int sw = screen.GetWidth(), pw = picture.GetWidth();
    const unsigned char *s = screen.GetData(), *p = picture.GetData();
    for (int y = 0; y + picture.GetHeight() <= screen.GetHeight(); ++y)
        for (int x = 0; x + pw <= sw; ++x) {
            bool same = true;
            for (int row = 0; row < Block && same; ++row)
                same = std::equal(p + 3 * row * pw, p + 3 * (row * pw + Block), s + 3 * ((y + row) * sw + x));
            if (same)
                return wxPoint(x, y);
        }
    return wxPoint(-1, -1);
}

struct Rgb {
    int r, g, b;
};
// Straight and Jump markers, the right border, the highlight ring, the band.
const Rgb Straight{50, 50, 255}, Jump{50, 255, 50}, Right{255, 50, 50}, Ring{50, 255, 255}, Band{205, 0, 0};

// Pixels within the box that are about that colour (lines are anti-aliased).
int Count(const wxImage& image, const wxRect& box, Rgb c)
{
    int n = 0;
    const wxRect r = box.Intersect(wxRect(image.GetSize()));
    for (int y = r.y; y <= r.GetBottom(); ++y)
        for (int x = r.x; x <= r.GetRight(); ++x)
            n += std::max({std::abs(image.GetRed(x, y) - c.r), std::abs(image.GetGreen(x, y) - c.g),
                           std::abs(image.GetBlue(x, y) - c.b)}) <= 40;
    return n;
}

// The number of differing pixels, and the box around them.
int Differ(const wxImage& a, const wxImage& b, wxRect& where)
{
    int n = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                a.GetBlue(x, y) != b.GetBlue(x, y))
                where = n++ ? where.Union(wxRect(x, y, 1, 1)) : wxRect(x, y, 1, 1);
    return n;
}

// Whether the change shows, from the screen before the input and now.
using Shows = std::function<bool(const wxImage& before, const wxImage& now)>;

wxRect Around(wxPoint p, int r)
{
    return wxRect(p.x - r, p.y - r, 2 * r + 1, 2 * r + 1);
}

Shows Gains(const wxRect& box, Rgb c, int least)
{
    return [=](const wxImage& before, const wxImage& now) { return Count(now, box, c) - Count(before, box, c) >= least; };
}

Shows Loses(const wxRect& box, Rgb c, int least)
{
    return [=](const wxImage& before, const wxImage& now) { return Count(before, box, c) - Count(now, box, c) >= least; };
}

// Band-coloured pixels along the outline of the band's rectangle.
int BandPixels(const wxImage& image, const wxRect& band)
{
    return Count(image, wxRect(band.x - 1, band.y - 1, band.width + 2, 3), Band) +
           Count(image, wxRect(band.x - 1, band.GetBottom() - 1, band.width + 2, 3), Band) +
           Count(image, wxRect(band.x - 1, band.y + 2, 3, band.height - 4), Band) +
           Count(image, wxRect(band.GetRight() - 1, band.y + 2, 3, band.height - 4), Band);
}

// The picture pixel of a world position: 256 units over 512 pixels, y upwards.
wxPoint Pixel(double x, double y)
{
    return wxPoint(int(std::floor((x + 128) * 2 + 0.5)), int(std::floor((128 - y) * 2 + 0.5)));
}

struct Step {
    std::string name;
    std::vector<std::string> setUp;  // pointer lines before the screen is taken as "before"
    std::vector<std::string> input;  // pointer lines, or "keys" and wtype's arguments
    std::string expected;
    Shows shows;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: wayland_run SHOT_DIR [--keep]\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);  // a pointer tool that stopped is reported, not fatal
    wxInitializer toolkit;
    wxInitAllImageHandlers();
    Screen screen;
    screen.dir = argv[1];
    const bool keep = argc > 2 && std::string(argv[2]) == "--keep";

    std::string output;
    for (const auto start = Clock::now(); !Place(Width, &output); Sleep(200)) {
        if (MsSince(start) > 15000) {
            std::printf("FAIL: no native Wayland (xdg_shell) window of the editor within 15 s: %s\n", output.c_str());
            return 1;
        }
    }
    Sleep(500);
    Place(Width);
    const wxImage picture("terrain.tga", wxBITMAP_TYPE_TGA);
    const wxImage whole = screen.Settled();
    const wxPoint origin = picture.IsOk() ? FindPicture(whole, picture) : wxPoint(-1, -1);
    if (origin.x < 0) {
        std::printf("FAIL: the example picture is nowhere on the screen (%s)\n", screen.Save(whole, "start").c_str());
        return 1;
    }
    screen.area = wxRect(origin, wxSize(picture.GetWidth() + Margin, picture.GetHeight() + Margin));

    // The pointer lives to the end: when it goes, the window forgets its hover.
    FILE* pointer = popen("exec ./virtual-pointer 1280 1024", "w");
    const auto send = [&](const std::string& line) {
        if (std::fprintf(pointer, "%s\n", line.c_str()) < 0 || std::fflush(pointer) != 0) {
            std::printf("FAIL: the pointer tool stopped\n");
            std::exit(1);
        }
    };
    Sleep(500);

    // Empty terrain away from the track; the eighth point, its neighbours 16
    // pixels away, and where it is dragged; the border above the sixth point,
    // outside the loop: right (red) until the direction is reversed.
    const wxPoint empty(80, 440), point = Pixel(0, 55), dragged = point + wxPoint(24, 30);
    const wxRect band(30, 20, 120, 60), outerBorder(Pixel(18.67, 62.3) - wxPoint(17, 6), wxSize(36, 10));
    const auto at = [&](wxPoint p) { return "move " + std::to_string(origin.x + p.x) + " " + std::to_string(origin.y + p.y); };
    const std::vector<Step> steps = {
        {"click", {at(empty)}, {"press", "release"}, "a new point's marker", Gains(Around(empty, 5), Straight, 10)},
        {"hover", {}, {at(point)}, "the ring around the point under the pointer", Gains(Around(point, 13), Ring, 12)},
        {"band", {at(band.GetTopLeft())}, {"press", at({80, 50}), at(band.GetBottomRight())},
         "the outline of the band being dragged",
         [=](const wxImage&, const wxImage& now) { return BandPixels(now, band) >= band.width + band.height; }},
        {"band-release", {}, {"release"}, "the band gone on release",
         [=](const wxImage& before, const wxImage& now) {
             return BandPixels(before, band) - BandPixels(now, band) >= band.width + band.height;
         }},
        {"drag", {at(point)}, {"press", at(point + wxPoint(10, 12)), at(dragged)}, "the dragged point's marker",
         Gains(Around(dragged, 5), Straight, 10)},
        {"key-w", {}, {"keys w"}, "the dragged point's borders wider",
         [=](const wxImage& before, const wxImage& now) {
             wxRect where;
             return Differ(before.GetSubImage(Around(dragged, 20)), now.GetSubImage(Around(dragged, 20)), where) >= 10;
         }},
        {"key-n", {}, {"keys n"}, "the dragged point's marker in the next type's colour", Gains(Around(dragged, 5), Jump, 10)},
        {"key-r", {}, {"keys r"}, "the outer border from red to blue", Loses(outerBorder, Right, 15)},
        {"key-d", {}, {"keys d"}, "the dragged point deleted", Loses(Around(dragged, 5), Jump, 10)},
        {"control-z", {}, {"keys -M ctrl z -m ctrl"}, "the deleted point back", Gains(Around(dragged, 5), Jump, 10)},
    };

    int failed = 0;
    for (const Step& step : steps) {
        for (const std::string& line : step.setUp)
            send(line);
        const wxImage before = screen.Settled();
        for (size_t i = 0; i < step.input.size(); ++i) {
            const std::string& line = step.input[i];
            if (line.compare(0, 5, "keys ") == 0) {
                // Each wtype brings a new virtual keyboard: the toolkit needs a moment to take it.
                if (Shell("wtype -s 1200 " + line.substr(5), &output) != 0) {
                    std::printf("FAIL %s: wtype: %s\n", step.name.c_str(), output.c_str());
                    return 1;
                }
                continue;
            }
            // Paced as a hand paces them: the toolkit drops a motion that comes
            // while it still handles the one before.
            Sleep(i ? 150 : 0);
            send(line);
        }
        const auto sent = Clock::now();
        wxImage now;
        int shownAfter = -1;
        for (int tick = 0; tick <= 10 && shownAfter < 0; ++tick) {
            std::this_thread::sleep_until(sent + std::chrono::milliseconds(50 * tick));
            const int ms = MsSince(sent);
            if (step.shows(before, now = screen.Grab()))
                shownAfter = ms;
        }
        const wxImage shown = screen.Settled();
        const wxImage full = screen.FullRepaint();
        if (!full.IsOk())
            return 1;
        wxRect where;
        const int differing = Differ(shown, full, where);

        if (shownAfter < 0)
            std::printf("FAIL %s: not on the screen within 500 ms: %s\n", step.name.c_str(), step.expected.c_str());
        else
            std::printf("ok   %s: %s, in the screenshot %d ms after the input\n", step.name.c_str(), step.expected.c_str(),
                        shownAfter);
        if (differing)
            std::printf("FAIL %s: the screen differs from a full repaint in %d pixels, within %d,%d %dx%d of the picture\n",
                        step.name.c_str(), differing, where.x, where.y, where.width, where.height);
        if (shownAfter < 0 || differing || keep)
            std::printf("     screenshots: %s %s %s %s\n", screen.Save(before, step.name + "-1-before").c_str(),
                        screen.Save(now, step.name + "-2-last-polled").c_str(),
                        screen.Save(shown, step.name + "-3-settled").c_str(),
                        screen.Save(full, step.name + "-4-full-repaint").c_str());
        failed += (shownAfter < 0) + (differing != 0);
        std::fflush(stdout);
    }
    pclose(pointer);
    std::printf("%zu checks, %d failed\n", 2 * steps.size(), failed);
    return failed ? 1 : 0;
}
