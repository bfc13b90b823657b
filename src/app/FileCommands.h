#pragma once

#include "model/SingleInstance.h"

class TrackPath;

// The file operations behind the menus, the command line and dropped files.
class FileCommands : public SingleInstance<FileCommands> {
public:
    // Opens a readable file by its ending: .txt as a path, .tga or .bmp as a picture.
    void OpenByExtension(const char* path);
    void LoadSpline(const char* path);
    void LoadImageFile(const char* path);
    // Writes the path to the name, or to the current file name when it is null.
    void SaveSpline(TrackPath* path, const char* name);
    // When the program must end with changes unsaved: the path goes to
    // <name>.unsaved.txt beside its file, or in the home folder when it has no
    // file yet, without a word (nobody is there to answer one).
    void SaveUnsaved();
};
