#pragma once

// Stored in every point; the index of the choice in the "Type" radio box.
enum SegmentType : int {
    SegmentStraight = 0,
    SegmentJump = 1,
    SegmentCurve = 2,
};

constexpr int SegmentTypeCount = 3;
