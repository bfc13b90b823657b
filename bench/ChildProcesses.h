#pragma once

#include <string>

// Runs in a child process: starts the editor ("app") or a bare frame with one
// child window ("bare"), and exits as soon as that window has painted once.
int RunStartupChild(const char* what);

// Runs in a child process: starts the editor, loads the path file and prints
// how much its resident memory grew by the load.
int RunMemoryChild(const char* pathFile);

// The resident memory that loading the path file adds to a fresh editor
// process, divided by the number of points; 0 when the child failed.
double MeasureBytesPerPoint(const std::string& pathFile, int points);

// Runs the named benchmarks (a regular expression) once each in a child
// process of this program whose windows are at the screen scale given, and
// returns what it prints: a line "name wall-ns cpu-ns" per run.
std::string RunScaledRound(const std::string& names, int scale);
