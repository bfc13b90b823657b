#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Starts the real application once (main window, single instances, a quiet
// log) and moves into a private working directory.
void StartApplication(const char* argv0);
// The private working directory, with a trailing slash.
const std::string& WorkDir();
// Writes the bytes to a file in the working directory and returns its path.
std::string WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size);
// Stops the run with a message when a check fails.
void Check(bool ok, const std::string& what);

}  // namespace fuzz
