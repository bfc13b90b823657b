// The track path file: what is read and refused, saves that never lose the old file,
// and saved lines that are printf's, byte for byte, since other tools read the files.
#include <cfloat>
#include <climits>

#ifdef __linux__
#include <sys/mount.h>
#endif

#include "io/PointLine.h"
#include "io/SafeFileWriter.h"
#include "support/GuiDriver.h"

namespace {

namespace fs = std::filesystem;
FileCommands* Files() { return FileCommands::Instance(); }
const char* const Three = "3\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n7.000000,8.000000,9.000000,2\n";
const std::string Saved = "Successfully saved spline.\n";

// Saves the path under the name; every line that logged, statuses first.
std::string Save(const std::string& name)
{
    ClearLogs();
    Files()->SaveSpline(Path(), name.c_str());
    std::string logs;
    for (const auto* lines : {&Statuses(), &Errors()})
        for (const std::string& line : *lines)
            logs += line + "\n";
    return logs;
}

TEST(PathFile, ReadsWhatFscanfReadsAndRefusesWhatIsNoNumber)
{
    const std::string point0 = "Could not read point 0!  Invalid format:  ", unopened = "Could not open file for read:  ";
    fs::create_directories(Temp("folder.txt"));  // opens for reading here, but must not empty the path
    const struct {
        const char* text;  // null: the name is not a file
        std::size_t points;
        std::string error;  // the file name follows it
    } cases[] = {
        {"3\n1,2,3,0\n4,5,6,1\n", 2, "Could not read point 2!  Invalid format:  "},
        {"-5\n1,2,3,0\n", 0, ""},
        {"1\n1.0 ,2.0,3.0,0\n", 0, point0},
        {"2\r\n1.0, 2.0,\t3.0, 0\r\n4,5,\n6,1 and whatever follows", 2, ""},
        {"1\nnan,2,3,0\n", 0, point0},
        {"1\n1,2,1e39,0\n", 0, point0},
        {"1\n1e-50,2,3,0\n", 1, ""},  // underflows to zero: still a number
        {"1\n1,2,3,99999999999\n", 0, point0},
        {"99999999999999999999\n1,2,3,0\n", 0, "Could not read # points!  Invalid format:  "},
        {nullptr, 1, unopened},  // a folder
        {nullptr, 1, unopened},  // a missing file
    };
    for (const auto& c : cases) {
        const std::size_t n = &c - cases;
        SCOPED_TRACE(n);
        gui::ResetDocument();
        Add(0, 0);  // a load over points is recorded; one that fails keeps them
        SetFileName("before.txt");
        const std::string file = c.text ? WriteFile("%s%n" + std::to_string(n) + ".txt", c.text)
                                        : Temp(n + 1 == std::size(cases) ? "missing.txt" : "folder.txt");
        const long open = OpenFiles();
        Files()->LoadSpline(file.c_str());
        EXPECT_EQ(OpenFiles(), open) << "a file left open";
        EXPECT_EQ(Path()->Count(), c.points);
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
        EXPECT_EQ(Statuses(), Strings{c.text ? "Successfully loaded new spline." : "Failed to load new spline."});
        EXPECT_EQ(UndoNames(), c.text ? Strings{"load-spline"} : Strings{});
        EXPECT_EQ(Errors(), c.error.empty() ? Strings{} : Strings{c.error + file});
        EXPECT_EQ(currentFileName, c.error.empty() ? file : "before.txt");
    }
}

// Only a complete read names the document, so a plain save cannot write a part over the whole.
TEST(PathFile, PlainSaveOfAnIncompleteReadAsksForANameInstead)
{
    gui::ResetDocument();
    const std::string previous = WriteFile("previous.txt", Three);
    SetFileName(previous);
    Files()->LoadSpline(WriteFile("part.txt", "3\n1,2,3,0\n4,5,6,1\n").c_str());
    wxTEST_DIALOG(gui::Command(ID_SAVE_SPLINE), AnswerFile(Temp("chosen.txt")));
    EXPECT_EQ(ReadFile(previous), Three);
    EXPECT_EQ(ReadFile(Temp("chosen.txt")), "2\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n");
    EXPECT_EQ(currentFileName, Temp("chosen.txt"));
}

TEST(PathFile, AFaultAtEveryStepOfASaveIsReportedAndLosesNothingItNeedNot)
{
    gui::ResetDocument();
    Files()->LoadSpline(WriteFile("three.txt", Three).c_str());
    const std::string old = "1\n1.000000,2.000000,3.000000,0\n", longName = std::string(250, 'n') + ".txt";
    const struct {
        std::string what, name;  // a file name too long for a temporary name beside it makes the save write in place
        bool exists, symlinked, hardLinked;
        int open;  // the failable step that opens the target for writing in place, -1 for a safe replacement
    } kinds[] = {
        {"existing", "track.txt", true, false, false, -1}, {"behind a link", "track.txt", true, true, false, -1},
        {"hard-linked", "track.txt", true, false, true, 0}, {"long name", longName, true, false, false, 1},
        {"new long name", longName, false, false, false, 1},
    };
    for (const auto& k : kinds) {
        const fs::path dir = Temp(k.what), file = dir / k.name, name = k.symlinked ? dir / "link.txt" : file;
        fs::create_directories(dir);
        if (k.symlinked)
            fs::create_symlink(k.name, name);
        for (int step = 0;; ++step) {
            SCOPED_TRACE(k.what + ", failing step " + std::to_string(step));
            fs::remove(file);
            fs::remove(dir / "hard.txt");
            if (k.exists)
                WriteFile(k.what + "/" + k.name, old);
            if (k.hardLinked)
                fs::create_hard_link(file, dir / "hard.txt");
            const auto entries = std::distance(fs::directory_iterator(dir), {});
            SetFileName("kept.txt");
            SafeFileWriter::failStepForTesting = step;
            const std::string logs = Save(name.string());
            const bool faulted = SafeFileWriter::failStepForTesting < 0;
            SafeFileWriter::failStepForTesting = -1;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), entries + (logs == Saved && !k.exists)) << "a file left behind";
            EXPECT_TRUE(!k.hardLinked || ReadFile(dir / "hard.txt") == ReadFile(file)) << "the link was parted";
            // Step 0 of a safe replacement makes the temporary file: failing, the save writes in place.
            if (!faulted || (step == 0 && k.open != 0)) {
                EXPECT_EQ(logs + ReadFile(file), Saved + Three);
                if (!faulted)
                    break;
                continue;
            }
            EXPECT_EQ(currentFileName, "kept.txt");
            const bool kept = step == k.open || k.open < 0;  // failed before the target was touched
            EXPECT_TRUE(!(kept || !k.exists) || ReadFile(file) == (kept && k.exists ? old : ""));
            EXPECT_EQ(logs, step == k.open ? "Could not open file for write:  " + name.string() + "\n"
                                           : "Could not write the track path to " + name.string() +
                                                 " (Input/output error)" +
                                                 (kept || !k.exists ? ".\n" : "; the file's previous content is lost.\n"));
        }
    }
}

TEST(PathFile, SavesWithoutRoomAreReportedAndKeepTheOldFile)
{
    gui::ResetDocument();
    Add(1, 2, 3, 0);
    EXPECT_EQ(Save("/dev/null"), Saved);  // a device is written as it is, and cannot be synced
    EXPECT_EQ(Save("/dev/full"), "Could not write the track path to /dev/full (No space left on device).\n");
    EXPECT_EQ(Save(Temp()), "Could not open file for write:  " + Temp() + "\n");
    // With no room even for a temporary file the old one stays.
    fs::create_directory(Temp("full"));
#ifdef __linux__
    if (mount("tmpfs", Temp("full").c_str(), "tmpfs", 0, "size=64k,nr_inodes=2") == 0) {
        const std::string full = WriteFile("full/track.txt", "old");
        EXPECT_EQ(Save(full), "Could not open file for write:  " + full + "\n");
        EXPECT_EQ(ReadFile(full), "old");
        umount(Temp("full").c_str());
    }
#endif
}

// Nothing when both ways write the same line, else both lines.
std::string Differs(float x, float y, float w, int type)
{
    char ours[PointLine::MaxLength], theirs[256];
    const std::string a(ours, PointLine::Format(ours, x, y, w, type));
    const std::string b(theirs, std::size_t(std::snprintf(theirs, sizeof theirs, "%.6f,%.6f,%.6f,%d\n", double(x),
                                                            double(y), double(w), type)));
    return a == b ? "" : a + b;
}

TEST(PointLine, WritesWhatPrintfWrites)
{
    const float values[] = {
        0.0f, -0.0f, 1.0f, -2.5f, 127.999999f, -127.99999f,
        0.0078125f, 0.0234375f, -0.0078125f,  // halves of a millionth: to the even digit
        0.0000005f, 0.0000015f, -0.0000005f,  // close to halves, rounding away
        1e-7f, -1e-9f, FLT_TRUE_MIN, -FLT_TRUE_MIN,  // round to a zero that keeps its sign
        8388607.5f, 16777216.0f, 8796093022208.0f, 8796093022207.0f * 0.999f, -1.5e13f,  // the fast path's edge
        1e20f, -3e38f, FLT_MAX, INFINITY, NAN,  // handed to snprintf
    };
    const int types[] = {0, 1, 2, -1, INT_MIN, INT_MAX};
    for (std::size_t i = 0; i < sizeof values / sizeof values[0]; ++i)
        EXPECT_EQ(Differs(values[i], -values[i], values[i] * 0.5f, types[i % 6]), "");
    // Any bit pattern at all, beside positions like a track's.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-128.0f, 128.0f);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = rng();
        float any;
        std::memcpy(&any, &bits, sizeof any);
        const float y = coord(rng), w = coord(rng);
        ASSERT_EQ(Differs(any, y, w, int(bits)), "");
    }
}

}  // namespace
