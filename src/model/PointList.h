#pragma once

#include <cstddef>
#include <iterator>

#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

// The points of a path in the direction of travel. The chain's own links are
// the list: a step forward follows the point's next segment, a step back its
// previous one, so the list needs no node of its own per point. Only the path
// changes it, and it keeps the chain whole between its operations.
class PointList {
public:
    class iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = TrackPoint*;
        using difference_type = std::ptrdiff_t;
        using pointer = TrackPoint* const*;
        using reference = TrackPoint*;  // points are handed out by value, like the list's own

        iterator() = default;
        iterator(TrackPoint* at, const PointList* in) : point(at), list(in) {}

        TrackPoint* operator*() const { return point; }
        iterator& operator++()
        {
            point = point->nextSegment ? point->nextSegment->to : nullptr;
            return *this;
        }
        iterator operator++(int)
        {
            iterator before = *this;
            ++*this;
            return before;
        }
        iterator& operator--()
        {
            point = point ? (point->prevSegment ? point->prevSegment->from : nullptr) : list->last;
            return *this;
        }
        iterator operator--(int)
        {
            iterator before = *this;
            --*this;
            return before;
        }
        bool operator==(const iterator& other) const { return point == other.point; }
        bool operator!=(const iterator& other) const { return point != other.point; }

    private:
        TrackPoint* point = nullptr;  // null past the end
        const PointList* list = nullptr;
    };
    using const_iterator = iterator;
    using reverse_iterator = std::reverse_iterator<iterator>;

    iterator begin() const { return iterator(first, this); }
    iterator end() const { return iterator(nullptr, this); }
    reverse_iterator rbegin() const { return reverse_iterator(end()); }
    reverse_iterator rend() const { return reverse_iterator(begin()); }
    TrackPoint* front() const { return first; }
    TrackPoint* back() const { return last; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }

private:
    friend class TrackPath;
    TrackPoint* first = nullptr;
    TrackPoint* last = nullptr;
    std::size_t count = 0;
};
