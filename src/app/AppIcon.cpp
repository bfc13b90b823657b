#include "app/AppIcon.h"

#include <cstring>

#ifndef __WXMSW__
#include "app/vse_icon.xpm"
#endif

wxIcon LoadAppIcon(const char* name)
{
#ifdef __WXMSW__
    if (name)
        return wxIcon(name, wxBITMAP_TYPE_ICO_RESOURCE);
#else
    if (name && std::strcmp(name, "vse_icon") == 0)
        return wxIcon(vse_icon_xpm);
#endif
    return wxIcon();
}

wxIconBundle LoadAppIcons(const char* name)
{
    wxIconBundle icons;
#ifdef __WXMSW__
    if (name)
        icons.AddIcon(name, nullptr);  // the whole group, from this program's resources
#endif
    // The icon loaded by name takes the place of the group's image of its size.
    const wxIcon icon = LoadAppIcon(name);
    if (icon.IsOk())
        icons.AddIcon(icon);
    return icons;
}
