// Chain operations, hit tests, edge geometry and pixel clamping, on a path of the
// tests' own: no document, no window.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <memory>

#include "model/CommandRecorder.h"
#include "model/PixelMapping.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"

namespace {

using Points = std::vector<TrackPoint*>;
using Segments = std::vector<TrackSegment*>;

// The path under test, fresh for every test and for every NewPath().
std::unique_ptr<TrackPath> current;
void NewPath() { current = std::make_unique<TrackPath>(); }
TrackPath* Path() { return current.get(); }
Points Chain() { return {Path()->points.begin(), Path()->points.end()}; }

struct Recorder : CommandRecorder {
    void RecordCommand(const std::string& name) override { names.push_back(name); }
    std::vector<std::string> names;
};

TrackPoint* Add(float x, float y, float w = 2.0f)
{
    auto* p = new TrackPoint(x, y, w, 0);
    EXPECT_TRUE(Path()->InsertPoint(p, nullptr));
    return p;
}

// On the 256 x 256 picture of these tests pixel (128 + x, 128 - y) is world (x, y).
const PixelMapping Picture(256, 256);
Points PointsAt(int x, int y) { Points o; Path()->FindPointsAt(Picture, 128 + x, 128 - y, o); return o; }
Segments SegmentsAt(int x, int y) { Segments o; Path()->FindSegmentsAt(Picture, 128 + x, 128 - y, o); return o; }

void ComputeAllEdges() { for (TrackPoint* p : Path()->points) p->ComputeEdges(); }
void ExpectEdges(const TrackPoint* p, float lx, float ly, float rx, float ry)
{
    EXPECT_TRUE(std::hypot(p->leftEdge[0] - lx, p->leftEdge[1] - ly) < 1e-4 &&
                std::hypot(p->rightEdge[0] - rx, p->rightEdge[1] - ry) < 1e-4)
        << p->leftEdge[0] << "," << p->leftEdge[1] << "  " << p->rightEdge[0] << "," << p->rightEdge[1];
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NewPath();
        LogCapture::Get().Clear();
    }
    void TearDown() override { current.reset(); }
};

}  // namespace

TEST_F(ModelTest, InsertAndRemoveKeepTheChainLinked)
{
    TrackPoint* a = Add(0, 0);
    TrackPoint* b = Add(10, 0);
    auto* m = new TrackPoint(5, 0, 2, 0);
    ASSERT_TRUE(Path()->InsertPoint(m, a->nextSegment));
    TrackPoint* c = Add(20, 0);
    EXPECT_EQ(Chain(), (Points{a, m, b, c}));
    // Refused: no point, a point already linked, a point of another path.
    EXPECT_FALSE(Path()->InsertPoint(nullptr, nullptr));
    EXPECT_EQ(LogCapture::Get().LastError(), "Invalid point to insert into track path!");
    EXPECT_FALSE(Path()->InsertPoint(m, nullptr));
    EXPECT_EQ(LogCapture::Get().LastError(), "Invalid prev segment on point!  Not inserting!");
    TrackPath other;
    auto* stranger = new TrackPoint(1, 1, 1, 0);
    ASSERT_TRUE(other.InsertPoint(stranger, nullptr));
    EXPECT_FALSE(Path()->InsertPoint(stranger, nullptr));
    EXPECT_EQ(Chain(), (Points{a, m, b, c}));
    for (TrackPoint* gone : {m, a, c, b}) {  // middle, first, last, only
        Path()->RemovePoint(gone);
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
    }
    EXPECT_EQ(Path()->Count(), 0u);
}

TEST_F(ModelTest, SetStartAndReverseTreatTheChainAsALoop)
{
    Recorder record;
    Path()->ReverseDirection(&record);  // an empty path has no direction to record
    TrackPoint* p1 = Add(0, 0);
    TrackPoint* p2 = Add(10, 0);
    Path()->ReverseDirection(&record);  // two points: the start stays, so nothing changes
    EXPECT_EQ(Chain(), (Points{p1, p2}));
    TrackPoint* p3 = Add(10, 10);
    TrackPoint* p4 = Add(0, 10);
    Path()->SetStart(p1, &record);  // already the start: nothing recorded
    EXPECT_EQ(record.names, std::vector<std::string>{"reverse-direction"});
    Path()->SetStart(p3, &record);
    EXPECT_EQ(Chain(), (Points{p3, p4, p1, p2}));
    Path()->ReverseDirection(&record);
    EXPECT_EQ(Chain(), (Points{p3, p2, p1, p4}));
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
    EXPECT_EQ(record.names,
              (std::vector<std::string>{"reverse-direction", "set-start", "reverse-direction"}));
    Path()->SetStart(p4, nullptr);  // nobody to tell: it still turns
    EXPECT_EQ(Chain(), (Points{p4, p3, p2, p1}));
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
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
}

TEST_F(ModelTest, EdgesLieOnTheNormalAtTheEndsAndOnTheBisectorInBetween)
{
    TrackPoint* a = Add(0, 0, 2);
    TrackPoint* b = Add(10, 0, 3);
    ComputeAllEdges();
    ExpectEdges(a, 0, 2, 0, -2);
    ExpectEdges(b, 10, 3, 10, -3);
    Add(20, 0, 2);  // in line: b stays on the perpendicular, left still on the left
    ComputeAllEdges();
    ExpectEdges(b, 10, 3, 10, -3);

    NewPath();  // a left turn, then a vertical last segment
    Add(0, 0, 2);
    TrackPoint* corner = Add(10, 0, 2);
    TrackPoint* top = Add(10, 10, 2);
    ComputeAllEdges();
    ExpectEdges(corner, 10 - M_SQRT2, M_SQRT2, 10 + M_SQRT2, -M_SQRT2);
    ExpectEdges(top, 8, 10, 12, 10);

    // Nothing to go by (a lone point, a neighbour on top of the point): finite edges all the same.
    const std::vector<std::vector<float>> layouts = {
        {3, 4}, {0, 0, 0, 0, 10, 0}, {0, 0, 10, 0, 10, 0}, {5, 5, 5, 5, 5, 5}, {0, 0, 0, 10, 0, 10}};
    for (const auto& layout : layouts) {
        NewPath();
        for (std::size_t i = 0; i < layout.size(); i += 2)
            Add(layout[i], layout[i + 1], 2);
        ComputeAllEdges();
        for (const TrackPoint* p : Path()->points)
            for (float v : {p->leftEdge[0], p->leftEdge[1], p->rightEdge[0], p->rightEdge[1]})
                EXPECT_TRUE(std::isfinite(v)) << "layout " << &layout - &layouts[0];
    }
}

TEST_F(ModelTest, FarWorldValuesClampAndNaNIsRefused)
{
    const PixelMapping wide(512, 256);
    EXPECT_TRUE(wide.scaleX == 0.5f && wide.scaleY == 1.0f);
    int px, py;
    for (float big : {1e12f, FLT_MAX, INFINITY}) {  // beyond the picture on its own side
        ASSERT_TRUE(wide.WorldToPixel(big, -big, px, py));
        EXPECT_TRUE(px > 512 && py > 256) << px << "," << py;
        ASSERT_TRUE(wide.WorldToPixel(-big, big, px, py));
        EXPECT_TRUE(px < 0 && py < 0) << px << "," << py;
    }
    EXPECT_FALSE(wide.WorldToPixel(NAN, 0, px, py) || wide.WorldToPixel(0, NAN, px, py));
}

TEST_F(ModelTest, PixelsMapOntoTheWholePictureAndNothingMapsWithoutOne)
{
    Add(0, 0);
    const std::string zero = "Invalid bitmap dimensions:  ";
    const struct {
        PixelMapping mapping;
        std::string error;  // logged by each pixel-to-world conversion; empty when none
        bool maps;
    } cases[] = {
        {PixelMapping(512, 256), "", true},
        {PixelMapping(), "", false},
        {PixelMapping(0, 256), zero + "0x256", false},
        {PixelMapping(512, 0), zero + "512x0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mapping.width << "x" << c.mapping.height);
        LogCapture::Get().Clear();
        float x = 0, y = 0, x2 = 0, y2 = 0;
        Points points;
        EXPECT_EQ(c.mapping.PixelToWorld(384, 64, x, y), c.maps);
        EXPECT_TRUE(!c.maps || (x == 64 && y == 64)) << x << "," << y;
        EXPECT_EQ(c.mapping.PixelSquareToWorldBox(256, 128, 10, x, y, x2, y2), c.maps);
        EXPECT_TRUE(!c.maps || (x == -5 && y == 10 && x2 == 5 && y2 == -10))
            << x << "," << y << " " << x2 << "," << y2;
        EXPECT_EQ(Path()->FindPointsAt(c.mapping, 256, 128, points), c.maps);
        EXPECT_EQ(points.size(), c.maps ? 1u : 0u);
        EXPECT_EQ(LogCapture::Get().errors,
                  c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>(3, c.error));
    }
    int px = 0, py = 0;
    EXPECT_TRUE(PixelMapping(512, 256).WorldToPixel(64, 64, px, py) && px == 384 && py == 64)
        << px << "," << py;
    EXPECT_FALSE(PixelMapping().WorldToPixel(0, 0, px, py));
    EXPECT_TRUE(PixelMapping().scaleX == 1.0f && PixelMapping().scaleY == 1.0f);
}
