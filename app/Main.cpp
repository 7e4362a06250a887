// The main form's construction: every control made in code (there is no
// form streaming), the layout, the window's own messages and the deferred
// start-up.
#include "app/Main.h"

#include <shellapi.h>

#include <algorithm>

#include "app/KvConvertDriver.h"
#include "app/KvHelpBase.h"
#include "app/KvRichPnl.h"
#include "app/MainTexts.h"
#include "classlib/Dialogs.h"
#include "classlib/Menus.h"
#include "classlib/ResStrings.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"
#include "controls/RzCommon.h"
#include "controls/RzLabel.h"
#include "controls/RzLstBox.h"
#include "controls/RzPanel.h"
#include "controls/RzPrgres.h"
#include "controls/RzRadChk.h"
#include "controls/RzRadGrp.h"
#include "controls/RzRichUrl.h"
#include "controls/RzStatus.h"
#include "controls/RzTabs.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSpFolder.h"

namespace {

const TResStringRegistrar MainTexts{
    {SOtherFormatsInfo,
     "%s converts only %s mail files: the mailbox files of the programs in the list on the left.\r\n\r\n"
     "To convert the mail of other programs, such as Outlook, Outlook Express, Windows Mail, The Bat! or "
     "Pegasus Mail, use our commercial converter; you will find it at www.corvane.example."},
    {SMboxType, "mbox-type"},
    {SWelcomeTitle, "Welcome !"},
    {SSourceTitle, "Choose Source Files"},
    {STargetTitle, "Set Target Options"},
    {SStartTitle, "Start Conversion"},
    {SWelcomeText, "We hope you enjoy using %s. Click on the \"Next\" button to start using it."},
    {SSourceText,
     "First select a file format and then choose the source mail files and folders to convert. You can "
     "reorder items in the \"files and folders\" list with your mouse by drag-and-drop. To remove an item "
     "from the list, first select it and then press the Delete key or click on the \"Remove Item\" button."},
    {STargetText,
     "Select the export format and the target folder or file name that will receive the converted mail. "
     "You can specify a target file name if you want to merge multiple source files into one mbox. You can "
     "also modify the target file extension if necessary."},
    {SStartText,
     "Click on the Start button to begin converting your mail. Click on the Stop button to abort a "
     "conversion in progress."},
    {SPressF1, "Press the F1 function key for context-sensitive help."},
    {SReadyToProcess,
     "Ready to process mail (click Start button to begin)...\r\n  Source: %s\r\n    from: %s\r\n  Target: %s\r\n"
     "    to: %s"},
    {SSeveralFormats, "Several formats"},
    {SFileList, "File List"},
    {SPleaseSelect, "Please select %s before continuing"},
    {SSelectSource, "at least one source mail file or folder"},
    {SSelectTarget, "a target folder or file"},
    {SSelectTargetFormat, "a target format that writes files"},
    {SPasteNotAdded, "These lines name no existing file or folder and no mailbox:/ address; they were not added:"},
    {SPasteCannotHandle, "These lines name files or folders whose names cannot be handled (their characters are "
                         "outside the ANSI code page and they have no short name); they were not added:"},
    {SSaveLogSelection, "Save the Selected Log Text As"},
    {SAbortAndClose, "Abort mail conversion and close the window?"},
    {SNextCaption, "&Next >"},
    {SStartCaption, "&Start"},
    {SLogSaveFailed, "The log could not be saved to \"%s\".\r\n%s"},
    {SProcessed, "Processed"},
    {SAccessibilityMode, "Accessibility Mode"},
    {SAboutText, "%s\r\n\r\nConverts the mail in mailbox files into message files or mbox files."},
};

// The form's designed size and the sizes its layout works with.
constexpr int FormWidth = 640;
constexpr int FormHeight = 480;
constexpr int InfoHeight = 62;
constexpr int ButtonRowHeight = 42;
constexpr int StatusBarHeight = 22;
constexpr int ButtonWidth = 84;
constexpr int ButtonHeight = 25;
constexpr int Gap = 8;
constexpr int FormatListWidth = 200;
constexpr int LabelHeight = 18;
constexpr int ProgressWidth = 180;
// How much of the selection's colour tints the focused log (of 255).
constexpr BYTE LogFocusTint = 48;

template <typename T>
T* Make(TComponent* Owner, TWinControl* Parent, const char* Name)
{
    T* C = new T(Owner);
    C->SetName(Name);
    if (Parent)
        C->SetParent(Parent);
    return C;
}

TRzTabSheet* MakeSheet(TComponent* Owner, TRzPageControl* Pages, const char* Name)
{
    auto* S = new TRzTabSheet(Owner);
    S->SetName(Name);
    S->SetPageControl(Pages);
    // A wizard moves by its buttons: the pages show no tabs.
    S->SetTabVisible(false);
    return S;
}

TMenuItem* MakeItem(TComponent* Owner, TPopupMenu* Menu, const char* Name, const char* Caption)
{
    auto* I = new TMenuItem(Owner);
    I->SetName(Name);
    I->SetCaption(Caption);
    Menu->Items()->Add(I);
    return I;
}

} // namespace

TfrmTessaly::TfrmTessaly(TComponent* AOwner) : TKvFormSave(AOwner)
{
    SetName("frmTessaly");
    BeginLoading();
    SetBounds(Left(), Top(), FormWidth, FormHeight);
    // The pages are laid out for the designed size: below it their controls
    // overlap.
    SetMinTrackSize(FormWidth, FormHeight);
    SetPosition(poScreenCenter);
    SetCaption(ApplicationName);
    CreateControls();
    EndLoading();
    // Every option starts ticked; the check groups make their items when
    // loading ends.
    for (TRzCheckGroup* Group : {grpSourceOptions, grpTargetOptions})
        for (int I = 0; I < Group->ItemCount(); ++I)
            Group->SetItemChecked(I, true);
    FDriver = std::make_unique<TConvertDriver>(*this);
    BuildFormatLists();
    FNextCaption = btnNext->Caption();
}

TfrmTessaly::~TfrmTessaly() = default;

void TfrmTessaly::BeforeDestruction()
{
    // A run still on the stack stops at its next message; the form itself
    // is freed only after it unwound (Free defers while a handler runs).
    if (FDriver)
        FDriver->Abort();
    TKvFormSave::BeforeDestruction();
}

void TfrmTessaly::CreateControls()
{
    RzFrameController = new TRzFrameController(this);
    RzFrameController->SetName("RzFrameController");

    pnlInfo = Make<TKvRichPanel>(this, this, "pnlInfo");
    pnlInfo->SetAlign(alTop);
    pnlInfo->SetHeight(InfoHeight);
    pnlInfo->SetTabStop(false);

    pnlStatusBar = Make<TRzStatusBar>(this, this, "pnlStatusBar");
    pnlStatusBar->SetAlign(alBottom);
    pnlStatusBar->SetHeight(StatusBarHeight);
    pnlProgressBar = Make<TRzProgressBar>(this, pnlStatusBar, "pnlProgressBar");
    pnlProgressBar->SetAlign(alRight);
    pnlProgressBar->SetWidth(ProgressWidth);
    pnlProgressBar->SetVisible(false);
    pnlStatusPane = Make<TRzStatusPane>(this, pnlStatusBar, "pnlStatusPane");
    pnlStatusPane->SetAlign(alClient);

    pnlButtons = Make<TRzPanel>(this, this, "pnlButtons");
    pnlButtons->SetAlign(alBottom);
    pnlButtons->SetHeight(ButtonRowHeight);
    pnlButtons->SetBorderOuter(fsNone);
    pnlButtons->SetCaption("");
    auto MakeButton = [&](const char* Name, const char* Caption, void (TfrmTessaly::*Handler)(TObject*)) {
        TRzButton* B = Make<TRzButton>(this, pnlButtons, Name);
        B->SetCaption(Caption);
        B->SetTabStop(true);
        B->OnClick = [this, Handler](TObject* Sender) { (this->*Handler)(Sender); };
        return B;
    };
    btnAbout = MakeButton("btnAbout", "&About", &TfrmTessaly::btnAboutClick);
    btnBack = MakeButton("btnBack", "< &Back", &TfrmTessaly::btnBackClick);
    btnNext = MakeButton("btnNext", LoadResString(SNextCaption).c_str(), &TfrmTessaly::btnNextClick);
    btnNext->SetDefault(true);
    btnCancel = MakeButton("btnCancel", "&Cancel", &TfrmTessaly::btnCancelClick);
    // Esc is Cancel, the way every wizard has it; during a run it asks
    // the Stop question first, as the button does.
    btnCancel->SetCancel(true);
    btnHelp = MakeButton("btnHelp", "&Help", &TfrmTessaly::btnHelpClick);
    urlVisitWebsite = Make<TRzURLLabel>(this, pnlButtons, "urlVisitWebsite");
    urlVisitWebsite->SetCaption("Visit our web site");
    // Measured to its text's advance, the link lost the part of its last
    // glyph that reaches past it; the layout gives it the room up to Back.
    urlVisitWebsite->SetAutoSize(false);
    pnlButtons->OnResize = [this](TObject*) { LayoutButtons(); };

    pnlWizard = Make<TRzPageControl>(this, this, "pnlWizard");
    pnlWizard->SetAlign(alClient);
    // Its pages have no tabs: the row that would hold them is kept to one
    // pixel instead of a band of grey between the header and the page.
    pnlWizard->SetTabHeight(1);
    pnlWizard->OnChanging = [this](TObject* Sender, int NewIndex, bool& Allow) {
        pnlWizardChanging(Sender, NewIndex, Allow);
    };
    CreatePages();
    // Tab walks the page before the button row.
    pnlWizard->SetTabOrder(0);
    CreateMenus();
    CreateBrowseDialogs();
    OnResize = [this](TObject* Sender) { FormResize(Sender); };

    // The framed controls take their frame and colour settings from the
    // form's one controller.
    for (auto* C : {lbxSourceFormat, lbxTargetFormat})
        C->SetFrameController(RzFrameController);
    lstSourceFiles->SetFrameController(RzFrameController);
    edtTargetFolder->SetFrameController(RzFrameController);
    for (auto* C : {edtIntroduction, edtSourceInfo, edtTargetInfo})
        C->SetFrameController(RzFrameController);
    for (auto* C : {pnlInfo, edtProcessing})
        C->SetFrameController(RzFrameController);
    // The log is read-only and often without a caret: its colour of its
    // own shows where the focus is, its read-only colour tinted with the
    // selection's (the system's read-only and window colours may be one).
    edtProcessing->SetFrameControllerNotifications(edtProcessing->FrameControllerNotifications() &
                                                   ~(1u << fcpFocusColor));
    edtProcessing->SetFocusColor(BlendColors(clHighlight, edtProcessing->ReadOnlyColor(), LogFocusTint));
    // From the start in its read-only colour, so that the first focus shows.
    edtProcessing->UpdateColors();
    for (auto* C : {grpSourceOptions, grpTargetOptions})
        C->SetFrameController(RzFrameController);
    grpSourceFilesFolders->SetFrameController(RzFrameController);
}

void TfrmTessaly::CreatePages()
{
    tbsIntroduction = MakeSheet(this, pnlWizard, "tbsIntroduction");
    edtIntroduction = Make<TRzRichEditURL>(this, tbsIntroduction, "edtIntroduction");
    edtIntroduction->SetReadOnly(true);
    edtIntroduction->SetWantReturns(false);
    edtIntroduction->OnURLClick = [this](TObject* Sender, const std::string& URL) { RichEditURLClick(Sender, URL); };
    cbxCheckForUpdates = Make<TRzCheckBox>(this, tbsIntroduction, "cbxCheckForUpdates");
    cbxCheckForUpdates->SetCaption("Check for &updates on the Internet");
    tbsIntroduction->OnResize = [this](TObject*) {
        const int W = tbsIntroduction->ClientWidth(), H = tbsIntroduction->ClientHeight();
        edtIntroduction->SetBounds(Gap, Gap, W - 2 * Gap, H - 3 * Gap - LabelHeight);
        cbxCheckForUpdates->SetBounds(Gap, H - Gap - LabelHeight, W - 2 * Gap, LabelHeight);
    };

    CreateSourcePage();
    CreateTargetPage();

    tbsStartConversion = MakeSheet(this, pnlWizard, "tbsStartConversion");
    edtProcessing = Make<TKvRichPanel>(this, tbsStartConversion, "edtProcessing");
    edtProcessing->SetTabStop(true);
    tbsStartConversion->OnResize = [this](TObject*) {
        edtProcessing->SetBounds(Gap, Gap, tbsStartConversion->ClientWidth() - 2 * Gap,
                                 tbsStartConversion->ClientHeight() - 2 * Gap);
    };
    pnlWizard->SetActivePageIndex(pgIntroduction);
}

void TfrmTessaly::CreateSourcePage()
{
    // Every control of a page has an accelerator of its own: "Add &Files"
    // has the F.
    CreateFormatFrame(SourcePage(), "Source", "tbsSourceFiles", "Source for&mat:",
                      &TfrmTessaly::lbxSourceFormatClick, &TfrmTessaly::pgcSourceSettingsChange);

    grpSourceFilesFolders = Make<TRzGroupBox>(this, tbsSourceList, "grpSourceFilesFolders");
    grpSourceFilesFolders->SetCaption("Source files and folders");
    lstSourceFiles = Make<TRzRankListBox>(this, grpSourceFilesFolders, "lstSourceFiles");
    lstSourceFiles->SetTabStop(true);
    lstSourceFiles->SetHorzScrollBar(true);
    // The page tells the user to reorder the list by dragging with the mouse.
    lstSourceFiles->SetModifierKey(mkNone);
    lstSourceFiles->OnMoveItem = [this](TObject*, int, int) { UpdateSourceButtons(); };
    lstSourceFiles->OnClick = [this](TObject* Sender) { lstSourceFilesClick(Sender); };
    lstSourceFiles->OnKeyUp = [this](TObject* Sender, WORD& Key, TShiftState Shift) {
        lstSourceFilesKeyUp(Sender, Key, Shift);
    };
    lstSourceFiles->OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState Shift) {
        lstSourceFilesKeyDown(Sender, Key, Shift);
    };
    auto MakeButton = [&](const char* Name, const char* Caption) {
        TRzButton* B = Make<TRzButton>(this, grpSourceFilesFolders, Name);
        B->SetCaption(Caption);
        B->SetTabStop(true);
        return B;
    };
    btnAddFiles = MakeButton("btnAddFiles", "Add &Files...");
    btnAddFolder = MakeButton("btnAddFolder", "Add F&older...");
    btnRemove = MakeButton("btnRemove", "&Remove Item");
    btnRemove->OnClick = [this](TObject* Sender) { btnRemoveClick(Sender); };
    btnRemove->SetEnabled(false);

    grpSourceOptions = Make<TRzCheckGroup>(this, tbsSourceList, "grpSourceOptions");
    grpSourceOptions->SetCaption("Source options");
    grpSourceOptions->Items()->Add("&Include subfolders");
    grpSourceOptions->Items()->Add("&Skip trash and junk folders");

    CreateInfoSheet(SourcePage(), "Source", &TfrmTessaly::LayoutSourcePage);
}

void TfrmTessaly::CreateTargetPage()
{
    // "Target folder or &file" has the F.
    CreateFormatFrame(TargetPage(), "Target", "tbsTargetOptions", "&Target format:",
                      &TfrmTessaly::lbxTargetFormatClick, &TfrmTessaly::pgcTargetSettingsChange);

    lblTargetFolder = Make<TRzLabel>(this, tbsTargetList, "lblTargetFolder");
    lblTargetFolder->SetCaption("Target folder or &file:");
    edtTargetFolder = Make<TRzButtonEdit>(this, tbsTargetList, "edtTargetFolder");
    lblTargetFolder->SetFocusControl(edtTargetFolder);
    edtTargetFolder->SetTabStop(true);
    edtTargetFolder->SetButtonKind(TButtonKind::bkFolder);
    edtTargetFolder->SetButtonHint("Browse for the target folder or file");
    edtTargetFolder->SetShowHint(true);
    // A look-alike letter typed or pasted would name another folder.
    edtTargetFolder->SetExactAnsiInput(true);
    edtTargetFolder->OnChange = [this](TObject* Sender) { edtTargetFolderChange(Sender); };
    edtTargetFolder->OnDblClick = [this](TObject* Sender) { edtTargetFolderDblClick(Sender); };
    edtTargetFolder->OnKeyPress = [this](TObject* Sender, char& Key) { edtTargetFolderKeyPress(Sender, Key); };

    grpTargetOptions = Make<TRzCheckGroup>(this, tbsTargetList, "grpTargetOptions");
    grpTargetOptions->SetCaption("Target options");
    grpTargetOptions->Items()->Add("&Restore the source folder tree");
    grpTargetOptions->Items()->Add("Set file &dates to the message dates");
    grpTargetOptions->Items()->Add("Name files by their &MD5 digest (skips duplicates)");

    CreateInfoSheet(TargetPage(), "Target", &TfrmTessaly::LayoutTargetPage);
}

TfrmTessaly::TFormatPage TfrmTessaly::SourcePage()
{
    return {tbsSourceFiles, lblSourceFormat, lbxSourceFormat, pgcSourceSettings,
            tbsSourceList,  tbsSourceInfo,   lblSourceInformation, edtSourceInfo};
}

TfrmTessaly::TFormatPage TfrmTessaly::TargetPage()
{
    return {tbsTargetOptions, lblTargetFormat, lbxTargetFormat,      pgcTargetSettings,
            tbsTargetList,    tbsTargetInfo,   lblTargetInformation, edtTargetInfo};
}

void TfrmTessaly::CreateFormatFrame(const TFormatPage& P, const std::string& Side, const char* PageName,
                                    const char* Caption, TNotify ListClick, TNotify PageChange)
{
    P.Page = MakeSheet(this, pnlWizard, PageName);
    P.Label = Make<TRzLabel>(this, P.Page, ("lbl" + Side + "Format").c_str());
    P.Label->SetCaption(Caption);
    TRzTabbedListBox* List = Make<TRzTabbedListBox>(this, P.Page, ("lbx" + Side + "Format").c_str());
    P.List = List;
    List->SetShowGroups(true);
    List->SetTabStop(true);
    List->OnClick = [this, ListClick](TObject* Sender) { (this->*ListClick)(Sender); };
    List->OnKeyDown = [this, List](TObject*, WORD& Key, TShiftState Shift) { FormatListKeyDown(List, Key, Shift); };

    P.Label->SetFocusControl(List);

    P.Holder = Make<TRzPageControl>(this, P.Page, ("pgc" + Side + "Settings").c_str());
    // Only a holder of pages without tabs: a Tab stop there would be an
    // invisible one where no key does anything.
    P.Holder->SetTabStop(false);
    P.Holder->OnPageChange = [this, PageChange](TObject* Sender) { (this->*PageChange)(Sender); };
    P.ListSheet = MakeSheet(this, P.Holder, ("tbs" + Side + "List").c_str());
    P.InfoSheet = MakeSheet(this, P.Holder, ("tbs" + Side + "Info").c_str());
}

void TfrmTessaly::CreateInfoSheet(const TFormatPage& P, const std::string& Side, void (TfrmTessaly::*Layout)())
{
    P.InfoLabel = Make<TRzLabel>(this, P.InfoSheet, ("lbl" + Side + "Information").c_str());
    P.InfoLabel->SetCaption("Information:");
    P.Info = Make<TRzRichEditURL>(this, P.InfoSheet, ("edt" + Side + "Info").c_str());
    P.Info->SetReadOnly(true);
    P.Info->SetWantReturns(false);
    // A Tab stop only in accessibility mode, and there only while it shows.
    P.Info->SetTabStop(false);
    P.Info->OnURLClick = [this](TObject* Sender, const std::string& URL) { RichEditURLClick(Sender, URL); };

    for (TRzTabSheet* Sheet : {P.Page, P.ListSheet, P.InfoSheet})
        Sheet->OnResize = [this, Layout](TObject*) { (this->*Layout)(); };
    P.Holder->SetActivePage(P.ListSheet);
}

void TfrmTessaly::CreateMenus()
{
    pmnLog = new TPopupMenu(this);
    pmnLog->SetName("pmnLog");
    pmnLog->OnPopup = [this](TObject* Sender) { pmnLogPopup(Sender); };
    smuCopy = MakeItem(this, pmnLog, "smuCopy", "&Copy");
    smuCopy->OnClick = [this](TObject* Sender) { smuCopyClick(Sender); };
    smuCopyAll = MakeItem(this, pmnLog, "smuCopyAll", "Copy &All");
    smuCopyAll->OnClick = [this](TObject* Sender) { smuCopyAllClick(Sender); };
    smuSaveAs = MakeItem(this, pmnLog, "smuSaveAs", "&Save As...");
    smuSaveAs->OnClick = [this](TObject* Sender) { smuSaveAsClick(Sender); };
    vclSaveProgress = new TSaveDialog(this);
    vclSaveProgress->SetName("vclSaveProgress");
    vclSaveProgress->SetDefaultExt("txt");
    vclSaveProgress->SetFilter("Text files (*.txt)|*.txt|All files (*.*)|*.*");
    vclSaveProgress->SetOptions(vclSaveProgress->Options() | OpenOption(ofOverwritePrompt));

    pmnSourceFiles = new TPopupMenu(this);
    pmnSourceFiles->SetName("pmnSourceFiles");
    pmnSourceFiles->OnPopup = [this](TObject* Sender) { pmnSourceFilesPopup(Sender); };
    smnCopy = MakeItem(this, pmnSourceFiles, "smnCopy", "&Copy");
    smnCopy->OnClick = [this](TObject* Sender) { smnCopyClick(Sender); };
    smnPaste = MakeItem(this, pmnSourceFiles, "smnPaste", "&Paste");
    smnPaste->OnClick = [this](TObject* Sender) { smnPasteClick(Sender); };
    smnCopyAll = MakeItem(this, pmnSourceFiles, "smnCopyAll", "Copy &All");
    smnCopyAll->OnClick = [this](TObject* Sender) { smnCopyAllClick(Sender); };
    smnClearList = MakeItem(this, pmnSourceFiles, "smnClearList", "C&lear List");
    smnClearList->OnClick = [this](TObject* Sender) { smnClearListClick(Sender); };
}

void TfrmTessaly::LayoutButtons()
{
    const int W = pnlButtons->ClientWidth();
    const int Y = (pnlButtons->ClientHeight() - ButtonHeight) / 2;
    btnAbout->SetBounds(Gap, Y, ButtonWidth, ButtonHeight);
    int X = W - Gap - ButtonWidth;
    for (TRzButton* B : {btnHelp, btnCancel}) {
        B->SetBounds(X, Y, ButtonWidth, ButtonHeight);
        X -= ButtonWidth + Gap;
    }
    // Back and Next sit together, the way wizards pair them.
    btnNext->SetBounds(X, Y, ButtonWidth, ButtonHeight);
    btnBack->SetBounds(X - ButtonWidth, Y, ButtonWidth, ButtonHeight);
    const int LinkLeft = 2 * Gap + ButtonWidth;
    urlVisitWebsite->SetBounds(LinkLeft, Y + 5, std::max(0, btnBack->Left() - Gap - LinkLeft), LabelHeight);
}

void TfrmTessaly::LayoutSourcePage()
{
    const int W = tbsSourceFiles->ClientWidth(), H = tbsSourceFiles->ClientHeight();
    lblSourceFormat->SetBounds(Gap, Gap, FormatListWidth, LabelHeight);
    lbxSourceFormat->SetBounds(Gap, Gap + LabelHeight, FormatListWidth, H - 2 * Gap - LabelHeight);
    const int Right = 2 * Gap + FormatListWidth;
    pgcSourceSettings->SetBounds(Right, Gap, W - Right - Gap, H - 2 * Gap);

    const int LW = tbsSourceList->ClientWidth(), LH = tbsSourceList->ClientHeight();
    constexpr int OptionsHeight = 66;
    grpSourceFilesFolders->SetBounds(0, 0, LW, LH - OptionsHeight - Gap);
    grpSourceOptions->SetBounds(0, LH - OptionsHeight, LW, OptionsHeight);
    const int GW = grpSourceFilesFolders->ClientWidth(), GH = grpSourceFilesFolders->ClientHeight();
    const int ButtonsX = GW - Gap - ButtonWidth - 16;
    lstSourceFiles->SetBounds(Gap, 2 * Gap + 4, ButtonsX - 2 * Gap, GH - 3 * Gap - 4);
    int Y = 2 * Gap + 4;
    for (TRzButton* B : {btnAddFiles, btnAddFolder, btnRemove}) {
        B->SetBounds(ButtonsX, Y, ButtonWidth + 16, ButtonHeight);
        Y += ButtonHeight + Gap / 2;
    }

    const int IW = tbsSourceInfo->ClientWidth(), IH = tbsSourceInfo->ClientHeight();
    lblSourceInformation->SetBounds(0, 0, IW, LabelHeight);
    edtSourceInfo->SetBounds(0, LabelHeight, IW, IH - LabelHeight);
}

void TfrmTessaly::LayoutTargetPage()
{
    const int W = tbsTargetOptions->ClientWidth(), H = tbsTargetOptions->ClientHeight();
    lblTargetFormat->SetBounds(Gap, Gap, FormatListWidth, LabelHeight);
    lbxTargetFormat->SetBounds(Gap, Gap + LabelHeight, FormatListWidth, H - 2 * Gap - LabelHeight);
    const int Right = 2 * Gap + FormatListWidth;
    pgcTargetSettings->SetBounds(Right, Gap, W - Right - Gap, H - 2 * Gap);

    const int LW = tbsTargetList->ClientWidth();
    lblTargetFolder->SetBounds(0, 0, LW, LabelHeight);
    edtTargetFolder->SetBounds(0, LabelHeight, LW, 23);
    grpTargetOptions->SetBounds(0, LabelHeight + 23 + 2 * Gap, LW, 88);

    const int IW = tbsTargetInfo->ClientWidth(), IH = tbsTargetInfo->ClientHeight();
    lblTargetInformation->SetBounds(0, 0, IW, LabelHeight);
    edtTargetInfo->SetBounds(0, LabelHeight, IW, IH - LabelHeight);
}

void TfrmTessaly::FormResize(TObject*)
{
    pnlInfo->Invalidate();
    switch (PageIndex()) {
    case pgIntroduction: edtIntroduction->Invalidate(); break;
    case pgSource: edtSourceInfo->Invalidate(); break;
    case pgTarget: edtTargetInfo->Invalidate(); break;
    case pgStart: edtProcessing->Invalidate(); break;
    default: break;
    }
}

void TfrmTessaly::CreateWnd()
{
    TKvFormSave::CreateWnd();
    DragAcceptFiles(WindowHandle(), TRUE);
}

void TfrmTessaly::Startup()
{
    InitializeMainForm();
    TKvFormSave::Startup();
    // Made once the stored format is chosen: made before, its "*.eml" was
    // kept beside a stored mbox format whose own folder was gone.
    if (edtTargetFolder->Text().empty()) {
        edtTargetFolder->SetText(AddTrailingBackslash(JoinPath(GetDocumentsFolder(), "Mail")));
        NormalizeTarget();
    }
    if (!SettingsAreNew) {
        pnlWizard->SetActivePageIndex(pgSource);
        SafeFocus(lbxSourceFormat);
    }
    pnlWizardChange(this);
}

TConvertDriver& TfrmTessaly::Driver()
{
    return *FDriver;
}

bool TfrmTessaly::Running() const
{
    return btnNext->Tag() >= StopButtonTag;
}

bool TfrmTessaly::CloseQuery()
{
    // Closing always goes ahead; a run on the stack stops at its next step.
    FDriver->Abort();
    TKvFormSave::CloseQuery();
    return true;
}

void TfrmTessaly::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case KM_REMOVESOURCE:
        if (Message.WParam == ControlParam(lstSourceFiles))
            RemoveSource(static_cast<int>(Message.LParam));
        return;
    case KM_SHOWPAGE:
        ShowPageAndFocus(static_cast<int>(Message.LParam), ControlOfParam(Message.WParam));
        return;
    case KM_BROWSEFORMAT:
        BrowseFormatList(ControlOfParam(Message.WParam));
        return;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(Message.WParam));
        Message.Result = 0;
        return;
    case WM_HELP:
        Help(Message);
        return;
    case WM_SETTINGCHANGE:
        SettingChange(Message);
        return;
    case WM_CONTEXTMENU:
        ContextMenu(Message);
        return;
    default:
        TKvFormSave::WndProc(Message);
    }
}
