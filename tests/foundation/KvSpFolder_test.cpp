#include "foundation/KvSpFolder.h"

#include <gtest/gtest.h>

#include <map>

#include "classlib/Registry.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "foundation/KvWindows.h"
#include "testkit/TestFolder.h"

namespace {

// The shell answers from a table and the "Shell Folders" values come from a
// key of the test's own.
class KvSpFolderTest : public ::testing::Test {
protected:
    TTestFolder Root{"spfolder"};
    std::map<int, std::string> Shell;
    std::string Key;

    void SetUp() override
    {
        FUser = GShellFoldersUserKey;
        FCommon = GShellFoldersCommonKey;
        Key = "Software\\TessalyTest\\SpFolder" + std::to_string(GetCurrentProcessId());
        GShellFoldersUserKey = "HKEY_CURRENT_USER\\" + Key + "\\User";
        GShellFoldersCommonKey = "HKEY_CURRENT_USER\\" + Key + "\\Common";
        GHooks.SpecialFolder = [this](int Csidl) {
            auto it = Shell.find(Csidl);
            return it == Shell.end() ? std::string() : it->second;
        };
    }
    void TearDown() override
    {
        GShellFoldersUserKey = FUser;
        GShellFoldersCommonKey = FCommon;
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        reg.DeleteKey("\\" + Key);
    }
    void SetValue(const std::string& Sub, const std::string& Name, const std::string& Value)
    {
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        ASSERT_TRUE(reg.OpenKey("\\" + Key + "\\" + Sub, true));
        reg.WriteString(Name, Value);
    }
    std::string Made(const std::string& Name)
    {
        const std::string f = Root.Path() + "\\" + Name;
        ForceFolder(f);
        return f;
    }

private:
    std::string FUser, FCommon;
    THooksScope FHooks;
};

TEST_F(KvSpFolderTest, ShellFoldersEndInABackslash)
{
    // The shell may answer with or without the backslash.
    Shell = {{0x1A, Made("Roaming")}, {0x1C, Made("Local") + "\\"}, {0x05, Made("Docs")},
             {0x23, Made("AllData")}, {0x2E, Made("AllDocs")}, {0x00, Made("Desk")},
             {0x19, Made("AllDesk")}, {0x0D, Made("Music")}, {0x27, Made("Pics")}, {0x0E, Made("Vids")}};
    const std::string r = Root.Path() + "\\";
    struct TCase {
        const char* Name;
        std::string Got, Expected;
    };
    const TCase cases[] = {
        {"app data", GetAppDataFolder(), r + "Roaming\\"},
        {"app data sub", GetAppDataFolder("Vendor\\Prod"), r + "Roaming\\Vendor\\Prod"},
        {"local app data", GetAppDataFolder("", true), r + "Local\\"},
        {"local getter", GetLocalAppDataFolder(), r + "Local\\"},
        {"common app data", GetCommonAppDataFolder(), r + "AllData\\"},
        {"documents", GetDocumentsFolder(), r + "Docs\\"},
        {"common documents", GetCommonDocumentsFolder(), r + "AllDocs\\"},
        {"desktop", GetDesktopFolder(), r + "Desk\\"},
        {"common desktop", GetCommonDesktopFolder(), r + "AllDesk\\"},
        {"music", GetMusicFolder(), r + "Music\\"},
        {"pictures", GetPicturesFolder(), r + "Pics\\"},
        {"videos", GetVideosFolder(), r + "Vids\\"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Got, c.Expected) << c.Name;
}

TEST_F(KvSpFolderTest, RegistryFallbacks)
{
    const std::string docs = Made("RegDocs");
    SetValue("User", "Personal", docs);
    SetValue("User", "AppData", Made("RegRoaming"));
    SetValue("User", "Local AppData", Made("RegLocal") + "\\");
    SetValue("User", "MyPictures", Made("RegPics"));
    SetValue("Common", "Common AppData", Made("RegAll"));
    Made("RegDocs\\Music");
    const std::string r = Root.Path() + "\\";
    struct TCase {
        const char* Name;
        std::string Got, Expected;
    };
    const TCase cases[] = {
        {"My Documents reads Personal", GetShellFolderFromRegistry("My Documents"), r + "RegDocs\\"},
        {"documents", GetDocumentsFolder(), r + "RegDocs\\"},
        {"app data", GetAppDataFolder("Sub"), r + "RegRoaming\\Sub"},
        {"local app data", GetAppDataFolder("", true), r + "RegLocal\\"},
        {"Common names read the common key", GetCommonAppDataFolder(), r + "RegAll\\"},
        {"pictures through the second name", GetPicturesFolder(), r + "RegPics\\"},
        {"missing value", GetShellFolderFromRegistry("Nothing"), ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(c.Got, c.Expected) << c.Name;
    // Music: no shell folder and no value; then the public folder on newer
    // systems, else the one inside the documents.
    const std::string music = GetMusicFolder();
    if (IsWinVistaOrLater() && FolderExists("C:\\Users\\Public\\Music"))
        EXPECT_TRUE(SameTextStr(music, "C:\\Users\\Public\\Music\\")) << music;
    else
        EXPECT_EQ(music, r + "RegDocs\\Music\\");
}

TEST_F(KvSpFolderTest, TheRealShellIsNormalised)
{
    GHooks.SpecialFolder = nullptr;
    for (int csidl : {0x1A, 0x05, 0x00}) {
        const std::string raw = GetSpecialFolder(csidl);
        ASSERT_FALSE(raw.empty()) << csidl;
    }
    for (const std::string& f : {GetAppDataFolder(), GetDocumentsFolder(), GetDesktopFolder()}) {
        ASSERT_FALSE(f.empty());
        EXPECT_EQ(f.back(), '\\') << f;
        EXPECT_NE(f.substr(f.size() - 2), "\\\\") << f;
    }
    EXPECT_EQ(GetSpecialFolder(0x7F7F), "");
}

}  // namespace
