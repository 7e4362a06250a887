#include "foundation/KvAppBase.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvParam.h"
#include "foundation/KvSpFolder.h"
#include "foundation/KvStrings.h"
#include "testkit/TestFolder.h"

namespace {

std::string Env(const char* Name)
{
    char buf[1024];
    const DWORD n = GetEnvironmentVariableA(Name, buf, sizeof(buf));
    return n > 0 && n < sizeof(buf) ? std::string(buf, n) : std::string();
}

void WriteFile(const std::string& Name, const std::string& Text)
{
    ASSERT_GE(SaveStringToFile(Name, Text), 0) << Name;
}

// The program lives in <root>\Prog, the user's application data in
// <root>\AppData; the shell, the environment and the drive tests all answer
// from there, so the real user's folders and keys are never looked at.
class KvAppBaseTest : public ::testing::Test {
protected:
    TTestFolder Root{"appbase"};
    std::string Prog, AppDataRoot, Product, Docs;
    bool Removable = false;
    bool ReadOnly = false;
    std::string RegKey;

    void SetUp() override
    {
        FSaved = {ExeFileName, ExeFolder, ExeBaseName, ApplicationName, AppDataSubfolder, Env("APPDATA")};
        FSavedCmd = CommandLine;
        Prog = Root.Path() + "\\Prog\\";
        AppDataRoot = Root.Path() + "\\AppData\\";
        Docs = Root.Path() + "\\Docs\\";
        Product = AppDataRoot + "TessalyTest\\Tessaly\\";
        for (const std::string& f : {Prog, AppDataRoot, Docs})
            CreateDirectoryA(f.c_str(), nullptr);
        ExeFileName = Prog + "Tessaly.exe";
        ExeFolder = Prog;
        ExeBaseName = "Tessaly";
        ApplicationName = "Tessaly";
        AppDataSubfolder = "TessalyTest\\Tessaly";
        SetEnvironmentVariableA("APPDATA", ExcludeTrailingSlash(AppDataRoot).c_str());
        GHooks.SpecialFolder = [this](int Csidl) -> std::string {
            switch (Csidl) {
            case 0x1A: case 0x1C: return ExcludeTrailingSlash(AppDataRoot);
            case 0x05: return ExcludeTrailingSlash(Docs);
            default: return Root.Path() + "\\Shell" + std::to_string(Csidl);
            }
        };
        GHooks.RemovableDrive = [this](const std::string&) { return Removable; };
        GHooks.ReadOnlyMedia = [this](const std::string&) { return ReadOnly; };
        RegKey = "TessalyTest\\System" + std::to_string(GetCurrentProcessId());
        ResetApplicationSettings();
        SetCommandLine("");
    }

    void TearDown() override
    {
        ResetApplicationSettings();
        CommandLine = FSavedCmd;
        FCmd.reset();
        ExeFileName = FSaved[0];
        ExeFolder = FSaved[1];
        ExeBaseName = FSaved[2];
        ApplicationName = FSaved[3];
        AppDataSubfolder = FSaved[4];
        SetEnvironmentVariableA("APPDATA", FSaved[5].empty() ? nullptr : FSaved[5].c_str());
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        reg.DeleteKey("\\Software\\" + RegKey);
    }

    void SetCommandLine(const std::string& Line)
    {
        auto list = std::make_unique<TCmdList>("-placeholder");
        list->Clear();
        list->Parse(Line);
        CommandLine = list.get();
        FCmd = std::move(list);
    }

    // {P} program folder, {A} the program's application-data folder, {D}
    // the application-data root, {R} the test root.
    std::string Expand(std::string S) const
    {
        const std::pair<const char*, std::string> subs[] = {
            {"{P}", Prog}, {"{A}", Product}, {"{D}", AppDataRoot}, {"{R}", Root.Path() + "\\"}};
        for (const auto& [tag, value] : subs)
            for (std::size_t at; (at = S.find(tag)) != std::string::npos;)
                S.replace(at, 3, value);
        return S;
    }

private:
    std::vector<std::string> FSaved;
    THooksScope FHooks;
    TCmdList* FSavedCmd = nullptr;
    std::unique_ptr<TCmdList> FCmd;
};

#define EXPECT_SAME_PATH(a, b) EXPECT_TRUE(SameTextStr(a, b)) << (a) << " vs " << (b)

TEST_F(KvAppBaseTest, StartUpDecisionsForEachSwitchCombination)
{
    struct TCase {
        const char* Name;
        const char* Ini;        // Prog\Tessaly.ini, or null
        const char* Bang;       // Prog\!Tessaly.ini, or null
        const char* Other;      // Prog\other.ini, or null
        const char* Cmd;
        bool Removable, ReadOnly, PresetUser;
        const char* ExpIni;
        const char* ExpData;
        bool ExpNew, ExpPortable;
        const char* ExpTemp;
        const char* ExpMarker;  // [Application] Marker read through the store
        const char* ExpUsb;     // [Application] USB as stored afterwards
        bool NoNewFile = false; // the program folder takes no new file
    };
    const char* beside = "[Application]\r\nVersion=5\r\nMarker=beside\r\n";
    const TCase cases[] = {
        {"ini beside the program", beside, nullptr, nullptr, "", false, false, false,
         "{P}Tessaly.ini", "{P}", false, false, "", "beside", ""},
        {"fresh start, program folder", nullptr, nullptr, nullptr, "", false, false, false,
         "{P}Tessaly.ini", "{P}", true, false, "", "", ""},
        {"fresh start, per-user folder asked for", nullptr, nullptr, nullptr, "", false, false, true,
         "{A}Tessaly.ini", "{A}", true, false, "", "", ""},
        {"removable drive", beside, nullptr, nullptr, "", true, false, false,
         "{P}Tessaly.ini", "{P}", false, true, "{P}Temp\\", "beside", ""},
        {"-USB on a fixed drive", beside, nullptr, nullptr, "-USB", false, false, false,
         "{P}Tessaly.ini", "{P}", false, true, "{P}Temp\\", "beside", "1"},
        {"-USB=yes", beside, nullptr, nullptr, "-USB=yes", false, false, false,
         "{P}Tessaly.ini", "{P}", false, false, "", "beside", "0"},
        {"-RESET", beside, nullptr, nullptr, "-RESET", false, false, false,
         "{P}Tessaly.ini", "{P}", true, false, "", "", ""},
        {"! file replaces the settings", beside, "[Application]\r\nVersion=6\r\nMarker=new\r\n", nullptr,
         "", false, false, false, "{P}Tessaly.ini", "{P}", false, false, "", "new", ""},
        {"-INI=my found nowhere", nullptr, nullptr, nullptr, "-INI=my", false, false, false,
         "{A}my.ini", "{A}", true, false, "", "", ""},
        {"-INI=other.ini beside the program", nullptr, nullptr, "[Application]\r\nVersion=2\r\nMarker=other\r\n",
         "-INI=other.ini", false, false, false, "{P}other.ini", "{A}", false, false, "", "other", ""},
        {"-USER with a macro", nullptr, nullptr, nullptr, "-USER=$AppData$\\Mine", false, false, false,
         "{D}Mine\\Tessaly.ini", "{D}Mine\\", true, false, "{D}Mine\\Temp\\", "", ""},
        {"-DAT relative", nullptr, nullptr, nullptr, "-DAT=Data2", false, false, false,
         "{D}Data2\\Tessaly.ini", "{D}Data2\\", true, false, "", "", ""},
        {"-TEMP", beside, nullptr, nullptr, "-TEMP=\"{R}My Temp\"", false, false, false,
         "{P}Tessaly.ini", "{P}", false, false, "{R}My Temp\\", "beside", ""},
        {"stored UserFolder moves the settings", "[Application]\r\nVersion=5\r\nMarker=moved\r\nUserFolder=Moved\r\n",
         nullptr, nullptr, "", false, false, false, "{D}Moved\\Tessaly.ini", "{D}Moved\\", false, false, "",
         "moved", ""},
        {"read-only medium moves the settings", beside, nullptr, nullptr, "", false, true, false,
         "{A}Tessaly.ini", "{A}", false, false, "", "beside", ""},
        {"a program folder that takes no new file moves the settings", beside, nullptr, nullptr, "", false, false,
         false, "{A}Tessaly.ini", "{A}", false, false, "", "beside", "", true},
        {"stored DataFolder and Temp", "[Application]\r\nVersion=5\r\nMarker=d\r\nDataFolder=$ExeFolder$\\D\r\nTemp={R}T2\r\n",
         nullptr, nullptr, "", false, false, false, "{P}Tessaly.ini", "{P}D\\", false, false, "{R}T2\\", "d", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ResetApplicationSettings();
        TTestFolder fresh("appbase_case");
        Prog = fresh.Path() + "\\Prog\\";
        AppDataRoot = fresh.Path() + "\\AppData\\";
        Product = AppDataRoot + "TessalyTest\\Tessaly\\";
        CreateDirectoryA(Prog.c_str(), nullptr);
        CreateDirectoryA(AppDataRoot.c_str(), nullptr);
        SetEnvironmentVariableA("APPDATA", ExcludeTrailingSlash(AppDataRoot).c_str());
        ExeFileName = Prog + "Tessaly.exe";
        ExeFolder = Prog;
        auto inFresh = [&](const char* S) {
            std::string r = S;
            for (std::size_t at; (at = r.find("{R}")) != std::string::npos;)
                r.replace(at, 3, fresh.Path() + "\\");
            return r;
        };
        if (c.Ini)
            WriteFile(Prog + "Tessaly.ini", inFresh(c.Ini));
        if (c.Bang)
            WriteFile(Prog + "!Tessaly.ini", c.Bang);
        if (c.Other)
            WriteFile(Prog + "other.ini", c.Other);
        // The name the write probe takes is a folder's already.
        if (c.NoNewFile)
            CreateDirectoryA((Prog + "kvo~test.tmp").c_str(), nullptr);
        Removable = c.Removable;
        ReadOnly = c.ReadOnly;
        UseUserFolder = c.PresetUser;
        SetCommandLine(inFresh(c.Cmd));

        StartApplicationSettings(RegKey);

        auto exp = [&](const char* S) { return Expand(inFresh(S)); };
        ASSERT_NE(AppSettings, nullptr);
        EXPECT_SAME_PATH(IniFileName, exp(c.ExpIni));
        EXPECT_SAME_PATH(AppSettings->FileName(), exp(c.ExpIni));
        EXPECT_SAME_PATH(GetDataFolder(), exp(c.ExpData));
        EXPECT_EQ(NewSettings, c.ExpNew);
        EXPECT_EQ(SettingsAreNew, c.ExpNew);
        EXPECT_EQ(PortableMode, c.ExpPortable);
        EXPECT_SAME_PATH(TempFolderOverride, exp(c.ExpTemp));
        if (*c.ExpTemp) {
            EXPECT_TRUE(FolderExists(TempFolderOverride));
        }
        EXPECT_EQ(AppSettings->ReadString(AppSection, "Marker", ""), c.ExpMarker);
        EXPECT_EQ(AppSettings->ReadString(AppSection, "USB", ""), c.ExpUsb);
        EXPECT_EQ(AppSettings->StorageMode(), smIniFile);
        if (c.Bang) {
            EXPECT_FALSE(IsExistingFile(Prog + "!Tessaly.ini"));
        }
        ResetApplicationSettings();
    }
}

TEST_F(KvAppBaseTest, ResetMovesTheSettingsToTheirBackup)
{
    WriteFile(Prog + "Tessaly.ini", "[Application]\r\nVersion=5\r\nMarker=old\r\n");
    SetCommandLine("-reset");
    StartApplicationSettings(RegKey);
    EXPECT_TRUE(NewSettings);
    EXPECT_FALSE(ResetSettings);
    EXPECT_TRUE(AppSettings->UseDefaults());
    EXPECT_FALSE(IsExistingFile(Prog + "Tessaly.ini"));
    EXPECT_EQ(LoadFileToString(Prog + "Tessaly.~ini"), "[Application]\r\nVersion=5\r\nMarker=old\r\n");
}

TEST_F(KvAppBaseTest, RegistryStorageAndStorageChoice)
{
    WriteFile(Prog + "Tessaly.ini", "[Application]\r\nUseRegistry=1\r\n");
    {
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        ASSERT_TRUE(reg.OpenKey("\\Software\\" + RegKey + "\\Application", true));
        reg.WriteString("Marker", "registry");
        reg.WriteString("Version", "7");
    }
    StartApplicationSettings(RegKey);
    EXPECT_EQ(AppSettings->StorageMode(), smRegistry);
    EXPECT_EQ(AppSettings->ReadString(AppSection, "Marker", ""), "registry");
    EXPECT_EQ(ConfigVersion, 7);
    EXPECT_FALSE(NewSettings);

    // Registry mode rewrites the ini file with the choice alone.
    SettingsVersion = 9;
    ASSERT_TRUE(AppSettings->SaveStorageChoice());
    TMemIniFile written(Prog + "Tessaly.ini", true);
    TStrings* keys = new TStringList;
    written.ReadSection(AppSection, keys);
    EXPECT_EQ(keys->Count(), 3);
    delete keys;
    EXPECT_EQ(written.ReadString(AppSection, "UseRegistry", ""), "1");
    EXPECT_EQ(written.ReadString(AppSection, "UseProfileFolder", ""), "0");
    EXPECT_EQ(written.ReadString(AppSection, "Version", ""), "9");
}

TEST_F(KvAppBaseTest, StorageChoiceInIniMode)
{
    const std::string ini = Prog + "Tessaly.ini";
    struct TCase {
        bool ReadOnlyFile;
        bool ExpResult;
        const char* ExpVersion;
    };
    for (const TCase& c : {TCase{false, true, "4"}, TCase{true, false, "1"}}) {
        SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteFile(ini, "[Application]\r\nVersion=1\r\nMarker=x\r\n");
        if (c.ReadOnlyFile)
            SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY);
        StartApplicationSettings(RegKey);
        ConfigVersion = 4;
        EXPECT_EQ(AppSettings->SaveStorageChoice(), c.ExpResult);
        ResetApplicationSettings();
        TMemIniFile back(ini, true);
        EXPECT_EQ(back.ReadString(AppSection, "Version", ""), c.ExpVersion);
        EXPECT_EQ(back.ReadString(AppSection, "Marker", ""), "x");
        SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(KvAppBaseTest, PathMacros)
{
    SetEnvironmentVariableA("TESSALY_T1", "C:\\e");
    IniFileName = Root.Path() + "\\Cfg\\Tessaly.ini";
    const std::string prog = ExcludeTrailingSlash(Prog);
    TPathMacroResolver resolver = [](std::string& Name) {
        if (!SameTextStr(Name, "Store"))
            return false;
        Name = "C:\\Mail";
        return true;
    };
    struct TCase {
        std::string In;
        bool WithResolver;
        std::string Expected;
    };
    const TCase cases[] = {
        {"$ExeFolder$\\Data", false, prog + "\\Data"},
        {"%ExeFolder%\\Data", false, prog + "\\Data"},
        {"$exefolder$", false, prog},
        {"$UsbDrv$\\Mail", false, "\\Mail"},
        {"%Unknown%\\x", false, "%Unknown%\\x"},
        {"$Unknown$\\x", false, "$Unknown$\\x"},
        {"%TESSALY_T1%\\y", false, "C:\\e\\y"},
        {"$TESSALY_T1$\\y", false, "C:\\e\\y"},
        {"$IniFolder$\\a", false, Root.Path() + "\\Cfg\\a"},
        {"$AppData$\\X", false, AppDataRoot + "X"},
        {"$Store$\\Inbox", true, "C:\\Mail\\Inbox"},
        {"$Store$\\Inbox", false, "$Store$\\Inbox"},
        {"$Documents$\\$Store$", true, ExcludeTrailingSlash(Docs) + "\\C:\\Mail"},
        {"$ExeDrv$", false, ExtractDriveOrShare(Prog)},
        {"plain\\path", false, "plain\\path"},
        {"100$ sale", false, "100$ sale"},
        {"", false, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ExpandPathMacros(c.In, c.WithResolver ? resolver : nullptr), c.Expected) << c.In;
    SetEnvironmentVariableA("TESSALY_T1", nullptr);

    EXPECT_EQ(GetPathMacroFolder(12), prog);
    EXPECT_EQ(GetPathMacroFolder(12 | 0x80), prog);
    EXPECT_EQ(GetPathMacroFolder(15), "");
    EXPECT_EQ(GetPathMacroFolder(1), ExcludeTrailingSlash(Docs));
    EXPECT_EQ(GetPathMacroFolder(5), Product.substr(0, Product.size() - 1));
    EXPECT_TRUE(FolderExists(Product));
    int index = -1;
    EXPECT_TRUE(PathMacroNames->IndexOf("usbdrv", index));
    EXPECT_EQ(index, 13);
}

TEST_F(KvAppBaseTest, PortableModeFollowsTheDrive)
{
    SetCommandLine("-USB");
    WriteFile(Prog + "Tessaly.ini", "[Application]\r\nVersion=1\r\n");
    StartApplicationSettings(RegKey);
    ASSERT_TRUE(PortableMode);
    ASSERT_EQ(UsbDrive.size(), 1u);
    EXPECT_EQ(GetPathMacroFolder(13), UsbDrive + ":");
    EXPECT_EQ(ExpandPathMacros("$UsbDrv$\\Mail"), UsbDrive + ":\\Mail");

    const std::string file = Prog + "Tessaly.ini";
    const char other = UsbDrive[0] == 'Q' ? 'R' : 'Q';
    const std::string moved = std::string(1, other) + file.substr(1);
    const std::string movedFolder = std::string(1, other) + Prog.substr(1);
    struct TCase {
        std::string In, File, Folder;
    };
    const TCase cases[] = {
        {moved, file, moved},                                   // file found on the program drive
        {movedFolder, movedFolder, Prog},                       // folder found there
        {std::string(1, other) + ":\\nowhere\\x.txt", std::string(1, other) + ":\\nowhere\\x.txt",
         std::string(1, other) + ":\\nowhere\\x.txt"},           // nothing there either: unchanged
        {"$ExeFolder$\\Tessaly.ini", file, file},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(RehomeFilePath(c.In), c.File) << c.In;
        EXPECT_EQ(RehomeFolderPath(c.In), c.Folder) << c.In;
    }
    // The portable hooks of the string routines lead here.
    EXPECT_EQ(AdjustPortablePath(moved, true), file);
}

TEST_F(KvAppBaseTest, FindFileInFolders)
{
    DataFolder = Root.Path() + "\\Data\\";
    CreateDirectoryA(DataFolder.c_str(), nullptr);
    WriteFile(DataFolder + "both.dat", "d");
    WriteFile(Prog + "both.dat", "p");
    WriteFile(Prog + "prog.dat", "p");
    struct TCase {
        const char* Name;
        std::string Found, OrDefault;
    };
    const TCase cases[] = {
        {"both.dat", DataFolder + "both.dat", DataFolder + "both.dat"},
        {"prog.dat", Prog + "prog.dat", Prog + "prog.dat"},
        {"none.dat", "", DataFolder + "none.dat"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FindFileInFolders(c.Name), c.Found) << c.Name;
        EXPECT_EQ(FindFileOrDefault("", "", c.Name), c.OrDefault) << c.Name;
    }
    // A per-user data folder is made on first use in the application data.
    UseUserFolder = true;
    EXPECT_EQ(GetDataFolder(), Product);
    EXPECT_EQ(UserFolder, Product);
    EXPECT_TRUE(FolderExists(Product));
}

}  // namespace

namespace {

// The window layers call these with 0 where the folders and names default.
TEST_F(KvAppBaseTest, ZeroArgumentsMeanTheDefaults)
{
    WriteFile(Prog + "found.dat", "x");
    EXPECT_EQ(FindFileInFolders("found.dat", 0, 0), Prog + "found.dat");
    EXPECT_EQ(FindFileInFolders("lost.dat", 0, 0), "");
    EXPECT_EQ(GetProgramAppDataFolder(0), Product);
    WriteFile(Prog + "Tessaly.ini", "[Application]\r\nVersion=2\r\n");
    StartApplicationSettings(RegKey);
    SettingsVersion = 3;
    EXPECT_TRUE(AppSettings->SaveStorageChoice(0));
    ResetApplicationSettings();
    TMemIniFile back(Prog + "Tessaly.ini", true);
    EXPECT_EQ(back.ReadString(AppSection, "Version", ""), "3");
}

}  // namespace
