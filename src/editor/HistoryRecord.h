#pragma once

#include <string>

class TrackPath;

// One undoable step: the command's name and the whole path as it was before it
// (in the undo list) or before the undo that moved it (in the redo list).
class HistoryRecord {
public:
    HistoryRecord(std::string name, TrackPath* snapshot);
    ~HistoryRecord();
    HistoryRecord(const HistoryRecord&) = delete;
    HistoryRecord& operator=(const HistoryRecord&) = delete;

    std::string name;
    TrackPath* snapshot;  // owned
};
