// Paths made in bulk (loaded from a file, copied for the history) must be what
// one insert per point would make, and the pooled storage must hand out
// distinct, aligned, reusable room.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
#include <string>

#include "model/ObjectPool.h"
#include "model/TrackSegment.h"
#include "support/Harness.h"

namespace {

std::string WriteTrack(int n, const char* tail)
{
    std::mt19937 rng(n);
    std::uniform_real_distribution<float> coord(-127, 127);
    std::string text = std::to_string(n) + "\n";
    char line[96];
    for (int i = 0; i < n - 1; ++i) {
        std::snprintf(line, sizeof line, "%f,%f,%f,%d\n", coord(rng), coord(rng), 1.0 + i % 4, i % 3);
        text += line;
    }
    return WriteFile("bulk-model-test.txt", text + tail + "\n");
}

// Where every object of the path sits in its index, as (node depth path, slot, x, y, layer).
std::vector<std::string> Layout(const OctreeNode& node, const std::string& at = "")
{
    std::vector<std::string> out;
    for (const auto& layer : node.items)
        for (std::size_t i = 0; i < layer.size(); ++i) {
            const BoundingBox& b = layer[i]->bounds;
            out.push_back(at + "/" + std::to_string(i) + ":" + std::to_string(b.minX) + "," + std::to_string(b.maxY) +
                          "," + std::to_string(b.minZ));
        }
    for (int k = 0; k < 8; ++k)
        if (node.children[k])
            for (const std::string& s : Layout(*node.children[k], at + std::to_string(k)))
                out.push_back(s);
    return out;
}

// The chain as text, read forwards, or backwards and turned round.
std::vector<std::string> Chain(const TrackPath& path, bool backwards)
{
    std::vector<const TrackPoint*> points(path.points.begin(), path.points.end());
    if (backwards) {
        points.assign(path.points.rbegin(), path.points.rend());
        std::reverse(points.begin(), points.end());
    }
    std::vector<std::string> out;
    for (const TrackPoint* p : points)
        out.push_back(std::to_string(p->x) + "," + std::to_string(p->y) + "," + std::to_string(p->w) + "," +
                      std::to_string(p->type) + "," + std::to_string(p->flags));
    return out;
}

// Its copy cannot stand where the original is indexed.
void MoveWithoutReindexing(TrackPath& p)
{
    (*std::next(p.points.begin(), 50))->x += 40;
}

using BulkModel = SquarePictureTest;

TEST_F(BulkModel, LoadedAndCopiedPathsMatchOneInsertPerPoint)
{
    const struct {
        const char* name;
        int points;
        const char* lastLine;  // a bad last line stops the reading
        void (*edit)(TrackPath&);
    } cases[] = {
        {"loaded", 3000, "1,2,3,0", [](TrackPath&) {}},
        {"stopped at a bad line", 500, "1,2", [](TrackPath&) {}},
        {"edited: removed, restarted, reversed, flagged",
         2000, "5,5,1,1",
         [](TrackPath& p) {
             for (int i = 0; i < 300; ++i)
                 p.RemovePoint(*std::next(p.points.begin(), (i * 37) % int(p.Count())));
             p.SetStart(*std::next(p.points.begin(), 700), nullptr);
             p.ReverseDirection(nullptr);
             for (TrackPoint* q : p.points)
                 q->flags = int(q->x) & 6;
         }},
        {"one point moved without re-indexing", 200, "0,0,1,0", MoveWithoutReindexing},
        {"empty", 1, "x", [](TrackPath&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = WriteTrack(c.points, c.lastLine);
        auto* loaded = new TrackPath(file.c_str());
        Doc()->SetTrackPath(loaded, true);

        TrackPath oneByOne(*loaded);  // same root box and layout...
        while (oneByOne.Count())
            oneByOne.RemovePoint(oneByOne.points.front());
        for (const TrackPoint* p : loaded->points)  // ...then one insert per point
            oneByOne.InsertPoint(new TrackPoint(*p), nullptr);
        EXPECT_EQ(Layout(loaded->index), Layout(oneByOne.index));

        c.edit(*loaded);
        const TrackPath copy(*loaded);
        if (c.edit != MoveWithoutReindexing) {
            EXPECT_EQ(Layout(copy.index), Layout(loaded->index));
        }
        EXPECT_EQ(CheckPathInvariants(copy), "");
        EXPECT_EQ(Chain(copy, false), Chain(*loaded, false));
        EXPECT_EQ(Chain(copy, true), Chain(copy, false));
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
