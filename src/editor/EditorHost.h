#pragma once

#include <string>

#include <wx/gdicmn.h>

class TrackPoint;

// What the document and the canvas's handler ask of the window they are shown
// in. Declared here and implemented by the application, so that neither ever
// includes a window.
class EditorHost {
public:
    virtual ~EditorHost() = default;

    // Shows the current file name, without its directory, in the title.
    virtual void UpdateTitle(const std::string& bareName) = 0;
    // The Edit items name the command they would undo or redo; empty disables them.
    virtual void UpdateUndoLabel(const std::string& name) = 0;
    virtual void UpdateRedoLabel(const std::string& name) = 0;
    // Shows what changed: the canvas is painted again where its drawing changed.
    virtual void Redraw() = 0;
    // Forgets the highlighted point and, at a non-negative position, picks again.
    virtual void ResetHover(int lx, int ly) = 0;
    // Called before a point is deleted, so that nothing above keeps it.
    virtual void ForgetPoint(const TrackPoint* point) = 0;
    // The segment type that new points get: the one the Type radio box shows.
    virtual int NewPointType() = 0;
    // Shows type t in the radio box and gives it to every selected point.
    virtual void SetPointType(int t) = 0;
    // The canvas's client size, which the default picture takes.
    virtual wxSize CanvasClientSize() = 0;

    // The File menu's commands that Control keys on the canvas run too.
    enum class Command { NewSpline, OpenSpline, OpenImage, SaveSpline };
    virtual void RunCommand(Command command) = 0;
};
