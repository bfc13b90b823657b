// The track path file: what is read and refused, saves that never lose the old file,
// and saved lines that are printf's, byte for byte, since other tools read the files.
#include <cfloat>
#include <climits>

#include <functional>
#include <future>
#include <map>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#endif

#include "io/BmpReader.h"
#include "io/PointLine.h"
#include "io/SafeFileWriter.h"
#include "io/TgaReader.h"
#include "support/GuiDriver.h"

namespace {

namespace fs = std::filesystem;
FileCommands* Files() { return FileCommands::Instance(); }
const char* const Three = "3\n1.000000,2.000000,3.000000,0\n4.000000,5.000000,6.000000,1\n7.000000,8.000000,9.000000,2\n";
const std::string Saved = "Successfully saved spline.\n";

// Every line logged since ClearLogs, statuses first.
std::string Logs()
{
    std::string logs;
    for (const auto* lines : {&Statuses(), &Errors()})
        for (const std::string& line : *lines)
            logs += line + "\n";
    return logs;
}

// A saved file's text: lines end in CR LF on Windows, as its programs write them.
std::string AsWritten(std::string text)
{
#ifdef _WIN32
    for (std::size_t i = 0; (i = text.find('\n', i)) != std::string::npos; i += 2)
        text.insert(i, "\r");
#endif
    return text;
}

TEST(PathFile, ReadsWhatFscanfReadsAndRefusesWhatIsNoNumber)
{
    const std::string point0 = "Could not read point 0!  Invalid format:  ", unopened = "Could not open file for read:  ";
    // text null: the name is not a file; the error is followed by the file name.
    const struct { const char* text; std::size_t points; std::string error; } cases[] = {
        {"3\n1,2,3,0\n4,5,6,1\n", 2, "Could not read point 2!  Invalid format:  "}, {"-5\n1,2,3,0\n", 0, ""},
        {"1\n1.0 ,2.0,3.0,0\n", 0, point0}, {"2\r\n1.0, 2.0,\t3.0, 0\r\n4,5,\n6,1 \r\n\n", 2, ""},
        {"2\n1,2,3,0\n4,5,6,1\n7,8,9,2\n", 2, "Unexpected text after point 1!  Invalid format:  "},
        {"1\n1,5,2,3,0\n", 0, point0},  // decimal commas
        {"1\nnan,2,3,0\n", 0, point0}, {"1\n1,2,1e39,0\n", 0, point0}, {"1\n1,2,3,99999999999\n", 0, point0},
        {"1\n1e-50,2,3,0\n", 1, ""},  // underflows to zero: still a number
        {"99999999999999999999\n1,2,3,0\n", 0, "Could not read # points!  Invalid format:  "},
        {nullptr, 1, unopened},  // a missing file; a folder or pipe is refused at the same open (below)
    };
    for (const auto& c : cases) {
        const std::size_t n = &c - cases;
        SCOPED_TRACE(n);
        gui::ResetDocument();
        Add(0, 0);  // a load over points is recorded; one that fails keeps them
        SetFileName("before.txt");
        const std::string file = c.text ? WriteFile("%s%n" + std::to_string(n) + ".txt", c.text) : Temp("missing.txt");
        const long open = OpenFiles();
        Files()->LoadSpline(file.c_str());
        EXPECT_EQ(OpenFiles(), open) << "a file left open";
        EXPECT_EQ(Path()->Count(), c.points);
        EXPECT_EQ(CheckPathInvariants(*Path()), "");
        EXPECT_EQ(Statuses(), Strings{c.text ? "Successfully loaded new spline." : "Failed to load new spline."});
        EXPECT_EQ(UndoNames(), c.text ? Strings{"load-spline"} : Strings{});
        EXPECT_EQ(Errors(), c.error.empty() ? Strings{} : Strings{c.error + file});
        EXPECT_EQ(currentFileName, c.error.empty() ? file : "before.txt");
        // A file not read to its end is not saved over without a name chosen for it.
        if (c.text && !c.error.empty())
            wxTEST_DIALOG(gui::Command(ID_SAVE_SPLINE), AnswerFile(file, 0, wxID_CANCEL));
        EXPECT_EQ(ReadFile(file), c.text ? c.text : "");
    }
}

// Undo and redo of Open and New bring the file name back with the path, so that
// a plain save writes where the shown path came from; and what leaving would lose.
TEST(PathFile, UndoingAnOpenBringsItsNameBack)
{
    gui::ResetDocument();
    const std::string a = WriteFile("a.txt", "1\n1,2,3,0\n"), b = WriteFile("b.txt", Three);
    const struct { std::function<void()> act; std::string name; bool unsaved; } steps[] = {
        {[&] { Files()->LoadSpline(a.c_str()); }, a, false},
        {[&] { Files()->LoadSpline(b.c_str()); }, b, false},
        {[] { gui::Command(ID_NEW_SPLINE); }, "noname.txt", false},
        {[] { gui::Command(ID_UNDO); }, b, false},
        {[] { gui::Command(ID_UNDO); }, a, false},
        {[] { gui::Command(ID_SAVE_SPLINE); }, a, false},
        {[] { Doc()->Select(Chain()[0]), Doc()->AdjustWidth(0.5f); }, a, true},  // not recorded, and a change
        {[] { gui::Command(ID_NEW_SPLINE); }, "noname.txt", true},  // the change only out of sight
        {[] { gui::Command(ID_UNDO); }, a, true},
        {[] { Files()->SaveSpline(Path(), Temp().c_str()); }, a, true},  // a failed save names nothing
    };
    for (const auto& step : steps) {
        step.act();
        EXPECT_EQ(currentFileName, step.name) << &step - steps;
        EXPECT_EQ(Doc()->HasUnsavedChanges(), step.unsaved) << &step - steps;
    }
    EXPECT_EQ(Title(), "VORN Spline Editor (a.txt)");
    EXPECT_EQ(ReadFile(b), Three);
    EXPECT_EQ(ReadFile(a), AsWritten("1\n1.000000,2.000000,3.000000,0\n"));
}

#ifdef _WIN32
// No fork there: the body runs here, and when it has not ended after 5 s,
// release is called to end what it waits on.
std::string InChild(const std::function<std::string()>& body, const std::function<void()>& release = {})
{
    std::promise<void> done;
    auto watchdog = std::async(std::launch::async, [&, ended = done.get_future()] {
        return ended.wait_for(std::chrono::seconds(5)) == std::future_status::timeout && release && (release(), true);
    });
    const std::string text = body();
    done.set_value();
    return watchdog.get() ? "killed after 5 s" : text;
}
#else
// Runs the body in a child process, killed when it has not ended after 5 s; what
// the body returned, or that it was killed. The child leaves the window alone:
// its connection to the display is the parent's.
std::string InChild(const std::function<std::string()>& body, const std::function<void()>& = {})
{
    int out[2] = {-1, -1};
    const pid_t child = pipe(out) == 0 ? fork() : -1;
    if (child < 0)
        return "no child";  // and nothing to kill: kill(-1) would end every process there is
    if (child == 0) {
        LogCapture::Get().statusBar = nullptr;
        const std::string text = body();
        _exit(write(out[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 1);
    }
    close(out[1]);
    // The text comes at the child's end in one write, well within what a pipe holds at once.
    pollfd ready{out[0], POLLIN, 0};
    const bool ended = poll(&ready, 1, 5000) == 1;
    if (!ended)
        kill(child, SIGKILL);
    std::string text(4096, '\0');
    text.resize(std::size_t(std::max(ended ? read(out[0], &text[0], text.size()) : 0, ssize_t(0))));
    int status = 0;
    waitpid(child, &status, 0);
    close(out[0]);
    return !ended ? "killed after 5 s" : status == 0 ? text : "child failed";
}

// The extended attributes of a file (its access list among them), by name.
std::map<std::string, std::string> Attributes(const std::string& path)
{
    std::map<std::string, std::string> out;
    char names[4096], value[4096];
    const ssize_t n = llistxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < n; at += ssize_t(std::strlen(names + at)) + 1) {
        const ssize_t size = lgetxattr(path.c_str(), names + at, value, sizeof value);
        out[names + at] = std::string(value, std::size_t(std::max(size, ssize_t(0))));
    }
    return out;
}
#endif

TEST(PathFile, AFaultAtEveryStepOfASaveIsReportedAndLosesNothingItNeedNot)
{
    gui::ResetDocument();
    Files()->LoadSpline(WriteFile("three.txt", Three).c_str());
    // Longer than what is saved over it, so that a rewrite in place that is not cut short shows.
    const std::string old = "4\n10.000000,20.000000,30.000000,0\n40.000000,50.000000,60.000000,1\n"
                            "70.000000,80.000000,90.000000,2\n11.000000,12.000000,13.000000,0\n";
    const std::string name = "地形 Fåglar.txt", longName = "Ørken " + std::string(240, 'n') + ".txt";
    const unsigned saver = 4242;  // another user
#ifndef _WIN32
    const uid_t nobody = 65534;  // the owner of the files not the saver's
    fs::permissions(Temp(), fs::perms(0755));  // for the other user to come in
#endif
    std::string skipped;  // the rows that cannot be set up on this system, and why
    enum Links { None, Hard, Symbolic, Planted, Loop };  // Planted: a link made by someone else
    enum Node { File, Held, Folder, Fifo, LiveFifo, Socket, Disk, Device };  // held open elsewhere; a pipe with a reader
    // steps: the failable steps of a save that meets no fault, none for a refusal. open: the failable step that
    // opens the target in place, or -1 for a replacement. user: who saves; when not root, the file is nobody's
    // (the saver's when no one else may write it). mode 0444: Windows' read-only attribute. error: of every
    // fault. fallback: the last step whose fault lets the save go on in place. acl: setfacl's options for the
    // file (or with -d, for the folder).
    const struct {
        std::string what, name;
        bool exists;
        int steps, open = -1;
        Links links = None;
        Node node = File;
        unsigned user = 0;
        int folder = 0755, mode = 0666, error = EIO, fallback = -1;
        const char* acl = nullptr;
    } kinds[] = {
        {"behind a link", name, true, 8, -1, Symbolic, File, 0, 01777}, {"hard-linked", name, true, 7, 0, Hard},
        {"long name", longName, true, 8}, {"new long name", longName, false, 7},
        {"link loop", "a.txt", true, 0, -1, Loop}, {"read-only", name, true, 0, -1, None, File, saver, 0777, 0444},
        {"folder", name, true, 0, -1, None, Folder},
        // Only a folder that takes no new file and an owner not to be kept let the save go on in place.
        {"no room", name, true, 8, -1, None, File, 0, 0755, 0666, ENOSPC},
        {"folder refusing files", name, true, 8, -1, None, File, 0, 0755, 0666, EACCES, 1},
#ifndef _WIN32
        // Windows has no other users to become, no sticky folders, no owner for a new file to take, and no pipes,
        // sockets or disks among a folder's files; it refuses a link that leads nowhere, and device names (below).
        // Access lists go with ReplaceFileW there, which Wine does not prove.
        {"dangling link", name, false, 7, -1, Symbolic},  // makes the file it names
        // In a shared folder only the user's own links and the folder owner's are followed.
        {"planted link", name, true, 0, -1, Planted, File, 0, 01777},
        {"planted dangling link", name, false, 0, -1, Planted, File, 0, 01777},
        // Not the saver's to give away: written in place once the temporary file could not take the owner.
        {"another user's", name, true, 9, 2, None, File, saver, 0777},
        {"written, not read", name, true, 9, 2, None, File, saver, 0777, 0222},
        {"in a sticky folder", name, true, 7, 0, None, File, saver, 01777},
        {"folder taking no file", name, true, 8, 1, None, File, saver, 0555},  // for real: the fault of step 0 is no EACCES
        {"pipe", name, true, 0, -1, None, Fifo}, {"live pipe", name, true, 0, -1, None, LiveFifo},
        {"socket", name, true, 0, -1, None, Socket}, {"disk", name, true, 0, -1, None, Disk},
        {"device", name, true, 6, 0, None, Device},
        {"owner not to be kept", name, true, 8, -1, None, File, 0, 0755, 0666, EPERM, 1},
        {"access list", name, true, 8, -1, None, File, 0, 0755, 0660, EIO, -1, "-m u:2000:rw,g::r,m::rw"},
        {"default access list", name, false, 7, -1, None, File, 0, 0755, 0666, EIO, -1, "-d -m u:2000:rw,m::rw"},
#else
        // Names of devices in every folder; a file open elsewhere without leave to delete it cannot be replaced.
        {"name nul", "nul.txt", false, 0, -1, None, Device}, {"name con", "con.txt", false, 0, -1, None, Device},
        {"name com1", "COM1 .txt", false, 0, -1, None, Device}, {"held open", name, true, 7, 0, None, Held},
#endif
    };
    for (const auto& k : kinds) {
        const fs::path dir = fs::u8path(Temp(k.what)), file = dir / fs::u8path(k.name),
                       link = k.links == Symbolic || k.links == Planted ? dir / "link.txt" : file;
        const fs::path touched = dir / "touched";  // what any program's new file gets here, to compare a new file with
        const std::string shown = link.u8string();
        std::error_code ignored;
        fs::create_directories(dir);
#ifndef _WIN32
        chmod(dir.c_str(), mode_t(k.folder));
#endif
        const auto attributes = [&](const fs::path& of) {  // false where the file system refuses them
            return !k.acl || std::system(("setfacl " + std::string(k.acl) + " '" + of.string() +
                                          "' && setfattr -n user.note -v kept '" + of.string() + "' 2>/dev/null").c_str()) == 0;
        };
        const bool regular = k.node <= Held && k.links != Loop;
        const std::size_t skips = skipped.size();
        int step = 0;
        for (; step < 20; ++step) {
            SCOPED_TRACE(k.what + ", failing step " + std::to_string(step));
            for (const char* leftover : {k.name.c_str(), "hard.txt", "b.txt"}) {
                fs::permissions(dir / fs::u8path(leftover), fs::perms::owner_write, fs::perm_options::add, ignored);
                fs::remove(dir / fs::u8path(leftover), ignored);
            }
            if (regular && k.exists)
                std::ofstream(file, std::ios::binary) << old;
#ifdef _WIN32
            EXPECT_TRUE(k.node != Folder || fs::create_directory(file));
            if (k.mode == 0444)
                fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
#else
            const dev_t null = makedev(1, 3), none = makedev(0, 0);  // /dev/null's number, and no device's
            const mode_t node = k.node == File ? S_IFREG : k.node == Folder ? S_IFDIR : k.node <= LiveFifo ? S_IFIFO
                              : k.node == Socket ? S_IFSOCK : k.node == Disk ? S_IFBLK : S_IFCHR;
            EXPECT_EQ(k.node == File ? 0
                      : k.node == Folder ? mkdir(file.c_str(), 0755)
                                         : mknod(file.c_str(), node | 0666, k.node == Device ? null : none), 0);
            const int reader = k.node == LiveFifo ? open(file.c_str(), O_RDONLY | O_NONBLOCK) : 0;
            EXPECT_GE(reader, 0);
            const uid_t owner = k.mode & 022 ? nobody : saver;
            EXPECT_EQ(k.user ? chown(file.c_str(), owner, owner) | chmod(file.c_str(), mode_t(k.mode)) : 0, 0);
#endif
            if (k.links == Hard)
                fs::create_hard_link(file, dir / "hard.txt");
            else if (k.links == Loop)
                fs::create_symlink("b.txt", file, ignored), fs::create_symlink(k.name, dir / "b.txt", ignored);
            else if (k.links != None)
                fs::create_symlink(k.name, link, ignored);
#ifndef _WIN32
            EXPECT_EQ(k.links == Planted ? lchown(link.c_str(), nobody, nobody) : 0, 0);
#endif
            // Windows lets only some users make links, and Wine says it made one when it did not.
            const char* notHere = k.links >= Symbolic && !fs::is_symlink(link) ? "this system made no symbolic link here"
                                  : !attributes(k.exists ? file : dir) ? "this file system refuses access lists or user.* attributes"
                                                                       : nullptr;
            if (notHere) {
                skipped += "\n  " + k.what + ": " + notHere;
                break;
            }
            std::ofstream{touched};
            const auto facts = [&](const fs::path& of) {  // the kind of file, its owner, group, mode, links and attributes
#ifdef _WIN32
                const fs::file_status st = fs::symlink_status(of, ignored);
                return std::make_tuple(st.type(), st.permissions(), fs::hard_link_count(of, ignored));
#else
                struct stat st = {};
                lstat(of.c_str(), &st);
                return std::make_tuple(st.st_mode, st.st_uid, st.st_gid, st.st_nlink, st.st_rdev, Attributes(of));
#endif
            };
            std::ifstream holder(k.node == Held ? file : fs::path());  // shares reading and writing, not deletion
            const auto before = facts(file), linkBefore = facts(link);
            const auto entries = std::distance(fs::directory_iterator(dir), {});

            const std::string out = InChild([&] {
#ifndef _WIN32
                if (k.user && (setgroups(0, nullptr) || setresgid(saver, saver, saver) || setresuid(k.user, k.user, k.user)))
                    return std::string("no other user");
#endif
                SafeFileWriter::failStepForTesting = step;
                SafeFileWriter::failErrorForTesting = k.error;
                ClearLogs();
                Path()->Save(shown.c_str());
                return (SafeFileWriter::failStepForTesting < 0 ? "+" : "-") + Logs();  // + : the fault struck
            });
            SafeFileWriter::failStepForTesting = -1;  // where the body ran in this process
            holder.close();
#ifndef _WIN32
            close(reader);
#endif
            ASSERT_TRUE(out[0] == '+' || out[0] == '-') << out;
            const bool faulted = out[0] == '+', saved = out.substr(1) == Saved;
            const std::string unopened = "Could not open file for write:  " + shown + "\n";
            // Until the file to be written is made, a fault refuses the save.
            const bool opening = step <= (k.open >= 0 ? k.open : k.exists ? 1 : 0);
            // Written in place: the old bytes go back, unless they could not be read, or the file was closed.
            const bool lost = faulted && !opening && k.open >= 0 && regular && (k.mode == 0222 || step == k.steps - 1);
            const std::string unwritten = "Could not write the track path to " + shown + " (" + strerror(k.error) +
                                          (lost ? "); the file's previous content is lost.\n" : ").\n");
            EXPECT_EQ(out.substr(1), !faulted ? (k.steps ? Saved : unopened)
                                     : step <= k.fallback ? Saved : opening ? unopened : unwritten);
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), entries + (saved && !k.exists)) << "a file left behind";
            EXPECT_TRUE(!k.links || k.links == Hard || facts(link) == linkBefore) << "the link was changed";
            EXPECT_TRUE(k.exists ? facts(file) == before : !saved || facts(file) == facts(touched))
                << "not the same kind of file, owner, group, mode, links and attributes";
            EXPECT_TRUE(!regular || (lost ? ReadFile(file.u8string()) != old
                                          : ReadFile(file.u8string()) == (saved ? AsWritten(Three) : old)) ||
                        (!saved && !k.exists && !fs::exists(file)));
            if (!faulted)
                break;
        }
        EXPECT_TRUE(step == k.steps || skipped.size() > skips) << k.what << ": " << step << " failable steps";
        fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    if (!skipped.empty())
        GTEST_SKIP() << "rows that cannot be set up here:" << skipped;
}


// The table's full disk, from a real file system: no room for a temporary file, and
// a rewrite in place that runs out of room with the errno of a real write.
TEST(PathFile, WithNoRoomEvenForATemporaryFileTheOldFileStays)
{
#ifdef _WIN32
    GTEST_SKIP() << "no tmpfs to mount on Windows: the save table's injected ENOSPC stands in for it";
#else
    gui::ResetDocument();
    fs::create_directory(Temp("full"));
    if (mount("tmpfs", Temp("full").c_str(), "tmpfs", 0, "size=64k,nr_inodes=2") != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here (" << strerror(errno) << ")";
    const std::string full = WriteFile("full/track.txt", "old");
    for (int i = 0; i < 3000; ++i)
        Add(float(i % 100), 2, 3);  // more text than the disk holds
    for (const bool inPlace : {false, true}) {
        std::error_code made;  // a link counts as an inode here
        if (inPlace && mount("tmpfs", Temp("full").c_str(), "tmpfs", MS_REMOUNT, "size=64k,nr_inodes=3") == 0)
            fs::create_hard_link(full, Temp("full/hard.txt"), made);  // which a save keeps by writing in place
        EXPECT_EQ(made, std::error_code());
        ClearLogs();
        Files()->SaveSpline(Path(), full.c_str());
        EXPECT_EQ(Logs(), !inPlace ? "Could not open file for write:  " + full + "\n"
                                   : "Could not write the track path to " + full + " (" + strerror(ENOSPC) + ").\n");
        EXPECT_EQ(ReadFile(full), "old");
    }
    umount(Temp("full").c_str());
#endif
}

// Opening reads regular files only: a pipe named like a path file or a picture
// is refused at once.
TEST(Reading, NothingWaitsOnAPipe)
{
    for (const std::string name : {"pipe.txt", "pipe.tga", "pipe.bmp"}) {
#ifdef _WIN32
        // Windows keeps pipes apart from folders, under \\.\pipe\; one whose
        // server never writes is a FIFO without a writer. Cutting it off ends a
        // read that waits.
        const std::string pipe = "\\\\.\\pipe\\vse-test-" + std::to_string(_getpid()) + "-" + name;
        const HANDLE server = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                               4096, 4096, 0, nullptr);
        ASSERT_NE(server, INVALID_HANDLE_VALUE);
        const auto release = [&] { DisconnectNamedPipe(server); };
#else
        const std::string pipe = Temp(name);
        ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0) << "no pipe to wait on";
        const auto release = [] {};
#endif
        const std::string out = InChild(
            [&] {
                ClearLogs();
                BmpRefusal why = BmpRefusal::None;
                delete (name == "pipe.txt" ? new TrackPath(pipe.c_str()) : nullptr);
                delete (name == "pipe.tga" ? ReadTga(pipe.c_str()) : name == "pipe.bmp" ? ReadBmp(pipe.c_str(), &why) : nullptr);
                return why == BmpRefusal::Unopened ? "unopened" : Logs();  // the BMP reader's message is the picture tests'
            },
            release);
        EXPECT_EQ(out, name == "pipe.bmp" ? "unopened" : "Could not open file for read:  " + pipe + "\n");
#ifdef _WIN32
        CloseHandle(server);
#endif
    }
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
    // Halves of a millionth (to the even digit), near halves (away), signed zeros, the fast path's edge, snprintf's.
    const float values[] = {0.0078125f, 0.0234375f, 0.0000015f, -1e-9f, FLT_TRUE_MIN, 8796093022207.0f * 0.999f, 8796093022208.0f, NAN};
    const int types[] = {0, -1, INT_MIN, INT_MAX};
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(Differs(values[i], -values[i], values[i] * 0.5f, types[i % 4]), "");
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
