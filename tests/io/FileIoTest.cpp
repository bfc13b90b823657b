// The track path file, saves that never lose the old file, opening by ending,
// and the background picture loaders.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/bitmap.h>
#include <wx/filedlg.h>
#include <wx/image.h>

#include "app/AppIds.h"
#include "app/FileCommands.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "model/FileName.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/GuiDriver.h"
#include "support/LogCapture.h"
#include "support/PathInvariants.h"
#include "view/ViewTransform.h"

// Dialog expectations that fail the test instead of asserting.
#define wxTEST_DIALOG_HOOK_CLASS IoDialogHook
#include <wx/testing.h>

class IoDialogHook : public wxTestingModalHook {
public:
    IoDialogHook(const char* file, int line, const char* func) : wxTestingModalHook(file, line, func) {}
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

std::string Temp(const std::string& name = "")
{
    static const std::string dir = [] {
        char pattern[] = "/tmp/vse-io-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return name.empty() ? dir : dir + "/" + name;
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(Temp(name), std::ios::binary) << bytes;
    return Temp(name);
}

std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

EditorDocument* Doc() { return EditorDocument::Instance(); }
FileCommands* Files() { return FileCommands::Instance(); }
TrackPath* Path() { return Doc()->GetTrackPath(); }
std::string Title() { return MainWindow::Instance()->frame->GetTitle().utf8_string(); }
const Strings& Errors() { return LogCapture::Get().errors; }
const Strings& Statuses() { return LogCapture::Get().statuses; }

void Add(float x, float y, float w, int type)
{
    ASSERT_TRUE(Path()->InsertPoint(new TrackPoint(x, y, w, type), nullptr));
}

bool Save(const std::string& name)
{
    const std::size_t before = Statuses().size();
    Files()->SaveSpline(Path(), name.c_str());
    return Statuses().size() > before && Statuses().back() == "Successfully saved spline.";
}

const char* const Three = "3\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n"
                          "7.000000,8.000000,9.000000,2\n";

class FileIoTest : public ::testing::Test {
protected:
    void SetUp() override { gui::ResetDocument(); }
    // Later tests expect the start-up directory, the default picture and scroll area.
    void TearDown() override
    {
        std::filesystem::current_path(cwd);
        delete Doc()->background;
        Doc()->background = nullptr;
        MainWindow::Instance()->canvas->SetScrollbars(1, 1, 400, 400, 0, 0);
    }
    const std::filesystem::path cwd = std::filesystem::current_path();
};

TEST_F(FileIoTest, RoundTripWritesSixDecimalsAndKeepsOrderAndTypes)
{
    Add(123.456787f, -12.5f, 0.0012345f, 2);
    Add(-100.0f, 99.25f, 4.0f, 7);
    const std::string file = Temp("round.txt");
    ASSERT_TRUE(Save(file));
    EXPECT_EQ(ReadFile(file), "2\n123.456787,-12.500000,0.001234,2\n-100.000000,99.250000,4.000000,7\n");
    EXPECT_EQ(Title(), "VORN Spline Editor (round.txt)");
    gui::ResetDocument();
    Files()->LoadSpline(file.c_str());
    ASSERT_EQ(Path()->Count(), 2u);
    EXPECT_EQ(Path()->points.front()->x, 123.456787f);
    EXPECT_EQ(Path()->points.front()->w, 0.001234f);
    EXPECT_EQ(Path()->points.back()->type, 7);
    EXPECT_EQ(currentFileName, file);
}

TEST_F(FileIoTest, ReadsWhatFscanfReadsAndRefusesWhatIsNoNumber)
{
    const std::string count = "Could not read # points!  Invalid format:  ";
    const std::string point0 = "Could not read point 0!  Invalid format:  ";
    const struct {
        const char* text;
        std::size_t points;
        std::string error;  // the file name follows it
    } cases[] = {
        {"3\n1,2,3,0\n4,5,6,1\n", 2, "Could not read point 2!  Invalid format:  "},
        {"-5\n1,2,3,0\n", 0, ""},
        {"1\n1.0 ,2.0,3.0,0\n", 0, point0},
        {"1\n1,2,3 0\n", 0, point0},
        {"1\n1.0, 2.0,\t3.0, 0\n", 1, ""},
        {"2\r\n1,2,3,0\r\n4,5,6,1\r\n", 2, ""},
        {"2\n1,2,\n3,0 4,5,6,1 and whatever follows", 2, ""},
        {"1\nnan,2,3,0\n", 0, point0},
        {"1\n1,inf,3,0\n", 0, point0},
        {"1\n1,2,1e39,0\n", 0, point0},
        {"1\n1e-50,2,3,0\n", 1, ""},  // underflows to zero: still a number
        {"1\n1,2,3,99999999999\n", 0, point0},
        {"99999999999999999999\n1,2,3,0\n", 0, count},
        {"two\n", 0, count},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        gui::ResetDocument();
        const std::string file = WriteFile("read" + std::to_string(n++) + ".txt", c.text);
        Files()->LoadSpline(file.c_str());
        EXPECT_EQ(Path()->Count(), c.points);
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
        EXPECT_EQ(Statuses(), Strings{"Successfully loaded new spline."});
        EXPECT_EQ(Errors(), c.error.empty() ? Strings{} : Strings{c.error + file});
        EXPECT_EQ(currentFileName, c.error.empty() ? file : "noname.txt");
    }
}

TEST_F(FileIoTest, PlainSaveOfAnIncompleteReadAsksForANameInstead)
{
    const std::string previous = WriteFile("previous.txt", Three);
    SetFileName(previous);
    Files()->LoadSpline(WriteFile("part.txt", "3\n1,2,3,0\n4,5,6,1\n").c_str());
    EXPECT_EQ(Path()->Count(), 2u);
    EXPECT_EQ(Title(), "VORN Spline Editor (previous.txt)");
    wxCommandEvent save(wxEVT_MENU, ID_SAVE_SPLINE);
    wxTEST_DIALOG(MainWindow::Instance()->frame->GetEventHandler()->ProcessEvent(save),
                  AnswerPath(Temp("chosen.txt")));
    EXPECT_EQ(ReadFile(previous), Three);
    EXPECT_EQ(ReadFile(Temp("chosen.txt")), "2\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n");
    EXPECT_EQ(currentFileName, Temp("chosen.txt"));
}

TEST_F(FileIoTest, LoadIsRecordedOnlyOverPointsAndAMissingFileChangesNothing)
{
    const std::string file = WriteFile("three.txt", Three);
    Files()->LoadSpline(file.c_str());
    EXPECT_TRUE(Doc()->undoList.empty());
    Files()->LoadSpline(file.c_str());
    ASSERT_EQ(Doc()->undoList.size(), 1u);
    EXPECT_EQ(Doc()->undoList.front()->name, "load-spline");
    LogCapture::Get().Clear();
    Files()->LoadSpline(Temp("missing.txt").c_str());
    EXPECT_EQ(Errors(), Strings{"Could not open file for read:  " + Temp("missing.txt")});
    EXPECT_EQ(Statuses(), Strings{"Failed to load new spline."});
    EXPECT_EQ(Path()->Count(), 3u);
    EXPECT_EQ(Doc()->undoList.size(), 1u);
    EXPECT_EQ(Title(), "VORN Spline Editor (three.txt)");

    // A directory named like a path file opens for reading on Linux; it must not empty the path.
    const std::string directory = Temp("folder.txt");
    std::filesystem::create_directories(directory);
    LogCapture::Get().Clear();
    Files()->LoadSpline(directory.c_str());
    EXPECT_EQ(Errors(), Strings{"Could not open file for read:  " + directory});
    EXPECT_EQ(Path()->Count(), 3u);
    EXPECT_EQ(Title(), "VORN Spline Editor (three.txt)");
}

TEST_F(FileIoTest, FailedWritesAreReportedAndLoseNothing)
{
    Add(1, 2, 3, 0);
    SetFileName("/elsewhere/kept.txt");
    EXPECT_FALSE(Save("/dev/full"));
    ASSERT_EQ(Errors().size(), 1u);
    EXPECT_NE(Errors()[0].find("/dev/full"), std::string::npos) << Errors()[0];
    EXPECT_EQ(currentFileName, "/elsewhere/kept.txt");
    EXPECT_EQ(Title(), "VORN Spline Editor (kept.txt)");

    // A file size limit makes writes to a regular file fail, even for root.
    std::filesystem::remove_all(Temp("limited"));
    std::filesystem::create_directory(Temp("limited"));
    const std::string file = WriteFile("limited/old.txt", "old");
    for (int i = 0; i < 10; ++i)
        Add(float(i), float(i), 1, 0);
    rlimit old, small;
    getrlimit(RLIMIT_FSIZE, &old);
    small = {20, old.rlim_max};
    auto* handler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool saved = Save(file);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(file), "old");
    using It = std::filesystem::directory_iterator;
    EXPECT_EQ(std::distance(It(Temp("limited")), It()), 1) << "a temporary file was left behind";
}

TEST_F(FileIoTest, SaveKeepsPermissionsAndLinksAndRefusesReadOnlyTargets)
{
    const std::string file = WriteFile("target.txt", "old"), link = Temp("link.txt");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    std::filesystem::remove(link);
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    ASSERT_TRUE(Save(link));
    struct stat st;
    EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(stat(file.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640);
    EXPECT_EQ(ReadFile(file), "0\n");

    std::filesystem::remove(Temp("readonly.txt"));
    const std::string readOnly = WriteFile("readonly.txt", Three);
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    // Root may write anything: be nobody, in a directory anyone may write.
    const bool root = getuid() == 0;
    ASSERT_EQ(chmod(Temp().c_str(), 0777), 0);
    if (root) {
        ASSERT_EQ(setresuid(65534, 65534, 0), 0);
    }
    const bool saved = Save(readOnly);
    if (root && setresuid(0, 0, 0) != 0)
        std::abort();  // the remaining tests would all run without privileges
    chmod(Temp().c_str(), 0700);
    EXPECT_FALSE(saved);
    EXPECT_FALSE(Save(Temp()));
    EXPECT_EQ(Errors(), (Strings{"Could not open file for write:  " + readOnly,
                                 "Could not open file for write:  " + Temp()}));
    EXPECT_EQ(ReadFile(readOnly), Three);
    EXPECT_EQ(currentFileName, link);
}

TEST_F(FileIoTest, OpenByExtensionLoadsByEndingAndSkipsWhatItCannotRead)
{
    ASSERT_EQ(chdir(Temp().c_str()), 0);
    Files()->SaveSpline(Path(), nullptr);
    EXPECT_EQ(ReadFile("noname.txt"), "0\n");
    Files()->OpenByExtension(WriteFile("%s%n%x.TXT", Three).c_str());
    EXPECT_EQ(Path()->Count(), 3u);
    EXPECT_EQ(Title(), "VORN Spline Editor (%s%n%x.TXT)");
    for (const char* name : {"notes.doc", "x.%n%s", "bmp", "map.\xe6\x97\xa5\xe6\x9c\xac"})
        Files()->OpenByExtension(WriteFile(name, "text").c_str() + Temp().size() + 1);
    Files()->OpenByExtension("missing.bmp");
    EXPECT_EQ(Errors(), (Strings{"Unrecognized file type:  .doc", "Unrecognized file type:  %n%s",
                                 "Unrecognized file type:  p.\xe6\x97\xa5\xe6\x9c\xac"}));
    EXPECT_EQ(Statuses(), (Strings{"Successfully saved spline.", "Successfully loaded new spline."}));
}

// An uncompressed 24-bit header for w x h pixels, followed by the given bytes.
std::string Tga(int w, int h, const std::string& pixels, int offset = 0, int value = 0)
{
    std::string t(18, '\0');
    t[2] = 2, t[12] = char(w), t[13] = char(w >> 8), t[14] = char(h), t[15] = char(h >> 8), t[16] = 24;
    t += pixels;
    t[offset] = char(value);
    return t;
}

wxColour At(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

wxImage Background() { return Doc()->GetBackgroundBitmap()->ConvertToImage(); }

TEST_F(FileIoTest, TgaRowsAreStoredBottomUpInBlueGreenRed)
{
    const unsigned char bytes[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    Files()->OpenByExtension(WriteFile("SCENE.TGA", Tga(2, 2, std::string(bytes, bytes + 12))).c_str());
    EXPECT_EQ(Errors(), Strings{});
    EXPECT_EQ(Statuses(), Strings{"Successfully loaded new image."});
    const wxImage image = Background();
    ASSERT_EQ(image.GetSize(), wxSize(2, 2));
    EXPECT_EQ((std::vector<wxColour>{At(image, 0, 0), At(image, 1, 0), At(image, 0, 1), At(image, 1, 1)}),
              (std::vector<wxColour>{*wxRED, *wxWHITE, *wxBLUE, *wxGREEN}));
    // The toolkit's own BMP writer, read back through a mixed-case ending.
    ASSERT_TRUE(image.SaveFile(Temp("scene.Bmp"), wxBITMAP_TYPE_BMP));
    Doc()->SetBackgroundBitmap(new wxBitmap(5, 5));
    Files()->OpenByExtension(Temp("scene.Bmp").c_str());
    EXPECT_EQ(At(Background(), 1, 0), *wxWHITE);
}

TEST_F(FileIoTest, RefusedPicturesKeepThePreviousOne)
{
    const std::string onlyTgaBmp = "Sorry, I only know how to read .tga and .bmp files!";
    const std::string notTga = "Sorry, I don't know how to read your TGA file!";
    const std::string noData = "Couldn't read image data in TGA.";
    const std::string pixels(30000, '\x40');
    const struct {
        std::string name, bytes, error;
    } cases[] = {
        {"scene.jpeg", Tga(100, 100, pixels), onlyTgaBmp},
        {"a.tg", Tga(100, 100, pixels), onlyTgaBmp},
        {"bmp", "", onlyTgaBmp},
        {"broken.bmp", "BM", "An error occurred during bitmap load.  Sorry I don't know what happened!"},
        {"id.tga", Tga(100, 100, pixels, 0, 5), notTga},
        {"short.tga", Tga(100, 100, pixels.substr(1)), noData},
        {"huge.tga", Tga(65535, 65535, ""), noData},
        {"empty.tga", Tga(0, 5, "abc"), noData},
        {"mapped.tga", Tga(100, 100, pixels, 1, 1), notTga},
        {"mapped-rle.tga", Tga(100, 100, pixels, 2, 9), notTga},
        {"grey.tga", Tga(100, 100, pixels, 2, 3), notTga},
        {"deep.tga", Tga(100, 100, pixels, 16, 16), notTga},
        {"header.tga", Tga(100, 100, "").substr(0, 12), "Couldn't read image specification field in TGA."},
        {"missing.tga", "", "Could not open file for read:  missing.tga"},
    };
    ASSERT_EQ(chdir(Temp().c_str()), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gui::ResetDocument();
        wxBitmap* before = Doc()->GetBackgroundBitmap();
        if (c.name != "missing.tga")
            WriteFile(c.name, c.bytes);
        Files()->LoadImageFile(c.name.c_str());
        const bool tga = c.name.find(".tga") != std::string::npos;
        Strings errors{c.error};
        if (tga)
            errors.push_back("I only know how to read 24-bit uncompressed TGA files!");
        EXPECT_EQ(Errors(), errors);
        EXPECT_EQ(Statuses(), tga ? Strings{} : Strings{"Failed to load new image."});
        EXPECT_EQ(Doc()->GetBackgroundBitmap(), before);
    }
}

TEST_F(FileIoTest, PictureSetsTheScrollAreaAndKeepsTheDocument)
{
    Add(10, 10, 2, 0);
    Doc()->RecordCommand("create-point");
    Doc()->Select(Path()->points.front());
    TrackCanvas* canvas = MainWindow::Instance()->canvas;
    Files()->LoadImageFile(WriteFile("big.tga", Tga(2000, 1500, std::string(2000 * 1500 * 3, '\x10'))).c_str());
    EXPECT_EQ(canvas->GetVirtualSize(), wxSize(2000, 1500));
    canvas->Scroll(300, 200);
    ASSERT_NE(canvas->GetViewStart(), wxPoint(0, 0));
    Files()->LoadImageFile(WriteFile("wide.tga", Tga(1024, 512, std::string(1024 * 512 * 3, '\x20'))).c_str());
    // The toolkit never reports a virtual size below the client size.
    const wxSize client = canvas->GetClientSize();
    EXPECT_EQ(canvas->GetVirtualSize(), wxSize(std::max(1024, client.x), std::max(512, client.y)));
    EXPECT_EQ(canvas->GetViewStart(), wxPoint(0, 0));
    int px = -1, py = -1;
    EXPECT_TRUE(WorldToPixel(0, 0, px, py) && px == 512 && py == 256) << px << "," << py;
    EXPECT_EQ(Doc()->selection.size(), 1u);
    EXPECT_EQ(Doc()->undoList.size(), 1u);
}

// Pixels of a picture as ImageMagick reads them, top row first.
std::vector<wxColour> ConvertSays(const std::string& file, int w, int h)
{
    std::vector<wxColour> pixels(std::size_t(w * h));
    // ImageMagick keeps a TGA's stored row order unless asked to orient it.
    FILE* out = popen(("convert '" + file + "' -auto-orient -depth 8 txt:-").c_str(), "r");
    char line[256];
    int x, y;
    unsigned r, g, b;
    while (out && std::fgets(line, sizeof line, out))
        if (std::sscanf(line, "%d,%d: (%*[^)]) #%2x%2x%2x", &x, &y, &r, &g, &b) == 5 && x < w && y < h)
            pixels[std::size_t(y * w + x)] = wxColour(r, g, b);
    if (out)
        pclose(out);
    return pixels;
}

TEST_F(FileIoTest, PicturesWrittenByImageMagickShowTheirPixels)
{
    if (access("/usr/bin/convert", X_OK) != 0)
        GTEST_SKIP() << "/usr/bin/convert (imagemagick) is not installed";
    const std::string source = Temp("source.png");
    ASSERT_EQ(std::system(("convert -size 64x32 -seed 7 plasma:fractal '" + source + "'").c_str()), 0);
    const char* const kinds[][3] = {
        {"plain.tga", "-type TrueColor -compress none", ""}, {"v3.bmp", "-type TrueColor", "BMP3:"},
        {"v5.bmp", "-type TrueColor", "BMP:"},               {"palette.bmp", "-type Palette", "BMP3:"},
        {"grey.bmp", "-type Grayscale", "BMP3:"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k[0]);
        const std::string file = Temp(k[0]);
        ASSERT_EQ(std::system(("convert '" + source + "' -depth 8 " + k[1] + " '" + k[2] + file + "'").c_str()), 0);
        gui::ResetDocument();
        Files()->LoadImageFile(file.c_str());
        ASSERT_EQ(LogCapture::Get().LastStatus(), "Successfully loaded new image.");
        const wxImage image = Background();
        ASSERT_EQ(image.GetSize(), wxSize(64, 32));
        const std::vector<wxColour> expected = ConvertSays(file, 64, 32);
        int wrong = 0, first = 0;
        for (int i = 0; i < 64 * 32; ++i)
            if (At(image, i % 64, i / 64) != expected[std::size_t(i)] && wrong++ == 0)
                first = i;
        EXPECT_EQ(wrong, 0) << "the first wrong pixel is " << first % 64 << "," << first / 64;
    }
}

}  // namespace
