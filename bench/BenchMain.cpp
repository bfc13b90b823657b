// Runs the benchmarks inside the real application and prints each figure as a
// ratio against the baseline measured in the same run.
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/utils.h>

#include "StartupChild.h"
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

// Keeps the mean real time per iteration, in nanoseconds, by benchmark name.
class Recorder : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ns;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            ns[BaseName(run.benchmark_name())] = run.GetAdjustedRealTime() *
                                       (run.time_unit == benchmark::kMillisecond ? 1e6
                                        : run.time_unit == benchmark::kMicrosecond ? 1e3 : 1.0);
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--startup-child")
        return RunStartupChild(argv[2]);
    benchmark::Initialize(&argc, argv);
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

    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);

    auto t = [&](const std::string& name) { return recorder.ns.count(name) ? recorder.ns[name] : 0.0; };
    auto ratio = [&](const char* label, const std::string& a, const std::string& b) {
        if (t(a) > 0 && t(b) > 0)
            std::printf("%s: %.2fx\n", label, t(a) / t(b));
    };
    std::printf("\n== Summary ==\n");
    ratio("startup-vs-bare-frame", "BM_Startup/1", "BM_Startup/0");
    ratio("octree-query-1k-vs-linear", "BM_LinearQuery/1000", "BM_OctreeQuery/1000");
    ratio("octree-query-10k-vs-linear", "BM_LinearQuery/10000", "BM_OctreeQuery/10000");
    ratio("octree-query-100k-vs-linear", "BM_LinearQuery/100000", "BM_OctreeQuery/100000");
    ratio("hover-100k-vs-linear", "BM_LinearPointQuery/100000", "BM_HoverHitTest/100000");
    std::printf("update-point-100k: %.2f us\n", t("BM_UpdatePointPosition/100000") / 1e3);
    ratio("repaint-2048-10k-vs-blit", "BM_Repaint/10000", "BM_BareBlit");
    std::printf("repaint-2048-10k: %.2f ms (blit %.2f ms)\n", t("BM_Repaint/10000") / 1e6, t("BM_BareBlit") / 1e6);
    if (t("BM_Repaint/1000") > 0)
        std::printf("repaint-growth-1k-to-100k: %.2f\n", t("BM_Repaint/100000") / (100 * t("BM_Repaint/1000")));
    ratio("snapshot-100k", "BM_Snapshot/100000", "BM_ArrayCopy/100000");
    std::printf("delete-all-10k: %.2f ms\ndelete-all-100k: %.2f ms\n", t("BM_DeleteAll/10000") / 1e6,
                t("BM_DeleteAll/100000") / 1e6);
    if (t("BM_DeleteAll/10000") > 0)
        std::printf("delete-all-growth-10k-to-100k: %.2f\n", t("BM_DeleteAll/100000") / (10 * t("BM_DeleteAll/10000")));
    ratio("load-1m-vs-fscanf", "BM_LoadPath1M", "BM_BareFscanf1M");
    ratio("save-1m-vs-fprintf", "BM_SavePath1M", "BM_BareFprintf1M");
    ratio("tga-4096-vs-wximage", "BM_ReadTga4096", "BM_WxImageTga4096");
    ratio("tga-4096-vs-fread", "BM_ReadTga4096", "BM_BareFread4096");

    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
