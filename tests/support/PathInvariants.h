#pragma once

#include <string>

class TrackPath;

// Checks the chain, the index and the bounds of a path; returns an empty string
// when everything holds, otherwise what is wrong.
std::string CheckPathInvariants(const TrackPath& path);
