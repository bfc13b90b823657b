#pragma once

#include <wx/gdicmn.h>

class wxDC;

// The logical area that a DC can show: its device area, within its clipping box
// if any. The path's drawing leaves out what falls outside it.
wxRect DcLogicalArea(const wxDC& dc);
