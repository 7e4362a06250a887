#pragma once
// The program's window: a four-page wizard (welcome, source, target, start)
// with a header pane, a button row and a status bar. The user picks a source
// format and builds a list of mailbox files and folders, picks a target
// format and a target folder or file, and starts the conversion on the last
// page, which doubles as the log. The conversion itself is the driver's;
// the form is its host.
#include <windows.h>
#include <shellapi.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/KvConvert.h"
#include "app/KvConvertHost.h"
#include "app/KvFormsSave.h"
#include "app/KvNetBase.h"

class TConvertDriver;
class TWinControl;
class TKvRichPanel;
class TMenuItem;
class TPopupMenu;
class TRzButton;
class TRzButtonEdit;
class TRzCheckBox;
class TRzCheckGroup;
class TRzCustomListBox;
class TRzFrameController;
class TRzGroupBox;
class TRzLabel;
class TRzPageControl;
class TRzPanel;
class TRzProgressBar;
class TRzRankListBox;
class TRzRichEditURL;
class TRzStatusBar;
class TRzStatusPane;
class TRzTabSheet;
class TRzTabbedListBox;
class TRzURLLabel;
class TSaveDialog;
class TUrlDownload;
class TRzOpenDialog;
class TRzSelectFolderDialog;
struct TWizardOptions;

// Private messages the form posts to itself, so that their work runs after
// the handler that posts them (a key release, a click, a page check) is done.
enum : UINT {
    KM_REMOVESOURCE = 1625,  // wParam the source list, lParam the entry's index
    KM_SHOWPAGE = 1626,      // wParam the control to focus, lParam the page's index
    KM_BROWSEFORMAT = 1627,  // wParam a format list: its browse dialog
};

// A control as the wParam of those messages, and back.
inline WPARAM ControlParam(TWinControl* Control) { return reinterpret_cast<WPARAM>(Control); }
inline TWinControl* ControlOfParam(WPARAM Param) { return reinterpret_cast<TWinControl*>(Param); }

// The wizard's pages.
enum : int { pgIntroduction = 0, pgSource = 1, pgTarget = 2, pgStart = 3 };

// btnNext's Tag while it reads its own caption ("Next"); StartButtonTag and
// StopButtonTag are the driver's.
inline constexpr int NextButtonTag = 0;

// A "mailbox:/" address turned into a path (mailbox:///C|/Mail/Inbox gives
// C:\Mail\Inbox): only a text longer than 12 characters with ":" as its
// 8th character that begins with "mailbox:/". False leaves Text alone.
bool MailboxUrlToPath(std::string& Text);

// The target text for a target format: a text whose pattern-cut part names
// a folder becomes that folder, a backslash, "*." and the format's data
// extension (the folder alone without one). A file name stays; so does an
// empty text, which the page check asks the user to fill.
std::string NormalizeTargetText(const std::string& Text, TMailFormat TargetFormat);

// What a key typed into the target field becomes: "/" turns into "\"; a
// character no path may hold (" * < > ? | and control characters) gives 0,
// except Backspace and the clipboard keys Ctrl+C, Ctrl+V and Ctrl+X.
char FilterTargetKey(char Key);

// The lines of pasted text that can go into the source list, in their
// order: existing files, existing folders (a line ending in a backslash,
// given Format's own pattern as Add Folder gives it; a pattern cut first)
// and "mailbox:/" addresses, these as paths. A name the code page cannot
// hold goes by its short form. SingleUrl is set when the text was one
// address alone. Rejected, when given, receives the other lines that hold
// more than blanks, in their order; Unhandled those of them that name an
// existing file or folder that has no short form.
std::vector<std::string> PastedSourceLines(const std::wstring& Text, TMailFormat Format, bool& SingleUrl,
                                           std::vector<std::string>* Rejected = nullptr,
                                           std::vector<std::string>* Unhandled = nullptr);

// The names of a shell drop, each read whole (no length limit) and
// expanded to its long form, sorted.
std::vector<std::string> DroppedFileNames(HDROP Drop);

class TfrmTessaly : public TKvFormSave, public TKvConvertHost {
public:
    explicit TfrmTessaly(TComponent* AOwner);
    ~TfrmTessaly() override;
    void BeforeDestruction() override;

    TRzFrameController* RzFrameController = nullptr;
    TKvRichPanel* pnlInfo = nullptr;
    TRzPanel* pnlButtons = nullptr;
    TRzButton* btnBack = nullptr;
    TRzButton* btnNext = nullptr;
    TRzButton* btnCancel = nullptr;
    TRzButton* btnHelp = nullptr;
    TRzButton* btnAbout = nullptr;
    TRzURLLabel* urlVisitWebsite = nullptr;
    TRzStatusBar* pnlStatusBar = nullptr;
    TRzStatusPane* pnlStatusPane = nullptr;
    TRzProgressBar* pnlProgressBar = nullptr;
    TRzPageControl* pnlWizard = nullptr;
    TRzTabSheet* tbsIntroduction = nullptr;
    TRzRichEditURL* edtIntroduction = nullptr;
    TRzTabSheet* tbsSourceFiles = nullptr;
    TRzLabel* lblSourceFormat = nullptr;
    TRzTabbedListBox* lbxSourceFormat = nullptr;
    TRzPageControl* pgcSourceSettings = nullptr;
    TRzTabSheet* tbsSourceList = nullptr;
    TRzTabSheet* tbsSourceInfo = nullptr;
    TRzGroupBox* grpSourceFilesFolders = nullptr;
    TRzButton* btnAddFiles = nullptr;
    TRzButton* btnAddFolder = nullptr;
    TRzButton* btnRemove = nullptr;
    TRzRankListBox* lstSourceFiles = nullptr;
    TRzCheckGroup* grpSourceOptions = nullptr;
    TRzLabel* lblSourceInformation = nullptr;
    TRzRichEditURL* edtSourceInfo = nullptr;
    TRzTabSheet* tbsTargetOptions = nullptr;
    TRzLabel* lblTargetFormat = nullptr;
    TRzTabbedListBox* lbxTargetFormat = nullptr;
    TRzPageControl* pgcTargetSettings = nullptr;
    TRzTabSheet* tbsTargetList = nullptr;
    TRzTabSheet* tbsTargetInfo = nullptr;
    TRzLabel* lblTargetFolder = nullptr;
    TRzButtonEdit* edtTargetFolder = nullptr;
    TRzCheckGroup* grpTargetOptions = nullptr;
    TRzLabel* lblTargetInformation = nullptr;
    TRzRichEditURL* edtTargetInfo = nullptr;
    TRzTabSheet* tbsStartConversion = nullptr;
    TKvRichPanel* edtProcessing = nullptr;
    TSaveDialog* vclSaveProgress = nullptr;
    TPopupMenu* pmnLog = nullptr;
    TMenuItem* smuCopy = nullptr;
    TMenuItem* smuCopyAll = nullptr;
    TMenuItem* smuSaveAs = nullptr;
    TPopupMenu* pmnSourceFiles = nullptr;
    TMenuItem* smnCopy = nullptr;
    TMenuItem* smnPaste = nullptr;
    TMenuItem* smnCopyAll = nullptr;
    TMenuItem* smnClearList = nullptr;
    TRzCheckBox* cbxCheckForUpdates = nullptr;

    // Handlers (Main*.cpp).
    void FormResize(TObject* Sender);
    void pnlWizardChanging(TObject* Sender, int NewIndex, bool& AllowChange);
    void pnlWizardChange(TObject* Sender);
    void btnBackClick(TObject* Sender);
    void btnNextClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);
    void btnHelpClick(TObject* Sender);
    void btnAboutClick(TObject* Sender);
    void btnRemoveClick(TObject* Sender);
    void lbxSourceFormatClick(TObject* Sender);
    void lbxTargetFormatClick(TObject* Sender);
    void lstSourceFilesClick(TObject* Sender);
    void lstSourceFilesKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
    // Ctrl+C and Ctrl+V do in the source list what its menu's Copy and
    // Paste do.
    void lstSourceFilesKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    // Up and Home in a format list go past its group rows.
    void FormatListKeyDown(TRzCustomListBox* List, WORD& Key, TShiftState Shift);
    void pgcSourceSettingsChange(TObject* Sender);
    void pgcTargetSettingsChange(TObject* Sender);
    void edtTargetFolderDblClick(TObject* Sender);
    void edtTargetFolderChange(TObject* Sender);
    void edtTargetFolderKeyPress(TObject* Sender, char& Key);
    void pmnLogPopup(TObject* Sender);
    void pmnSourceFilesPopup(TObject* Sender);
    void smuCopyClick(TObject* Sender);
    void smuCopyAllClick(TObject* Sender);
    void smuSaveAsClick(TObject* Sender);
    void smnCopyClick(TObject* Sender);
    void smnCopyAllClick(TObject* Sender);
    void smnPasteClick(TObject* Sender);
    void smnClearListClick(TObject* Sender);
    void RichEditURLClick(TObject* Sender, const std::string& URL);

    // Source and target browsing through the shell dialogs (MainBrowse.cpp).
    TRzOpenDialog* vclOpenSourceFiles = nullptr;
    TRzSelectFolderDialog* vclOpenSourceFolder = nullptr;
    TRzOpenDialog* vclSelectTargetFile = nullptr;
    TRzSelectFolderDialog* vclSelectTargetFolder = nullptr;
    void btnAddFilesClick(TObject* Sender);
    void btnAddFolderClick(TObject* Sender);
    void edtTargetFolderButtonClick(TObject* Sender);
    void lbxSourceFormatDblClick(TObject* Sender);
    void lbxTargetFormatDblClick(TObject* Sender);
    // Message 1627: the browse dialog of a format list.
    void BrowseFormatList(TWinControl* List);

    // The wizard's state.
    int PageIndex() const;
    // Moves to Page the way Back and Next do: the page check first, then
    // the page's header and focus. False when the change was refused.
    bool ShowPage(int Page);
    TMailFormat GetSelectedSourceFormat();
    TMailFormat GetSelectedTargetFormat();
    // The target field's text: a "mailbox:/" address as a path, anything
    // else with its path macros expanded.
    std::string GetTargetFolderText();
    // Selects the format's row in its list and runs the list's click.
    void SelectSourceFormat(TMailFormat Format);
    void SelectTargetFormat(TMailFormat Format);
    // The target text normalised for the chosen target format.
    void NormalizeTarget();
    bool Running() const;
    TConvertDriver& Driver();
    // Milliseconds of a steady clock that paces the run's paints; tests put
    // one of their own here.
    std::function<DWORD()> PaintClock = [] { return GetTickCount(); };

    // The source list: names added with a format (an existing name only
    // takes the format), an entry removed (-1: the selected one; an index
    // outside the list removes nothing).
    void AddSourceNames(const std::vector<std::string>& Names, TMailFormat Format);
    void RemoveSource(int Index);
    void UpdateSourceButtons();
    // Writes the log (its selection, else all of it) to FileName, in UTF-8
    // where it names a file the code page cannot carry; false when it could
    // not be written.
    bool SaveLogToFile(const std::string& FileName);
    // The save dialog's title: it says when only the selection is saved.
    std::string LogSaveTitle();
    // The log's selection, or all of it (always with All).
    TLogText LogText(bool All = false);
    // The log text on the clipboard, as wide text where it must be.
    void SetClipboardLog(const TLogText& Text);
    // The source lines for Copy: the selected line, else all of them.
    std::string SourceListText(bool All);

    // Accessibility: the mode applied to the controls and the caption.
    void ApplyAccessibility();
    bool AccessibilityApplied() const { return FAccessibilityApplied; }
    std::string IdleStatus;
    // The start page's summary (above the log) as it was last built.
    std::string StartSummary() const { return FStartSummary; }

    // Remembered folders of the source formats, by format id.
    std::array<std::string, MaxMailFormat + 1> SourceFolders;

    // The wizard's options from the controls, and onto them.
    void GetWizardOptions(TWizardOptions& Options);
    void SetWizardOptions(const TWizardOptions& Options);

    // TKvConvertHost: the driver reaches the window through these.
    TStrings& SourceFiles() override;
    void GetChoices(TConvertChoices& Choices) override;
    void AddLogLine(const std::string& Text) override;
    void AddLogText(const TLogText& Text) override;
    int LogLineCount() override;
    void SetLogCaretVisible(bool Visible) override;
    bool ProgressVisible() override;
    void SetProgressVisible(bool Visible) override;
    void SetProgressPercent(int Percent) override;
    void SetStatusText(const std::string& Text) override;
    std::string IdleStatusText() override { return IdleStatus; }
    void ProcessMessages() override;
    void SetNextButton(const std::string& Caption, int Tag) override;
    void SetBackEnabled(bool Enabled) override;
    bool ConfirmAbort(const std::string& Question) override;
    // The settings (MainSettings.cpp); the driver saves before a run, the
    // form when it closes.
    void SaveSettings() override;
    void FocusCancelButton() override;

    bool CloseQuery() override;

    // Start-up and the update check (MainStart.cpp, MainUpdate.cpp).
    // The deferred start-up's own part, before the placement and settings.
    void InitializeMainForm();
    void LoadIntroduction();
    // Asks on a first start, then fetches the update information file on
    // a worker thread when the user agreed.
    void CheckForUpdates();
    void cbxCheckForUpdatesClick(TObject* Sender);
    bool UpdateCheckOn() const { return FCheckForUpdates; }
    TUrlDownload* UpdateDownload() const { return FUpdateDownload; }
    // The calls the update download makes; tests put a fake here.
    TUrlTransport UpdateTransport = DefaultUrlTransport();

protected:
    void WndProc(TMessage& Message) override;
    void CreateWnd() override;
    void Startup() override;
    void LoadSettings() override;
    void AfterShow() override;

private:
    void CreateControls();
    void CreatePages();
    void CreateSourcePage();
    void CreateTargetPage();
    // The members of what the source and target pages share: the page, its
    // format list under a label, and a holder without tabs of a settings
    // sheet and an information sheet.
    struct TFormatPage {
        TRzTabSheet*& Page;
        TRzLabel*& Label;
        TRzTabbedListBox*& List;
        TRzPageControl*& Holder;
        TRzTabSheet*& ListSheet;
        TRzTabSheet*& InfoSheet;
        TRzLabel*& InfoLabel;
        TRzRichEditURL*& Info;
    };
    using TNotify = void (TfrmTessaly::*)(TObject*);
    TFormatPage SourcePage();
    TFormatPage TargetPage();
    // The page, its format list and the holder with its two sheets; the
    // controls' names are Side's ("Source", "Target").
    void CreateFormatFrame(const TFormatPage& P, const std::string& Side, const char* PageName, const char* Caption,
                           TNotify ListClick, TNotify PageChange);
    // The information sheet's label and text, the three sheets' layout on
    // resize, and the settings sheet shown.
    void CreateInfoSheet(const TFormatPage& P, const std::string& Side, void (TfrmTessaly::*Layout)());
    void CreateMenus();
    void CreateBrowseDialogs();  // MainBrowse.cpp
    void LayoutSourcePage();
    void LayoutTargetPage();
    void LayoutButtons();
    void BuildFormatLists();
    void UpdateNavigation();
    void WriteHeader(const std::string& Title, const std::string& Text);
    void BuildStartPage();
    bool PageCheck();
    void FocusOrFirst(TWinControl* Control);
    void ShowPageAndFocus(int Page, TWinControl* Control);
    void DropFiles(HDROP Drop);
    void Help(TMessage& Message);
    void SettingChange(TMessage& Message);
    void ContextMenu(TMessage& Message);
    // Moves a list's selection off a group row (one row down).
    static void SkipGroupRow(TRzCustomListBox* List);

    std::unique_ptr<TConvertDriver> FDriver;
    // When the run's pump last let the paints through (PaintClock).
    DWORD FRunPaintedAt = 0;
    // The run's log lines not yet in the pane: they go in at once with the
    // next paint, before a question and when the run ends.
    std::wstring FPendingLog;
    void QueueLogLine(const std::wstring& Line);
    void FlushLog();
    // While a format list moves by keys the form sends it.
    bool FMovingByKeys = false;
    std::string FNextCaption;
    std::string FStartSummary;
    bool FAccessibilityApplied = false;
    // The update check (MainUpdate.cpp).
    void UpdateDownloadEnd();
    TUrlDownload* FUpdateDownload = nullptr;
    bool FCheckForUpdates = true;
};
