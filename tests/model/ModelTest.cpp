// The chain, its index and hit tests, the edge geometry and the pixel mapping, on a
// 256 x 256 picture where world (x, y) is pixel (128 + x, 128 - y); paths read and
// copied in bulk.
#include <array>
#include <map>
#include <set>
#include <tuple>

#include "support/Harness.h"

namespace {

using ModelTest = SquarePictureTest;

TEST_F(ModelTest, ChainOperationsRefuseStrangersAndRecordOnlyWhatChanges)
{
    Path()->ReverseDirection(Doc());  // an empty path has no direction to record
    TrackPoint *a = Add(0, 0), *b = Add(10, 0);
    auto* m = new TrackPoint(5, 0, 2, 0);
    ASSERT_TRUE(Path()->InsertPoint(m, a->nextSegment));
    TrackPoint* c = Add(20, 0);
    TrackPath other;
    auto* stranger = new TrackPoint(1, 1, 1, 0);
    ASSERT_TRUE(other.InsertPoint(stranger, nullptr) && other.InsertPoint(new TrackPoint(2, 2, 1, 0), nullptr));
    EXPECT_FALSE(Path()->InsertPoint(nullptr, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(m, nullptr));  // linked already
    EXPECT_FALSE(Path()->InsertPoint(new TrackPoint(3, 3, 1, 0), stranger->nextSegment));
    EXPECT_EQ(Errors(), (Strings{"Invalid point to insert into track path!", "Invalid prev segment on point!  Not inserting!",
                                 "Couldn't find point in list, something's weird!"}));
    Path()->SetStart(a, Doc());  // already the start: nothing recorded
    Path()->SetStart(b, Doc());  // b c a m
    Path()->ReverseDirection(Doc());
    EXPECT_EQ(Chain(), (Points{b, m, a, c}));
    EXPECT_EQ(UndoNames(), (Strings{"set-start", "reverse-direction"}));
}

// Points within the pick square, its edge included; a diagonal within about 7.07 units of
// its line, an axis-parallel segment wherever its box meets the square.
TEST_F(ModelTest, HitTestsAnswerNearTheCursorAndPixelsClampFarOut)
{
    TrackPoint *a = Add(-50, -50), *b = Add(50, 50), *c = Add(50, -50);
    for (auto [x, y, point, segment] : {std::tuple{-50, -50, a, a}, {0, 9, nullptr, a}, {0, 11, nullptr, nullptr},
                                        {40, -50, c, b}, {39, -50, nullptr, nullptr}}) {
        std::vector<TrackSegment*> segments;
        Path()->FindSegmentsAt(Doc()->Mapping(), 128 + x, 128 - y, segments);
        EXPECT_EQ(PointsAt(x, y), Points(point ? 1 : 0, point)) << x << "," << y;
        EXPECT_EQ(segments, std::vector<TrackSegment*>(segment ? 1 : 0, segment ? segment->nextSegment : nullptr));
    }
    // Far positions on a 512 x 256 picture land beyond it on their own side; no number and no size map nothing.
    const PixelMapping mapping(512, 256);
    int px, py, qx, qy;
    float x, y;
    EXPECT_TRUE(mapping.WorldToPixel(INFINITY, -1e30f, px, py) && px > 512 && py > 256 &&
                mapping.WorldToPixel(-1e30f, INFINITY, qx, qy) && qx < 0 && qy < 0) << px << " " << qx;
    EXPECT_FALSE(mapping.WorldToPixel(NAN, 0, px, py) || PixelMapping(0, 5).PixelToWorld(1, 1, x, y));
    EXPECT_EQ(Errors(), Strings{"Invalid bitmap dimensions:  0x5"});
}

TEST_F(ModelTest, EdgesLieOnTheNormalAtTheEndsAndOnTheBisectorInBetween)
{
    const float r2 = float(M_SQRT2);
    const struct {
        std::vector<float> xyw;  // the chain
        std::size_t at;
        float edges[4];  // left x, y, right x, y
    } cases[] = {
        {{0, 0, 2, 10, 10, 3}, 0, {-r2, r2, r2, -r2}},
        {{0, 0, 2, 10, 0, 3}, 1, {10, 3, 10, -3}},
        {{0, 0, 2, 10, 0, 2, 10, 10, 2}, 1, {10 - r2, r2, 10 + r2, -r2}},  // a left turn
        {{10, 0, 2, 0, 0, 2, 0, -10, 2}, 2, {2, -10, -2, -10}},  // previous point right above
        {{0, 0, 2, 0, 10, 2, 0, 5, 2}, 1, {0, 8, 0, 12}},  // turning back on a vertical line
        {{-10, -20, 2, 10, 0, 2, 30, 0, 2}, 1, {9.234633f, 1.847759f, 10.765367f, -1.847759f}},  // off a diagonal
        // Neighbours on top of the point give no direction.
        {{0, 0, 2, 0, 0, 2, 10, 0, 2}, 1, {0, 2, 0, -2}},
        {{0, 0, 2, 10, 0, 2, 10, 0, 2}, 1, {10, 2, 10, -2}},
        {{5, 5, 2, 5, 5, 2, 5, 5, 2}, 1, {5, 5, 5, 5}},
    };
    for (const auto& c : cases) {
        Doc()->SetTrackPath(new TrackPath(), true);
        for (std::size_t i = 0; i < c.xyw.size(); i += 3)
            Add(c.xyw[i], c.xyw[i + 1], c.xyw[i + 2]);
        for (TrackPoint* p : Path()->points)
            p->ComputeEdges();
        const TrackPoint* p = Chain()[c.at];
        const float got[4] = {p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]};
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(got[i], c.edges[i], 1e-4) << "case " << &c - cases << ", value " << i;
    }
}

// Every edit keeps the edges as a fresh pass along the chain gives them, and its
// damage covers where each point that changed (or went) stood and where it
// stands now, edges included, however far along the chain the edges changed.
TEST_F(ModelTest, EditsKeepEdgesSettledAndDamageWhateverChanged)
{
    using Shape = std::array<float, 6>;  // x, y, left edge, right edge
    const struct {
        const char* name;
        void (*edit)(const Points& chain);
    } edits[] = {
        {"move", [](const Points& c) {
             Path()->Reshape(Points{c[70]}, [&] { c[70]->x += 3, c[70]->y -= 40; });
             Path()->UpdatePointPosition(c[70]);  // as a drag does at its end
         }},
        {"widen", [](const Points& c) { Path()->Reshape(Points{c[3], c[130]}, [&] { c[3]->w = c[130]->w = 9; }); }},
        {"split", [](const Points& c) { Path()->InsertPoint(new TrackPoint(-20, 1, 4, 0), c[64]->nextSegment); }},
        {"append", [](const Points&) { Add(90, -90, 6); }},
        {"remove", [](const Points& c) { Path()->RemovePoint(c[100]); }},
        {"remove first", [](const Points& c) { Path()->RemovePoint(c[0]); }},
        {"remove last", [](const Points& c) { Path()->RemovePoint(c.back()); }},
        {"select", [](const Points& c) { Doc()->Select(c[20]); }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        Doc()->SetTrackPath(new TrackPath(), true);
        for (int i = 0; i < 150; ++i)  // a zigzag that turns back on itself now and then
            Add(-100 + i * 1.3f, (i % 2 ? 5 : -5) + (i % 7 == 0 ? 30 : 0), 1 + i % 3);
        Path()->SettleEdges();
        Path()->TakeDamage();
        std::map<const TrackPoint*, Shape> before;
        for (TrackPoint* p : Path()->points)
            before[p] = {p->x, p->y, p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]};
        const TrackPath::Damage damage = (e.edit(Chain()), Path()->TakeDamage());
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
        ASSERT_FALSE(damage.everything);
        auto covered = [&](float x, float y) {
            return std::any_of(damage.lines.begin(), damage.lines.end(), [&](const BoundingBox& b) {
                return b.minX <= x && x <= b.maxX && b.minY <= y && y <= b.maxY;
            });
        };
        auto coveredShape = [&](const Shape& s) { return covered(s[0], s[1]) && covered(s[2], s[3]) && covered(s[4], s[5]); };
        std::set<const TrackPoint*> alive(Path()->points.begin(), Path()->points.end());
        for (const auto& [p, old] : before) {
            const bool gone = !alive.count(p);
            const Shape now = gone ? old : Shape{p->x, p->y, p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]};
            if (gone || now != old)
                EXPECT_TRUE(coveredShape(old) && coveredShape(now)) << "point at " << old[0] << "," << old[1];
            else if (p->IsSelected())  // its ring, around its position
                EXPECT_TRUE(std::any_of(damage.marks.begin(), damage.marks.end(), [&](const BoundingBox& b) {
                    return b.minX == p->x && b.minY == p->y;
                }));
        }
        for (const TrackPoint* p : alive)
            if (!before.count(p))
                EXPECT_TRUE(coveredShape({p->x, p->y, p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]}));
    }
}

// A path read in one go, then edited, and its snapshot copied node by node must be as
// sound as one built an insert at a time; the snapshot keeps the points with their
// flags. Its size fills several chunks of the pooled storage, which must not overlap.
TEST_F(ModelTest, ReadAndCopiedPathsAreSound)
{
    const int count = 40000;
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> coord(-127, 127);
    std::string text = std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i)
        text += std::to_string(coord(rng)) + "," + std::to_string(coord(rng)) + "," + std::to_string(1 + i % 4) + "," +
                std::to_string(i % 3) + "\n";
    auto* read = new TrackPath(WriteFile("bulk.txt", text).c_str());
    Doc()->SetTrackPath(read, true);
    EXPECT_EQ(CheckPathInvariants(*read), "");
    for (int i = 0; i < 300; ++i)
        read->RemovePoint(*std::next(read->points.begin(), (i * 37) % int(read->Count())));
    read->SetStart(*std::next(read->points.begin(), 700), nullptr);
    read->ReverseDirection(nullptr);
    for (TrackPoint* q : read->points)
        q->flags = int(q->x) & 6;
    Chain()[50]->x *= -1;  // moved across the picture, not yet re-indexed: its copy cannot take its place
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

}  // namespace
