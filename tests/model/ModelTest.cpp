// The chain, its index and hit tests, the edge geometry and the pixel mapping, on a
// 256 x 256 picture where world (x, y) is pixel (128 + x, 128 - y).
#include <array>
#include <map>
#include <set>
#include <tuple>

#include "model/CommandRecorder.h"
#include "support/ModelHarness.h"

namespace {

// Notes the commands that the path records.
class ModelTest : public ::testing::Test, public CommandRecorder {
protected:
    void SetUp() override { wxLog::SetActiveTarget(&LogCapture::Get()), ClearLogs(); }
    void RecordCommand(const std::string& name) override { recorded.push_back(name); }
    Strings recorded;
};

TEST_F(ModelTest, ChainOperationsRefuseStrangersAndRecordOnlyWhatChanges)
{
    TrackPath path;
    path.ReverseDirection(this);  // an empty path has no direction to record
    TrackPoint *a = Add(path, 0, 0), *b = Add(path, 10, 0);
    auto* m = new TrackPoint(5, 0, 2, 0);
    ASSERT_TRUE(path.InsertPoint(m, a->nextSegment));
    TrackPoint* c = Add(path, 20, 0);
    TrackPath other;
    auto* stranger = new TrackPoint(1, 1, 1, 0);
    ASSERT_TRUE(other.InsertPoint(stranger, nullptr) && other.InsertPoint(new TrackPoint(2, 2, 1, 0), nullptr));
    EXPECT_FALSE(path.InsertPoint(nullptr, nullptr));
    EXPECT_FALSE(path.InsertPoint(m, nullptr));  // linked already
    EXPECT_FALSE(path.InsertPoint(new TrackPoint(3, 3, 1, 0), stranger->nextSegment));
    EXPECT_EQ(Errors(), (Strings{"Invalid point to insert into track path!", "Invalid prev segment on point!  Not inserting!",
                                 "Couldn't find point in list, something's weird!"}));
    path.SetStart(a, this);  // already the start: nothing recorded
    path.SetStart(b, this);  // b c a m
    path.ReverseDirection(this);
    EXPECT_EQ(Chain(path), (Points{b, m, a, c}));
    EXPECT_EQ(recorded, (Strings{"set-start", "reverse-direction"}));
}

// Points within the pick square, its edge included; a diagonal within about 7.07 units of
// its line, an axis-parallel segment wherever its box meets the square.
TEST_F(ModelTest, HitTestsAnswerNearTheCursorAndPixelsClampFarOut)
{
    TrackPath path;
    TrackPoint *a = Add(path, -50, -50), *b = Add(path, 50, 50), *c = Add(path, 50, -50);
    for (auto [x, y, point, segment] : {std::tuple{-50, -50, a, a}, {0, 9, nullptr, a}, {0, 11, nullptr, nullptr},
                                        {40, -50, c, b}, {39, -50, nullptr, nullptr}}) {
        std::vector<TrackSegment*> segments;
        path.FindSegmentsAt(PixelMapping(256, 256), 128 + x, 128 - y, segments);
        EXPECT_EQ(PointsAt(path, x, y), Points(point ? 1 : 0, point)) << x << "," << y;
        EXPECT_EQ(segments, std::vector<TrackSegment*>(segment ? 1 : 0, segment ? segment->nextSegment : nullptr));
    }
    // A 512 x 256 picture stretches the world square; far positions land beyond it on
    // their own side; no number and no size map nothing.
    const PixelMapping mapping(512, 256);
    int px, py, qx, qy;
    float x, y;
    EXPECT_TRUE(mapping.PixelToWorld(128, 192, x, y) && x == -64 && y == -64 && mapping.WorldToPixel(64, 32, px, py) &&
                px == 384 && py == 96 && mapping.scaleX == 0.5f && mapping.scaleY == 1.0f) << px << "," << py;
    EXPECT_TRUE(mapping.WorldToPixel(INFINITY, -1e30f, px, py) && px > 512 && py > 256 &&
                mapping.WorldToPixel(-1e30f, INFINITY, qx, qy) && qx < 0 && qy < 0) << px << " " << qx;
    EXPECT_FALSE(mapping.WorldToPixel(NAN, 0, px, py) || PixelMapping(0, 5).PixelToWorld(1, 1, x, y));
    EXPECT_TRUE(PixelMapping(1, 1).PixelToWorld(0, 0, x, y));  // the smallest picture
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
        TrackPath path;
        for (std::size_t i = 0; i < c.xyw.size(); i += 3)
            Add(path, c.xyw[i], c.xyw[i + 1], c.xyw[i + 2]);
        for (TrackPoint* p : path.points)
            p->ComputeEdges();
        const TrackPoint* p = Chain(path)[c.at];
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
    const auto shape = [](const TrackPoint* p) { return Shape{p->x, p->y, p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]}; };
    const struct { const char* name; void (*edit)(TrackPath& path, const Points& chain); } edits[] = {
        {"move", [](TrackPath& path, const Points& c) {
             path.Reshape(Points{c[70]}, [&] { c[70]->x += 3, c[70]->y -= 40; });
             path.UpdatePointPosition(c[70]);  // as a drag does at its end
         }},
        {"widen", [](TrackPath& path, const Points& c) { path.Reshape(Points{c[3], c[130]}, [&] { c[3]->w = c[130]->w = 9; }); }},
        {"split", [](TrackPath& path, const Points& c) { path.InsertPoint(new TrackPoint(-20, 1, 4, 0), c[64]->nextSegment); }},
        {"append", [](TrackPath& path, const Points&) { Add(path, 90, -90, 6); }},
        {"remove", [](TrackPath& path, const Points& c) { path.RemovePoint(c[100]); }},
        {"remove first", [](TrackPath& path, const Points& c) { path.RemovePoint(c[0]); }},
        {"remove last", [](TrackPath& path, const Points& c) { path.RemovePoint(c.back()); }},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(e.name);
        TrackPath path;
        for (int i = 0; i < 150; ++i)  // a zigzag that turns back on itself now and then
            Add(path, -100 + i * 1.3f, (i % 2 ? 5 : -5) + (i % 7 == 0 ? 30 : 0), 1 + i % 3);
        path.SettleEdges();
        path.TakeDamage();
        std::map<const TrackPoint*, Shape> before;
        for (TrackPoint* p : path.points)
            before[p] = shape(p);
        const TrackPath::Damage damage = (e.edit(path, Chain(path)), path.TakeDamage());
        EXPECT_EQ(CheckPathInvariants(path), "");
        ASSERT_FALSE(damage.everything);
        const auto covered = [&](const Shape& s) {
            for (int k = 0; k < 6; k += 2)
                if (std::none_of(damage.lines.begin(), damage.lines.end(), [&](const BoundingBox& b) {
                        return b.minX <= s[k] && s[k] <= b.maxX && b.minY <= s[k + 1] && s[k + 1] <= b.maxY;
                    }))
                    return false;
            return true;
        };
        std::set<const TrackPoint*> alive(path.points.begin(), path.points.end());
        for (const auto& [p, old] : before)  // a point gone stands nowhere now
            EXPECT_TRUE((alive.count(p) && shape(p) == old) || (covered(old) && (!alive.count(p) || covered(shape(p)))))
                << "point at " << old[0] << "," << old[1];
        for (const TrackPoint* p : alive)
            EXPECT_TRUE(before.count(p) || covered(shape(p)));
    }
}

}  // namespace
