#include "app/EditorApp.h"

wxIMPLEMENT_APP(EditorApp);
