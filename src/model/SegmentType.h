#pragma once

// Stored in every point; the index of the choice in the "Type" radio box.
enum SegmentType : int {
    SegmentStraight = 0,
    SegmentJump = 1,
    SegmentCurve = 2,
};

// The radio box shows one choice for each, and Tab steps through them.
constexpr int SegmentTypeCount = 3;
