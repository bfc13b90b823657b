#pragma once

#include <cstdint>
#include <vector>

#include <wx/bitmap.h>
#include <wx/gdicmn.h>

#include "model/PixelMapping.h"
#include "model/SingleInstance.h"

class TrackPoint;
class wxDC;

// Puts the document on the canvas: the picture, the path over it, the rubber band.
class CanvasPainter : public SingleInstance<CanvasPainter> {
public:
    // Draws the whole scene into a DC prepared for the canvas's scroll position,
    // composed off-screen and copied in one blit.
    void Paint(wxDC& dc);
    // Repaints the canvas at once, through a client DC.
    void Redraw();
    // Redraw after a change of nothing but the highlighted point or the rubber
    // band, which every mouse move makes: the picture with the path beneath the
    // highlight rings is taken from the last paint when it still holds.
    void RedrawHover();
    // Puts the canvas back as it was where a band, given in logical pixels, was
    // drawn beyond the picture.
    void EraseBand(const wxRect& band);

private:
    void Compose(wxDC& dc, bool reuseScene);
    void RedrawCanvas(bool reuseScene);
    // Whether the scene shows the area, the picture and the path as they are now.
    bool SceneHolds(const wxRect& area, const wxBitmap& picture, std::uint64_t revision,
                    const PixelMapping& mapping) const;

    // The picture and the path beneath the highlight rings, over sceneArea (in
    // logical pixels), as last painted, and what it was painted from: a
    // reference to the picture keeps another picture from taking its place
    // unseen, and a revision is never reused by another path.
    wxBitmap scene;
    wxRect sceneArea;
    wxBitmap scenePicture;
    std::uint64_t sceneRevision = 0;
    PixelMapping sceneMapping;
    // The points that had a highlight ring then; the hover point may have one now.
    std::vector<TrackPoint*> sceneHighlights;
};
