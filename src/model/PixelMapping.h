#pragma once

// The world square runs from -128 to +128 on both axes, y upwards, and is
// stretched over the whole background picture, one picture pixel per screen pixel.
extern const float WorldWidth;
extern const float WorldHeight;

// The arithmetic between world coordinates and the pixels of one picture. A
// small value: the document keeps the one for its current picture.
class PixelMapping {
public:
    // No picture: nothing can be placed and nothing can be picked.
    PixelMapping() = default;
    // A picture of w x h pixels.
    PixelMapping(int w, int h);

    // World to picture pixel; false when there is no picture or the point cannot be placed.
    bool WorldToPixel(float x, float y, int& px, int& py) const;
    // Picture pixel to world; false (with an error) when the picture has a zero size.
    bool PixelToWorld(int px, int py, float& x, float& y) const;
    // The corners (px - r, py - r) and (px + r, py + r) in world coordinates.
    bool PixelSquareToWorldBox(int px, int py, int r, float& x1, float& y1, float& x2, float& y2) const;

    bool hasPicture = false;
    int width = 0;
    int height = 0;
    // World units per picture pixel, for read-outs of distances dragged.
    float scaleX = 1.0f;
    float scaleY = 1.0f;

private:
    bool CheckedSize() const;
    void ToWorld(int px, int py, float& x, float& y) const;
};
