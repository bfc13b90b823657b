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
