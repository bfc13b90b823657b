#pragma once


// The world square runs from -128 to +128 on both axes, y upwards, and is
// stretched over the whole background picture, one picture pixel per screen pixel.
extern const float WorldWidth;
extern const float WorldHeight;

// World to picture pixel; false when there is no picture or the point cannot be placed.
bool WorldToPixel(float x, float y, int& px, int& py);
// Picture pixel to world; false (with an error) when the picture has a zero size.
bool PixelToWorld(int px, int py, float& x, float& y);
// The corners (px - r, py - r) and (px + r, py + r) in world coordinates.
bool PixelSquareToWorldBox(int px, int py, int r, float& x1, float& y1, float& x2, float& y2);
// One step of a right-button pan, in client pixels: the picture follows the mouse.
void PanView(int lastX, int lastY, int x, int y);

#include <wx/gdicmn.h>
class wxDC;

// The logical area that a DC can show: its device area, within its clipping box if any.
wxRect DcLogicalArea(const wxDC& dc);
