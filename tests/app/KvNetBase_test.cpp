#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/KvHelpBase.h"
#include "app/KvNetBase.h"
#include "classlib/Threads.h"
#include "foundation/KvSystem.h"
#include "testkit/TestFolder.h"
#include "tests/app/FakeTransport.h"

namespace {

// Runs the download's synchronised calls until it ends; each round waits
// for the worker's next call rather than sleeping.
void RunUntilEnded(const TUrlDownload& D)
{
    for (int I = 0; I < 500 && D.Busy(); ++I)
        CheckSynchronize(20);
}

class UpdateInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FOldDlg = SetMessageDlgHook([this](const TMessageDlgRequest& R) {
            Boxes.push_back(R.Msg);
            return Answer;
        });
        GHooks.ShellLaunch = [this](HWND, const char*, const char* File, const char*, const char*, int) {
            Opened.push_back(File);
            return reinterpret_cast<HINSTANCE>(33);
        };
        GHooks.Beep = [](UINT) {};
    }
    void TearDown() override
    {
        SetMessageDlgHook(FOldDlg);
    }
    std::vector<std::string> Boxes, Opened;
    TModalResult Answer = mrYes;
    TTestFolder Folder{"update"};

private:
    TMessageDlgHook FOldDlg;
    THooksScope FHooks;
};

} // namespace

TEST(DownloadPercent, RoundsInSixtyFourBits)
{
    struct Case {
        ULONG Progress, Max;
        int Percent;
    };
    const Case Cases[] = {
        {0, 0, 0},           {5, 0, 0},           {1, 3, 33},
        {2, 3, 67},          {50000000, 100000000, 50},  // past 2^32 once multiplied
        {0xFFFFFFFFu, 0xFFFFFFFFu, 100},
    };
    for (const Case& K : Cases)
        EXPECT_EQ(DownloadPercent(K.Progress, K.Max), K.Percent) << K.Progress << "/" << K.Max;
}

TEST(UrlDownload, TargetFileWorkedOutFromTheSettings)
{
    struct Case {
        const char* Url;
        const char* Folder;
        const char* Name;
        bool Cache;
        const char* Expected;
    };
    const Case Cases[] = {
        {"http://h/a/Tessaly_en.ini", "C:\\T", "", false, "C:\\T\\Tessaly_en.ini"},
        {"http://h/a/Tessaly_en.ini", "C:\\T\\", "x.ini", false, "C:\\T\\x.ini"},
        {"http://h/a/Tessaly_en.ini", "C:\\T", "D:\\y.ini", false, "D:\\y.ini"},
        {"noslash", "C:\\T", "", false, "C:\\T\\noslash"},
        {"http://h/a/Tessaly_en.ini", "C:\\T", "", true, ""},
    };
    for (const Case& K : Cases) {
        TUrlDownload D(nullptr);
        D.SourceUrl = K.Url;
        D.TargetFolder = K.Folder;
        D.TargetName = K.Name;
        D.DownloadToCache = K.Cache;
        EXPECT_EQ(D.WorkOutTargetFile(), K.Expected) << K.Url;
    }
}

TEST(UrlDownload, FakeTransportOutcomes)
{
    TTestFolder Folder("download");
    struct Case {
        const char* What;
        HRESULT Result;
        bool ThrowInProgress;
        bool CancelInProgress;
        bool Written, IsError, Aborted;
    };
    const Case Cases[] = {
        {"success", S_OK, false, false, true, false, false},
        {"offline", static_cast<HRESULT>(0x800C0008), false, false, false, true, false},
        {"cancelled", S_OK, false, true, false, false, true},
        {"event throws", S_OK, true, false, false, false, false},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        std::vector<std::string> Deleted, Events;
        TUrlDownload D(nullptr);
        D.SourceUrl = "http://updates.invalid/Tessaly_en.ini";
        D.TargetFolder = Folder.Path();
        D.TargetName = std::string(K.What) + ".ini";
        D.Transport = FakeTransport(K.Result, "[Application]\r\nVersion=1601\r\n", &Deleted);
        D.OnDownloadBegin = [&](TObject*) { Events.push_back("begin"); };
        D.OnProgress = [&](TObject*, int Percent, bool& Cancel) {
            Events.push_back("progress " + std::to_string(Percent));
            if (K.ThrowInProgress)
                throw std::runtime_error("handler failed");
            Cancel = K.CancelInProgress;
        };
        D.OnShowInfo = [&](TObject*, bool, bool, const std::string&, HRESULT) { Events.push_back("info"); };
        D.OnDownloadEnd = [&](TObject*) { Events.push_back("end"); };
        ASSERT_TRUE(D.StartDownload());
        EXPECT_FALSE(D.StartDownload());  // one at a time
        RunUntilEnded(D);
        EXPECT_FALSE(D.Busy());
        ASSERT_FALSE(Events.empty());
        EXPECT_EQ(Events.back(), "end");
        EXPECT_EQ(Events.front(), "begin");
        EXPECT_EQ(Deleted, std::vector<std::string>{D.SourceUrl});
        EXPECT_EQ(D.Hr() == S_OK, K.Written);
        EXPECT_EQ(GetFileAttributesA(D.TargetFile().c_str()) != INVALID_FILE_ATTRIBUTES, K.Written);
        if (!K.ThrowInProgress) {
            EXPECT_EQ(D.IsError(), K.IsError);
            EXPECT_EQ(D.Aborted(), K.Aborted);
        }
    }
}

TEST(UrlDownload, ComponentFreedMidDownloadGetsNoEvents)
{
    HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE Done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int EventsAfterFree = 0;
    bool Freed = false;
    auto* D = new TUrlDownload(nullptr);
    D->SourceUrl = "http://updates.invalid/x.ini";
    D->DownloadToCache = false;
    D->TargetFolder = "C:\\";
    D->Transport.DeleteCacheEntry = [](const char*) { return TRUE; };
    D->Transport.DownloadToFile = [Go, Done](const char*, const char*, IBindStatusCallback* Cb) {
        WaitForSingleObject(Go, 5000);
        Cb->OnProgress(1, 1, 0, nullptr);
        Cb->OnStopBinding(S_OK, nullptr);
        SetEvent(Done);
        return S_OK;
    };
    D->OnProgress = [&](TObject*, int, bool&) { EventsAfterFree += Freed; };
    D->OnDownloadEnd = [&](TObject*) { EventsAfterFree += Freed; };
    ASSERT_TRUE(D->StartDownload());
    delete D;  // returns at once: nothing waits for the thread
    Freed = true;
    SetEvent(Go);
    // The worker's remaining calls (progress, stop, end) run here and find
    // no component.
    for (int I = 0; I < 250 && WaitForSingleObject(Done, 0) != WAIT_OBJECT_0; ++I)
        CheckSynchronize(20);
    EXPECT_EQ(WaitForSingleObject(Done, 0), WAIT_OBJECT_0);
    CheckSynchronize(100);  // the end report
    EXPECT_EQ(EventsAfterFree, 0);
    CloseHandle(Go);
    CloseHandle(Done);
}

TEST(UrlDownload, SystemTransportWithAFileAddress)
{
    TTestFolder Folder("urlfile");
    const std::string Source = Folder.Write("info.ini", "[Application]\r\nVersion=1600\r\n");
    TUrlDownload D(nullptr);
    D.Transport = SystemUrlTransport();
    D.SourceUrl = "file:///" + Source;
    D.TargetFolder = Folder.Path();
    D.TargetName = "copy.ini";
    ASSERT_TRUE(D.StartDownload());
    RunUntilEnded(D);
    ASSERT_FALSE(D.Busy());
    EXPECT_EQ(D.Hr(), S_OK);
    EXPECT_EQ(TTestFolder::Read(D.TargetFile()), "[Application]\r\nVersion=1600\r\n");
}

TEST_F(UpdateInfoTest, InformationFileDecides)
{
    const std::string Offer = "Version 1.7 is now available. Would you like to download it?";
    struct Case {
        const char* What;
        HRESULT Hr;
        const char* Ini;
        bool FirstStart;
        TModalResult Answer;
        std::vector<std::string> Boxes, Opened;
        const char* LinkUrl;
    };
    const Case Cases[] = {
        {"same build, later start", S_OK, "Version=1600\r\nVersionText=1.6\r\n", false, mrYes, {}, {}, "http://site/"},
        {"same build, first start", S_OK, "Version=1600\r\n", true, mrYes,
         {"Your copy of Corvane Tessaly is up-to-date."}, {}, "http://site/"},
        {"newer, accepted", S_OK, "Version=1601\r\nVersionText=1.7\r\nUpdateUrl=https://get.example/?b=%s\r\n", false,
         mrYes, {Offer}, {"https://get.example/?b=1600"}, "http://site/"},
        {"newer, declined", S_OK, "Version=1601\r\nVersionText=1.7\r\nUpdateUrl=https://get.example/\r\n", false, mrNo,
         {Offer}, {}, "http://site/"},
        {"newer without text", S_OK, "Version=1601\r\nUpdateUrl=https://get.example/\r\n", false, mrYes, {}, {},
         "http://site/"},
        {"link with the build", S_OK, "LinkText=News\r\nLinkUrl=http://news.example/%s\r\nVersion=1601\r\nVersionText=1.7\r\n",
         false, mrYes, {Offer}, {"http://news.example/1600"}, "http://news.example/1600"},
        {"format codes stay text", S_OK, "LinkText=News\r\nLinkUrl=http://n.example/%n%x%s\r\n", false, mrYes, {}, {},
         "http://n.example/%n%x1600"},
        {"no other schemes", S_OK,
         "LinkText=News\r\nLinkUrl=javascript:x\r\nVersion=1601\r\nVersionText=1.7\r\nUpdateUrl=file:///C:/x.exe\r\n",
         false, mrYes, {Offer}, {}, "http://site/"},
        {"failed download", static_cast<HRESULT>(0x800C0008), "Version=1601\r\nVersionText=1.7\r\n", true, mrYes, {}, {},
         "http://site/"},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        Boxes.clear();
        Opened.clear();
        Answer = K.Answer;
        const std::string File = Folder.Write("info.ini", std::string("[Application]\r\n") + K.Ini);
        TUpdateCheck Check;
        Check.ProductName = "Corvane Tessaly";
        Check.FirstStart = K.FirstStart;
        Check.LinkUrl = "http://site/";
        ProcessUpdateInfo(K.Hr, File, Check);
        EXPECT_EQ(Boxes, K.Boxes);
        EXPECT_EQ(Opened, K.Opened);
        EXPECT_EQ(Check.LinkUrl, K.LinkUrl);
    }
    Boxes.clear();
    TUpdateCheck Check;
    ProcessUpdateInfo(S_OK, Folder.File("missing.ini"), Check);
    EXPECT_TRUE(Boxes.empty());
}

TEST(Wininet, TheConnectionStateIsAskedOfTheSystemLibrary)
{
    // -1 would mean the function was not found by its name.
    DWORD Flags = 0xFFFFFFFF;
    const BOOL Connected = KvInternetGetConnectedState(&Flags, 0);
    EXPECT_NE(Connected, -1);
    EXPECT_NE(Flags, 0xFFFFFFFFu);
}
