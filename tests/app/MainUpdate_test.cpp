// The update check: the first-start question, the check box, and a
// download that fails, throws or outlives the form.
#include "tests/app/WizardStartFixture.h"

namespace {

class MainUpdateTest : public MainStartTest {};

const char* const UpdateQuestionStart = "Corvane Tessaly can check the Internet for new updates";

TEST_F(MainUpdateTest, FirstStartAsksAndTheAnswerIsKept)
{
    struct TCase {
        const char* Name;
        TModalResult Answer;
        int Downloads;
        std::vector<std::string> LaterBoxes;
        const char* StoredFlag;
    } Cases[] = {
        {"declined", mrNo, 0, {}, "0"},
        {"agreed", mrYes, 1, {"Your copy of Corvane Tessaly is up-to-date."}, "1"},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        Boxes.clear();
        Net.Calls = 0;
        Answer = C.Answer;
        Open(Net.Make(S_OK, "[Application]\r\nVersion=1600\r\n"), true);
        // An agreed check may already have ended inside the start-up pump,
        // so the later boxes are compared once the download has ended.
        ASSERT_FALSE(Boxes.empty());
        EXPECT_EQ(Boxes[0].substr(0, strlen(UpdateQuestionStart)), UpdateQuestionStart);
        RunDownload();
        EXPECT_EQ(Net.Calls, C.Downloads);
        EXPECT_EQ(std::vector<std::string>(Boxes.begin() + 1, Boxes.end()), C.LaterBoxes);
        EXPECT_EQ(Form->cbxCheckForUpdates->Checked(), C.Answer == mrYes);
        EXPECT_EQ(Form->cbxCheckForUpdates->Tag(), 1);
        // A first start stays on the welcome page.
        EXPECT_EQ(Form->PageIndex(), pgIntroduction);
        Form->Close();
        Pump();
        Form = nullptr;
        EXPECT_EQ(Stored("Application", "CheckForUpdates"), C.StoredFlag);
    }
}

TEST_F(MainUpdateTest, OfflineCheckIsSilentAndNeverStaysBusy)
{
    AppSettings->WriteBool("Application", "CheckForUpdates", true);
    Open(Net.Make(OfflineResult, ""), false);
    RunDownload();
    ASSERT_NE(Form->UpdateDownload(), nullptr);
    EXPECT_FALSE(Form->UpdateDownload()->Busy());
    EXPECT_EQ(Form->UpdateDownload()->Hr(), OfflineResult);
    EXPECT_TRUE(Boxes.empty());
    // Not stuck: the next check downloads again.
    Form->CheckForUpdates();
    RunDownload();
    EXPECT_EQ(Net.Calls, 2);
    EXPECT_FALSE(Form->UpdateDownload()->Busy());
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(MainUpdateTest, AnEventThatThrowsLeavesTheCheckUsable)
{
    AppSettings->WriteBool("Application", "CheckForUpdates", true);
    Throw = true; // the offer's question box throws
    Open(Net.Make(S_OK, "[Application]\r\nVersion=1601\r\nVersionText=1.7\r\n"), false);
    RunDownload();
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0], "Version 1.7 is now available. Would you like to download it?");
    EXPECT_FALSE(Form->UpdateDownload()->Busy());
    Throw = false;
    Answer = mrNo;
    Form->CheckForUpdates();
    RunDownload();
    EXPECT_EQ(Net.Calls, 2);
    EXPECT_EQ(Boxes.size(), 2u);
}

TEST_F(MainUpdateTest, ClosingMidDownloadNeitherWaitsNorReachesTheForm)
{
    AppSettings->WriteBool("Application", "CheckForUpdates", true);
    HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE Returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TUrlTransport T = FakeTransport(S_OK, "[Application]\r\nVersion=1601\r\nVersionText=1.7\r\n");
    auto Inner = T.DownloadToFile;
    T.DownloadToFile = [Go, Returned, Inner](const char* Url, const char* File, IBindStatusCallback* Cb) {
        WaitForSingleObject(Go, 10000);
        const HRESULT R = Inner(Url, File, Cb);
        SetEvent(Returned);
        return R;
    };
    Open(T, false);
    ASSERT_NE(Form->UpdateDownload(), nullptr);
    EXPECT_TRUE(Form->UpdateDownload()->Busy());
    Form->Free(); // closing does not wait for the worker
    Form = nullptr;
    SetEvent(Go);
    // The worker's calls run here and find no form.
    for (int I = 0; I < 500 && WaitForSingleObject(Returned, 0) != WAIT_OBJECT_0; ++I)
        CheckSynchronize(20);
    ASSERT_EQ(WaitForSingleObject(Returned, 0), WAIT_OBJECT_0);
    while (CheckSynchronize(200)) {
    }
    EXPECT_TRUE(Boxes.empty());
    CloseHandle(Go);
    CloseHandle(Returned);
}

TEST_F(MainUpdateTest, TickingTheBoxChecksAndUntickingStopsIt)
{
    AppSettings->WriteBool("Application", "CheckForUpdates", false);
    Open(Net.Make(OfflineResult, ""), false);
    EXPECT_EQ(Net.Calls, 0);
    EXPECT_FALSE(Form->cbxCheckForUpdates->Checked());
    Form->cbxCheckForUpdates->SetChecked(true); // as the user's click does
    RunDownload();
    EXPECT_EQ(Net.Calls, 1);
    EXPECT_TRUE(Form->UpdateCheckOn());
    Form->cbxCheckForUpdates->SetChecked(false);
    EXPECT_FALSE(Form->UpdateCheckOn());
    Form->SaveSettings();
    EXPECT_EQ(Stored("Application", "CheckForUpdates"), "0");
}

} // namespace
