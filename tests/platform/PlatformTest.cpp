// File names, saves and storage as each system has them: names in UTF-8 reach
// the files they name, whatever their letters, a save that Windows refuses
// leaves the old file whole (the save table of the file tests has the rest),
// and a large path read and copied spans several of the chunks that the system
// hands the pools. Windowless, so that it runs wherever the program is built.
#include <memory>
#include <random>
#include <tuple>

#include "io/Platform.h"
#include "support/ModelHarness.h"
#include "support/TestFiles.h"

namespace {

namespace fs = std::filesystem;

fs::path Native(const std::string& utf8) { return fs::u8path(utf8); }

TEST(Platform, NamesInAnyLetterAreFoundByTheirEndings)
{
    const struct {
        const char* name;
        bool made;
        const char* ending;  // the one of ".txt", ".tga" and ".bmp" it ends in, or none
    } cases[] = {
        {"plain.txt", true, ".txt"},    {"Fåglar.TXT", true, ".txt"}, {"地形.tga", true, ".tga"},
        {"Ørken.bMp", true, ".bmp"},    {"missing.txt", false, ".txt"}, {"bmp", true, nullptr},
        {"ending.tga.png", true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = Temp(c.name);
        if (c.made)
            std::ofstream(Native(name)) << "x";
        EXPECT_EQ(platform::IsReadable(name.c_str()), c.made);
        for (const char* ending : {".txt", ".tga", ".bmp"})
            EXPECT_EQ(platform::EndsWithNoCase(name.c_str(), ending), c.ending && !std::strcmp(ending, c.ending));
    }
    EXPECT_FALSE(platform::IsReadable(nullptr));
}

#ifdef _WIN32
// What Windows alone has: names that are devices in every folder, files marked
// read-only, and files that other programs hold open.
TEST(Platform, SavesThatWindowsWouldRefuseOrSendElsewhere)
{
    wxLog::SetActiveTarget(&LogCapture::Get());
    TrackPath path;
    path.InsertPoint(new TrackPoint(1, 2, 3, 0), nullptr);
    path.InsertPoint(new TrackPoint(-4.5f, 5.25f, 0.5f, 2), nullptr);
    const struct {
        const char* name;
        bool readOnly, heldOpen;
        bool saved;
    } cases[] = {
        {"nul.txt", false, false, false}, {"con.txt", false, false, false}, {"COM1 .txt", false, false, false},
        // Windows would replace a read-only file by the move: refused before that.
        {"read-only.txt", true, false, false},
        // Open without sharing its deletion, as most programs open files: it cannot be replaced, so it is rewritten.
        {"held open.txt", false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = Temp(std::string("save ") + c.name), name = dir + "/" + c.name;
        const bool device = !c.readOnly && !c.heldOpen;
        fs::create_directories(Native(dir));
        if (!device)
            std::ofstream(Native(name), std::ios::binary) << "old";
        if (c.readOnly)
            fs::permissions(Native(name), fs::perms::owner_write, fs::perm_options::remove);
        std::ifstream holder;
        if (c.heldOpen)
            holder.open(Native(name));
        ClearLogs();
        EXPECT_EQ(path.Save(name.c_str()), c.saved);
        holder.close();
        EXPECT_EQ(ReadFile(name), c.saved ? AsWritten("2\n1.000000,2.000000,3.000000,0\n-4.500000,5.250000,0.500000,2\n") : device ? "" : "old");
        EXPECT_EQ(std::distance(fs::directory_iterator(Native(dir)), {}), !device) << "a file left behind";
        EXPECT_EQ(Errors(), c.saved ? Strings{} : Strings{"Could not open file for write:  " + name});
        if (c.readOnly)
            fs::permissions(Native(name), fs::perms::owner_write, fs::perm_options::add);
    }
}
#endif

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
