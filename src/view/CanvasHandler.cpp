#include "view/CanvasHandler.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include <wx/defs.h>
#include <wx/log.h>

#include "editor/EditorDocument.h"
#include "editor/EditorHost.h"
#include "model/SegmentType.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "view/CanvasPainter.h"
#include "view/InputFlags.h"
#include "view/ViewTransform.h"

namespace {

EditorDocument* Doc()
{
    return EditorDocument::Instance();
}

void Repaint()
{
    CanvasPainter::Instance()->Redraw();
}

bool Has(int flags, int bits)
{
    return (flags & bits) == bits;
}

// Whether a release at v is still the click begun at anchor: the press position
// and the last drag step may together be at most one pixel away on this axis.
bool StillClick(int v, int anchor, int last)
{
    return std::abs(v - anchor) + std::abs(v - last) < 2;
}

}  // namespace

CanvasHandler::CanvasHandler(EditorHost& host, wxScrolledWindow& canvas)
    : bandColour(205, 0, 0), host(host), canvas(canvas)
{
}

void CanvasHandler::EnterMode(HandlerMode next)
{
    modeStack.push_front(mode);
    mode = next;
}

void CanvasHandler::LeaveMode()
{
    if (modeStack.empty())
        return;
    mode = modeStack.front();
    modeStack.pop_front();
}

void CanvasHandler::HandleMouse(int x, int y, int lx, int ly, int flags)
{
    using namespace InputFlags;
    const bool motion = (flags & Motion) != 0;
    switch (mode) {
    case Idle:
        if (Has(flags, Press | InputFlags::Left)) {
            BeginLeftPress(lx, ly, (flags & Control) != 0);
            return;
        }
        if (Has(flags, Press | Middle) && !(flags & InputFlags::Left))
            return;
        if (Has(flags, Press | InputFlags::Right) && !(flags & (InputFlags::Left | Middle))) {
            wxLogStatus("Start panning.");
            panStartX = panLastX = x;
            panStartY = panLastY = y;
            EnterMode(Pan);
            return;
        }
        break;
    case Move:
        if (motion && (flags & InputFlags::Left)) {
            Doc()->DragMove(lx, ly);
            return;
        }
        if (!motion && Has(flags, Release | InputFlags::Left)) {
            // A display server may merge motions and leave out the last one:
            // the drag ends where the button comes up.
            if (lx != Doc()->moveLastX || ly != Doc()->moveLastY)
                Doc()->DragMove(lx, ly);
            Doc()->FinishMove(lx, ly);
            LeaveMode();
            return;
        }
        break;
    case RubberBand:
        if (motion && (flags & InputFlags::Left)) {
            DragBand(lx, ly);
            return;
        }
        if (!motion && Has(flags, Release | InputFlags::Left)) {
            FinishBand(lx, ly);
            return;
        }
        break;
    case Pan:
        if (motion && (flags & InputFlags::Right)) {
            DragPan(x, y);
            return;
        }
        if (!motion && Has(flags, Release | InputFlags::Right)) {
            FinishPan(x, y);
            return;
        }
        break;
    }

    if (motion) {
        Hover(lx, ly);
        Repaint();
    } else if (flags & Leave) {
        Doc()->ClearHighlights();
        hoverPoint = nullptr;
        Repaint();
        wxLogStatus("");
    }
}

void CanvasHandler::BeginLeftPress(int lx, int ly, bool control)
{
    EditorDocument* doc = Doc();
    std::vector<TrackPoint*> hits;
    doc->GetTrackPath()->FindPointsAt(doc->Mapping(), lx, ly, hits);
    additive = control;

    if (hits.empty()) {
        wxLogStatus("Starting select.");
        doc->RecordCommand("select");
        EnterMode(RubberBand);
        bandAnchorX = bandCornerX = lx;
        bandAnchorY = bandCornerY = ly;
        bandShown = false;
        Repaint();  // nothing to see yet: the band shows from the first drag step
        return;
    }

    // A press on a selected point keeps the selection, so a group can be dragged.
    const bool onSelected =
        std::any_of(hits.begin(), hits.end(), [](TrackPoint* p) { return p->IsSelected(); });
    if (!onSelected && !additive)
        doc->UnselectAll();
    for (TrackPoint* p : hits) {
        if (additive)
            doc->ToggleSelect(p);
        else
            doc->Select(p);
    }
    EnterMode(Move);
    doc->StartMove(lx, ly);
}

void CanvasHandler::DragBand(int lx, int ly)
{
    EditorDocument* doc = Doc();
    wxLogStatus("dx,dy = %7.2f,%7.2f", double(lx - bandAnchorX) * doc->mapping.scaleX,
                double(ly - bandAnchorY) * doc->mapping.scaleY);
    // XOR drawing does not reach the screen on every back end, so the band is
    // painted over the canvas where it was and where it is now.
    wxRect band;
    if (GetBand(band))
        CanvasPainter::Instance()->RefreshBand(band);
    bandCornerX = lx;
    bandCornerY = ly;
    bandShown = true;
    GetBand(band);
    CanvasPainter::Instance()->RefreshBand(band);
    Repaint();
}

void CanvasHandler::FinishBand(int lx, int ly)
{
    EditorDocument* doc = Doc();
    wxRect shown;
    if (GetBand(shown)) {
        bandShown = false;
        CanvasPainter::Instance()->RefreshBand(shown);
    }
    if (StillClick(lx, bandAnchorX, bandCornerX) && StillClick(ly, bandAnchorY, bandCornerY)) {
        doc->CreatePointAt(lx, ly);
        LeaveMode();
        return;
    }
    wxLogStatus("Selected point(s).");
    // Where the button comes up, should the last motion have been merged away.
    bandCornerX = lx;
    bandCornerY = ly;
    if (!additive)
        doc->UnselectAll();

    const PixelMapping mapping = doc->Mapping();
    float x1, y1, x2, y2;
    if (mapping.PixelToWorld(bandAnchorX, bandAnchorY, x1, y1) &&
        mapping.PixelToWorld(bandCornerX, bandCornerY, x2, y2)) {
        std::vector<SpatialObject*> inside;
        doc->GetTrackPath()->FindInBox(BoundingBox(x1, y1, 0.0f, x2, y2, 0.0f), inside);
        for (SpatialObject* object : inside)
            if (auto* p = dynamic_cast<TrackPoint*>(object))
                doc->ToggleSelect(p);
    }
    Repaint();
    LeaveMode();
}

void CanvasHandler::DragPan(int x, int y)
{
    EditorDocument* doc = Doc();
    wxLogStatus("dx,dy = %7.2f,%7.2f", double(x - panStartX) * doc->mapping.scaleX,
                double(y - panStartY) * doc->mapping.scaleY);
    PanView(canvas, panLastX, panLastY, x, y);
    panLastX = x;
    panLastY = y;
}

void CanvasHandler::FinishPan(int x, int y)
{
    wxLogStatus("Finished panning.");
    if (StillClick(x, panStartX, panLastX) && StillClick(y, panStartY, panLastY)) {
        Doc()->RecordCommand("unselect-all");
        Doc()->UnselectAll();
    }
    Repaint();
    LeaveMode();
}

void CanvasHandler::Hover(int lx, int ly)
{
    EditorDocument* doc = Doc();
    std::vector<TrackPoint*> hits;
    doc->GetTrackPath()->FindPointsAt(doc->Mapping(), lx, ly, hits);
    TrackPoint* p = hits.empty() ? nullptr : hits.front();
    if (p) {
        wxLogStatus("Point:  %7.2f,%7.2f (w = %7.2f)", double(p->x), double(p->y), double(p->w));
    } else {
        float wx, wy;
        if (doc->Mapping().PixelToWorld(lx, ly, wx, wy))
            wxLogStatus("x,y = %7.2f,%7.2f", double(wx), double(wy));
    }
    if (p && p == hoverPoint)
        return;
    if (hoverPoint)
        doc->Unhighlight(hoverPoint);
    if (p)
        doc->Highlight(p);
    hoverPoint = p;
}

void CanvasHandler::ResetHover(int lx, int ly)
{
    EditorDocument* doc = Doc();
    doc->SettleMove();  // hit tests must see points where they stand, even mid-drag
    doc->ClearHighlights();
    hoverPoint = nullptr;
    if (lx >= 0 && ly >= 0)
        Hover(lx, ly);
}

void CanvasHandler::ForgetPoint(const TrackPoint* point)
{
    if (hoverPoint == point)
        hoverPoint = nullptr;
}

bool CanvasHandler::GetBand(wxRect& band) const
{
    if (mode != RubberBand || !bandShown)
        return false;
    // From the anchor by the distance dragged, as wide as the drag and no wider.
    band = wxRect(std::min(bandAnchorX, bandCornerX), std::min(bandAnchorY, bandCornerY),
                  std::abs(bandCornerX - bandAnchorX), std::abs(bandCornerY - bandAnchorY));
    return true;
}

bool CanvasHandler::HandleKey(int key, int, int, int lx, int ly, int flags)
{
    if (flags & InputFlags::Control)
        return HandleControlKey(key);
    return !(flags & InputFlags::Alt) && HandlePlainKey(key, lx, ly);
}

bool CanvasHandler::HandleControlKey(int key)
{
    // Control+letter may arrive as the letter in either case or as its control code.
    if (key >= 1 && key <= 26)
        key += 'a' - 1;
    else if (key >= 'A' && key <= 'Z')
        key += 'a' - 'A';

    switch (key) {
    case 'n':
        host.RunCommand(EditorHost::Command::NewSpline);
        break;
    case 'o':
        host.RunCommand(EditorHost::Command::OpenSpline);
        break;
    case 's':
        host.RunCommand(EditorHost::Command::SaveSpline);
        break;
    case 'a':
        host.RunCommand(EditorHost::Command::OpenImage);
        break;
    case 'z':
        Doc()->Undo();
        Repaint();
        break;
    case 'y':
        Doc()->Redo();
        Repaint();
        break;
    case 'u':
        Doc()->RecordCommand("unknown");
        break;
    default:
        return false;
    }
    return true;
}

bool CanvasHandler::HandlePlainKey(int key, int lx, int ly)
{
    EditorDocument* doc = Doc();
    switch (key) {
    case 'd':
    case 'D':
    case WXK_DELETE:
        ResetHover(lx, ly);
        doc->DeleteSelected();
        break;
    case 'f':
    case 'F':
        doc->SetStartToSelection();
        break;
    case 'r':
    case 'R':
        doc->ReversePath();
        break;
    case 'n':
    case WXK_TAB:
        host.SetPointType((host.NewPointType() + 1) % SegmentTypeCount);
        Repaint();
        break;
    case 'w':
    case WXK_UP:
        doc->AdjustWidth(0.5f);
        break;
    case 's':
    case WXK_DOWN:
        doc->AdjustWidth(-0.5f);
        break;
    default:
        wxLogStatus("Unregonized key-code:  %d (%c)", key, key & 0xff);
        return false;
    }
    return true;
}
