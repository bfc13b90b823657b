#pragma once

#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "model/BoundingBox.h"

#include "model/OctreeNode.h"
#include "model/PointList.h"

class CommandRecorder;
class PixelMapping;
class SpatialObject;
class TrackPoint;
class TrackSegment;

// The edited track: an open chain of points in the direction of travel, the
// segments between them, and the spatial index that owns both.
class TrackPath {
public:
    // An empty path for a new document.
    TrackPath();
    // A path read from a track path file; valid tells whether the file could be opened.
    explicit TrackPath(const char* fileName);
    // A snapshot: the same points (flags and edge points included), fresh
    // segments, the same index layout, each copy in the node and slot of its
    // original. flagged, when given, receives the copies that are selected or
    // highlighted.
    TrackPath(const TrackPath& source) : TrackPath(source, nullptr) {}
    TrackPath(const TrackPath& source, std::vector<TrackPoint*>* flagged);
    TrackPath& operator=(const TrackPath&) = delete;
    virtual ~TrackPath();

    // Links a new point in: into the given segment, or after the last point.
    // On false a point that was indexed has been deleted and must not be used;
    // a point refused before indexing (linked already, or in a path) is left
    // to the caller.
    bool InsertPoint(TrackPoint* point, TrackSegment* segment);
    // Unlinks the point, joins its neighbours and deletes it.
    void RemovePoint(TrackPoint* point);
    // Makes the point the start of the chain, treating the chain as a loop;
    // records "set-start" with record (when given) if the point was not first.
    void SetStart(TrackPoint* point, CommandRecorder* record);
    // Reverses the direction of travel; the start point stays the start. Any
    // non-empty path records "reverse-direction" with record, when given.
    void ReverseDirection(CommandRecorder* record);
    // Re-indexes a point whose x or y the caller has changed, and its segments.
    void UpdatePointPosition(TrackPoint* point);
    // For callers that change points' x, y or w themselves (a drag, a width
    // change): change() makes the change; the edges and the damage follow.
    template <typename Points, typename Change>
    void Reshape(const Points& changed, Change&& change);
    // For callers that change a point's type or its selected flag: its marker and rings.
    void MarkingChanged(const TrackPoint* point)
    {
        Touch(point, true);
        DamagePosition(point, &Damage::marks);
    }
    // For callers that change its highlighted flag: the ring that is shown over
    // everything else. The hover comes and goes: it is no change to undo.
    void HighlightChanged(const TrackPoint* point) { DamagePosition(point, &Damage::highlights); }
    // For callers that changed points without saying which: every edge is
    // computed again and the whole drawing is damaged.
    void PointsChanged();
    // The point's position in the chain, or points.end() when it is not there.
    PointList::iterator FindPointNode(TrackPoint* point);

    // Hit tests around a picture pixel (a 20 x 20 pixel square); false when
    // the mapping has no usable picture.
    bool FindPointsAt(const PixelMapping& mapping, int px, int py, std::vector<TrackPoint*>& out);
    bool FindSegmentsAt(const PixelMapping& mapping, int px, int py, std::vector<TrackSegment*>& out);
    // Everything whose box meets the given box in path coordinates.
    bool FindInBox(const BoundingBox& box, std::vector<SpatialObject*>& out);
    // Where a point that splits the segment at (x, y) goes: the foot of the
    // perpendicular onto its line, or straight across onto a segment that runs
    // along an axis, as the hit test sees one.
    static void ProjectOntoSegment(const TrackSegment& segment, float x, float y, float& px, float& py);

    // The track path text file.
    void Read(std::FILE* file, const char* name);
    // Writes the path to the named file; false (after reporting why) when it was not saved.
    bool Save(const char* name);

    // Edge points are kept as the points change: every operation of the path,
    // and Reshape, computes them again from each change along the chain until
    // they come out as they were. A path just read or copied computes them all
    // on first need, here.
    void SettleEdges();
    bool EdgesSettled() const { return edgesSettled; }
    // No point's edge points lie further from it than this on either axis.
    float EdgeReach() const { return edgeReach; }

    // What changed in the drawing of the path since the damage was last taken,
    // as boxes in path coordinates: around the positions and edge points that
    // the changed points and their neighbours joined with lines before or join
    // now; around the positions whose marker or rings changed; around the
    // positions whose highlight ring, shown over all the rest, came or went.
    // everything is set when the whole drawing must be done again.
    struct Damage {
        std::vector<BoundingBox> lines;
        std::vector<BoundingBox> marks;
        std::vector<BoundingBox> highlights;
        bool everything = true;

        static Damage None();
        using Boxes = std::vector<BoundingBox> Damage::*;
        // One box more: beyond MostDamageBoxes of a kind, everything.
        void Add(Boxes kind, const BoundingBox& box);
        void Add(const Damage& more);
        void Everything();
    };
    Damage TakeDamage();

    // What the drawing changed since this was last called (or since the path
    // was copied), highlights apart: the history keeps it between neighbouring
    // states, so that an undo or redo knows what to paint again. A point
    // changed many times, as in a drag, counts once: as it was drawn before
    // its first change and as it is drawn now.
    Damage TakeChanges();
    // For a path that takes the place of the shown one (an undo or redo), given
    // where the two are drawn differently: its damage becomes that and what the
    // shown one had not yet had painted.
    void SwappedInFor(TrackPath& shown, const Damage& difference);

    std::size_t Count() const { return points.size(); }

    bool valid = false;
    // Set when reading stopped at a bad line: the points do not hold the whole
    // file, so a plain save must not write them over it.
    bool incomplete = false;
    PointList points;
    OctreeNode index;

private:
    // Beyond this many boxes a change is taken for one of everything: a move
    // of many points is drawn again whole at less cost than box by box.
    static constexpr std::size_t MostDamageBoxes = 256;

    bool edgesSettled = false;
    float edgeReach = 0.0f;
    Damage damage;

    // What a point and its two neighbours draw, and whether its marker counts.
    struct Look {
        BoundingBox lines;
        bool noLines = true;
        bool marked = false;
        float x = 0.0f, y = 0.0f;
    };
    static Look LookOf(const TrackPoint* point);
    static void AddLook(Damage& to, const Look& look);
    // For TakeChanges: the points changed since, each as it was first drawn
    // (no more than MostDamageBoxes / 2, else everything), and what points
    // removed since were drawn as.
    std::unordered_map<const TrackPoint*, Look> touched;
    Damage changes;
    // Before the point's drawing changes; true when it was not noted yet.
    bool Touch(const TrackPoint* point, bool marked);
    // Before the point is deleted.
    void Forget(const TrackPoint* point);

    // Damages what the point and its two neighbours draw as they stand now.
    void DamageAround(const TrackPoint* point);
    static BoundingBox Neighbourhood(const TrackPoint* point, bool& empty);
    void DamagePosition(const TrackPoint* point, Damage::Boxes kind);
    void DamageEverything();
    // After the point changed: computes the edges again from its predecessor
    // through its successor, then on while they come out different, and damages
    // what it and its neighbours draw now.
    void Settle(TrackPoint* changed);
    void GrowReach(const TrackPoint& point);

    // Links the points, in order, after the last point and indexes them and
    // their new segments in one go.
    void AppendAll(const std::vector<TrackPoint*>& fresh);
    void Link(TrackSegment* segment);
    void Unlink(TrackSegment* segment);
    void Reindex(TrackPoint* point);
    void Discard(TrackPoint* point);
    static void DeleteIndexed(OctreeNode& node);
};

template <typename Points, typename Change>
void TrackPath::Reshape(const Points& changed, Change&& change)
{
    for (const TrackPoint* p : changed)
        DamageAround(p);
    change();
    for (TrackPoint* p : changed)
        Settle(p);
}
