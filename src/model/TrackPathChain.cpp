// Edits of the chain: linking points in and out, moving the start, turning the
// direction round, and keeping the index in step with them.
#include "model/TrackPath.h"

#include <utility>

#include <wx/log.h>

#include "model/CommandRecorder.h"
#include "model/TrackPoint.h"
#include "model/TrackSegment.h"

namespace {
const char* const NotInList = "Couldn't find point in list, something's weird!";
}

void TrackPath::AppendAll(const std::vector<TrackPoint*>& fresh)
{
    PointsChanged();
    std::vector<SpatialObject*> objects;
    objects.reserve(fresh.size() * 2);
    TrackPoint* last = points.last;
    for (TrackPoint* p : fresh) {
        // The order one InsertPoint each would index them in.
        objects.push_back(p);
        if (last) {
            auto* s = new TrackSegment(last, p);
            last->nextSegment = s;
            p->prevSegment = s;
            objects.push_back(s);
        } else {
            points.first = p;
        }
        last = p;
    }
    points.last = last;
    points.count += fresh.size();
    index.InsertAll(objects);
}

void TrackPath::Link(TrackSegment* segment)
{
    index.Insert(segment, 1);
}

void TrackPath::Unlink(TrackSegment* segment)
{
    index.Remove(segment, true);
}

void TrackPath::Discard(TrackPoint* point)
{
    // A point that cannot be linked is taken out again: left in the index it
    // would be found by hit tests although it is not part of the chain.
    Forget(point);
    index.Remove(point, true);
}

bool TrackPath::InsertPoint(TrackPoint* point, TrackSegment* segment)
{
    if (!point) {
        wxLogError("Invalid point to insert into track path!");
        return false;
    }
    if (point->prevSegment || point->nextSegment || point->node) {
        wxLogError("Invalid prev segment on point!  Not inserting!");
        return false;
    }
    index.Insert(point, 1);

    if (points.empty()) {
        points.first = points.last = point;
        points.count = 1;
        Settle(point);
        return true;
    }

    if (segment) {
        TrackPoint* a = segment->from;
        TrackPoint* b = segment->to;
        if (!a || !b) {
            wxLogError("Invalid segment, has NULL point(s)!");
            Discard(point);
            return false;
        }
        if (!a->nextSegment) {
            wxLogError("p1 has invalid segment!");
            Discard(point);
            return false;
        }
        if (FindPointNode(b) == points.end()) {
            wxLogError(NotInList);
            Discard(point);
            return false;
        }
        DamageAround(a);  // the segment about to be split
        Unlink(a->nextSegment);
        auto* s1 = new TrackSegment(a, point);
        Link(s1);
        auto* s2 = new TrackSegment(point, b);
        Link(s2);
        a->nextSegment = s1;
        point->prevSegment = s1;
        point->nextSegment = s2;
        b->prevSegment = s2;
        ++points.count;
        Settle(point);
        return true;
    }

    TrackPoint* last = points.last;
    if (last->nextSegment) {
        wxLogError("Invalid next segment on last point!");
        Discard(point);
        return false;
    }
    auto* s = new TrackSegment(last, point);
    Link(s);
    last->nextSegment = s;
    point->prevSegment = s;
    point->nextSegment = nullptr;
    points.last = point;
    ++points.count;
    Settle(point);
    return true;
}

void TrackPath::RemovePoint(TrackPoint* point)
{
    if (!point)
        return;
    if (FindPointNode(point) == points.end()) {
        wxLogError(NotInList);
        return;
    }
    DamageAround(point);

    TrackPoint* a = point->PrevPoint();
    TrackPoint* b = point->NextPoint();
    if (points.first == point)
        points.first = b;
    if (points.last == point)
        points.last = a;
    --points.count;
    if (point->prevSegment)
        Unlink(point->prevSegment);
    if (point->nextSegment)
        Unlink(point->nextSegment);
    point->prevSegment = point->nextSegment = nullptr;

    if (a && b) {
        auto* s = new TrackSegment(a, b);
        Link(s);
        a->nextSegment = s;
        b->prevSegment = s;
    } else if (a) {
        a->nextSegment = nullptr;
    } else if (b) {
        b->prevSegment = nullptr;
    }
    Forget(point);
    index.Remove(point, true);
    if (a || b)
        Settle(a ? a : b);
}

void TrackPath::SetStart(TrackPoint* point, CommandRecorder* record)
{
    if (points.empty())
        return;
    if (FindPointNode(point) == points.end()) {
        wxLogError(NotInList);
        return;
    }
    if (point == points.first)
        return;
    if (record)
        record->RecordCommand("set-start");
    PointsChanged();

    TrackSegment* s = point->prevSegment;
    TrackPoint* first = points.first;
    TrackPoint* last = points.last;
    TrackPoint* newLast = s->from;

    // The segment that entered the new start closes the old gap instead.
    first->prevSegment = s;
    last->nextSegment = s;
    s->from = last;
    s->to = first;
    point->prevSegment = nullptr;
    newLast->nextSegment = nullptr;

    index.Remove(s, false);
    s->UpdateBounds();
    index.Insert(s, 1);

    points.first = point;
    points.last = newLast;
}

void TrackPath::ReverseDirection(CommandRecorder* record)
{
    if (points.empty())
        return;
    if (record)
        record->RecordCommand("reverse-direction");
    PointsChanged();

    // The walk reads each point's successor before the point's links turn round.
    for (TrackPoint* p = points.first; p;) {
        TrackPoint* next = p->NextPoint();
        if (TrackSegment* s = p->nextSegment) {
            s->from = s->to;
            s->to = p;
        }
        std::swap(p->prevSegment, p->nextSegment);
        p = next;
    }
    std::swap(points.first, points.last);
    SetStart(points.last, nullptr);
}

void TrackPath::Reindex(TrackPoint* point)
{
    index.Remove(point, false);
    point->SetBounds();
    index.Insert(point, 1);
}

void TrackPath::UpdatePointPosition(TrackPoint* point)
{
    if (!point)
        return;
    Reindex(point);
    for (TrackSegment* s : {point->prevSegment, point->nextSegment}) {
        if (!s)
            continue;
        index.Remove(s, false);
        s->UpdateBounds();
        index.Insert(s, 1);
    }
}

PointList::iterator TrackPath::FindPointNode(TrackPoint* point)
{
    // A point of the chain is indexed in this path's tree, and only such a
    // point is: finding it needs no walk along the chain.
    if (point && point->node && point->node->Root() == &index)
        return PointList::iterator(point, &points);
    return points.end();
}
