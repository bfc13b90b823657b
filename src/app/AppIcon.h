#pragma once

#include <wx/icon.h>

// The application icon by its resource name. There are no icon resources on
// this platform, so the one icon, "vse_icon", is compiled in.
wxIcon LoadAppIcon(const char* name);
