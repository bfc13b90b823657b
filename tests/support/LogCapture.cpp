#include "support/LogCapture.h"

#include <wx/frame.h>

#include "app/MainFrame.h"
#include "app/MainWindow.h"

LogCapture& LogCapture::Get()
{
    static LogCapture* capture = new LogCapture();  // owned by wxLog once installed
    return *capture;
}

void LogCapture::Clear()
{
    statuses.clear();
    errors.clear();
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    const std::string text = msg.utf8_string();
    if (level == wxLOG_Status) {
        statuses.push_back(text);
        if (MainWindow::Exists() && MainWindow::Instance()->frame)
            MainWindow::Instance()->frame->SetStatusText(msg);
    } else if (level <= wxLOG_Warning) {
        errors.push_back(text);
    }
}
