#include "shell/RzShellFormLogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "testkit/TestFolder.h"

namespace {

// One pixel per byte keeps the expected widths readable.
int ByteWidth(const std::string& S) { return static_cast<int>(S.size()); }

struct TShortenCase {
    const char* Path;
    int MaxWidth;
    const char* Expected;
};

TEST(ShortenPathToWidth, GivesWayFolderByFolderThenDriveThenName)
{
    const char* Deep = "C:\\alpha\\beta\\gamma\\delta\\file.txt"; // 34 wide
    const TShortenCase Cases[] = {
        {Deep, 34, "C:\\alpha\\beta\\gamma\\delta\\file.txt"},
        {Deep, 33, "C:\\...\\beta\\gamma\\delta\\file.txt"},
        {Deep, 27, "C:\\...\\gamma\\delta\\file.txt"},
        {Deep, 22, "C:\\...\\delta\\file.txt"},
        {Deep, 15, "C:\\...\\file.txt"},
        // Only "\...\" is left: the drive goes and the text starts with "...\".
        {Deep, 14, "...\\file.txt"},
        {Deep, 8, "file.txt"},
        // Nothing but the name is left and it is still too wide.
        {Deep, 7, "file..."},
        {Deep, 2, "..."},
        {"C:\\Mail\\archive-of-a-very-long-year.mbox", 12, "archive-o..."},
        {"a-name-without-any-folder.mbox", 10, "a-name-..."},
        {"C:\\short", 40, "C:\\short"},
    };
    for (const TShortenCase& C : Cases)
        EXPECT_EQ(ShortenPathToWidth(C.Path, ByteWidth, C.MaxWidth), C.Expected)
            << C.Path << " in " << C.MaxWidth;
}

TEST(ShortenPathToWidth, EndsWhenNoTextFitsAtAll)
{
    int Calls = 0;
    // Every text is too wide, as at the form's smallest size with a huge font.
    const auto NeverFits = [&Calls](const std::string&) {
        ++Calls;
        return 1000;
    };
    EXPECT_EQ(ShortenPathToWidth("C:\\a\\b\\" + std::string(300, 'n'), NeverFits, 10), "...");
    EXPECT_LT(Calls, 400);
}

TEST(SplitQuotedFileNames, QuotedAndUnquotedRuns)
{
    const std::pair<const char*, std::vector<std::string>> Cases[] = {
        {"\"a.txt\" \"b.txt\"", {"a.txt", "b.txt"}},
        {"\"a.txt\"b.txt", {"a.txt", "b.txt"}},
        {"a.txt\"b.txt\"", {"a.txt", "b.txt"}},
        {"one two \"three\"", {"one two", "three"}},
        {"\t\"  lead kept.txt \t\" ", {"  lead kept.txt"}},
        {"\"\"  \"x\"", {"x"}},
        {"\"unterminated name", {"unterminated name"}},
        {"\"", {}},
    };
    for (const auto& [Text, Expected] : Cases)
        EXPECT_EQ(SplitQuotedFileNames(Text), Expected) << Text;
}

TEST(IsValidFileNameText, RefusesReservedCharactersAndEmptyFolders)
{
    const std::pair<const char*, bool> Cases[] = {
        {"report.txt", true},       {"C:\\mail\\in.mbox", true}, {"\\\\srv\\share\\a", true},
        {"\\root.txt", true},       {"a/b", false},              {"a<b", false},
        {"a>b", false},             {"a|b", false},              {"C:\\mail\\\\in", false},
        {"x\\\\", false},           {"*.txt", true},
    };
    for (const auto& [Text, Valid] : Cases)
        EXPECT_EQ(IsValidFileNameText(Text), Valid) << Text;
}

struct TCombineCase {
    const char* Base;
    std::string Name;
    TRzCombineResult Result;
    const char* Expected;
};

TEST(CombineWithBaseFolder, ResolvesAgainstTheFolderShown)
{
    const TCombineCase Cases[] = {
        {"C:\\mail\\box", ".", TRzCombineResult::Ok, "C:\\mail\\box"},
        {"C:\\mail\\box\\", "..", TRzCombineResult::Ok, "C:\\mail"},
        {"C:\\mail\\box", "...", TRzCombineResult::Ok, "C:\\"},
        {"C:\\mail\\box", "....", TRzCombineResult::Ok, "C:\\"},
        {"C:\\mail\\box", "..\\old\\x.mbox", TRzCombineResult::Ok, "C:\\mail\\old\\x.mbox"},
        {"C:\\mail\\box", "sub\\", TRzCombineResult::Ok, "C:\\mail\\box\\sub"},
        {"C:\\mail\\box", "in.mbox", TRzCombineResult::Ok, "C:\\mail\\box\\in.mbox"},
        {"C:\\", "in.mbox", TRzCombineResult::Ok, "C:\\in.mbox"},
        {"C:\\mail\\box", "\\x", TRzCombineResult::Ok, "C:\\x"},
        {"C:\\mail\\box", "D:", TRzCombineResult::Ok, "D:\\"},
        {"C:\\mail\\box", "D:\\y.txt", TRzCombineResult::Ok, "D:\\y.txt"},
        {"C:\\mail\\box", "\\\\srv\\share\\z", TRzCombineResult::Ok, "\\\\srv\\share\\z"},
        {"C:\\mail\\box", "D:\\x\\sub\\..\\.\\y.txt", TRzCombineResult::Ok, "D:\\x\\y.txt"},
        {"C:\\mail\\box", "\\\\srv\\share\\a\\..\\..\\z", TRzCombineResult::Ok, "\\\\srv\\share\\z"},
        {"C:\\mail\\box", "D:x", TRzCombineResult::Ok, "D:x"},
        {"\\\\srv\\share\\dir", "..", TRzCombineResult::Ok, "\\\\srv\\share"},
        {"\\\\srv\\share\\dir", "...", TRzCombineResult::Ok, "\\\\srv\\share"},
        {"\\\\srv\\share\\dir", "\\x", TRzCombineResult::Ok, "\\\\srv\\share\\x"},
        {"C:\\mail\\box", "", TRzCombineResult::Empty, ""},
    };
    for (const TCombineCase& C : Cases) {
        const TRzCombinedName Got = CombineWithBaseFolder(C.Base, C.Name);
        EXPECT_EQ(Got.Result, C.Result) << C.Base << " + " << C.Name;
        EXPECT_EQ(Got.FullName, C.Expected) << C.Base << " + " << C.Name;
    }
}

TEST(CombineWithBaseFolder, OverlongNamesAreRefusedNotCut)
{
    const std::string Base = "C:\\mail"; // 7 characters
    // Cut at the limit, the long name would become another, shorter file.
    EXPECT_EQ(CombineWithBaseFolder(Base, std::string(300, 'n')).Result, TRzCombineResult::TooLong);
    EXPECT_EQ(CombineWithBaseFolder(Base, std::string(256, 'n')).Result, TRzCombineResult::TooLong);
    const TRzCombinedName AtLimit = CombineWithBaseFolder(Base, std::string(255, 'n'));
    EXPECT_EQ(AtLimit.Result, TRzCombineResult::Ok);
    EXPECT_EQ(AtLimit.FullName.size(), 263u) << "past MAX_PATH, as the engine opens it";
    EXPECT_EQ(CombineWithBaseFolder(Base + "\\" + std::string(200, 'd'), std::string(200, 'n')).FullName.size(), 409u);
    EXPECT_EQ(CombineWithBaseFolder("C:\\" + std::string(300, 'd'), "x").Result, TRzCombineResult::TooLong);
    EXPECT_EQ(CombineWithBaseFolder(Base, "D:\\" + std::string(300, 'n')).Result, TRzCombineResult::TooLong);
    EXPECT_EQ(FormatFormMessage(SRzInvalidFileName, "a|b"), "a|b\nThe above file name is invalid.");
}

struct TDefaultExtCase {
    const char* FullName;
    const char* DefaultExt;
    const char* TypeMask;
    const char* Expected;
    TRzExtensionFlag Flag;
};

TEST(ApplyDefaultExtension, AddsTheMaskOrDefaultExtension)
{
    const auto Registered = [](const std::string& Ext) { return Ext == ".txt" || Ext == ".eml"; };
    const TDefaultExtCase Cases[] = {
        {"C:\\d\\note", "mbox", "", "C:\\d\\note.mbox", TRzExtensionFlag::Cleared},
        {"C:\\d\\note.", "mbox", "", "C:\\d\\note.mbox", TRzExtensionFlag::Cleared},
        {"C:\\d.x\\note", "mbox", "", "C:\\d.x\\note.mbox", TRzExtensionFlag::Cleared},
        {"C:\\d\\note.txt", "mbox", "", "C:\\d\\note.txt", TRzExtensionFlag::Set},
        {"C:\\d\\note.abc", "mbox", "", "C:\\d\\note.abc.mbox", TRzExtensionFlag::Cleared},
        // A wildcard extension names nothing to add, so no name ends in ".*".
        {"C:\\d\\note", "mbox", "*.*", "C:\\d\\note.mbox", TRzExtensionFlag::Cleared},
        // A name that already has the default extension keeps it, in any case.
        {"C:\\d\\merged.mbox", "mbox", "*.*", "C:\\d\\merged.mbox", TRzExtensionFlag::Cleared},
        {"C:\\d\\merged.MBox", "mbox", "", "C:\\d\\merged.MBox", TRzExtensionFlag::Cleared},
        {"C:\\d.mbox\\merged", "mbox", "*.*", "C:\\d.mbox\\merged.mbox", TRzExtensionFlag::Cleared},
        {"C:\\d\\note", "mbox", "*.mbox", "C:\\d\\note.mbox", TRzExtensionFlag::Cleared},
        {"C:\\d\\note.", "mbox", "*.MBOX", "C:\\d\\note.MBOX", TRzExtensionFlag::Cleared},
        {"C:\\d\\note", "mbox", "*.mbx", "C:\\d\\note.mbx", TRzExtensionFlag::Set},
        {"C:\\d\\note.MBX", "mbox", "*.mbx", "C:\\d\\note.MBX", TRzExtensionFlag::Unchanged},
        {"C:\\d\\note", "", "*.mbx", "C:\\d\\note", TRzExtensionFlag::Unchanged},
    };
    for (const TDefaultExtCase& C : Cases) {
        const TRzDefaultExtResult Got = ApplyDefaultExtension(C.FullName, C.DefaultExt, C.TypeMask, Registered);
        EXPECT_EQ(Got.FullName, C.Expected) << C.FullName << " / " << C.TypeMask;
        EXPECT_EQ(Got.ExtensionDifferent, C.Flag) << C.FullName << " / " << C.TypeMask;
    }
}

TEST(ApplyDefaultExtension, ReadsRegisteredTypesFromTheClassesKey)
{
    const std::string Ext = ".tessalyformtest";
    const std::string Key = "Software\\Classes\\" + Ext;
    HKEY Made = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &Made, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(Made);
    const bool WhileThere = ExtensionRegisteredInClasses(Ext);
    const TRzDefaultExtResult Kept =
        ApplyDefaultExtension("C:\\d\\note" + Ext, "mbox", "", ExtensionRegisteredInClasses);
    RegDeleteKeyA(HKEY_CURRENT_USER, Key.c_str());
    EXPECT_TRUE(WhileThere);
    EXPECT_EQ(Kept.FullName, "C:\\d\\note" + Ext);
    EXPECT_EQ(Kept.ExtensionDifferent, TRzExtensionFlag::Set);
    EXPECT_FALSE(ExtensionRegisteredInClasses(Ext));
    EXPECT_EQ(ApplyDefaultExtension("C:\\d\\note" + Ext, "mbox", "", ExtensionRegisteredInClasses).FullName,
              "C:\\d\\note" + Ext + ".mbox");
}

struct TCheckCase {
    const char* Title;
    bool MakeFile;
    DWORD ExtraAttributes;
    TRzFileCheckOptions Options;
    bool Answer;
    bool Accepted;
    TRzFormMessageKind Kind;
    const char* Message; // "%s" for the full name; empty when nothing is shown
};

TEST(CheckChosenFile, RefusesAsksOrAcceptsRealFiles)
{
    TTestFolder Dir("formchecks");
    const std::string Name = "in.mbox";
    const std::string Full = Dir.File(Name);
    using K = TRzFormMessageKind;
    const TCheckCase Cases[] = {
        {"read-only refused", true, FILE_ATTRIBUTE_READONLY, {true, true, false, false}, true, false, K::Warning,
         "%s\nThis file exists with Read Only attributes.\nPlease use a different file name."},
        {"replace yes", true, FILE_ATTRIBUTE_READONLY, {false, true, false, false}, true, true, K::WarningQuestion,
         "%s already exists.\nDo you want to replace it?"},
        {"replace no", true, 0, {false, true, false, false}, false, false, K::WarningQuestion,
         "%s already exists.\nDo you want to replace it?"},
        {"existing accepted", true, 0, {true, false, true, true}, false, true, K::Warning, ""},
        {"must exist", false, 0, {false, false, true, true}, true, false, K::Warning,
         "%s\nFile not found.\nPlease verify the correct file name was given."},
        {"create yes", false, 0, {false, true, false, true}, true, true, K::ConfirmQuestion,
         "in.mbox\nThis file does not exist.\n\nCreate the file?"},
        {"create no", false, 0, {false, false, false, true}, false, false, K::ConfirmQuestion,
         "in.mbox\nThis file does not exist.\n\nCreate the file?"},
        {"missing accepted", false, 0, {}, false, true, K::Warning, ""},
    };
    for (const TCheckCase& C : Cases) {
        if (C.MakeFile) {
            Dir.Write(Name, "From x\r\n");
            SetFileAttributesA(Full.c_str(), FILE_ATTRIBUTE_NORMAL | C.ExtraAttributes);
        }
        std::vector<std::pair<K, std::string>> Shown;
        const bool Accepted = CheckChosenFile(Full, GetFileAttributesA(Full.c_str()), C.Options,
                                              [&](K Kind, const std::string& Text) {
                                                  Shown.emplace_back(Kind, Text);
                                                  return C.Answer;
                                              });
        SetFileAttributesA(Full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(Full.c_str());
        EXPECT_EQ(Accepted, C.Accepted) << C.Title;
        if (*C.Message == '\0') {
            EXPECT_TRUE(Shown.empty()) << C.Title;
            continue;
        }
        ASSERT_EQ(Shown.size(), 1u) << C.Title;
        EXPECT_EQ(Shown[0].first, C.Kind) << C.Title;
        EXPECT_EQ(Shown[0].second, FormatFormMessage(C.Message, Full)) << C.Title;
    }
    // A folder of that name is no file to open.
    CreateDirectoryA(Full.c_str(), nullptr);
    EXPECT_FALSE(CheckChosenFile(Full, GetFileAttributesA(Full.c_str()), {false, false, true, false},
                                 [](K, const std::string&) { return true; }));
}

TEST(FileAttributesAnyLength, FindsEntriesPastTheAnsiLimitHoweverSlashed)
{
    TTestFolder Dir("anylength");
    const std::string Deep = Dir.Path() + "\\" + std::string(150, 'd') + "\\" + std::string(150, 'e');
    const std::wstring WideDeep(Deep.begin(), Deep.end());
    ASSERT_TRUE(CreateDirectoryW(TTestFolder::LongForm(WideDeep.substr(0, WideDeep.rfind(L'\\'))).c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(TTestFolder::LongForm(WideDeep).c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(WideDeep + L"\\in.mbox", "From x\r\n"));
    std::string Slashed = Deep + "\\in.mbox";
    std::replace(Slashed.begin(), Slashed.end(), '\\', '/');
    const std::pair<std::string, DWORD> Cases[] = {
        {Deep + "\\in.mbox", 0}, {Slashed, 0}, {Deep, FILE_ATTRIBUTE_DIRECTORY}, {Deep + "\\none", INVALID_FILE_ATTRIBUTES}};
    for (const auto& [Path, Kind] : Cases) {
        const DWORD A = FileAttributesAnyLength(Path);
        EXPECT_EQ(A == INVALID_FILE_ATTRIBUTES ? A : A & FILE_ATTRIBUTE_DIRECTORY, Kind) << Path;
    }
}

} // namespace
