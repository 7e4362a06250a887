// Runs through the form: stopping, cancelling and closing during one, and
// the log it leaves.
#include "tests/app/WizardFixture.h"

TEST_F(WizardTest, TheLogIsSavedOrTheFailureShown)
{
    ReadyToRun(1);
    const std::string Summary = Form->StartSummary();
    EXPECT_EQ(Summary.substr(0, 55), "Ready to process mail (click Start button to begin)...\r");
    EXPECT_NE(Summary.find("  Source: Standard mbox\r\n    from: " + Dir.File("Big") + "\r\n"), std::string::npos);
    EXPECT_NE(Summary.find("  Target: EML files (*.eml)\r\n    to: " + Dir.File("out") + "\\\r\n\r\n"),
              std::string::npos);

    std::string Chosen = Dir.File("log.txt");
    EXPECT_EQ(SaveLogAs(Chosen).first, "Processed.txt");
    EXPECT_EQ(TTestFolder::Read(Chosen), Form->edtProcessing->AllText());
    EXPECT_EQ(TTestFolder::Read(Chosen), Summary);
    EXPECT_TRUE(Boxes.empty());

    // A folder that does not exist: the user is told, nothing is claimed.
    Chosen = Dir.File("missing\\log.txt");
    SaveLogAs(Chosen);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].DlgType, mtError);
    EXPECT_NE(Boxes[0].Msg.find(Chosen), std::string::npos);
    EXPECT_EQ(GetFileAttributesA(Chosen.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WizardTest, StopDuringARunOnAGeneratedMailbox)
{
    ReadyToRun(300);
    ASSERT_EQ(Form->btnNext->Tag(), StartButtonTag);
    int TagDuringRun = 0;
    // The run's pumps leave the paints (here the Stop caption's) until one
    // comes a paint interval after the start; the click on Stop, input,
    // is served at once.
    // The clock stands far from 0: the interval counts from the run's start.
    DWORD PaintNow = 100000;
    Form->PaintClock = [&] { return PaintNow; };
    bool StopUnpainted = false, StopPainted = false;
    std::string LogUnpainted, LogPainted;
    Form->OnPump = [&](int N) {
        const bool Pending = GetUpdateRect(Form->btnNext->Handle(), nullptr, FALSE) != FALSE;
        if (N == 3) {
            LogUnpainted = Form->edtProcessing->AllText();
            StopUnpainted = Pending;
            PaintNow += TConvertDriver::BarIntervalMs - 1;
        } else if (N == 4) {
            StopUnpainted = StopUnpainted && Pending;
            PaintNow += 1;
        } else if (N == 5) {
            LogPainted = Form->edtProcessing->AllText();
            StopPainted = !Pending;
        }
        if (N == 40) {
            TagDuringRun = static_cast<int>(Form->btnNext->Tag());
            EXPECT_FALSE(Form->btnBack->Enabled());
            EXPECT_TRUE(Form->pnlProgressBar->Visible());
            PostClick(Form->btnNext);
        }
    };
    PostClick(Form->btnNext);
    Pump();
    EXPECT_TRUE(StopUnpainted);
    EXPECT_TRUE(StopPainted);
    // So do the log's lines: they go in with the paint.
    EXPECT_EQ(LogUnpainted.find("Processing: "), std::string::npos) << LogUnpainted;
    EXPECT_NE(LogPainted.find("Processing: "), std::string::npos) << LogPainted;
    EXPECT_EQ(TagDuringRun, StopButtonTag);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Msg, "Abort mail conversion?");
    ASSERT_GE(Form->Log.size(), 3u);
    EXPECT_EQ(Form->Log.back(), "Processing aborted.");
    EXPECT_NE(std::find(Form->Log.begin(), Form->Log.end(), "Aborted"), Form->Log.end());
    const std::size_t Written = TTestFolder::WideTree(AnsiToWideStr(Dir.File("out"))).size();
    EXPECT_GT(Written, 0u);
    EXPECT_LT(Written, 300u);
    EXPECT_EQ(Form->btnNext->Tag(), StartButtonTag);
    EXPECT_EQ(Form->btnNext->Caption(), "&Start");
    EXPECT_TRUE(Form->btnBack->Enabled());
    EXPECT_FALSE(Form->pnlProgressBar->Visible());
    EXPECT_TRUE(Form->edtProcessing->ShowCaret());
    EXPECT_FALSE(Form->Driver().Running());
}

// A run that wrote error-log rows ends its log with the log's path, so the
// user learns where the rows of "1 errors" are. A folder named outside the
// code page is named as it is on disk, in the pane and in a UTF-8 error log.
TEST_F(WizardTest, TheLogEndsWithTheErrorLogsPath)
{
    const struct {
        std::string Folder, Bom;  // the folder's name in UTF-8
    } Cases[] = {
        {"mail", ""},
        {"\xD0\x9F\xD0\xBE\xD1\x87\xD1\x82\xD0\xB0", "\xEF\xBB\xBF"},
        {"\xE5\x8F\x97\xE4\xBF\xA1\xE7\xAE\xB1", "\xEF\xBB\xBF"},
    };
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    for (const auto& C : Cases) {
        const std::wstring Mail = AnsiToWideStr(Dir.File("")) + AnsiToWideStr(C.Folder, CP_UTF8);
        ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
        TTestFolder::Put(OpenableAnsiPath(Mail) + "\\notes", "not a mailbox");
        {
            const TErrorLogAt ErrorLog(Dir.File("errors.txt"));
            Form->lstSourceFiles->Items()->Clear();
            AddSource(OpenableAnsiPath(Mail + L"\\notes"), mftMbox);
            Form->edtProcessing->SetText("");
            Form->ShowPage(pgStart);
            PostClick(Form->btnNext);
            Pump();
        }
        const std::string Notes = CodePageToUtf8(Dir.File(""), 0) + C.Folder + "\\notes";
        EXPECT_EQ(TTestFolder::Read(Dir.File("errors.txt")),
                  C.Bom + "Error\tFilename\tMail Folder\tMail Date\tMail Subject\r\nFile is not a valid mailbox\t" +
                      (C.Bom.empty() ? Dir.File(C.Folder + "\\notes") : Notes) + "\t\t\t\r\n");
        const std::wstring Text = Form->edtProcessing->AllWideText();
        EXPECT_NE(Text.find(L"Processing: " + AnsiToWideStr(Notes, CP_UTF8) + L"\r\n"), std::wstring::npos);
        const std::wstring Ending = L"0 mailboxes processed, 0 messages converted, 0 duplicates skipped, 1 errors.\r\n"
                                    L"Processing finished.\r\nError log: " + AnsiToWideStr(Dir.File("errors.txt"));
        const std::wstring Shown = Text.substr(0, Text.find_last_not_of(L"\r\n") + 1);
        ASSERT_GE(Shown.size(), Ending.size()) << C.Folder;
        EXPECT_EQ(Shown.substr(Shown.size() - Ending.size()), Ending);
        // Saved or copied, the log keeps the names whole.
        SaveLogAs(Dir.File("log.txt"));
        EXPECT_EQ(TTestFolder::Read(Dir.File("log.txt")), C.Bom.empty() ? Form->edtProcessing->AllText() : C.Bom + WideToUtf8(Text));
        Form->smuCopyAllClick(nullptr);
        EXPECT_EQ(Clipboard().AsWideText(), Text);
    }
}

// Cancel and its keys ask before they end a run and close, and on No keep
// both; the title bar and Alt+F4 close at once, the run ending at its next
// step.
TEST_F(WizardTest, EveryWayOfClosingDuringARunEndsIt)
{
    const std::pair<TCloseWay, bool> Ways[] = {
        {cwCancel, true}, {cwEsc, true}, {cwAltC, true}, {cwAltF4, false}, {cwTitleBar, false}};
    for (const auto& [Way, Asks] : Ways) {
        SCOPED_TRACE(CloseWayNames[Way]);
        NewForm();
        ReadyToRun(300);
        bool KeptOnNo = false;
        Form->OnPump = [&](int N) {
            if (N == 30 || (N == 60 && Asks)) {
                KeptOnNo = N == 60 && Form->Visible() && Form->Driver().Running();
                Answer = N == 30 ? mrNo : mrYes;
                PostClose(Way);
            }
        };
        PostClick(Form->btnNext);
        Pump();
        std::vector<std::string> Asked;
        for (const TMessageDlgRequest& B : Boxes)
            Asked.push_back(B.Msg);
        EXPECT_EQ(Asked, std::vector<std::string>(Asks ? 2 : 0, "Abort mail conversion and close the window?"));
        EXPECT_EQ(KeptOnNo, Asks);
        ASSERT_FALSE(Form->Log.empty());
        EXPECT_EQ(Form->Log.back(), "Processing aborted.");
        EXPECT_FALSE(Form->Visible());
        EXPECT_FALSE(Form->Driver().Running());
    }
}

TEST_F(WizardTest, ClosingDuringARunFreesTheFormOnlyAfterTheRun)
{
    ReadyToRun(200);
    bool Destroyed = false;
    bool DestroyedDuringRun = false;
    Form->Destroyed = &Destroyed;
    std::vector<std::string>* Log = &Form->Log;
    std::vector<std::string> Kept;
    TTestWizard* F = Form;
    F->OnPump = [&](int N) {
        if (N == 30) {
            F->Close();
            F->Free();
        }
        DestroyedDuringRun = DestroyedDuringRun || Destroyed;
        if (!Destroyed)
            Kept = *Log;
    };
    PostClick(F->btnNext);
    Pump();
    Form = nullptr;
    EXPECT_FALSE(DestroyedDuringRun);
    EXPECT_TRUE(Destroyed);
    ASSERT_FALSE(Kept.empty());
    EXPECT_EQ(Kept.back(), "Processing aborted.");
}

TEST_F(WizardTest, ASecondRunIsSetApartInTheLog)
{
    AddSource(Dir.Write("Inbox", MessageOf(1) + MessageOf(2)), mftMbox);
    // A target long enough to wrap in the log still makes one line of it.
    Form->edtTargetFolder->SetText(Dir.File("out\\" + std::string(120, 'n')) + "\\");
    ASSERT_TRUE(Form->ShowPage(pgStart));
    Form->btnNextClick(nullptr);
    ASSERT_FALSE(Form->Log.empty());
    EXPECT_EQ(Form->Log.front(), "Processing: " + Dir.File("Inbox"));
    EXPECT_EQ(Form->Log.back(), "Processing finished.");
    Form->Log.clear();
    Form->btnNextClick(nullptr);
    ASSERT_FALSE(Form->Log.empty());
    EXPECT_EQ(Form->Log.front(), "\r\n***\r\n");
    EXPECT_EQ(Form->Log.back(), "Processing finished.");
}

// After a run of 5,000 mailboxes, Back then Next shows the start page with
// the new summary alone. The rich edit's own deletion of such a log took
// minutes: the log's window is replaced, and the new one looks and works
// as the first did.
TEST_F(WizardTest, BackAndNextAfterALongRunShowTheNewSummaryInAFreshLog)
{
    constexpr int Mailboxes = 5000;
    ReadyToRun(1);
    const HWND First = Form->edtProcessing->Handle();
    const int Width = Form->edtProcessing->Width(), Height = Form->edtProcessing->Height();
    auto Picture = [&] {
        Pump();
        UpdateWindow(Form->Handle());
        TBitmap B(Width, Height);
        GrabWindow(Form->edtProcessing->Handle(), B);
        return std::vector<std::uint32_t>(B.ScanLine(0), B.ScanLine(0) + Width * Height);
    };
    const auto Summary = Picture();
    const std::string SummaryText = Form->edtProcessing->AllText();
    // The run's lines as the driver hands them over, a block a mailbox.
    auto LongRun = [&] {
        Form->OnPump = [&](int) {
            if (Form->Log.size() != 1)
                return;
            for (int I = 0; I < Mailboxes; ++I) {
                Form->AddLogLine("Processing: Z:\\mail\\box" + std::to_string(I) + ".mbox");
                Form->AddLogLine("Done");
            }
        };
        PostClick(Form->btnNext);
        Pump();
    };
    LongRun();
    ASSERT_GT(Form->LogLineCount(), 2 * Mailboxes);
    // As the keyboard sends them: a handled Alt letter makes no character.
    for (const auto& [Key, Page] : {std::pair{'B', pgTarget}, std::pair{'N', pgStart}}) {
        PostAlt(Key);
        Pump();
        ASSERT_EQ(Form->PageIndex(), Page);
    }
    EXPECT_FALSE(IsWindow(First));
    EXPECT_EQ(Form->edtProcessing->AllText(), SummaryText);
    EXPECT_EQ(Picture(), Summary);
    // The new window takes a whole long log, and the next run no mark of an
    // earlier one.
    Form->Log.clear();
    LongRun();
    EXPECT_GT(Form->LogLineCount(), 2 * Mailboxes);
    EXPECT_EQ(Form->Log.front(), "Processing: " + Dir.File("Big"));
}
