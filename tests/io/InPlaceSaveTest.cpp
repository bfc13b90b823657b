// Saving where no file can be made beside the target, or where the target has
// other hard links: the target itself is rewritten, and a fault at any step is
// reported, saying when the old content is gone.
#include <filesystem>
#include <fstream>

#include <sys/mount.h>
#include <sys/stat.h>

#include "editor/FileName.h"
#include "io/SafeFileWriter.h"
#include "support/GuiDriver.h"

namespace fs = std::filesystem;

namespace {

struct stat Stat(const fs::path& file)
{
    struct stat st = {};
    stat(file.c_str(), &st);
    return st;
}

const fs::path Dir = [] { fs::create_directory(Temp("in-place")); return fs::path(Temp("in-place")); }();
std::size_t Entries() { return std::size_t(std::distance(fs::directory_iterator(Dir), fs::directory_iterator())); }

const std::string OldText = "1\n9.000000,9.000000,9.000000,0\n";
const std::string NewText = "2\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n";

class InPlaceSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::ResetDocument();
        path.InsertPoint(new TrackPoint(1, 2, 3, 0), nullptr);
        path.InsertPoint(new TrackPoint(4, 5, 6, 1), nullptr);
    }
    TrackPath path;
};

TEST_F(InPlaceSave, RewritesTheTargetAndReportsAFaultAtEveryStep)
{
    // Longer than a name may be once the temporary file's dot and suffix are added.
    const std::string longName = std::string(250, 'n') + ".txt";
    const struct {
        const char* what;
        std::string name;
        bool exists, hardLinked;
        int openStep;  // the hook's step that opens the target; earlier ones make the temporary file
    } cases[] = {
        {"hard-linked", "track.txt", true, true, 0},
        {"no temporary file", longName, true, false, 1},
        {"no temporary file, new file", longName, false, false, 1},
    };
    for (const auto& c : cases) {
        for (int step = 0;; ++step) {
            SCOPED_TRACE(std::string(c.what) + ", failing step " + std::to_string(step));
            const fs::path target = Dir / c.name, link = Dir / "link.txt";
            fs::remove(target), fs::remove(link);
            if (c.exists)
                std::ofstream(target) << OldText;
            if (c.hardLinked)
                fs::create_hard_link(target, link);
            const ino_t inode = Stat(target).st_ino;
            const std::size_t entries = Entries();
            const std::string name = currentFileName;
            ClearLogs();

            SafeFileWriter::failStepForTesting = step;
            const bool saved = path.Save(target.c_str());
            const bool faulted = SafeFileWriter::failStepForTesting < 0;
            SafeFileWriter::failStepForTesting = -1;

            EXPECT_TRUE(!c.hardLinked || Stat(link).st_ino == Stat(target).st_ino) << "the link was parted";
            if (!faulted || step < c.openStep) {
                EXPECT_TRUE(saved);
                EXPECT_EQ(ReadFile(target), NewText);
                EXPECT_TRUE(!c.exists || Stat(target).st_ino == inode) << "replaced, not rewritten";
                EXPECT_EQ(Entries(), entries + (c.exists ? 0 : 1));
                if (!faulted)
                    break;
                continue;
            }
            EXPECT_FALSE(saved);
            EXPECT_EQ(currentFileName, name);
            EXPECT_EQ(Statuses(), Strings{});
            EXPECT_EQ(Entries(), entries) << "a file was left behind";
            const std::string lost = c.exists ? "; the file's previous content is lost." : ".";
            EXPECT_EQ(Errors(),
                      Strings{step == c.openStep ? "Could not open file for write:  " + target.string()
                                                 : "Could not write the track path to " + target.string() +
                                                       " (Input/output error)" + lost});
            EXPECT_TRUE(step != c.openStep || !c.exists || ReadFile(target) == OldText);
        }
    }
}

TEST_F(InPlaceSave, AReplacedFileKeepsItsOwnerAndAFullDiskKeepsTheOldFile)
{
    const fs::path owned = Dir / "owned.txt";
    std::ofstream(owned) << OldText;
    ASSERT_EQ(chown(owned.c_str(), 65534, 65534), 0);
    const ino_t inode = Stat(owned).st_ino;
    ASSERT_TRUE(path.Save(owned.c_str()));
    EXPECT_NE(Stat(owned).st_ino, inode) << "a file with one name is replaced whole";
    EXPECT_EQ(Stat(owned).st_uid, 65534u);
    EXPECT_EQ(Stat(owned).st_gid, 65534u);

    // No inode left for a temporary file: writing in place would risk the old content.
    const fs::path full = Dir / "full";
    fs::create_directory(full);
    if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k,nr_inodes=2") != 0) {
        GTEST_SKIP() << "no tiny file system to fill (mount failed)";
    }
    std::ofstream(full / "track.txt") << OldText;
    ClearLogs();
    EXPECT_FALSE(path.Save((full / "track.txt").c_str()));
    EXPECT_EQ(Errors(), Strings{"Could not open file for write:  " + (full / "track.txt").string()});
    EXPECT_EQ(ReadFile(full / "track.txt"), OldText);
    umount(full.c_str());
}

}  // namespace
