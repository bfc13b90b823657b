#pragma once

// The editing state shared by points and segments.
class PathElement {
public:
    static constexpr int Selected = 2;
    static constexpr int Highlighted = 4;

    virtual ~PathElement() = default;

    bool IsSelected() const { return (flags & Selected) != 0; }
    bool IsHighlighted() const { return (flags & Highlighted) != 0; }

    int flags = 0;
};
