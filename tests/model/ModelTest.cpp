// The chain, its index and hit tests, and the edge geometry, on a 256 x 256
// picture where world (x, y) is pixel (128 + x, 128 - y).
#include <cfloat>
#include <cmath>

#include "support/Harness.h"

namespace {

using Points = std::vector<TrackPoint*>;
using Segments = std::vector<TrackSegment*>;
Segments SegmentsAt(int x, int y) { Segments o; Path()->FindSegmentsAt(Doc()->Mapping(), 128 + x, 128 - y, o); return o; }

using ModelTest = SquarePictureTest;

TEST_F(ModelTest, ChainOperationsKeepTheChainLinkedAndIndexed)
{
    Path()->ReverseDirection(Doc());  // an empty path has no direction to record
    TrackPoint* a = Add(0, 0);
    TrackPoint* b = Add(10, 0);
    Path()->ReverseDirection(Doc());  // two points: the start stays, so the order does too
    EXPECT_EQ(Chain(), (Points{a, b}));
    auto* m = new TrackPoint(5, 0, 2, 0);
    ASSERT_TRUE(Path()->InsertPoint(m, a->nextSegment));
    TrackPoint* c = Add(20, 0);
    // Refused: no point, a point linked already, a point of another path.
    EXPECT_FALSE(Path()->InsertPoint(nullptr, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(m, nullptr));
    TrackPath other;
    auto* stranger = new TrackPoint(1, 1, 1, 0);
    ASSERT_TRUE(other.InsertPoint(stranger, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(stranger, nullptr));
    EXPECT_EQ(Errors(), (std::vector<std::string>{"Invalid point to insert into track path!",
                                                  "Invalid prev segment on point!  Not inserting!",
                                                  "Invalid prev segment on point!  Not inserting!"}));
    Path()->SetStart(a, Doc());  // already the start: nothing recorded
    Path()->SetStart(b, Doc());
    EXPECT_EQ(Chain(), (Points{b, c, a, m}));
    Path()->ReverseDirection(Doc());
    EXPECT_EQ(Chain(), (Points{b, m, a, c}));
    EXPECT_EQ(UndoNames(), (std::vector<std::string>{"reverse-direction", "set-start", "reverse-direction"}));
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
}

TEST_F(ModelTest, HitTestsAnswerOnlyFromTheirOwnLayerNearTheCursor)
{
    TrackPoint* a = Add(-50, -50);
    TrackPoint* b = Add(50, 50);
    TrackPoint* c = Add(50, -50);
    EXPECT_EQ(PointsAt(-40, -50), Points{a});  // the pick square's edge counts
    EXPECT_TRUE(PointsAt(-39, -50).empty());
    EXPECT_TRUE(PointsAt(0, 0).empty());  // a segment, but no point
    EXPECT_EQ(SegmentsAt(-50, -50), Segments{a->nextSegment});
    // A diagonal is hit within about 7.07 units of its line, an axis-parallel one wherever it meets.
    EXPECT_EQ(SegmentsAt(0, 9), Segments{a->nextSegment});
    EXPECT_TRUE(SegmentsAt(0, 11).empty());
    EXPECT_EQ(SegmentsAt(60, 0), Segments{b->nextSegment});
    EXPECT_TRUE(SegmentsAt(61, 0).empty());
    c->x = 100;
    c->y = 0;
    Path()->UpdatePointPosition(c);
    EXPECT_TRUE(PointsAt(50, -50).empty());
    EXPECT_EQ(PointsAt(100, 0), Points{c});
    EXPECT_TRUE(SegmentsAt(50, -40).empty());  // its segment went with it
    std::vector<SpatialObject*> inBox;
    Path()->FindInBox(BoundingBox(-60, -60, 0, 60, 60, 0), inBox);
    EXPECT_EQ(inBox.size(), 2u);
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
}

TEST_F(ModelTest, EdgesLieOnTheNormalAtTheEndsAndOnTheBisectorInBetween)
{
    const float r2 = float(M_SQRT2);
    const struct {
        std::vector<float> xyw;  // the chain
        std::size_t at;
        float left[2], right[2];
    } cases[] = {
        {{0, 0, 2, 10, 0, 3}, 0, {0, 2}, {0, -2}},
        {{0, 0, 2, 10, 0, 3}, 1, {10, 3}, {10, -3}},
        {{0, 0, 2, 10, 0, 3, 20, 0, 2}, 1, {10, 3}, {10, -3}},  // in line: the perpendicular
        {{0, 0, 2, 10, 0, 2, 10, 10, 2}, 1, {10 - r2, r2}, {10 + r2, -r2}},  // a left turn
        {{0, 0, 2, 10, 0, 2, 10, 10, 2}, 2, {8, 10}, {12, 10}},
        {{10, 0, 2, 0, 0, 2, 0, -10, 2}, 2, {2, -10}, {-2, -10}},  // previous point right above
        {{0, 10, 2, 0, 0, 2, 10, 0, 2}, 2, {10, 2}, {10, -2}},
        {{-10, -20, 2, 10, 0, 2, 30, 0, 2}, 1, {9.234633f, 1.847759f}, {10.765367f, -1.847759f}},  // off a diagonal
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        Doc()->SetTrackPath(new TrackPath(), true);
        for (std::size_t i = 0; i < c.xyw.size(); i += 3)
            Add(c.xyw[i], c.xyw[i + 1], c.xyw[i + 2]);
        for (TrackPoint* p : Path()->points)
            p->ComputeEdges();
        const TrackPoint* p = Chain()[c.at];
        EXPECT_NEAR(p->leftEdge[0], c.left[0], 1e-4);
        EXPECT_NEAR(p->leftEdge[1], c.left[1], 1e-4);
        EXPECT_NEAR(p->rightEdge[0], c.right[0], 1e-4);
        EXPECT_NEAR(p->rightEdge[1], c.right[1], 1e-4);
    }
    // Nothing to go by (a lone point, a neighbour on top of the point): finite edges all the same.
    for (const std::vector<float>& xy : std::vector<std::vector<float>>{
             {3, 4}, {0, 0, 0, 0, 10, 0}, {0, 0, 10, 0, 10, 0}, {5, 5, 5, 5, 5, 5}, {0, 0, 0, 10, 0, 10}}) {
        Doc()->SetTrackPath(new TrackPath(), true);
        for (std::size_t i = 0; i < xy.size(); i += 2)
            Add(xy[i], xy[i + 1]);
        for (TrackPoint* p : Path()->points) {
            p->ComputeEdges();
            for (float v : {p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]})
                EXPECT_TRUE(std::isfinite(v));
        }
    }
}

TEST_F(ModelTest, PixelsFollowThePictureAndFarValuesClamp)
{
    Doc()->SetBackgroundBitmap(new wxBitmap(512, 256, 24));
    int px, py;
    float x, y;
    EXPECT_TRUE(Doc()->Mapping().WorldToPixel(128, -128, px, py) && px == 512 && py == 256) << px << "," << py;
    EXPECT_TRUE(Doc()->Mapping().PixelToWorld(1, 1, x, y) && x == -127.5f && y == 127.0f) << x << "," << y;
    for (float big : {1e12f, FLT_MAX, INFINITY}) {  // beyond the picture on its own side
        ASSERT_TRUE(Doc()->Mapping().WorldToPixel(big, -big, px, py));
        EXPECT_TRUE(px > 512 && py > 256) << px << "," << py;
        ASSERT_TRUE(Doc()->Mapping().WorldToPixel(-big, big, px, py));
        EXPECT_TRUE(px < 0 && py < 0) << px << "," << py;
    }
    EXPECT_FALSE(Doc()->Mapping().WorldToPixel(NAN, 0, px, py) || Doc()->Mapping().WorldToPixel(0, NAN, px, py));
    // No picture maps nothing, quietly; one without a size says so. A canvas without a
    // size gives no default picture.
    EXPECT_FALSE(PixelMapping().PixelToWorld(1, 1, x, y) || PixelMapping(0, 5).PixelToWorld(1, 1, x, y));
    EditorDocument::Create(new EditorDocument());
    EXPECT_FALSE(Doc()->Mapping().WorldToPixel(0, 0, px, py));
    EXPECT_EQ(Errors(), (Strings{"Invalid bitmap dimensions:  0x5", "Invalid bitmap dimensions:  0x0"}));
}

}  // namespace
