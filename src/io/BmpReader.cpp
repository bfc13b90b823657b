#include "io/BmpReader.h"

#include <memory>

#include <wx/bitmap.h>
#include <wx/ffile.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include "io/BmpHeader.h"
#include "io/DrawableSize.h"
#include "io/Platform.h"

wxBitmap* ReadBmp(const char* path)
{
    // The toolkit reads the very file that was checked, through the same
    // stream: regular files only, so that a pipe cannot keep the window waiting.
    wxFFile file(platform::OpenRegularFile(path));
    std::unique_ptr<wxBitmap> picture;
    if (file.IsOpened() && BmpHeader(file.fp()).Acceptable() && file.Seek(0)) {
        wxLogNull quiet;  // the toolkit's own messages would come on top of ours
        wxFFileInputStream stream(file);
        wxImage image;
        if (image.LoadFile(stream, wxBITMAP_TYPE_BMP))
            picture.reset(new wxBitmap(image));
    }
    if (!picture || !picture->IsOk() || !IsDrawableSize(picture->GetWidth(), picture->GetHeight())) {
        wxLogError("An error occurred during bitmap load.  Sorry I don't know what happened!");
        return nullptr;
    }
    return picture.release();
}
