// The main form's page flow: Back and Next, the page check before the start
// page, the header of every page, the start page's summary, help,
// accessibility, and the driver's host over the form's controls.
#include "app/Main.h"

#include "app/KvConvertDriver.h"
#include "app/KvHelpBase.h"
#include "app/KvRichPnl.h"
#include "app/KvWizardOptions.h"
#include "app/MainTexts.h"
#include "classlib/PathForms.h"
#include "classlib/ResStrings.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"
#include "controls/RzLabel.h"
#include "controls/RzLstBox.h"
#include "controls/RzPrgres.h"
#include "controls/RzRadGrp.h"
#include "controls/RzRichUrl.h"
#include "controls/RzStatus.h"
#include "controls/RzTabs.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSystem.h"
#include "foundation/KvWindows.h"

namespace {

struct TPageHeader {
    int HelpContext;
    int Title;
    int Text;
};

const TPageHeader PageHeaders[] = {
    {20, SWelcomeTitle, SWelcomeText},
    {21, SSourceTitle, SSourceText},
    {22, STargetTitle, STargetText},
    {23, SStartTitle, SStartText},
};

// During a run the window is painted at most as often as the driver sets
// the bar: it pumps after every log line and at most every 50 ms, and a
// paint replaced sooner is gone before an eye takes it in. A run shorter
// than this shows no busy state that would only flicker.
constexpr DWORD RunPaintIntervalMs = TConvertDriver::BarIntervalMs;

// The header's paragraph indents, in points.
constexpr int HeaderIndent = 4;
constexpr int HeaderTextIndent = 12;

std::string RowText(TRzCustomListBox* List, int Row)
{
    return Row >= 0 && Row < List->Items()->Count() ? List->Items()->Strings(Row) : std::string();
}

} // namespace

int TfrmTessaly::PageIndex() const
{
    return pnlWizard->ActivePageIndex();
}

void TfrmTessaly::pnlWizardChanging(TObject*, int NewIndex, bool& AllowChange)
{
    if (NewIndex == pgStart && !PageCheck()) {
        AllowChange = false;
        return;
    }
    AllowChange = btnNext->Tag() < StopButtonTag;
    if (!AllowChange)
        BeepInformation();
}

bool TfrmTessaly::ShowPage(int Page)
{
    if (Page < 0 || Page >= pnlWizard->PageCount())
        return false;
    if (Page == PageIndex()) {
        pnlWizardChange(pnlWizard);
        return true;
    }
    // Pages without tabs change without asking the page control's
    // OnChanging, so the check runs here; a page with a tab asks it itself.
    if (pnlWizard->Pages(Page)->TabIndex() < 0) {
        bool Allow = true;
        pnlWizardChanging(pnlWizard, Page, Allow);
        if (!Allow)
            return false;
    }
    pnlWizard->SetActivePageIndex(Page);
    if (PageIndex() != Page)
        return false;
    pnlWizardChange(pnlWizard);
    return true;
}

void TfrmTessaly::ShowPageAndFocus(int Page, TWinControl* Control)
{
    if (Page != PageIndex() && Page >= 0 && Page < pnlWizard->PageCount()) {
        pnlWizard->SetActivePageIndex(Page);
        pnlWizardChange(pnlWizard);
    }
    ProcessMessagesIfAllowed();
    if (Control)
        SafeFocus(Control);
}

bool TfrmTessaly::PageCheck()
{
    const std::string Please = LoadResString(SPleaseSelect);
    if (lstSourceFiles->Items()->Count() == 0 && GetSourceDefaultFolder(GetSelectedSourceFormat()).empty()) {
        KvWarning(Format(Please, LoadResString(SSelectSource)));
        PostMessageA(Handle(), KM_SHOWPAGE, ControlParam(btnAddFiles), pgSource);
        return false;
    }
    if (edtTargetFolder->Text().empty()) {
        KvWarning(Format(Please, LoadResString(SSelectTarget)));
        PostMessageA(Handle(), KM_SHOWPAGE, ControlParam(edtTargetFolder), pgTarget);
        return false;
    }
    // Read wide: whatever door brought a letter in (keys, any paste, an
    // input method, a form's text), the field keeps it as it is, while its
    // ANSI text would give a look-alike ("\u03A9" as "O") that names
    // another file. A letter the code page cannot hold exactly is a "?",
    // and no folder of that name can be written.
    const std::wstring Wide = edtTargetFolder->WideText();
    bool Lost = false;
    const std::string Shown = WideToAnsi(Wide, Lost);
    if (Wide.rfind(L"\\\\?\\", 0) == 0) {
        KvWarning("Target folder cannot be used: " + Shown +
                  ": a path in the \"\\\\?\\\" form is not taken; give the folder's plain path");
        PostMessageA(Handle(), KM_SHOWPAGE, ControlParam(edtTargetFolder), pgTarget);
        return false;
    }
    if (Lost || Shown.find('?') != std::string::npos) {
        KvWarning("Target folder cannot be used: " + Shown + ": it contains characters that the code page " +
                  std::to_string(GetACP()) + " cannot hold (shown as \"?\")");
        PostMessageA(Handle(), KM_SHOWPAGE, ControlParam(edtTargetFolder), pgTarget);
        return false;
    }
    // A device takes the messages and keeps none: refused here, as the run
    // itself refuses it.
    if (const std::string Device = TargetDeviceProblem(ExcludeTrailingSlash(CutTargetPattern(GetTargetFolderText())));
        !Device.empty()) {
        KvWarning("Target folder cannot be used: " + Device);
        PostMessageA(Handle(), KM_SHOWPAGE, ControlParam(edtTargetFolder), pgTarget);
        return false;
    }
    // "Other formats" converts nothing: a run would read every mailbox
    // through and write nothing, reporting success.
    if (GetSelectedTargetFormat() == mftOther) {
        KvWarning(Format(Please, LoadResString(SSelectTargetFormat)));
        PostMessageA(Handle(), KM_SHOWPAGE, ControlParam(lbxTargetFormat), pgTarget);
        return false;
    }
    return true;
}

void TfrmTessaly::UpdateNavigation()
{
    const int Page = PageIndex();
    if (Page == pgIntroduction && btnBack->Focused())
        SafeFocus(btnNext->Enabled() ? static_cast<TWinControl*>(btnNext) : btnCancel);
    btnBack->SetEnabled(Page >= pgSource && Page <= pgStart && btnNext->Tag() < StopButtonTag);
    if (Page == pgStart) {
        if (btnNext->Tag() == NextButtonTag) {
            FNextCaption = btnNext->Caption();
            SetNextButton(LoadResString(SStartCaption), StartButtonTag);
        }
    } else if (btnNext->Tag() == StartButtonTag) {
        SetNextButton(FNextCaption, NextButtonTag);
    }
}

void TfrmTessaly::WriteHeader(const std::string& Title, const std::string& Text)
{
    pnlInfo->SetText("");
    TParaAttributes* Para = pnlInfo->Paragraph();
    Para->SetFirstIndent(HeaderIndent);
    Para->SetRightIndent(HeaderIndent);
    pnlInfo->SelAttributes()->SetStyle(fsBold);
    pnlInfo->SetSelText(Title + "\r\n");
    Para->SetFirstIndent(HeaderTextIndent);
    pnlInfo->SelAttributes()->SetStyle(0);
    pnlInfo->SetSelText(Text);
}

void TfrmTessaly::pnlWizardChange(TObject*)
{
    // A source item's hint would stay over the next page.
    lstSourceFiles->HideItemHint();
    UpdateNavigation();
    const int Page = PageIndex();
    if (Page < pgIntroduction || Page > pgStart)
        return;
    const TPageHeader& H = PageHeaders[Page];
    std::string Text = LoadResString(H.Text);
    if (Page == pgIntroduction)
        Text = Format(Text, ApplicationName);
    pnlWizard->ActivePage()->SetHelpContext(H.HelpContext);
    WriteHeader(LoadResString(H.Title), Text + " " + LoadResString(SPressF1));
    if (Page == pgStart)
        BuildStartPage();
    TWinControl* Focus = nullptr;
    switch (Page) {
    case pgSource: Focus = lbxSourceFormat; break;
    case pgTarget: Focus = lbxTargetFormat; break;
    default: Focus = btnNext; break;
    }
    FocusOrFirst(Focus);
}

void TfrmTessaly::FocusOrFirst(TWinControl* Control)
{
    if (AccessibilityModeOn() && pnlWizard->ActivePage() && FocusFirstControl(pnlWizard->ActivePage()))
        return;
    SafeFocus(Control);
}

void TfrmTessaly::BuildStartPage()
{
    edtProcessing->SetShowCaret(false);
    edtProcessing->Empty();
    TStrings* Sources = lstSourceFiles->Items();
    const int Count = Sources->Count();
    const TMailFormat Chosen = GetSelectedSourceFormat();
    std::string SourceFormat, Source;
    if (Count == 0) {
        SourceFormat = RowText(lbxSourceFormat, lbxSourceFormat->ItemIndex());
        const std::string Folder = GetSourceDefaultFolder(Chosen);
        const std::string Ext = MailFormatExtension(Chosen, false);
        if (!Folder.empty())
            Source = JoinPath(Folder, "*." + Ext);
    } else {
        // Each row read out of the list's window is a round trip: the list
        // knows without them whether all rows have one format.
        TObject* Shared = nullptr;
        const TMailFormat Common =
            lstSourceFiles->RowsShareObject(Shared) ? MailFormatOfObject(Shared) : TMailFormat(mftSeveral);
        const int Row = Common == mftSeveral ? -1 : MailFormatToRow(Common, false);
        SourceFormat = Row < 0 ? LoadResString(SSeveralFormats) : RowText(lbxSourceFormat, Row);
        Source = Count == 1 ? Sources->Strings(0) : "[" + LoadResString(SFileList) + "]";
    }
    FStartSummary = Format(LoadResString(SReadyToProcess), SourceFormat, Source,
                           RowText(lbxTargetFormat, lbxTargetFormat->ItemIndex()), GetTargetFolderText()) +
                    "\r\n\r\n";
    edtProcessing->AppendText(FStartSummary);
}

void TfrmTessaly::btnBackClick(TObject*)
{
    btnNext->SetEnabled(true);
    ShowPage(PageIndex() - 1);
}

void TfrmTessaly::btnNextClick(TObject*)
{
    const int Page = PageIndex();
    if (Page < pgStart) {
        ShowPage(Page + 1);
        return;
    }
    if (btnNext->Tag() == StartButtonTag)
        FDriver->StartConversion();
    else if (btnNext->Tag() >= StopButtonTag)
        FDriver->StopConversion(true);
}

void TfrmTessaly::btnCancelClick(TObject*)
{
    // Cancel (and Esc) closes the window with the log and its summary: its
    // question says so, where Stop's keeps the window.
    if (btnNext->Tag() >= StopButtonTag) {
        if (!ConfirmAbort(LoadResString(SAbortAndClose)))
            return;
        FDriver->StopConversion(false);
    }
    Close();
}

void TfrmTessaly::btnHelpClick(TObject*)
{
    if (Application)
        Application->HelpCommand(HELP_FINDER, 0);
}

void TfrmTessaly::btnAboutClick(TObject*)
{
    KvInformation(Format(LoadResString(SAboutText), ApplicationName) + "\r\n\r\n" + IdleStatus);
}

namespace {

// In accessibility mode an information pane is a tab stop only while its
// page shows, and takes the focus when it can.
void InformationPaneFollowsPage(TRzPageControl* Pages, TRzTabSheet* InfoPage, TWinControl* Pane)
{
    const bool Shown = Pages->ActivePage() == InfoPage && AccessibilityModeOn();
    Pane->SetTabStop(Shown);
    if (Shown)
        SafeFocus(Pane);
}

} // namespace

void TfrmTessaly::pgcSourceSettingsChange(TObject*)
{
    // A form being freed has panes already gone.
    if (!HasState(csDestroying))
        InformationPaneFollowsPage(pgcSourceSettings, tbsSourceInfo, edtSourceInfo);
}

void TfrmTessaly::pgcTargetSettingsChange(TObject*)
{
    if (!HasState(csDestroying))
        InformationPaneFollowsPage(pgcTargetSettings, tbsTargetInfo, edtTargetInfo);
}

void TfrmTessaly::ApplyAccessibility()
{
    const bool On = AccessibilityModeOn();
    FAccessibilityApplied = On;
    pnlWizard->SetTabStop(On);
    const TColor Link = GAppHighContrast ? clHighlight : clBlue;
    urlVisitWebsite->SetUnvisitedColor(Link);
    urlVisitWebsite->SetVisitedColor(Link);
    std::string Title = ApplicationName;
    if (On)
        Title += " - " + LoadResString(SAccessibilityMode);
    SetCaption(Title);
    if (Application)
        Application->SetTitle(Title);
    if (!Running())
        SetStatusText(IdleStatus);
}

void TfrmTessaly::SettingChange(TMessage& Message)
{
    Message.Result = 0;
    if (!GFollowSystemAccessibility || HasState(csDesigning))
        return;
    bool Changed = false;
    // The screen-reader flag is read again on its own change and on a
    // change of the desktop's work area; high contrast on its own change.
    if (Message.WParam == SPI_SETSCREENREADER || Message.WParam == SPI_SETWORKAREA) {
        const bool Reader = IsScreenReaderOn();
        Changed = Reader != GAppScreenReader;
        GAppScreenReader = Reader;
    } else if (Message.WParam == SPI_SETHIGHCONTRAST) {
        const bool Contrast = IsHighContrastOn();
        Changed = Contrast != GAppHighContrast;
        GAppHighContrast = Contrast;
    }
    if (Changed)
        ApplyAccessibility();
}

void TfrmTessaly::Help(TMessage& Message)
{
    Message.Result = TRUE;
    const auto* Info = reinterpret_cast<const HELPINFO*>(Message.LParam);
    if (!Info || Info->iContextType != HELPINFO_WINDOW || !Application)
        return;
    TControl* Control = TWinControl::FindControl(static_cast<HWND>(Info->hItemHandle));
    while (Control && Control->HelpContext() == 0 && Control->HelpKeyword().empty())
        Control = Control->Parent();
    if (!Control)
        return;
    if (Control->HelpContext() != 0) {
        if (btnHelp->Visible()) {
            POINT At = Info->MousePos;
            Application->HelpCommand(HELP_SETPOPUP_POS, static_cast<ULONG_PTR>(MAKELONG(At.x, At.y)));
            Application->HelpCommand(HELP_CONTEXTPOPUP, static_cast<ULONG_PTR>(Control->HelpContext()));
        } else {
            Application->HelpContext(Control->HelpContext());
        }
        return;
    }
    Application->HelpCommand(HELP_KEY, reinterpret_cast<ULONG_PTR>(Control->HelpKeyword().c_str()));
}

// ---------------------------------------------------------------------------
// The driver's host
// ---------------------------------------------------------------------------

TStrings& TfrmTessaly::SourceFiles()
{
    return *lstSourceFiles->Items();
}

void TfrmTessaly::GetChoices(TConvertChoices& C)
{
    C.SourceFormat = GetSelectedSourceFormat();
    C.TargetFormat = GetSelectedTargetFormat();
    C.TargetText = GetTargetFolderText();
    C.IncludeSubfolders = grpSourceOptions->GetItemChecked(0);
    C.SkipTrashJunk = grpSourceOptions->GetItemChecked(1);
    C.RestoreFolderTree = grpTargetOptions->GetItemChecked(0);
    C.MatchDates = grpTargetOptions->GetItemChecked(1);
    C.Md5FileNames = grpTargetOptions->GetItemChecked(2);
}

void TfrmTessaly::AddLogLine(const std::string& Text)
{
    QueueLogLine(TLogText(Text).WideText());
}

void TfrmTessaly::AddLogText(const TLogText& Text)
{
    QueueLogLine(Text.WideText());
}

void TfrmTessaly::QueueLogLine(const std::wstring& Line)
{
    // Each line put in costs the pane about half a millisecond under Wine,
    // whether shown or not: a run's lines go in together.
    FPendingLog += Line + L"\r\n";
    if (!Running())
        FlushLog();
}

void TfrmTessaly::FlushLog()
{
    if (FPendingLog.empty())
        return;
    edtProcessing->AppendText(FPendingLog);
    edtProcessing->ScrollToCaret();
    FPendingLog.clear();
}

int TfrmTessaly::LogLineCount()
{
    FlushLog();
    return edtProcessing->LineCount();
}

void TfrmTessaly::SetLogCaretVisible(bool Visible)
{
    FlushLog();
    edtProcessing->SetShowCaret(Visible);
}

bool TfrmTessaly::ProgressVisible()
{
    return pnlProgressBar->Visible();
}

void TfrmTessaly::SetProgressVisible(bool Visible)
{
    pnlProgressBar->SetVisible(Visible);
}

void TfrmTessaly::SetProgressPercent(int Percent)
{
    // Painted with the rest of the window by the next pump that paints.
    pnlProgressBar->SetPercentLater(Percent);
}

void TfrmTessaly::SetStatusText(const std::string& Text)
{
    pnlStatusPane->SetCaption(Text);
}

void TfrmTessaly::ProcessMessages()
{
    // Each paint of the log and the buttons costs more than the run's
    // steps between two pumps. The user's own input is still answered at
    // once, with its paints; the rest waits for the next pump that paints,
    // or for the window's loop when the run ends first.
    const DWORD Now = PaintClock();
    const bool Input = HIWORD(GetQueueStatus(QS_INPUT)) != 0;
    if (Running() && !Input && Now - FRunPaintedAt < RunPaintIntervalMs) {
        ProcessMessagesIfAllowed(false);
        return;
    }
    FRunPaintedAt = Now;
    FlushLog();
    ProcessMessagesIfAllowed();
}

void TfrmTessaly::SetNextButton(const std::string& Caption, int Tag)
{
    FlushLog();
    // A run starts: its first paint comes with its first pump past the interval.
    if (Tag >= StopButtonTag && btnNext->Tag() < StopButtonTag)
        FRunPaintedAt = PaintClock();
    btnNext->SetCaption(Caption);
    btnNext->SetTag(Tag);
}

void TfrmTessaly::SetBackEnabled(bool Enabled)
{
    btnBack->SetEnabled(Enabled);
}

bool TfrmTessaly::ConfirmAbort(const std::string& Question)
{
    FlushLog();
    return KvConfirm(Question);
}

void TfrmTessaly::FocusCancelButton()
{
    SafeFocus(btnCancel);
}
