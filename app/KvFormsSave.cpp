#include "app/KvFormsSave.h"

#include <algorithm>

#include "foundation/KvAppBase.h"
#include "foundation/KvSearch.h"

namespace {

const char* const WindowSuffix = "_Window";
const char* const OpenCenteredSuffix = "_OpenCentered";

bool StoreWritable()
{
    return AppSettings && AppSettings->IsWritable();
}

} // namespace

TKvFormSave::TKvFormSave(TComponent* AOwner) : TKvFormHack(AOwner)
{
    bool MainExists = Application && Application->MainForm() && Application->MainForm() != this;
    FNotMainForm = MainExists;
    FPlacementWithSettings = !MainExists;
}

std::string TKvFormSave::LayoutSection()
{
    return "Layout_" + std::to_string(GScreenPixelsPerInch);
}

bool TKvFormSave::DesignedCentred() const
{
    switch (Position()) {
    case poScreenCenter: case poDesktopCenter: case poMainFormCenter: case poOwnerFormCenter:
        return true;
    default:
        return false;
    }
}

void TKvFormSave::CentreWindow(int& Left, int& Top, int W, int H)
{
    RECT Area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    TCustomForm* Main = Application ? Application->MainForm() : nullptr;
    if (Main && Main != this) {
        TCustomForm* Around = dynamic_cast<TCustomForm*>(Owner());
        if (!Around)
            Around = Main;
        Area = Around->BoundsRect();
    }
    // Halves round toward zero.
    Left = Area.left + ((Area.right - Area.left) - W) / 2;
    Top = Area.top + ((Area.bottom - Area.top) - H) / 2;
    if (GetSystemMetrics(SM_CMONITORS) <= 1) {
        if (Left < -1)
            Left = 0;
        if (Top < -1)
            Top = 0;
    }
}

void TKvFormSave::RestorePlacement()
{
    int L = Left(), T = Top(), W = Width(), H = Height(), State = 0, Monitors = 1;
    const std::string Section = LayoutSection();
    if (AppSettings && !ResetPlacement)
        AppSettings->ReadIntList(Section, Name() + WindowSuffix, PlacementMode, L, T, W, H, State, Monitors);
    if (ResetPlacement) {
        L = Left();
        T = Top();
        W = Width();
        H = Height();
        State = 0;
    }
    if (W < 1)
        W = Width();
    if (H < 1)
        H = Height();
    W = std::max(W, MinTrackWidth());
    H = std::max(H, MinTrackHeight());
    if (IsMainForm()) {
        STARTUPINFOA Info{};
        Info.cb = sizeof(Info);
        GetStartupInfoA(&Info);
        if (Info.dwFlags & STARTF_USESHOWWINDOW) {
            if (Info.wShowWindow == SW_SHOWMINIMIZED || Info.wShowWindow == SW_SHOWMINNOACTIVE)
                State = 1;
            else if (Info.wShowWindow == SW_SHOWMAXIMIZED)
                State = 2;
        }
    }
    if (ResetPlacement) {
        OpenCentered = DesignedCentred();
        ResetPlacement = false;
    } else {
        OpenCentered = AppSettings ? AppSettings->ReadBool(Section, Name() + OpenCenteredSuffix, DesignedCentred())
                                   : DesignedCentred();
    }
    CheckMenuItem(SC_KV_OPENCENTERED, OpenCentered);

    RECT Stored{L, T, L + W, T + H};
    RECT Desktop{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    Desktop.right = Desktop.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    Desktop.bottom = Desktop.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    RECT Common{};
    if (OpenCentered || !IntersectRect(&Common, &Stored, &Desktop))
        CentreWindow(L, T, W, H);
    SetPosition(poDesigned);
    SetBounds(L, T, W, H);
    if (State == 2)
        SetWindowState(wsMaximized);
    else if (State == 1 && IsMainForm() && !Visible())
        SetWindowState(wsNormal);
}

void TKvFormSave::SavePlacement()
{
    if (!StoreWritable())
        return;
    int State = 0;
    if (WindowState() == wsMaximized)
        State = 2;
    else if (WindowState() == wsMinimized)
        State = WasMaximized() ? 2 : 0;
    int L = Left(), T = Top(), W = Width(), H = Height();
    if (HandleAllocated()) {
        WINDOWPLACEMENT P{};
        P.length = sizeof(P);
        if (GetWindowPlacement(WindowHandle(), &P)) {
            const RECT& R = P.rcNormalPosition;
            if (!(R.left < 0 && GetSystemMetrics(SM_CXSCREEN) < R.right - R.left)) {
                L = R.left;
                T = R.top;
                W = R.right - R.left;
                H = R.bottom - R.top;
            }
            if (P.showCmd == SW_SHOWMAXIMIZED)
                State = 2;
        }
    }
    const std::string Section = LayoutSection();
    AppSettings->WriteIntList(Section, Name() + WindowSuffix, PlacementMode, L, T, W, H, State,
                              GetSystemMetrics(SM_CMONITORS));
    AppSettings->WriteBool(Section, Name() + OpenCenteredSuffix, OpenCentered);
}

void TKvFormSave::SaveSettings()
{
    if (FPlacementWithSettings)
        SavePlacement();
}

bool TKvFormSave::CloseQuery()
{
    if (!TKvFormHack::CloseQuery())
        return false;
    if (StartupPosted() && StoreWritable())
        SaveSettings();
    return true;
}

void TKvFormSave::Startup()
{
    RestorePlacement();
    if (WindowState() == wsNormal || GetStayOnTop())
        BuildSystemMenu();
    if (!FNotMainForm) {
        LoadSettings();
        if (Screen)
            Screen->SetCursor(crDefault);
    }
    if (!Visible())
        Show();
}

void TKvFormSave::FormLoaded()
{
    if (FNotMainForm)
        LoadSettings();
}

void TKvFormSave::InputLanguageChanged()
{
    InitCharTables();
}

void TKvFormSave::CheckMenuItem(UINT Command, bool Checked)
{
    if (!FSystemMenuBuilt || !HandleAllocated())
        return;
    ::CheckMenuItem(GetSystemMenu(WindowHandle(), FALSE), Command,
                    MF_BYCOMMAND | (Checked ? MF_CHECKED : MF_UNCHECKED));
}

void TKvFormSave::BuildSystemMenu()
{
    if (FSystemMenuBuilt || !HandleAllocated())
        return;
    HMENU Menu = GetSystemMenu(WindowHandle(), FALSE);
    if (!Menu)
        return;
    UINT At = 0;
    if ((SysMenuItems & smiStayOnTop) && (FormStyle() == fsNormal || FormStyle() == fsStayOnTop))
        InsertMenuA(Menu, At++, MF_BYPOSITION | MF_STRING | (GetStayOnTop() ? MF_CHECKED : 0), SC_KV_STAYONTOP,
                    "Stay On &Top");
    if (SysMenuItems & smiSaveWindow)
        InsertMenuA(Menu, At++, MF_BYPOSITION | MF_STRING, SC_KV_SAVEWINDOW, "Save &Window State");
    if (SysMenuItems & smiOpenCentered)
        InsertMenuA(Menu, At++, MF_BYPOSITION | MF_STRING | (OpenCentered ? MF_CHECKED : 0), SC_KV_OPENCENTERED,
                    "&Open Centered");
    if (At > 0)
        InsertMenuA(Menu, At, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    FSystemMenuBuilt = true;
}

void TKvFormSave::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_SYSCOMMAND) {
        switch (Message.WParam & 0xFFF0) {
        case 0xF030:
            Message.WParam = SC_MAXIMIZE;
            break;
        case 0xF120:
            Message.WParam = SC_RESTORE;
            break;
        default:
            break;
        }
        switch (Message.WParam) {
        case SC_KV_STAYONTOP:
            SetStayOnTop(!GetStayOnTop());
            CheckMenuItem(SC_KV_STAYONTOP, GetStayOnTop());
            Message.Result = 0;
            return;
        case SC_KV_SAVEWINDOW:
            SavePlacement();
            Message.Result = 0;
            return;
        case SC_KV_OPENCENTERED:
            OpenCentered = !OpenCentered;
            CheckMenuItem(SC_KV_OPENCENTERED, OpenCentered);
            if (!FPlacementWithSettings && StoreWritable())
                AppSettings->WriteBool(LayoutSection(), Name() + OpenCenteredSuffix, OpenCentered);
            Message.Result = 0;
            return;
        default:
            break;
        }
    }
    TKvFormHack::WndProc(Message);
}
