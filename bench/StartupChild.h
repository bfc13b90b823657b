#pragma once

// Runs in a child process: starts the editor ("app") or a bare frame with one
// child window ("bare"), and exits as soon as that window has painted once.
int RunStartupChild(const char* what);
