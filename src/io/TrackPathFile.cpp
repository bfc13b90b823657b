// The track path text file: the point count, then "x,y,w,type" per point.
#include <cerrno>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include <wx/log.h>

#include "io/Platform.h"
#include "io/PointLine.h"
#include "io/SafeFileWriter.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"

namespace {

wxString Shown(const char* name)
{
    return wxString(name ? name : "", *wxConvFileName);
}

// A long long from fscanf that fits an int. strtoll clamps an overflow to
// LLONG_MIN or LLONG_MAX, which lie outside int's range, so the range test alone
// catches it (errno cannot tell: the %f before it may have set ERANGE for a tiny
// number). Not long: on Windows that is no wider than int.
static_assert(sizeof(long long) > sizeof(int), "an overflowing long long must fall outside int's range");
bool FitsInt(long long value)
{
    return value >= INT_MIN && value <= INT_MAX;
}

// fscanf's %f turns out-of-range values into infinities and accepts "nan" and
// "inf": none of them is a position or a width.
bool Finite(float x, float y, float w)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(w);
}

// One point in the "%f,%f,%f,%d" form: blanks before each number, a comma right
// after each of the first three, and after the type a blank or the end of the
// file (so that "1,5,2,3,0", written with decimal commas, is no point).
bool ReadPoint(std::FILE* file, float& x, float& y, float& w, int& type)
{
    int afterComma = -1;
    long long t;
    // One call per point: loading a million points is mostly this call.
    if (std::fscanf(file, "%f,%f,%f,%n%lld", &x, &y, &w, &afterComma, &t) != 4 || afterComma < 0 ||
        !FitsInt(t) || !Finite(x, y, w))
        return false;
    const int next = std::getc(file);
    type = int(t);
    return next == EOF || std::isspace(next);
}

// Whether only blanks are left.
bool AtEnd(std::FILE* file)
{
    int c;
    while ((c = std::getc(file)) != EOF && std::isspace(c)) {
    }
    return c == EOF;
}

}  // namespace

TrackPath::TrackPath(const char* fileName) : valid(false), index(BoundingBox(-128, -128, -1000, 128, 128, 1000))
{
    if (!fileName) {
        wxLogError("Invalid file name:  %s", wxString());
        return;
    }
    // Regular files only: a folder holds no text, and a pipe would keep the window waiting.
    std::FILE* file = platform::OpenRegularFile(fileName);
    if (!file) {
        wxLogError("Could not open file for read:  %s", Shown(fileName));
        return;
    }
    Read(file, fileName);
    std::fclose(file);
    valid = true;
}

void TrackPath::Read(std::FILE* file, const char* name)
{
    long long count;
    if (std::fscanf(file, "%lld", &count) != 1 || !FitsInt(count)) {
        wxLogError("Could not read # points!  Invalid format:  %s", Shown(name));
        incomplete = true;
        return;
    }
    // Linked and indexed together at the end, which is quicker than one at a
    // time; the points before a bad line are kept all the same.
    std::vector<TrackPoint*> read;
    for (long long i = 0; i < count; ++i) {
        float x, y, w;
        int type;
        if (!ReadPoint(file, x, y, w, type)) {
            AppendAll(read);
            wxLogError("Could not read point %d!  Invalid format:  %s", int(i), Shown(name));
            incomplete = true;
            return;
        }
        read.push_back(new TrackPoint(x, y, w, type));
    }
    AppendAll(read);
    // More than the count says (another tool's file, or one edited by hand):
    // a save of what was read would drop the rest.
    if (count >= 0 && !AtEnd(file)) {
        wxLogError("Unexpected text after point %d!  Invalid format:  %s", int(count - 1), Shown(name));
        incomplete = true;
    }
}

bool TrackPath::Save(const char* name)
{
    // Without a name there is nothing to write to; refused like a file that cannot be opened.
    const std::string target = name ? name : "";
    SafeFileWriter writer;
    if (!name || !writer.Open(target)) {
        wxLogError("Could not open file for write:  %s", Shown(target.c_str()));
        return false;
    }
    writer.Printf("%d\n", int(points.size()));
    // The lines go out a block at a time.
    std::vector<char> block(std::size_t(1) << 16);
    std::size_t used = 0;
    for (const TrackPoint* p : points) {
        if (block.size() - used < PointLine::MaxLength) {
            writer.Write(block.data(), used);
            used = 0;
        }
        used += PointLine::Format(block.data() + used, p->x, p->y, p->w, p->type);
    }
    if (used)
        writer.Write(block.data(), used);
    if (!writer.Commit()) {
        if (!writer.KeptAt().empty())
            wxLogError("Could not write the track path to %s (%s); it is in %s instead.", Shown(target.c_str()),
                       wxString(writer.Error()), Shown(writer.KeptAt().c_str()));
        else if (writer.LostPreviousContent())
            wxLogError("Could not write the track path to %s (%s); the file's previous content is lost.",
                       Shown(target.c_str()), wxString(writer.Error()));
        else
            wxLogError("Could not write the track path to %s (%s).", Shown(target.c_str()),
                       wxString(writer.Error()));
        return false;
    }
    wxLogStatus("Successfully saved spline.");
    return true;
}
