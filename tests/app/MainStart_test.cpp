// The main form's start-up and its stored settings.
#include "tests/app/WizardStartFixture.h"

#include <htmlhelp.h>

#include "app/KvHelp.h"
#include "app/KvHelpBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSpFolder.h"

namespace {

TEST_F(MainStartTest, StoredSettingsRoundTripThroughTheForm)
{
    const std::string Target = Dir.Path() + "\\Out\\*.mbx";
    CreateDirectoryA((Dir.Path() + "\\Out").c_str(), nullptr);
    AppSettings->WriteBool("Application", "CheckForUpdates", false);
    AppSettings->WriteString("SourceOptions", "MailFormat", MailFormatName(mftEudoraMbx));
    AppSettings->WriteBool("SourceOptions", "IncludeSubfolders", false);
    AppSettings->WriteBool("SourceOptions", "SkipTrashJunk", true);
    AppSettings->WriteString("SourceFolders", MailFormatName(mftEudoraToc), "C:\\Eudora\\");
    AppSettings->WriteString("TargetOptions", "MailFormat", MailFormatName(mftMboxUnix));
    AppSettings->WriteString("TargetOptions", "Folder", Target);
    AppSettings->WriteBool("TargetOptions", "RestoreFolderTree", false);
    AppSettings->WriteBool("TargetOptions", "MatchDates", true);
    AppSettings->WriteBool("TargetOptions", "Md5FileNames", false);
    Open(Net.Make(OfflineResult, ""), false);

    EXPECT_EQ(Form->GetSelectedSourceFormat(), mftEudoraMbx);
    EXPECT_FALSE(Form->grpSourceOptions->GetItemChecked(0));
    EXPECT_TRUE(Form->grpSourceOptions->GetItemChecked(1));
    EXPECT_EQ(Form->GetSelectedTargetFormat(), mftMboxUnix);
    EXPECT_EQ(Form->edtTargetFolder->Text(), Target);
    EXPECT_FALSE(Form->grpTargetOptions->GetItemChecked(0));
    EXPECT_TRUE(Form->grpTargetOptions->GetItemChecked(1));
    EXPECT_FALSE(Form->grpTargetOptions->GetItemChecked(2));
    EXPECT_EQ(Form->SourceFolders[mftEudoraToc], "C:\\Eudora\\");
    EXPECT_FALSE(Form->cbxCheckForUpdates->Checked());
    EXPECT_EQ(Net.Calls, 0);
    // A later start opens on the source page.
    EXPECT_EQ(Form->PageIndex(), pgSource);

    Form->SelectSourceFormat(mftMbox);
    Form->grpSourceOptions->SetItemChecked(0, true);
    Form->SelectTargetFormat(mftEml);
    Form->grpTargetOptions->SetItemChecked(2, true);
    Form->Close();
    Pump();
    Form = nullptr;
    EXPECT_EQ(Stored("SourceOptions", "MailFormat"), MailFormatName(mftMbox));
    EXPECT_EQ(Stored("SourceOptions", "IncludeSubfolders"), "1");
    EXPECT_EQ(Stored("TargetOptions", "MailFormat"), MailFormatName(mftEml));
    EXPECT_EQ(Stored("TargetOptions", "Md5FileNames"), "1");
    EXPECT_EQ(Stored("TargetOptions", "RestoreFolderTree"), "0");
    EXPECT_EQ(Stored("SourceFolders", MailFormatName(mftEudoraToc).c_str()), "C:\\Eudora\\");
    EXPECT_EQ(Stored("Application", "CheckForUpdates"), "0");
    EXPECT_EQ(Stored("Application", "Version"), std::to_string(BuildNumber));
}

// With the stored target folder gone, the default folder is offered in the
// stored format's form: "*.eml" beside "mbox for Windows" would name every
// mbox copy "....eml".
TEST_F(MainStartTest, TheDefaultTargetFollowsTheStoredFormat)
{
    AppSettings->WriteString("TargetOptions", "MailFormat", MailFormatName(mftMboxWin));
    AppSettings->WriteString("TargetOptions", "Folder", Dir.Path() + "\\gone\\*.eml");
    Open(Net.Make(OfflineResult, ""), false);
    EXPECT_EQ(Form->GetSelectedTargetFormat(), mftMboxWin);
    EXPECT_EQ(Form->edtTargetFolder->Text(),
              NormalizeTargetText(AddTrailingBackslash(JoinPath(GetDocumentsFolder(), "Mail")), mftMboxWin));
    EXPECT_EQ(Form->edtTargetFolder->Text().find(".eml"), std::string::npos);
}

TEST_F(MainStartTest, StartUpFillsTheWindow)
{
    Open(Net.Make(OfflineResult, ""), false);
    EXPECT_EQ(Form->Caption(), "Corvane Tessaly");
    EXPECT_EQ(Form->IdleStatus, IdleStatusLine());
    EXPECT_EQ(Form->pnlStatusPane->Caption(), IdleStatusLine());
    EXPECT_EQ(Form->urlVisitWebsite->URL(), "http://www.corvane.example/?rf=Tessaly");
    // The test program's folder carries no introduction file.
    EXPECT_NE(Form->edtIntroduction->Text().find("Please reinstall Corvane Tessaly."), std::string::npos);
    // Exceptions that reach the application from now on show the error box.
    ASSERT_TRUE(Application->OnException);
    try {
        throw Exception("Disk full");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(Boxes, std::vector<std::string>{"Disk full"});
}

TEST_F(MainStartTest, LargeFontsAndTheMissingHelpFile)
{
    const bool OldLarge = GLargeFonts;
    int InfoSize[2] = {}, BarHeight[2] = {};
    for (const bool Large : {false, true}) {
        SCOPED_TRACE(Large ? "large fonts" : "normal fonts");
        GLargeFonts = Large;
        Open(Net.Make(OfflineResult, ""), false);
        InfoSize[Large] = Form->pnlInfo->Font()->Size();
        BarHeight[Large] = Form->pnlStatusBar->Height();
        // No help file ships: a help request says so.
        Boxes.clear();
        Form->btnHelpClick(Form->btnHelp);
        EXPECT_EQ(Boxes, std::vector<std::string>{"Help file is missing"});
        Form->Free();
        Form = nullptr;
        Pump();
    }
    GLargeFonts = OldLarge;
    EXPECT_EQ(InfoSize[true], InfoSize[false] + 1);
    EXPECT_EQ(BarHeight[true], BarHeight[false] + 4);
}

// The help file the build compiled sits beside the program, one folder
// over from the test programs.
std::string BuiltHelpFile()
{
    char Exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Exe, MAX_PATH);
    std::string Folder = Exe;
    Folder.erase(Folder.find_last_of('\\') + 1);
    return Folder + "..\\app\\Tessaly.chm";
}

TEST_F(MainStartTest, TheHelpFileBesideTheProgramServesHelp)
{
    const std::string Built = BuiltHelpFile();
    if (!IsExistingFile(Built))
        GTEST_SKIP() << "the build compiled no help file (no CHM compiler)";
    const std::string OldExeFolder = ExeFolder;
    ExeFolder = Dir.Path() + "\\";
    ASSERT_TRUE(CopyFileA(Built.c_str(), (ExeFolder + "Tessaly.chm").c_str(), FALSE));
    struct TCall {
        std::string File;
        UINT Command;
    };
    std::vector<TCall> Calls;
    SetHtmlHelpProc([&](HWND, const char* File, UINT Command, DWORD_PTR) {
        Calls.push_back({File ? File : "", Command});
        return static_cast<HWND>(nullptr);
    });
    Open(Net.Make(OfflineResult, ""), false);
    EXPECT_EQ(Form->HelpContext(), 1);
    EXPECT_EQ(Application->HelpFile(), ExeFolder + "Tessaly.chm");
    Form->btnHelpClick(Form->btnHelp);
    Form->Free();
    Form = nullptr;
    Pump();
    SetHtmlHelpProc(nullptr);
    THelpManager::Release();
    Application->SetHelpFile("");
    ExeFolder = OldExeFolder;
    EXPECT_TRUE(Boxes.empty()); // no "Help file is missing"
    ASSERT_FALSE(Calls.empty());
    EXPECT_EQ(Calls[0].File, Dir.Path() + "\\Tessaly.chm");
    EXPECT_EQ(Calls[0].Command, static_cast<UINT>(HH_DISPLAY_TOC));
}

TEST_F(MainStartTest, ResetWindowSwitchIgnoresTheStoredSize)
{
    for (const bool Reset : {false, true}) {
        SCOPED_TRACE(Reset ? "RESETWND" : "stored placement");
        const std::string Section = TKvFormSave::LayoutSection();
        // The main form keeps only its size.
        AppSettings->WriteString(Section, "frmTessaly_Window", "40;50;700;560;0;1");
        GWizardSwitches.ResetWindow = Reset;
        Open(Net.Make(OfflineResult, ""), false);
        const bool StoredSize = Form->Width() == 700 && Form->Height() == 560;
        EXPECT_EQ(StoredSize, !Reset);
        EXPECT_NE(Form->Left(), 40);
        Form->Free();
        Form = nullptr;
        Pump();
    }
}

} // namespace
