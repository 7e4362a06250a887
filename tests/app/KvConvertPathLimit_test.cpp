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
    std::string f = Run.Dir.File("d");
    while (f.size() < Length)
        f += f.size() % 100 == 99 ? '\\' : 'd';
    if (f.back() == '\\')
        f.back() = 'd';
    return f;
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
    const std::string b(60, 'b');
    const struct {
        std::string Subject;
        size_t Kept;  // the leading a's the name keeps
    } cases[] = {
        {std::string(45, 'a') + ". ." + b, 45},
        {std::string(46, 'a') + "  " + b, 46},
        {std::string(47, 'a') + "." + b, 47},
        {std::string(48, 'a') + " " + b, 48},
    };
    for (const auto& c : cases) {
        TConvertRun r;
        const std::string folder = FolderOfLength(r, 200);
        PutFile(r.Src("box"), MboxOf({MessageAbout(c.Subject)}, "\n"));
        r.Add(r.Src("box"), mftMbox);
        r.Target(mftEml, folder + "\\");
        r.Start();
        const auto files = TreeFiles(folder);
        ASSERT_EQ(files.size(), 1u) << r.LogText();
        EXPECT_EQ(files.begin()->first, std::string(c.Kept, 'a') + ".eml") << c.Subject;
    }
}

// A message file needs room for an 8.3 name below the folder: 246
// characters are the longest folder taken.
TEST(KvConvertPathLimit, TheLongestTargetFolderTaken)
{
    for (const size_t length : {246u, 247u}) {
        TConvertRun r;
        const std::string folder = FolderOfLength(r, length);
        PutFile(r.Src("box"), MboxOf({MessageAbout("Short")}, "\n"));
        r.Add(r.Src("box"), mftMbox);
        r.Target(mftEml, folder + "\\");
        r.Start();
        if (length == 246) {
            EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 0)) << r.LogText();
            EXPECT_EQ(TreeFiles(folder).size(), 1u);
        } else {
            EXPECT_EQ(r.Host.Log.front(), "Target folder cannot be used: " + folder +
                                              ": the path is longer than Windows allows")
                << r.LogText();
            EXPECT_TRUE(r.Driver.TargetFailedRun());
        }
    }
}

}  // namespace
