#include <gtest/gtest.h>

#include <string>

#include "app/KvWizardOptions.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvParam.h"
#include "foundation/KvSettings.h"
#include "testkit/TestFolder.h"
#include "tests/app/AccessibilityKept.h"

TEST(GWizardSwitches, AccessibilityValues)
{
    struct Case {
        const char* Value;
        bool HighContrastBefore;
        bool Install, ScreenReader, HighContrast, Follow;
    };
    const Case Cases[] = {
        {"install", true, true, true, true, true},  {"INSTALL", false, true, true, false, true},
        {"", true, false, true, true, true},         {"yes", false, false, true, false, true},
        {"whatever", false, false, true, false, true}, {"off", true, false, false, false, false},
        {"0", true, false, false, false, false},     {"FALSE", true, false, false, false, false},
        {"No", true, false, false, false, false},
    };
    const TAccessibilityKept Accessibility;
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Value);
        GAppScreenReader = false;
        GAppHighContrast = K.HighContrastBefore;
        GFollowSystemAccessibility = true;
        EXPECT_EQ(SetupAccessibility(K.Value), K.Install);
        EXPECT_EQ(GAppScreenReader, K.ScreenReader);
        EXPECT_EQ(GAppHighContrast, K.HighContrast);
        EXPECT_EQ(GFollowSystemAccessibility, K.Follow);
    }
}

TEST(GWizardSwitches, CommandLine)
{
    struct Case {
        const char* Line;
        bool Reset, HasAcc;
        const char* Acc;
        const char* Address;
    };
    const Case Cases[] = {
        {"", false, false, "", "https://u.example/Tessaly_en.ini"},
        {"/RESETWND", true, false, "", "https://u.example/Tessaly_en.ini"},
        {"/resetwnd /acc", true, true, "", "https://u.example/Tessaly_en.ini"},
        {"/acc=install /newsfile=beta.ini", false, true, "install", "https://u.example/beta.ini"},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.Line);
        TCmdList Switches("x.exe");
        Switches.Clear();
        Switches.Parse(K.Line);
        const TWizardSwitches S = ReadWizardSwitches(Switches, "https://u.example/", "Tessaly");
        EXPECT_EQ(S.ResetWindow, K.Reset);
        EXPECT_EQ(S.HasAcc, K.HasAcc);
        EXPECT_EQ(S.Acc, K.Acc);
        EXPECT_EQ(S.UpdateAddress, K.Address);
    }
}

TEST(CopyMatchingFiles, WildcardFolders)
{
    TTestFolder Root("copymatch");
    const std::string Source = Root.Write("Tessaly.dtl", "support");
    for (const char* F : {"Hal1", "Hal1\\Settings", "Hal2", "Hal2\\Settings", "Hal3", "Other", "Other\\Settings"})
        CreateDirectoryA(Root.File(F).c_str(), nullptr);
    Root.Write("Hal2\\Settings\\Tessaly.dtl", "old");

    EXPECT_TRUE(CopyMatchingFiles(Source, Root.File("Hal*\\Settings")));
    EXPECT_EQ(TTestFolder::Read(Root.File("Hal1\\Settings\\Tessaly.dtl")), "support");
    EXPECT_EQ(TTestFolder::Read(Root.File("Hal2\\Settings\\Tessaly.dtl")), "support");
    // Hal3 has no Settings folder, and "Other" does not match "Hal*".
    EXPECT_EQ(GetFileAttributesA(Root.File("Hal3\\Settings").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(Root.File("Other\\Settings\\Tessaly.dtl").c_str()), INVALID_FILE_ATTRIBUTES);
    // The replaced file went to a backup beside it.
    int Files = 0;
    WIN32_FIND_DATAA D;
    HANDLE H = FindFirstFileA(Root.File("Hal2\\Settings\\*").c_str(), &D);
    do
        Files += !(D.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    while (FindNextFileA(H, &D));
    FindClose(H);
    EXPECT_EQ(Files, 2);

    EXPECT_FALSE(CopyMatchingFiles(Source, Root.File("None*\\Settings")));
    EXPECT_TRUE(CopyMatchingFiles(Source, Root.File("Hal3")));
    EXPECT_EQ(TTestFolder::Read(Root.File("Hal3\\Tessaly.dtl")), "support");
}

TEST(WizardOptions, RoundTripThroughAnIni)
{
    TTestFolder Root("options");
    const std::string Ini = Root.File("Tessaly.ini");
    TWizardOptions Saved;
    Saved.CheckForUpdates = false;
    Saved.SourceFormat = mftEudoraToc;
    Saved.IncludeSubfolders = false;
    Saved.TargetFormat = mftMboxUnix;
    Saved.TargetFolder = Root.Path() + "\\";
    Saved.MatchDates = false;
    Saved.SourceFolders[mftThunderbird] = "C:\\Tb";
    Saved.SourceFolders[mftMacEudora] = "C:\\MacEudora";
    Saved.SourceFolders[mftPine] = "";
    {
        TRegOrIni Store(Ini);
        Store.WriteString("SourceFolders", "Mozilla", "C:\\Stale");
        SaveWizardOptions(Store, Saved, 1600);
        Store.UpdateFile();
    }
    TRegOrIni Store(Ini);
    EXPECT_EQ(Store.ReadString("SourceFolders", "Mozilla", "gone"), "gone");
    // No key without a name: the nameless formats never share one.
    EXPECT_EQ(Store.ReadString("SourceFolders", "", "none"), "none");
    TWizardOptions Loaded;
    LoadWizardOptions(Store, Loaded);
    EXPECT_FALSE(Loaded.CheckForUpdates);
    EXPECT_EQ(Loaded.SourceFormat, mftEudoraToc);
    EXPECT_FALSE(Loaded.IncludeSubfolders);
    EXPECT_TRUE(Loaded.SkipTrashJunk);
    EXPECT_EQ(Loaded.TargetFormat, mftMboxUnix);
    EXPECT_EQ(Loaded.TargetFolder, Saved.TargetFolder);
    EXPECT_FALSE(Loaded.MatchDates);
    EXPECT_TRUE(Loaded.Md5FileNames);
    EXPECT_EQ(Loaded.SourceFolders[mftThunderbird], "C:\\Tb");
    EXPECT_EQ(Loaded.SourceFolders[mftMozilla], "");
}

TEST(WizardOptions, StoredValuesWithoutARowKeepTheDefaults)
{
    TTestFolder Root("options2");
    struct Case {
        const char* What;
        const char* Source;
        const char* Target;
        const char* Folder;
        TMailFormat ExpectedSource, ExpectedTarget;
        bool FolderKept;
    };
    const Case Cases[] = {
        {"an old source name", "Netscape_Old", "EML", "", mftThunderbird, mftEml, false},
        {"a source format stored as the target", "Thunderbird", "Thunderbird", "", mftThunderbird, mftEml, false},
        {"Other as the source", "Other", "TXT", "", mftThunderbird, mftTxt, false},
        {"an unknown name", "Nonsense", "Nonsense", "", mftThunderbird, mftEml, false},
        {"a folder that went away", "Mozilla", "EML", "C:\\no\\such\\folder\\", mftMozilla, mftEml, false},
    };
    for (const Case& K : Cases) {
        SCOPED_TRACE(K.What);
        TRegOrIni Store(Root.File(std::string(K.What) + ".ini"));
        Store.WriteString("SourceOptions", "MailFormat", K.Source);
        Store.WriteString("TargetOptions", "MailFormat", K.Target);
        Store.WriteString("TargetOptions", "Folder", K.Folder);
        TWizardOptions O;
        O.TargetFolder = "C:\\Default\\Mail\\";
        LoadWizardOptions(Store, O);
        EXPECT_EQ(O.SourceFormat, K.ExpectedSource);
        EXPECT_EQ(O.TargetFormat, K.ExpectedTarget);
        EXPECT_EQ(O.TargetFolder, "C:\\Default\\Mail\\");
    }
}
