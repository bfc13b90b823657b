#pragma once

#include <string>

// Whoever keeps the history: the path's own recorded operations (set-start,
// reverse-direction) report through it just before they change anything.
class CommandRecorder {
public:
    virtual ~CommandRecorder() = default;
    virtual void RecordCommand(const std::string& name) = 0;
};
