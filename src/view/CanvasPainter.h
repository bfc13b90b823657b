#pragma once

#include "model/SingleInstance.h"

class wxDC;
class wxRect;

// Puts the document on the canvas: the picture, the path over it, the rubber band.
class CanvasPainter : public SingleInstance<CanvasPainter> {
public:
    // Draws the whole scene into a DC prepared for the canvas's scroll position,
    // composed off-screen and copied in one blit.
    void Paint(wxDC& dc);
    // Repaints the canvas at once, through a client DC.
    void Redraw();
    // Puts the canvas back as it was where a band, given in logical pixels, was
    // drawn beyond the picture.
    void EraseBand(const wxRect& band);
};
