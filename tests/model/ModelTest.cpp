// The chain, its index and hit tests, the edge geometry and the pixel mapping, on a
// 256 x 256 picture where world (x, y) is pixel (128 + x, 128 - y); paths read and
// copied in bulk; the pooled storage of points and segments.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>

#include "model/ObjectPool.h"
#include "model/TrackSegment.h"
#include "support/Harness.h"

namespace {

using Points = std::vector<TrackPoint*>;
using Segments = std::vector<TrackSegment*>;
Segments SegmentsAt(int x, int y)
{
    Segments out;
    Path()->FindSegmentsAt(Doc()->Mapping(), 128 + x, 128 - y, out);
    return out;
}

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
    // Refused: no point, a point linked already, a point of another path, a segment of another path.
    TrackPath other;
    auto* stranger = new TrackPoint(1, 1, 1, 0);
    ASSERT_TRUE(other.InsertPoint(stranger, nullptr) && other.InsertPoint(new TrackPoint(2, 2, 1, 0), nullptr));
    EXPECT_FALSE(Path()->InsertPoint(nullptr, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(m, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(stranger, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(new TrackPoint(3, 3, 1, 0), stranger->nextSegment));
    EXPECT_EQ(Errors(), (Strings{"Invalid point to insert into track path!", "Invalid prev segment on point!  Not inserting!",
                                 "Invalid prev segment on point!  Not inserting!",
                                 "Couldn't find point in list, something's weird!"}));
    Path()->SetStart(a, Doc());  // already the start: nothing recorded
    Path()->SetStart(b, Doc());
    EXPECT_EQ(Chain(), (Points{b, c, a, m}));
    Path()->ReverseDirection(Doc());
    EXPECT_EQ(Chain(), (Points{b, m, a, c}));
    EXPECT_EQ(UndoNames(), (Strings{"reverse-direction", "set-start", "reverse-direction"}));
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
        {{0, 0, 2, 0, 10, 2, 0, 5, 2}, 1, {0, 8}, {0, 12}},  // turning back on a vertical line
        {{0, 10, 2, 0, 0, 2, 10, 0, 2}, 2, {10, 2}, {10, -2}},
        {{-10, -20, 2, 10, 0, 2, 30, 0, 2}, 1, {9.234633f, 1.847759f}, {10.765367f, -1.847759f}},  // off a diagonal
        // Nothing to go by: a lone point, neighbours on top of the point.
        {{3, 4, 2}, 0, {3, 4}, {3, 4}},
        {{0, 0, 2, 0, 0, 2, 10, 0, 2}, 1, {0, 2}, {0, -2}},
        {{0, 0, 2, 10, 0, 2, 10, 0, 2}, 1, {10, 2}, {10, -2}},
        {{5, 5, 2, 5, 5, 2, 5, 5, 2}, 1, {5, 5}, {5, 5}},
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

// Paths read in one go and snapshots copied node by node must be as sound as paths
// built one insert at a time, and a snapshot must hold the same points and flags.
TEST_F(ModelTest, ReadAndCopiedPathsAreSound)
{
    const struct {
        const char* name;
        int points;
        const char* lastLine;  // a bad last line stops the reading
        void (*edit)(TrackPath&);
    } cases[] = {
        {"read", 3000, "1,2,3,0", [](TrackPath&) {}},
        {"stopped at a bad line", 500, "1,2", [](TrackPath&) {}},
        {"empty", 1, "x", [](TrackPath&) {}},
        {"edited: removed, restarted, reversed, flagged", 2000, "5,5,1,1",
         [](TrackPath& p) {
             for (int i = 0; i < 300; ++i)
                 p.RemovePoint(*std::next(p.points.begin(), (i * 37) % int(p.Count())));
             p.SetStart(*std::next(p.points.begin(), 700), nullptr);
             p.ReverseDirection(nullptr);
             for (TrackPoint* q : p.points)
                 q->flags = int(q->x) & 6;
         }},
        // Its copy cannot stand where the original is indexed.
        {"a point moved without re-indexing", 200, "0,0,1,0", [](TrackPath& p) { (*std::next(p.points.begin(), 50))->x += 40; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(c.points);
        std::uniform_real_distribution<float> coord(-127, 127);
        std::string text = std::to_string(c.points) + "\n";
        for (int i = 0; i < c.points - 1; ++i)
            text += std::to_string(coord(rng)) + "," + std::to_string(coord(rng)) + "," + std::to_string(1 + i % 4) +
                    "," + std::to_string(i % 3) + "\n";
        auto* read = new TrackPath(WriteFile("bulk.txt", text + c.lastLine + "\n").c_str());
        Doc()->SetTrackPath(read, true);
        EXPECT_EQ(CheckPathInvariants(*read), "");
        c.edit(*read);
        const TrackPath copy(*read);
        EXPECT_EQ(CheckPathInvariants(copy), "");
        auto points = [](const TrackPath& path) {
            std::vector<std::tuple<float, float, float, int, int>> out;
            for (const TrackPoint* p : path.points)
                out.emplace_back(p->x, p->y, p->w, p->type, p->flags);
            return out;
        };
        EXPECT_EQ(points(copy), points(*read));
    }
}

TEST(ObjectPool, HandsOutDistinctAlignedReusableRoom)
{
    for (const std::size_t size : {8, 80, 120, 200}) {
        SCOPED_TRACE(size);
        ObjectPool pool(size, 8);
        std::mt19937 rng{unsigned(size)};
        std::vector<char*> live;
        std::set<char*> seen;
        for (int round = 0; round < 4; ++round) {
            while (live.size() < 30000)
                live.push_back(static_cast<char*>(pool.New(size)));
            std::shuffle(live.begin(), live.end(), rng);
            std::vector<char*> sorted(live);
            std::sort(sorted.begin(), sorted.end());
            for (std::size_t i = 0; i < sorted.size(); ++i) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sorted[i]) % 8, 0u);
                if (i && sorted[i] < sorted[i - 1] + size)
                    ADD_FAILURE() << "overlapping objects";
                std::fill(sorted[i], sorted[i] + size, char(i));  // the whole slot is writable
                seen.insert(sorted[i]);
            }
            for (std::size_t keep = round == 3 ? 0 : 10000; live.size() > keep; live.pop_back())
                pool.Release(live.back(), size);
        }
        EXPECT_LT(seen.size(), 4u * 30000u);  // freed room was used again
    }
}

}  // namespace
