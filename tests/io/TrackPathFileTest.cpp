// The track path file: reading, writing, and saves that never lose the old file.
#include <csignal>
#include <fstream>
#include <sstream>

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/filedlg.h>

#include "app/AppIds.h"
#include "app/FileCommands.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "model/FileName.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"

// Dialog expectations that fail the test instead of asserting.
#define wxTEST_DIALOG_HOOK_CLASS PathFileDialogHook
#include <wx/testing.h>

class PathFileDialogHook : public wxTestingModalHook {
public:
    PathFileDialogHook(const char* file, int line, const char* func) : wxTestingModalHook(file, line, func) {}
    void ReportFailure(const wxString& message) override { ADD_FAILURE() << message.utf8_string(); }
};

namespace {

// Answers a file dialog with a path; GTK takes the path over only after some events.
class AnswerPath : public wxExpectModal<wxFileDialog> {
public:
    using wxExpectModal<wxFileDialog>::wxExpectModal;

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        dialog->SetPath(m_path);
        for (int i = 0; i < 50 && dialog->GetPath() != m_path; ++i)
            gui::Pump(20);
        return m_id;
    }
};

using Strings = std::vector<std::string>;

std::string TempDir()
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vse-io-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

std::string WriteFile(const std::string& name, const std::string& text)
{
    const std::string path = TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

TrackPath* Path() { return EditorDocument::Instance()->GetTrackPath(); }
std::string Title() { return MainWindow::Instance()->frame->GetTitle().utf8_string(); }
const Strings& Errors() { return LogCapture::Get().errors; }
const Strings& Statuses() { return LogCapture::Get().statuses; }

void Add(float x, float y, float w, int type)
{
    ASSERT_TRUE(Path()->InsertPoint(new TrackPoint(x, y, w, type), nullptr));
}

bool Save(const std::string& name)
{
    FileCommands::Instance()->SaveSpline(Path(), name.c_str());
    return LogCapture::Get().LastStatus() == "Successfully saved spline.";
}

const char* const Three = "3\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n"
                          "7.000000,8.000000,9.000000,2\n";

class PathFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui::ResetDocument();
        ASSERT_EQ(getcwd(cwd, sizeof cwd), cwd);
    }
    void TearDown() override { ASSERT_EQ(chdir(cwd), 0); }
    char cwd[4096];
};

TEST_F(PathFileTest, RoundTripWritesSixDecimalsAndKeepsOrderAndTypes)
{
    Add(123.456787f, -12.5f, 0.0012345f, 2);
    Add(-100.0f, 99.25f, 4.0f, 7);
    Add(0.0f, 0.0f, 1.0f, 1);
    const std::string file = TempDir() + "/round.txt";
    ASSERT_TRUE(Save(file));
    EXPECT_EQ(ReadFile(file), "3\n123.456787,-12.500000,0.001234,2\n"
                              "-100.000000,99.250000,4.000000,7\n0.000000,0.000000,1.000000,1\n");
    EXPECT_EQ(currentFileName, file);
    EXPECT_EQ(Title(), "VORN Spline Editor (round.txt)");

    gui::ResetDocument();
    FileCommands::Instance()->LoadSpline(file.c_str());
    ASSERT_EQ(Path()->Count(), 3u);
    const TrackPoint* p = Path()->points.front();
    EXPECT_EQ(p->x, 123.456787f);
    EXPECT_EQ(p->w, 0.001234f);
    EXPECT_EQ(p->NextPoint()->type, 7);
    EXPECT_EQ(CheckPathInvariants(*Path()), "");
    EXPECT_EQ(currentFileName, file);
    ASSERT_TRUE(Save(TempDir() + "/again.txt"));
    EXPECT_EQ(ReadFile(TempDir() + "/again.txt"), ReadFile(file));
}

TEST_F(PathFileTest, ReadsWhatFscanfReadsAndRefusesWhatIsNoNumber)
{
    const std::string countError = "Could not read # points!  Invalid format:  ";
    const std::string point0 = "Could not read point 0!  Invalid format:  ";
    const struct {
        const char* text;
        std::size_t points;
        std::string error;  // the file name follows it
    } cases[] = {
        {"3\n1,2,3,0\n4,5,6,1\n", 2, "Could not read point 2!  Invalid format:  "},
        {"-5\n1,2,3,0\n", 0, ""},
        {"0\n", 0, ""},
        {"1\n1.0 ,2.0,3.0,0\n", 0, point0},
        {"1\n1.0, 2.0,\t3.0, 0\n", 1, ""},
        {"2\r\n1,2,3,0\r\n4,5,6,1\r\n", 2, ""},
        {"2\n1,2,\n3,0 4,5,6,1 and whatever follows", 2, ""},
        {"1\nnan,2,3,0\n", 0, point0},
        {"1\n1,inf,3,0\n", 0, point0},
        {"1\n1,2,1e39,0\n", 0, point0},
        {"1\n1,2,3,99999999999\n", 0, point0},
        {"99999999999999999999\n1,2,3,0\n", 0, countError},
        {"two\n", 0, countError},
        {"", 0, countError},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        gui::ResetDocument();
        const std::string file = WriteFile("read" + std::to_string(n++) + ".txt", c.text);
        FileCommands::Instance()->LoadSpline(file.c_str());
        EXPECT_EQ(Path()->Count(), c.points);
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
        EXPECT_EQ(Statuses(), Strings{"Successfully loaded new spline."});
        if (c.error.empty()) {
            EXPECT_EQ(Errors(), Strings{});
            EXPECT_EQ(currentFileName, file);
        } else {
            EXPECT_EQ(Errors(), Strings{c.error + file});
            EXPECT_EQ(currentFileName, "noname.txt");
        }
    }
}

TEST_F(PathFileTest, PlainSaveOfAnIncompleteReadAsksForANameInstead)
{
    const std::string previous = WriteFile("previous.txt", Three);
    SetFileName(previous);
    const std::string part = WriteFile("part.txt", "3\n1,2,3,0\n4,5,6,1\n");
    FileCommands::Instance()->LoadSpline(part.c_str());
    EXPECT_EQ(Path()->Count(), 2u);
    EXPECT_EQ(Title(), "VORN Spline Editor (previous.txt)");

    const std::string chosen = TempDir() + "/chosen.txt";
    wxCommandEvent save(wxEVT_MENU, ID_SAVE_SPLINE);
    wxTEST_DIALOG(MainWindow::Instance()->frame->GetEventHandler()->ProcessEvent(save),
                  AnswerPath(chosen));
    EXPECT_EQ(ReadFile(previous), Three);
    EXPECT_EQ(ReadFile(chosen), "2\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n");
    EXPECT_EQ(currentFileName, chosen);
}

TEST_F(PathFileTest, MissingFileChangesNothing)
{
    Add(1, 2, 3, 0);
    EditorDocument::Instance()->RecordCommand("select");
    SetFileName("/elsewhere/kept.txt");
    LogCapture::Get().Clear();
    const std::string missing = TempDir() + "/missing.txt";
    FileCommands::Instance()->LoadSpline(missing.c_str());
    EXPECT_EQ(Errors(), Strings{"Could not open file for read:  " + missing});
    EXPECT_EQ(Statuses(), Strings{"Failed to load new spline."});
    EXPECT_EQ(Path()->Count(), 1u);
    EXPECT_EQ(EditorDocument::Instance()->undoList.size(), 1u);
    EXPECT_EQ(Title(), "VORN Spline Editor (kept.txt)");
}

TEST_F(PathFileTest, LoadIsRecordedOnlyOverAPathWithPoints)
{
    const std::string file = WriteFile("three.txt", Three);
    auto& undo = EditorDocument::Instance()->undoList;
    FileCommands::Instance()->LoadSpline(file.c_str());
    EXPECT_TRUE(undo.empty());
    FileCommands::Instance()->LoadSpline(file.c_str());
    ASSERT_EQ(undo.size(), 1u);
    EXPECT_EQ(undo.front()->name, "load-spline");
    EditorDocument::Instance()->Undo();
    EXPECT_EQ(Path()->Count(), 3u);
}

TEST_F(PathFileTest, PlainSaveOfAnEmptyPathWritesNonameInTheWorkingDirectory)
{
    ASSERT_EQ(chdir(TempDir().c_str()), 0);
    FileCommands::Instance()->SaveSpline(Path(), nullptr);
    EXPECT_EQ(ReadFile(TempDir() + "/noname.txt"), "0\n");
    EXPECT_EQ(LogCapture::Get().LastStatus(), "Successfully saved spline.");
}

TEST_F(PathFileTest, FailedWritesAreReportedAndChangeNothing)
{
    Add(1, 2, 3, 0);
    SetFileName("/elsewhere/kept.txt");
    EXPECT_FALSE(Save("/dev/full"));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("/dev/full"), std::string::npos) << Errors()[0];
    EXPECT_EQ(currentFileName, "/elsewhere/kept.txt");
    EXPECT_EQ(Title(), "VORN Spline Editor (kept.txt)");

    // A file size limit makes every write to a regular file fail, even for root.
    const std::string dir = TempDir() + "/limited";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string file = WriteFile("limited/old.txt", "old");
    for (int i = 0; i < 10; ++i)
        Add(float(i), float(i), 1, 0);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 20;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = Save(file);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(file), "old");
    Strings names;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
        names.push_back(e->d_name);
    closedir(d);
    EXPECT_EQ(names.size(), 3u) << "a temporary file was left behind";
}

TEST_F(PathFileTest, SaveKeepsPermissionsAndLinks)
{
    const std::string file = WriteFile("target.txt", "old"), link = TempDir() + "/link.txt";
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    ASSERT_TRUE(Save(link));
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(file), "0\n");
}

TEST_F(PathFileTest, ReadOnlyTargetIsRefused)
{
    const std::string file = WriteFile("readonly.txt", Three), dir = TempDir() + "/adir";
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    // Root may write anything: act as nobody for the read-only file.
    const bool root = getuid() == 0;
    ASSERT_EQ(chmod(TempDir().c_str(), 0777), 0);
    if (root) {
        ASSERT_EQ(setresuid(65534, 65534, 0), 0);
    }
    const bool savedReadOnly = Save(file);
    if (root) {
        ASSERT_EQ(setresuid(0, 0, 0), 0);
    }
    chmod(TempDir().c_str(), 0700);
    EXPECT_FALSE(savedReadOnly);
    EXPECT_FALSE(Save(dir));
    EXPECT_EQ(Errors(), (Strings{"Could not open file for write:  " + file,
                                 "Could not open file for write:  " + dir}));
    EXPECT_EQ(ReadFile(file), Three);
    EXPECT_EQ(currentFileName, "noname.txt");
}

TEST_F(PathFileTest, OpenByExtensionLoadsTxtAndReportsOtherEndings)
{
    ASSERT_EQ(chdir(TempDir().c_str()), 0);
    const std::string odd = WriteFile("%s%n%x.TXT", Three);
    FileCommands::Instance()->OpenByExtension(odd.c_str());
    EXPECT_EQ(Path()->Count(), 3u);
    EXPECT_EQ(Title(), "VORN Spline Editor (%s%n%x.TXT)");
    WriteFile("notes.doc", "text");
    WriteFile("x.%n%s", "text");
    WriteFile("bmp", "text");
    for (const char* name : {"notes.doc", "x.%n%s", "bmp", "missing.txt", "missing.bmp"})
        FileCommands::Instance()->OpenByExtension(name);
    EXPECT_EQ(Errors(), (Strings{"Unrecognized file type:  .doc", "Unrecognized file type:  %n%s"}));
    EXPECT_EQ(Statuses(), Strings{"Successfully loaded new spline."});
}

}  // namespace
