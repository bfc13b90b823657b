// Runs the benchmarks inside the real application and prints each figure as a
// ratio against a baseline measured in the same run. The machine is shared, so
// every subject and its baseline run one after the other, several rounds over,
// and each figure is the median of its rounds.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>
#include <unistd.h>

#include "BenchFiles.h"
#include "ChildProcesses.h"
#include "app/EditorApp.h"

namespace {

class QuietLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

// "BM_Load/iterations:2" is kept as "BM_Load".
std::string BaseName(const std::string& name)
{
    const auto cut = name.find("/iterations:");
    return cut == std::string::npos ? name : name.substr(0, cut);
}

// Collects the mean time per iteration of every run, in nanoseconds, by
// benchmark name, on the wall clock and on this thread's CPU clock; prints
// nothing but a dot per run, so the rounds stay readable.
class Recorder : public benchmark::BenchmarkReporter {
public:
    std::map<std::string, std::vector<double>> wallNs, cpuNs;
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = BaseName(run.benchmark_name());
            if (run.error_occurred) {
                std::fprintf(stderr, "\n%s: %s\n", name.c_str(), run.error_message.c_str());
                continue;
            }
            const double unit = run.time_unit == benchmark::kMillisecond   ? 1e6
                                : run.time_unit == benchmark::kMicrosecond ? 1e3
                                                                           : 1.0;
            wallNs[name].push_back(run.GetAdjustedRealTime() * unit);
            cpuNs[name].push_back(run.GetAdjustedCPUTime() * unit);
        }
        std::fputc('.', stderr);
    }
};

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

std::string Time(double ns)
{
    char text[32];
    if (ns >= 1e6)
        std::snprintf(text, sizeof text, "%.2f ms", ns / 1e6);
    else if (ns >= 1e3)
        std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
    else
        std::snprintf(text, sizeof text, "%.0f ns", ns);
    return text;
}

// Work done wholly in this thread is timed on its CPU clock, which the other
// users of a shared machine do not stretch; work that waits for the X server,
// the disk or a child process is timed on the wall clock.
enum Clock { Cpu, Wall };

struct Figure {
    const char* label;
    Clock clock;
    const char* subject;  // benchmark name of the numerator
    const char* baseline;
    const char* subjectWord;
    const char* baselineWord;
};

// Subject over baseline: how many times slower the subject is (for the octree,
// how many times faster than the linear scan, so the scan is the subject).
const Figure Figures[] = {
    {"startup-vs-bare-frame", Wall, "BM_Startup/1", "BM_Startup/0", "editor", "bare frame"},
    {"octree-query-1k-vs-linear", Cpu, "BM_LinearQuery/1000", "BM_OctreeQuery/1000", "linear", "octree"},
    {"octree-query-10k-vs-linear", Cpu, "BM_LinearQuery/10000", "BM_OctreeQuery/10000", "linear", "octree"},
    {"octree-query-100k-vs-linear", Cpu, "BM_LinearQuery/100000", "BM_OctreeQuery/100000", "linear", "octree"},
    {"hover-100k-vs-linear", Cpu, "BM_LinearPointQuery/100000", "BM_HoverHitTest/100000", "linear", "octree"},
    {"repaint-2048-10k-vs-blit", Wall, "BM_Repaint/10000", "BM_BareBlit", "mouse move", "blit"},
    {"repaint-2048-100k-vs-blit", Wall, "BM_Repaint/100000", "BM_BareBlit", "mouse move", "blit"},
    {"edit-repaint-2048-10k-vs-blit", Wall, "BM_EditRepaint/10000", "BM_BareBlit", "drag step", "blit"},
    {"edit-repaint-2048-100k-vs-blit", Wall, "BM_EditRepaint/100000", "BM_BareBlit", "drag step", "blit"},
    {"undo-repaint-2048-100k-vs-blit", Wall, "BM_UndoRepaint/100000", "BM_BareBlit", "undo", "blit"},
    {"full-repaint-2048-100k-vs-blit", Wall, "BM_FullRepaint/100000", "BM_BareBlit", "whole view", "blit"},
    {"full-repaint-2048-1k-vs-blit", Wall, "BM_FullRepaint/1000", "BM_BareBlit", "whole view", "blit"},
    // "@2": run in a child whose windows are at the screen scale of 2.
    {"edit-repaint-2048-100k-scale2-vs-blit", Wall, "BM_EditRepaint/100000@2", "BM_BareBlit@2", "drag step", "blit"},
    {"edit-repaint-2048-1m-vs-blit", Wall, "BM_EditRepaint/1000000", "BM_BareBlit", "drag step", "blit"},
    {"snapshot-100k-vs-memcpy", Cpu, "BM_Snapshot/100000", "BM_SnapshotBytes/100000", "snapshot", "memcpy"},
    {"load-1m-vs-fscanf", Cpu, "BM_LoadPath1M", "BM_BareFscanf1M", "load", "fscanf"},
    {"save-1m-vs-fprintf", Wall, "BM_SavePath1M", "BM_BareFprintf1M", "save", "fprintf"},
    {"tga-4096-vs-wximage", Cpu, "BM_ReadTga4096", "BM_WxImageTga4096", "reader", "wxImage"},
    {"tga-4096-vs-fread", Cpu, "BM_ReadTga4096", "BM_BareFread4096", "reader", "fread"},
};

// Operations whose cost is shown at 1k, 10k and 100k points.
struct GrowthFigure {
    const char* label;
    Clock clock;
    const char* benchmark;
};
const GrowthFigure Growth[] = {
    {"hit-test", Cpu, "BM_OctreeQuery"},  {"update-point", Cpu, "BM_UpdatePointPosition"},
    {"repaint-2048", Wall, "BM_Repaint"}, {"edit-repaint-2048", Wall, "BM_EditRepaint"},
    {"undo-repaint-2048", Wall, "BM_UndoRepaint"}, {"full-repaint-2048", Wall, "BM_FullRepaint"},
    {"snapshot", Cpu, "BM_Snapshot"},     {"delete-all", Cpu, "BM_DeleteAll"},
};
const char* const Sizes[] = {"1000", "10000", "100000"};

int Rounds(int& argc, char** argv)
{
    int rounds = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) != 0)
            continue;
        rounds = std::max(5, std::atoi(argv[i] + 9));  // fewer would not give a steady median
        std::copy(argv + i + 1, argv + argc + 1, argv + i);
        --argc;
        break;
    }
    return rounds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--startup-child")
        return RunStartupChild(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--memory-child")
        return RunMemoryChild(argv[2]);
    const std::string scaledRound = argc == 3 && std::string(argv[1]) == "--scaled-round" ? argv[2] : "";
    if (!scaledRound.empty())
        argc = 1;
    const int rounds = Rounds(argc, argv);
    const bool plain = argc > 1 && std::string(argv[1]) == "--plain";
    if (plain)
        std::copy(argv + 2, argv + argc + 1, argv + 1), --argc;
    // Short runs are enough: the rounds, not the length of each run, steady the figures.
    std::vector<char*> args(argv, argv + argc);
    char minTime[] = "--benchmark_min_time=0.1";
    args.insert(args.begin() + 1, minTime);  // a later flag given by the caller wins
    int benchArgc = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&benchArgc, args.data());

    wxApp::SetInstance(new EditorApp());
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv))
        return 2;
    wxInitAllImageHandlers();
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    wxLog::SetActiveTarget(new QuietLog());
    wxTheApp->CallOnInit();
    for (int i = 0; i < 100; ++i) {
        while (wxTheApp->Pending())
            wxTheApp->Dispatch();
        wxMilliSleep(10);
    }

    if (!scaledRound.empty()) {
        // One round for the parent, which started this child at another screen scale.
        Recorder recorder;
        benchmark::RunSpecifiedBenchmarks(&recorder, scaledRound);
        for (const auto& [name, wall] : recorder.wallNs)
            for (std::size_t i = 0; i < wall.size(); ++i)
                std::printf("%s %.0f %.0f\n", name.c_str(), wall[i], recorder.cpuNs[name][i]);
        std::fflush(stdout);
        ::_exit(0);  // as the other children, no teardown
    }
    if (plain) {
        // Google Benchmark's own listing, for a look at single benchmarks.
        benchmark::RunSpecifiedBenchmarks();
        RemoveTempFiles();
        wxTheApp->OnExit();
        wxEntryCleanup();
        return 0;
    }

    // Each round runs every subject right before its baseline, then the growth sizes.
    std::vector<std::string> order;
    std::set<std::string> listed;
    auto add = [&](const std::string& name) {
        if (listed.insert(name).second)
            order.push_back(name);
    };
    for (const Figure& f : Figures) {
        add(f.subject);
        add(f.baseline);
    }
    for (const auto& g : Growth)
        for (const char* n : Sizes)
            add(std::string(g.benchmark) + "/" + n);

    // --benchmark_filter=REGEX narrows the run, for a closer look at a few figures.
    const std::string filter = benchmark::GetBenchmarkFilter();
    if (!filter.empty() && filter != "." && filter != "all") {
        const std::regex wanted(filter);
        order.erase(std::remove_if(order.begin(), order.end(),
                                   [&](const std::string& name) { return !std::regex_search(name, wanted); }),
                    order.end());
    }
    const bool wholeRun = order.size() == listed.size();

    Recorder recorder;
    std::vector<double> bytesPerPoint;
    const std::string millionPoints = wholeRun ? PathFile(1000000) : std::string();
    for (int round = 0; round < rounds; ++round) {
        std::fprintf(stderr, "round %d/%d ", round + 1, rounds);
        std::string scaled;
        for (const std::string& name : order) {
            if (name.find('@') != std::string::npos)
                scaled += (scaled.empty() ? "" : "|") + name.substr(0, name.find('@'));
            else
                benchmark::RunSpecifiedBenchmarks(&recorder, "^" + name + "(/iterations:[0-9]+)?$");
        }
        if (!scaled.empty()) {
            std::istringstream said(RunScaledRound("^(" + scaled + ")$", 2));
            std::string name;
            for (double wall, cpu; said >> name >> wall >> cpu;) {
                recorder.wallNs[name + "@2"].push_back(wall);
                recorder.cpuNs[name + "@2"].push_back(cpu);
            }
        }
        if (wholeRun)
            bytesPerPoint.push_back(MeasureBytesPerPoint(millionPoints, 1000000));
        std::fputc('\n', stderr);
    }

    auto t = [&](const std::string& name, Clock clock) {
        return Median(clock == Cpu ? recorder.cpuNs[name] : recorder.wallNs[name]);
    };
    std::printf("\n== Summary: medians of %d interleaved rounds ==\n", rounds);
    for (const Figure& f : Figures) {
        const double a = t(f.subject, f.clock), b = t(f.baseline, f.clock);
        if (a > 0 && b > 0)
            std::printf("%s: %.2fx (%s %s, %s %s, %s)\n", f.label, a / b, f.subjectWord, Time(a).c_str(),
                        f.baselineWord, Time(b).c_str(), f.clock == Cpu ? "cpu" : "wall");
    }
    if (const double m = t("BM_EditRepaint/1000000", Wall), k = t("BM_EditRepaint/100000", Wall); m > 0 && k > 0)
        std::printf("edit-repaint-2048-1m-growth (wall): 100k %s; 1m %s; 10x the points costs %.1fx\n", Time(k).c_str(),
                    Time(m).c_str(), m / k);
    const double bytes = Median(bytesPerPoint);
    if (bytes > 0)
        std::printf("bytes-per-point-1m: %.0f\n", bytes);
    for (const auto& g : Growth) {
        const std::string base = std::string(g.benchmark) + "/";
        if (t(base + "1000", g.clock) <= 0)
            continue;
        std::printf("%s-growth (%s):", g.label, g.clock == Cpu ? "cpu" : "wall");
        for (const char* n : Sizes) {
            const double v = t(base + n, g.clock);
            if (v > 0)
                std::printf(" %sk %s;", std::string(n).substr(0, std::strlen(n) - 3).c_str(), Time(v).c_str());
        }
        const double small = t(base + "1000", g.clock), large = t(base + "100000", g.clock);
        if (small > 0 && large > 0)
            std::printf(" 100x the points costs %.1fx", large / small);
        std::printf("\n");
    }

    RemoveTempFiles();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
