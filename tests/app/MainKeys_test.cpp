// The accessibility mode and the keyboard: focus, accelerators, Tab and
// the keys the lists and panes take.
#include "tests/app/WizardFixture.h"

TEST_F(WizardTest, SettingChangesFollowTheScreenReader)
{
    BOOL Reader = FALSE;
    SystemParametersInfoA(SPI_GETSCREENREADER, 0, &Reader, 0);
    GAppScreenReader = !Reader;
    Form->ApplyAccessibility();
    EXPECT_EQ(Form->Caption().find("Accessibility Mode") != std::string::npos, AccessibilityModeOn());

    GFollowSystemAccessibility = false;
    EXPECT_EQ(Form->Perform(WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0), 0);
    EXPECT_EQ(GAppScreenReader, !Reader);

    GFollowSystemAccessibility = true;
    EXPECT_EQ(Form->Perform(WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0), 0);
    EXPECT_EQ(GAppScreenReader, Reader != FALSE);
    EXPECT_EQ(Form->Caption().find("Accessibility Mode") != std::string::npos, AccessibilityModeOn());
    EXPECT_EQ(Form->pnlWizard->TabStop(), AccessibilityModeOn());

    // A work-area change reads the screen reader again too; high contrast
    // is read on its own change only.
    GAppScreenReader = !Reader;
    Form->Perform(WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_EQ(GAppScreenReader, Reader != FALSE);
    HIGHCONTRASTA Contrast{};
    Contrast.cbSize = sizeof(Contrast);
    SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(Contrast), &Contrast, 0);
    const bool SystemContrast = (Contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    GAppHighContrast = !SystemContrast;
    Form->Perform(WM_SETTINGCHANGE, SPI_SETSCREENREADER, 0);
    EXPECT_EQ(GAppHighContrast, !SystemContrast);
    Form->Perform(WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(GAppHighContrast, SystemContrast);
    EXPECT_EQ(Form->Caption().find("Accessibility Mode") != std::string::npos, AccessibilityModeOn());
}

TEST_F(WizardTest, AccessibilityModeFocusesThePagesFirstControlAndTheInformation)
{
    GAppScreenReader = true;
    Form->ApplyAccessibility();
    EXPECT_TRUE(Form->pnlWizard->TabStop());
    EXPECT_EQ(Form->Caption(), ApplicationName + " - Accessibility Mode");

    // The page's first control rather than the format list.
    Form->lbxSourceFormat->SetTabOrder(1);
    Form->ShowPage(pgSource);
    EXPECT_FALSE(Form->lbxSourceFormat->Focused());
    EXPECT_TRUE(IsChild(Form->tbsSourceFiles->Handle(), GetFocus()));

    // "Other formats": the information pane becomes a tab stop and takes the focus.
    Form->SelectSourceFormat(mftOther);
    EXPECT_TRUE(Form->edtSourceInfo->TabStop());
    EXPECT_TRUE(Form->edtSourceInfo->Focused());
    Form->SelectSourceFormat(mftMbox);
    EXPECT_FALSE(Form->edtSourceInfo->TabStop());

    GAppScreenReader = false;
    Form->ApplyAccessibility();
    EXPECT_FALSE(Form->pnlWizard->TabStop());
    EXPECT_EQ(Form->Caption(), ApplicationName);
}

TEST_F(WizardTest, TabWalksThePageBeforeTheButtons)
{
    Form->ShowPage(pgTarget);
    std::vector<TWinControl*> Order;
    Form->GetTabOrderList(Order);
    auto At = [&](TWinControl* C) { return std::find(Order.begin(), Order.end(), C) - Order.begin(); };
    TWinControl* const Walk[] = {Form->lbxTargetFormat, Form->edtTargetFolder, Form->btnBack,
                                 Form->btnNext,         Form->btnCancel,       Form->btnHelp};
    for (std::size_t I = 1; I < std::size(Walk); ++I)
        EXPECT_LT(At(Walk[I - 1]), At(Walk[I])) << Walk[I]->Name();
}

TEST_F(WizardTest, UpAndHomeGoPastTheGroupRowsOfBothFormatLists)
{
    struct Case {
        bool Target;
        int From;
        WORD Key;
        int Selected;
    };
    const Case Cases[] = {
        {false, 7, VK_UP, 5},  {false, 11, VK_UP, 9}, {false, 2, VK_UP, 1},  {false, 1, VK_UP, 1},
        {false, 12, VK_HOME, 1}, {false, 5, VK_DOWN, 7}, {true, 4, VK_UP, 2},  {true, 8, VK_UP, 6},
        {true, 1, VK_UP, 1},   {true, 6, VK_HOME, 1},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(std::string(K.Target ? "target " : "source ") + std::to_string(K.From));
        TRzCustomListBox* List = K.Target ? static_cast<TRzCustomListBox*>(Form->lbxTargetFormat)
                                          : static_cast<TRzCustomListBox*>(Form->lbxSourceFormat);
        Form->ShowPage(K.Target ? pgTarget : pgSource);
        List->SetItemIndex(K.From);
        List->SetFocus();
        PressKey(K.Key);
        EXPECT_EQ(List->ItemIndex(), K.Selected);
        // A key in the list shows where the focus is from then on: the
        // selected row's top edge is dotted.
        EXPECT_EQ(SendMessageA(List->Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
        RECT R{};
        SendMessageA(List->Handle(), LB_GETITEMRECT, K.Selected, reinterpret_cast<LPARAM>(&R));
        UpdateWindow(List->Handle());
        HDC DC = GetDC(List->Handle());
        EXPECT_NE(GetPixel(DC, R.left + 2, R.top), GetPixel(DC, R.left + 3, R.top));
        ReleaseDC(List->Handle(), DC);
    }
}

// A format list entered by a key shows its focus cue at once, and Tab from
// it goes straight on into the page beside it.
TEST_F(WizardTest, AFormatListEnteredByKeyShowsItsFocusCueAtOnce)
{
    // From a page by an Alt letter (0: Enter on Next) to a page: Next, Back
    // and the format labels' letters.
    const std::tuple<int, char, int> Cases[] = {{pgIntroduction, 0, pgSource}, {pgSource, 0, pgTarget},
                                                {pgIntroduction, 'n', pgSource}, {pgSource, 'n', pgTarget},
                                                {pgTarget, 'b', pgSource},       {pgSource, 'm', pgSource},
                                                {pgTarget, 't', pgTarget}};
    for (const auto& [From, Alt, To] : Cases) {
        SCOPED_TRACE(std::to_string(From) + Alt);
        Form->ShowPage(From);
        Form->btnNext->SetFocus();
        // The mouse was the last in use: focus cues are hidden.
        Form->Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
        PostMessageA(GetFocus(), Alt ? WM_SYSKEYDOWN : WM_KEYDOWN, Alt ? toupper(Alt) : VK_RETURN, Alt ? 0x20000001 : 1);
        Application->ProcessMessages();
        ASSERT_EQ(Form->PageIndex(), To);
        const bool Source = To == pgSource;
        const HWND List = Source ? Form->lbxSourceFormat->Handle() : Form->lbxTargetFormat->Handle();
        EXPECT_EQ(GetFocus(), List);
        EXPECT_EQ(SendMessageA(List, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
        PressKey(VK_TAB);
        EXPECT_TRUE(Source ? Form->lstSourceFiles->Focused() : Form->edtTargetFolder->Focused());
    }
}

TEST_F(WizardTest, EveryPageHasItsOwnAccelerators)
{
    // The accelerators of what shows on a page and in the button row.
    std::function<void(TWinControl*, std::string&)> Collect = [&](TWinControl* Parent, std::string& Keys) {
        for (int I = 0; I < Parent->ControlCount(); ++I) {
            TControl* C = Parent->Controls(I);
            if (!C->Visible())
                continue;
            const std::string Caption = C->Caption();
            const std::size_t Amp = Caption.find('&');
            if (Amp != std::string::npos && Amp + 1 < Caption.size())
                Keys += static_cast<char>(tolower(static_cast<unsigned char>(Caption[Amp + 1])));
            if (auto* W = dynamic_cast<TWinControl*>(C))
                Collect(W, Keys);
        }
    };
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    for (int Page : {pgIntroduction, pgSource, pgTarget, pgStart}) {
        SCOPED_TRACE(Page);
        Form->ShowPage(Page);
        std::string Keys;
        Collect(Form->pnlWizard->ActivePage(), Keys);
        Collect(Form->pnlButtons, Keys);
        std::string Sorted = Keys;
        std::sort(Sorted.begin(), Sorted.end());
        EXPECT_EQ(std::adjacent_find(Sorted.begin(), Sorted.end()), Sorted.end()) << Keys;
    }
}

// Alt+C from every page in both modes, and each other way of closing on a
// page of its own: the choices are saved, and freeing the form announces no
// page change to its handlers.
TEST_F(WizardTest, ClosingFromEveryPageInBothModesSavesAndAnnouncesNoPageChange)
{
    struct TRow {
        TCloseWay Way;
        int Page;
        bool Accessible;
    };
    std::vector<TRow> Rows;
    for (const bool Accessible : {false, true})
        for (int Page = pgIntroduction; Page <= pgStart; ++Page)
            Rows.push_back({cwAltC, Page, Accessible});
    Rows.insert(Rows.end(), {{cwEsc, pgSource, false}, {cwAltF4, pgTarget, true}, {cwTitleBar, pgStart, false}});
    const std::string Target = Dir.File("out") + "\\";
    CreateDirectoryA(Dir.File("out").c_str(), nullptr);
    for (const TRow& R : Rows) {
        SCOPED_TRACE(CloseWayNames[R.Way] + std::string(R.Accessible ? ", accessibility mode" : "") + ", page " +
                     std::to_string(R.Page));
        if (!Form)
            NewForm();
        GAppScreenReader = R.Accessible;
        Form->ApplyAccessibility();
        // A run could start; then "Other formats" on both sides, whose
        // information panes show.
        AddSource(Dir.Write("In.mbox", MessageOf(1)), mftMbox);
        Form->SelectTargetFormat(mftEml);
        Form->grpSourceOptions->SetItemChecked(0, false);
        Form->edtTargetFolder->SetText(Target);
        Form->ShowPage(R.Page);
        ASSERT_EQ(Form->PageIndex(), R.Page);
        Form->SelectSourceFormat(mftOther);
        Form->SelectTargetFormat(mftOther);
        ASSERT_EQ(Form->pgcSourceSettings->ActivePage(), Form->tbsSourceInfo);
        // Any change announced while the form is freed is counted and
        // kept from the form's handlers.
        int Announced = 0;
        TTestWizard* F = Form;
        for (TRzPageControl* Pages : {Form->pgcSourceSettings, Form->pgcTargetSettings, Form->pnlWizard}) {
            Pages->OnPageChange = [&Announced, F, Was = Pages->OnPageChange](TObject* Sender) {
                if (F->HasState(csDestroying))
                    ++Announced;
                else if (Was)
                    Was(Sender);
            };
            Pages->OnChanging = [&Announced, F, Was = Pages->OnChanging](TObject* Sender, int To, bool& Allow) {
                if (F->HasState(csDestroying))
                    ++Announced;
                else if (Was)
                    Was(Sender, To, Allow);
            };
        }
        // Closed, then the window freed as the program frees it.
        PostClose(R.Way);
        Pump();
        EXPECT_FALSE(Form->Visible());
        Form->Free();
        Form = nullptr;
        EXPECT_EQ(Announced, 0);
        TWizardOptions Saved;
        LoadWizardOptions(*AppSettings, Saved);
        EXPECT_FALSE(Saved.IncludeSubfolders);
        EXPECT_EQ(Saved.TargetFolder, Target);
        AppSettings->WriteBool("SourceOptions", "IncludeSubfolders", true);
    }
}

TEST_F(WizardTest, AFormBeingFreedLeavesItsInformationPanesAlone)
{
    GAppScreenReader = true;
    Form->ApplyAccessibility();
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftOther);
    Form->SelectTargetFormat(mftOther);
    ASSERT_TRUE(Form->edtSourceInfo->TabStop());
    ASSERT_TRUE(Form->edtTargetInfo->TabStop());
    Form->BeginFreeing();
    Form->pgcSourceSettings->SetActivePage(Form->tbsSourceList);
    Form->pgcTargetSettings->SetActivePage(Form->tbsTargetList);
    EXPECT_TRUE(Form->edtSourceInfo->TabStop());
    EXPECT_TRUE(Form->edtTargetInfo->TabStop());
}

// The read-only panes keep no key of the form's: Tab and Shift+Tab leave
// them, Enter presses Next and Esc is Cancel.
TEST_F(WizardTest, ReadOnlyPanesHandTabEnterAndEscToTheForm)
{
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    struct TCase {
        int Page;
        TWinControl* Pane;
        WORD Key;
        bool Shift;
        TWinControl* Focus;
        int PageAfter;
    };
    const TCase Cases[] = {
        {pgIntroduction, Form->edtIntroduction, VK_TAB, false, Form->cbxCheckForUpdates, pgIntroduction},
        {pgIntroduction, Form->edtIntroduction, VK_TAB, true, Form->btnHelp, pgIntroduction},
        {pgIntroduction, Form->edtIntroduction, VK_RETURN, false, Form->lbxSourceFormat, pgSource},
        {pgSource, Form->edtSourceInfo, VK_TAB, true, Form->lbxSourceFormat, pgSource},
        {pgTarget, Form->edtTargetInfo, VK_TAB, false, Form->btnAbout, pgTarget},
        {pgStart, Form->edtProcessing, VK_TAB, false, Form->btnAbout, pgStart},
        {pgStart, Form->edtProcessing, VK_TAB, true, Form->btnHelp, pgStart},
    };
    for (const TCase& K : Cases) {
        SCOPED_TRACE(K.Pane->Name() + " " + std::to_string(K.Key) + (K.Shift ? " shift" : ""));
        Form->SelectSourceFormat(K.Pane == Form->edtSourceInfo ? mftOther : mftMbox);
        Form->SelectTargetFormat(K.Pane == Form->edtTargetInfo ? mftOther : mftEml);
        Form->ShowPage(K.Page);
        K.Pane->SetFocus();
        PressKey(K.Key, false, K.Shift);
        EXPECT_EQ(Form->PageIndex(), K.PageAfter);
        EXPECT_TRUE(K.Focus->Focused());
    }
    // The information panes are no Tab stops outside accessibility mode,
    // and the log shows the focus by its colour.
    EXPECT_FALSE(Form->edtSourceInfo->TabStop());
    Form->ShowPage(pgStart);
    Form->edtProcessing->SetFocus();
    EXPECT_NE(ColorToRGB(Form->edtProcessing->Color()), ColorToRGB(clInfoBk));
    // Start has its own letter (the message loop makes the character).
    PostAlt('S');
    Pump();
    ASSERT_FALSE(Form->Log.empty());
    EXPECT_EQ(Form->Log.back(), "Processing finished.");
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(Form->Visible());
}
