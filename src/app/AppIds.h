#pragma once

// Identifiers of the menu commands and of the Type radio box.
enum AppId : int {
    ID_NEW_SPLINE = 100,
    ID_OPEN_SPLINE = 101,
    ID_OPEN_IMAGE = 102,
    ID_SAVE_SPLINE = 103,
    ID_SAVE_SPLINE_AS = 104,
    ID_EXIT = 105,
    ID_UNDO = 106,
    ID_REDO = 107,
    ID_ABOUT = 108,
    ID_TYPE_RADIOBOX = 200,
};
