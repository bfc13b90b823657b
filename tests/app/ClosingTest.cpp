// Closing the window with unsaved changes asks whether to save them, and each
// answer does what it says. Each row runs in a process of its own (see
// tests/CMakeLists.txt), since closing the window ends the program. On GTK
// under X11 alone: the close box is reached through Xlib.
#ifdef __WXGTK__
#include "support/GuiDriver.h"

// Last, so that its macros (None, Bool, True...) take no names from the headers above.
#include <X11/Xlib.h>

namespace {

// Answers the question, and notes how it was put.
struct Answer : wxExpectModalBase<wxMessageDialog, Answer> {
    explicit Answer(int id) : id(id) {}
    int OnInvoked(wxMessageDialog* d) const override
    {
        asked = (d->GetTitle() + "|" + d->GetMessage() + "|" + d->GetYesLabel() + "|" + d->GetNoLabel() + "|" +
                 d->GetCancelLabel()).utf8_string();
        return id;
    }
    int id;
    static inline std::string asked;
};

// What a window manager sends for a click on the close box, from a client of
// its own: there is none under Xvfb, and xdotool's windowclose destroys the window.
void ClickCloseBox(wxWindow* frame)
{
    const auto gdkWindow = reinterpret_cast<void* (*)(void*)>(dlsym(RTLD_DEFAULT, "gtk_widget_get_window"));
    const auto xid = reinterpret_cast<Window (*)(void*)>(dlsym(RTLD_DEFAULT, "gdk_x11_window_get_xid"));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(gdkWindow && xid && display);
    XEvent event = {};
    event.xclient = {ClientMessage, 0, 0, display, xid(gdkWindow(frame->GetHandle())),
                     XInternAtom(display, "WM_PROTOCOLS", 0), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", 0));
    XSendEvent(display, event.xclient.window, 0, NoEventMask, &event);
    XCloseDisplay(display);
}

enum class Input { Menu, CloseBox, SessionEnd };
enum class Change { Picture, Width, Point };  // a picture is no change of the path

// read: the path came from its file, else it was never written; answer: to the question, 0 when none is asked;
// saved: the file that holds the path afterwards, or none.
struct Row { const char* name; Input input; Change change; bool read; int answer; bool closes; std::string saved; };
class Closing : public testing::TestWithParam<Row> {};

TEST_P(Closing, AsksAboutUnsavedChanges)
{
    const Row& row = GetParam();
    gui::ResetDocument();
    const std::string old = "1\n1.000000,2.000000,3.000000,0\n", file = WriteFile("track.txt", old);
    FileCommands::Instance()->LoadSpline(file.c_str());
    if (!row.read)  // as if made here and never written
        SetFileName("noname.txt"), Doc()->origin = FileOrigin();
    Doc()->Select(Chain()[0]);
    gui::MoveTo(300, 300);
    row.change == Change::Picture ? FileCommands::Instance()->LoadImageFile(WriteFile("p.tga", Tga(2, 1, 1, 24, "abc")).c_str())
    : row.change == Change::Width ? gui::Key('w') : gui::ClickAt(300, 300);
    setenv("HOME", Temp().c_str(), 1);
    ClearLogs();
    const auto close = [&] {
        if (row.input == Input::Menu)
            gui::Key('f', wxMOD_ALT), gui::Key('x');
        else if (row.input == Input::CloseBox)
            ClickCloseBox(MainWindow::Instance()->frame), gui::Pump(300);
        for (wxCloseEvent end : {wxCloseEvent(wxEVT_QUERY_END_SESSION), wxCloseEvent(wxEVT_END_SESSION)})
            if (row.input == Input::SessionEnd)
                end.SetCanVeto(false), wxTheApp->ProcessEvent(end);  // with no session manager to send them
    };
    if (row.answer == wxID_YES && !row.read)  // Save As, cancelled
        wxTEST_DIALOG(close(), Answer(row.answer), AnswerFile(Temp("chosen.txt"), 0, wxID_CANCEL))
    else
        wxTEST_DIALOG(close(), Answer(row.answer ? row.answer : wxID_CANCEL).Optional())
    gui::Pump(200);
    EXPECT_EQ(wxTopLevelWindows.empty(), row.closes);
    if (row.closes)
        LogCapture::Get().statusBar = nullptr;  // the status bar is gone
    const std::string shown = row.read ? "track.txt" : "noname.txt", question = "VORN Spline Editor (" + shown +
        ")|Save changes to " + shown + " before closing?|Save|Close without Saving|Cancel";
    EXPECT_EQ(Answer::asked, row.answer ? question : "");
    EXPECT_TRUE(row.input != Input::SessionEnd || Statuses().size() + Errors().size() == 0) << "said at the session's end";
    wxLogNull quiet;
    Path()->Save(Temp("expected.txt").c_str());
    const std::string expected = ReadFile(Temp("expected.txt"));
    EXPECT_EQ(ReadFile(file), row.saved == shown ? expected : old);
    EXPECT_EQ(row.saved.empty() ? expected : ReadFile(Temp(row.saved)), expected);
}

// The names are those of the tests in tests/CMakeLists.txt, each run by itself.
INSTANTIATE_TEST_SUITE_P(Rows, Closing,
    testing::Values(Row{"unchanged", Input::Menu, Change::Picture, true, 0, true, ""},
                    Row{"cancel", Input::Menu, Change::Width, true, wxID_CANCEL, false, ""},
                    Row{"discard", Input::CloseBox, Change::Point, true, wxID_NO, true, ""},
                    Row{"save", Input::Menu, Change::Point, true, wxID_YES, true, "track.txt"},
                    Row{"save_as_cancelled", Input::CloseBox, Change::Point, false, wxID_YES, false, ""},
                    Row{"session_end", Input::SessionEnd, Change::Width, true, 0, false, "track.unsaved.txt"},
                    Row{"session_end_unnamed", Input::SessionEnd, Change::Point, false, 0, false, "noname.unsaved.txt"}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
#endif
