// Where a message file's name and folder meet Windows' path limit: the
// name cut to fit and the longest target folder still taken.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ConvertTestFiles.h"
#include "foundation/KvAnsi.h"
#include "TestMessages.h"

namespace {

// A folder below Run's own, padded to exactly Length characters.
std::string FolderOfLength(const TConvertRun& Run, size_t Length)
{
    std::string F = Run.Dir.File("d");
    while (F.size() < Length)
        F += F.size() % 100 == 99 ? '\\' : 'd';
    if (F.back() == '\\')
        F.back() = 'd';
    return F;
}

TTestMsg MessageAbout(const std::string& Subject)
{
    return {"From a@b Mon Jan  5 10:00:00 2009",
            {"Subject: " + Subject, "Content-Type: text/plain; charset=us-ascii", "", "body"}};
}

// In a folder of 200 characters a name has room for 48 before ".eml" and
// the "[n]" of a copy; a cut that ends in blanks or dots loses them, as
// Windows would drop them and write another name than the one asked for.
TEST(KvConvertPathLimit, ACutNameNeverEndsInABlankOrADot)
{
    const std::string B(60, 'b');
    const struct {
        std::string Subject;
        size_t Kept;  // the leading a's the name keeps
    } Cases[] = {
        {std::string(45, 'a') + ". ." + B, 45},
        {std::string(46, 'a') + "  " + B, 46},
        {std::string(47, 'a') + "." + B, 47},
        {std::string(48, 'a') + " " + B, 48},
    };
    for (const auto& C : Cases) {
        TConvertRun R;
        const std::string Folder = FolderOfLength(R, 200);
        PutFile(R.Src("box"), MboxOf({MessageAbout(C.Subject)}, "\n"));
        R.Add(R.Src("box"), mftMbox);
        R.Target(mftEml, Folder + "\\");
        R.Start();
        const auto Files = TreeFiles(Folder);
        ASSERT_EQ(Files.size(), 1u) << R.LogText();
        EXPECT_EQ(Files.begin()->first, std::string(C.Kept, 'a') + ".eml") << C.Subject;
    }
}

// A message file needs room for an 8.3 name below the folder: 246
// characters are the longest folder taken, and there a whole 8.3 name is
// kept.
TEST(KvConvertPathLimit, TheLongestTargetFolderTaken)
{
    for (const size_t Length : {246u, 247u}) {
        TConvertRun R;
        const std::string Folder = FolderOfLength(R, Length);
        PutFile(R.Src("box"), MboxOf({MessageAbout("Shortest")}, "\n"));
        R.Add(R.Src("box"), mftMbox);
        R.Target(mftEml, Folder + "\\");
        R.Start();
        if (Length == 246) {
            EXPECT_EQ(R.Summary(), Counters(1, 1, 0, 0)) << R.LogText();
            const auto Files = TreeFiles(Folder);
            ASSERT_EQ(Files.size(), 1u);
            EXPECT_EQ(Files.begin()->first, "Shortest.eml");
        } else {
            EXPECT_EQ(R.Host.Log.front(), "Target folder cannot be used: " + Folder +
                                              ": the path is longer than Windows allows")
                << R.LogText();
            EXPECT_TRUE(R.Driver.TargetFailedRun());
        }
    }
}

}  // namespace

// Typed with "." and ".." levels or a doubled backslash, the source pattern
// and the target name the folders they lead to, on every target: the tree
// restored below the target is the plain typing's, and nothing is written
// beside it.
TEST(KvConvertPathLimit, TypedDotsAndDoubledBackslashesNameTheFolderMeant)
{
    TConvertRun R;
    const std::wstring Wide = L"r1\\\u041f\u043e\u0447\u0442\u0430\\\u0412\u0445.mbox";
    ASSERT_TRUE(TTestFolder::Put(R.Src("r1\\a.mbox"), MboxOf({MessageAbout("a")}, "\n")));
    ASSERT_TRUE(CreateDirectoryW((AnsiToWideStr(R.Src("")) + Wide.substr(0, Wide.rfind(L'\\'))).c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(AnsiToWideStr(R.Src("")) + Wide, MboxOf({MessageAbout("w")}, "\n")));
    const struct {
        const char* Source;    // below src
        const char* Target;    // below out
        const wchar_t* Lands;  // the folder the target leads to
    } Typed[] = {
        {"r1\\*.mbox", "a\\", L"a\\"},          {"r1\\*.mbox", "b\\\\", L"b\\"},
        {"r1\\.\\*.mbox", "c\\..\\d\\", L"d\\"}, {"x\\..\\r1\\*.mbox", "e\\.\\", L"e\\"},
        {"r1\\\\*.mbox", "f\\.", L"f\\"},
    };
    R.Host.Choices.IncludeSubfolders = true;
    R.Host.Choices.RestoreFolderTree = true;
    for (const TMailFormat Format : {mftEml, mftMboxWin, mftMboxUnix, mftMboxMac}) {
        std::map<std::wstring, std::string> Plain;
        for (const auto& T : Typed) {
            SCOPED_TRACE(std::string(T.Source) + " " + T.Target + " " + std::to_string(Format));
            const std::string Out = R.Out() + std::to_string(Format) + "_" + static_cast<char>(T.Lands[0]);
            R.Host.Sources.Clear();
            R.Add(R.Src(T.Source), mftMbox);
            R.Target(Format, Out + "\\" + T.Target);
            R.Start();
            EXPECT_EQ(R.Summary(), Counters(2, 2, 0, 0)) << R.LogText();
            // Names below the folder the typing leads to; anything beside
            // it keeps its whole name and differs.
            std::map<std::wstring, std::string> Tree;
            for (const auto& [Name, Bytes] : TTestFolder::WideTree(AnsiToWideStr(Out)))
                Tree[Name.starts_with(T.Lands) ? Name.substr(2) : Name] = Bytes;
            if (Plain.empty())
                Plain = Tree;
            EXPECT_EQ(Tree, Plain);
        }
        EXPECT_EQ(Plain.count(Format == mftEml ? Wide + L"\\w.eml" : Wide), 1u) << R.LogText();
        EXPECT_EQ(Plain.size(), 2u);
    }
}
