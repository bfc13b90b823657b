#include "support/Harness.h"

LogCapture& LogCapture::Get()
{
    static LogCapture* capture = new LogCapture();  // owned by wxLog once installed
    return *capture;
}

void LogCapture::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    if (level == wxLOG_Status && statusBar)
        statusBar(msg);
    if (level == wxLOG_Status || level <= wxLOG_Warning)
        (level == wxLOG_Status ? statuses : errors).push_back(msg.utf8_string());
}
