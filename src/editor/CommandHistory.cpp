// The undo/redo history of the document: whole-path snapshots taken before
// each recorded command, swapped with the current path on undo and redo.
#include <utility>
#include <vector>

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
    towardRedo.Everything();
}

void EditorDocument::RecordCommand(const std::string& name)
{
    SettleMove();
    while (int(undoList.size()) >= historyLimit && !undoList.empty()) {
        delete undoList.back();
        undoList.pop_back();
    }
    ClearRedo();
    TrackPath* path = GetTrackPath();
    towardUndo.Add(path->TakeChanges());
    std::vector<TrackPoint*> flagged;
    auto* r = new HistoryRecord(name, new TrackPath(*path, &flagged));
    r->flagged = std::move(flagged);
    r->link = std::exchange(towardUndo, TrackPath::Damage::None());
    r->fileName = currentFileName;
    r->origin = origin;
    undoList.push_front(r);
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
    SwapWith(*r, towardUndo, towardRedo);
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
    SwapWith(*r, towardRedo, towardUndo);
    undoList.push_front(r);
    if (host) {
        host->UpdateRedoLabel(redoList.empty() ? std::string() : redoList.front()->name);
        host->UpdateUndoLabel(r->name);
    }
    wxLogStatus("Redid:  %s", r->name);
}

// Each record keeps where its path is drawn differently from the next one down
// its list, and the shown path where it differs from the two on top, so that
// the swap paints only that and needs no walk of either chain.
void EditorDocument::SwapWith(HistoryRecord& record, TrackPath::Damage& toward, TrackPath::Damage& away)
{
    SettleMove();
    ClearHighlights();  // the rings shown go with the path shown
    TrackPath* shown = GetTrackPath();
    // Changes not recorded (width, type) count for both sides.
    const TrackPath::Damage changed = shown->TakeChanges();
    toward.Add(changed);
    away.Add(changed);
    TrackPath* path = record.snapshot;
    path->SwappedInFor(*shown, toward);
    const TrackPath::Damage settled = path->TakeChanges();
    TrackPath::Damage shownToward = std::move(toward);
    toward = std::move(record.link);
    record.link = std::move(away);
    away = std::move(shownToward);
    toward.Add(settled);
    away.Add(settled);

    const std::vector<TrackPoint*> flagged = std::move(record.flagged);
    record.flagged.assign(selection.begin(), selection.end());
    record.snapshot = shown;
    trackPath = path;
    SwapFile(record);
    TakeFlags(flagged);
    ClearHighlights();  // the hover is picked again
    if (host)
        host->ResetHover(-1, -1);
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
