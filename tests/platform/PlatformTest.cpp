// Storage as each system hands it out: a large path read and copied spans
// several of the chunks that the system gives the pools (names in any letters
// are the file tests' and the Windows session's). Windowless, so that it runs
// wherever the program is built.
#include <memory>
#include <random>
#include <tuple>

#include "support/ModelHarness.h"
#include "support/TestFiles.h"

namespace {

// A path read in one go, then edited, and its snapshot copied node by node must be as
// sound as one built an insert at a time; the snapshot keeps the points with their
// flags. Its size fills several chunks of the pooled storage, which must not overlap.
TEST(Platform, ReadAndCopiedPathsAreSound)
{
    const int count = 40000;
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> coord(-127, 127);
    std::string text = std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i)
        text += std::to_string(coord(rng)) + "," + std::to_string(coord(rng)) + "," + std::to_string(1 + i % 4) + "," +
                std::to_string(i % 3) + "\n";
    const auto read = std::make_unique<TrackPath>(WriteFile("bulk.txt", text).c_str());
    EXPECT_EQ(CheckPathInvariants(*read), "");
    for (int i = 0; i < 300; ++i)
        read->RemovePoint(*std::next(read->points.begin(), (i * 37) % int(read->Count())));
    read->SetStart(*std::next(read->points.begin(), 700), nullptr);
    read->ReverseDirection(nullptr);
    for (TrackPoint* q : read->points)
        q->flags = int(q->x) & 6;
    Chain(*read)[50]->x *= -1;  // moved across the picture, not yet re-indexed: its copy cannot take its place
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
