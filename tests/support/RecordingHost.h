#pragma once

#include <string>
#include <utility>
#include <vector>

#include "editor/EditorHost.h"

// Stands in for the window: keeps what the document tells it.
class RecordingHost : public EditorHost {
public:
    void UpdateTitle(const std::string& bareName) override { title = bareName; }
    void UpdateUndoLabel(const std::string& name) override { undoLabel = name; }
    void UpdateRedoLabel(const std::string& name) override { redoLabel = name; }
    void Redraw() override { ++redraws; }
    void ResetHover(int lx, int ly) override { hoverResets.emplace_back(lx, ly); }
    void ForgetPoint(const TrackPoint* point) override { forgotten.push_back(point); }
    int NewPointType() override { return pointType; }
    wxSize CanvasClientSize() override { return clientSize; }

    std::string title, undoLabel, redoLabel;
    int redraws = 0;
    std::vector<std::pair<int, int>> hoverResets;
    std::vector<const TrackPoint*> forgotten;
    int pointType = 0;
    wxSize clientSize{0, 0};
};
