#include "app/KvHelp.h"

#include "app/KvHelpBase.h"
#include "foundation/KvFiles.h"

#include <htmlhelp.h>

namespace {

THelpManager* GHelpManager = nullptr;

// HH_DISPLAY_TOC and friends as the manager maps WinHelp commands.
// WinHelp's "open at a tab" command, which the headers here lack.
constexpr UINT HelpTab = 15;

enum : UINT { hhDisplayToc = 1, hhDisplayIndex = 2, hhDisplayTextPopup = 14, hhHelpContext = 15, hhCloseAll = 18 };

bool IsPopupCommand(UINT Command)
{
    return Command == HELP_CONTEXTPOPUP || Command == HELP_SETPOPUP_POS;
}

const char* const MissingHelpText = "Help file is missing";

// An HTML Help call that opens a window; the window is brought back and to
// the front. False when none opened.
bool OpenHelpWindow(HWND Owner, const char* File, UINT Command, DWORD_PTR Data)
{
    const HWND Window = CallHtmlHelp(Owner, File, Command, Data);
    if (Window) {
        SendMessageA(Window, WM_SYSCOMMAND, SC_RESTORE, 0);
        SetForegroundWindow(Window);
    }
    return Window != nullptr;
}

} // namespace

THelpManager* THelpManager::Instance()
{
    if (!GHelpManager)
        GHelpManager = new THelpManager();
    return GHelpManager;
}

bool THelpManager::Exists()
{
    return GHelpManager != nullptr;
}

void THelpManager::Release()
{
    delete GHelpManager;
    GHelpManager = nullptr;
}

THelpManager::THelpManager()
{
    if (Application) {
        FPrevious = Application->OnHelp;
        Application->OnHelp = [this](WORD Command, ULONG_PTR Data, bool& CallHelp) {
            return HandleHelp(Command, Data, CallHelp);
        };
    }
}

THelpManager::~THelpManager()
{
    if (Application) {
        if (Application->HandleAllocated())
            Application->HelpCommand(HELP_QUIT, 0);
        Application->OnHelp = FPrevious;
    }
    if (GHelpManager == this)
        GHelpManager = nullptr;
}

std::string THelpManager::ResolveName(const std::string& Name, bool WinHelpOnly)
{
    if (Name.empty())
        return Name;
    if (HtmlHelpAvailable() && !WinHelpOnly) {
        const std::string Chm = SetFileExt(Name, "chm");
        if (IsExistingFile(Chm))
            return Chm;
    }
    const std::string Hlp = SetFileExt(Name, "hlp");
    if (IsExistingFile(Hlp))
        return Hlp;
    std::string Result = Name;
    if (OnMissingHelpFile)
        OnMissingHelpFile(nullptr, Result);
    return Result;
}

std::string THelpManager::ResolveHelpFile(const std::string& Requested, UINT Command)
{
    std::string Name = Requested;
    if (Name.empty())
        Name = HelpFile;
    if (Name.empty()) {
        TCustomForm* Active = Screen ? Screen->ActiveCustomForm() : nullptr;
        if (Active && !Active->HelpFile().empty())
            Name = Active->HelpFile();
        else if (Application)
            Name = Application->HelpFile();
    }
    if (IsPopupCommand(Command) && !Name.empty()) {
        const std::string Hlp = SetFileExt(Name, "hlp");
        if (IsExistingFile(Hlp))
            return Hlp;
    }
    return ResolveName(Name, false);
}

void THelpManager::ShowPopup(const std::string& File, ULONG_PTR Context)
{
    if (!IsChmFile(File))
        return;
    POINT At = FPopupPos;
    if (At.x == -1 && At.y == -1)
        GetCursorPos(&At);
    HH_POPUP Popup{};
    Popup.cbStruct = sizeof(Popup);
    Popup.hinst = nullptr;
    Popup.idString = static_cast<UINT>(Context);
    Popup.pt = At;
    Popup.clrForeground = static_cast<COLORREF>(-1);
    Popup.clrBackground = static_cast<COLORREF>(-1);
    Popup.rcMargins = RECT{-1, -1, -1, -1};
    Popup.pszFont = "MS Sans Serif, 8";
    const std::string Target = File + "::/" + ContextFileName;
    const HWND Owner = Application ? Application->Handle() : nullptr;
    // A help viewer without text popups (Wine's) shows nothing: the
    // context's topic opens in the help window instead.
    if (!CallHtmlHelp(Owner, Target.c_str(), hhDisplayTextPopup, reinterpret_cast<DWORD_PTR>(&Popup)))
        OpenHelpWindow(Owner, File.c_str(), hhHelpContext, Context);
    FPopupPos = POINT{-1, -1};
}

bool THelpManager::HandleHelp(WORD Command, ULONG_PTR Data, bool& CallHelp)
{
    for (const THelpEvent* Handler : {&FPrevious, &ChainedHandler}) {
        if (!*Handler)
            continue;
        bool Call = CallHelp;
        const bool Result = (*Handler)(Command, Data, Call);
        if (!Call) {
            CallHelp = false;
            return Result;
        }
    }
    const std::string File = ResolveHelpFile(std::string(), Command);
    HWND Owner = Application ? Application->Handle() : nullptr;
    bool Result = false;
    if (HasFileExt(File, "hlp")) {
        Result = CallWinHelp(Owner, File.c_str(), Command, Data) != FALSE;
    } else if (IsChmFile(File) && HtmlHelpAvailable()) {
        UINT HhCommand = 0;
        DWORD_PTR HhData = 0;
        switch (Command) {
        case HELP_CONTEXT: HhCommand = hhHelpContext; HhData = Data; break;
        case HELP_QUIT: HhCommand = hhCloseAll; break;
        case HELP_INDEX: case HELP_FINDER: HhCommand = hhDisplayToc; break;
        case HelpTab: HhCommand = Data != 0 ? hhDisplayIndex : hhDisplayToc; break;
        case HELP_KEY: case HELP_PARTIALKEY: HhCommand = hhDisplayIndex; HhData = Data; break;
        case HELP_SETPOPUP_POS:
            FPopupPos = POINT{static_cast<short>(LOWORD(Data)), static_cast<short>(HIWORD(Data))};
            break;
        case HELP_CONTEXTPOPUP: ShowPopup(File, Data); Result = true; break;
        default: break;
        }
        if (HhCommand != 0)
            Result = OpenHelpWindow(Owner, HhCommand == hhCloseAll ? nullptr : File.c_str(), HhCommand, HhData);
    }
    CallHelp = false;
    return Result;
}

bool InstallApplicationHelp(const std::string& Base)
{
    const std::string File = HelpFileName(Base);
    if (!IsExistingFile(File)) {
        if (Application)
            Application->OnHelp = [](WORD, ULONG_PTR, bool& CallHelp) {
                CallHelp = false;
                KvInformation(MissingHelpText);
                return false;
            };
        return false;
    }
    if (Application)
        Application->SetHelpFile(File);
    THelpManager::Instance()->OnMissingHelpFile = [](TObject*, std::string&) { KvInformation(MissingHelpText); };
    return true;
}
