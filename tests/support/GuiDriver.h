#pragma once

#include <string>

#include <wx/gdicmn.h>

class wxImage;

// Drives the real main window under the display the tests run on.
namespace gui {

// Processes events for about the given time.
void Pump(int milliseconds = 50);
// Waits until the main window is shown, laid out and painted once.
void WaitForWindow();
// A fresh document state between tests: empty path, empty history, Straight
// selected, view at the origin, default picture, idle handler, no captured logs.
void ResetDocument();

// Real X input at canvas client positions.
void MoveTo(int clientX, int clientY);
void Press(int button);    // wxMOUSE_BTN_LEFT, _MIDDLE, _RIGHT
void Release(int button);
void ClickAt(int clientX, int clientY, int button = 1);
void DragFromTo(int x0, int y0, int x1, int y1, int button = 1, int steps = 5);
void Key(int keyCode, int modifiers = 0);  // wxMOD_CONTROL, wxMOD_SHIFT, ...
void HoldModifiers(int modifiers);         // for Control-clicks
void ReleaseModifiers(int modifiers);

// What is on the screen over the canvas's client area, as the user sees it.
wxImage CanvasScreenshot();
// Saves what is on the screen over the whole frame as a PNG.
void SaveFrameScreenshot(const std::string& path);

// The status bar's first field.
std::string StatusText();

}  // namespace gui
