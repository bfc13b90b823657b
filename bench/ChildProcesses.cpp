#include "ChildProcesses.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/timer.h>

#include "app/EditorApp.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "model/TrackPath.h"

namespace {

// The loop ends once the paint under way is done.
void Painted()
{
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
        loop->ScheduleExit();
}

void WatchFirstPaint(wxWindow* window)
{
    window->Bind(wxEVT_PAINT, [](wxPaintEvent& event) {
        Painted();
        event.Skip();  // the window still paints as it always does
    });
}

class BareApp : public wxApp {
public:
    bool OnInit() override
    {
        auto* frame = new wxFrame(nullptr, wxID_ANY, "bare", wxPoint(50, 50), wxSize(600, 600));
        auto* canvas = new wxWindow(frame, wxID_ANY);
        canvas->Bind(wxEVT_PAINT, [canvas](wxPaintEvent&) {
            Painted();
            wxPaintDC dc(canvas);
            dc.Clear();
        });
        frame->Centre();
        frame->Show(true);
        return true;
    }
};

bool StartApp(wxApp* app)
{
    wxApp::SetInstance(app);
    int argc = 1;
    char name[] = "vsebench";
    char* argv[] = {name, nullptr};
    return wxEntryStart(argc, argv);
}

long ResidentBytes()
{
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    const bool read = std::fscanf(statm, "%ld %ld", &pages, &resident) == 2;
    std::fclose(statm);
    return read ? resident * ::sysconf(_SC_PAGESIZE) : -1;
}

}  // namespace

int RunStartupChild(const char* what)
{
    const bool app = std::strcmp(what, "app") == 0;
    if (!StartApp(app ? static_cast<wxApp*>(new EditorApp()) : new BareApp()))
        return 2;
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    if (!wxTheApp->CallOnInit())
        return 3;
    if (app)
        WatchFirstPaint(MainWindow::Instance()->canvas);
    // A window that never paints fails the run instead of holding it up.
    wxTimer giveUp;
    giveUp.Bind(wxEVT_TIMER, [](wxTimerEvent&) { ::_exit(4); });
    giveUp.StartOnce(10000);
    // Dispatch alone would return after one pass: without a running loop GTK
    // takes every pass for the last.
    loop.Run();
    ::_exit(0);  // both children skip teardown alike
}

int RunMemoryChild(const char* pathFile)
{
    if (!StartApp(new EditorApp()))
        return 2;
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    if (!wxTheApp->CallOnInit())
        return 3;
    // Freed heap pages that are still resident would take in part of the path unseen.
    ::malloc_trim(0);
    const long before = ResidentBytes();
    auto* path = new TrackPath(pathFile);
    const long after = ResidentBytes();
    if (!path->valid || before < 0 || after < 0)
        return 4;
    std::printf("%ld\n", after - before);
    std::fflush(stdout);
    ::_exit(0);  // the path is not freed: its memory was all that was asked about
}

namespace {

// Runs this program with the arguments and the environment's extra entries;
// what it prints, or an empty string when it failed.
std::string RunChild(std::vector<std::string> args, const std::vector<std::string>& extraEnvironment)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), "/proc/self/exe");
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env(extraEnvironment);
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);  // later entries lose to the extra ones
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    const bool spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string said;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, std::size_t(n));
    ::close(out[0]);
    int status = 0;
    if (!spawned || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return said;
}

}  // namespace

std::string RunScaledRound(const std::string& names, int scale)
{
    return RunChild({"--scaled-round", names}, {"GDK_SCALE=" + std::to_string(scale)});
}

double MeasureBytesPerPoint(const std::string& pathFile, int points)
{
    const std::string said = RunChild({"--memory-child", pathFile}, {});
    char* end = nullptr;
    const long added = std::strtol(said.c_str(), &end, 10);
    return end != said.c_str() && added >= 0 ? double(added) / points : 0.0;
}
