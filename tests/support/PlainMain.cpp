// Runs tests that need no window: no application object, no display. The log
// capture still collects every status line and error.
#include <gtest/gtest.h>
#include <wx/log.h>

#include "support/LogCapture.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxLog::SetActiveTarget(&LogCapture::Get());
    const int result = RUN_ALL_TESTS();
    wxLog::SetActiveTarget(nullptr);
    return result;
}
