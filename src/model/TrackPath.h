#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "model/OctreeNode.h"
#include "model/PointList.h"

class CommandRecorder;
class PixelMapping;
class SpatialObject;
class TrackPoint;
class TrackSegment;
class wxDC;

// The edited track: an open chain of points in the direction of travel, the
// segments between them, and the spatial index that owns both.
class TrackPath {
public:
    // An empty path for a new document.
    TrackPath();
    // A path read from a track path file; valid tells whether the file could be opened.
    explicit TrackPath(const char* fileName);
    // A snapshot: the same points (flags included), fresh segments, the same index
    // layout, each copy in the node and slot of its original.
    TrackPath(const TrackPath& source);
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
    // For callers that write a point's x, y or w without re-indexing it (a drag,
    // a width change): the edges are recomputed before the next drawing. Every
    // operation of the path itself does this on its own.
    void PointsChanged() { shapeRevision = revision = ++lastRevision; }
    // For callers that change a point's type or its selected flag: the edges stay.
    void MarkingsChanged() { revision = ++lastRevision; }
    // Changes with every operation of the path and every call of the two above,
    // and is never the same for two paths: a drawing of the path (highlight
    // rings aside) holds for as long as the revision does.
    std::uint64_t Revision() const { return revision; }
    // The point's position in the chain, or points.end() when it is not there.
    PointList::iterator FindPointNode(TrackPoint* point);

    // Hit tests around a picture pixel (a 20 x 20 pixel square); false when
    // the mapping has no usable picture.
    bool FindPointsAt(const PixelMapping& mapping, int px, int py, std::vector<TrackPoint*>& out);
    bool FindSegmentsAt(const PixelMapping& mapping, int px, int py, std::vector<TrackSegment*>& out);
    // Everything whose box meets the given box in path coordinates.
    bool FindInBox(const BoundingBox& box, std::vector<SpatialObject*>& out);

    // The track path text file.
    void Read(std::FILE* file, const char* name);
    // Writes the path to the named file; false (after reporting why) when it was not saved.
    bool Save(const char* name);

    // Draws the path with its pens, in passes: edges, lines, markers, rings.
    void Draw(wxDC& dc, const PixelMapping& mapping);
    // All of Draw but its last pass, the highlight rings, which are left to the
    // caller: the points that would get one are added to highlighted.
    void DrawBeneathHighlights(wxDC& dc, const PixelMapping& mapping, std::vector<TrackPoint*>& highlighted);
    // That last pass over the given points: a ring for each one highlighted.
    static void DrawHighlightRings(wxDC& dc, const PixelMapping& mapping, const std::vector<TrackPoint*>& points);

    std::size_t Count() const { return points.size(); }

    bool valid = false;
    // Set when reading stopped at a bad line: the points do not hold the whole
    // file, so a plain save must not write them over it.
    bool incomplete = false;
    PointList points;
    OctreeNode index;

private:
    static std::uint64_t lastRevision;
    std::uint64_t revision = ++lastRevision;
    // The revision of the chain and the points' x, y and w, and the one whose
    // edges the points hold: repainting a large path whose shape has not
    // changed skips computing them all again.
    std::uint64_t shapeRevision = revision;
    std::uint64_t edgesRevision = 0;

    // Links the points, in order, after the last point and indexes them and
    // their new segments in one go.
    void AppendAll(const std::vector<TrackPoint*>& fresh);
    void Link(TrackSegment* segment);
    void Unlink(TrackSegment* segment);
    void Reindex(TrackPoint* point);
    void Discard(TrackPoint* point);
    // The passes of Draw; the highlight rings too unless highlighted is given.
    void DrawPasses(wxDC& dc, const PixelMapping& mapping, std::vector<TrackPoint*>* highlighted);
    static void DeleteIndexed(OctreeNode& node);
};
