// The undo/redo history of the document: whole-path snapshots taken before
// each recorded command, swapped with the current path on undo and redo.
#include <utility>

#include <wx/log.h>

#include "editor/EditorDocument.h"
#include "editor/EditorHost.h"
#include "editor/FileName.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"

void EditorDocument::ClearRedo()
{
    for (HistoryRecord* r : redoList)
        delete r;
    redoList.clear();
}

void EditorDocument::RecordCommand(const std::string& name)
{
    SettleMove();
    while (int(undoList.size()) >= historyLimit && !undoList.empty()) {
        delete undoList.back();
        undoList.pop_back();
    }
    ClearRedo();
    undoList.push_front(new HistoryRecord(name, new TrackPath(*GetTrackPath())));
    undoList.front()->fileName = currentFileName;
    undoList.front()->origin = origin;
    if (host) {
        host->UpdateUndoLabel(name);
        host->UpdateRedoLabel("");
    }
}

void EditorDocument::Undo()
{
    if (undoList.empty()) {
        wxLogStatus("No more undo!");
        if (host)
            host->UpdateUndoLabel("");
        return;
    }
    HistoryRecord* r = undoList.front();
    undoList.pop_front();
    TrackPath* current = GetTrackPath();
    SetTrackPath(r->snapshot, false);
    r->snapshot = current;
    SwapFile(*r);
    redoList.push_front(r);
    if (host) {
        host->UpdateUndoLabel(undoList.empty() ? std::string() : undoList.front()->name);
        host->UpdateRedoLabel(r->name);
    }
    wxLogStatus("Undid:  %s", r->name);
}

void EditorDocument::Redo()
{
    if (redoList.empty()) {
        wxLogStatus("No more redo!");
        if (host)
            host->UpdateRedoLabel("");
        return;
    }
    HistoryRecord* r = redoList.front();
    redoList.pop_front();
    TrackPath* current = GetTrackPath();
    SetTrackPath(r->snapshot, false);
    r->snapshot = current;
    SwapFile(*r);
    undoList.push_front(r);
    if (host) {
        host->UpdateRedoLabel(redoList.empty() ? std::string() : redoList.front()->name);
        host->UpdateUndoLabel(r->name);
    }
    wxLogStatus("Redid:  %s", r->name);
}

// The name and what its file holds go with the path they belong to, so that a
// save after an undo of New or Open writes where the shown path came from.
void EditorDocument::SwapFile(HistoryRecord& record)
{
    const std::string name = currentFileName;
    SetFileName(record.fileName);
    record.fileName = name;
    std::swap(origin, record.origin);
}

bool EditorDocument::HasUnsavedChanges()
{
    return !origin.print || *origin.print != FileOrigin::Print(GetTrackPath());
}

void EditorDocument::MarkSaved()
{
    origin = {true, FileOrigin::Print(GetTrackPath())};
    // The steps shown under the same name are no longer what that file holds.
    for (auto* list : {&undoList, &redoList})
        for (HistoryRecord* r : *list)
            if (r->fileName == currentFileName)
                r->origin = origin;
}
