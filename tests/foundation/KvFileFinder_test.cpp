#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "foundation/KvAnsi.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "testkit/ImportHook.h"
#include "testkit/TestFolder.h"
#include "testkit/TestLinks.h"

namespace {

// root\  a.mbx b.toc c.txt hid.mbx(hidden) ro.mbx(read-only)
//   sub\  d.mbx  deep\ e.mbx e.toc
//   skip\ f.mbx
//   hdir\ (hidden) g.mbx
class KvFileFinderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"sub\\deep", "skip", "hdir"})
            ForceFolders(Root + folder);
        for (const char* file : {"a.mbx", "b.toc", "c.txt", "hid.mbx", "ro.mbx", "sub\\d.mbx",
                                 "sub\\deep\\e.mbx", "sub\\deep\\e.toc", "skip\\f.mbx",
                                 "hdir\\g.mbx"})
            SaveStringToFile(Root + file, "From x\r\n");
        SetFileAttributesA((Root + "hid.mbx").c_str(), FILE_ATTRIBUTE_HIDDEN);
        SetFileAttributesA((Root + "ro.mbx").c_str(), FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA((Root + "hdir").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
    }

    // Hooks every event; file and folder names come back relative to the
    // root, folders with a trailing "\".
    void Watch(TFileFinder& F)
    {
        F.OnFile = [this](TFileFinder*, const std::string& Name) { Files.push_back(Rel(Name)); };
        F.OnFolder = [this](TFileFinder*, const std::string& Name) { Folders.push_back(Rel(Name) + "\\"); };
        F.OnAcceptFolder = [this](TFileFinder*, const std::string& Name, bool& Accept) {
            Accept = Refuse.empty() || Rel(Name) != Refuse;
        };
    }
    std::string Rel(const std::string& Name) const
    {
        if (Name == Base)
            return ".";
        EXPECT_EQ(Name.compare(0, Root.size(), Root), 0) << Name;
        return Name.substr(Root.size());
    }
    static std::vector<std::string> Sorted(std::vector<std::string> V)
    {
        std::sort(V.begin(), V.end());
        return V;
    }

    TTestFolder Scratch{"finder"};
    std::string Base = Scratch.Path();
    std::string Root = Base + "\\";
    std::string Refuse;
    std::vector<std::string> Files, Folders;
};

// "locked" and "jn" refuse listing, "half" only for "*.toc" and for its
// sub-folders; "jn" shows as a compatibility link.
TImportHook *GFindFirst = nullptr, *GFindNext = nullptr;

BOOL Marked(BOOL Found, WIN32_FIND_DATAW* Data)
{
    if (Found && std::wstring(Data->cFileName) == L"jn")
        Data->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return Found;
}

HANDLE WINAPI RefusingFindFirst(LPCWSTR Pattern, LPWIN32_FIND_DATAW Data)
{
    const std::wstring Path = Pattern, Folder = Path.substr(0, Path.find_last_of(L'\\'));
    if (Folder.ends_with(L"\\locked") || Folder.ends_with(L"\\jn") || Path.ends_with(L"\\half\\*.*") ||
        Path.ends_with(L"\\half\\*.toc")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE Find = reinterpret_cast<decltype(&FindFirstFileW)>(GFindFirst->Original())(Pattern, Data);
    Marked(Find != INVALID_HANDLE_VALUE, Data);
    return Find;
}

BOOL WINAPI MarkingFindNext(HANDLE Find, LPWIN32_FIND_DATAW Data)
{
    return Marked(reinterpret_cast<decltype(&FindNextFileW)>(GFindNext->Original())(Find, Data), Data);
}

}  // namespace

// A folder that cannot be listed is named once with the system's reason,
// whatever the masks; a compatibility link that refuses it is passed over.
TEST_F(KvFileFinderTest, FoldersThatCannotBeListedAreNamed)
{
    for (const std::string Folder : {"locked", "jn", "half"}) {
        ForceFolders(Root + Folder);
        SaveStringToFile(Root + Folder + "\\h.mbx", "From x\r\n");
    }
    TImportHook First("kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(&RefusingFindFirst));
    TImportHook Next("kernel32.dll", "FindNextFileW", reinterpret_cast<void*>(&MarkingFindNext));
    ASSERT_TRUE(First.Hooked() && Next.Hooked());
    GFindFirst = &First, GFindNext = &Next;
    const struct {
        std::string Start, Mask;
        bool Recursive;
        std::vector<std::string> Files, Refused, Skipped;
    } Cases[] = {
        {"", "*.mbx", true, {"a.mbx", "half\\h.mbx", "hdir\\g.mbx", "hid.mbx", "skip\\f.mbx", "sub\\d.mbx",
                             "sub\\deep\\e.mbx"}, {"half", "locked"}, {"jn"}},
        {"", "*.toc;;*.mbx", true, {"a.mbx", "b.toc", "hdir\\g.mbx", "hid.mbx", "skip\\f.mbx", "sub\\d.mbx",
                                   "sub\\deep\\e.mbx", "sub\\deep\\e.toc"}, {"half", "locked"}, {"jn"}},
        // What the first mask found before the second's listing failed.
        {"", "*.mbx;*.toc", true, {"a.mbx", "b.toc", "half\\h.mbx", "hdir\\g.mbx", "hid.mbx", "skip\\f.mbx",
                                  "sub\\d.mbx", "sub\\deep\\e.mbx", "sub\\deep\\e.toc"}, {"half", "locked"}, {"jn"}},
        {"locked", "*.toc;*.mbx", false, {}, {"locked"}, {}},
    };
    for (const auto& C : Cases) {
        Files.clear();
        std::vector<std::string> Refused, Skipped;
        TFileFinder F;
        Watch(F);
        F.OnFolderError = [&](TFileFinder*, const std::string& Name, DWORD Error) {
            Refused.push_back(Rel(Name));
            EXPECT_EQ(Error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
        };
        F.OnSkip = [&](TFileFinder*, const std::string& Name, const std::string& Reason) {
            Skipped.push_back(Rel(Name));
            EXPECT_EQ(Reason, TFileFinder::CompatLinkReason);
        };
        F.Attributes = FILE_ATTRIBUTE_HIDDEN;
        F.SetFileMask(C.Mask);
        F.Recursive = C.Recursive;
        F.Execute(Root + C.Start);
        EXPECT_EQ(Sorted(Files), Sorted(C.Files)) << C.Mask;
        EXPECT_EQ(Sorted(Refused), C.Refused) << C.Mask;
        EXPECT_EQ(Skipped, C.Skipped) << C.Mask;
    }
}

TEST_F(KvFileFinderTest, MasksRecursionAttributesAndRefusals)
{
    using Names = std::vector<std::string>;
    struct Case {
        const char* What;
        std::string Mask;
        bool Recursive;
        std::uint32_t Attr;
        std::string Refuse;
        bool SkipFiles;
        Names Files;
        Names Folders;
    };
    const Case cases[] = {
        {"root only", "*.mbx", false, 0, "", false, {"a.mbx"}, {".\\"}},
        {"read-only asked", "*.mbx", false, 1, "", false, {"a.mbx", "ro.mbx"}, {".\\"}},
        {"hidden asked", "*.mbx", false, 2, "", false, {"a.mbx", "hid.mbx"}, {".\\"}},
        {"mask list", "*.mbx;;*.toc", false, 0, "", false, {"a.mbx", "b.toc"}, {".\\"}},
        {"recursive", "*.mbx", true, 0, "", false,
         {"a.mbx", "skip\\f.mbx", "sub\\d.mbx", "sub\\deep\\e.mbx"},
         {".\\", "skip\\", "sub\\", "sub\\deep\\"}},
        {"recursive list", "*.toc;e.*", true, 0, "", false,
         {"b.toc", "sub\\deep\\e.mbx", "sub\\deep\\e.toc", "sub\\deep\\e.toc"},
         {".\\", "skip\\", "sub\\", "sub\\deep\\"}},
        {"refused sub-folder", "*.mbx", true, 0, "sub", false,
         {"a.mbx", "skip\\f.mbx"}, {".\\", "skip\\"}},
        {"refused root", "*.mbx", true, 0, ".", false, {}, {}},
        {"hidden folders walked", "*.mbx", true, 2, "", false,
         {"a.mbx", "hdir\\g.mbx", "hid.mbx", "skip\\f.mbx", "sub\\d.mbx", "sub\\deep\\e.mbx"},
         {".\\", "hdir\\", "skip\\", "sub\\", "sub\\deep\\"}},
        {"folders only", "*.mbx", true, 0, "", true, {}, {".\\", "skip\\", "sub\\", "sub\\deep\\"}},
        {"folder bit reports listed folders", "*.toc", true, 0x10, "", false,
         {"b.toc", "sub\\deep\\e.toc"},
         {".\\", ".\\", "skip\\", "skip\\", "sub\\", "sub\\", "sub\\deep\\", "sub\\deep\\"}},
    };
    for (const Case& c : cases) {
        Files.clear();
        Folders.clear();
        Refuse = c.Refuse;
        TFileFinder f;
        Watch(f);
        f.SetFileMask(c.Mask);
        f.Recursive = c.Recursive;
        f.Attributes = c.Attr;
        f.SkipFiles = c.SkipFiles;
        f.Execute(Root);  // the trailing backslash is dropped
        EXPECT_EQ(f.RootFolder(), Base);
        EXPECT_EQ(Sorted(Files), Sorted(c.Files)) << c.What;
        EXPECT_EQ(Sorted(Folders), Sorted(c.Folders)) << c.What;
    }
}

TEST_F(KvFileFinderTest, HooksSeeFullPathsAndTheLastNames)
{
    TFileFinder f;
    std::vector<std::string> accepted;
    f.OnAcceptFile = [&](TFileFinder*, const std::string& Name, bool& Accept) {
        accepted.push_back(Name);
        Accept = Name.find("\\deep\\") == std::string::npos;
    };
    std::vector<std::string> files;
    f.OnFile = [&](TFileFinder* Sender, const std::string& Name) {
        EXPECT_EQ(Sender, &f);
        EXPECT_EQ(Sender->FileName(), ExtractFileNamePart(Name));
        files.push_back(Name);
    };
    f.SetFileMask("*.mbx");
    EXPECT_FALSE(f.MaskIsList());
    f.Recursive = true;
    f.Execute(Root);
    EXPECT_EQ(accepted.size(), 4u);
    EXPECT_EQ(Sorted(files), Sorted({Root + "a.mbx", Root + "skip\\f.mbx", Root + "sub\\d.mbx"}));
    EXPECT_EQ(f.FolderName().back(), '\\');

    // Nothing to search: no root given and none set before.
    TFileFinder empty;
    Watch(empty);
    empty.SetFileMask("*.*");
    empty.Execute();
    empty.Execute("");
    EXPECT_TRUE(Files.empty());
    EXPECT_TRUE(Folders.empty());

    // A missing root folder is reported as a folder but yields no entries.
    TFileFinder missing;
    Watch(missing);
    missing.SetFileMask("*.*");
    missing.Recursive = true;
    missing.Execute(Root + "nowhere\\");
    EXPECT_TRUE(Files.empty());
    EXPECT_EQ(Folders, std::vector<std::string>{"nowhere\\"});
}

TEST_F(KvFileFinderTest, AbortFromANestedFolderStopsEverything)
{
    for (const char* stopAt : {"sub\\deep\\e.mbx", "a.mbx", "skip\\f.mbx"}) {
        Files.clear();
        Folders.clear();
        TFileFinder f;
        Watch(f);
        f.OnFile = [&](TFileFinder* Sender, const std::string& Name) {
            Files.push_back(Rel(Name));
            if (Rel(Name) == stopAt)
                Sender->Abort = true;
        };
        // A stop is no folder that could not be listed.
        f.OnFolderError = [&](TFileFinder*, const std::string& Name, DWORD) { ADD_FAILURE() << Name; };
        f.SetFileMask("*.toc;*.mbx");
        f.Recursive = true;
        f.Execute(Root);
        ASSERT_FALSE(Files.empty()) << stopAt;
        EXPECT_EQ(Files.back(), stopAt);
        EXPECT_TRUE(f.Abort);
        // No folder entered after the stop: the last folder reported holds the last file.
        const std::string lastFolder = Folders.back() == ".\\" ? "" : Folders.back();
        EXPECT_EQ(std::string(stopAt).compare(0, lastFolder.size(), lastFolder), 0) << stopAt;
        EXPECT_EQ(std::count(Files.begin(), Files.end(), stopAt), 1) << stopAt;
    }

    // The next Execute starts over.
    Files.clear();
    TFileFinder f;
    Watch(f);
    f.SetFileMask("*.mbx");
    f.Abort = true;
    f.Execute(Root);
    EXPECT_EQ(Files, std::vector<std::string>{"a.mbx"});
}

namespace {

// The listings made of each folder (patterns with a wildcard), by folder.
std::map<std::wstring, int> GListings;
TImportHook* GCounted = nullptr;

HANDLE WINAPI CountedFindFirst(LPCWSTR Pattern, LPWIN32_FIND_DATAW Data)
{
    const std::wstring Path = Pattern;
    if (Path.find_first_of(L"*?", Path.find_last_of(L'\\')) != std::wstring::npos)
        ++GListings[Path.substr(0, Path.find_last_of(L'\\'))];
    return reinterpret_cast<decltype(&FindFirstFileW)>(GCounted->Original())(Pattern, Data);
}

}  // namespace

// A handler that needs every file of a folder gets them, and the mask's,
// from the listings the search makes anyway, before the folder's files.
TEST_F(KvFileFinderTest, EveryFileOfAFolderComesFromTheSearchsOwnListings)
{
    TImportHook First("kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(&CountedFindFirst));
    ASSERT_TRUE(First.Hooked());
    GCounted = &First;
    const struct {
        std::string Mask;
        bool Recursive, SkipFiles, Handled;
        std::uint32_t Attr;
        // Each folder: its files, "|", the mask's; and its listings.
        std::map<std::string, std::string> Folders;
        std::map<std::string, int> Listings;
    } Cases[] = {
        {"*.mbx", true, false, true, FILE_ATTRIBUTE_READONLY,
         {{".", "a.mbx b.toc c.txt ro.mbx | a.mbx ro.mbx"}, {"skip", "f.mbx | f.mbx"}, {"sub", "d.mbx | d.mbx"},
          {"sub\\deep", "e.mbx e.toc | e.mbx"}},
         {{".", 2}, {"skip", 2}, {"sub", 2}, {"sub\\deep", 2}}},
        {"*.toc;*.mbx", false, false, true, 0, {{".", "a.mbx b.toc c.txt | b.toc a.mbx"}}, {{".", 3}}},
        // A search that needs no whole folder lists no more than its mask.
        {"*.mbx", false, false, false, 0, {}, {{".", 1}}},
        {"*.mbx", true, true, true, 0, {}, {{".", 1}, {"skip", 1}, {"sub", 1}, {"sub\\deep", 1}}},
    };
    for (const auto& C : Cases) {
        Files.clear();
        std::map<std::string, std::string> Seen;
        TFileFinder F;
        Watch(F);
        F.OnFile = [&](TFileFinder*, const std::string& Name) {
            EXPECT_TRUE(!C.Handled || Seen.count(Rel(Name.substr(0, Name.rfind('\\')))) != 0) << Name;
        };
        if (C.Handled)
            F.OnFolderFiles = [&](TFileFinder*, const std::string& Folder, const std::vector<std::string>& All,
                                  const std::vector<std::string>& Matched) {
                std::string Text;
                for (const std::string& Name : Sorted(All))
                    Text += ExtractFileNamePart(Name) + " ";
                Text += "|";
                for (const std::string& Name : Matched)
                    Text += " " + ExtractFileNamePart(Name);
                EXPECT_TRUE(Seen.emplace(Rel(Folder), Text).second) << Folder;
            };
        F.SetFileMask(C.Mask);
        F.Recursive = C.Recursive;
        F.SkipFiles = C.SkipFiles;
        F.Attributes = C.Attr;
        GListings.clear();
        F.Execute(Root);
        EXPECT_EQ(Seen, C.Folders) << C.Mask;
        std::map<std::string, int> Listings;
        for (const auto& [Folder, Count] : GListings)
            Listings[Rel(DefaultWideToAnsi(Folder))] = Count;
        EXPECT_EQ(Listings, C.Listings) << C.Mask;
    }
    GCounted = nullptr;
}

namespace {

// The bytes of a file opened by the name the finder gave.
std::string ReadByAnsiName(const std::string& Path)
{
    const HANDLE h = CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "(cannot open)";
    char buffer[64];
    DWORD got = 0;
    ReadFile(h, buffer, sizeof(buffer), &got, nullptr);
    CloseHandle(h);
    return std::string(buffer, got);
}

}  // namespace

TEST_F(KvFileFinderTest, LinkLoopsAreWalkedOnceAndNamed)
{
    // sub\deep\up leads back to the root, sub\again to sub itself.
    TFolderLink up(Root + "sub\\deep\\up", Base);
    TFolderLink again(Root + "sub\\again", Root + "sub");
    if (!up.Exists() || !again.Exists())
        GTEST_SKIP() << "no folder links can be made here";
    std::vector<std::string> skipped;
    TFileFinder f;
    Watch(f);
    f.OnSkip = [&](TFileFinder*, const std::string& Name, const std::string& Reason) {
        skipped.push_back(Rel(Name));
        EXPECT_NE(Reason.find("link"), std::string::npos) << Reason;
    };
    f.SetFileMask("*.mbx");
    f.Recursive = true;
    f.Execute(Root);
    EXPECT_EQ(Sorted(Files), Sorted({"a.mbx", "skip\\f.mbx", "sub\\d.mbx", "sub\\deep\\e.mbx"}));
    EXPECT_EQ(Sorted(skipped), Sorted({"sub\\again", "sub\\deep\\up"}));

    // Every Execute starts with nothing seen; from sub the root is new,
    // and the link to it is the way in.
    Files.clear();
    f.Execute(Root + "sub");
    EXPECT_EQ(Sorted(Files),
              Sorted({"sub\\d.mbx", "sub\\deep\\e.mbx", "sub\\deep\\up\\a.mbx", "sub\\deep\\up\\skip\\f.mbx"}));
}

TEST_F(KvFileFinderTest, NamesTheAnsiApiCannotOpenComeByTheirShortNameOrAreNamed)
{
    const std::string dir = Root + "names";
    ForceFolders(dir);
    struct Case {
        const char* Utf8Name;
        bool Reported;     // handed to the hooks by a name that opens it
        const char* Skip;  // else: a word of the reason given
    };
    const Case cases[] = {
        {"plain", true, ""},
        {"\xD0\x96\xD1\x83\xD0\xBA", true, ""},            // Cyrillic
        {"\xCE\xB1\xCE\xB2\xCE\xB3.box", true, ""},        // Greek
        {"\xE5\x90\x8D\xE5\x89\x8D", true, ""},            // CJK
        {"ends in dot.", true, ""},
        {"ends in blank ", true, ""},
        {"AUX", false, "device"},
        {"com1.mbox", false, "device"},
        {"Nul .txt", false, "device"},
        {"lpt9", false, "device"},
        {"AUXILIARY", true, ""},
        {"COM10", true, ""},
        // Full-width digits are no port numbers.
        {"COM\xEF\xBC\x91", true, ""},
        {"lpt\xEF\xBC\x99.mbox", true, ""},
        // Under Wine these share one short name, which opening and listing
        // may each take for the other: each comes by a name that opens it,
        // or is skipped for that name.
        {"Bank 33923.", true, "short name"},
        {"Bank 7246.", true, "short name"},
    };
    for (const Case& c : cases)
        ASSERT_TRUE(PutWideNamedFile(dir, c.Utf8Name, std::string("bytes of ") + c.Utf8Name)) << c.Utf8Name;

    std::vector<std::string> found;
    std::vector<std::pair<std::string, std::string>> skipped;
    TFileFinder f;
    f.OnFile = [&](TFileFinder*, const std::string& Name) { found.push_back(Name); };
    f.OnSkip = [&](TFileFinder*, const std::string& Name, const std::string& Reason) {
        skipped.emplace_back(Name, Reason);
    };
    f.SetFileMask("*");
    f.Execute(dir);

    std::vector<std::string> contents;
    for (const std::string& name : found)
        contents.push_back(ReadByAnsiName(name));
    size_t reported = 0;
    for (const Case& c : cases) {
        const std::string bytes = std::string("bytes of ") + c.Utf8Name;
        const auto times = std::count(contents.begin(), contents.end(), bytes);
        if (c.Reported && (times != 0 || *c.Skip == '\0')) {
            ++reported;
            EXPECT_EQ(times, 1) << c.Utf8Name;
            continue;
        }
        bool named = false;
        for (const auto& [name, reason] : skipped)
            named = named || (name == dir + "\\" + c.Utf8Name && reason.find(c.Skip) != std::string::npos);
        EXPECT_TRUE(named) << c.Utf8Name;
    }
    EXPECT_EQ(found.size(), reported);
    EXPECT_EQ(found.size() + skipped.size(), std::size(cases));
}

// A folder tree named outside the code page is made level by level, however
// many levels are missing, and the name handed back opens the deepest; an
// extension is changed on a long name only where the code page holds it.
TEST(KvFileFinderNames, LongFoldersMadeWholeAndExtensionsChangedOnLongNames)
{
    TTestFolder dir("longfolders");
    const std::wstring Base = AnsiToWideStr(dir.Path());
    const std::wstring Deep = Base + L"\\Почта\\受信箱\\Архив 2020";
    const std::string Opens = ForceLongFolder(Deep + L"\\");
    for (const std::wstring& Level : {Base + L"\\Почта", Base + L"\\Почта\\受信箱", Deep}) {
        const DWORD Attr = GetFileAttributesW(Level.c_str());
        EXPECT_TRUE(Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY) != 0);
    }
    ASSERT_FALSE(Opens.empty());
    EXPECT_EQ(Opens.back(), '\\');
    EXPECT_NE(Opens.find('~'), std::string::npos) << Opens;
    const DWORD Attr = GetFileAttributesA(Opens.c_str());
    EXPECT_TRUE(Attr != INVALID_FILE_ATTRIBUTES && (Attr & FILE_ATTRIBUTE_DIRECTORY) != 0) << Opens;

    const auto ToMbox = [](const std::string& N) { return RemoveFileExt(N, "mbx") + ".mbox"; };
    EXPECT_EQ(WithAnsiExtOp(L"inbox.mbx", ToMbox), L"inbox.mbox");
    EXPECT_EQ(WithAnsiExtOp(L"Входящие.mbx", ToMbox), L"Входящие.mbox");
    EXPECT_EQ(WithAnsiExtOp(L"Входящие", ToMbox), L"Входящие.mbox");
    EXPECT_EQ(WithAnsiExtOp(L"a.ящик", ToMbox), L"a.ящик.mbox");
}

// A name made on another system is told by its characters, and found in
// its folder's listing only by itself, never by a name the wildcards match.
TEST_F(KvFileFinderTest, NamesWindowsDoesNotAllowAreToldAndListedExactly)
{
    const std::pair<std::wstring, bool> Names[] = {
        {L"plain.mbx", false}, {L"\u0416\u0443\u043a", false}, {L"", false},     {L"a?b", true},
        {L"x*y", true},        {L"q\"t", true},                 {L"trail\\", true}, {L"c\x01" L"d", true},
    };
    for (const auto& [Name, Forbidden] : Names)
        EXPECT_EQ(HasForbiddenNameChars(Name), Forbidden) << DefaultWideToAnsi(Name);
    EXPECT_EQ(NameOnDisk(Root + "sub\\deep\\E.TOC"), L"e.toc");
    EXPECT_EQ(NameOnDisk(Root + "nowhere"), L"");
    EXPECT_TRUE(HasEntryNamed(Root + "sub\\deep", L"E.Toc"));
    EXPECT_FALSE(HasEntryNamed(Root + "sub\\deep", L"e?toc"));
    EXPECT_FALSE(HasEntryNamed(Root + "sub\\deep", L"e|toc"));
}

// A data file's name made from its index's long name: found when it is
// there; when it is not, a file that merely carries the index's short name
// with the data extension is not taken for it.
TEST(KvFileFinderNames, DerivedNamesComeFromTheLongName)
{
    TTestFolder dir("derived");
    const std::wstring Base = AnsiToWideStr(dir.Path()) + L"\\";
    const auto ToMbx = [](const std::string& N) { return SetFileExt(N, "mbx"); };
    for (const wchar_t* Name : {L"Ж", L"Тень", L"Ф"})
        ASSERT_TRUE(TTestFolder::Put(Base + Name + L".toc", "index"));
    ASSERT_TRUE(TTestFolder::Put(Base + L"Ж.mbx", "data"));
    const std::string Shade = OpenableAnsiPath(Base + L"Тень.toc");
    ASSERT_TRUE(TTestFolder::Put(AnsiToWideStr(SetFileExt(Shade, "mbx")), "another's"));

    EXPECT_EQ(LoadFileToString(DerivedFilePath(OpenableAnsiPath(Base + L"Ж.toc"), ToMbx)), "data");
    const std::string Missing = DerivedFilePath(Shade, ToMbx);
    EXPECT_FALSE(IsExistingFile(Missing)) << Missing;
    EXPECT_EQ(Missing.find('?'), std::string::npos) << Missing;
    const std::string Lone = OpenableAnsiPath(Base + L"Ф.toc");
    EXPECT_EQ(DerivedFilePath(Lone, ToMbx), SetFileExt(Lone, "mbx"));
}
