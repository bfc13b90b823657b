// The document's commands called directly: status lines, history records, undo and redo.
#include <gtest/gtest.h>
#include <wx/bitmap.h>

#include "app/MainWindow.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"
#include "view/CanvasHandler.h"

namespace {

using Points = std::vector<TrackPoint*>;
EditorDocument* Doc() { return EditorDocument::Instance(); }
TrackPath* Path() { return Doc()->GetTrackPath(); }
CanvasHandler* Handler() { return MainWindow::Instance()->canvasHandler; }
Points Chain() { return {Path()->points.begin(), Path()->points.end()}; }
std::string UndoTop() { return Doc()->undoList.empty() ? "" : Doc()->undoList.front()->name; }
std::string Status() { return LogCapture::Get().LastStatus(); }

TrackPoint* Add(float x, float y, bool selected = false, float w = 2.0f)
{
    auto* p = new TrackPoint(x, y, w, 0);
    EXPECT_TRUE(Path()->InsertPoint(p, nullptr));
    if (selected)
        Doc()->Select(p);
    return p;
}

// On the 256 x 256 picture of these tests pixel (128 + x, 128 - y) is world (x, y).
Points PointsAt(int x, int y) { Points o; Path()->FindPointsAt(128 + x, 128 - y, o); return o; }

// The current path and every snapshot of the history match their points' positions.
void ExpectAllPathsSound()
{
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
    for (const auto* list : {&Doc()->undoList, &Doc()->redoList})
        for (const HistoryRecord* r : *list)
            EXPECT_EQ(CheckPathInvariants(*r->snapshot), "") << r->name;
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::ResetDocument();
        Doc()->SetBackgroundBitmap(new wxBitmap(256, 256, 24));
    }
};

}  // namespace

TEST_F(DocumentTest, CommandsReportAndRecordUnderTheirNames)
{
    const auto& statuses = LogCapture::Get().statuses;
    TrackPoint* a = Add(0, 0, true);
    TrackPoint* b = Add(40, 0);
    Doc()->StartMove(128, 128);
    Doc()->DragMove(131, 126);
    Doc()->FinishMove(131, 126);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Starting move.", "dx,dy =    3.00,  -2.00",
                                                   "Finished move."}));
    EXPECT_EQ(UndoTop(), "move");
    EXPECT_EQ(PointsAt(3, 2), Points{a});
    Doc()->UnselectAll();
    Doc()->DeleteSelected();  // nothing selected: nothing happens
    EXPECT_EQ(UndoTop(), "move");
    Doc()->Select(b);
    Doc()->DeleteSelected();
    EXPECT_EQ(Status(), "Deleted selected points.");
    EXPECT_EQ(UndoTop(), "delete");
    LogCapture::Get().Clear();
    Doc()->CreatePointAt(178, 128);
    ASSERT_EQ(Chain().size(), 2u);
    TrackPoint* created = Chain().back();
    EXPECT_EQ(statuses[0], "Created new point at:    50.00,   0.00");
    EXPECT_EQ(statuses[1], "All points unselected.");
    EXPECT_EQ(UndoTop(), "create-point");
    EXPECT_EQ(Doc()->selection, std::set<TrackPoint*>{created});
    EXPECT_TRUE(Handler()->hoverPoint == created && created->IsHighlighted());
    Doc()->Select(a);
    Doc()->DeleteSelected();
    EXPECT_EQ(Handler()->hoverPoint, nullptr);  // it must not outlive its point
    Doc()->CreatePointAt(100, 100);
    EXPECT_EQ(Chain().front()->w, 10.0f);  // the width of a first point
}

TEST_F(DocumentTest, HistoryKeepsTenStepsWithTheirSelectionAndANewRecordDropsRedo)
{
    Add(0, 0, true);
    Add(20, 0);
    Handler()->ResetHover(128, 128);  // highlighted when recorded
    for (int i = 1; i <= 11; ++i)
        Doc()->RecordCommand("step-" + std::to_string(i));
    Doc()->UnselectAll();
    for (int i = 11; i >= 2; --i) {
        Doc()->Undo();
        EXPECT_EQ(Status(), "Undid:  step-" + std::to_string(i));
    }
    Doc()->Undo();
    EXPECT_EQ(Status(), "No more undo!");
    const Points restored = Chain();
    EXPECT_EQ(Doc()->selection, std::set<TrackPoint*>{restored[0]});
    EXPECT_FALSE(restored[0]->IsHighlighted() || restored[1]->IsHighlighted());
    EXPECT_EQ(Handler()->hoverPoint, nullptr);
    Doc()->Redo();
    EXPECT_EQ(Status(), "Redid:  step-2");
    Doc()->StartMove(128, 128);  // a move that does not move is recorded all the same
    Doc()->FinishMove(128, 128);
    Doc()->Redo();
    EXPECT_EQ(Status(), "No more redo!");
    Doc()->Undo();
    EXPECT_EQ(Status(), "Undid:  move");
    EXPECT_TRUE(Chain()[0]->x == 0 && Chain()[0]->y == 0 && Chain()[0]->IsSelected());
}

TEST_F(DocumentTest, ClickBesideAHorizontalSegmentSplitsItOnTheSegment)
{
    Doc()->SetBackgroundBitmap(new wxBitmap(1280, 1280, 24));  // pixel (665, 638) is world (5, 0.4)
    TrackPoint* a = Add(0, 0, false, 2.0f);
    TrackPoint* b = Add(10, 0, false, 4.0f);
    Doc()->CreatePointAt(665, 638);
    const Points chain = Chain();
    ASSERT_EQ(chain.size(), 3u);
    EXPECT_TRUE(chain[0] == a && chain[2] == b);
    EXPECT_TRUE(chain[1]->x == 5 && chain[1]->y == 0 && chain[1]->w == 3)
        << chain[1]->x << "," << chain[1]->y << " w " << chain[1]->w;
}

TEST_F(DocumentTest, EditsDuringADragSeeThePointsWhereTheyAre)
{
    Add(0, 0, true);
    Add(50, 0);
    Add(100, 0, true);
    Doc()->StartMove(128, 128);
    Doc()->DragMove(148, 108);  // the selection moves by (20, 20), not yet re-indexed
    Doc()->DeleteSelected();
    ExpectAllPathsSound();
    Doc()->Undo();  // back to just before the delete, the moved points selected
    ASSERT_EQ(Chain().size(), 3u);
    Doc()->DragMove(158, 108);  // the same drag carries on, and is undone before its release
    Doc()->Undo();
    ExpectAllPathsSound();
    EXPECT_EQ(PointsAt(100, 0), Points{Chain()[2]});
    Doc()->FinishMove(158, 108);
    ExpectAllPathsSound();
}
