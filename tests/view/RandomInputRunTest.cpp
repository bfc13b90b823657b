// A long seeded run of random mouse and key input sent straight to the canvas
// handler, with loads of small path files in between; the document must stay
// consistent after every input. VSE_RANDOM_SEED replays a run.
#include <iterator>

#include "support/GuiDriver.h"

namespace {

using namespace InputFlags;

const char* const kFiles[] = {"3\n-100,-100,2,0\n0,0,4,1\n100,100,6,2\n", "4\n5,5,1,0\n5,5,1,1\n5.1,5,1,2\n-5,5,3,7\n",
                              "5\n1,2,3,0\n40,-40,2,1\n", "x\n", "0\n"};
const int kMouseFlags[] = {Press | Left, Press | Left | Control, Motion | Left, Motion | Left, Release | Left,
                           Press | Right, Motion | Right, Release | Right, Press | Middle, Release | Middle, Motion,
                           Motion | Control, Leave, Press | Left | Right, Release | Left | Right};
// The first kPlainKeys keys go with no modifier (or Shift), the rest with Control;
// Control+O and Control+A would open file dialogs.
const int kKeys[] = {'d', WXK_DELETE, 'f', 'r', 'n', WXK_TAB, 'w', WXK_UP, 's', WXK_DOWN, 'x',
                     'z', 26, 'y', 'Y', 'u', 'n', 's', 19, 'q'};
constexpr int kPlainKeys = 11;

std::string CheckDocument(bool withHistory)
{
    const CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    // A drag moves points and re-indexes them only when it ends.
    std::string problems = handler->mode == Move ? "" : CheckPathInvariants(*Path());
    std::size_t strays = 0, selected = 0, highlighted = 0, hovered = 0;
    for (TrackPoint* p : Path()->points) {
        strays += p->IsSelected() != bool(Doc()->selection.count(p)) || p->IsHighlighted() != bool(Doc()->highlighted.count(p));
        selected += p->IsSelected();
        highlighted += p->IsHighlighted();
        hovered += p == handler->hoverPoint;
    }
    // Selection and highlight bits agree with their sets, which hold no point of another path; one highlight at most.
    if (strays || selected + highlighted != Doc()->selection.size() + Doc()->highlighted.size() || highlighted > 1 ||
        hovered != (handler->hoverPoint != nullptr))
        problems += " selection, highlight or hover out of step;";
    if (Doc()->undoList.size() + Doc()->redoList.size() > 10)
        problems += " history longer than 10;";
    for (const auto* list : {&Doc()->undoList, &Doc()->redoList})
        for (const HistoryRecord* r : *list)
            problems += withHistory ? CheckPathInvariants(*r->snapshot) : "";
    return problems;
}

}  // namespace

TEST(RandomInputRun, DocumentStaysConsistentThroughRandomInput)
{
    gui::ResetDocument();
    const char* seedText = std::getenv("VSE_RANDOM_SEED");
    const unsigned seed = seedText ? unsigned(std::strtoul(seedText, nullptr, 0)) : 20261206u;
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(Temp());  // Control+S writes noname.txt here

    std::mt19937 rng(seed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    CanvasHandler* handler = MainWindow::Instance()->canvasHandler;
    const wxSize size = Doc()->GetBackgroundBitmap()->GetSize();
    int x = size.x / 2, y = size.y / 2, done = 0;
    std::string failure;
    for (; done < 20000 && failure.empty(); ++done) {
        // Mostly short moves, so that drags and clicks happen; jumps onto points and anywhere.
        const int where = pick(20), kind = pick(100), count = int(Path()->Count());
        if (where < 8) {
            x = std::clamp(x + (pick(2) ? pick(31) - 15 : pick(3) - 1), -20, size.x + 20);
            y = std::clamp(y + (pick(2) ? pick(31) - 15 : pick(3) - 1), -20, size.y + 20);
        } else if (const TrackPoint* p = where < 14 && count ? *std::next(Path()->points.begin(), pick(count)) : nullptr) {
            if (Doc()->Mapping().WorldToPixel(p->x, p->y, x, y))
                x += pick(7) - 3, y += pick(7) - 3;
        } else {
            x = pick(size.x + 40) - 20, y = pick(size.y + 40) - 20;
        }
        if (kind < 1 || done == 0) {
            const int which = pick(int(std::size(kFiles)) + 1);  // the last: a missing file
            const std::string name = which < int(std::size(kFiles)) ? WriteFile("random.txt", kFiles[which]) : Temp("none.txt");
            FileCommands::Instance()->LoadSpline(name.c_str());
        } else if (kind < 12) {
            const int k = pick(int(std::size(kKeys))), modifiers = k < kPlainKeys ? (pick(8) ? 0 : Shift) : Control;
            // A plain save of a partly read path would ask for a name in a dialog.
            const bool dialog = modifiers == Control && Path()->incomplete && (kKeys[k] == 's' || kKeys[k] == 19);
            handler->HandleKey(dialog ? 'u' : kKeys[k], x, y, x, y, modifiers);
        } else if (kind < 30) {
            // A click: press and release at one place, which creates or picks points.
            const int control = pick(4) ? 0 : Control;
            handler->HandleMouse(x, y, x, y, Press | Left | control);
            failure = CheckDocument(false);
            handler->HandleMouse(x, y, x, y, Release | Left | control);
        } else {  // now and then any flag word at all
            handler->HandleMouse(x, y, x, y, kind < 32 ? pick(0x800) : kMouseFlags[pick(int(std::size(kMouseFlags)))]);
        }
        // Snapshots are only copied, never edited: checking them now and then is enough.
        failure += CheckDocument(done % 50 == 0);
    }
    failure += CheckDocument(true);
    std::filesystem::current_path(home);
    gui::ResetDocument();
    EXPECT_EQ(failure, "") << "seed " << seed << ", input " << done;
}
