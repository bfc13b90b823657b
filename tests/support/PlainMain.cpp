// Runs the tests that need no window: no application object, no display.
#include <filesystem>

#include "support/Harness.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    wxLog::SetActiveTarget(&LogCapture::Get());
    const int result = RUN_ALL_TESTS();
    wxLog::SetActiveTarget(nullptr);
    std::filesystem::remove_all(Temp());
    return result;
}
