#pragma once

#include <string>
#include <vector>

#include <wx/log.h>

// Records every status line and error the program logs, so tests can assert the
// exact texts; status lines still reach the frame's status bar, and no error box
// ever waits for a click.
class LogCapture : public wxLog {
public:
    static LogCapture& Get();

    void Clear();
    std::vector<std::string> statuses;
    std::vector<std::string> errors;

    std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }
    std::string LastError() const { return errors.empty() ? std::string() : errors.back(); }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;
};
