// The track path reader on any bytes: the path it builds must be consistent,
// and a complete read must survive a save and a second read unchanged.
#include <cstdint>
#include <cstring>
#include <iterator>

#include "FuzzSupport.h"
#include "model/TrackPath.h"
#include "model/TrackPoint.h"
#include "support/PathInvariants.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    fuzz::StartApplication((*argv)[0]);
    return 0;
}

namespace {

bool SamePoints(const TrackPath& a, const TrackPath& b)
{
    if (a.Count() != b.Count())
        return false;
    for (auto i = a.points.begin(), j = b.points.begin(); i != a.points.end(); ++i, ++j) {
        const TrackPoint& p = **i;
        const TrackPoint& q = **j;
        if (std::memcmp(&p.x, &q.x, sizeof p.x) || std::memcmp(&p.y, &q.y, sizeof p.y) ||
            std::memcmp(&p.w, &q.w, sizeof p.w) || p.type != q.type)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input = fuzz::WriteFile("input.txt", data, size);
    TrackPath first(input.c_str());
    fuzz::Check(first.valid, "an existing file must open");
    std::string problems = CheckPathInvariants(first);
    fuzz::Check(problems.empty(), "read path: " + problems);
    if (first.incomplete)
        return 0;

    // Six decimals settle after one pass, so the second read gives the same floats.
    const std::string saved = fuzz::WorkDir() + "saved.txt";
    fuzz::Check(first.Save(saved.c_str()), "save");
    TrackPath second(saved.c_str());
    fuzz::Check(second.valid && !second.incomplete, "saved file reads back");
    problems = CheckPathInvariants(second);
    fuzz::Check(problems.empty(), "re-read path: " + problems);
    fuzz::Check(second.Save(saved.c_str()), "second save");
    TrackPath fourth(saved.c_str());
    fuzz::Check(SamePoints(second, fourth), "points change across a save and a read");
    return 0;
}
