#include "app/FileCommands.h"

#include <cstring>

#include <wx/bitmap.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "editor/EditorDocument.h"
#include "editor/FileName.h"
#include "io/BmpReader.h"
#include "io/Platform.h"
#include "io/TgaReader.h"
#include "model/TrackPath.h"
#include "view/CanvasPainter.h"

namespace {

wxString FromFileName(const char* name)
{
    return wxString(name, *wxConvFileName);
}

// The ending shown when a name is refused: four characters, not four bytes, so
// that a name in UTF-8 is not cut inside a character.
wxString LastFourCharacters(const char* path)
{
    const wxString name = FromFileName(path);
    if (!name.empty())
        return name.Right(4);
    return FromFileName(path + std::strlen(path) - 4);  // not valid text: the bytes as they come
}

}  // namespace

void FileCommands::OpenByExtension(const char* path)
{
    if (!platform::IsReadable(path))
        return;
    if (std::strlen(path) < 4)
        return;
    if (platform::EndsWithNoCase(path, ".txt"))
        LoadSpline(path);
    else if (platform::EndsWithNoCase(path, ".tga") || platform::EndsWithNoCase(path, ".bmp"))
        LoadImageFile(path);
    else
        wxLogError("Unrecognized file type:  %s", LastFourCharacters(path));
}

void FileCommands::LoadSpline(const char* path)
{
    if (!path)
        return;
    EditorDocument* doc = EditorDocument::Instance();
    const std::size_t oldCount = doc->GetTrackPath()->Count();
    auto* loaded = new TrackPath(path);
    if (!loaded->valid) {
        delete loaded;
        wxLogStatus("Failed to load new spline.");
    } else {
        wxLogStatus("Successfully loaded new spline.");
        if (oldCount > 0)
            doc->RecordCommand("load-spline");
        doc->SetTrackPath(loaded, true);
        // Only a complete read names the document: a part of a file must not be saved over it.
        if (!loaded->incomplete) {
            SetFileName(path);
            doc->MarkSaved();
        }
    }
    CanvasPainter::Instance()->Redraw();
}

void FileCommands::LoadImageFile(const char* path)
{
    wxBitmap* picture = nullptr;
    if (platform::EndsWithNoCase(path, ".bmp")) {
        picture = ReadBmp(path);
    } else if (platform::EndsWithNoCase(path, ".tga")) {
        picture = ReadTga(path);
        if (!picture) {
            wxLogError("I only know how to read 24-bit uncompressed TGA files!");
            return;
        }
    } else {
        wxLogError("Sorry, I only know how to read .tga and .bmp files!");
    }

    if (picture) {
        const int w = picture->GetWidth();
        const int h = picture->GetHeight();
        EditorDocument::Instance()->SetBackgroundBitmap(picture);  // takes it over
        MainWindow::Instance()->canvas->ShowArea(wxSize(w, h));
        wxLogStatus("Successfully loaded new image.");
    } else {
        wxLogStatus("Failed to load new image.");
    }
    CanvasPainter::Instance()->Redraw();
}

void FileCommands::SaveSpline(TrackPath* path, const char* name)
{
    const std::string target = name ? name : currentFileName;
    if (!path->Save(target.c_str()))
        return;
    if (name) {
        SetFileName(name);
        path->incomplete = false;  // the named file now holds the whole path
    }
    if (path == EditorDocument::Instance()->GetTrackPath())
        EditorDocument::Instance()->MarkSaved();
}

void FileCommands::SaveUnsaved()
{
    EditorDocument* doc = EditorDocument::Instance();
    if (!doc->HasUnsavedChanges())
        return;
    wxFileName file(FromFileName(currentFileName.c_str()));
    if (!doc->origin.onDisk)
        file.SetPath(wxGetHomeDir());
    file.SetFullName((file.GetExt().IsSameAs("txt", false) ? file.GetName() : file.GetFullName()) + ".unsaved.txt");
    wxLogNull quiet;  // nobody is left to read a message
    doc->GetTrackPath()->Save(file.GetFullPath().mb_str(wxConvFile));
}
