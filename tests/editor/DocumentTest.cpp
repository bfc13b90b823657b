// The document's commands called directly: history records, undo and redo.
#include <array>

#include "editor/EditorHost.h"
#include "support/DocumentHarness.h"

namespace {

// As host, notes where the window is to pick again and which point it must forget.
class DocumentTest : public SquarePictureTest, public EditorHost {
protected:
    void SetUp() override { SquarePictureTest::SetUp(), Doc()->host = this; }
    void UpdateTitle(const std::string&) override {}
    void UpdateUndoLabel(const std::string&) override {}
    void UpdateRedoLabel(const std::string&) override {}
    void Redraw() override {}
    void ResetHover(int lx, int ly) override { hover = {lx, ly}; }
    void ForgetPoint(const TrackPoint* point) override { forgotten = point; }
    int NewPointType() override { return 0; }
    void SetPointType(int) override {}
    void RunCommand(Command) override {}
    wxSize CanvasClientSize() override { return {0, 0}; }
    std::pair<int, int> hover;
    const TrackPoint* forgotten = nullptr;
};

TEST_F(DocumentTest, CommandsKeepTheirLimitsAndTellTheWindowWhatToForget)
{
    TrackPoint* a = Add(0, 0);
    Doc()->Select(a);
    Doc()->StartMove(128, 128);
    Doc()->DragMove(158, 108);
    Doc()->AdjustWidth(-2.0f);  // no narrower than 0.5
    Doc()->UnselectAll();  // settles the move
    EXPECT_TRUE(PointsAt(*Path(), 30, 20) == Points{a} && a->w == 0.5f);
    Doc()->SetStartToSelection();
    Doc()->Select(a);
    Doc()->DeleteSelected();
    EXPECT_EQ(forgotten, a);  // the window must not keep it once deleted
    Doc()->DeleteSelected();  // nothing selected: nothing happens
    Doc()->CreatePointAt(100, 100);
    // The window picks the new point, which has the width of a first point.
    EXPECT_TRUE(hover == std::make_pair(100, 100) && Chain().front()->w == 10.0f);
    EXPECT_EQ(UndoNames(), (Strings{"move", "delete", "create-point"}));
    EXPECT_EQ(Errors(), Strings{"You must first select a point before you can reset the start/finish point!"});
}

// A point made near a segment splits it where the perpendicular from the
// position meets it, at its ends' mean width; straight across a segment that runs
// along an axis as the hit test sees one (within 0.01).
TEST_F(DocumentTest, APointMadeOnASegmentSplitsItAtTheFootOfThePerpendicular)
{
    for (auto [ax, ay, bx, by, x, y, footX, footY] : {std::array<float, 8>{22, -22, -78, -122, -22, -68, -23, -67},
                                                      {5, -50, 5.009f, 50, 8, 10, 5, 10}, {-50, 2, 50, 2.009f, 10, 6, 10, 2}}) {
        Doc()->SetTrackPath(new TrackPath(), true);
        TrackPoint *a = Add(ax, ay, 4), *b = Add(bx, by, 9);
        Doc()->CreatePointAt(128 + int(x), 128 - int(y));
        const Points chain = Chain();
        ASSERT_EQ(chain.size(), 3u) << x << "," << y;
        EXPECT_TRUE(chain[0] == a && chain[2] == b && chain[1]->w == 6.5f);
        EXPECT_TRUE(std::fabs(chain[1]->x - footX) < 1e-4f && std::fabs(chain[1]->y - footY) < 1e-4f) << x << "," << y;
    }
}

// Undo restores the selection of its step, but no highlight; ten steps are kept.
TEST_F(DocumentTest, HistoryKeepsTenStepsWithTheirSelectionAndANewRecordDropsRedo)
{
    Doc()->Select(Add(0, 0));
    Doc()->Highlight(Add(20, 0));
    for (int i = 1; i <= 11; ++i)
        Doc()->RecordCommand("step-" + std::to_string(i));
    Doc()->UnselectAll();
    for (int i = 0; i < 11; ++i)
        Doc()->Undo();
    const Points restored = Chain();
    EXPECT_EQ(Doc()->selection, std::set<TrackPoint*>{restored[0]});
    EXPECT_TRUE(!restored[0]->IsHighlighted() && !restored[1]->IsHighlighted() && hover == std::make_pair(-1, -1));
    Doc()->Redo();
    EXPECT_EQ(UndoNames(), (Strings{"step-2"}));  // step-1 went with the eleventh record
    Doc()->StartMove(128, 128);  // a move that does not move is recorded all the same
    Doc()->FinishMove(128, 128);
    EXPECT_TRUE(Doc()->redoList.empty() && UndoNames() == (Strings{"step-2", "move"}));
}

}  // namespace
