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

// A new directory for this run's files.
inline std::string MakeScratchDir()
{
#ifdef _WIN32
    // No mkdtemp there: the process's own folder in the user's temporary folder.
    const auto path = std::filesystem::temp_directory_path() / ("vse-test-" + std::to_string(_getpid()));
    std::filesystem::create_directories(path);
    return path.u8string();  // names are UTF-8 inside the program
#else
    static char pattern[] = "/tmp/vse-test-XXXXXX";
    return mkdtemp(pattern);
#endif
}

// Files in a private directory of this run.
inline std::string Temp(const std::string& name = "")
{
    static const struct Dir {
        std::string path;
        ~Dir() { std::filesystem::remove_all(path); }  // at exit
    } dir{MakeScratchDir()};
    return name.empty() ? dir.path : dir.path + "/" + name;
}

// Returns the file's path.
inline std::string WriteFile(const std::string& name, const std::string& bytes)
{
    std::ofstream(std::filesystem::u8path(Temp(name)), std::ios::binary) << bytes;
    return Temp(name);
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

inline std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(std::filesystem::u8path(path), std::ios::binary).rdbuf();
    return text.str();
}

// A saved file's text: lines end in CR LF on Windows, as its programs write them.
inline std::string AsWritten(std::string text)
{
#ifdef _WIN32
    for (std::size_t i = 0; (i = text.find('\n', i)) != std::string::npos; i += 2)
        text.insert(i, "\r");
#endif
    return text;
}

// The rows of a table that have no meaning on this system, each with why; the
// test ends as skipped and names them, once the rows that apply have run.
struct RowsNotHere {
    std::string text;
    void Add(const std::string& row, const std::string& why) { text += "\n  " + row + ": " + why; }
};
#define SKIP_ROWS_NOT_HERE(rows) \
    if (!(rows).text.empty())     \
    GTEST_SKIP() << "rows that do not apply on this system:" << (rows).text

// Bytes of a file format, little-endian where it counts; a TGA of the given kind, its data after any colour map.
inline std::string Bytes(std::initializer_list<int> values) { return std::string(values.begin(), values.end()); }
inline std::string Le16(long v) { return Bytes({int(v & 0xff), int((v >> 8) & 0xff)}); }
inline std::string Tga(int type, int w, int h, int depth, const std::string& data, int descriptor = 0, int mapFirst = 0,
                       int mapLength = 0, int mapBits = 0)
{
    return Bytes({0, mapLength > 0, type}) + Le16(mapFirst) + Le16(mapLength) + Bytes({mapBits, 0, 0, 0, 0}) + Le16(w) +
           Le16(h) + Bytes({depth, descriptor}) + data;
}
