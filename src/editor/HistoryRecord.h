#pragma once

#include <string>

#include "editor/FileOrigin.h"

class TrackPath;

// One undoable step: the command's name and the whole path as it was before it
// (in the undo list) or before the undo that moved it (in the redo list), with
// the file name it was shown under and what that file holds.
class HistoryRecord {
public:
    HistoryRecord(std::string name, TrackPath* snapshot);
    ~HistoryRecord();
    HistoryRecord(const HistoryRecord&) = delete;
    HistoryRecord& operator=(const HistoryRecord&) = delete;

    std::string name;
    TrackPath* snapshot;  // owned
    std::string fileName;
    FileOrigin origin;
};
