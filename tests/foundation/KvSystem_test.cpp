#include "foundation/KvSystem.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <vector>

#include "foundation/KvFiles.h"

namespace {

TEST(KvSystem, EnvironmentStrings)
{
    SetEnvironmentVariableA("TESSALY_SYS_A", "alpha");
    SetEnvironmentVariableA("TESSALY_SYS_EMPTY", nullptr);
    struct TCase {
        const char* In;
        const char* Expanded;
    };
    const TCase cases[] = {
        {"%TESSALY_SYS_A%\\x", "alpha\\x"},
        {"a%TESSALY_SYS_A%b%TESSALY_SYS_A%", "aalphabalpha"},
        {"%TESSALY_SYS_NONE%\\x", "%TESSALY_SYS_NONE%\\x"},
        {"no variables", "no variables"},
        {"", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ExpandEnvironmentVars(c.In), c.Expanded) << c.In;
    EXPECT_EQ(GetEnvironmentVar("TESSALY_SYS_A"), "alpha");
    EXPECT_EQ(GetEnvironmentVar("TESSALY_SYS_EMPTY"), "TESSALY_SYS_EMPTY");
    SetEnvironmentVariableA("TESSALY_SYS_A", nullptr);
}

TEST(KvSystem, LocaleCodePages)
{
    EXPECT_EQ(GetLocaleAnsiCodePage(MAKELCID(0x0409, SORT_DEFAULT), 7), 1252);
    EXPECT_EQ(GetLocaleAnsiCodePage(MAKELCID(0x0419, SORT_DEFAULT), 7), 1251);
    EXPECT_EQ(GetLocaleAnsiCodePage(MAKELCID(0x0408, SORT_DEFAULT), 7), 1253);
    EXPECT_EQ(GetLocaleAnsiCodePage(0x7777, 7), 7);
    EXPECT_EQ(GetLocaleAnsiCodePage(0x7777, -1), static_cast<int>(GetACP()));
}

TEST(KvSystem, SoundCues)
{
    std::vector<UINT> played;
    THooksScope Hooks;
    TSoundFlagsScope Flags;
    GHooks.Beep = [&](UINT Sound) { played.push_back(Sound); };
    struct TCase {
        bool Sounds, Question;
        std::vector<UINT> Expected;  // information, warning, question
    };
    const TCase cases[] = {
        {true, true, {64, 48, 32}},
        {true, false, {64, 48, 0}},
        {false, true, {}},
    };
    for (const TCase& c : cases) {
        SoundsOn = c.Sounds;
        QuestionSoundOn = c.Question;
        played.clear();
        BeepInformation();
        BeepWarning();
        BeepQuestion();
        EXPECT_EQ(played, c.Expected);
    }
}

TEST(KvSystem, ShellOpenFallsBackToOpenForIncompleteAssociations)
{
    THooksScope Hooks;
    struct TCase {
        bool NewWindow;
        std::vector<INT_PTR> Results;  // answered per call
        std::vector<std::string> Verbs;
        bool Ok;
    };
    const TCase cases[] = {
        {false, {42}, {"open"}, true},
        {false, {2}, {"open"}, false},
        {true, {42}, {"opennew"}, true},
        {true, {SE_ERR_NOASSOC, 42}, {"opennew", "open"}, true},
        {true, {SE_ERR_NOASSOC, SE_ERR_NOASSOC}, {"opennew", "open"}, false},
        {true, {2}, {"opennew"}, false},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> verbs;
        std::string folder;
        GHooks.ShellLaunch = [&](HWND, const char* Verb, const char*, const char* Params,
                               const char* Folder, int) {
            EXPECT_EQ(Params, nullptr);
            folder = Folder ? Folder : "";
            verbs.push_back(Verb);
            return reinterpret_cast<HINSTANCE>(c.Results[verbs.size() - 1]);
        };
        EXPECT_EQ(ShellOpen("C:\\x\\doc.txt", c.NewWindow, "C:\\x"), c.Ok);
        EXPECT_EQ(verbs, c.Verbs);
        EXPECT_EQ(folder, "C:\\x");
    }
}

TEST(KvSystem, ShellExecuteFileWaitsForTheExitCode)
{
    const std::string cmd = GetWindowsFolder() + "system32\\reg.exe";
    ASSERT_TRUE(IsExistingFile(cmd));
    EXPECT_TRUE(ShellExecuteFile(cmd, "query HKCU\\Software", SW_HIDE, true));
    EXPECT_FALSE(ShellExecuteFile(cmd, "query HKCU\\TessalyNoSuchKey", SW_HIDE, true));
    EXPECT_TRUE(ShellExecuteFile("", "", SW_HIDE, true));
}

}  // namespace
