#include "app/KvHelpBase.h"

#include <mmsystem.h>

#include "classlib/Cleanup.h"
#include "classlib/Registry.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSystem.h"

#include <algorithm>
#include <vector>

HWND GUpdateLockedWindow = nullptr;


TModalResult KvMessageDlgPosHelp(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons,
                                 const std::string& HelpFile, int Y, int X, int HelpContext)
{
    TMessageDlgRequest R;
    // A screen reader reads the box's text better after a blank.
    R.Msg = (GAppHighContrast || GAppScreenReader) ? " " + Text : Text;
    R.DlgType = Type;
    R.Buttons = Buttons;
    R.HelpCtx = HelpContext;
    R.HelpFile = HelpFile;
    if (X >= 0 || Y >= 0) {
        R.X = std::max(X, 0);
        R.Y = std::max(Y, 0);
    } else {
        R.MainFormCenter = true;
    }
    return MessageDlg(R);
}

TModalResult KvMessageDlg(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons, int HelpContext)
{
    if (Screen && Screen->Cursor() == crHourGlass)
        Screen->SetCursor(crDefault);
    HWND Locked = GUpdateLockedWindow;
    if (Locked)
        LockWindowUpdate(nullptr);
    const TCursor OldCursor = Screen ? Screen->Cursor() : crDefault;
    if (Screen)
        Screen->SetCursor(crDefault);
    HWND Flash = nullptr;
    if (GHooks.ApplicationActive && !GHooks.ApplicationActive()) {
        TCustomForm* Main = Application ? Application->MainForm() : nullptr;
        Flash = Main && Main->HandleAllocated() ? Main->WindowHandle() : (Application ? Application->Handle() : nullptr);
        if (Flash)
            FlashWindow(Flash, TRUE);
    }
    // The lock, the cursor and the flashing are put back however the box ends.
    struct TRestore {
        HWND Locked, Flash;
        TCursor Cursor;
        ~TRestore()
        {
            if (Flash)
                FlashWindow(Flash, FALSE);
            if (Screen)
                Screen->SetCursor(Cursor);
            if (Locked && IsWindow(Locked)) {
                if (Application)
                    Application->ProcessMessages();
                LockWindowUpdate(Locked);
            }
        }
    } Restore{Locked, Flash, OldCursor};
    return KvMessageDlgPosHelp(Text, Type, Buttons, std::string(), -1, -1, HelpContext);
}

bool KvConfirm(const std::string& Text, bool Beep)
{
    if (Beep)
        BeepQuestion();
    return KvMessageDlg(Text, mtConfirmation, mbYesNo, 0) == mrYes;
}

void KvError(const std::string& Text, bool Beep)
{
    if (Beep)
        BeepWarning();
    KvMessageDlg(Text, mtError, mbOKOnly, 0);
}

void KvInformation(const std::string& Text, bool Beep)
{
    if (Beep)
        BeepInformation();
    KvMessageDlg(Text, mtInformation, mbOKOnly, 0);
}

void KvWarning(const std::string& Text, bool Beep)
{
    if (Beep)
        BeepInformation();
    KvMessageDlg(Text, mtWarning, mbOKOnly, 0);
}

namespace {

bool CanTakeFocus(TWinControl* C)
{
    if (auto* F = dynamic_cast<TCustomForm*>(C))
        return F->Visible() && F->Enabled();
    return C->CanFocus();
}

} // namespace

bool SafeFocus(TWinControl* Control, TWinControl* Fallback)
{
    if (!Control || !Application || Application->Terminated())
        return false;
    TCustomForm* Main = Application->MainForm();
    if (Main && Main->HandleAllocated() && IsIconic(Main->WindowHandle()))
        return false;
    for (TWinControl* C : {Control, Fallback}) {
        if (C && CanTakeFocus(C)) {
            C->SetFocus();
            return true;
        }
    }
    return false;
}

bool FocusFirstControl(TWinControl* Container)
{
    TWinControl* Found = nullptr;
    TWinControl* Current = Container;
    while (Current && Current->ControlCount() > 0) {
        TWinControl* Next = FindNextFocusable(Current, nullptr, false, true);
        if (!Next)
            break;
        Found = Next;
        Current = Next;
    }
    return Found && SafeFocus(Found);
}

TWinControl* FindNextFocusable(TWinControl* Container, TWinControl* Current, bool TabStopOnly,
                               bool DirectChildOnly)
{
    if (!Container)
        return nullptr;
    std::vector<TWinControl*> List;
    if (DirectChildOnly) {
        // Every direct child in tab order, tab stop or not.
        for (int I = 0; I < Container->ControlCount(); ++I)
            if (auto* W = dynamic_cast<TWinControl*>(Container->Controls(I)))
                List.push_back(W);
        std::stable_sort(List.begin(), List.end(),
                         [](TWinControl* A, TWinControl* B) { return A->TabOrder() < B->TabOrder(); });
    } else {
        Container->GetTabOrderList(List);
    }
    if (List.empty())
        return nullptr;
    const auto At = std::find(List.begin(), List.end(), Current);
    const size_t Start = At == List.end() ? 0 : static_cast<size_t>(At - List.begin()) + 1;
    for (size_t N = 0; N < List.size(); ++N) {
        TWinControl* C = List[(Start + N) % List.size()];
        if (C == Current)
            continue;
        if (TabStopOnly && !C->TabStop())
            continue;
        if (DirectChildOnly && C->Parent() != Container)
            continue;
        if (C->CanFocus())
            return C;
    }
    return nullptr;
}

std::string HelpFileName(const std::string& Base)
{
    const std::string Chm = SetFileExt(Base, "chm");
    return IsExistingFile(Chm) ? Chm : SetFileExt(Base, "hlp");
}

bool IsChmFile(const std::string& FileName)
{
    return HasFileExt(FileName, "chm");
}

namespace {

using THtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// The library stays loaded until the program ends.
struct THtmlHelpLibrary {
    HMODULE Module = nullptr;
    THtmlHelpA Proc = nullptr;
    bool Tried = false;
    ~THtmlHelpLibrary()
    {
        if (Module)
            FreeLibrary(Module);
    }
};

THtmlHelpLibrary& Library()
{
    static THtmlHelpLibrary L;
    return L;
}

THtmlHelpProc& HtmlHelpOverride()
{
    static THtmlHelpProc P;
    return P;
}

TWinHelpProc& WinHelpOverride()
{
    static TWinHelpProc P;
    return P;
}

} // namespace

bool HtmlHelpAvailable()
{
    if (HtmlHelpOverride())
        return true;
    THtmlHelpLibrary& L = Library();
    if (!L.Tried) {
        L.Tried = true;
        L.Module = LoadLibraryA("HHCTRL.OCX");
        if (L.Module)
            L.Proc = reinterpret_cast<THtmlHelpA>(reinterpret_cast<void*>(GetProcAddress(L.Module, "HtmlHelpA")));
    }
    return L.Proc != nullptr;
}

HWND CallHtmlHelp(HWND Caller, const char* File, UINT Command, DWORD_PTR Data)
{
    if (HtmlHelpOverride())
        return HtmlHelpOverride()(Caller, File, Command, Data);
    return HtmlHelpAvailable() ? Library().Proc(Caller, File, Command, Data) : nullptr;
}

void SetHtmlHelpProc(THtmlHelpProc Proc)
{
    HtmlHelpOverride() = std::move(Proc);
}

BOOL CallWinHelp(HWND Window, const char* File, UINT Command, ULONG_PTR Data)
{
    if (WinHelpOverride())
        return WinHelpOverride()(Window, File, Command, Data);
    return WinHelpA(Window, File, Command, Data);
}

void SetWinHelpProc(TWinHelpProc Proc)
{
    WinHelpOverride() = std::move(Proc);
}

// ---------------------------------------------------------------------------
// Sounds at start
// ---------------------------------------------------------------------------

bool GWaveOutputPresent = false;
const char* const QuestionSoundKey = "AppEvents\\Schemes\\Apps\\.Default\\SystemQuestion\\.Current";

void StartSounds()
{
    GWaveOutputPresent = waveOutGetNumDevs() > 0;
    bool Named = false;
    try {
        TRegistry Reg(HKEY_CURRENT_USER, KEY_READ);
        Named = Reg.OpenKeyReadOnly(QuestionSoundKey) && !Reg.ReadString("").empty();
    } catch (const std::exception&) {
        // A value of another type names no file.
    }
    QuestionSoundOn = Named;
}
