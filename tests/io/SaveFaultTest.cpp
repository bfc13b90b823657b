// Saves that survive faults: a failure at every failable step of a save leaves
// the target as the complete old file (or absent, if there was none) and no
// temporary file beside it; a full disk is reported and changes nothing. Also
// replays the fuzzing corpora through the readers.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>
#include <wx/bitmap.h>

#include "io/SafeFileWriter.h"
#include "io/TgaReader.h"
#include "model/FileName.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Spill(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

// A path long enough that its text spans several stdio buffers, and that text.
TrackPath* BigPath(int count, std::string& text)
{
    auto* path = new TrackPath();
    text = std::to_string(count) + "\n";
    char line[128];
    for (int i = 0; i < count; ++i) {
        const float x = -120.0f + 0.75f * float(i % 320), y = 0.1f * float(i), w = 1.5f;
        path->InsertPoint(new TrackPoint(x, y, w, i % 3), nullptr);
        std::snprintf(line, sizeof line, "%.6f,%.6f,%.6f,%d\n", double(x), double(y), double(w), i % 3);
        text += line;
    }
    return path;
}

std::size_t Entries(const fs::path& dir)
{
    return std::size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

struct TempDir {
    TempDir()
    {
        char pattern[] = "/tmp/vse-savefault-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

}  // namespace

TEST(SaveFaults, AFaultAtEveryStepKeepsTheOldFileWhole)
{
    gui::ResetDocument();
    std::string newText;
    std::unique_ptr<TrackPath> path(BigPath(600, newText));
    const std::string oldText = "2\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n";
    enum Target { Existing, Absent, Linked };
    int survived = 0, lost = 0;
    for (Target kind : {Existing, Absent, Linked}) {
        TempDir dir;
        const fs::path file = dir.path / "track.txt";
        const fs::path name = kind == Linked ? dir.path / "link.txt" : file;
        // Step 0, making the temporary file, turns the save into a rewrite in
        // place (InPlaceSaveTest), which can lose the old file.
        for (int step = 1;; ++step) {
            SCOPED_TRACE("target kind " + std::to_string(kind) + ", failing step " + std::to_string(step));
            fs::remove(file);
            if (kind != Absent)
                Spill(file, oldText);
            if (kind == Linked && !fs::is_symlink(name))
                fs::create_symlink("track.txt", name);
            const std::size_t entries = Entries(dir.path);
            const std::string before = currentFileName;
            LogCapture::Get().Clear();

            SafeFileWriter::failStepForTesting = step;
            const bool saved = path->Save(name.c_str());
            const bool faulted = SafeFileWriter::failStepForTesting < 0;
            SafeFileWriter::failStepForTesting = -1;
            if (!faulted) {  // every step has had its fault: this save ran clean
                EXPECT_TRUE(saved);
                EXPECT_EQ(Slurp(file), newText);
                EXPECT_GT(step, 600);
                break;
            }
            const bool whole = kind == Absent ? !fs::exists(file) : Slurp(file) == oldText;
            EXPECT_FALSE(saved);
            EXPECT_TRUE(whole);
            EXPECT_EQ(Entries(dir.path), entries) << "a temporary file was left behind";
            EXPECT_EQ(currentFileName, before);
            EXPECT_EQ(LogCapture::Get().errors.size(), 1u);
            EXPECT_TRUE(LogCapture::Get().statuses.empty());
            EXPECT_EQ(fs::is_symlink(name), kind == Linked);
            (whole && !saved ? survived : lost)++;
        }
    }
    gui::ResetDocument();
    std::printf("save-faults-survived: %d (%d lost files)\n", survived, lost);
}

TEST(SaveFaults, AFullDiskIsReportedAndChangesNothing)
{
    gui::ResetDocument();
    std::string text;
    std::unique_ptr<TrackPath> path(BigPath(600, text));
    const std::string before = currentFileName;

    LogCapture::Get().Clear();
    EXPECT_FALSE(path->Save("/dev/full"));
    EXPECT_EQ(LogCapture::Get().errors.size(), 1u);
    EXPECT_EQ(currentFileName, before);

    TempDir dir;
    if (mount("tmpfs", dir.path.c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "no tiny file system to fill (mount failed)";
    const fs::path file = dir.path / "track.txt";
    const std::string oldText = "1\n1.000000,2.000000,3.000000,0\n";
    Spill(file, oldText);
    // The new text (about 18 KB) cannot fit beside the old one.
    LogCapture::Get().Clear();
    EXPECT_FALSE(path->Save(file.c_str()));
    EXPECT_EQ(LogCapture::Get().errors.size(), 1u);
    EXPECT_EQ(Slurp(file), oldText);
    EXPECT_EQ(Entries(dir.path), 1u);
    EXPECT_EQ(currentFileName, before);
    umount(dir.path.c_str());
    gui::ResetDocument();
}

// Every seed and every input the fuzzers once stumbled on goes through the readers.
TEST(SaveFaults, FuzzCorporaReadCleanly)
{
    gui::ResetDocument();
    const fs::path corpus = fs::path(VSE_TEST_DATA_DIR) / "corpus";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(corpus / "path-reader")) {
        TrackPath path(entry.path().c_str());
        EXPECT_TRUE(path.valid) << entry.path();
        EXPECT_EQ(CheckPathInvariants(path), "") << entry.path();
        ++files;
    }
    for (const auto& entry : fs::directory_iterator(corpus / "tga-reader")) {
        std::unique_ptr<wxBitmap> picture(ReadTga(entry.path().c_str()));
        EXPECT_TRUE(!picture || picture->IsOk()) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 10);
    gui::ResetDocument();
}
