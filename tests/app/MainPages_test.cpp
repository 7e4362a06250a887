// The wizard's pages: what each shows, the way between them, and the
// target field and the checks on it before a run.
#include "tests/app/WizardFixture.h"

TEST_F(WizardTest, StartsOnTheWelcomePageWithItsLists)
{
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Form->PageIndex(), pgIntroduction);
    EXPECT_FALSE(Form->btnBack->Enabled());
    EXPECT_EQ(Form->btnNext->Tag(), NextButtonTag);
    EXPECT_EQ(Header().substr(0, 9), "Welcome !");
    EXPECT_NE(Header().find("We hope you enjoy using " + ApplicationName + "."), std::string::npos);
    EXPECT_NE(Header().find("Press the F1 function key"), std::string::npos);
    // A bold title over an indented plain text.
    TKvRichPanel* Info = Form->pnlInfo;
    Info->SetSelStart(0);
    Info->SetSelLength(9);
    EXPECT_EQ(Info->SelAttributes()->Style(), fsBold);
    EXPECT_EQ(Info->Paragraph()->FirstIndent(), 4);
    EXPECT_EQ(Info->Paragraph()->RightIndent(), 4);
    Info->SetSelStart(12);
    Info->SetSelLength(20);
    EXPECT_EQ(Info->SelAttributes()->Style(), 0u);
    EXPECT_EQ(Info->Paragraph()->FirstIndent(), 12);

    EXPECT_EQ(Form->lbxSourceFormat->ItemIndex(), 1);
    EXPECT_EQ(Form->lbxTargetFormat->ItemIndex(), 1);
    EXPECT_EQ(Form->GetSelectedSourceFormat(), mftThunderbird);
    EXPECT_EQ(Form->GetSelectedTargetFormat(), mftEml);
    // The default target: the documents folder's "Mail", as a pattern for EML.
    const std::string Target = Form->edtTargetFolder->Text();
    EXPECT_EQ(Target.substr(Target.size() - 10), "Mail\\*.eml");

    // Every row of both lists as shown, and the format it picks.
    const std::vector<std::pair<const char*, TMailFormat>> Rows[2] = {
        {{"//Mozilla mail programs", mftUnknown}, {"Thunderbird", mftThunderbird}, {"SeaMonkey Mail", mftSeaMonkey},
         {"Mozilla Mail", mftMozilla}, {"Netscape Messenger", mftNetscape}, {"Eudora OSE", mftEudoraOse},
         {"//Qualcomm Eudora", mftUnknown}, {"Eudora index files (*.toc)", mftEudoraToc},
         {"Eudora mailboxes (*.mbx)", mftEudoraMbx}, {"Mac Eudora mailboxes", mftMacEudora},
         {"//Generic mail formats", mftUnknown}, {"Standard mbox", mftMbox}, {"Pine mbox", mftPine},
         {"//Other mail programs", mftUnknown}, {"Other formats", mftOther}},
        {{"//Individual message files", mftUnknown}, {"EML files (*.eml)", mftEml}, {"MIME files (*.txt)", mftTxt},
         {"//Generic mailbox files", mftUnknown}, {"mbox for Windows", mftMboxWin}, {"mbox for Unix", mftMboxUnix},
         {"mbox for Mac", mftMboxMac}, {"//Other mail programs", mftUnknown}, {"Other formats", mftOther}}};
    for (bool InTarget : {false, true}) {
        TRzTabbedListBox* List = InTarget ? Form->lbxTargetFormat : Form->lbxSourceFormat;
        ASSERT_EQ(List->Items()->Count(), static_cast<int>(Rows[InTarget].size()));
        for (int Row = 0; Row < List->Items()->Count(); ++Row) {
            SCOPED_TRACE(Rows[InTarget][Row].first);
            EXPECT_EQ(List->Items()->Strings(Row), Rows[InTarget][Row].first);
            List->SetItemIndex(Row);
            EXPECT_EQ(int(InTarget ? Form->GetSelectedTargetFormat() : Form->GetSelectedSourceFormat()),
                      int(Rows[InTarget][Row].second));
        }
    }
}

TEST_F(WizardTest, PageFlowHeadersAndTheStartButton)
{
    struct Step {
        void (TfrmTessaly::*Click)(TObject*);
        int Page;
        const char* Title;
        bool BackEnabled;
        int Tag;
    };
    AddSource(Dir.Write("Inbox", MessageOf(1)), mftMbox);
    const Step Steps[] = {
        {&TfrmTessaly::btnNextClick, pgSource, "Choose Source Files", true, NextButtonTag},
        {&TfrmTessaly::btnNextClick, pgTarget, "Set Target Options", true, NextButtonTag},
        {&TfrmTessaly::btnNextClick, pgStart, "Start Conversion", true, StartButtonTag},
        {&TfrmTessaly::btnBackClick, pgTarget, "Set Target Options", true, NextButtonTag},
        {&TfrmTessaly::btnNextClick, pgStart, "Start Conversion", true, StartButtonTag},
        {&TfrmTessaly::btnBackClick, pgTarget, "Set Target Options", true, NextButtonTag},
        {&TfrmTessaly::btnBackClick, pgSource, "Choose Source Files", true, NextButtonTag},
        {&TfrmTessaly::btnBackClick, pgIntroduction, "Welcome !", false, NextButtonTag},
    };
    const std::string NextCaption = Form->btnNext->Caption();
    for (const Step& S : Steps) {
        SCOPED_TRACE(S.Title);
        (Form->*S.Click)(nullptr);
        Pump();
        EXPECT_EQ(Form->PageIndex(), S.Page);
        EXPECT_EQ(Header().substr(0, strlen(S.Title)), S.Title);
        EXPECT_EQ(Form->btnBack->Enabled(), S.BackEnabled);
        EXPECT_EQ(Form->btnNext->Tag(), S.Tag);
        EXPECT_EQ(Form->btnNext->Caption(), S.Tag == StartButtonTag ? std::string("&Start") : NextCaption);
        EXPECT_EQ(Form->pnlWizard->ActivePage()->HelpContext(), 20 + S.Page);
    }
    EXPECT_TRUE(Boxes.empty());
    EXPECT_TRUE(Beeps.empty());
}

TEST_F(WizardTest, NoPageChangeWhileARunGoesOn)
{
    Form->ShowPage(pgTarget);
    Form->SetNextButton("Stop", StopButtonTag);
    EXPECT_FALSE(Form->ShowPage(pgSource));
    EXPECT_EQ(Form->PageIndex(), pgTarget);
    EXPECT_EQ(Beeps, std::vector<UINT>{MB_ICONASTERISK});
    // Drops are ignored while running; the drop is still finished.
    Form->Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\x\\Inbox"})), 0);
    EXPECT_TRUE(Sources().empty());
    EXPECT_EQ(Form->PageIndex(), pgTarget);
    Form->SetNextButton("Start", StartButtonTag);
}

// Next on the target page warns of what is missing or unusable and, once
// the warning's handler is done, sends the focus to the field to fix.
TEST_F(WizardTest, ThePageCheckSendsTheUserToTheFieldToFix)
{
    const std::string Out = Dir.File("out"), Device = "Target folder cannot be used: " + Out;
    // The door pasted text comes in by: WM_PASTE, Shift+Insert, Ctrl+V
    // (through the clipboard), or an input method's characters one by one.
    enum TDoor { ByMessage, ShiftInsert, CtrlV, InputMethod };
    const struct {
        bool Listed;  // a source in the list
        TMailFormat Format;
        std::string Target, Msg;
        int Page;
        TWinControl* Focus;
        std::wstring Pasted = L"";  // the target's wide text after the scratch folder
        TDoor Door = ByMessage;
    } Cases[] = {
        // Nothing to convert: no list entry, and Mac Eudora has no default store.
        {false, mftEml, Out + "\\", "Please select at least one source mail file or folder before continuing",
         pgSource, Form->btnAddFiles},
        {true, mftEml, "", "Please select a target folder or file before continuing", pgTarget, Form->edtTargetFolder},
        {true, mftOther, Out + "\\", "Please select a target format that writes files before continuing", pgTarget,
         Form->lbxTargetFormat},
        {true, mftMboxWin, Out + "\\nul.mbox", Device + "\\nul.mbox: nul.mbox is a device name", pgTarget,
         Form->edtTargetFolder},
        {true, mftMboxUnix, Out + "\\NUL.", Device + "\\NUL.: NUL. is a device name", pgTarget, Form->edtTargetFolder},
        {true, mftMboxWin, Out + "\\com1.txt", Device + "\\com1.txt: com1.txt is a device name", pgTarget,
         Form->edtTargetFolder},
        {true, mftEml, Out + "\\CONOUT$\\*.eml", Device + "\\CONOUT$: CONOUT$ is a device name", pgTarget,
         Form->edtTargetFolder},
        // A letter outside the code page, as the field holds it.
        {true, mftEml, Out + "\\?mega\\", Device + "\\?mega\\: it contains characters that the code page " +
                                                std::to_string(GetACP()) + " cannot hold (shown as \"?\")",
         pgTarget, Form->edtTargetFolder},
        // Pasted letters the code page holds only as look-alikes: not a
        // folder "Odir", not the device COM1.
        {true, mftEml, Out + "\\?dir\\", Device + "\\?dir\\: it contains characters that the code page " +
                                                std::to_string(GetACP()) + " cannot hold (shown as \"?\")",
         pgTarget, Form->edtTargetFolder, L"\\out\\\u03A9dir\\"},
        {true, mftMboxWin, Out + "\\COM?.mbox", Device + "\\COM?.mbox: it contains characters that the code page " +
                                                  std::to_string(GetACP()) + " cannot hold (shown as \"?\")",
         pgTarget, Form->edtTargetFolder, L"\\out\\COM\uFF11.mbox"},
        {true, mftEml, Out + "\\?dir\\", Device + "\\?dir\\: it contains characters that the code page " +
                                                std::to_string(GetACP()) + " cannot hold (shown as \"?\")",
         pgTarget, Form->edtTargetFolder, L"\\out\\\u03A9dir\\", ShiftInsert},
        {true, mftEml, Out + "\\?dir\\", Device + "\\?dir\\: it contains characters that the code page " +
                                                std::to_string(GetACP()) + " cannot hold (shown as \"?\")",
         pgTarget, Form->edtTargetFolder, L"\\out\\\u03A9dir\\", InputMethod},
        // A path copied with its line end: the first line is the path.
        {true, mftEml, Out + "\\", "", pgStart, nullptr, L"\\out\\\r\nnext line", CtrlV},
        {true, mftEml, "\\\\?\\" + Out + "\\",
         "Target folder cannot be used: \\\\?\\" + Out + "\\: a path in the \"\\\\?\\\" form is not taken; give "
         "the folder's plain path", pgTarget, Form->edtTargetFolder},
        {true, mftEml, Dir.Path() + "\\", "", pgStart, nullptr},
    };
    Form->SelectSourceFormat(mftMacEudora);
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Msg.empty() ? C.Target : C.Msg);
        if (C.Listed && Sources().empty())
            AddSource(Dir.Write("Inbox", MessageOf(1)), mftMacEudora);
        Boxes.clear();
        Form->ShowPage(pgTarget);
        Form->SelectTargetFormat(C.Format);
        Form->edtTargetFolder->SetText(C.Pasted.empty() ? C.Target : Dir.Path());
        if (!C.Pasted.empty()) {
            const HWND Field = Form->edtTargetFolder->Handle();
            Clipboard().SetAsWideText(C.Pasted);
            Form->edtTargetFolder->SetFocus();
            SendMessageA(Field, EM_SETSEL, 0x7FFF, 0x7FFF);
            if (C.Door == ByMessage)
                SendMessageA(Field, WM_PASTE, 0, 0);
            else if (C.Door == ShiftInsert)
                PressKey(VK_INSERT, false, true);
            else if (C.Door == CtrlV)
                PressKey('V', true);
            for (const wchar_t Letter : C.Door == InputMethod ? C.Pasted : L"")
                PostMessageW(Field, WM_IME_CHAR, Letter, 1);
            Pump();
            EXPECT_EQ(Form->edtTargetFolder->Text(), C.Target);
        }
        // As a click leaves it: the focus on Next.
        Form->btnNext->SetFocus();
        Form->btnNextClick(nullptr);
        EXPECT_EQ(Form->PageIndex(), C.Msg.empty() ? pgStart : pgTarget);
        ASSERT_EQ(Boxes.size(), C.Msg.empty() ? 0u : 1u);
        if (!C.Msg.empty()) {
            EXPECT_EQ(Boxes[0].DlgType, mtWarning);
            EXPECT_EQ(Boxes[0].Msg, C.Msg);
        }
        Pump();
        EXPECT_EQ(Form->PageIndex(), C.Page);
        EXPECT_TRUE(!C.Focus || C.Focus->Focused());
    }
}

TEST_F(WizardTest, GroupRowsAreSkippedAndOtherFormatsShowsInformation)
{
    struct Case {
        bool Target;
        int Clicked;
        int Selected;
        bool InfoShown;
    };
    const Case Cases[] = {
        {false, 0, 1, false},  {false, 6, 7, false}, {false, 10, 11, false}, {false, 13, 14, true},
        {false, 14, 14, true}, {false, 12, 12, false}, {true, 0, 1, false},  {true, 3, 4, false},
        {true, 7, 8, true},    {true, 8, 8, true},     {true, 2, 2, false},
    };
    Form->ShowPage(pgSource);
    for (const Case& K : Cases) {
        SCOPED_TRACE(std::string(K.Target ? "target " : "source ") + std::to_string(K.Clicked));
        TRzCustomListBox* List = K.Target ? static_cast<TRzCustomListBox*>(Form->lbxTargetFormat)
                                          : static_cast<TRzCustomListBox*>(Form->lbxSourceFormat);
        List->SetItemIndex(K.Clicked);
        List->Click();
        EXPECT_EQ(List->ItemIndex(), K.Selected);
        TRzPageControl* Pages = K.Target ? Form->pgcTargetSettings : Form->pgcSourceSettings;
        TRzTabSheet* Info = K.Target ? Form->tbsTargetInfo : Form->tbsSourceInfo;
        EXPECT_EQ(Pages->ActivePage() == Info, K.InfoShown);
    }
    const std::string Info = Form->edtSourceInfo->Text();
    EXPECT_NE(Info.find(ApplicationName + " converts only mbox-type mail files"), std::string::npos);
    EXPECT_EQ(Form->edtTargetInfo->Text(), Info);
}

TEST_F(WizardTest, TargetFormatsNormaliseTheTargetAndPickTheirOptions)
{
    struct Case {
        int Row;
        const char* Before;
        const char* After;
        bool DatesEnabled;
    };
    const Case Cases[] = {
        {1, "C:\\Out\\", "C:\\Out\\*.eml", true},
        {2, "C:\\Out\\*.eml", "C:\\Out\\*.txt", true},
        {4, "C:\\Out\\*.txt", "C:\\Out\\*.mbox", false},
        {5, "C:\\Out\\all.mbox", "C:\\Out\\all.mbox", false},
        {8, "C:\\Out\\*.mbox", "C:\\Out\\", false},
    };
    Form->ShowPage(pgTarget);
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Row);
        Form->edtTargetFolder->SetText(K.Before);
        Form->lbxTargetFormat->SetItemIndex(K.Row);
        Form->lbxTargetFormat->Click();
        EXPECT_EQ(Form->edtTargetFolder->Text(), K.After);
        EXPECT_EQ(Form->edtTargetFolder->Hint(), K.After);
        EXPECT_EQ(Form->grpTargetOptions->GetItemEnabled(1), K.DatesEnabled);
        EXPECT_EQ(Form->grpTargetOptions->GetItemEnabled(2), K.DatesEnabled);
        EXPECT_TRUE(Form->grpTargetOptions->GetItemEnabled(0));
    }
}

TEST_F(WizardTest, TheTargetFieldFiltersKeysAndFillsOnDoubleClick)
{
    Form->ShowPage(pgTarget);
    Form->edtTargetFolder->SetText("");
    Form->edtTargetFolder->SetFocus();
    for (char C : std::string("C:/Out?\"*|x"))
        SendMessageA(Form->edtTargetFolder->Handle(), WM_CHAR, static_cast<unsigned char>(C), 0);
    // A letter outside the code page stays in the field as its "?": left
    // out, "x\u0416\\" would be "x\\", another folder.
    SendMessageW(Form->edtTargetFolder->Handle(), WM_CHAR, 0x416, 0);
    SendMessageA(Form->edtTargetFolder->Handle(), WM_CHAR, '\\', 0);
    EXPECT_EQ(Form->edtTargetFolder->Text(), "C:\\Out?*x?\\");
    EXPECT_EQ(Beeps.size(), 2u);
    // So is a letter the code page holds only as a look-alike (omega as
    // "O", a full-width "1"), sent or taken from the queue as the
    // keyboard's characters are; "\u00E9", which it holds, goes in.
    Form->edtTargetFolder->SetText("");
    SendMessageW(Form->edtTargetFolder->Handle(), WM_CHAR, 0x3A9, 0);
    for (wchar_t C : std::wstring(L"\uFF11\u00E9a"))
        PostMessageW(Form->edtTargetFolder->Handle(), WM_CHAR, C, 0);
    Pump();
    EXPECT_EQ(Form->edtTargetFolder->Text(), "??\xE9" "a");
    EXPECT_EQ(Beeps.size(), 2u);

    Form->edtTargetFolder->SetText("");
    Form->edtTargetFolderDblClick(nullptr);
    const std::string Text = Form->edtTargetFolder->Text();
    EXPECT_EQ(Text.substr(Text.size() - 10), "Mail\\*.eml");
}

// The themed edit frame is painted over the whole field, the browse
// button's window inside it too, whenever it is redrawn: when the field's
// frame is refreshed, and when the focus leaves it and comes back (as after
// the folder form the button opens). The button must be painted again.
TEST_F(WizardTest, TheTargetFieldsBrowseButtonOutlivesARepaintedThemedFrame)
{
    if (!ThemeServices()->ThemesEnabled())
        GTEST_SKIP() << "no themed look here";
    Form->ShowPage(pgTarget);
    TRzButtonEdit* Edit = Form->edtTargetFolder;
    TRzButtonPair* Pair = Edit->Buttons();
    struct Case {
        const char* Name;
        std::function<void()> Repaint;
    };
    const Case Cases[] = {
        {"frame redrawn",
         [&] { RedrawWindow(Edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW); }},
        {"focus away and back",
         [&] {
             Form->lbxTargetFormat->SetFocus();
             Pump();
             Edit->SetFocus();
         }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Edit->SetFocus();
        Pump();
        C.Repaint();
        Pump();
        // The window lies inside the field's client area.
        ASSERT_TRUE(Pair->HandleAllocated());
        EXPECT_TRUE(IsWindowVisible(Pair->Handle()));
        const TPoint At = Edit->ScreenToClient(Pair->ClientToScreen(TPoint(0, 0)));
        EXPECT_GE(At.x, 0);
        EXPECT_GE(At.y, 0);
        EXPECT_LE(At.x + Pair->Width(), Edit->ClientWidth());
        EXPECT_LE(At.y + Pair->Height(), Edit->ClientHeight() + 1);
        // What the screen shows there, without a forced repaint: the
        // button's face and glyph, not the field's background.
        const int W = Pair->Width(), H = Pair->Height();
        TBitmap Shot(W, H);
        HDC DC = GetDC(Pair->Handle());
        BitBlt(Shot.Canvas()->Handle(), 0, 0, W, H, DC, 0, 0, SRCCOPY);
        ReleaseDC(Pair->Handle(), DC);
        GdiFlush();
        const COLORREF Back = ColorToRef(Edit->Color());
        int Painted = 0;
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                Painted += (GetPixel(Shot.Canvas()->Handle(), X, Y) & 0xFFFFFFu) != Back;
        EXPECT_GT(Painted, W * H / 4) << "of " << W * H;
    }
}

// A typed target with "." and ".." levels or a doubled separator names the
// folder it means, also for a tree restored under a folder named outside
// the code page: the same files as the plain name, and nothing beside them.
TEST_F(WizardTest, TypedTargetsWithDotsWriteWhereTheyPoint)
{
    const std::wstring Mail = AnsiToWideStr(Dir.File("r1")) + L"\\\u041f\u043e\u0447\u0442\u0430";
    ASSERT_TRUE(CreateDirectoryW(AnsiToWideStr(Dir.File("r1")).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Mail + L"\\In.mbox", MessageOf(1) + MessageOf(2)));
    // A folder named with a trailing blank is restored without it.
    const std::wstring Trail = AnsiToWideStr(Dir.File("r1")) + L"\\trail ";
    ASSERT_TRUE(CreateDirectoryW(TTestFolder::LongForm(Trail).c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Trail + L"\\In.mbox", MessageOf(3)));
    AddSource(Dir.File("r1\\*.mbox"), mftMbox);
    Form->grpSourceOptions->SetItemChecked(0, true);
    const struct {
        TMailFormat Format;
        std::string Typed, Folder, Plain;
    } Cases[] = {
        {mftEml, "plain\\", "plain", "plain"},
        {mftEml, "x\\..\\nd1\\", "nd1", "plain"},
        {mftEml, "nd2\\.\\", "nd2", "plain"},
        {mftEml, "nd3\\\\", "nd3", "plain"},
        {mftMboxWin, "mplain\\", "mplain", "mplain"},
        {mftMboxWin, "m\\..\\mb1\\\\", "mb1", "mplain"},
        {mftEml, "d.\\", "d", "plain"},
        {mftMboxWin, "md \\", "md", "mplain"},
    };
    const std::wstring Out = AnsiToWideStr(Dir.File("out\\"));
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Typed);
        Form->ShowPage(pgTarget);
        Form->SelectTargetFormat(C.Format);
        Form->grpTargetOptions->SetItemChecked(0, true);
        Form->edtTargetFolder->SetText(Dir.File("out\\" + C.Typed));
        ASSERT_TRUE(Form->ShowPage(pgStart));
        Form->Log.clear();
        Form->btnNextClick(nullptr);
        EXPECT_NE(std::find(Form->Log.begin(), Form->Log.end(),
                            "2 mailboxes processed, 3 messages converted, 0 duplicates skipped, 0 errors."),
                  Form->Log.end());
        const auto Files = TTestFolder::WideTree(Out + AnsiToWideStr(C.Folder));
        ASSERT_EQ(Files.size(), C.Format == mftEml ? 3u : 2u);
        EXPECT_EQ(Files.rbegin()->first.substr(0, 9), L"r1\\\u041f\u043e\u0447\u0442\u0430\\");
        EXPECT_EQ(Files, TTestFolder::WideTree(Out + AnsiToWideStr(C.Plain)));
    }
    std::set<std::wstring> Folders;
    for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Dir.File("out"))))
        Folders.insert(Name.substr(0, Name.find(L'\\')));
    EXPECT_EQ(Folders, (std::set<std::wstring>{L"plain", L"nd1", L"nd2", L"nd3", L"mplain", L"mb1", L"d", L"md"}));
}

TEST_F(WizardTest, PagesSitUnderTheHeaderAndTheLinkShowsWhole)
{
    // No band of an empty tab row between the header and the page.
    TRzTabSheet* Page = Form->pnlWizard->ActivePage();
    const TPoint PageTop = Page->ClientToScreen(TPoint(0, 0));
    const TPoint InfoBottom = Form->pnlInfo->ClientToScreen(TPoint(0, Form->pnlInfo->Height()));
    EXPECT_LE(PageTop.y - InfoBottom.y, 4);
    // The link is wider than its text's advance, which its last glyph
    // reaches past.
    TRzURLLabel* Link = Form->urlVisitWebsite;
    HDC DC = GetDC(nullptr);
    const HGDIOBJ Old = SelectObject(DC, Link->Font()->Handle());
    SIZE Text{};
    GetTextExtentPoint32A(DC, Link->Caption().c_str(), static_cast<int>(Link->Caption().size()), &Text);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    EXPECT_GT(Link->Width(), Text.cx);
    // Dragged smaller, the window stops at its designed size.
    MINMAXINFO Limits{};
    SendMessageA(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Limits));
    EXPECT_EQ(Limits.ptMinTrackSize.x, 640);
    EXPECT_EQ(Limits.ptMinTrackSize.y, 480);
}
