#pragma once

#include <wx/icon.h>
#include <wx/iconbndl.h>

// The application icon by its resource name. On Windows that is the icon
// group in the program's resources (vornsplineedit.rc), loaded as an icon
// resource, which gives its 32 x 32 image. Elsewhere there are no icon
// resources, so the one icon, "vse_icon", is compiled in.
wxIcon LoadAppIcon(const char* name);

// The same icon with every size the platform has of it, so that the title bar
// and the task switcher need not scale the 32 x 32 one.
wxIconBundle LoadAppIcons(const char* name);
