// The main form's lists and fields: the two format lists, the target field
// (its normalisation, its key filter, "mailbox:/" addresses), the source
// list (add, remove, paste, drop), the two popup menus and the log save.
#include "app/Main.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "app/KvConvertDriver.h"
#include "app/KvHelpBase.h"
#include "app/KvRichPnl.h"
#include "app/MainBrowse.h"
#include "app/MainTexts.h"
#include "classlib/Clipbrd.h"
#include "classlib/Cleanup.h"
#include "classlib/Dialogs.h"
#include "classlib/Menus.h"
#include "classlib/PathForms.h"
#include "classlib/ResStrings.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"
#include "controls/RzLstBox.h"
#include "controls/RzRadGrp.h"
#include "controls/RzRichUrl.h"
#include "controls/RzTabs.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvSystem.h"
#include "mail/KvFindMail.h"

namespace {

const char MailboxScheme[] = "mailbox:/";
constexpr std::size_t MailboxSchemeLength = sizeof(MailboxScheme) - 1;
// The keys the target field lets through although they are control
// characters: Backspace and the clipboard's Ctrl+C, Ctrl+V and Ctrl+X.
constexpr char KeyBackspace = 8, KeyCopy = 3, KeyPaste = 22, KeyCut = 24;

std::wstring TrimBlanks(const std::wstring& S)
{
    const std::size_t First = S.find_first_not_of(L" \t");
    if (First == std::wstring::npos)
        return {};
    return S.substr(First, S.find_last_not_of(L" \t") - First + 1);
}

} // namespace

bool MailboxUrlToPath(std::string& Text)
{
    if (Text.size() <= 12 || Text[7] != ':' ||
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Text.data(), static_cast<int>(MailboxSchemeLength),
                       MailboxScheme, static_cast<int>(MailboxSchemeLength)) != CSTR_EQUAL)
        return false;
    std::size_t From = MailboxSchemeLength;
    for (int Slash = 0; Slash < 2 && From < Text.size() && Text[From] == '/'; ++Slash)
        ++From;
    std::string Path = Text.substr(From);
    std::replace(Path.begin(), Path.end(), '/', '\\');
    std::replace(Path.begin(), Path.end(), '|', ':');
    Text = Path;
    return true;
}

std::string NormalizeTargetText(const std::string& Text, TMailFormat TargetFormat)
{
    // An empty target would become "*.eml", a pattern without a folder
    // that writes into whatever the current folder is; it stays empty so
    // that the page check asks for a target instead.
    if (Text.empty())
        return Text;
    const std::string Cut = CutTargetPattern(Text);
    if (!IsFolderPath(Cut))
        return Text;
    const std::string Folder = AddTrailingBackslash(Cut);
    const std::string Ext = MailFormatExtension(TargetFormat, true);
    return Ext.empty() ? Folder : Folder + "*." + Ext;
}

char FilterTargetKey(char Key)
{
    if (Key == '/')
        return '\\';
    if (Key == KeyBackspace || Key == KeyCopy || Key == KeyPaste || Key == KeyCut)
        return Key;
    // A "*" stays: the field itself shows a pattern (...\*.eml), which the
    // user may type as well. So does a "?": it is what reaches the field
    // for a letter the code page lacks, and dropped it would leave the
    // name of another folder ("out\\" for "out\\u03A9\\"); the page check
    // refuses it, saying why.
    if (static_cast<unsigned char>(Key) < ' ' || std::strchr("\"/<>|", Key))
        return 0;
    return Key;
}

namespace {

// A pasted line named outside the code page, in the form the ANSI calls
// open: its short form, or its folder's with a trailing backslash or
// pattern kept. Probe is the wide path that must exist for it.
std::string OpenablePastedPath(const std::wstring& Line, std::wstring& Probe)
{
    Probe = Line;
    if (const size_t Cut = Line.find_last_of(L'\\'); Cut != std::wstring::npos && Cut > 0) {
        const std::wstring Tail = Line.substr(Cut);
        bool Lossless = false;
        const std::string PlainTail = WideToCodePageEx(Tail, Lossless, 0);
        if (Lossless && (Tail == L"\\" || Tail.find_first_of(L"*?") != std::wstring::npos)) {
            Probe = Line.substr(0, Cut);
            const std::string Folder = OpenableAnsiPath(Probe);
            return Folder.empty() ? std::string() : Folder + PlainTail;
        }
    }
    return OpenableAnsiPath(Line);
}

}  // namespace

std::vector<std::string> PastedSourceLines(const std::wstring& Text, TMailFormat Format, bool& SingleUrl,
                                           std::vector<std::string>* Rejected, std::vector<std::string>* Unhandled)
{
    std::vector<std::wstring> Lines;
    for (size_t At = 0; At <= Text.size();) {
        const size_t End = std::min(Text.find_first_of(L"\r\n", At), Text.size());
        Lines.push_back(Text.substr(At, End - At));
        At = End + (Text.compare(End, 2, L"\r\n") == 0 ? 2 : 1);
    }
    // A text ending in a line break holds no line after it.
    if (!Lines.empty() && Lines.back().empty())
        Lines.pop_back();
    SingleUrl = false;
    std::vector<std::string> Kept;
    for (size_t I = Lines.size(); I-- > 0;) {
        const std::wstring Wide = TrimBlanks(Lines[I]);
        bool Lossless = false;
        std::string Line = WideToCodePageEx(Wide, Lossless, 0);
        if (Lossless && MailboxUrlToPath(Line)) {
            SingleUrl = Lines.size() == 1;
            Kept.push_back(Line);
            continue;
        }
        if (!Lossless) {
            std::wstring Probe;
            Line = OpenablePastedPath(Wide, Probe);
            if (Line.empty()) {
                // There, but by no name the program can open, is not missing.
                const bool There = GetFileAttributesW(PrefixedPath(Probe).c_str()) != INVALID_FILE_ATTRIBUTES;
                if (std::vector<std::string>* List = There ? Unhandled : Rejected)
                    List->push_back(DefaultWideToAnsi(Wide));
                continue;
            }
        }
        const std::string Probe = CutTargetPattern(Line);
        if (Probe.empty() && Line.empty())
            continue;
        if (!Probe.empty() && (HasTrailingSlash(Probe) ? FolderExists(Probe) : IsExistingFile(Probe)))
            // A folder goes in as Add Folder puts it, with the format's own
            // pattern: as it stands the run would take it for a mailbox.
            Kept.push_back(HasTrailingSlash(Line) ? SourceFolderEntry(Probe, Format) : Line);
        else if (Rejected)
            Rejected->push_back(Line);
    }
    std::reverse(Kept.begin(), Kept.end());
    if (Rejected)
        std::reverse(Rejected->begin(), Rejected->end());
    if (Unhandled)
        std::reverse(Unhandled->begin(), Unhandled->end());
    return Kept;
}

std::vector<std::string> DroppedFileNames(HDROP Drop)
{
    TStringList Names;
    const UINT Count = DragQueryFileA(Drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT I = 0; I < Count; ++I) {
        // Asked for its length first: a name longer than any fixed buffer
        // would otherwise come back cut, a different path added silently.
        const UINT Length = DragQueryFileA(Drop, I, nullptr, 0);
        std::string Name(static_cast<std::size_t>(Length) + 1, '\0');
        const UINT Got = DragQueryFileA(Drop, I, Name.data(), Length + 1);
        Name.resize(std::min(Got, Length));
        if (!Name.empty())
            Names.Add(ExpandLongPathName(Name));
    }
    Names.Sort();
    std::vector<std::string> Result;
    for (int I = 0; I < Names.Count(); ++I)
        Result.push_back(Names[I]);
    return Result;
}

// ---------------------------------------------------------------------------
// Format lists and the target field
// ---------------------------------------------------------------------------

void TfrmTessaly::BuildFormatLists()
{
    lbxSourceFormat->Items()->SetText(MailFormatListText(false));
    lbxTargetFormat->Items()->SetText(MailFormatListText(true));
    lbxSourceFormat->SetItemIndex(1);
    lbxTargetFormat->SetItemIndex(1);
    const std::string Info = Format(LoadResString(SOtherFormatsInfo), ApplicationName, LoadResString(SMboxType));
    edtSourceInfo->SetText(Info);
    edtTargetInfo->SetText(Info);
}

void TfrmTessaly::SkipGroupRow(TRzCustomListBox* List)
{
    const int Row = List->ItemIndex();
    if (Row >= 0 && Row + 1 < List->Items()->Count() && List->IsGroup(Row))
        List->SetItemIndex(Row + 1);
}

void TfrmTessaly::FormatListKeyDown(TRzCustomListBox* List, WORD& Key, TShiftState Shift)
{
    // The keys sent below reach the list itself.
    if (FMovingByKeys)
        return;
    // The keyboard is in use: the focused row shows its focus rectangle,
    // as it does after Tab.
    Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    // A group row's click moves the selection one row down: Up onto a
    // group row, or Home onto the first, would be sent straight back. Up
    // goes on to the row above a group row, Home to the first format, Down
    // past a group row as the click would.
    if ((Key != VK_UP && Key != VK_HOME && Key != VK_DOWN) || (Shift & (ssShift | ssCtrl | ssAlt)) != 0)
        return;
    const int Count = List->Items()->Count();
    const int Current = List->ItemIndex();
    const int Step = Key == VK_DOWN ? 1 : -1;
    int Row = Key == VK_HOME ? 0 : Current + Step;
    while (Row >= 0 && Row < Count && List->IsGroup(Row))
        Row += Key == VK_HOME ? 1 : Step;
    if (Row >= Count || (Key != VK_HOME && Row == Current + Step))
        return;  // nothing but formats on the way: the list's own move
    // Up with only group rows above stays where it is.
    const bool FromTop = Key == VK_HOME || Row < 0;
    if (Row < 0)
        Row = Current;
    Key = 0;
    // The move is made of the list's own keys: a selection set from outside
    // makes the list hide its focus rectangle until the next key. The rows
    // passed on the way are no choice of the user's: one click at the end.
    FMovingByKeys = true;
    TScopeExit Done([this] { FMovingByKeys = false; });
    const HWND Wnd = List->Handle();
    int From = Current;
    if (FromTop) {
        SendMessageA(Wnd, WM_KEYDOWN, VK_HOME, 0);
        From = 0;
    }
    for (; From < Row; ++From)
        SendMessageA(Wnd, WM_KEYDOWN, VK_DOWN, 0);
    for (; From > Row; --From)
        SendMessageA(Wnd, WM_KEYDOWN, VK_UP, 0);
    FMovingByKeys = false;
    if (Row != Current)
        List->Click();
}

TMailFormat TfrmTessaly::GetSelectedSourceFormat()
{
    return MailFormatFromSourceRow(lbxSourceFormat->ItemIndex());
}

TMailFormat TfrmTessaly::GetSelectedTargetFormat()
{
    return MailFormatFromTargetRow(lbxTargetFormat->ItemIndex());
}

void TfrmTessaly::SelectSourceFormat(TMailFormat Format)
{
    const int Row = MailFormatToRow(Format, false);
    if (Row < 0)
        return;
    lbxSourceFormat->SetItemIndex(Row);
    lbxSourceFormatClick(lbxSourceFormat);
}

void TfrmTessaly::SelectTargetFormat(TMailFormat Format)
{
    const int Row = MailFormatToRow(Format, true);
    if (Row < 0)
        return;
    lbxTargetFormat->SetItemIndex(Row);
    lbxTargetFormatClick(lbxTargetFormat);
}

void TfrmTessaly::lbxSourceFormatClick(TObject*)
{
    if (FMovingByKeys)
        return;
    SkipGroupRow(lbxSourceFormat);
    pgcSourceSettings->SetActivePage(GetSelectedSourceFormat() == mftOther ? tbsSourceInfo : tbsSourceList);
}

void TfrmTessaly::lbxTargetFormatClick(TObject*)
{
    if (FMovingByKeys)
        return;
    SkipGroupRow(lbxTargetFormat);
    NormalizeTarget();
    const TMailFormat Target = GetSelectedTargetFormat();
    grpTargetOptions->SetItemEnabled(1, MailFormatIsOneFilePerMessage(Target));
    grpTargetOptions->SetItemEnabled(2, grpTargetOptions->GetItemEnabled(1));
    pgcTargetSettings->SetActivePage(Target == mftOther ? tbsTargetInfo : tbsTargetList);
}

void TfrmTessaly::NormalizeTarget()
{
    const std::string Text = edtTargetFolder->Text();
    const std::string Normal = NormalizeTargetText(Text, GetSelectedTargetFormat());
    if (Normal != Text)
        edtTargetFolder->SetText(Normal);
}

std::string TfrmTessaly::GetTargetFolderText()
{
    std::string Text = edtTargetFolder->Text();
    if (Text.empty() || MailboxUrlToPath(Text))
        return Text;
    // A macro the program does not know may name a mail client, whose
    // default mail folder it then stands for.
    return ExpandPathMacros(Text, [](std::string& Name) {
        const std::string Folder = GetClientMailFolder(Name);
        if (Folder.empty())
            return false;
        Name = Folder;
        return true;
    });
}

void TfrmTessaly::edtTargetFolderDblClick(TObject*)
{
    if (edtTargetFolder->Text().empty())
        edtTargetFolder->SetText(AddTrailingBackslash(JoinPath(GetDocumentsFolder(), "Mail")));
    NormalizeTarget();
}

void TfrmTessaly::edtTargetFolderChange(TObject*)
{
    edtTargetFolder->SetHint(edtTargetFolder->Text());
}

void TfrmTessaly::edtTargetFolderKeyPress(TObject*, char& Key)
{
    Key = FilterTargetKey(Key);
    if (Key == 0)
        BeepInformation();
}

// ---------------------------------------------------------------------------
// The source list
// ---------------------------------------------------------------------------

void TfrmTessaly::AddSourceNames(const std::vector<std::string>& Names, TMailFormat Format)
{
    TStrings* Items = lstSourceFiles->Items();
    int Last = -1;
    {
        // The rows live in the list's window, two messages each to read:
        // a search of them for every name froze the wizard for minutes on
        // 1,000 files. The list knows without reading them whether a name
        // is new; the rows are read once, into a map, only to find the row
        // of a name already there.
        std::unordered_map<std::string, int> Rows;
        bool RowsRead = false;
        auto Find = [&](const std::string& Name) {
            if (!lstSourceFiles->HoldsText(Name))
                return -1;
            if (!RowsRead) {
                for (int I = 0, Count = Items->Count(); I < Count; ++I)
                    Rows.emplace(ListRowKey(Items->Strings(I)), I);
                RowsRead = true;
            }
            const auto At = Rows.find(ListRowKey(Name));
            return At == Rows.end() ? -1 : At->second;
        };
        const TStringsUpdate Update(*Items);
        for (const std::string& Name : Names) {
            const int Found = Find(Name);
            if (Found >= 0) {
                Items->PutObject(Found, MailFormatToObject(Format));
                continue;
            }
            Last = Items->AddObject(Name, MailFormatToObject(Format));
            if (RowsRead)
                Rows.emplace(ListRowKey(Name), Last);
        }
    }
    if (Last < 0)
        return;
    lstSourceFiles->SetItemIndex(Last);
    UpdateSourceButtons();
}

void TfrmTessaly::RemoveSource(int Index)
{
    // -1 is what the list answers with nothing selected: there is nothing
    // to remove then.
    if (Index < 0 || Index >= lstSourceFiles->Items()->Count())
        return;
    lstSourceFiles->DeleteItem(Index);
    UpdateSourceButtons();
}

void TfrmTessaly::UpdateSourceButtons()
{
    const bool WasFocused = btnRemove->Focused();
    const bool Enable = lstSourceFiles->Items()->Count() > 0 && lstSourceFiles->ItemIndex() >= 0;
    btnRemove->SetEnabled(Enable);
    if (WasFocused && !Enable)
        SafeFocus(btnAddFiles);
}

void TfrmTessaly::btnRemoveClick(TObject*)
{
    RemoveSource(lstSourceFiles->ItemIndex());
}

void TfrmTessaly::lstSourceFilesClick(TObject*)
{
    UpdateSourceButtons();
}

void TfrmTessaly::lstSourceFilesKeyUp(TObject*, WORD& Key, TShiftState Shift)
{
    if (Key != VK_DELETE || (Shift & (ssShift | ssCtrl | ssAlt)) != 0)
        return;
    Key = 0;
    PostMessageA(Handle(), KM_REMOVESOURCE, ControlParam(lstSourceFiles), lstSourceFiles->ItemIndex());
}

void TfrmTessaly::lstSourceFilesKeyDown(TObject*, WORD& Key, TShiftState Shift)
{
    if ((Shift & (ssShift | ssCtrl | ssAlt)) != ssCtrl)
        return;
    if (Key == 'C' && lstSourceFiles->Items()->Count() > 0)
        smnCopyClick(lstSourceFiles);
    else if (Key == 'V' && Clipboard().HasFormat(CF_TEXT))
        smnPasteClick(lstSourceFiles);
    else
        return;
    Key = 0;
}

void TfrmTessaly::DropFiles(HDROP Drop)
{
    const TScopeExit Finish([Drop] { DragFinish(Drop); });
    if (Running())
        return;
    const std::vector<std::string> Names = DroppedFileNames(Drop);
    ShowPage(pgSource);
    AddSourceNames(Names, GetSelectedSourceFormat());
}

std::string TfrmTessaly::SourceListText(bool All)
{
    TStrings* Items = lstSourceFiles->Items();
    const int Selected = lstSourceFiles->ItemIndex();
    if (!All && Selected >= 0 && Selected < Items->Count())
        return Items->Strings(Selected);
    return Items->Text();
}

// ---------------------------------------------------------------------------
// Menus, clipboard and the log
// ---------------------------------------------------------------------------

void TfrmTessaly::ContextMenu(TMessage& Message)
{
    // Child windows hand the request up to their parents, each naming
    // itself as the window asked for (Wine does), so the form may hear of
    // it from a container: the control is the one under the point (or, from
    // the keyboard, the focused one) inside the window named.
    const HWND Named = reinterpret_cast<HWND>(Message.WParam);
    const bool FromKeyboard = Message.LParam == -1;
    const POINT At{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
    auto Asked = [&](TWinControl* Control) {
        if (!Control->HandleAllocated() || !IsWindowVisible(Control->WindowHandle()))
            return false;
        const HWND Wnd = Control->WindowHandle();
        if (Wnd == Named)
            return true;
        if (!IsChild(Named, Wnd))
            return false;
        if (FromKeyboard)
            return GetFocus() == Wnd;
        RECT R;
        GetWindowRect(Wnd, &R);
        return PtInRect(&R, At) != FALSE;
    };
    TPopupMenu* Menu = nullptr;
    TWinControl* Control = nullptr;
    if (Asked(edtProcessing)) {
        Menu = pmnLog;
        Control = edtProcessing;
    } else if (Asked(lstSourceFiles)) {
        Menu = pmnSourceFiles;
        Control = lstSourceFiles;
    }
    if (!Menu) {
        TKvFormSave::WndProc(Message);
        return;
    }
    TPoint Where(At.x, At.y);
    // From the keyboard (Shift+F10, the menu key): beside the control, or
    // on the source list's focused row while it shows.
    if (FromKeyboard) {
        TPoint Beside(8, 8);
        RECT Row{};
        const LRESULT Focused = SendMessageA(Control->Handle(), LB_GETCARETINDEX, 0, 0);
        if (Control == lstSourceFiles && Focused >= 0 && Focused < lstSourceFiles->Items()->Count() &&
            SendMessageA(Control->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Focused),
                         reinterpret_cast<LPARAM>(&Row)) != LB_ERR &&
            Row.top >= 0 && Row.bottom <= Control->ClientHeight())
            Beside = TPoint(Row.left + 8, (Row.top + Row.bottom) / 2);
        Where = Control->ClientToScreen(Beside);
    }
    Menu->SetPopupComponent(Control);
    Menu->Popup(Where.x, Where.y);
    Message.Result = 0;
}

void TfrmTessaly::pmnLogPopup(TObject*)
{
    const bool HasLines = edtProcessing->LineCount() > 1;
    smuCopy->SetEnabled(HasLines && edtProcessing->SelLength() > 0);
    smuCopyAll->SetEnabled(HasLines);
}

void TfrmTessaly::pmnSourceFilesPopup(TObject*)
{
    const bool HasItems = lstSourceFiles->Items()->Count() > 0;
    smnCopy->SetEnabled(HasItems);
    smnCopyAll->SetEnabled(HasItems);
    smnClearList->SetEnabled(HasItems);
    smnPaste->SetEnabled(Clipboard().HasFormat(CF_TEXT));
}

void TfrmTessaly::smuCopyClick(TObject*)
{
    if (const TLogText Text = LogText(); !Text.Ansi.empty())
        SetClipboardLog(Text);
}

void TfrmTessaly::smuCopyAllClick(TObject*)
{
    SetClipboardLog(LogText(true));
}

void TfrmTessaly::SetClipboardLog(const TLogText& Text)
{
    if (Text.Wide.empty())
        Clipboard().SetAsText(Text.Ansi);
    else
        Clipboard().SetAsWideText(Text.Wide);
}

TLogText TfrmTessaly::LogText(bool All)
{
    // ANSI text as ever, unless the log names a file the code page cannot
    // carry: its names then go whole as wide text.
    TLogText Text(All ? edtProcessing->AllText() : edtProcessing->GetSelectedOrAllText());
    Text.Wide = TLogText::FromWide(All ? edtProcessing->AllWideText() : edtProcessing->GetSelectedOrAllWideText()).Wide;
    return Text;
}

bool TfrmTessaly::SaveLogToFile(const std::string& FileName)
{
    return SaveStringToFile(FileName, LogText().FileBytes()) >= 0;
}

std::string TfrmTessaly::LogSaveTitle()
{
    // The log keeps what was selected in it: the title says that only
    // that part is saved, so a short file does not come as a surprise.
    return edtProcessing->SelLength() > 0 ? LoadResString(SSaveLogSelection) : std::string();
}

void TfrmTessaly::smuSaveAsClick(TObject*)
{
    if (vclSaveProgress->InitialDir().empty())
        vclSaveProgress->SetInitialDir(GetDocumentsFolder());
    if (vclSaveProgress->FileName().empty())
        vclSaveProgress->SetFileName(LoadResString(SProcessed) + "." + vclSaveProgress->DefaultExt());
    vclSaveProgress->SetTitle(LogSaveTitle());
    if (!vclSaveProgress->Execute())
        return;
    const std::string FileName = vclSaveProgress->FileName();
    if (!SaveLogToFile(FileName)) {
        const DWORD Error = GetLastError();
        KvError(Format(LoadResString(SLogSaveFailed), FileName, SysErrorMessage(Error)));
    }
}

void TfrmTessaly::smnCopyClick(TObject*)
{
    Clipboard().SetAsText(SourceListText(false));
}

void TfrmTessaly::smnCopyAllClick(TObject*)
{
    Clipboard().SetAsText(SourceListText(true));
}

void TfrmTessaly::smnPasteClick(TObject*)
{
    bool SingleUrl = false;
    std::vector<std::string> Rejected, Unhandled;
    const std::vector<std::string> Lines =
        PastedSourceLines(Clipboard().AsWideText(), GetSelectedSourceFormat(), SingleUrl, &Rejected, &Unhandled);
    // An address pasted alone names a mail client's folder the way the
    // client itself writes it.
    AddSourceNames(Lines, SingleUrl ? TMailFormat(mftThunderbird) : GetSelectedSourceFormat());
    std::string Text;
    for (const auto& [Names, Id] : {std::pair(&Rejected, SPasteNotAdded), std::pair(&Unhandled, SPasteCannotHandle)}) {
        if (Names->empty())
            continue;
        Text += (Text.empty() ? "" : "\r\n\r\n") + LoadResString(Id);
        for (const std::string& Line : *Names)
            Text += "\r\n" + Line;
    }
    if (!Text.empty())
        KvWarning(Text);
}

void TfrmTessaly::smnClearListClick(TObject*)
{
    lstSourceFiles->Items()->Clear();
    UpdateSourceButtons();
}

void TfrmTessaly::RichEditURLClick(TObject*, const std::string& URL)
{
    ShellOpen(URL.find(':') == std::string::npos ? "http://" + URL + "/" : URL);
}
