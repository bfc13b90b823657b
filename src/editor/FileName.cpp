#include "editor/FileName.h"

#include <cctype>

#include "editor/EditorDocument.h"
#include "editor/EditorHost.h"

std::string currentFileName = "noname.txt";

namespace {

// The name after the last slash or backslash, so that names written on either
// kind of system show without their directory; else after a drive letter.
std::string BareName(const std::string& name)
{
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        return name.substr(slash + 1);
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        return name.substr(2);
    return name;
}

}  // namespace

void SetFileName(const std::string& name)
{
    currentFileName = name;
    if (EditorDocument::Exists() && EditorDocument::Instance()->host)
        EditorDocument::Instance()->host->UpdateTitle(BareName(currentFileName));
}
