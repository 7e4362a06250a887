#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "classlib/PathForms.h"
#include "testkit/TestFolder.h"

// Per path: its full plain form, its "\\?\" form and back, its root's length.
TEST(PathForms, FullPlainAndPrefixedForms)
{
    const struct {
        std::wstring Path, Plain, Prefixed;
        size_t Root;
    } Cases[] = {
        {L"C:\\a\\b", L"C:\\a\\b", L"\\\\?\\C:\\a\\b", 3},
        {L"C:\\a\\b\\\\", L"C:\\a\\b\\", L"\\\\?\\C:\\a\\b\\\\", 3},
        {L"C:\\a\\\\b\\.\\c\\..\\d", L"C:\\a\\b\\d", L"\\\\?\\C:\\a\\\\b\\.\\c\\..\\d", 3},
        {L"C:\\a\\x\\..", L"C:\\a\\", L"\\\\?\\C:\\a\\x\\..", 3},
        {L"C:\\a\\.", L"C:\\a\\", L"\\\\?\\C:\\a\\.", 3},
        {L"C:\\..\\..\\a", L"C:\\a", L"\\\\?\\C:\\..\\..\\a", 3},
        {L"C:/a//b/", L"C:\\a\\b\\", L"\\\\?\\C:\\a\\\\b\\", 3},
        {L"C:\\", L"C:\\", L"\\\\?\\C:\\", 3},
        {L"C:\\a\\Old.", L"C:\\a\\Old.", L"\\\\?\\C:\\a\\Old.", 3},
        {L"\\\\srv\\share\\x\\..\\..\\y", L"\\\\srv\\share\\y", L"\\\\?\\UNC\\srv\\share\\x\\..\\..\\y", 12},
        {L"\\\\srv\\share", L"\\\\srv\\share", L"\\\\?\\UNC\\srv\\share", 11},
        {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b", 7},
        {L"\\\\?\\UNC\\srv\\share\\x", L"\\\\?\\UNC\\srv\\share\\x", L"\\\\?\\UNC\\srv\\share\\x", 18},
        {L"\\\\.\\COM1", L"\\\\.\\COM1", L"\\\\.\\COM1", 4},
        {L"", L"", L"", 0},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(WideToAnsi(C.Path.c_str()));
        EXPECT_EQ(FullPlainPath(C.Path), C.Plain);
        EXPECT_EQ(PrefixedPath(C.Path), C.Prefixed);
        EXPECT_EQ(PrefixedPath(UnprefixedPath(C.Prefixed)), C.Prefixed);
        EXPECT_EQ(PathRootLength(C.Path), C.Root);
    }
    // Relative paths are the current folder's, and get no prefix.
    wchar_t Here[MAX_PATH];
    const std::wstring Cwd(Here, GetCurrentDirectoryW(MAX_PATH, Here));
    EXPECT_EQ(FullPlainPath(L"x\\..\\y\\.\\"), FullPlainPath(Cwd + L"\\y\\"));
    EXPECT_EQ(PrefixedPath(L"..\\y"), L"..\\y");
    EXPECT_EQ(FullPlainAnsiPath("C:\\a\\.\\b\\\\"), "C:\\a\\b\\");
    // A typed target's levels as the ANSI calls read them; dot levels stay.
    EXPECT_EQ(TrimmedPathLevels(L"C:\\a. \\b\\..\\c.\\"), L"C:\\a\\b\\..\\c\\");
    // In the code page, each letter it lacks is one "?", never a look-alike;
    // a letter beyond the first plane is one letter too.
    for (const auto& [Text, Shown, Lost] : {std::tuple{L"Omega \u00e9.", "Omega \xe9.", false},
                                            std::tuple{L"\u03a9mega \U0001F4E7.", "?mega ?.", true}}) {
        bool Was = !Lost;
        EXPECT_EQ(WideToAnsi(Text, Was), Shown);
        EXPECT_EQ(Was, Lost);
    }
}

// Names that open a device, and names as a target folder holds them.
TEST(PathForms, DeviceAndTargetSafeNames)
{
    // A wide name is judged as it stands: the code page's best fit makes
    // full-width letters and digits plain ones.
    const std::pair<std::wstring, bool> wide[] = {{L"COM\uFF11", false}, {L"lpt\uFF19.mbox", false},
                                                  {L"\uFF23ON", false},   {L"COM\u00B9", true},
                                                  {L"Aux .txt", true},     {L"conout$", true},
                                                  {L"lpt9", true},         {L"COM-.mbox", false}};
    for (const auto& [Name, Reserved] : wide)
        EXPECT_EQ(IsDeviceFileName(Name), Reserved) << WideToAnsi(Name.c_str());

    // Names no target folder may carry as they stand.
    // A final dot or blank replaced, so that twins stay apart.
    EXPECT_EQ(TargetSafeName(L"con.x. "), L"_con.x._");
    EXPECT_EQ(TargetSafeName(L". ."), L". _");
    EXPECT_EQ(TargetSafeName(L"CON "), L"CON_");
    for (const auto& [Name, Safe] : {std::pair{L"Old", L"Old"}, {L"Old.", L"Old_"}, {L"sub ", L"sub_"},
                                     {L"x.mbox.", L"x.mbox_"}, {L"x.mbox", L"x.mbox"},
                                     {L"a?b", L"a_b"}, {L"q\"t<l>|*", L"q_t_l___"}, {L"c\x01:d.", L"c__d_"}})
        EXPECT_EQ(TargetSafeName(Name), Safe);
}

// Below a folder outside the code page, any length has a short form the
// ANSI API opens and a long form giving the names back whole.
TEST(PathForms, LongAndShortFormsAtAnyLength)
{
    TTestFolder Dir("pathforms");
    const std::wstring Base = AnsiToWide(Dir.Path()) + L"\\\u041f\u043e\u0447\u0442\u0430";
    for (const size_t Length : {300u, 519u, 521u, 1000u, 2000u}) {
        SCOPED_TRACE(Length);
        std::wstring Path = Base + L"\\" + std::to_wstring(Length);
        for (size_t At = Path.size(); Path.size() < Length; ++At)
            Path += At % 100 == 0 && Path.size() + 1 < Length ? L'\\' : L'd';
        for (size_t At = Path.find(L'\\', 3); At != std::wstring::npos; At = Path.find(L'\\', At + 1))
            CreateDirectoryW(PrefixedPath(Path.substr(0, At)).c_str(), nullptr);
        ASSERT_TRUE(TTestFolder::Put(Path, "mail"));
        const std::wstring Short = ShortPathName(Path);
        EXPECT_NE(Short.find(L'~'), std::wstring::npos);
        EXPECT_EQ(LongPathName(PrefixedPath(Short)), PrefixedPath(Path));
        const std::string Ansi = OpenableAnsiPath(Path);
        EXPECT_EQ(LongPathOf(Ansi), Path);
        EXPECT_EQ(TTestFolder::Read(LongPathForm(Ansi)), "mail");
    }
    // A missing level and those after it stay as they are.
    const std::wstring Missing = ShortPathName(Base) + L"\\no~such\\x";
    EXPECT_EQ(LongPathName(Missing), Base + L"\\no~such\\x");
    // A missing level holding a wildcard (a name made on another system) is
    // never taken for the folder beside it that the wildcard matches.
    ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Base + L"\\no~such").c_str(), nullptr));
    EXPECT_EQ(LongPathName(Base + L"\\no~?uch\\x"), Base + L"\\no~?uch\\x");
    // A short name not found in a run is asked again: the run may make its
    // folder later.
    {
        const TFolderFormsScope Run;
        const std::wstring Made = Base + L"\\\u03a9made";
        ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Made).c_str(), nullptr));
        const std::wstring ShortMade = ShortPathName(Made);
        ASSERT_TRUE(RemoveDirectoryW(PrefixedPath(Made).c_str()));
        EXPECT_EQ(LongPathName(ShortMade), Base + ShortMade.substr(ShortMade.rfind(L'\\')));
        ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Made).c_str(), nullptr));
        ASSERT_EQ(ShortPathName(Made), ShortMade);
        EXPECT_EQ(LongPathName(ShortMade), Made);
    }
    EXPECT_EQ(ShortPathName(Base + L"\\no such"), L"");
    // The system's long form of what exists; the missing rest kept as it is.
    const std::wstring ShortBase = ShortPathName(Base);
    EXPECT_EQ(ExistingLongPath(ShortBase), Base);
    EXPECT_EQ(ExistingLongPath(ShortBase + L"\\no such"), L"");
    EXPECT_EQ(LongFullPathOf(WideToAnsi(ShortBase.c_str()) + "\\no such\\x"), Base + L"\\no such\\x");
    // A plain name goes whole; one ending in a dot or a blank, which the
    // ANSI calls drop, by its short form.
    EXPECT_EQ(OpenableAnsiPath(AnsiToWide(Dir.File("plain name"))), Dir.File("plain name"));
    for (const wchar_t* Name : {L"\\Mail.", L"\\Mail "}) {
        ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Base + Name).c_str(), nullptr));
        const std::string Ansi = OpenableAnsiPath(Base + Name);
        EXPECT_TRUE(!Ansi.empty() && Ansi.back() != '.' && Ansi.back() != ' ') << Ansi;
        EXPECT_EQ(LongPathOf(Ansi), Base + Name);
        // Asked for by a path that holds a short level already.
        EXPECT_EQ(LongPathOf(OpenableAnsiPath(ShortPathName(Base) + Name)), Base + Name);
    }
    // A folder's form is kept while a run lives, and only then: outside a
    // run, and once it ends, a folder removed has none.
    const std::wstring Gone = Base + L"\\Gone.", InGone = Gone + L"\\a";
    for (const bool InRun : {false, true}) {
        ASSERT_TRUE(CreateDirectoryW(PrefixedPath(Gone).c_str(), nullptr) && TTestFolder::Put(InGone, "a"));
        std::optional<TFolderFormsScope> Run;
        if (InRun)
            Run.emplace();
        const std::string Kept = OpenableAnsiPath(InGone);
        EXPECT_EQ(TTestFolder::Read(Kept), "a");
        DeleteFileW(PrefixedPath(InGone).c_str());
        RemoveDirectoryW(PrefixedPath(Gone).c_str());
        EXPECT_EQ(OpenableAnsiPath(InGone), InRun ? Kept : "");
    }
    EXPECT_EQ(OpenableAnsiPath(InGone), "");
    // A level the ANSI calls trim anywhere in the path, beside the folder
    // they would open instead: the form given opens the very file.
    const std::wstring Plain = AnsiToWide(Dir.File("levels"));
    const struct {
        const wchar_t* Name;
        bool Exact;
        bool SharesItsShortName = false;  // with another level of its folder, under Wine
    } Levels[] = {
        {L"Mail.\\a", false}, {L"sub \\a", false},        {L"x..\\c", false},
        {L"sub\\a.", false},  {L"\u0416\\a", false}, {L"sub\\a", true},
        // Files of one short name keep their long ones where they are exact.
        {L"Mail.\\Bank 33923.mbx", false}, {L"Mail.\\Bank 7246.mbx", false},
        // Folders of one short name, which opening and listing may each
        // take for the other: a form given is the folder's own, or none.
        {L"Bank 33923.\\a", false, true}, {L"Bank 7246.\\a", false, true},
    };
    for (const auto& L : Levels) {
        const std::wstring Path = Plain + L"\\" + L.Name;
        CreateDirectoryW(PrefixedPath(Plain).c_str(), nullptr);
        CreateDirectoryW(PrefixedPath(Path.substr(0, Path.rfind(L'\\'))).c_str(), nullptr);
        ASSERT_TRUE(TTestFolder::Put(Path, WideToAnsi(L.Name)));
    }
    int Unopenable = 0;
    for (const auto& L : Levels) {
        const std::wstring Path = Plain + L"\\" + L.Name;
        const std::string Ansi = OpenableAnsiPath(Path);
        if (L.SharesItsShortName && Ansi.empty()) {
            ++Unopenable;
            continue;
        }
        EXPECT_EQ(TTestFolder::Read(Ansi), WideToAnsi(L.Name)) << Ansi;
        EXPECT_EQ(LongPathOf(Ansi), Path);
        EXPECT_EQ(Ansi == WideToAnsi(Path.c_str()), L.Exact) << Ansi;
    }
    EXPECT_GE(Unopenable, 1);
    // A ".." level means what it says, and needs no other form.
    const std::wstring Up = Plain + L"\\sub\\..\\sub\\a";
    EXPECT_EQ(OpenableAnsiPath(Up), WideToAnsi(Up.c_str()));
}
