#pragma once

#include <string>

// A file of the given name in this run's scratch directory.
std::string TempFile(const std::string& name);
// Removes that directory (hundreds of megabytes of paths and pictures) at the end of a run.
void RemoveTempFiles();

// A path file of n points along a meandering track over the world square,
// written once per size and run.
std::string PathFile(int n);
