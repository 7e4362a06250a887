#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "app/KvFormsSave.h"
#include "foundation/KvAppBase.h"

namespace {

// A settings store on a scratch ini for the length of one test.
class FormsSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        FOldSettings = AppSettings;
        FOldPpi = GScreenPixelsPerInch;
        AppSettings = new TKvAppSettings(FFolder.File("Tessaly.ini"));
    }
    void TearDown() override
    {
        delete AppSettings;
        AppSettings = FOldSettings;
        GScreenPixelsPerInch = FOldPpi;
    }
    TTestFolder FFolder{"formssave"};
    TKvAppSettings* FOldSettings = nullptr;
    int FOldPpi = 96;
};

class TTestForm : public TKvFormSave {
public:
    explicit TTestForm(TComponent* AOwner) : TKvFormSave(AOwner) { SetName("frmProbe"); }
    int Loads = 0, Saves = 0, AfterShows = 0;
    void Drain()
    {
        MSG M;
        while (PeekMessageA(&M, WindowHandle(), KM_STARTUP, KM_AFTERSHOW, PM_REMOVE))
            DispatchMessageA(&M);
    }

protected:
    void LoadSettings() override { ++Loads; }
    void SaveSettings() override
    {
        ++Saves;
        TKvFormSave::SaveSettings();
    }
    void AfterShow() override { ++AfterShows; }
};

std::string MenuText(HMENU Menu, UINT Command)
{
    char Buf[64] = {};
    GetMenuStringA(Menu, Command, Buf, sizeof(Buf), MF_BYCOMMAND);
    return Buf;
}

bool MenuChecked(HMENU Menu, UINT Command)
{
    return (GetMenuState(Menu, Command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

} // namespace

TEST_F(FormsSaveTest, PlacementIsRestoredPerResolution)
{
    const int ScreenW = GetSystemMetrics(SM_CXSCREEN), ScreenH = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* What;
        int Ppi;
        const char* Stored96;   // "frmProbe_Window" in Layout_96
        const char* Stored120;  // in Layout_120
        bool Reset;
        int Left, Top, Width, Height;  // -1: centred on the screen
    };
    const Case Cases[] = {
        {"stored bounds at 96", 96, "40;50;300;200;0;1", "", false, 40, 50, 300, 200},
        {"120 reads its own section", 120, "40;50;300;200;0;1", "60;70;310;210;0;1", false, 60, 70, 310, 210},
        {"120 without a value keeps the designed bounds", 120, "40;50;300;200;0;1", "", false, 10, 20, 330, 250},
        {"off the desktop opens centred", 96, "-5000;-5000;300;200;0;1", "", false, -1, -1, 300, 200},
        {"reset ignores the stored value", 96, "40;50;300;200;0;1", "", true, 10, 20, 330, 250},
        {"below the minimum is raised", 96, "40;50;100;90;0;1", "", false, 40, 50, 280, 180},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        GScreenPixelsPerInch = K.Ppi;
        AppSettings->EraseSection("Layout_96");
        AppSettings->EraseSection("Layout_120");
        if (*K.Stored96)
            AppSettings->WriteString("Layout_96", "frmProbe_Window", K.Stored96);
        if (*K.Stored120)
            AppSettings->WriteString("Layout_120", "frmProbe_Window", K.Stored120);
        TTestForm F(nullptr);
        F.SetBounds(10, 20, 330, 250);
        F.SetMinTrackSize(280, 180);
        F.ResetPlacement = K.Reset;
        F.RestorePlacement();
        const int L = K.Left < 0 ? (ScreenW - K.Width) / 2 : K.Left;
        const int T = K.Top < 0 ? (ScreenH - K.Height) / 2 : K.Top;
        EXPECT_EQ(F.Left(), L);
        EXPECT_EQ(F.Top(), T);
        EXPECT_EQ(F.Width(), K.Width);
        EXPECT_EQ(F.Height(), K.Height);
        EXPECT_FALSE(F.ResetPlacement);
    }
}

TEST_F(FormsSaveTest, SavingWritesOnlyTheCurrentResolution)
{
    GScreenPixelsPerInch = 120;
    AppSettings->WriteString("Layout_96", "frmProbe_Window", "1;2;3;4;0;1");
    TTestForm F(nullptr);
    F.SetBounds(30, 40, 350, 260);
    F.Show();
    F.SavePlacement();
    const std::string Saved = AppSettings->ReadString("Layout_120", "frmProbe_Window", "");
    EXPECT_EQ(Saved.substr(0, Saved.rfind(';')), "30;40;350;260;0");
    EXPECT_EQ(AppSettings->ReadString("Layout_96", "frmProbe_Window", ""), "1;2;3;4;0;1");
    EXPECT_FALSE(AppSettings->ReadBool("Layout_120", "frmProbe_OpenCentered", true));
}

TEST_F(FormsSaveTest, DeferredStartupRunsOnceAfterTheWindowExists)
{
    TTestForm F(nullptr);
    F.SetBounds(10, 20, 300, 200);
    EXPECT_FALSE(F.StartupPosted());
    F.Handle();
    EXPECT_TRUE(F.StartupPosted());
    EXPECT_FALSE(F.PumpAllowed());

    // Before the start-up the pump leaves the queue alone.
    PostMessageA(F.Handle(), WM_NULL, 0, 0);
    F.ProcessMessagesIfAllowed();
    MSG M;
    EXPECT_TRUE(PeekMessageA(&M, F.Handle(), KM_STARTUP, KM_STARTUP, PM_NOREMOVE));
    // Shown too: visibility alone does not open it.
    F.Show();
    F.ProcessMessagesIfAllowed();
    EXPECT_TRUE(PeekMessageA(&M, F.Handle(), KM_STARTUP, KM_STARTUP, PM_NOREMOVE));
    EXPECT_FALSE(F.PumpAllowed());

    F.Drain();  // start-up, then the after-show message it causes
    F.Drain();
    EXPECT_TRUE(F.PumpAllowed());
    EXPECT_TRUE(F.Visible());
    EXPECT_TRUE(IsWindowVisible(F.Handle()));
    EXPECT_EQ(F.Loads, 1);
    EXPECT_EQ(F.AfterShows, 1);

    // A second start-up message changes nothing; hiding and showing again
    // posts no second after-show.
    PostMessageA(F.Handle(), KM_STARTUP, 0, 0);
    F.Hide();
    F.Show();
    F.Drain();
    EXPECT_EQ(F.Loads, 1);
    EXPECT_EQ(F.AfterShows, 1);

    // Hidden, the pump leaves the queue alone again.
    F.Hide();
    PostMessageA(F.Handle(), WM_USER, 0, 0);
    F.ProcessMessagesIfAllowed();
    EXPECT_TRUE(PeekMessageA(&M, F.Handle(), WM_USER, WM_USER, PM_REMOVE));
}

TEST_F(FormsSaveTest, SystemMenuCommands)
{
    TTestForm Main(nullptr);
    Application->SetMainForm(&Main);
    Main.Handle();
    Main.Drain();
    HMENU Menu = GetSystemMenu(Main.Handle(), FALSE);
    ASSERT_TRUE(Main.SystemMenuBuilt());
    EXPECT_EQ(MenuText(Menu, SC_KV_STAYONTOP), "Stay On &Top");
    EXPECT_EQ(MenuText(Menu, SC_KV_SAVEWINDOW), "Save &Window State");
    EXPECT_EQ(MenuText(Menu, SC_KV_OPENCENTERED), "&Open Centered");
    EXPECT_EQ(GetMenuItemID(Menu, 0), SC_KV_STAYONTOP);

    SendMessageA(Main.Handle(), WM_SYSCOMMAND, SC_KV_STAYONTOP, 0);
    EXPECT_TRUE(Main.GetStayOnTop());
    EXPECT_TRUE(GetWindowLongA(Main.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(MenuChecked(Menu, SC_KV_STAYONTOP));
    SendMessageA(Main.Handle(), WM_SYSCOMMAND, SC_KV_STAYONTOP, 0);
    EXPECT_FALSE(GetWindowLongA(Main.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(MenuChecked(Menu, SC_KV_STAYONTOP));

    // The main form keeps open-centred with its placement; save writes it.
    SendMessageA(Main.Handle(), WM_SYSCOMMAND, SC_KV_OPENCENTERED, 0);
    EXPECT_TRUE(MenuChecked(Menu, SC_KV_OPENCENTERED));
    EXPECT_EQ(AppSettings->ReadString("Layout_96", "frmProbe_OpenCentered", ""), "");
    SendMessageA(Main.Handle(), WM_SYSCOMMAND, SC_KV_SAVEWINDOW, 0);
    EXPECT_FALSE(AppSettings->ReadString("Layout_96", "frmProbe_Window", "").empty());
    EXPECT_TRUE(AppSettings->ReadBool("Layout_96", "frmProbe_OpenCentered", false));

    // A secondary form writes its open-centred choice at once.
    TTestForm Second(&Main);
    Second.SetName("frmSecond");
    Second.Handle();
    Second.Drain();
    EXPECT_FALSE(Second.PlacementWithSettings());
    SendMessageA(Second.Handle(), WM_SYSCOMMAND, SC_KV_OPENCENTERED, 0);
    EXPECT_TRUE(AppSettings->ReadBool("Layout_96", "frmSecond_OpenCentered", false));
    Application->SetMainForm(nullptr);
}

TEST_F(FormsSaveTest, ClosingSavesSettingsAndPlacement)
{
    TTestForm F(nullptr);
    F.SetBounds(15, 25, 340, 230);
    F.Handle();
    F.Drain();
    EXPECT_TRUE(F.CloseQuery());
    EXPECT_EQ(F.Saves, 1);
    const std::string Saved = AppSettings->ReadString("Layout_96", "frmProbe_Window", "");
    EXPECT_EQ(Saved.substr(0, Saved.rfind(';')), "15;25;340;230;0");
}

TEST_F(FormsSaveTest, UpdateLocksNest)
{
    TTestForm F(nullptr);
    F.LockUpdates(true);  // before the start-up is posted: ignored
    EXPECT_EQ(F.UpdateLockCount(), 0);
    F.Handle();
    F.LockUpdates(true);
    F.LockUpdates(true);
    EXPECT_EQ(F.UpdateLockCount(), 2);
    F.LockUpdates(false);
    EXPECT_EQ(F.UpdateLockCount(), 1);
    F.LockUpdates(true);
    F.LockUpdates(false, true);
    EXPECT_EQ(F.UpdateLockCount(), 0);
    F.LockUpdates(false);
    EXPECT_EQ(F.UpdateLockCount(), 0);
}
