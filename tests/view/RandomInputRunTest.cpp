// A long seeded run of random mouse and key input sent straight to the canvas
// handler, with loads of small path files in between; the document must stay
// consistent after every single input. VSE_RANDOM_SEED and VSE_RANDOM_STEPS
// replay or lengthen a run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include <unistd.h>

#include <wx/bitmap.h>
#include <wx/defs.h>

#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"
#include "view/CanvasHandler.h"
#include "view/InputFlags.h"
#include "model/PixelMapping.h"

namespace {

using namespace InputFlags;

const char* const kFiles[][2] = {
    {"three.txt", "3\n-100,-100,2,0\n0,0,4,1\n100,100,6,2\n"},
    {"stacked.txt", "4\n5,5,1,0\n5,5,1,1\n5.1,5,1,2\n-5,5,3,7\n"},
    {"partial.txt", "5\n1,2,3,0\n40,-40,2,1\n"},
    {"bad.txt", "x\n"},
    {"empty.txt", "0\n"},
    {"missing.txt", nullptr},
};

const int kMouseFlags[] = {
    Press | Left, Press | Left | Control, Motion | Left, Motion | Left, Motion | Left, Release | Left,
    Release | Left, Press | Right, Motion | Right, Motion | Right, Release | Right, Press | Middle,
    Release | Middle, Motion, Motion, Motion | Control, Leave, Press | Left | Right, Release | Left | Right,
};
const int kPlainKeys[] = {'d', 'D', WXK_DELETE, 'f', 'F', 'r', 'R', 'n', WXK_TAB,
                          'w', WXK_UP, 's', WXK_DOWN, 'x', ' '};
// Control+O and Control+A would open file dialogs; they are left out.
const int kControlKeys[] = {'z', 'Z', 26, 'y', 'Y', 25, 'u', 'U', 21, 'n', 'N', 14, 's', 'S', 19, 'q'};

std::string CheckDocument(bool withHistory)
{
    EditorDocument* doc = EditorDocument::Instance();
    const CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const TrackPath* path = doc->GetTrackPath();
    std::string problems;
    // A drag moves points and re-indexes them only when it ends.
    if (handler->mode != Move)
        problems = CheckPathInvariants(*path);
    const std::set<const TrackPoint*> inPath(path->points.begin(), path->points.end());
    int highlighted = 0;
    for (TrackPoint* p : path->points) {
        if (p->IsSelected() != (doc->selection.count(p) != 0))
            problems += " selected bit and selection differ;";
        highlighted += p->IsHighlighted();
    }
    for (const TrackPoint* p : doc->selection)
        if (!inPath.count(p))
            problems += " selection holds a point of another path;";
    if (highlighted > 1)
        problems += " more than one point highlighted;";
    if (handler->hoverPoint && !inPath.count(handler->hoverPoint))
        problems += " hover point is not in the path;";
    if (doc->undoList.size() + doc->redoList.size() > 10)
        problems += " history longer than 10;";
    if (withHistory)
        for (const auto* list : {&doc->undoList, &doc->redoList})
            for (const HistoryRecord* r : *list) {
                const std::string s = CheckPathInvariants(*r->snapshot);
                if (!s.empty())
                    problems += " snapshot " + r->name + ": " + s;
            }
    return problems;
}

void Load(int which)
{
    if (const char* text = kFiles[which][1]) {
        std::FILE* f = std::fopen(kFiles[which][0], "w");
        ASSERT_TRUE(f);
        std::fputs(text, f);
        std::fclose(f);
    }
    FileCommands::Instance()->LoadSpline(kFiles[which][0]);
}

}  // namespace

TEST(RandomInputRun, DocumentStaysConsistentThroughRandomInput)
{
    gui::ResetDocument();
    const unsigned seed = std::getenv("VSE_RANDOM_SEED") ? unsigned(std::strtoul(std::getenv("VSE_RANDOM_SEED"), nullptr, 0)) : 20261206u;
    const int steps = std::getenv("VSE_RANDOM_STEPS") ? std::atoi(std::getenv("VSE_RANDOM_STEPS")) : 20000;
    // Control+S writes into the working directory.
    const std::filesystem::path home = std::filesystem::current_path();
    char dir[] = "/tmp/vse-random-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    std::filesystem::current_path(dir);

    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    EditorDocument* doc = EditorDocument::Instance();
    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const int width = doc->GetBackgroundBitmap()->GetWidth();
    const int height = doc->GetBackgroundBitmap()->GetHeight();
    int lx = width / 2, ly = height / 2;
    Load(0);

    int done = 0;
    std::string failure;
    for (; done < steps && failure.empty(); ++done) {
        // Mostly short moves, so that drags and clicks happen; jumps onto points and anywhere.
        const int where = pick(20);
        const TrackPath* path = doc->GetTrackPath();
        int px, py;
        if (where < 8) {
            lx += pick(2) ? pick(31) - 15 : pick(3) - 1;
            ly += pick(2) ? pick(31) - 15 : pick(3) - 1;
            lx = std::clamp(lx, -20, width + 20);
            ly = std::clamp(ly, -20, height + 20);
        } else if (where < 14 && path->Count() > 0) {
            auto p = path->points.begin();
            std::advance(p, pick(int(path->Count())));
            if (doc->Mapping().WorldToPixel((*p)->x, (*p)->y, px, py))
                lx = px + pick(7) - 3, ly = py + pick(7) - 3;
        } else {
            lx = pick(width + 40) - 20;
            ly = pick(height + 40) - 20;
        }

        const int kind = pick(100);
        if (kind < 1) {
            Load(pick(int(std::size(kFiles))));
        } else if (kind < 7) {
            handler->HandleKey(kPlainKeys[pick(int(std::size(kPlainKeys)))], lx, ly, lx, ly, pick(8) ? 0 : Shift);
        } else if (kind < 12) {
            int key = kControlKeys[pick(int(std::size(kControlKeys)))];
            // A plain save of a partly read path asks for a name in a dialog.
            if (doc->GetTrackPath()->incomplete && (key == 's' || key == 'S' || key == 19))
                key = 'u';
            handler->HandleKey(key, lx, ly, lx, ly, Control);
        } else if (kind < 30) {
            // A click: press and release at one place, which creates or picks points.
            const int control = pick(4) ? 0 : Control;
            handler->HandleMouse(lx, ly, lx, ly, Press | Left | control);
            failure = CheckDocument(false);
            ++done;
            handler->HandleMouse(lx, ly, lx, ly, Release | Left | control);
        } else if (kind < 32) {
            handler->HandleMouse(lx, ly, lx, ly, pick(0x800));  // any flag word at all
        } else {
            handler->HandleMouse(lx, ly, lx, ly, kMouseFlags[pick(int(std::size(kMouseFlags)))]);
        }
        // Snapshots are only copied, never edited: checking them now and then is enough.
        if (failure.empty())
            failure = CheckDocument(done % 50 == 0);
        if (done % 1000 == 0)
            LogCapture::Get().Clear();
    }
    if (failure.empty())
        failure = CheckDocument(true);

    std::filesystem::current_path(home);
    std::filesystem::remove_all(dir);
    gui::ResetDocument();
    EXPECT_EQ(failure, "") << "seed " << seed << ", input " << done;
    std::printf("random-run-inputs: %d (%d failures)\n", done, failure.empty() ? 0 : 1);
}
