// A long seeded run of random mouse and key input sent straight to the canvas
// handler, with loads of small path files in between; the document must stay
// consistent after every input. VSE_RANDOM_SEED and VSE_RANDOM_STEPS replay or
// lengthen a run.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>

#include "support/GuiDriver.h"
#include "view/InputFlags.h"

namespace {

using namespace InputFlags;

const char* const kFiles[] = {"3\n-100,-100,2,0\n0,0,4,1\n100,100,6,2\n", "4\n5,5,1,0\n5,5,1,1\n5.1,5,1,2\n-5,5,3,7\n",
                              "5\n1,2,3,0\n40,-40,2,1\n", "x\n", "0\n"};
const int kMouseFlags[] = {Press | Left, Press | Left | Control, Motion | Left, Motion | Left, Release | Left,
                           Press | Right, Motion | Right, Release | Right, Press | Middle, Release | Middle, Motion,
                           Motion | Control, Leave, Press | Left | Right, Release | Left | Right};
const int kPlainKeys[] = {'d', WXK_DELETE, 'f', 'r', 'n', WXK_TAB, 'w', WXK_UP, 's', WXK_DOWN, 'x'};
// Control+O and Control+A would open file dialogs.
const int kControlKeys[] = {'z', 26, 'y', 'Y', 'u', 'n', 's', 19, 'q'};

std::string CheckDocument(bool withHistory)
{
    EditorDocument* doc = Doc();
    const CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    // A drag moves points and re-indexes them only when it ends.
    std::string problems = handler->mode == Move ? "" : CheckPathInvariants(*Path());
    const std::vector<TrackPoint*> chain = Chain();
    std::size_t selected = 0, highlighted = 0, hovered = 0;
    for (TrackPoint* p : chain) {
        if (p->IsSelected() != (doc->selection.count(p) != 0))
            problems += " selected bit and selection differ;";
        selected += p->IsSelected();
        highlighted += p->IsHighlighted();
        hovered += p == handler->hoverPoint;
    }
    if (selected != doc->selection.size())
        problems += " selection holds a point of another path;";
    if (highlighted > 1 || hovered != (handler->hoverPoint != nullptr))
        problems += " a stray highlight;";
    if (doc->undoList.size() + doc->redoList.size() > 10)
        problems += " history longer than 10;";
    for (const auto* list : {&doc->undoList, &doc->redoList})
        for (const HistoryRecord* r : *list)
            if (withHistory)
                problems += CheckPathInvariants(*r->snapshot);
    return problems;
}

}  // namespace

TEST(RandomInputRun, DocumentStaysConsistentThroughRandomInput)
{
    gui::ResetDocument();
    const char* seedText = std::getenv("VSE_RANDOM_SEED");
    const char* stepsText = std::getenv("VSE_RANDOM_STEPS");
    const unsigned seed = seedText ? unsigned(std::strtoul(seedText, nullptr, 0)) : 20261206u;
    const int steps = stepsText ? std::atoi(stepsText) : 20000;
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(Temp());  // Control+S writes noname.txt here

    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const int width = Doc()->GetBackgroundBitmap()->GetWidth();
    const int height = Doc()->GetBackgroundBitmap()->GetHeight();
    int lx = width / 2, ly = height / 2;
    int done = 0;
    std::string failure;
    for (; done < steps && failure.empty(); ++done) {
        // Mostly short moves, so that drags and clicks happen; jumps onto points and anywhere.
        const int where = pick(20);
        const TrackPath* path = Doc()->GetTrackPath();
        if (where < 8) {
            lx = std::clamp(lx + (pick(2) ? pick(31) - 15 : pick(3) - 1), -20, width + 20);
            ly = std::clamp(ly + (pick(2) ? pick(31) - 15 : pick(3) - 1), -20, height + 20);
        } else if (where < 14 && path->Count() > 0) {
            const TrackPoint* p = *std::next(path->points.begin(), pick(int(path->Count())));
            if (Doc()->Mapping().WorldToPixel(p->x, p->y, lx, ly))
                lx += pick(7) - 3, ly += pick(7) - 3;
        } else {
            lx = pick(width + 40) - 20;
            ly = pick(height + 40) - 20;
        }
        const int kind = pick(100);
        if (kind < 1 || done == 0) {
            const int which = pick(int(std::size(kFiles)) + 1);
            if (which < int(std::size(kFiles)))
                WriteFile("random.txt", kFiles[which]);
            FileCommands::Instance()->LoadSpline(Temp(which < int(std::size(kFiles)) ? "random.txt" : "none.txt").c_str());
        } else if (kind < 7) {
            handler->HandleKey(kPlainKeys[pick(int(std::size(kPlainKeys)))], lx, ly, lx, ly, pick(8) ? 0 : Shift);
        } else if (kind < 12) {
            // A plain save of a partly read path would ask for a name in a dialog.
            const int key = kControlKeys[pick(int(std::size(kControlKeys)))];
            const bool dialog = Doc()->GetTrackPath()->incomplete && (key == 's' || key == 19);
            handler->HandleKey(dialog ? 'u' : key, lx, ly, lx, ly, Control);
        } else if (kind < 30) {
            // A click: press and release at one place, which creates or picks points.
            const int control = pick(4) ? 0 : Control;
            handler->HandleMouse(lx, ly, lx, ly, Press | Left | control);
            failure = CheckDocument(false);
            handler->HandleMouse(lx, ly, lx, ly, Release | Left | control);
        } else if (kind < 32) {
            handler->HandleMouse(lx, ly, lx, ly, pick(0x800));  // any flag word at all
        } else {
            handler->HandleMouse(lx, ly, lx, ly, kMouseFlags[pick(int(std::size(kMouseFlags)))]);
        }
        // Snapshots are only copied, never edited: checking them now and then is enough.
        if (failure.empty())
            failure = CheckDocument(done % 50 == 0);
    }
    if (failure.empty())
        failure = CheckDocument(true);
    std::filesystem::current_path(home);
    gui::ResetDocument();
    EXPECT_EQ(failure, "") << "seed " << seed << ", input " << done;
}
