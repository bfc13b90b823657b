#include "app/AppIcon.h"

#include <cstring>

#include "app/vse_icon.xpm"

wxIcon LoadAppIcon(const char* name)
{
    if (name && std::strcmp(name, "vse_icon") == 0)
        return wxIcon(vse_icon_xpm);
    return wxIcon();
}
