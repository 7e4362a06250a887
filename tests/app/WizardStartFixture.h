#pragma once
// The real main form on a scratch ini, with its boxes recorded and its
// update download on a transport of the test's choice.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "app/KvAppStart.h"
#include "app/KvConvert.h"
#include "app/KvFormsHack.h"
#include "app/KvFormsSave.h"
#include "app/KvRichPnl.h"
#include "controls/RzButton.h"
#include "controls/RzPanel.h"
#include "app/KvNetBase.h"
#include "app/Main.h"
#include "app/TessalyStart.h"
#include "classlib/Dialogs.h"
#include "classlib/Threads.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzLabel.h"
#include "controls/RzLstBox.h"
#include "controls/RzRadChk.h"
#include "controls/RzRadGrp.h"
#include "controls/RzRichUrl.h"
#include "controls/RzStatus.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSystem.h"
#include "testkit/TestFolder.h"
#include "tests/app/FakeTransport.h"
#include "tests/app/ScratchSettings.h"

namespace {

// A transport that counts its downloads and answers with an information
// file (or with Result when that is not S_OK).
struct TCountingTransport {
    std::atomic<int> Calls{0};
    TUrlTransport Make(HRESULT Result, const std::string& Ini)
    {
        TUrlTransport T = FakeTransport(Result, Ini);
        auto Inner = T.DownloadToFile;
        T.DownloadToFile = [this, Inner](const char* Url, const char* File, IBindStatusCallback* Cb) {
            ++Calls;
            return Inner(Url, File, Cb);
        };
        return T;
    }
};

class MainStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        Answer = mrYes;
        FOldName = ApplicationName;
        ApplicationName = "Corvane Tessaly";
        FOldSwitches = GWizardSwitches;
        // The update check downloads into the program's temp folder: into
        // this test's own, so that nothing is left behind.
        FOldTemp = TempFolderOverride;
        TempFolderOverride = Dir.Path();
    }
    void TearDown() override
    {
        if (Form)
            Form->Free();
        Pump();
        ApplicationName = FOldName;
        GWizardSwitches = FOldSwitches;
        TempFolderOverride = FOldTemp;
        Application->OnException = nullptr;
        Application->OnHelp = nullptr;
    }
    static void Pump() { Application->ProcessMessages(); }
    // Creates and shows the form: the deferred start-up and the first-show
    // step (the update check) run in the pump.
    void Open(const TUrlTransport& Transport, bool FirstStart)
    {
        SettingsAreNew = FirstStart;
        Form = new TfrmTessaly(nullptr);
        Form->UpdateTransport = Transport;
        Form->Handle();
        Pump();
    }
    // Serves the download's calls until it ended; each round waits for the
    // worker's next call.
    void RunDownload()
    {
        TUrlDownload* D = Form->UpdateDownload();
        for (int I = 0; D && I < 500 && D->Busy(); ++I)
            CheckSynchronize(20);
    }
    std::string Stored(const char* Section, const char* Key)
    {
        return AppSettings->ReadString(Section, Key, "<none>");
    }

    TTestFolder Dir{"mainstart"};
    // Put back after TearDown freed the form; Open sets whether the
    // settings count as new.
    TScratchSettings Settings{Dir.File("Tessaly.ini"), false};
    TfrmTessaly* Form = nullptr;
    std::vector<std::string>& Boxes = Settings.Boxes;
    TModalResult& Answer = Settings.Answer;
    bool& Throw = Settings.Throw;
    TCountingTransport Net;

private:
    std::string FOldName, FOldTemp;
    TWizardSwitches FOldSwitches;
};

} // namespace
