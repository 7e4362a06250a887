#include "mail/KvFindMail.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "classlib/Registry.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSpFolder.h"
#include "testkit/TestFolder.h"

namespace {

// Every store lives under a test folder and every registry value under a key
// of the test's own; the application data, the documents and the user
// profile point there as well.
class KvFindMailTest : public ::testing::Test {
protected:
    TTestFolder Root{"findmail"};
    std::string AppData;
    std::string Key;

    void SetUp() override
    {
        FSaved = {ExeFolder, DataFolder, GShellFoldersUserKey, GShellFoldersCommonKey,
                  EnvValue("APPDATA"), EnvValue("USERPROFILE")};
        FSavedUse = UseUserFolder;
        Key = "Software\\TessalyTest\\FindMail" + std::to_string(GetCurrentProcessId());
        GMailRegistryBase = Key;
        GShellFoldersUserKey = "HKEY_CURRENT_USER\\" + Key + "\\HKEY_CURRENT_USER\\Shell";
        GShellFoldersCommonKey = GShellFoldersUserKey;
        AppData = Folder("AppData");
        GHooks.SpecialFolder = [this](int Csidl) {
            return Csidl == 0x1A || Csidl == 0x1C ? AppData : std::string();
        };
        SetEnvironmentVariableA("APPDATA", AppData.c_str());
        SetEnvironmentVariableA("USERPROFILE", Folder("Profile").c_str());
        ExeFolder = Folder("Prog") + "\\";
        DataFolder = Folder("Data") + "\\";
        UseUserFolder = false;
    }
    void TearDown() override
    {
        GMailRegistryBase.clear();
        ExeFolder = FSaved[0];
        DataFolder = FSaved[1];
        GShellFoldersUserKey = FSaved[2];
        GShellFoldersCommonKey = FSaved[3];
        SetEnvironmentVariableA("APPDATA", FSaved[4].empty() ? nullptr : FSaved[4].c_str());
        SetEnvironmentVariableA("USERPROFILE", FSaved[5].empty() ? nullptr : FSaved[5].c_str());
        UseUserFolder = FSavedUse;
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        reg.DeleteKey("\\" + Key);
    }

    // A folder below the test root, made with its parents.
    std::string Folder(const std::string& Name)
    {
        const std::string f = Root.Path() + "\\" + Name;
        ForceFolder(f);
        return f;
    }
    std::string Path(const std::string& Name) const { return Root.Path() + "\\" + Name; }
    void File(const std::string& Name, const std::string& Text)
    {
        ForceFolder(ExtractParentFolder(Path(Name)));
        ASSERT_GE(SaveStringToFile(Path(Name), Text), 0);
    }
    // Root is "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_CLASSES_ROOT".
    void Value(const std::string& RootName, const std::string& SubKey, const std::string& Name,
               const std::string& Data)
    {
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        ASSERT_TRUE(reg.OpenKey("\\" + Key + "\\" + RootName + "\\" + SubKey, true));
        reg.WriteString(Name, Data);
    }

private:
    static std::string EnvValue(const char* Name)
    {
        char buf[1024];
        const DWORD n = GetEnvironmentVariableA(Name, buf, sizeof(buf));
        return n > 0 && n < sizeof(buf) ? std::string(buf, n) : std::string();
    }
    std::vector<std::string> FSaved;
    bool FSavedUse = false;
    THooksScope FHooks;
};

TEST(KvFindMail, ClientNamesAndIds)
{
    struct TCase {
        const char* Name;
        int Id;
    };
    const TCase cases[] = {
        {"barca", 10}, {"POCOMAIL", 10}, {"Barca", 10}, {"Pl", 0}, {"P", 0}, {"", 0},
        {"PLR", 22}, {"plr", 22}, {"EMX", 23}, {"thunderbird", 5}, {"OE", 1},
        {"windowslivemail", 3}, {"TheBat", 11}, {"Unknown", 0},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ClientIdOf(c.Name), c.Id) << c.Name;
    EXPECT_EQ(ClientNameOf(5), "Thunderbird");
    EXPECT_EQ(ClientNameOf(22), "Plr");
    for (int id : {0, 18, 19, 20, 21, 24, -1})
        EXPECT_EQ(ClientNameOf(id), "") << id;
}

TEST_F(KvFindMailTest, MozillaProfiles)
{
    const std::string work = Folder("Elsewhere\\work.profile");
    std::string workPath = work;
    for (char& c : workPath)
        if (c == '\\')
            c = '/';
    Folder("AppData\\Thunderbird\\Profiles\\abc.default");
    Folder("AppData\\Thunderbird\\Profiles\\old");
    Folder("AppData\\Thunderbird\\Profiles\\old\\Mail\\Local Folders");
    File("AppData\\Thunderbird\\profiles.ini",
         "[General]\r\nStartWithLastProfile=1\r\n\r\n"
         "[Profile0]\r\nName=old\r\nIsRelative=1\r\nPath=Profiles/old\r\n\r\n"
         "[Profile1]\r\nName=main\r\nIsRelative=1\r\nPath=Profiles/abc.default\r\nDefault=1\r\n\r\n"
         "[Profile2]\r\nName=work\r\nIsRelative=0\r\nPath=\"" + workPath + "\"\r\n\r\n"
         "[Profile3]\r\nName=gone\r\nIsRelative=1\r\nPath=Profiles/gone\r\n");
    // A name "default" counts when nothing says Default, unless it says false.
    Folder("AppData\\SeaMonkey\\p1");
    Folder("AppData\\SeaMonkey\\p2");
    File("AppData\\SeaMonkey\\profiles.ini",
         "[Profile0]\r\nName=default\r\nDefault=0\r\nIsRelative=1\r\nPath=p1\r\n"
         "[Profile1]\r\nName=Default\r\nIsRelative=1\r\nPath=p2\r\n");
    // The oldest clients: a registry file naming the profile folder.
    Folder("OldProfile\\Mail");
    File("AppData\\Mozilla\\registry.dat",
         std::string("\x01\x02junk\xB7" "directory\xB7") + Path("OldProfile") + "\xB7more");

    const std::string tb = AppData + "\\Thunderbird\\Profiles\\";
    struct TCase {
        int Id;
        const char* Sub;
        int Mode;
        std::string Expected;
    };
    const TCase cases[] = {
        {5, "", 0, tb + "abc.default\\Mail"},
        {5, "WORK", 0, work + "\\Mail"},
        {5, "old", 0, tb + "old\\Mail"},
        {5, "old", 1, tb + "old\\Mail\\Local Folders"},
        {5, "main", 1, tb + "abc.default\\Mail"},
        {5, "gone", 0, ""},
        {5, "nobody", 0, ""},
        {6, "", 0, AppData + "\\SeaMonkey\\p2\\Mail"},
        {7, "", 0, Path("OldProfile") + "\\Mail"},
        {17, "", 0, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(GetClientMailFolderById(c.Id, c.Sub, c.Mode), c.Expected)
            << c.Id << " " << c.Sub << " " << c.Mode;
    // The mail folder a profile lacked was made; a missing profile stays missing.
    EXPECT_TRUE(FolderExists(tb + "abc.default\\Mail"));
    EXPECT_FALSE(FolderExists(tb + "gone"));
    EXPECT_EQ(GetClientMailFolder("thunderbird"), tb + "abc.default\\Mail");
}

TEST_F(KvFindMailTest, RegistryReaders)
{
    const std::string oe = Folder("OEStore");
    Folder("OEStore\\Mail");
    Value("HKEY_CURRENT_USER", "Identities", "Last User ID", "{ID-1}");
    Value("HKEY_CURRENT_USER", "Identities\\{ID-1}\\Software\\Microsoft\\Outlook Express\\5.0",
          "Store Root", "\"" + oe + "\"");
    Value("HKEY_CURRENT_USER", "Identities\\{ID-2}\\Software\\Microsoft\\Outlook Express",
          "Store Root", oe);
    File("OE2\\Inbox.dbx", "x");

    const std::string wm = Folder("WinMail\\Local Folders");
    Value("HKEY_CURRENT_USER", "Software\\Microsoft\\Windows Mail", "Store Root", Path("WinMail") + "\\");

    Value("HKEY_CURRENT_USER", "Software\\Pegasus Mail\\Mailbox", "", "\"" + Folder("PMail") + "\\\"");
    Value("HKEY_CURRENT_USER", "Software\\Netscape\\Netscape Navigator\\biff", "CurrentUser", "joe");
    Value("HKEY_CURRENT_USER", "Software\\Netscape\\Netscape Navigator\\biff\\users\\joe\\servers\\mail",
          "popstatePath", "\"" + Folder("NS") + "\\popstate.dat\"");
    Value("HKEY_LOCAL_MACHINE", "Software\\Clients\\Mail\\Calypso\\shell\\open\\command", "",
          "\"" + Folder("Cal") + "\\calypso.exe\" /mailto");
    SetEnvironmentVariableA("TESSALY_BAT", Folder("Bat").c_str());
    Folder("Bat\\Account");
    Value("HKEY_CURRENT_USER", "Software\\RIT\\The Bat!", "Working Directory", "%TESSALY_BAT%");
    Value("HKEY_CURRENT_USER", "Software\\RIT\\The Bat!", "Last folder", "\\Account");
    Folder("Agent\\Data");
    Value("HKEY_LOCAL_MACHINE", "Software\\Clients\\Mail\\Forte Agent\\shell\\open\\command", "",
          "\"" + Path("Agent") + "\\agent.exe\" -mailto");
    Folder("Fox\\mail\\acct");
    Value("HKEY_CURRENT_USER", "Software\\Aerofox\\FoxMail\\V3.1", "FoxmailPath", Path("Fox") + "\\foxmail.exe");
    Value("HKEY_CURRENT_USER", "Software\\Qualcomm\\Eudora\\CommandLine", "Current",
          "\"" + Folder("Eudora") + "\\Eudora.exe\" " + Path("Eudora") + "\\x.ini");
    Folder("Poco\\Store");
    File("Poco\\Poco.ini", "[Program]\r\nMailPath=Store\r\n");
    Value("HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\pocomail2_is1",
          "UninstallString", "\"" + Path("Poco") + "\\unins000.exe\"");
    Value("HKEY_LOCAL_MACHINE", "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Pellorin.exe",
          "Path", Folder("Plr\\Mailboxes").substr(0, Path("Plr").size()));

    struct TCase {
        const char* Client;
        const char* Sub;
        int Mode;
        std::string Expected;
    };
    const TCase cases[] = {
        {"OE", "", 0, oe + "\\Mail"},               // no mailbox files: its Mail folder
        {"OE", "{ID-2}", 0, oe + "\\Mail"},
        {"WindowsMail", "", 0, Path("WinMail")},
        {"WindowsMail", "", 1, wm},
        {"Pegasus", "", 0, Path("PMail")},
        {"Netscape", "", 0, Path("NS")},
        {"Calypso", "", 0, Path("Cal")},
        {"TheBat", "", 0, Path("Bat") + "\\Account"},
        {"Agent", "", 0, Path("Agent") + "\\Data"},
        {"FoxMail", "acct", 0, Path("Fox") + "\\mail\\acct"},
        {"FoxMail", "", 0, Path("Fox") + "\\mail"},
        {"Eudora", "", 0, Path("Eudora")},
        {"Barca", "", 0, Path("Poco") + "\\Store"},
        {"Plr", "", 0, Path("Plr") + "\\Mailboxes"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(GetClientMailFolder(c.Client, c.Sub, c.Mode), c.Expected) << c.Client << " " << c.Sub;

    // A store holding mailbox files is the answer itself.
    Value("HKEY_CURRENT_USER", "Identities", "Last User ID", "{ID-3}");
    Value("HKEY_CURRENT_USER", "Identities\\{ID-3}\\Software\\Microsoft\\Outlook Express", "Store Root",
          Path("OE2"));
    Folder("OE2\\Mail");
    EXPECT_EQ(GetClientMailFolder("OE"), Path("OE2"));
    SetEnvironmentVariableA("TESSALY_BAT", nullptr);
}

TEST_F(KvFindMailTest, FileLayoutReaders)
{
    // Opera: the profile's ini names the mail root, whose store is the answer.
    Folder("OperaMail\\store");
    File("AppData\\Opera\\Opera7\\profile\\opera6.ini",
         "[Mail]\r\nMail Root Directory=" + Path("OperaMail") + "\\\r\n");
    EXPECT_EQ(GetClientMailFolder("Opera"), Path("OperaMail") + "\\store");

    // Outlook: the data file decides between the documents' folder and the
    // local application data.
    Value("HKEY_CURRENT_USER", "Shell", "Personal", Folder("Docs"));
    const std::string a = Folder("Docs\\Outlook Files");
    const std::string b = AppData + "\\Microsoft\\Outlook";
    struct TCase {
        const char* FileInA;
        const char* FileInB;
        std::string Expected;
    };
    const TCase cases[] = {
        {nullptr, nullptr, a},
        {"Outlook.pst", "Outlook.pst", a},
        {nullptr, "Outlook.pst", b},
        {nullptr, "archive.pst", b},
        {"mine.pst", "archive.pst", a},
    };
    for (const TCase& c : cases) {
        for (const std::string& f : {a, b}) {
            DeleteFileA((f + "\\Outlook.pst").c_str());
            DeleteFileA((f + "\\archive.pst").c_str());
            DeleteFileA((f + "\\mine.pst").c_str());
        }
        ForceFolder(b);
        if (c.FileInA)
            SaveStringToFile(a + "\\" + c.FileInA, "x");
        if (c.FileInB)
            SaveStringToFile(b + "\\" + c.FileInB, "x");
        EXPECT_EQ(GetClientMailFolder("Outlook"), c.Expected)
            << (c.FileInA ? c.FileInA : "-") << " " << (c.FileInB ? c.FileInB : "-");
    }
}

TEST_F(KvFindMailTest, AbsentClientsGiveNothing)
{
    for (int id = 0; id <= 24; ++id)
        EXPECT_EQ(GetClientMailFolderById(id), "") << id;
    EXPECT_EQ(GetClientMailFolder(""), "");
    EXPECT_EQ(GetClientMailFolder("NoSuchClient"), "");
}

TEST_F(KvFindMailTest, TokensOverride)
{
    const std::string x = Folder("AppData\\X");
    struct TCase {
        const char* Tokens;  // the [Tokens] line, in the data folder
        const char* Client;
        std::string Expected;
    };
    Folder("AppData\\Thunderbird\\p");
    File("AppData\\Thunderbird\\profiles.ini", "[Profile0]\r\nName=a\r\nDefault=1\r\nIsRelative=1\r\nPath=p\r\n");
    const std::string tb = AppData + "\\Thunderbird\\p\\Mail";
    const TCase cases[] = {
        {"Thunderbird=$AppData$\\X\\", "Thunderbird", x},           // exists: the override
        {"Thunderbird=$AppData$\\Missing", "Thunderbird", tb},      // missing: discovery wins
        {"Eudora=$AppData$\\Missing", "Eudora", AppData + "\\Missing"},  // nothing found: kept
        {"Other=x", "Thunderbird", tb},                             // no line for the client
    };
    for (const TCase& c : cases) {
        File("Data\\Tokens.ini", std::string("[Tokens]\r\n") + c.Tokens + "\r\n");
        EXPECT_EQ(GetClientMailFolder(c.Client), c.Expected) << c.Tokens;
    }
    // The program folder's copy serves when the data folder has none.
    DeleteFileA(Path("Data\\Tokens.ini").c_str());
    File("Prog\\Tokens.ini", "[Tokens]\r\nEudora=" + x + "\r\n");
    EXPECT_EQ(GetClientMailFolder("Eudora"), x);
}

}  // namespace
