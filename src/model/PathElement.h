#pragma once

// The editing state shared by points and segments.
class PathElement {
public:
    static constexpr int Selected = 2;
    static constexpr int Highlighted = 4;
    // Set on about one point in 64 when it is made, and kept by its copies:
    // the marks cut the chain into runs that stay the same while points
    // elsewhere come and go, so a run can be drawn again on its own.
    static constexpr int Waymark = 8;

    virtual ~PathElement() = default;

    bool IsSelected() const { return (flags & Selected) != 0; }
    bool IsHighlighted() const { return (flags & Highlighted) != 0; }
    bool IsWaymark() const { return (flags & Waymark) != 0; }

    int flags = 0;
};
