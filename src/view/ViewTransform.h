#pragma once

class wxScrolledWindow;

// One step of a right-button pan, in client pixels: the picture follows the mouse.
void PanView(wxScrolledWindow& canvas, int lastX, int lastY, int x, int y);
