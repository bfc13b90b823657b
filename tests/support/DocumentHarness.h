#pragma once

// What the document's tests share with the windowed ones: a fresh document, and
// its path and history read as the model's tests read a path.
#include <random>

#include <wx/bitmap.h>

#include "editor/EditorDocument.h"
#include "editor/HistoryRecord.h"
#include "support/ModelHarness.h"

inline EditorDocument* Doc() { return EditorDocument::Instance(); }
inline TrackPath* Path() { return Doc()->GetTrackPath(); }
inline Points Chain() { return Chain(*Path()); }

// The names of the steps that can be undone, oldest first.
inline Strings UndoNames()
{
    Strings names;
    for (const HistoryRecord* r : Doc()->undoList)
        names.insert(names.begin(), r->name);
    return names;
}

// A point at a world position, put in without touching the history.
inline TrackPoint* Add(float x, float y, float w = 2.0f, int type = 0) { return Add(*Path(), x, y, w, type); }

// A fresh document without a window, over a 256 x 256 picture where world (x, y)
// is pixel (128 + x, 128 - y).
class SquarePictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wxLog::SetActiveTarget(&LogCapture::Get());
        EditorDocument::Create(new EditorDocument());
        Doc()->SetBackgroundBitmap(new wxBitmap(256, 256, 24));
        ClearLogs();
    }
    void TearDown() override { EditorDocument::Destroy(); }
};
