#include "editor/HistoryRecord.h"

#include <utility>

#include "model/TrackPath.h"

HistoryRecord::HistoryRecord(std::string recordName, TrackPath* recordSnapshot)
    : name(std::move(recordName)), snapshot(recordSnapshot)
{
}

HistoryRecord::~HistoryRecord()
{
    delete snapshot;
}
