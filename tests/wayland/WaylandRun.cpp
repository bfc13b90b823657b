// Drives the editor on a running wlroots compositor and checks on its screenshots
// that every canvas change shows without a resize, and shows what a full repaint
// would. run.sh starts the compositor and the editor with the example files.
// Usage: wayland_run POINTER_TOOL PICTURE SHOT_DIR [--keep]
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
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

pid_t Spawn(const std::vector<std::string>& args, int in, int out)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (in >= 0)
            dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Reads what fd has until it ends or the deadline passes; false on the deadline.
bool ReadUntil(int fd, std::string& text, Clock::time_point deadline, const std::string& stop = "")
{
    for (;;) {
        if (!stop.empty() && text.find(stop) != std::string::npos)
            return true;
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return stop.empty();
        text.append(buffer, size_t(n));
    }
}

// Runs a program to its end, killed after timeoutMs; its exit code, or -1.
int Run(const std::vector<std::string>& args, std::string* output = nullptr, int timeoutMs = 10000)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    const pid_t pid = Spawn(args, -1, out[1]);
    close(out[1]);
    std::string text;
    const bool ended = ReadUntil(out[0], text, Clock::now() + std::chrono::milliseconds(timeoutMs));
    close(out[0]);
    if (!ended) {
        kill(pid, SIGKILL);
        text += args[0] + " took longer than " + std::to_string(timeoutMs) + " ms";
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (output)
        *output = text;
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The virtual pointer tool, kept alive from the first move to the end.
class Pointer {
public:
    bool Start(const std::string& tool)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return false;
        pid = Spawn({tool, "1280", "1024"}, in[0], out[1]);
        close(in[0]);
        close(out[1]);
        to = in[1];
        from = out[0];
        return Await("ready\n");
    }
    // Sends one line and waits until the compositor has it.
    bool Send(const std::string& line)
    {
        const std::string text = line + "\n";
        return write(to, text.data(), text.size()) == ssize_t(text.size()) && Await("ok\n");
    }
    ~Pointer()
    {
        if (pid <= 0)
            return;
        close(to);
        close(from);
        Sleep(100);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

private:
    bool Await(const std::string& word)
    {
        std::string text;
        const bool ok = ReadUntil(from, text, Clock::now() + std::chrono::seconds(5), word);
        if (!ok)
            std::fprintf(stderr, "the pointer tool did not answer: %s\n", text.c_str());
        return ok;
    }
    pid_t pid = -1;
    int to = -1, from = -1;
};

// Where the window goes: at a known place, large enough for the whole example
// picture with room beyond it, which is where the band may reach past it.
const std::string Window = "[title=\"^VORN Spline Editor\" shell=\"xdg_shell\"] ";
constexpr int Left = 100, Top = 100, Width = 800, Height = 700;
constexpr int Margin = 16;

bool Same(const wxImage& a, const wxImage& b)
{
    return a.IsOk() && b.IsOk() && a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + 3 * a.GetWidth() * a.GetHeight(), b.GetData());
}

// Floating at a known place and size; the place is given again each time, as
// sway has been seen to move a floating window that it resized.
bool Place(int width, std::string* output = nullptr)
{
    const std::string command = "floating enable, resize set " + std::to_string(width) + " " +
                                std::to_string(Height) + ", move position " + std::to_string(Left) + " " +
                                std::to_string(Top);
    return Run({"swaymsg", Window + command}, output) == 0;
}

struct Screen {
    std::string dir;
    wxRect area{0, 0, 1280, 1024};  // then the picture and a margin beyond it

    wxImage Grab(const wxRect& r)
    {
        const std::string file = dir + "/.grab.png";
        const std::string geometry = std::to_string(r.x) + "," + std::to_string(r.y) + " " +
                                     std::to_string(r.width) + "x" + std::to_string(r.height);
        std::string output;
        wxImage image;
        if (Run({"grim", "-l", "1", "-g", geometry, file}, &output) != 0 || !image.LoadFile(file, wxBITMAP_TYPE_PNG)) {
            std::printf("FAIL: no screenshot: %s\n", output.c_str());
            std::exit(1);  // nothing can be checked any more
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
                return next;
            last = next;
        }
        return last;
    }
    // A one-pixel resize and back makes the toolkit paint the whole window
    // anew. Its right edge shows that it did: the edges drawn there move.
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
        if (!Place(width))
            return false;
        wxImage now;
        for (int i = 0; i < 40; ++i) {
            Sleep(50);
            now = Grab(edge);
            if (done(now))
                return true;
        }
        std::printf("FAIL: the editor did not repaint within 2 s of a resize to %d x %d (%s: the window's right edge)\n",
                    width, Height, Save(now, "resize-" + std::to_string(width)).c_str());
        return false;
    }
    std::string Save(const wxImage& image, const std::string& name)
    {
        const std::string file = dir + "/" + name + ".png";
        image.SaveFile(file, wxBITMAP_TYPE_PNG);
        return name + ".png";
    }
};

// The top-left corner of the picture on the screen: where a block of its pixels
// appears (the path lies far from that corner), or (-1, -1).
wxPoint FindPicture(const wxImage& screen, const wxImage& picture)
{
    constexpr int Block = 24;
    const int sw = screen.GetWidth(), pw = picture.GetWidth();
    const unsigned char *s = screen.GetData(), *p = picture.GetData();
    for (int y = 0; y + picture.GetHeight() <= screen.GetHeight(); ++y)
        for (int x = 0; x + pw <= sw; ++x) {
            bool same = true;
            for (int by = 0; by < Block && same; ++by)
                same = std::equal(p + 3 * by * pw, p + 3 * (by * pw + Block), s + 3 * ((y + by) * sw + x));
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

// Pixels of about that colour within the box.
int Count(const wxImage& image, const wxRect& box, Rgb c)
{
    int n = 0;
    const wxRect r = box.Intersect(wxRect(0, 0, image.GetWidth(), image.GetHeight()));
    for (int y = r.y; y < r.GetBottom() + 1; ++y)
        for (int x = r.x; x < r.GetRight() + 1; ++x) {
            const int d = std::max({std::abs(image.GetRed(x, y) - c.r), std::abs(image.GetGreen(x, y) - c.g),
                                    std::abs(image.GetBlue(x, y) - c.b)});
            n += d <= 40;
        }
    return n;
}

// Differing pixels and the box around them.
int Differ(const wxImage& a, const wxImage& b, wxRect* where = nullptr)
{
    int n = 0;
    wxRect box;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) ||
                a.GetBlue(x, y) != b.GetBlue(x, y)) {
                box = n++ ? box.Union(wxRect(x, y, 1, 1)) : wxRect(x, y, 1, 1);
            }
    if (where)
        *where = box;
    return n;
}

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

// The band's outline, two pixels wide, over the band's rectangle.
int BandPixels(const wxImage& image, const wxRect& band)
{
    return Count(image, wxRect(band.x - 1, band.y - 1, band.width + 2, 3), Band) +
           Count(image, wxRect(band.x - 1, band.GetBottom() - 1, band.width + 2, 3), Band) +
           Count(image, wxRect(band.x - 1, band.y + 2, 3, band.height - 4), Band) +
           Count(image, wxRect(band.GetRight() - 1, band.y + 2, 3, band.height - 4), Band);
}

// The picture pixel of a world position of the example track (y upwards).
wxPoint Pixel(double x, double y)
{
    return wxPoint(int(std::floor((x + 128) * 2 + 0.5)), int(std::floor((128 - y) * 2 + 0.5)));
}

struct Step {
    std::string name;
    std::vector<std::string> setUp;  // pointer lines sent before the "before" shot
    std::vector<std::string> input;  // pointer lines, or the arguments of wtype
    bool keys;
    std::string expected;
    Shows shows;
};

std::string Move(wxPoint p, const wxPoint& origin)
{
    return "move " + std::to_string(origin.x + p.x) + " " + std::to_string(origin.y + p.y);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: wayland_run POINTER_TOOL PICTURE SHOT_DIR [--keep]\n");
        return 2;
    }
    wxInitializer toolkit;
    wxInitAllImageHandlers();
    const std::string pointerTool = argv[1];
    const bool keep = argc > 4 && std::string(argv[4]) == "--keep";
    Screen screen;
    screen.dir = argv[3];

    // Only a native Wayland window matches: an X11 one would hide the fault.
    const auto start = Clock::now();
    std::string output;
    while (!Place(Width, &output)) {
        if (MsSince(start) > 15000) {
            Run({"swaymsg", "-t", "get_tree"}, &output);
            const bool x11 = output.find("\"shell\": \"xwayland\"") != std::string::npos;
            std::printf("FAIL: %s\n", x11 ? "the editor's window came up through XWayland, not as a native Wayland client"
                                          : "no native Wayland window of the editor appeared within 15 s");
            return 1;
        }
        Sleep(200);
    }
    Sleep(500);
    Place(Width);
    const wxImage picture(argv[2], wxBITMAP_TYPE_TGA);
    const wxImage whole = screen.Settled();
    const wxPoint origin = picture.IsOk() ? FindPicture(whole, picture) : wxPoint(-1, -1);
    if (origin.x < 0) {
        std::printf("FAIL: the example picture is nowhere on the screen (%s)\n", screen.Save(whole, "start").c_str());
        return 1;
    }
    screen.area = wxRect(origin, wxSize(picture.GetWidth() + Margin, picture.GetHeight() + Margin));
    std::printf("the picture's corner is at %d,%d on the screen\n", origin.x, origin.y);

    Pointer pointer;
    if (!pointer.Start(pointerTool))
        return 1;

    // Empty terrain away from the track, a point of the track (the eighth, with
    // its neighbours 16 pixels away), and where that point is dragged.
    const wxPoint empty(80, 440), point = Pixel(0, 55), dragged(point.x + 24, point.y + 30);
    const wxRect band(30, 20, 120, 60);
    // The border above the sixth point, outside the loop: the right one, then the left.
    const wxRect outerBorder(Pixel(18.67, 62.3) - wxPoint(17, 6), wxSize(36, 10));
    const auto at = [&](wxPoint p) { return Move(p, origin); };
    const std::vector<Step> steps = {
        {"click", {at(empty)}, {"press", "release"}, false, "a new point's marker", Gains(Around(empty, 5), Straight, 10)},
        {"hover", {}, {at(point)}, false, "the highlight ring around the point under the pointer", Gains(Around(point, 13), Ring, 12)},
        {"band", {at(band.GetTopLeft())}, {"press", at({80, 50}), at(band.GetBottomRight())}, false,
         "the outline of the band being dragged",
         [=](const wxImage&, const wxImage& now) { return BandPixels(now, band) >= band.width + band.height; }},
        {"band-release", {}, {"release"}, false, "the band gone on release",
         [=](const wxImage& before, const wxImage& now) { return BandPixels(before, band) - BandPixels(now, band) >= band.width + band.height; }},
        {"drag", {at(point)}, {"press", at({point.x + 10, point.y + 12}), at(dragged)}, false,
         "the dragged point's marker at its new place", Gains(Around(dragged, 5), Straight, 10)},
        {"key-w", {}, {"w"}, true, "the borders of the dragged point wider",
         [=](const wxImage& before, const wxImage& now) {
             return Differ(before.GetSubImage(Around(dragged, 20)), now.GetSubImage(Around(dragged, 20))) >= 10;
         }},
        {"key-n", {}, {"n"}, true, "the dragged point's marker in the next type's colour", Gains(Around(dragged, 5), Jump, 10)},
        {"key-r", {}, {"r"}, true, "the outer border turned from red to blue", Loses(outerBorder, Right, 15)},
        {"key-d", {}, {"d"}, true, "the dragged point deleted", Loses(Around(dragged, 5), Jump, 10)},
        {"control-z", {}, {"-M", "ctrl", "z", "-m", "ctrl"}, true, "the deleted point back", Gains(Around(dragged, 5), Jump, 10)},
    };

    int failed = 0;
    for (const Step& step : steps) {
        for (const std::string& line : step.setUp)
            if (!pointer.Send(line))
                return 1;
        const wxImage before = screen.Settled();

        if (step.keys) {
            // A new virtual keyboard each time: give the toolkit time to take its keymap.
            std::vector<std::string> args = {"wtype", "-s", "1200"};
            args.insert(args.end(), step.input.begin(), step.input.end());
            if (Run(args, &output) != 0) {
                std::printf("FAIL %s: wtype failed: %s\n", step.name.c_str(), output.c_str());
                return 1;
            }
        } else {
            // A pause after each line, as a hand makes: the toolkit drops a
            // motion that comes while it still handles the one before.
            for (size_t i = 0; i < step.input.size(); ++i) {
                if (i > 0)
                    Sleep(150);
                if (!pointer.Send(step.input[i]))
                    return 1;
            }
        }
        const auto sent = Clock::now();
        wxImage now;
        int shownAfter = -1;
        for (int tick = 0; tick <= 10 && shownAfter < 0; ++tick) {
            std::this_thread::sleep_until(sent + std::chrono::milliseconds(50 * tick));
            now = screen.Grab();
            if (step.shows(before, now))
                shownAfter = MsSince(sent);
        }
        const wxImage shown = screen.Settled();
        const wxImage full = screen.FullRepaint();
        if (!full.IsOk())
            return 1;
        wxRect where;
        const int differing = Differ(shown, full, &where);

        std::string shots;
        if (shownAfter < 0 || differing || keep)
            shots = screen.Save(before, step.name + "-before") + ", " + screen.Save(now, step.name + "-polled") + ", " +
                    screen.Save(shown, step.name + "-shown") + ", " + screen.Save(full, step.name + "-full");
        if (shownAfter < 0)
            std::printf("FAIL %s: not on the screen within 500 ms: %s (%s)\n", step.name.c_str(), step.expected.c_str(),
                        shots.c_str());
        else
            std::printf("ok   %s: %s, on the screen after %d ms\n", step.name.c_str(), step.expected.c_str(), shownAfter);
        if (differing)
            std::printf("FAIL %s: the screen differs from a full repaint in %d pixels within %d,%d %dx%d of the picture (%s)\n",
                        step.name.c_str(), differing, where.x, where.y, where.width, where.height, shots.c_str());
        failed += (shownAfter < 0) + (differing != 0);
        std::fflush(stdout);
    }
    std::printf("%zu checks, %d failed\n", 2 * steps.size(), failed);
    return failed ? 1 : 0;
}
