// Where a message file's name and folder meet Windows' path limit: the
// name cut to fit and the longest target folder still taken.
#include <gtest/gtest.h>

#include <string>

#include "ConvertTestFiles.h"
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
