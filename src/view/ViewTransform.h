#pragma once

class wxScrolledWindow;
class wxWindow;

// One step of a right-button pan, in client pixels: the picture follows the mouse.
void PanView(wxScrolledWindow& canvas, int lastX, int lastY, int x, int y);

// The window's own units (its size, mouse and scroll positions) per logical
// pixel: 1 where the toolkit counts pixels independent of the screen's
// resolution (GTK), the screen's scale where it counts the screen's pixels
// (Windows), so that a picture pixel covers the same area everywhere.
double WindowUnitsPerPixel(const wxWindow& window);
