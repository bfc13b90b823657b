// Drives the editor on a running sway and checks on screenshots that each change
// of the canvas shows without a resize, and shows what a full repaint shows.
// run.sh prepares the folder this runs in: the compositor, the editor with the
// example files, the pointer tool. Usage: wayland_run SHOT_DIR [--keep]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <wx/image.h>
#include <wx/init.h>

namespace {

using Clock = std::chrono::steady_clock;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
int MsSince(Clock::time_point start) { return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()); }
template <class... T> std::string Cat(const T&... parts) { std::ostringstream s; (s << ... << parts); return s.str(); }

// A failure after which nothing more can be checked.
template <class... T> [[noreturn]] void Fail(const T&... parts)
{
    std::printf("FAIL%s\n", Cat(parts...).c_str());
    std::exit(1);
}

std::string said;  // what the last command wrote

// Runs a command line of our own making for ten seconds at most: whether it succeeded.
bool Shell(const std::string& command)
{
    said.clear();
    FILE* pipe = popen(("timeout 10 " + command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        said.append(buffer, n);
    return pipe && pclose(pipe) == 0;
}

// The window floats at a known place, large enough for the whole example picture
// and a margin beyond it, where the band may reach past the picture. Only a
// native Wayland window matches: one through X11 would hide the fault.
constexpr int Left = 100, Top = 100, Width = 800, Height = 700, Margin = 16;

// The place is given with every resize: sway has been seen to move a floating
// window as it resized it.
bool Place(int width)
{
    return Shell(Cat("swaymsg '[title=\"^VORN Spline Editor\" shell=\"xdg_shell\"] floating enable, resize set ", width, " ",
                     Height, ", move position ", Left, " ", Top, "'"));
}

// The number of differing pixels, and the box around them.
int Differ(const wxImage& a, const wxImage& b, wxRect* where = nullptr)
{
    int n = 0;
    wxRect box;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) || a.GetBlue(x, y) != b.GetBlue(x, y))
                box = n++ ? box.Union(wxRect(x, y, 1, 1)) : wxRect(x, y, 1, 1);
    if (where)
        *where = box;
    return n;
}

struct Screen {
    std::string dir;
    wxRect area{0, 0, 1280, 1024};  // then the picture and the margin

    wxImage Grab(const wxRect& r)
    {
        wxImage image;
        if (!Shell(Cat("grim -l 1 -g '", r.x, ",", r.y, " ", r.width, "x", r.height, "' ", dir, "/.grab.png")) ||
            !image.LoadFile(dir + "/.grab.png", wxBITMAP_TYPE_PNG))
            Fail(": no screenshot: ", said);
        return image;
    }
    // Once two shots 50 ms apart agree.
    wxImage Settled()
    {
        wxImage last = Grab(area), next;
        for (int i = 0; i < 30 && (Sleep(50), Differ(next = Grab(area), last)); ++i)
            last = next;
        return last;
    }
    // A one-pixel resize and back makes the toolkit paint the whole window anew;
    // the edges drawn near its right side move with it, which shows that it did.
    wxImage FullRepaint()
    {
        const wxRect edge(Left + Width - 40, Top + 40, 34, Height - 46);
        const wxImage before = Grab(edge);
        for (const int width : {Width + 1, Width}) {
            wxImage now;
            bool moved = false;
            for (int i = 0; i < 40 && !moved && Place(width); ++i)
                moved = (Sleep(50), Differ(now = Grab(edge), before) != 0) == (width != Width);
            if (!moved)
                Fail(": the editor did not repaint within 2 s of a resize to ", width, " x ", Height, " (",
                     now.IsOk() ? Save(now, "resize") : "no screenshot", ": the window's right side)");
        }
        return Settled();
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

// Straight and Jump markers, the right border, the highlight ring, the band.
struct Rgb { int r, g, b; };
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

// Whether the change shows, from the screen before the input and now.
using Shows = std::function<bool(const wxImage& before, const wxImage& now)>;

wxRect Around(wxPoint p, int r) { return wxRect(p.x - r, p.y - r, 2 * r + 1, 2 * r + 1); }

// At least `by` more pixels of about that colour within the box but not the
// hole, or with a negative `by`, at least that many fewer.
Shows Change(const wxRect& box, Rgb c, int by, const wxRect& hole = wxRect())
{
    return [=](const wxImage& before, const wxImage& now) {
        const int more = Count(now, box, c) - Count(now, hole, c) - Count(before, box, c) + Count(before, hole, c);
        return by > 0 ? more >= by : more <= by;
    };
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

    for (const auto start = Clock::now(); !Place(Width); Sleep(200))
        if (MsSince(start) > 15000)
            Fail(": no native Wayland (xdg_shell) window of the editor within 15 s: ", said);
    Sleep(500);
    Place(Width);
    const wxImage picture("terrain.tga", wxBITMAP_TYPE_TGA);
    const wxImage whole = screen.Settled();
    const wxPoint origin = picture.IsOk() ? FindPicture(whole, picture) : wxPoint(-1, -1);
    if (origin.x < 0)
        Fail(": the example picture is nowhere on the screen (", screen.Save(whole, "start"), ")");
    screen.area = wxRect(origin, wxSize(picture.GetWidth() + Margin, picture.GetHeight() + Margin));

    // The pointer lives to the end: when it goes, the window forgets its hover.
    FILE* pointer = popen("exec ./virtual-pointer 1280 1024", "w");
    const auto send = [&](const std::string& line) {
        if (std::fprintf(pointer, "%s\n", line.c_str()) < 0 || std::fflush(pointer) != 0)
            Fail(": the pointer tool stopped");
    };
    Sleep(500);

    // Empty terrain away from the track; the eighth point, its neighbours 16
    // pixels away, and where it is dragged; the border above the sixth point,
    // outside the loop: right (red) until the direction is reversed.
    const wxPoint empty(80, 440), point = Pixel(0, 55), dragged = point + wxPoint(24, 30);
    const wxRect band(30, 20, 120, 60), outerBorder(Pixel(18.67, 62.3) - wxPoint(17, 6), wxSize(36, 10));
    const wxRect outline = band.Inflate(1, 1), inside = band.Deflate(2, 2);  // give or take a pixel
    const auto at = [&](wxPoint p) { return Cat("move ", origin.x + p.x, " ", origin.y + p.y); };
    const std::vector<Step> steps = {
        {"click", {at(empty)}, {"press", "release"}, "a new point's marker", Change(Around(empty, 5), Straight, 10)},
        {"hover", {}, {at(point)}, "the ring around the point under the pointer", Change(Around(point, 13), Ring, 12)},
        {"band", {at(band.GetTopLeft())}, {"press", at({80, 50}), at(band.GetBottomRight())},
         "the outline of the band being dragged", Change(outline, Band, band.width + band.height, inside)},
        {"band-release", {}, {"release"}, "the band gone on release",
         Change(outline, Band, -(band.width + band.height), inside)},
        {"drag", {at(point)}, {"press", at(point + wxPoint(10, 12)), at(dragged)}, "the dragged point's marker",
         Change(Around(dragged, 5), Straight, 10)},
        {"key-w", {}, {"keys w"}, "the dragged point's borders wider", [=](const wxImage& before, const wxImage& now) {
             return Differ(before.GetSubImage(Around(dragged, 20)), now.GetSubImage(Around(dragged, 20))) >= 10;
         }},
        {"key-n", {}, {"keys n"}, "the dragged point's marker in the next type's colour", Change(Around(dragged, 5), Jump, 10)},
        {"key-r", {}, {"keys r"}, "the outer border from red to blue", Change(outerBorder, Right, -15)},
        {"key-d", {}, {"keys d"}, "the dragged point deleted", Change(Around(dragged, 5), Jump, -10)},
        {"control-z", {}, {"keys -M ctrl z -m ctrl"}, "the deleted point back", Change(Around(dragged, 5), Jump, 10)},
    };

    int failed = 0;
    for (const Step& step : steps) {
        for (const std::string& line : step.setUp)
            send(line);
        const wxImage before = screen.Settled();
        for (size_t i = 0; i < step.input.size(); ++i) {
            const std::string& line = step.input[i];
            const bool keys = line.compare(0, 5, "keys ") == 0;
            // Each wtype brings a new virtual keyboard: the toolkit needs a moment to take it.
            if (keys && !Shell("wtype -s 1200 " + line.substr(5)))
                Fail(" ", step.name, ": wtype: ", said);
            // Pointer lines paced as a hand paces them: the toolkit drops a motion
            // that comes while it still handles the one before.
            if (!keys)
                Sleep(i ? 150 : 0), send(line);
        }
        const auto sent = Clock::now();
        wxImage now;
        int shownAfter = -1;
        for (int tick = 0; tick <= 10 && shownAfter < 0; ++tick) {
            std::this_thread::sleep_until(sent + std::chrono::milliseconds(50 * tick));
            const int ms = MsSince(sent);
            if (step.shows(before, now = screen.Grab(screen.area)))
                shownAfter = ms;
        }
        const wxImage shown = screen.Settled();
        const wxImage full = screen.FullRepaint();
        wxRect where;
        const int differing = Differ(shown, full, &where);

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
    // The close box, with the steps' changes unsaved, brings up the question:
    // Cancel keeps the window, Save saves and ends the editor. The pointer
    // answers (wtype's keys reach no GTK dialog here), once the button that the
    // drag left down is up: in the focused window, three buttons across its foot.
    send("release");
    long points = 0, saved = 0;
    std::ifstream("track.txt") >> points;
    for (const auto& [button, left] : {std::pair{"Cancel", 1}, {"Save", 0}}) {
        Shell("swaymsg '[title=\"^VORN Spline Editor\" shell=\"xdg_shell\"] kill'");
        wxRect box;
        const auto until = [&](int n) {  // windows of the editor within 5 s, the focused one in box
            for (const auto start = Clock::now(); MsSince(start) < 5000; Sleep(100)) {
                Shell("swaymsg -t get_tree");
                size_t at = said.find("\"rect\"", said.find("\"focused\": true")), windows = 0;
                std::sscanf(said.c_str() + std::min(at, said.size()), "\"rect\": { \"x\": %d, \"y\": %d, \"width\": %d, \"height\": %d",
                            &box.x, &box.y, &box.width, &box.height);
                for (at = 0; (at = said.find("\"name\": \"VORN Spline Editor", at)) != said.npos; ++at)
                    ++windows;
                if (int(windows) == n)
                    return true;
            }
            return false;
        };
        const bool asked = until(2);
        send(Cat("move ", box.x + box.width * (left ? 3 : 5) / 6, " ", box.GetBottom() - 20)), Sleep(300);
        send("press"), Sleep(150), send("release");
        const bool answered = asked && until(left);
        std::printf("%s close-%s: the question %s\n", answered ? "ok  " : "FAIL", button,
                    !asked ? "did not come up" : answered ? "came up and was answered" : "had no effect");
        failed += !answered;
    }
    pclose(pointer);
    std::ifstream("track.txt") >> saved;
    std::printf("%s close-saved: %ld points saved, %ld before\n", saved == points + 1 ? "ok  " : "FAIL", saved, points);
    failed += saved != points + 1;
    std::printf("%zu checks, %d failed\n", 2 * steps.size() + 3, failed);
    return failed ? 1 : 0;
}
