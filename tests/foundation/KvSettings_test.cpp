#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "classlib/Registry.h"
#include "foundation/KvSettings.h"
#include "testkit/TestFolder.h"

namespace {

// The test's own key under the current user and its own temp folder, both
// removed at the end.
class TSettingsSandbox {
public:
    TSettingsSandbox() : Key("Software\\TessalyTest_KvSettings_" + std::to_string(GetCurrentProcessId())) {}
    ~TSettingsSandbox()
    {
        TRegistry Reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        Reg.DeleteKey("\\" + Key);
    }
    // The raw registry value: its type and bytes (strings without their NUL).
    std::string RawValue(const std::string& SubKey, const std::string& Name, DWORD& Type) const
    {
        HKEY H;
        Type = REG_NONE;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (Key + "\\" + SubKey).c_str(), 0, KEY_READ, &H) != ERROR_SUCCESS)
            return "(no key)";
        char Buf[256];
        DWORD Size = sizeof Buf;
        const LONG R = RegQueryValueExA(H, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Buf), &Size);
        RegCloseKey(H);
        if (R != ERROR_SUCCESS)
            return "(no value)";
        if ((Type == REG_SZ || Type == REG_EXPAND_SZ) && Size > 0 && Buf[Size - 1] == '\0')
            --Size;
        return std::string(Buf, Size);
    }
    void SetRaw(const std::string& SubKey, const std::string& Name, DWORD Type, const void* Data,
                DWORD Size) const
    {
        HKEY H;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (Key + "\\" + SubKey).c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &H, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(H, Name.empty() ? nullptr : Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size);
        RegCloseKey(H);
    }

    std::string Key;
    TTestFolder Dir{"KvSettings"};
};

std::string SectionText(TRegOrIni& S, const std::string& Section)
{
    TStringList L;
    S.ReadSectionValues(Section, &L);
    return L.Text();
}

std::string SixInts(int V[6])
{
    std::string R;
    for (int I = 0; I < 6; ++I)
        R += (I ? ";" : "") + std::to_string(V[I]);
    return R;
}

}  // namespace

TEST(KvSettingsRegOrIni, IniModeRoundTripsThroughTheFile)
{
    TSettingsSandbox Box;
    const std::string File = Box.Dir.File("a.ini");
    {
        TRegOrIni S(File);
        EXPECT_EQ(S.StorageMode(), smIniFile);
        EXPECT_FALSE(S.WriteProtected());
        S.WriteString("Application", "Temp", "$TempFolder$\\x");
        S.WriteInteger("Application", "Version", 7);
        S.WriteBool("SourceOptions", "IncludeSubfolders", true);
        S.WriteBool("SourceOptions", "SkipTrashJunk", false);
        S.WriteString("Gone", "k", "v");
        S.EraseSection("Gone");
        S.WriteString("Application", "Dropped", "1");
        S.DeleteKey("Application", "Dropped");
    }
    // The destruction writes the whole file.
    EXPECT_EQ(TTestFolder::Read(File),
              "[Application]\r\nTemp=$TempFolder$\\x\r\nVersion=7\r\n\r\n"
              "[SourceOptions]\r\nIncludeSubfolders=1\r\nSkipTrashJunk=0\r\n\r\n");

    TRegOrIni S(File);
    EXPECT_EQ(S.ReadString("application", "temp", ""), "$TempFolder$\\x");
    EXPECT_EQ(S.ReadInteger("Application", "Version", 0), 7);
    EXPECT_TRUE(S.ReadBool("SourceOptions", "IncludeSubfolders", false));
    EXPECT_FALSE(S.ReadBool("SourceOptions", "SkipTrashJunk", true));
    S.SetUseDefaults(true);
    EXPECT_EQ(S.ReadString("Application", "Temp", "dflt"), "dflt");
    EXPECT_EQ(S.ReadInteger("Application", "Version", 0), 0);
    EXPECT_TRUE(S.ReadBool("SourceOptions", "SkipTrashJunk", true));
}

TEST(KvSettingsRegOrIni, ReadsBooleanWordsByLength)
{
    TSettingsSandbox Box;
    TRegOrIni S(Box.Dir.File("a.ini"));
    const struct {
        const char* Text;
        int Expected;  // 1 true, 0 false, -1 the default
    } Cases[] = {
        {"1", 1},     {"0", 0},       {"on", 1},    {"ON", 1},     {"no", 0},   {"No", 0},
        {"yes", 1},   {"YES", 1},     {"off", 0},   {"true", 1},   {"TRUE", 1}, {"false", 0},
        {"False", 0}, {"y", -1},      {"n", -1},    {"2", -1},     {"-1", -1},  {"", -1},
        {"enabled", -1}, {"yess", -1}, {"truee", -1}, {"nope", -1},
    };
    for (const auto& C : Cases) {
        S.WriteString("B", "v", C.Text);
        for (bool Default : {false, true}) {
            const bool Expected = C.Expected < 0 ? Default : C.Expected == 1;
            EXPECT_EQ(S.ReadBool("B", "v", Default), Expected) << "'" << C.Text << "' default " << Default;
        }
    }
}

TEST(KvSettingsRegOrIni, ReadOnlyIniFileDropsWritesSilently)
{
    TSettingsSandbox Box;
    const std::string Original = "[Application]\r\nVersion=3\r\nWindow=1;2;3;4;5;6\r\n\r\n";
    const std::string File = Box.Dir.Write("ro.ini", Original);
    SetFileAttributesA(File.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        TRegOrIni S(File);
        EXPECT_TRUE(S.WriteProtected());
        EXPECT_FALSE(S.IsWritable());
        EXPECT_EQ(S.ReadInteger("Application", "Version", 0), 3);
        S.WriteInteger("Application", "Version", 4);
        S.WriteString("New", "k", "v");
        S.DeleteKey("Application", "Window");
        S.EraseSection("Application");
        S.WriteIntList("Application", "Window", 0, 9, 9, 9, 9, 9, 9);
        S.UpdateFile();
        EXPECT_EQ(S.ReadInteger("Application", "Version", 0), 3);
        EXPECT_EQ(S.ReadString("New", "k", "none"), "none");
        EXPECT_EQ(S.ReadString("Application", "Window", ""), "1;2;3;4;5;6");
    }
    EXPECT_EQ(TTestFolder::Read(File), Original);
}

TEST(KvSettingsRegOrIni, IntListsInBothStores)
{
    TSettingsSandbox Box;
    const struct {
        const char* Stored;
        int Mode;
        bool Result;
        const char* After;  // the six variables, starting from 0;0;0;0;0;0
    } Reads[] = {
        {"10;20;30;40;2;0", 0, true, "10;20;30;40;2;0"},
        {"10;20;30;40;2;0", 1, true, "0;0;0;0;2;0"},
        {"10;20;30;40;2;0", 2, true, "0;0;30;40;0;0"},
        {"10;20;30;40;2;0", 3, true, "10;20;0;0;0;0"},
        {"10;20;30;40;2;7", 4, true, "10;20;30;40;0;7"},
        {"10;20;30;40;2;7", 5, true, "0;0;0;0;0;0"},
        {"10;20;30;40;2;7", -1, true, "0;0;0;0;0;0"},
        {"10;x", 0, true, "10;0;0;0;0;0"},
        {"-5;;7", 0, true, "-5;0;7;0;0;0"},
        {"1;2;3;4;5;6;7;8", 0, true, "1;2;3;4;5;6"},
        {"", 0, false, "0;0;0;0;0;0"},
    };
    const struct {
        const char* Stored;  // null: no stored value
        int Mode;
        const char* Written;
    } Writes[] = {
        {"1;2;3;4;5;6", 0, "9;9;9;9;9;9"},
        {"1;2;3;4;5;6", 1, "1;2;3;4;9;6"},
        {"1;2;3;4;5;6", 2, "1;2;9;9;5;6"},
        {"1;2;3;4;5;6", 3, "9;9;3;4;5;9"},
        {"1;2;3;4;5;6", 4, "9;9;9;9;5;9"},
        {"1;2;3;4;5;6", 8, "1;2;3;4;5;6"},
        {"1;x", 1, "1;9;9;9;9;9"},
        {nullptr, 2, "9;9;9;9;9;9"},
    };
    for (std::uint8_t Mode : {smIniFile, smRegistry}) {
        TRegOrIni S(Box.Dir.File("list.ini"));
        S.SetRegistryKey(Box.Key);
        S.SetStorageMode(Mode);
        for (const auto& R : Reads) {
            S.WriteString("Layout", "W", R.Stored);
            int V[6] = {0, 0, 0, 0, 0, 0};
            EXPECT_EQ(S.ReadIntList("Layout", "W", R.Mode, V[0], V[1], V[2], V[3], V[4], V[5]), R.Result)
                << R.Stored << " mode " << R.Mode;
            EXPECT_EQ(SixInts(V), R.After) << R.Stored << " mode " << R.Mode << " store " << int(Mode);
        }
        for (const auto& W : Writes) {
            S.DeleteKey("Layout", "W");
            if (W.Stored)
                S.WriteString("Layout", "W", W.Stored);
            S.WriteIntList("Layout", "W", W.Mode, 9, 9, 9, 9, 9, 9);
            EXPECT_EQ(S.ReadString("Layout", "W", ""), W.Written) << W.Mode << " store " << int(Mode);
        }
    }
    DWORD Type;
    EXPECT_EQ(Box.RawValue("Layout", "W", Type), "9;9;9;9;9;9");
    EXPECT_EQ(Type, static_cast<DWORD>(REG_SZ));
}

TEST(KvSettingsRegOrIni, RegistryModeKeepsSectionsAsSubKeys)
{
    TSettingsSandbox Box;
    const std::string File = Box.Dir.Write("modes.ini", "[Application]\r\nUseRegistry=1\r\n\r\n");
    {
        TRegOrIni S(File);
        S.SetRegistryKey(Box.Key);
        EXPECT_EQ(S.RegistryKey(), Box.Key);
        S.WriteString("Application", "Local", "ini only");
        S.SetStorageMode(smRegistry);
        // Leaving ini mode saved the file; the stores share nothing.
        EXPECT_EQ(TTestFolder::Read(File), "[Application]\r\nUseRegistry=1\r\nLocal=ini only\r\n\r\n");
        EXPECT_EQ(S.ReadString("Application", "Local", "none"), "none");

        S.WriteString("Application", "Folder", "C:\\Mail");
        S.WriteInteger("Application", "Version", 12);
        S.WriteBool("Application", "CheckForUpdates", true);
        S.WriteString("TargetOptions", "MailFormat", "Standard mbox");
        S.WriteString("Doomed", "x", "1");
        S.WriteString("Application", "Doomed", "1");
        S.EraseSection("Doomed");
        S.DeleteKey("Application", "Doomed");

        const struct {
            const char* Section;
            const char* Name;
            const char* Bytes;
        } Raw[] = {
            {"Application", "Folder", "C:\\Mail"},
            {"Application", "Version", "12"},
            {"Application", "CheckForUpdates", "1"},
            {"TargetOptions", "MailFormat", "Standard mbox"},
            {"Application", "Doomed", "(no value)"},
            {"Doomed", "x", "(no key)"},
        };
        for (const auto& R : Raw) {
            DWORD Type;
            EXPECT_EQ(Box.RawValue(R.Section, R.Name, Type), R.Bytes) << R.Name;
        }
        const int Dword = 5;
        Box.SetRaw("Application", "Dword", REG_DWORD, &Dword, sizeof Dword);
        EXPECT_EQ(S.ReadInteger("Application", "Dword", 0), 5);
        EXPECT_EQ(S.ReadString("Application", "Dword", ""), "5");
        EXPECT_TRUE(S.ReadBool("Application", "CheckForUpdates", false));

        TStringList L;
        S.ReadSections(&L);
        L.Sort();
        EXPECT_EQ(L.Text(), "Application\r\nTargetOptions\r\n");
        S.ReadSections("target", &L);
        EXPECT_EQ(L.Text(), "TargetOptions\r\n");
        EXPECT_EQ(SectionText(S, "TargetOptions"), "MailFormat=Standard mbox\r\n");
        S.ReadSection("Application", &L);
        L.Sort();
        EXPECT_EQ(L.Text(), "CheckForUpdates\r\nDword\r\nFolder\r\nVersion\r\n");
        S.SetUseDefaults(true);
        EXPECT_EQ(S.ReadString("Application", "Folder", "dflt"), "dflt");
        S.SetUseDefaults(false);

        S.SetStorageMode(smIniFile);
        EXPECT_EQ(S.ReadString("Application", "Local", ""), "ini only");
        EXPECT_EQ(S.ReadString("Application", "Folder", "none"), "none");
        S.ReadSections("APP", &L);
        EXPECT_EQ(L.Text(), "Application\r\n");
        S.ReadSections("target", &L);
        EXPECT_EQ(L.Text(), "");
        S.WriteString("Application", "Back", "1");
    }
    EXPECT_EQ(TTestFolder::Read(File), "[Application]\r\nUseRegistry=1\r\nLocal=ini only\r\nBack=1\r\n\r\n");
}

TEST(KvSettingsRegOrIni, ReadOnlyIniStillLetsTheRegistryStoreWindowLayouts)
{
    TSettingsSandbox Box;
    const std::string File = Box.Dir.Write("ro.ini", "[Application]\r\nUseRegistry=1\r\n\r\n");
    SetFileAttributesA(File.c_str(), FILE_ATTRIBUTE_READONLY);
    TRegOrIni S(File);
    ASSERT_TRUE(S.WriteProtected());
    S.SetRegistryKey(Box.Key);
    S.SetStorageMode(smRegistry);
    S.WriteIntList("96_Layout", "frmTessaly_Window", 0, 10, 20, 640, 480, 1, 0);
    S.WriteIntList("96_Layout", "frmTessaly_Window", 1, 0, 0, 0, 0, 2, 0);
    DWORD Type;
    EXPECT_EQ(Box.RawValue("96_Layout", "frmTessaly_Window", Type), "10;20;640;480;2;0");
}

TEST(KvSettingsRegistryPath, SplitsRootKeyAndValueName)
{
    const struct {
        const char* Path;
        HKEY Root;
        const char* Key;
        const char* Value;  // "<kept>" when the path names no value
    } Cases[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\X::Path", HKEY_LOCAL_MACHINE, "Software\\X", "Path"},
        {"hkey_local_machine\\Software\\X::Path", HKEY_LOCAL_MACHINE, "Software\\X", "Path"},
        {"Software\\X::(Default)", HKEY_CURRENT_USER, "Software\\X", " "},
        {"Software\\X::(DEFAULT)", HKEY_CURRENT_USER, "Software\\X", " "},
        {"Software\\X::", HKEY_CURRENT_USER, "Software\\X", " "},
        {"Software\\X:Path", HKEY_CURRENT_USER, "Software\\X", "Path"},
        {"HKEY_USERS\\.DEFAULT\\Env:Temp", HKEY_USERS, ".DEFAULT\\Env", "Temp"},
        {"HKEY_CLASSES_ROOT\\.eml::", HKEY_CLASSES_ROOT, ".eml", " "},
        {"HKEY_CURRENT_USER\\Software\\A::B:C", HKEY_CURRENT_USER, "Software\\A", "B:C"},
        {"Software\\A::C:\\path", HKEY_CURRENT_USER, "Software\\A", "C:\\path"},
        {"Software\\A:B\\Sub", HKEY_CURRENT_USER, "Software\\A:B\\Sub", "<kept>"},
        {"HKEY_OTHER\\Software::V", HKEY_CURRENT_USER, "HKEY_OTHER\\Software", "V"},
        {"HKEY_LOCAL_MACHINE::V", HKEY_CURRENT_USER, "HKEY_LOCAL_MACHINE", "V"},
        {"Software\\X", HKEY_CURRENT_USER, "Software\\X", "<kept>"},
    };
    for (const auto& C : Cases) {
        std::string Path = C.Path;
        std::string Value = "<kept>";
        EXPECT_EQ(SplitRegistryPath(Path, Value), C.Root) << C.Path;
        EXPECT_EQ(Path, C.Key) << C.Path;
        EXPECT_EQ(Value, C.Value) << C.Path;
    }
    EXPECT_EQ(DefaultRootKey(), HKEY_CURRENT_USER);
}

TEST(KvSettingsRegistryPath, ReadsValuesOfEveryType)
{
    TSettingsSandbox Box;
    SetEnvironmentVariableA("KVSETTINGS_TEST_DIR", "C:\\Env Dir");
    const char Sz[] = "C:\\Stores";
    const char Expand[] = "%KVSETTINGS_TEST_DIR%\\Mail";
    const char Dflt[] = "default value";
    const DWORD Dword = 1234;
    const DWORD Negative = 0xFFFFFFFFu;
    const unsigned char Bin[] = {0x41, 0x00, 0x42, 0xFF};
    Box.SetRaw("Paths", "Sz", REG_SZ, Sz, sizeof Sz);
    Box.SetRaw("Paths", "Expand", REG_EXPAND_SZ, Expand, sizeof Expand);
    Box.SetRaw("Paths", "", REG_SZ, Dflt, sizeof Dflt);
    Box.SetRaw("Paths", "Dword", REG_DWORD, &Dword, sizeof Dword);
    Box.SetRaw("Paths", "Negative", REG_DWORD, &Negative, sizeof Negative);
    Box.SetRaw("Paths", "Bin", REG_BINARY, Bin, sizeof Bin);
    Box.SetRaw("Paths", "EmptyBin", REG_BINARY, Bin, 0);
    Box.SetRaw("Paths", "Multi", REG_MULTI_SZ, "a\0b\0", 5);

    const std::string K = Box.Key + "\\Paths";
    const struct {
        std::string Path;
        std::string Expected;
    } Cases[] = {
        {"HKEY_CURRENT_USER\\" + K + "::Sz", "C:\\Stores"},
        {K + "::Sz", "C:\\Stores"},
        {K + ":Sz", "C:\\Stores"},
        {K + "::sz", "C:\\Stores"},
        {K + "::Expand", "C:\\Env Dir\\Mail"},
        {K + "::(Default)", "default value"},
        {K + "::", "default value"},
        {K + "::Dword", "1234"},
        {K + "::Negative", "-1"},
        {K + "::Bin", std::string("A\0B\xFF", 4)},
        {K + "::EmptyBin", "<dflt>"},
        {K + "::Multi", std::string("a\0b\0\0", 5)},
        {K + "::Missing", "<dflt>"},
        {Box.Key + "\\NoSuchKey::Sz", "<dflt>"},
        {"HKEY_LOCAL_MACHINE\\" + K + "::Sz", "<dflt>"},
        {"", "<dflt>"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ReadRegistryPathValue(C.Path, "<dflt>"), C.Expected) << C.Path;
    SetEnvironmentVariableA("KVSETTINGS_TEST_DIR", nullptr);

    // Reading never creates the key it looks for.
    DWORD Type;
    EXPECT_EQ(Box.RawValue("NoSuchKey", "Sz", Type), "(no key)");
}
