// File names, saves and storage as each system has them: names in UTF-8 reach
// the files they name, whatever their letters, a save that Windows refuses
// leaves the old file whole, and a large path read and copied spans several of
// the chunks that the system hands the pools. Windowless, so that it runs
// wherever the program is built.
#include <memory>
#include <random>
#include <tuple>

#include "io/Platform.h"
#include "io/SafeFileWriter.h"
#include "support/ModelHarness.h"
#include "support/TestFiles.h"

namespace {

namespace fs = std::filesystem;
const std::string Saved = "2\n1.000000,2.000000,3.000000,0\n-4.500000,5.250000,0.500000,2\n";

fs::path Native(const std::string& utf8) { return fs::u8path(utf8); }

std::string ReadNative(const std::string& utf8)
{
    std::ostringstream text;
    text << std::ifstream(Native(utf8), std::ios::binary).rdbuf();
    return text.str();
}

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

TEST(Platform, SavesReachTheNamedFileAndLeaveNothingElse)
{
    wxLog::SetActiveTarget(&LogCapture::Get());
    TrackPath path;
    path.InsertPoint(new TrackPoint(1, 2, 3, 0), nullptr);
    path.InsertPoint(new TrackPoint(-4.5f, 5.25f, 0.5f, 2), nullptr);
    const struct {
        const char* name;
        const char* before;  // null: no file
        bool readOnly, heldOpen;
        bool saved;
    } cases[] = {
        {"new.txt", nullptr, false, false, true},
        {"Fåglar.txt", "old", false, false, true},
        {"地形 track.txt", nullptr, false, false, true},
#ifdef _WIN32
        // Windows would replace a read-only file by the move: refused before that.
        {"read-only.txt", "old", true, false, false},
        // Open without sharing its deletion, as most programs open files: the move fails.
        {"held open.txt", "old", false, true, false},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = Temp(std::string("save ") + c.name), name = dir + "/" + c.name;
        fs::create_directories(Native(dir));
        if (c.before)
            std::ofstream(Native(name), std::ios::binary) << c.before;
        if (c.readOnly)
            fs::permissions(Native(name), fs::perms::owner_write, fs::perm_options::remove);
        std::ifstream holder;
        if (c.heldOpen)
            holder.open(Native(name));
        ClearLogs();
        EXPECT_EQ(path.Save(name.c_str()), c.saved);
        holder.close();
        EXPECT_EQ(ReadNative(name), c.saved ? AsWritten(Saved) : c.before);
        EXPECT_EQ(std::distance(fs::directory_iterator(Native(dir)), {}), 1) << "a file left behind";
        EXPECT_EQ(Statuses(), c.saved ? Strings{"Successfully saved spline."} : Strings{});
        EXPECT_EQ(Errors().size(), c.saved ? 0u : 1u);
        if (c.readOnly)
            fs::permissions(Native(name), fs::perms::owner_write, fs::perm_options::add);
    }
}

// Every failable step of a save over a file with a non-ASCII name, failed in turn.
TEST(Platform, AFaultAtAnyStepOfASaveKeepsTheOldFile)
{
    wxLog::SetActiveTarget(&LogCapture::Get());
    TrackPath path;
    path.InsertPoint(new TrackPoint(1, 2, 3, 0), nullptr);
    path.InsertPoint(new TrackPoint(-4.5f, 5.25f, 0.5f, 2), nullptr);
    const std::string dir = Temp("faults"), name = dir + "/Fåglar.txt";
    fs::create_directories(Native(dir));
    for (int step = 0;; ++step) {
        SCOPED_TRACE(step);
        std::ofstream(Native(name), std::ios::binary) << "old";
        SafeFileWriter::failStepForTesting = step;
        const bool saved = path.Save(name.c_str());
        const bool faulted = SafeFileWriter::failStepForTesting < 0;
        SafeFileWriter::failStepForTesting = -1;
        EXPECT_EQ(std::distance(fs::directory_iterator(Native(dir)), {}), 1) << "a file left behind";
        // A failure to make the temporary file (an I/O error) is reported too.
        const bool whole = !faulted;
        EXPECT_EQ(saved, whole);
        EXPECT_EQ(ReadNative(name), whole ? AsWritten(Saved) : "old");
        if (!faulted)
            break;
    }
}

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
