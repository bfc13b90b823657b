#include "BenchFiles.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string& TempDir()
{
    static const std::string dir = [] {
        const std::string d = "/tmp/vsebench-" + std::to_string(::getpid());
        ::mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

}  // namespace

std::string TempFile(const std::string& name)
{
    return TempDir() + "/" + name;
}

void RemoveTempFiles()
{
    std::filesystem::remove_all(TempDir());
}

// A track's neighbouring points lie close together; points scattered at random
// would make every segment span the whole world.
std::string PathFile(int n)
{
    const std::string name = TempFile("track-" + std::to_string(n) + ".txt");
    if (std::FILE* probe = std::fopen(name.c_str(), "r")) {
        std::fclose(probe);
        return name;
    }
    std::mt19937 rng(n);
    std::uniform_real_distribution<double> turn(-0.25, 0.25);
    double x = 0, y = 0, heading = 0;
    const double step = 0.6, limit = 120;
    std::FILE* f = std::fopen(name.c_str(), "w");
    std::fprintf(f, "%d\n", n);
    for (int i = 0; i < n; ++i) {
        std::fprintf(f, "%.6f,%.6f,%.6f,%d\n", x, y, 2.0, i % 3);
        heading += turn(rng);
        double nx = x + step * std::cos(heading), ny = y + step * std::sin(heading);
        if (std::fabs(nx) > limit || std::fabs(ny) > limit) {
            heading += M_PI;  // turn back at the edge of the world
            nx = x + step * std::cos(heading);
            ny = y + step * std::sin(heading);
        }
        x = nx;
        y = ny;
    }
    std::fclose(f);
    return name;
}
