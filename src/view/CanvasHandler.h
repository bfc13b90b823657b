#pragma once

#include <list>

#include <wx/colour.h>
#include <wx/gdicmn.h>

class EditorHost;
class TrackPoint;
class wxScrolledWindow;

enum HandlerMode : int {
    Idle = 0,
    Move = 2,
    RubberBand = 3,
    Pan = 4,
};

// The canvas's mouse mode machine and key map: turns input into document
// commands, and into the window's own through its host.
class CanvasHandler {
public:
    // host: the window the canvas is in; canvas: the one it pans. The window
    // makes the handler and deletes it before either goes.
    CanvasHandler(EditorHost& host, wxScrolledWindow& canvas);
    virtual ~CanvasHandler() = default;

    // (x, y) client pixels, (lx, ly) logical canvas pixels, flags an InputFlags word.
    virtual void HandleMouse(int x, int y, int lx, int ly, int flags);
    // Whether the key map has a use for the key; one it has none for is the toolkit's.
    virtual bool HandleKey(int key, int x, int y, int lx, int ly, int flags);

    // Forgets the highlighted point and, at a non-negative position, picks again.
    void ResetHover(int lx, int ly);
    // Called before a point is deleted, so the highlight never outlives it.
    void ForgetPoint(const TrackPoint* point);
    // The rubber band to show over the picture, in logical pixels, if one is being dragged.
    bool GetBand(wxRect& band) const;

    HandlerMode mode = Idle;
    std::list<HandlerMode> modeStack;
    int bandAnchorX = 0, bandAnchorY = 0;
    int panStartX = 0, panStartY = 0;
    int bandCornerX = 0, bandCornerY = 0;
    int panLastX = 0, panLastY = 0;
    bool additive = false;
    TrackPoint* hoverPoint = nullptr;
    wxColour bandColour;

private:
    void EnterMode(HandlerMode next);
    void LeaveMode();
    void BeginLeftPress(int lx, int ly, bool control);
    void DragBand(int lx, int ly);
    void FinishBand(int lx, int ly);
    void DragPan(int x, int y);
    void FinishPan(int x, int y);
    void Hover(int lx, int ly);
    bool HandleControlKey(int key);
    bool HandlePlainKey(int key, int lx, int ly);

    EditorHost& host;
    wxScrolledWindow& canvas;
    // The band is shown from the first drag step until the release erases it.
    bool bandShown = false;
};
