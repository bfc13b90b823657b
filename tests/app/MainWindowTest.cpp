#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/radiobox.h>

#include "app/AppIds.h"
#include "app/MainFrame.h"
#include "app/MainWindow.h"
#include "app/TrackCanvas.h"
#include "support/GuiDriver.h"

TEST(MainWindow, LooksAsBuiltOnStart)
{
    MainWindow* window = MainWindow::Instance();
    EXPECT_EQ(window->frame->GetTitle(), "VORN Spline Editor (noname.txt)");
    EXPECT_EQ(window->frame->GetSize(), wxSize(600, 600));
    EXPECT_EQ(window->typeRadioBox->GetPosition(), wxPoint(5, 5));
    EXPECT_EQ(window->typeRadioBox->GetSize(), wxSize(100, 100));
    EXPECT_EQ(window->canvas->GetPosition().x, 105);
    EXPECT_FALSE(window->editMenu->IsEnabled(ID_UNDO));
    EXPECT_FALSE(window->editMenu->IsEnabled(ID_REDO));
    // GTK keeps only the part before the tab of a label whose shortcut text it cannot parse.
    EXPECT_EQ(window->editMenu->GetLabel(ID_UNDO).BeforeFirst('\t'), "&Undo ");
    EXPECT_EQ(window->editMenu->GetLabel(ID_REDO).BeforeFirst('\t'), "&Redo ");
}

