#pragma once

#include <list>
#include <set>
#include <string>

#include "model/SingleInstance.h"

class HistoryRecord;
class TrackPath;
class TrackPoint;
class wxBitmap;

// The one open document: the path, the background picture, the selection, the
// view's scale factors, the move in progress and the undo/redo history.
class EditorDocument : public SingleInstance<EditorDocument> {
public:
    EditorDocument();
    ~EditorDocument();
    EditorDocument(const EditorDocument&) = delete;
    EditorDocument& operator=(const EditorDocument&) = delete;

    TrackPath* GetTrackPath();
    void SetTrackPath(TrackPath* path, bool deleteOld);

    void Select(TrackPoint* point);
    void Unselect(TrackPoint* point);
    void ToggleSelect(TrackPoint* point);
    void UnselectAll();
    void Highlight(TrackPoint* point);
    void Unhighlight(TrackPoint* point);
    void ClearHighlights();

    void StartMove(int lx, int ly);
    void DragMove(int lx, int ly);
    void FinishMove(int lx, int ly);
    void DeleteSelected();
    void SetStartToSelection();
    void ReversePath();
    void AdjustWidth(float delta);
    void CreatePointAt(int lx, int ly);

    void RecordCommand(const std::string& name);
    void Undo();
    void Redo();

    // Puts points moved by a drag in progress where they stand in the index, so
    // that copies, swaps, edits and hit tests see their real positions.
    void SettleMove();

    wxBitmap* GetBackgroundBitmap();
    void SetBackgroundBitmap(wxBitmap* bitmap);

    TrackPath* trackPath = nullptr;
    wxBitmap* background = nullptr;
    std::set<TrackPoint*> selection;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    int moveStartX = 0, moveStartY = 0;
    int moveLastX = 0, moveLastY = 0;
    std::list<HistoryRecord*> undoList;
    std::list<HistoryRecord*> redoList;
    int historyLimit = 10;

private:
    void ClearRedo();
    bool movedSinceIndexed = false;
};
