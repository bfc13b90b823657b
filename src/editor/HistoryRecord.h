#pragma once

#include <string>
#include <vector>

#include "editor/FileOrigin.h"
#include "model/TrackPath.h"

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
    // The snapshot's selected and highlighted points, so that bringing it
    // back needs no walk of its chain.
    std::vector<TrackPoint*> flagged;
    // Where the snapshot is drawn differently from that of the next record
    // down its list: what the step after the one that brings it back paints.
    TrackPath::Damage link;
};
