#pragma once

// Files of this run, and the bytes of the file formats the program reads.
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#endif

// Files in a private directory of this run, removed at exit.
inline std::string Temp(const std::string& name = "")
{
    static const struct Dir {
        std::string path;
        ~Dir() { std::filesystem::remove_all(path); }
    } dir{[] {
#ifdef _WIN32
        // No mkdtemp there: the process's own folder in the user's temporary folder.
        const auto path = std::filesystem::temp_directory_path() / ("vse-test-" + std::to_string(_getpid()));
        std::filesystem::create_directories(path);
        return path.u8string();  // names are UTF-8 inside the program
#else
        static char pattern[] = "/tmp/vse-test-XXXXXX";
        return std::string(mkdtemp(pattern));
#endif
    }()};
    return name.empty() ? dir.path : dir.path + "/" + name;
}

// Returns the file's path.
inline std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(std::filesystem::u8path(Temp(name)), std::ios::binary) << bytes;
    return Temp(name);
}

inline std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(std::filesystem::u8path(path), std::ios::binary).rdbuf();
    return text.str();
}

// How many files this process holds open.
inline long OpenFiles()
{
#ifdef _WIN32
    // No /proc there: the C library's descriptors, which every file the program opens becomes.
    long n = 0;
    for (int fd = 0; fd < 2048; ++fd)
        n += _get_osfhandle(fd) != -1;
    return n;
#else
    return long(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
#endif
}

// Bytes of a file format, little-endian where it counts; a TGA of the given kind, its data after any colour map.
inline std::string Bytes(std::initializer_list<int> values) { return std::string(values.begin(), values.end()); }
inline std::string Le16(long v) { return Bytes({int(v & 0xff), int((v >> 8) & 0xff)}); }
inline std::string Le32(long long v) { return Le16(long(v & 0xffff)) + Le16(long((v >> 16) & 0xffff)); }
inline std::string Tga(int type, int w, int h, int depth, const std::string& data, int descriptor = 0, int mapFirst = 0,
                       int mapLength = 0, int mapBits = 0)
{
    return Bytes({0, mapLength > 0, type}) + Le16(mapFirst) + Le16(mapLength) + Bytes({mapBits, 0, 0, 0, 0}) + Le16(w) +
           Le16(h) + Bytes({depth, descriptor}) + data;
}
