#pragma once

#include <string>

// The file that a save without a name writes to; "noname.txt" at start.
extern std::string currentFileName;

// Sets currentFileName and shows the name, without its directory, in the title.
void SetFileName(const std::string& name);
