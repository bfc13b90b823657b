#include "editor/EditorDocument.h"

#include <new>
#include <vector>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/log.h>

#include "editor/EditorHost.h"
#include "editor/FileName.h"
#include "editor/HistoryRecord.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

EditorDocument::EditorDocument() = default;

EditorDocument::~EditorDocument()
{
    delete trackPath;
    delete background;
    for (HistoryRecord* r : undoList)
        delete r;
    for (HistoryRecord* r : redoList)
        delete r;
}

TrackPath* EditorDocument::GetTrackPath()
{
    if (!trackPath) {
        trackPath = new TrackPath();
        SetFileName("noname.txt");
    }
    return trackPath;
}

void EditorDocument::SettleMove()
{
    if (!movedSinceIndexed || !trackPath)
        return;
    movedSinceIndexed = false;
    for (TrackPoint* p : selection)
        trackPath->UpdatePointPosition(p);
}

void EditorDocument::SetTrackPath(TrackPath* path, bool deleteOld)
{
    SettleMove();
    if (trackPath && trackPath != path && deleteOld)
        delete trackPath;
    trackPath = path;
    // A path from elsewhere may differ anywhere from those of the history.
    towardUndo.Everything();
    towardRedo.Everything();

    highlighted.clear();  // of a path that may be gone
    TakeFlags(path->points);
    ClearHighlights();  // the hover is picked again
    if (host)
        host->ResetHover(-1, -1);
}

void EditorDocument::Select(TrackPoint* point)
{
    SettleMove();
    point->flags |= TrackPoint::Selected;
    selection.insert(point);
    GetTrackPath()->MarkingChanged(point);
}

void EditorDocument::Unselect(TrackPoint* point)
{
    SettleMove();
    point->flags &= ~TrackPoint::Selected;
    selection.erase(point);
    GetTrackPath()->MarkingChanged(point);
}

void EditorDocument::ToggleSelect(TrackPoint* point)
{
    if (point->IsSelected())
        Unselect(point);
    else
        Select(point);
}

void EditorDocument::UnselectAll()
{
    SettleMove();
    wxLogStatus("All points unselected.");
    for (TrackPoint* p : GetTrackPath()->points) {
        if (p->IsSelected())
            trackPath->MarkingChanged(p);
        p->flags &= ~TrackPoint::Selected;
    }
    selection.clear();
}

void EditorDocument::Highlight(TrackPoint* point)
{
    point->flags |= TrackPoint::Highlighted;
    highlighted.insert(point);
    GetTrackPath()->HighlightChanged(point);
}

void EditorDocument::Unhighlight(TrackPoint* point)
{
    point->flags &= ~TrackPoint::Highlighted;
    highlighted.erase(point);
    GetTrackPath()->HighlightChanged(point);
}

void EditorDocument::ClearHighlights()
{
    while (!highlighted.empty())
        Unhighlight(*highlighted.begin());
}

void EditorDocument::StartMove(int lx, int ly)
{
    wxLogStatus("Starting move.");
    RecordCommand("move");
    moveStartX = moveLastX = lx;
    moveStartY = moveLastY = ly;
    Repaint();
}

void EditorDocument::DragMove(int lx, int ly)
{
    wxLogStatus("dx,dy = %7.2f,%7.2f", double(lx - moveStartX) * mapping.scaleX,
                double(ly - moveStartY) * mapping.scaleY);
    const float sx = float(double(lx - moveLastX) * mapping.scaleX);
    const float sy = float(-(double(ly - moveLastY) * mapping.scaleY));
    GetTrackPath()->Reshape(selection, [&] {
        for (TrackPoint* p : selection) {
            p->x += sx;
            p->y += sy;
        }
    });
    if (!selection.empty() && (sx != 0.0f || sy != 0.0f))
        movedSinceIndexed = true;
    moveLastX = lx;
    moveLastY = ly;
    Repaint();
}

void EditorDocument::FinishMove(int, int)
{
    wxLogStatus("Finished move.");
    movedSinceIndexed = false;
    for (TrackPoint* p : selection)
        GetTrackPath()->UpdatePointPosition(p);
    Repaint();
}

void EditorDocument::DeleteSelected()
{
    if (selection.empty())
        return;
    wxLogStatus("Deleted selected points.");
    RecordCommand("delete");
    const std::vector<TrackPoint*> doomed(selection.begin(), selection.end());
    for (TrackPoint* p : doomed) {
        Unselect(p);
        highlighted.erase(p);
        if (host)
            host->ForgetPoint(p);
        trackPath->RemovePoint(p);
    }
    Repaint();
}

void EditorDocument::SetStartToSelection()
{
    if (selection.empty()) {
        wxLogError("You must first select a point before you can reset the start/finish point!");
        return;
    }
    SettleMove();
    GetTrackPath()->SetStart(*selection.begin(), this);
    Repaint();
}

void EditorDocument::ReversePath()
{
    SettleMove();
    GetTrackPath()->ReverseDirection(this);
    Repaint();
}

void EditorDocument::AdjustWidth(float delta)
{
    TrackPoint* last = nullptr;
    GetTrackPath()->Reshape(selection, [&] {
        for (TrackPoint* p : selection) {
            p->w = p->w + delta;
            if (p->w < 0.5f)
                p->w = 0.5f;
            last = p;
        }
    });
    if (last)
        wxLogStatus("Point:  %7.2f,%7.2f (w = %.2f)", double(last->x), double(last->y),
                    double(last->w));
    Repaint();
}

void EditorDocument::CreatePointAt(int lx, int ly)
{
    const int type = host ? host->NewPointType() : 0;
    const PixelMapping m = Mapping();
    float wx, wy;
    if (!m.PixelToWorld(lx, ly, wx, wy))
        return;  // no usable picture: there is no world position to put a point at
    wxLogStatus("Created new point at:  %7.2f,%7.2f", double(wx), double(wy));
    RecordCommand("create-point");

    TrackPath* path = GetTrackPath();
    std::vector<TrackSegment*> hits;
    path->FindSegmentsAt(m, lx, ly, hits);

    TrackPoint* point;
    bool linked;
    if (!hits.empty()) {
        TrackSegment* s = hits.front();
        const float w = (s->from->w + s->to->w) * 0.5f;
        float x, y;
        TrackPath::ProjectOntoSegment(*s, wx, wy, x, y);
        point = new (std::nothrow) TrackPoint(x, y, w, type);
        linked = path->InsertPoint(point, s);
    } else {
        const float w = path->points.empty() ? 10.0f : path->points.back()->w;
        point = new (std::nothrow) TrackPoint(wx, wy, w, type);
        linked = path->InsertPoint(point, nullptr);
    }
    if (!point) {
        wxLogError("Whoops, invalid new point!");
        return;
    }
    if (!linked)
        return;  // refused and already deleted by the path

    UnselectAll();
    Select(point);
    if (host)
        host->ResetHover(lx, ly);
    Repaint();
}

wxBitmap* EditorDocument::GetBackgroundBitmap()
{
    if (background)
        return background;
    // Without a window there is no canvas to take the size of.
    const wxSize size = host ? host->CanvasClientSize() : wxSize(0, 0);
    if (size.x <= 0 || size.y <= 0) {
        // Refused like any bitmap without a size; wxBitmap cannot even be made empty here.
        wxLogError("Invalid bitmap dimensions:  %dx%d", size.x > 0 ? size.x : 0,
                   size.y > 0 ? size.y : 0);
        return nullptr;
    }
    auto* bitmap = new wxBitmap(size.x, size.y, -1);
    {
        wxMemoryDC dc(*bitmap);
        dc.SetBrush(wxBrush(wxColour(0, 0, 0), wxBRUSHSTYLE_SOLID));
        dc.SetPen(wxPen(wxColour(50, 255, 50), 5, wxPENSTYLE_SOLID));
        dc.DrawRectangle(0, 0, size.x, size.y);
    }
    SetBackgroundBitmap(bitmap);
    return background;
}

void EditorDocument::SetBackgroundBitmap(wxBitmap* bitmap)
{
    const int w = bitmap && bitmap->IsOk() ? bitmap->GetWidth() : 0;
    const int h = bitmap && bitmap->IsOk() ? bitmap->GetHeight() : 0;
    if (w == 0 || h == 0) {
        wxLogError("Invalid bitmap dimensions:  %dx%d", w, h);
        delete bitmap;  // refused, and nobody else holds it
        return;
    }
    if (background != bitmap)
        delete background;
    background = bitmap;
    mapping = PixelMapping(w, h);
}

PixelMapping EditorDocument::Mapping()
{
    return GetBackgroundBitmap() ? mapping : PixelMapping();
}

void EditorDocument::Repaint()
{
    if (host)
        host->Redraw();
}
