#include "classlib/Dialogs.h"

#include <algorithm>

namespace {

TMessageDlgHook& Hook()
{
    static TMessageDlgHook H;
    return H;
}

// The Win32 box offers fixed button sets: the smallest one holding every
// asked-for answer serves, and the "to all" answers fold into their kin.
UINT ButtonFlags(TMsgDlgButtons B)
{
    auto Has = [B](TMsgDlgBtn X) { return (B & MsgDlgButton(X)) != 0; };
    UINT F;
    if ((Has(mbYes) || Has(mbYesToAll) || Has(mbAll)) && (Has(mbNo) || Has(mbNoToAll)))
        F = Has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (Has(mbAbort) || Has(mbIgnore))
        F = MB_ABORTRETRYIGNORE;
    else if (Has(mbRetry))
        F = MB_RETRYCANCEL;
    else if (Has(mbCancel))
        F = MB_OKCANCEL;
    else
        F = MB_OK;
    if (Has(mbHelp))
        F |= MB_HELP;
    return F;
}

UINT IconFlags(TMsgDlgType T)
{
    switch (T) {
    case mtWarning: return MB_ICONWARNING;
    case mtError: return MB_ICONERROR;
    case mtInformation: return MB_ICONINFORMATION;
    case mtConfirmation: return MB_ICONQUESTION;
    default: return 0;
    }
}

// Moves the box to the asked-for place once its own initialisation, which
// centres it, has run.
thread_local POINT GPendingPos{-1, -1};
thread_local HHOOK GPosHook = nullptr;
// Set: the box is centred on this rectangle instead of placed at GPendingPos.
thread_local RECT GPendingCentre{0, 0, 0, 0};

LRESULT CALLBACK PlaceBox(int Code, WPARAM WParam, LPARAM LParam)
{
    const auto* Ret = reinterpret_cast<const CWPRETSTRUCT*>(LParam);
    if (Code == HC_ACTION && Ret->message == WM_INITDIALOG && GPendingPos.x != -1) {
        POINT At = GPendingPos;
        if (GPendingCentre.right > GPendingCentre.left) {
            RECT Box;
            GetWindowRect(Ret->hwnd, &Box);
            At.x = GPendingCentre.left + ((GPendingCentre.right - GPendingCentre.left) - (Box.right - Box.left)) / 2;
            At.y = GPendingCentre.top + ((GPendingCentre.bottom - GPendingCentre.top) - (Box.bottom - Box.top)) / 2;
        }
        SetWindowPos(Ret->hwnd, nullptr, At.x, At.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        GPendingPos = {-1, -1};
        GPendingCentre = RECT{0, 0, 0, 0};
    }
    return CallNextHookEx(GPosHook, Code, WParam, LParam);
}

} // namespace

std::string MessageDlgCaption(TMsgDlgType DlgType)
{
    switch (DlgType) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return Application ? Application->Title() : std::string();
    }
}

TMessageDlgHook SetMessageDlgHook(TMessageDlgHook NewHook)
{
    TMessageDlgHook Old = std::move(Hook());
    Hook() = std::move(NewHook);
    return Old;
}

TModalResult MessageDlg(const TMessageDlgRequest& Request)
{
    if (Hook())
        return Hook()(Request);
    const std::string Caption = Request.Caption.empty() ? MessageDlgCaption(Request.DlgType) : Request.Caption;
    MSGBOXPARAMSA P{};
    P.cbSize = sizeof P;
    TCustomForm* Active = Screen ? Screen->ActiveCustomForm() : nullptr;
    P.hwndOwner = Active && Active->HandleAllocated() ? Active->WindowHandle() : nullptr;
    P.hInstance = GetModuleHandleA(nullptr);
    P.lpszText = Request.Msg.c_str();
    P.lpszCaption = Caption.c_str();
    P.dwStyle = ButtonFlags(Request.Buttons) | IconFlags(Request.DlgType) | MB_TASKMODAL;
    P.dwContextHelpId = static_cast<DWORD_PTR>(Request.HelpCtx);
    TCustomForm* Main = Application ? Application->MainForm() : nullptr;
    const bool OnMain = Request.MainFormCenter && Request.X == -1 && Request.Y == -1 && Main &&
                        Main->HandleAllocated() && IsWindowVisible(Main->WindowHandle());
    if (OnMain) {
        GetWindowRect(Main->WindowHandle(), &GPendingCentre);
        GPendingPos = {0, 0};
        GPosHook = SetWindowsHookExA(WH_CALLWNDPROCRET, PlaceBox, nullptr, GetCurrentThreadId());
    } else if (Request.X != -1 || Request.Y != -1) {
        GPendingPos = {Request.X, Request.Y};
        GPosHook = SetWindowsHookExA(WH_CALLWNDPROCRET, PlaceBox, nullptr, GetCurrentThreadId());
    }
    const int R = MessageBoxIndirectA(&P);
    if (GPosHook) {
        UnhookWindowsHookEx(GPosHook);
        GPosHook = nullptr;
        GPendingPos = {-1, -1};
        GPendingCentre = RECT{0, 0, 0, 0};
    }
    return R;
}

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx)
{
    return MessageDlg(TMessageDlgRequest{Msg, "", DlgType, Buttons, HelpCtx, -1, -1, false, ""});
}

TModalResult MessageDlgPos(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X,
                           int Y)
{
    return MessageDlg(TMessageDlgRequest{Msg, "", DlgType, Buttons, HelpCtx, X, Y, false, ""});
}

// ---------------------------------------------------------------------------
// TSaveDialog
// ---------------------------------------------------------------------------

namespace {

TGetFileNameProc& SaveFileNameProc()
{
    static TGetFileNameProc P;
    return P;
}

// The system wants the pairs separated and ended by NULs, the whole list by
// a second NUL.
std::string SystemFilter(const std::string& Filter)
{
    if (Filter.empty())
        return std::string();
    std::string R = Filter;
    for (char& C : R)
        if (C == '|')
            C = '\0';
    R += '\0';
    R += '\0';
    return R;
}

DWORD OptionFlags(TOpenOptions O)
{
    static constexpr struct {
        TOpenOption Option;
        DWORD Flag;
    } Map[] = {
        {ofReadOnly, OFN_READONLY},         {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
        {ofHideReadOnly, OFN_HIDEREADONLY}, {ofNoChangeDir, OFN_NOCHANGEDIR},
        {ofPathMustExist, OFN_PATHMUSTEXIST}, {ofFileMustExist, OFN_FILEMUSTEXIST},
        {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN}, {ofEnableSizing, OFN_ENABLESIZING},
    };
    DWORD F = OFN_EXPLORER;
    for (const auto& M : Map)
        if (O & OpenOption(M.Option))
            F |= M.Flag;
    return F;
}

} // namespace

TGetFileNameProc SetSaveFileNameProc(TGetFileNameProc Proc)
{
    TGetFileNameProc Old = std::move(SaveFileNameProc());
    SaveFileNameProc() = std::move(Proc);
    return Old;
}

TSaveDialog::TSaveDialog(TComponent* AOwner) : TComponent(AOwner)
{
}

bool TSaveDialog::Execute()
{
    // Room for the longest path the system allows.
    std::string Buffer(32768, '\0');
    Buffer.replace(0, std::min(FFileName.size(), Buffer.size() - 1), FFileName, 0, Buffer.size() - 1);
    const std::string SysFilter = SystemFilter(FFilter);
    // The system takes the extension without its dot.
    std::string Ext = FDefaultExt;
    if (!Ext.empty() && Ext[0] == '.')
        Ext.erase(0, 1);

    OPENFILENAMEA Ofn{};
    Ofn.lStructSize = sizeof Ofn;
    TCustomForm* Active = Screen ? Screen->ActiveCustomForm() : nullptr;
    if (!Active && Application)
        Active = Application->MainForm();
    Ofn.hwndOwner = Active && Active->HandleAllocated() ? Active->WindowHandle() : nullptr;
    Ofn.hInstance = GetModuleHandleA(nullptr);
    Ofn.lpstrFilter = SysFilter.empty() ? nullptr : SysFilter.c_str();
    Ofn.nFilterIndex = static_cast<DWORD>(std::max(FFilterIndex, 0));
    Ofn.lpstrFile = Buffer.data();
    Ofn.nMaxFile = static_cast<DWORD>(Buffer.size());
    Ofn.lpstrInitialDir = FInitialDir.empty() ? nullptr : FInitialDir.c_str();
    Ofn.lpstrTitle = FTitle.empty() ? nullptr : FTitle.c_str();
    Ofn.lpstrDefExt = Ext.empty() ? nullptr : Ext.c_str();
    Ofn.Flags = OptionFlags(FOptions);

    const BOOL Ok = SaveFileNameProc() ? SaveFileNameProc()(Ofn) : GetSaveFileNameA(&Ofn);
    if (!Ok)
        return false;
    FFileName.assign(Buffer.c_str());
    FFilterIndex = static_cast<int>(Ofn.nFilterIndex);
    // Tells the caller that the user typed an extension other than the
    // default one.
    FOptions &= ~OpenOption(ofExtensionDifferent);
    const std::string Chosen =
        Ofn.nFileExtension > 0 && Ofn.nFileExtension < FFileName.size() ? FFileName.substr(Ofn.nFileExtension) : "";
    if (!Ext.empty() && lstrcmpiA(Chosen.c_str(), Ext.c_str()) != 0)
        FOptions |= OpenOption(ofExtensionDifferent);
    return true;
}
