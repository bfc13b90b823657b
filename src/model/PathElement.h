#pragma once

// The editing state shared by points and segments. No virtual destructor:
// points and segments are deleted as SpatialObjects or as themselves, and a
// second vtable pointer in each of them would only cost memory (a snapshot
// copies every one of them).
class PathElement {
public:
    static constexpr int Selected = 2;
    static constexpr int Highlighted = 4;

    bool IsSelected() const { return (flags & Selected) != 0; }
    bool IsHighlighted() const { return (flags & Highlighted) != 0; }

    int flags = 0;
};
