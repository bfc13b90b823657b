// The document's commands called directly, without a window: status lines,
// history records, undo and redo, and what the document tells its host.
#include <gtest/gtest.h>
#include <wx/bitmap.h>

#include "editor/EditorDocument.h"
#include "editor/FileName.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"
#include "support/RecordingHost.h"

namespace {

using Points = std::vector<TrackPoint*>;
EditorDocument* Doc() { return EditorDocument::Instance(); }
TrackPath* Path() { return Doc()->GetTrackPath(); }
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
Points PointsAt(int x, int y) { Points o; Path()->FindPointsAt(Doc()->Mapping(), 128 + x, 128 - y, o); return o; }

// The current path and every snapshot of the history match their points' positions.
void ExpectAllPathsSound()
{
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
    for (const auto* list : {&Doc()->undoList, &Doc()->redoList})
        for (const HistoryRecord* r : *list)
            EXPECT_EQ(CheckPathInvariants(*r->snapshot), "") << r->name;
}

// A fresh document for every test, shown in a recording host, on a 256 x 256 picture.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EditorDocument::Create(new EditorDocument());
        Doc()->host = &host;
        Doc()->SetBackgroundBitmap(new wxBitmap(256, 256, 24));
        LogCapture::Get().Clear();
    }
    void TearDown() override { EditorDocument::Destroy(); }
    RecordingHost host;
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
    EXPECT_EQ(host.hoverResets.back(), std::make_pair(178, 128));  // picks again under the cursor
    const std::set<const TrackPoint*> deleted = {a, b, created};
    Doc()->Select(a);
    Doc()->DeleteSelected();
    // The host is told of each point before it goes, so no highlight outlives its point.
    EXPECT_EQ(host.forgotten.size(), 3u);
    EXPECT_EQ(std::set<const TrackPoint*>(host.forgotten.begin(), host.forgotten.end()), deleted);
    host.pointType = 2;
    Doc()->CreatePointAt(100, 100);
    EXPECT_EQ(Chain().front()->w, 10.0f);  // the width of a first point
    EXPECT_EQ(Chain().front()->type, 2);   // the type the window has selected
    EXPECT_EQ(host.redraws, 7);            // every command ends in one repaint
}

TEST_F(DocumentTest, HistoryKeepsTenStepsWithTheirSelectionAndANewRecordDropsRedo)
{
    Doc()->Highlight(Add(0, 0, true));  // highlighted when recorded
    Add(20, 0);
    for (int i = 1; i <= 11; ++i)
        Doc()->RecordCommand("step-" + std::to_string(i));
    Doc()->UnselectAll();
    for (int i = 11; i >= 2; --i) {
        Doc()->Undo();
        EXPECT_EQ(Status(), "Undid:  step-" + std::to_string(i));
    }
    EXPECT_EQ(host.undoLabel + "|" + host.redoLabel, "|step-2");
    Doc()->Undo();
    EXPECT_EQ(Status(), "No more undo!");
    const Points restored = Chain();
    EXPECT_EQ(Doc()->selection, std::set<TrackPoint*>{restored[0]});
    EXPECT_FALSE(restored[0]->IsHighlighted() || restored[1]->IsHighlighted());
    EXPECT_EQ(host.hoverResets.back(), std::make_pair(-1, -1));  // the window forgets its highlight
    Doc()->Redo();
    EXPECT_EQ(Status(), "Redid:  step-2");
    EXPECT_EQ(host.undoLabel + "|" + host.redoLabel, "step-2|step-3");
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

TEST_F(DocumentTest, WithoutAHostEverythingWorksAndNothingGoesUp)
{
    Path();  // the first path names the document
    EXPECT_EQ(host.title, "noname.txt");
    SetFileName("/somewhere/track.txt");
    EXPECT_EQ(host.title, "track.txt");

    Doc()->host = nullptr;
    TrackPoint* a = Add(0, 0, true);
    Add(20, 0);
    Doc()->ReversePath();
    Doc()->DeleteSelected();
    Doc()->CreatePointAt(148, 128);
    Doc()->Undo();
    SetFileName("other.txt");
    EXPECT_EQ(Chain().size(), 1u);
    EXPECT_NE(Chain().front(), a);
    EXPECT_EQ(Doc()->undoList.size(), 2u);
    EXPECT_EQ(currentFileName, "other.txt");
    EXPECT_EQ(host.title + "|" + host.undoLabel + "|" + host.redoLabel, "track.txt||");
    EXPECT_EQ(host.redraws, 0);
    EXPECT_TRUE(host.forgotten.empty() && host.hoverResets.empty());

    // No window, no canvas to size a default picture by: nothing can be placed.
    EditorDocument::Create(new EditorDocument());
    LogCapture::Get().Clear();
    Doc()->CreatePointAt(10, 10);
    EXPECT_EQ(Path()->Count(), 0u);
    EXPECT_EQ(LogCapture::Get().errors, std::vector<std::string>{"Invalid bitmap dimensions:  0x0"});
}
