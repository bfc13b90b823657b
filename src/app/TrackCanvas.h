#pragma once

#include <wx/scrolwin.h>

// The drawing area: translates raw mouse and key input for the canvas handler
// and hands the toolkit's repaints to the painter.
class TrackCanvas : public wxScrolledWindow {
public:
    TrackCanvas(wxWindow* parent, const wxPoint& pos, const wxSize& size);

    void OnDraw(wxDC& dc) override;
    void OnMouseEvent(wxMouseEvent& event);
    void OnChar(wxKeyEvent& event);

    // A position in the window's own units (which are the screen's pixels on
    // Windows) in logical client pixels, and in logical (scrolled) canvas pixels.
    wxPoint ToClient(const wxPoint& window) const;
    wxPoint ToLogical(const wxPoint& window) const;
    // Scrolls over an area of that many logical pixels.
    void ShowArea(const wxSize& logical);

private:
    // Scrolls by a few tens of pixels per notch, sideways for Shift or a horizontal wheel.
    void OnWheel(const wxMouseEvent& event);

    wxDECLARE_EVENT_TABLE();
};
