#pragma once

#include <list>
#include <set>
#include <string>

#include "editor/FileOrigin.h"
#include "model/CommandRecorder.h"
#include "model/PixelMapping.h"
#include "model/SingleInstance.h"
#include "model/TrackPath.h"

class EditorHost;
class HistoryRecord;
class TrackPoint;
class wxBitmap;

// The one open document: the path, the background picture, the selection, the
// mapping between world and picture pixels, the move in progress and the
// undo/redo history. It tells the window it is shown in through its host.
class EditorDocument : public SingleInstance<EditorDocument>, public CommandRecorder {
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

    void RecordCommand(const std::string& name) override;
    void Undo();
    void Redo();

    // Whether leaving now would lose changes: the points differ from what their
    // file (currentFileName) holds, or were never all written.
    bool HasUnsavedChanges();
    // The path is what its file holds now, after a complete read or a save.
    void MarkSaved();

    // Puts points moved by a drag in progress where they stand in the index, so
    // that copies, swaps, edits and hit tests see their real positions.
    void SettleMove();

    // The picture; on first need a black one with a green frame, as large as the canvas.
    wxBitmap* GetBackgroundBitmap();
    // Takes the picture over and maps the world onto it; a picture without a size is refused.
    void SetBackgroundBitmap(wxBitmap* bitmap);
    // The mapping for the current picture, making the default picture first if need be.
    PixelMapping Mapping();

    TrackPath* trackPath = nullptr;
    wxBitmap* background = nullptr;
    std::set<TrackPoint*> selection;
    // The points whose highlighted flag is set, so that clearing them needs no walk of the path.
    std::set<TrackPoint*> highlighted;
    PixelMapping mapping;
    int moveStartX = 0, moveStartY = 0;
    int moveLastX = 0, moveLastY = 0;
    std::list<HistoryRecord*> undoList;
    std::list<HistoryRecord*> redoList;
    int historyLimit = 10;
    FileOrigin origin;  // of the shown path
    // The window the document is shown in; null when there is none, and then
    // nothing is told.
    EditorHost* host = nullptr;

private:
    void ClearRedo();
    // The record's path takes the place of the shown one, which goes into the
    // record; toward is where the two are drawn differently, away where the
    // shown one differs from that on top of the other list.
    void SwapWith(HistoryRecord& record, TrackPath::Damage& toward, TrackPath::Damage& away);
    void SwapFile(HistoryRecord& record);
    // The selection and highlight of a path that becomes the shown one, from
    // the flags of its points given.
    template <typename Points> void TakeFlags(const Points& points)
    {
        selection.clear();
        for (TrackPoint* p : points) {
            if (p->IsSelected())
                selection.insert(p);
            if (p->IsHighlighted())
                highlighted.insert(p);
        }
    }
    // Where the shown path is drawn differently from the one the next undo
    // brings back, and from the one the next redo brings back.
    TrackPath::Damage towardUndo, towardRedo;
    // Every change ends in a repaint of the whole canvas, when there is one.
    void Repaint();
    bool movedSinceIndexed = false;
};
