#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Streams.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFiles.h"
#include "testkit/TestFolder.h"

namespace {

void PutFile(const std::string& Path, const std::string& Bytes)
{
    ASSERT_TRUE(TTestFolder::Put(Path, Bytes)) << Path;
}

std::string GetFile(const std::string& Path)
{
    return TTestFolder::Read(Path, "<missing>");
}

bool Exists(const std::string& Path)
{
    return GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class KvFilesTest : public ::testing::Test {
protected:
    TTestFolder Folder{"files"};
    std::string Dir = Folder.Path() + "\\";
};

}  // namespace

TEST(KvFilesPaths, JoinAndExtensions)
{
    struct Case { std::string Folder, Name, Expected; };
    const Case joins[] = {
        {"C:\\a\\", "\\b", "C:\\a\\b"},
        {"C:\\a", "D:\\x", "D:\\x"},
        {"", "x", "x"},
        {"C:\\a", "", "C:\\a\\"},
        {"C:\\a", "b.eml", "C:\\a\\b.eml"},
        {"C:\\a\\", "b", "C:\\a\\b"},
        {"\\\\srv\\share", "in\\x.mbx", "\\\\srv\\share\\in\\x.mbx"},
        {"C:\\a", "\\\\srv\\share\\x", "\\\\srv\\share\\x"},
        {"\\\\?\\C:\\long", "x", "\\\\?\\C:\\long\\x"},
    };
    for (const Case& c : joins)
        EXPECT_EQ(JoinPath(c.Folder, c.Name), c.Expected) << c.Folder << " + " << c.Name;

    struct ExtCase { std::string Name, Ext; bool AddOnly; std::string Expected; };
    const ExtCase exts[] = {
        {"mail.", "eml", true, "mail.eml"},
        {"mail.EML", "eml", true, "mail.EML"},
        {"mail.txt", "eml", true, "mail.txt.eml"},
        {"C:\\x.y\\mail", "eml", false, "C:\\x.y\\mail.eml"},
        {"C:\\x.y\\mail.txt", "eml", false, "C:\\x.y\\mail.eml"},
        {".profile", "eml", false, ".profile.eml"},
    };
    for (const ExtCase& c : exts)
        EXPECT_EQ(SetFileExt(c.Name, c.Ext, c.AddOnly), c.Expected) << c.Name;

    struct DotCase { std::string Name; int Dot; std::string Ext; int NamePos; };
    const DotCase dots[] = {
        {".profile", 0, "", 0},
        {"C:\\a\\.profile", 0, "", 6},
        {"a.b.c", 4, "c", 0},
        {"C:\\x.y\\mail", 0, "", 8},
        {"mail.", 5, "", 0},
        {"C:.x", 0, "", 0},
        {"x", 0, "", 0},
        {"C:\\dir\\", 0, "", 0},
    };
    for (const DotCase& c : dots) {
        EXPECT_EQ(ExtDotPos(c.Name), c.Dot) << c.Name;
        EXPECT_EQ(ExtractFileExtNoDot(c.Name), c.Ext) << c.Name;
        EXPECT_EQ(FileNamePos(c.Name), c.NamePos) << c.Name;
    }

    EXPECT_TRUE(HasFileExt("a.MBX", "mbx"));
    EXPECT_TRUE(HasFileExt("a.toc", "mbx;;TOC", true));
    EXPECT_FALSE(HasFileExt("a.tocx", "mbx;toc", true));
    EXPECT_FALSE(HasFileExt("a", "mbx;toc", true));
    EXPECT_EQ(RemoveFileExt("C:\\d\\a.txt"), "C:\\d\\a");
    EXPECT_EQ(RemoveFileExt("C:\\d\\a.txt", "TXT"), "C:\\d\\a");
    EXPECT_EQ(RemoveFileExt("C:\\d\\a.txt", "eml"), "C:\\d\\a.txt");
    EXPECT_EQ(ExtractFileNameNoExt("C:\\d.x\\a.b.txt"), "a.b");
}

TEST(KvFilesPaths, RootsAndParents)
{
    struct Case { std::string Path, Root, Rebased; };
    const Case roots[] = {
        {"C:\\mail\\in.mbx", "C:", "E:\\mail\\in.mbx"},
        {"\\\\srv\\share\\mail\\in.mbx", "\\\\srv\\share", "E:\\mail\\in.mbx"},
        {"\\\\?\\C:\\mail\\in.mbx", "C:", "E:\\mail\\in.mbx"},
        {"\\\\?\\UNC\\srv\\share\\in.mbx", "\\\\srv\\share", "E:\\in.mbx"},
        {"C:\\", "C:", "E:\\"},
        {"\\\\srv\\share", "\\\\srv\\share", "E:\\"},
        {"mail\\in.mbx", "", "E:\\mail\\in.mbx"},
    };
    for (const Case& c : roots) {
        EXPECT_EQ(ExtractDriveOrShare(c.Path), c.Root) << c.Path;
        EXPECT_EQ(ExtractDriveOrShare(c.Path, true), c.Root.empty() ? "" : c.Root + "\\") << c.Path;
        EXPECT_EQ(RebasePathRoot(c.Path, "E:"), c.Rebased) << c.Path;
        EXPECT_EQ(PathHasDrive(c.Path), !c.Root.empty()) << c.Path;
    }

    struct Parent { std::string Path, Parent, ParentName; };
    const Parent parents[] = {
        {"C:\\a\\b\\c.txt", "C:\\a\\b\\", "b"},
        {"C:\\a\\b\\", "C:\\a\\", "a"},
        {"C:\\a", "C:\\", "C:"},
        {"C:\\", "C:\\", "C:"},
        {"x", "x", "x"},
        {"abc", "", ""},
        {"\\\\srv\\share\\x", "\\\\srv\\share\\", "share"},
    };
    for (const Parent& c : parents) {
        EXPECT_EQ(ExtractParentFolder(c.Path), c.Parent) << c.Path;
        EXPECT_EQ(ExtractParentFolderName(c.Path), c.ParentName) << c.Path;
    }

    struct Kind { std::string Path; bool Absolute, Relative; };
    const Kind kinds[] = {
        {"C:\\a\\b", true, false},
        {"\\\\?\\C:\\a\\..\\b", true, false},
        {"C:\\a\\..\\b", false, true},
        {"a\\b", false, true},
        {"C:x", false, true},
        {"\\\\srv\\share\\x", true, false},
        {"", false, false},
    };
    for (const Kind& c : kinds) {
        EXPECT_EQ(IsAbsolutePath(c.Path), c.Absolute) << c.Path;
        EXPECT_EQ(IsRelativePath(c.Path), c.Relative) << c.Path;
    }
    EXPECT_TRUE(IsUncPath("\\\\srv\\x"));
    EXPECT_TRUE(HasLongPathPrefix("\\\\?\\C:\\a"));
    EXPECT_FALSE(HasWildcardName("\\\\?\\C:\\a"));
    EXPECT_TRUE(HasWildcardName("C:\\mail\\*.mbx"));
    EXPECT_FALSE(HasWildcardName("C:\\m?il\\x.mbx"));
}

TEST(KvFilesPaths, NamesCleanedAndChecked)
{
    struct Trim { std::string In, Trimmed, Cleaned; };
    const Trim trims[] = {
        {"name  ", "name", "name"},
        {"name .", "name.", "name"},
        {"name\t. ", "name.", "name\t"},
        {"C:\\a \\b.\\c", "C:\\a \\b.\\c", "C:\\a\\b\\c"},
        {"\\\\srv\\\\share\\\\x", "\\\\srv\\\\share\\\\x", "\\\\srv\\share\\x"},
        {"C:\\a\\\\\\b", "C:\\a\\\\\\b", "C:\\a\\b"},
    };
    for (const Trim& c : trims) {
        EXPECT_EQ(TrimFileNameEnd(c.In), c.Trimmed) << c.In;
        EXPECT_EQ(CleanPathName(c.In), c.Cleaned) << c.In;
    }

    struct Device { std::string Name; bool Reserved; };
    const Device devices[] = {{"com1.txt", true}, {"CLOCK$", true}, {"nul", true}, {"LPT9.eml", true},
                              {"COMX", false},    {"console", false}, {"com10", false}, {"aux1", false},
                              {"CONIN$", true},   {"conout$.eml", true}, {"CONOUT", false}, {"LPT0", true}, {"COM", false},
                              // Superscript digits, as the ANSI code page (1252) gives them.
                              {"COM\xB9", true}, {"com\xB2.txt", true}, {"COM\xB3 ", false}, {"LPT\xB9", true},
                              {"lpt\xB2", true}, {"LPT\xB3.eml", true}, {"COM\xBC", false}, {"LPT\xB9\xB9", false},
                              {"COM\xC2\xB9", false}};
    for (const Device& c : devices)
        EXPECT_EQ(IsReservedDeviceName(c.Name), c.Reserved) << c.Name;
    struct Invalid { std::string Path; bool Bad; };
    const Invalid invalid[] = {{"\\\\?\\C:\\a", false}, {"", false},       {"a|b", true}, {"x", true},
                               {"C:\\a\\b.eml", false}, {"a\"b", true},    {"a\tb", true}, {"C:/x", true}};
    for (const Invalid& c : invalid)
        EXPECT_EQ(HasInvalidPathChars(c.Path), c.Bad) << c.Path;

    EXPECT_FALSE(IsNotDotName(".."));
    EXPECT_FALSE(IsNotDotName(""));
    EXPECT_TRUE(IsNotDotName("..a"));
}

TEST_F(KvFilesTest, ExistenceAndSizes)
{
    PutFile(Dir + "four.mbx", "abcd");
    PutFile(Dir + "empty.mbx", "");
    CreateDirectoryA((Dir + "m.eml").c_str(), nullptr);

    EXPECT_TRUE(IsExistingFile(Dir + "four.mbx"));
    EXPECT_FALSE(IsExistingFile(Dir + "m.eml"));
    EXPECT_FALSE(IsExistingFile(""));
    EXPECT_EQ(GetFileSizeByName(Dir + "four.mbx"), 4);
    EXPECT_EQ(GetFileSizeByName(Dir + "empty.mbx"), 0);
    EXPECT_EQ(GetFileSizeByName(Dir + "m.eml"), -1);
    EXPECT_EQ(GetFileSizeByName(Dir + "none.mbx"), -1);

    EXPECT_TRUE(FolderExists(Dir + "*.mbx", true));
    EXPECT_FALSE(FolderExists(Dir + "*.mbx", false));
    EXPECT_TRUE(FolderExists(Dir));
    EXPECT_TRUE(FolderExists(Dir + "m.eml\\"));
    EXPECT_FALSE(FolderExists(Dir + "four.mbx"));
    EXPECT_TRUE(FolderExists(""));
    EXPECT_TRUE(FolderExists("\\\\nosuchserver\\share"));
    EXPECT_TRUE(IsFolderPath("C:"));
    EXPECT_TRUE(IsFolderPath(Dir + "m.eml"));
    EXPECT_FALSE(IsFolderPath(Dir + "four.mbx"));

    EXPECT_EQ(ExtractFolder(Dir + "m.eml"), Dir + "m.eml");
    EXPECT_EQ(ExtractFolder(Dir + "four.mbx"), Dir.substr(0, Dir.size() - 1));
    EXPECT_EQ(ExtractFolder(Dir + "m.eml\\*.eml"), Dir + "m.eml");
    EXPECT_EQ(ExtractFolderName(Dir + "m.eml"), "m.eml");

    EXPECT_FALSE(IsFolderReadOnly(Dir));
    EXPECT_FALSE(Exists(Dir + "kvo~test.tmp"));
    EXPECT_TRUE(IsFolderReadOnly(Dir + "missing\\deeper"));
    EXPECT_FALSE(IsReadOnlyLocation(Dir + "new.txt"));
    EXPECT_TRUE(CanOpenForWriting(Dir + "four.mbx"));
    SetFileAttributesA((Dir + "four.mbx").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(IsReadOnlyLocation(Dir + "four.mbx"));
    SetFileAttributesA((Dir + "four.mbx").c_str(), FILE_ATTRIBUTE_NORMAL);

    const std::string temp = GetTempFolder(true);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '\\');
    TempFolderOverride = Dir + "own";
    EXPECT_EQ(GetTempFolder(), Dir + "own\\");
    EXPECT_EQ(GetTempFolder(true), temp);
    TempFolderOverride.clear();
    EXPECT_EQ(GetWindowsFolder().back(), '\\');
}

TEST_F(KvFilesTest, DataFilesFollowTheApplicationFolders)
{
    const std::string savedExe = ExeFolder;
    ExeFolder = Dir + "prog\\";
    ForceFolder(ExeFolder);
    ForceFolder(Dir + "data");
    ForceFolder(Dir + "user");
    SaveStringToFile(ExeFolder + "Tokens.ini", "x");
    SaveStringToFile(ExeFolder + "prog.dat", "x");
    SaveStringToFile(Dir + "data\\NameFilter.dat", "x");
    SaveStringToFile(Dir + "user\\NameFilter.dat", "x");

    struct Case { std::string Data, User; bool UseUser; std::string Name, Path, Found; };
    const Case cases[] = {
        {"", "", false, "Tokens.ini", "prog\\Tokens.ini", "prog\\Tokens.ini"},
        {"", "", false, "Z:\\elsewhere\\Tokens.ini", "prog\\Tokens.ini", "prog\\Tokens.ini"},
        {"data\\", "", false, "NameFilter.dat", "data\\NameFilter.dat", "data\\NameFilter.dat"},
        {"data\\", "", false, "Tokens.ini", "data\\Tokens.ini", "prog\\Tokens.ini"},
        {"data\\", "", false, "none.dat", "data\\none.dat", "data\\none.dat"},
        {"data\\", "user\\", false, "NameFilter.dat", "data\\NameFilter.dat", "data\\NameFilter.dat"},
        {"data\\", "user\\", true, "NameFilter.dat", "user\\NameFilter.dat", "user\\NameFilter.dat"},
        {"data\\", "", true, "prog.dat", "data\\prog.dat", "prog\\prog.dat"},
        // A data folder inside the program folder has no copy to fall back on.
        {"prog\\sub\\", "", false, "prog.dat", "prog\\sub\\prog.dat", "prog\\sub\\prog.dat"},
    };
    for (const Case& c : cases) {
        DataFolder = c.Data.empty() ? "" : Dir + c.Data;
        UserFolder = c.User.empty() ? "" : Dir + c.User;
        UseUserFolder = c.UseUser;
        EXPECT_EQ(DataFilePath(c.Name), Dir + c.Path) << c.Name;
        EXPECT_EQ(FindDataFile(c.Name), Dir + c.Found) << c.Name;
    }
    EXPECT_EQ(ExeFolderPath("C:\\x\\help.chm"), ExeFolder + "help.chm");
    DataFolder.clear();
    UserFolder.clear();
    UseUserFolder = false;
    ExeFolder = savedExe;
    EXPECT_EQ(ExeFolder.back(), '\\');
    EXPECT_TRUE(IsExistingFile(ExeFileName));
    EXPECT_EQ(ExtractParentFolder(ExeFileName), ExeFolder);

    EXPECT_EQ(GetDriveTypeOf(Dir), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(GetDriveTypeOf(Dir.substr(0, 1)), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_FALSE(IsRemovableDrive(Dir));
    EXPECT_FALSE(IsDiskFull(Dir));
}

TEST_F(KvFilesTest, ForceFoldersRenamesClashingFiles)
{
    PutFile(Dir + "a", "x");
    EXPECT_EQ(ForceFolders(Dir + "a\\b"), "");
    TStringList created;
    EXPECT_EQ(ForceFolders(Dir + "a\\b\\c\\", &created, true), Dir + "a.dir\\b\\c\\");
    EXPECT_TRUE(FolderExists(Dir + "a.dir\\b\\c"));
    EXPECT_EQ(GetFile(Dir + "a"), "x");
    ASSERT_EQ(created.Count(), 3);
    EXPECT_EQ(created.Get(0), Dir + "a.dir");
    EXPECT_EQ(created.Get(2), Dir + "a.dir\\b\\c");
    // Existing folders are walked through, not reported again.
    created.Clear();
    EXPECT_EQ(ForceFolders(Dir + "a.dir\\b\\d", &created), Dir + "a.dir\\b\\d");
    EXPECT_EQ(created.Count(), 1);
    EXPECT_EQ(ForceFolders("\\"), "\\");
    EXPECT_TRUE(ForceFolder(Dir + "x\\y\\*.eml"));
    EXPECT_TRUE(FolderExists(Dir + "x\\y"));
}

TEST_F(KvFilesTest, LoadAndSaveWholeFiles)
{
    PutFile(Dir + "four", std::string("ab\0d", 4));
    EXPECT_EQ(LoadFileToString(Dir + "four", 10), std::string("ab\0d", 4));
    EXPECT_EQ(LoadFileToString(Dir + "four", 3), std::string("ab\0", 3));
    EXPECT_EQ(LoadFileToBytes(Dir + "four").size(), 4u);
    EXPECT_EQ(LoadFileToString(Dir + "missing"), "");

    int count = 0;
    auto buf = LoadFileToBuffer(Dir + "four", count, '?');
    ASSERT_TRUE(buf);
    EXPECT_STREQ(buf.get(), "ab?d");
    EXPECT_EQ(count, 1);
    buf = LoadFileToBuffer(Dir + "four", count, 0, true);
    EXPECT_EQ(count, 2 - 4);
    PutFile(Dir + "plain", "abcd");
    buf = LoadFileToBuffer(Dir + "plain", count, 0, true);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(LoadFileToBuffer(Dir + "missing", count));
    EXPECT_EQ(count, -1);

    // A file another handle holds without sharing reads as empty, and can't
    // be saved over: even an empty text reports the failure.
    const HANDLE lock = CreateFileA((Dir + "plain").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LoadFileToString(Dir + "plain"), "");
    EXPECT_EQ(SaveStringToFile(Dir + "plain", "new"), -1);
    EXPECT_EQ(SaveStringToFile(Dir + "plain", ""), -1);
    CloseHandle(lock);
    EXPECT_EQ(GetFile(Dir + "plain"), "abcd");

    struct Save { std::string Name, Text; std::int64_t Result; };
    const Save saves[] = {
        {"empty.eml", "", 0},
        {"msg.eml", "Subject: x\r\n\r\nbody\r\n", 20},
        {"no\\such\\folder.eml", "x", -1},
        {"no\\such\\empty.eml", "", -1},
    };
    for (const Save& s : saves) {
        EXPECT_EQ(SaveStringToFileDated(Dir + s.Name, s.Text, 0), s.Result) << s.Name;
        EXPECT_EQ(GetFile(Dir + s.Name), s.Result < 0 ? "<missing>" : s.Text) << s.Name;
    }

    // A new file never replaces one: an existing name is left as it was.
    const struct {
        std::string Name;
        TNewFileOutcome Outcome;
        const char* After;
        DWORD Error;
    } news[] = {
        {"new.eml", TNewFileOutcome::Written, "fresh", 0},
        {"msg.eml", TNewFileOutcome::Exists, "Subject: x\r\n\r\nbody\r\n", ERROR_FILE_EXISTS},
        {"no\\such\\new.eml", TNewFileOutcome::Failed, "<missing>", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& n : news) {
        DWORD error = 12345;
        EXPECT_EQ(WriteBufferToNewFile("fresh", 5, Dir + n.Name, 0, &error), n.Outcome) << n.Name;
        EXPECT_EQ(GetFile(Dir + n.Name), n.After) << n.Name;
        EXPECT_EQ(error, n.Error) << n.Name;
    }
    // A file its writer could not fill is not left cut off, and the error
    // says why: the writer's own, else a full disk.
    for (const DWORD fillError : {DWORD(ERROR_WRITE_FAULT), DWORD(0)}) {
        DWORD error = 0;
        EXPECT_EQ(WriteNewFileWith(
                      [fillError](HANDLE) {
                          SetLastError(fillError);
                          return false;
                      },
                      Dir + "cut.eml", 0, &error),
                  TNewFileOutcome::Failed);
        EXPECT_EQ(GetFile(Dir + "cut.eml"), "<missing>");
        EXPECT_EQ(error, fillError ? fillError : DWORD(ERROR_HANDLE_DISK_FULL));
    }
    EXPECT_EQ(WriteNewFileWith([](HANDLE H) { return WriteAll(H, "ab", 2); }, Dir + "cut.eml", 0, nullptr),
              TNewFileOutcome::Written);
    EXPECT_EQ(GetFile(Dir + "cut.eml"), "ab");

    // The message date becomes the file's creation and write time, unshifted.
    const TDateTime when = EncodeDateTime(2004, 2, 29, 13, 45, 10, 0);
    EXPECT_EQ(SaveStringToFileDated(Dir + "dated.eml", "x", when), 1);
    const HANDLE h = CreateFileA((Dir + "dated.eml").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME created, written;
    GetFileTime(h, &created, nullptr, &written);
    CloseHandle(h);
    EXPECT_NEAR(FileTimeToDateTime(written), when, 1 / MSecsPerDay);
    EXPECT_NEAR(FileTimeToDateTime(created), when, 1 / MSecsPerDay);

    TStringList lines;
    lines.Add("one");
    lines.Add("two");
    EXPECT_EQ(SaveStringsToFileDated(Dir + "lines.txt", lines, when), 10);
    EXPECT_EQ(GetFile(Dir + "lines.txt"), "one\r\ntwo\r\n");
    TStringList back;
    EXPECT_EQ(LoadStringsFromFile(Dir + "lines.txt", back), 2);
    EXPECT_EQ(back.Get(1), "two");
    EXPECT_TRUE(FileCopy(Dir + "lines.txt", Dir + "copy.txt", true));
    EXPECT_FALSE(FileCopy(Dir + "lines.txt", Dir + "copy.txt", true));

    TStringStream binary(std::string("From \0x", 7));
    binary.SetPosition(2);
    EXPECT_TRUE(IsBinaryStream(binary));
    EXPECT_EQ(binary.Position(), 2);
    EXPECT_FALSE(IsBinaryStream(binary, 2));
}

TEST_F(KvFilesTest, PathsPastMaxPathTakeTheWideRoad)
{
    const std::string x(250, 'x');
    const struct {
        std::string Path;
        std::wstring Wide;
    } forms[] = {{"C:\\a\\b.txt", L"C:\\a\\b.txt"},
                 // A folder path takes the ANSI calls below 248 characters.
                 {"C:\\" + std::string(244, 'x'), L"C:\\" + std::wstring(244, L'x')},
                 {"C:\\" + std::string(245, 'x'), L"\\\\?\\C:\\" + std::wstring(245, L'x')},
                 {"C:\\" + x, L"\\\\?\\C:\\" + std::wstring(250, L'x')},
                 {"C:/" + x + "/../y", L"\\\\?\\C:\\y"},
                 {"\\\\srv\\share\\" + x, L"\\\\?\\UNC\\srv\\share\\" + std::wstring(250, L'x')},
                 {"\\\\?\\C:\\" + x, L"\\\\?\\C:\\" + std::wstring(250, L'x')}};
    for (const auto& f : forms)
        EXPECT_EQ(LongPathForm(f.Path), f.Wide) << f.Path;

    // A file 600 characters deep is made, found, measured, read and written.
    std::string deep = Dir;
    while (deep.size() < 600)
        deep += "folder " + std::to_string(deep.size()) + "\\";
    const std::string file = deep + "box";
    ASSERT_FALSE(ForceFolders(deep).empty());
    ASSERT_EQ(WriteBufferToFile("abcd", 4, file), 4);
    EXPECT_TRUE(IsExistingFile(file));
    EXPECT_TRUE(FolderExists(deep));
    EXPECT_EQ(GetFileSizeByName(file), 4);
    char got[4] = {};
    EXPECT_EQ(OpenFileStream(file, fmOpenRead | fmShareDenyNone)->Read(got, 4), 4);
    EXPECT_EQ(std::string(got, 4), "abcd");
    EXPECT_EQ(WriteBufferToNewFile("x", 1, file), TNewFileOutcome::Exists);
    {
        // Its mail program writing it, a reader that denies nothing still opens it.
        const TKernelHandle writer(CreateFileW(LongPathForm(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_EQ(OpenFileStream(file, fmOpenRead | fmShareDenyNone)->Read(got, 4), 4);
        EXPECT_THROW(OpenFileStream(file, fmOpenRead | fmShareDenyWrite), EFOpenError);
    }
}

TEST_F(KvFilesTest, LongShortAndRelativePaths)
{
    const std::string longFolder = Dir + "A rather long folder name";
    ASSERT_TRUE(ForceFolder(longFolder));
    PutFile(longFolder + "\\Message number one.eml", "x");
    const std::string shortFile = GetShortPath(longFolder + "\\Message number one.eml");
    ASSERT_NE(shortFile.find('~'), std::string::npos) << shortFile;
    EXPECT_EQ(ExpandLongPathName(shortFile), longFolder + "\\Message number one.eml");
    const std::string shortFolder = GetShortPath(longFolder);
    EXPECT_EQ(ExpandLongPathName(shortFolder + "\\"), longFolder + "\\");
    EXPECT_EQ(ExpandLongPathName("rel\\no tilde"), "rel\\no tilde");
    EXPECT_TRUE(SamePathName(shortFile, longFolder + "\\MESSAGE number one.eml"));
    EXPECT_FALSE(SamePathName(shortFile, longFolder + "\\other.eml"));

    const std::string base = Dir.substr(0, Dir.size() - 1);
    EXPECT_EQ(ExpandRelativePath(base, "x\\y.eml"), Dir + "x\\y.eml");
    EXPECT_EQ(ExpandRelativePath(base, "\\top.eml"), base.substr(0, 2) + "\\top.eml");
    EXPECT_EQ(ExpandRelativePath(base, "C:\\abs\\x"), "C:\\abs\\x");
    EXPECT_EQ(ExpandFullPath(" \"x\\y.eml\"\xA0", base), Dir + "x\\y.eml");

    EXPECT_TRUE(IsFileInFolder(Dir, longFolder + "\\Message number one.eml"));
    EXPECT_TRUE(IsFileInFolder(base, shortFile));
    // A name that merely begins like the folder is not inside it.
    ASSERT_TRUE(ForceFolder(Dir + "mailbox"));
    ASSERT_TRUE(ForceFolder(Dir + "mail"));
    EXPECT_FALSE(IsFileInFolder(Dir + "mail", Dir + "mailbox\\x.eml"));
    EXPECT_TRUE(IsFileInFolder(Dir + "mailbox\\", Dir + "mailbox\\x.eml"));

    // The relative expansion of ".." needs the real current folder and gives
    // up the program's own one for good.
    EXPECT_EQ(ExpandRelativePath(longFolder, "..\\x.eml"), Dir + "x.eml");
    EXPECT_FALSE(UseOwnCurrentFolder);
    UseOwnCurrentFolder = true;
    const std::string saved = CurrentFolder;
    EXPECT_TRUE(SetCurrentFolder(Dir));
    EXPECT_EQ(GetCurrentFolder(), base);
    EXPECT_FALSE(SetCurrentFolder(Dir + "missing"));
    EXPECT_EQ(GetCurrentFolder(), base);
    CurrentFolder = saved;
}

TEST_F(KvFilesTest, FindsFilesInFoldersAndTrees)
{
    ASSERT_TRUE(ForceFolder(Dir + "one\\two"));
    PutFile(Dir + "one\\two\\empty.toc", "");
    PutFile(Dir + "one\\two\\full.toc", "x");
    PutFile(Dir + "top.mbx", "x");

    EXPECT_EQ(FindFirstMatchingFile(Dir + "*.mbx"), Dir + "top.mbx");
    EXPECT_EQ(FindFileInFolder(Dir, "*.toc"), "");
    EXPECT_EQ(FindFileInTree(Dir, "empty.toc"), Dir + "one\\two\\empty.toc");
    EXPECT_EQ(FindFile(Dir + "empty.toc", true, true), "");
    EXPECT_EQ(FindFile(Dir + "full.toc", true, true), Dir + "one\\two\\full.toc");
    EXPECT_TRUE(AnyFileMatches(Dir + "*.toc", true));
    EXPECT_FALSE(AnyFileMatches(Dir + "*.toc", false));
    EXPECT_FALSE(AnyFileMatches(Dir + "one\\two\\e*.toc", false, true));

    TSearchRecord rec;
    ASSERT_EQ(FindFirstEntry(Dir + "top.mbx", 0, rec), 0u);
    EXPECT_EQ(rec.Name, "top.mbx");
    EXPECT_EQ(rec.Size, 1);
    EXPECT_NE(rec.Time, 0);
    EXPECT_EQ(FindNextEntry(rec), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    // Folders are refused unless the directory bit is asked for.
    EXPECT_NE(FindFirstEntry(Dir + "one", 0, rec), 0u);
    EXPECT_EQ(FindFirstEntry(Dir + "one", FILE_ATTRIBUTE_DIRECTORY, rec), 0u);

    std::string params;
    const std::string exe = Dir + "top.mbx";
    struct Split { std::string Line, Program, Params; };
    const Split splits[] = {
        {"\"C:\\Program Files\\x.exe\" -a  b ", "C:\\Program Files\\x.exe", "-a  b"},
        {"notepad.exe file.txt", "notepad.exe", "file.txt"},
        {exe + " /x", exe, "/x"},
        {"C:\\No such\\prog.exe", "C:\\No such\\prog.exe", ""},
        {"\"unclosed", "unclosed", ""},
    };
    for (const Split& s : splits) {
        EXPECT_EQ(SplitProgramAndParams(s.Line, params), s.Program) << s.Line;
        EXPECT_EQ(params, s.Params) << s.Line;
    }
}

TEST_F(KvFilesTest, NumberedNames)
{
    struct Inc { std::string In, Out; int Number; };
    const Inc incs[] = {
        {"msg.eml", "msg[1].eml", 1},
        {"msg[1].eml", "msg[2].eml", 2},
        {"msg[9].eml", "msg[10].eml", 10},
        {"notes", "notes[1]", 1},
        {"a[x]", "a[1]", 1},
        {"a[x].txt", "a[x][1].txt", 1},
        {"a[41]", "a[42]", 42},
        {"C:\\out[3].d\\msg.eml", "C:\\out[3].d\\msg[1].eml", 1},
        {"C:\\out[3]\\msg", "C:\\out[3]\\msg[1]", 1},
    };
    for (const Inc& c : incs) {
        std::string name = c.In;
        EXPECT_EQ(IncrementFileNumber(name), c.Number) << c.In;
        EXPECT_EQ(name, c.Out) << c.In;
    }

    EXPECT_EQ(GetNumberedFileName(Dir + "m.eml"), Dir + "m.eml");
    PutFile(Dir + "m.eml", "x");
    EXPECT_EQ(GetNumberedFileName(Dir + "m.eml"), Dir + "m[1].eml");
    PutFile(Dir + "m[1].eml", "x");
    EXPECT_EQ(GetNumberedFileName(Dir + "m.eml"), Dir + "m[2].eml");
    // A folder of that name is no file to clash with.
    CreateDirectoryA((Dir + "f.eml").c_str(), nullptr);
    EXPECT_EQ(GetNumberedFileName(Dir + "f.eml"), Dir + "f.eml");
}

// An empty bracket pair is no number: the name gets its own "[1]".
TEST_F(KvFilesTest, EmptyBracketsAreNoNumber)
{
    const struct {
        const char* In;
        const char* Out;
        int Number;
    } Cases[] = {
        {"a[].eml", "a[][1].eml", 1},
        {"a[0].eml", "a[1].eml", 1},
        {"a[]", "a[1]", 1},
    };
    for (const auto& C : Cases) {
        std::string Name = C.In;
        EXPECT_EQ(IncrementFileNumber(Name), C.Number) << C.In;
        EXPECT_EQ(Name, C.Out) << C.In;
    }
}

// With a memory of the names met, the search resumes after the last name
// found taken: the same names as a search from the start, while nothing is
// removed meanwhile; a name another program takes meanwhile is passed over.
TEST_F(KvFilesTest, NumberedNamesWithMemory)
{
    const struct {
        const char* Name;
        std::vector<std::string> Before;
        std::vector<std::string> Made;  // taken in order, each made at once
    } cases[] = {
        {"none present", {}, {"r.txt", "r[1].txt", "r[2].txt", "r[3].txt"}},
        {"plain and first numbers present", {"r.txt", "r[1].txt"}, {"r[2].txt", "r[3].txt", "r[4].txt"}},
        {"gaps", {"r.txt", "r[2].txt", "r[4].txt", "r[5].txt"}, {"r[1].txt", "r[3].txt", "r[6].txt", "r[7].txt"}},
        {"plain name free", {"r[1].txt"}, {"r.txt", "r[2].txt", "r[3].txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTestFolder folder("numbered");
        const std::string base = folder.File("r.txt");
        for (const std::string& n : c.Before)
            folder.Write(n, "x");
        TNumberedNames known;
        for (const std::string& n : c.Made) {
            const std::string plain = GetNumberedFileName(base);
            const std::string name = GetNumberedFileName(base, &known);
            EXPECT_EQ(name, folder.File(n));
            EXPECT_EQ(name, plain);
            folder.Write(n, "made");
            if (name != base)
                known.Taken(base, name);
        }
    }

    TNumberedNames known;
    const std::string base = Dir + "s.eml";
    PutFile(base, "x");
    PutFile(Dir + "s[1].eml", "x");
    EXPECT_EQ(GetNumberedFileName(base, &known), Dir + "s[2].eml");
    EXPECT_TRUE(known.Knows(base));
    EXPECT_EQ(known.FirstUnknown(base), Dir + "s[2].eml");
    // Taken by someone else before this caller made it: passed over.
    PutFile(Dir + "s[2].eml", "x");
    EXPECT_EQ(GetNumberedFileName(base, &known), Dir + "s[3].eml");
    // Names freed meanwhile are not gone back to; the base is not probed.
    DeleteFileA((Dir + "s[1].eml").c_str());
    DeleteFileA(base.c_str());
    EXPECT_EQ(GetNumberedFileName(base, &known), Dir + "s[3].eml");
    known.Clear();
    EXPECT_EQ(GetNumberedFileName(base, &known), base);
    EXPECT_EQ(known.FirstUnknown(Dir + "t[4].eml"), Dir + "t[5].eml");
}

TEST_F(KvFilesTest, BackupNamesByMode)
{
    PutFile(Dir + "a[001].txt", "1");
    PutFile(Dir + "a[002].txt", "2");
    PutFile(Dir + "a.txt.001", "1");
    const std::string a = Dir + "a.txt";
    // By number: settings store the modes as these numbers.
    struct Case { TBackupMode Mode; std::string Expected; };
    const Case cases[] = {
        {1, a},
        {2, a + ".bak"},
        {3, Dir + "Backups\\a[001].txt"},
        {4, Dir + "a[003].txt"},
        {5, Dir + "a[003].txt"},
        {6, a + ".002"},
        {7, Dir + "Backup[001]_a.txt"},
        {8, Dir + "a.~txt"},
        {9, Dir + "~a.txt"},
        {10, a},
        {0, Dir + "a.~txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetBackupFileName(a, c.Mode), c.Expected) << int(c.Mode);
    EXPECT_TRUE(FolderExists(Dir + "Backups"));

    EXPECT_EQ(GetBackupFileName(Dir + "README", bmNumbered), Dir + "README[001]");
    EXPECT_EQ(GetBackupFileName(Dir + "README", bmTildeExt), Dir + "README.~");
    EXPECT_EQ(GetBackupFileName(Dir + "100%.txt", bmNumberExt), Dir + "100%.txt.001");
    EXPECT_EQ(GetBackupFileName(Dir + "%d%s.txt", bmNumbered), Dir + "%d%s[001].txt");
    EXPECT_EQ(GetBackupFileName(Dir + "%s.txt", bmPrefix), Dir + "Backup[001]_%s.txt");
    EXPECT_EQ(GetBackupFileName("x.BAK", bmBak), "x.BAK");
    BackupPrefix = "Old";
    EXPECT_EQ(GetBackupFileName(a, bmPrefix), Dir + "Old[001]_a.txt");
    BackupPrefix = "v%d-";
    EXPECT_EQ(GetBackupFileName(a, bmPrefix), Dir + "v1-a.txt");
    BackupPrefix.clear();
    BackupFolderName = "Saved";
    EXPECT_EQ(GetBackupFileName(a, bmFolder), Dir + "Saved\\a[001].txt");
    BackupFolderName.clear();
    // With every number to 999 taken the next backup takes 1000, never an old one's name.
    for (int n = 2; n <= 999; ++n)
        PutFile(Dir + Format("a.txt.%0.3d", n), "");
    EXPECT_EQ(GetBackupFileName(a, bmNumberExt), a + ".1000");
}

TEST_F(KvFilesTest, BackupMovesTheFileAndNeverDestroysIt)
{
    struct Case { std::string Name; TBackupMode Mode; std::string Backup; bool Hidden; };
    const Case moved[] = {
        {"a.txt", bmBak, "a.txt.bak", false},
        {"a.txt", bmFolder, "Backups\\a[001].txt", false},
        {"a.txt", bmNumbered, "a[001].txt", false},
        {"a.txt", bmNumberedHidden, "a[002].txt", true},
        {"a.txt", bmNumberExt, "a.txt.001", false},
        {"a.txt", bmPrefix, "Backup[001]_a.txt", false},
        {"a.txt", bmTildeExt, "a.~txt", false},
        {"a.txt", bmTildeName, "~a.txt", false},
    };
    for (const Case& c : moved) {
        PutFile(Dir + c.Name, "content " + std::to_string(c.Mode));
        EXPECT_EQ(BackupExistingFile(Dir + c.Name, c.Mode), Dir + c.Backup) << int(c.Mode);
        EXPECT_FALSE(Exists(Dir + c.Name)) << int(c.Mode);
        EXPECT_EQ(GetFile(Dir + c.Backup), "content " + std::to_string(c.Mode)) << int(c.Mode);
        const DWORD attr = GetFileAttributesA((Dir + c.Backup).c_str());
        EXPECT_EQ((attr & FILE_ATTRIBUTE_HIDDEN) != 0, c.Hidden) << int(c.Mode);
    }

    // An older backup of the same name gives way to the new one.
    PutFile(Dir + "a.txt", "newer");
    EXPECT_EQ(BackupExistingFile(Dir + "a.txt", bmBak, true), Dir + "a.txt.bak");
    EXPECT_EQ(GetFile(Dir + "a.txt.bak"), "newer");
    EXPECT_NE(GetFileAttributesA((Dir + "a.txt.bak").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

    // Modes whose backup name is the file's own name keep the file as it is.
    PutFile(Dir + "x.BAK", "keep");
    PutFile(Dir + "plain.txt", "keep");
    PutFile(Dir + "empty.BAK", "");
    const std::string saved = CurrentFolder;
    SetCurrentFolder(Dir, true);
    struct Same { std::string Name; TBackupMode Mode; };
    const Same same[] = {
        {Dir + "x.BAK", 2}, {Dir + "plain.txt", 1}, {Dir + "plain.txt", 12},
        {"plain.txt", 7},   {"plain.txt", 9},       {Dir + "empty.BAK", 2},
    };
    for (const Same& c : same) {
        EXPECT_EQ(BackupExistingFile(c.Name, c.Mode), "") << c.Name << " " << int(c.Mode);
        EXPECT_TRUE(IsExistingFile(JoinPath(Dir, c.Name))) << c.Name << " " << int(c.Mode);
    }
    SetCurrentFolder(saved, true);
    EXPECT_EQ(GetFile(Dir + "x.BAK"), "keep");
    EXPECT_EQ(GetFile(Dir + "plain.txt"), "keep");

    // An empty file has nothing to keep and goes; a missing one changes nothing.
    PutFile(Dir + "empty.txt", "");
    EXPECT_EQ(BackupExistingFile(Dir + "empty.txt", bmBak), "");
    EXPECT_FALSE(Exists(Dir + "empty.txt"));
    EXPECT_FALSE(Exists(Dir + "empty.txt.bak"));
    EXPECT_EQ(BackupExistingFile(Dir + "missing.txt", bmBak), "");

    // An old backup that can't be removed stops the backup; the file stays.
    PutFile(Dir + "held.txt", "mine");
    PutFile(Dir + "held.txt.bak", "old");
    const HANDLE lock = CreateFileA((Dir + "held.txt.bak").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(BackupExistingFile(Dir + "held.txt", bmBak), "");
    CloseHandle(lock);
    EXPECT_EQ(GetFile(Dir + "held.txt"), "mine");
}

TEST_F(KvFilesTest, IdenticalFilesAndTheSafeSave)
{
    std::string big(100000, 'm');
    PutFile(Dir + "big1", big);
    big.back() = 'n';
    PutFile(Dir + "big2", big);
    PutFile(Dir + "e1", "");
    PutFile(Dir + "e2", "");
    PutFile(Dir + "s1", "same");
    PutFile(Dir + "s2", "same");
    PutFile(Dir + "s3", "sane");
    struct Pair { std::string A, B; bool Same; };
    const Pair pairs[] = {{"big1", "big1", true}, {"big1", "big2", false}, {"e1", "e2", true},
                          {"s1", "s2", true},     {"s1", "s3", false},     {"s1", "big1", false},
                          {"none", "none", false}, {"s1", "none", false}};
    for (const Pair& p : pairs)
        EXPECT_EQ(FilesAreIdentical(Dir + p.A, Dir + p.B), p.Same) << p.A << " " << p.B;

    // The old file goes to its backup, the new one keeps its attributes.
    PutFile(Dir + "doc.txt", "old");
    SetFileAttributesA((Dir + "doc.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    const TDateTime when = EncodeDateTime(2001, 7, 1, 8, 0, 0, 0);
    EXPECT_EQ(SaveTextToFileSafe("new text", Dir + "doc.txt", 2, when, true), 8);
    EXPECT_EQ(GetFile(Dir + "doc.txt"), "new text");
    EXPECT_EQ(GetFile(Dir + "doc.txt.bak"), "old");
    const DWORD attr = GetFileAttributesA((Dir + "doc.txt").c_str());
    EXPECT_NE(attr & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_NE(attr & FILE_ATTRIBUTE_ARCHIVE, 0u);

    // Without a backup a read-only file is made writable and overwritten.
    PutFile(Dir + "ro.txt", "old");
    SetFileAttributesA((Dir + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(SaveTextToFileSafe("", Dir + "ro.txt", 1, 0, false), 0);
    EXPECT_EQ(GetFile(Dir + "ro.txt"), "");
    EXPECT_EQ(GetFileAttributesA((Dir + "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    EXPECT_EQ(WriteBufferToFile(nullptr, 5, Dir + "nil.bin"), 0);
    EXPECT_EQ(GetFile(Dir + "nil.bin"), "");
    EXPECT_EQ(WriteBufferToFile("abc", 3, Dir + "no\\folder\\x.bin"), -1);
}
