#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/KvConvertDriver.h"
#include "bench/BenchHost.h"
#include "bench/MailGen.h"
#include "foundation/KvFiles.h"
#include "testkit/TestFolder.h"

namespace {

std::string Generate(std::uint64_t Seed, TGenLineEnd LineEnd, int Messages, std::vector<std::string>* Each = nullptr,
                     TGenSubjects Subjects = TGenSubjects::Mixed)
{
    TMailGenerator gen(Seed, LineEnd, Subjects);
    std::string all, one;
    for (int i = 0; i < Messages; ++i) {
        one.clear();
        gen.NextMessage(one);
        all += one;
        if (Each)
            Each->push_back(one);
    }
    return all;
}

std::string LfTo(const std::string& Text, const char* Break)
{
    std::string out;
    for (char c : Text) {
        if (c == '\n')
            out += Break;
        else
            out += c;
    }
    return out;
}

// The files of a folder, sorted by name, with their contents.
std::vector<std::pair<std::string, std::string>> FolderFiles(const std::string& Folder)
{
    std::vector<std::pair<std::string, std::string>> files;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((Folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace_back(fd.cFileName, LoadFileToString(Folder + "\\" + fd.cFileName));
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(files.begin(), files.end());
    return files;
}

struct TRun {
    std::vector<std::string> Log;
    std::string Error;
};

TRun RunConvert(const std::vector<std::string>& Args)
{
    TRun run;
    TBenchArgs args;
    run.Error = ParseBenchArgs(Args, args);
    if (!run.Error.empty())
        return run;
    TBenchHost host(args, [&run](const std::string& Line) { run.Log.push_back(Line); });
    TConvertDriver driver(host);
    driver.SkipFoldersFile.clear();
    driver.StartConversion();
    return run;
}

}  // namespace

TEST(MailGenBench, SameSeedSameBytesInEveryLineEnd)
{
    const std::string lf = Generate(42, TGenLineEnd::Lf, 60);
    EXPECT_EQ(Generate(42, TGenLineEnd::Lf, 60), lf);
    EXPECT_NE(Generate(43, TGenLineEnd::Lf, 60), lf);
    EXPECT_EQ(lf.find('\r'), std::string::npos);
    // The line end is the only difference between the three kinds.
    EXPECT_EQ(Generate(42, TGenLineEnd::CrLf, 60), LfTo(lf, "\r\n"));
    EXPECT_EQ(Generate(42, TGenLineEnd::Cr, 60), LfTo(lf, "\r"));
}

TEST(MailGenBench, MailboxHoldsEveryKindOfMessage)
{
    TMailGenerator gen(7, TGenLineEnd::Lf);
    std::string box;
    while (gen.Stats().Messages < 400)
        gen.NextMessage(box);
    const TMailGenStats& s = gen.Stats();
    EXPECT_EQ(s.Bytes, box.size());
    EXPECT_GT(s.Attachments, 20u);
    EXPECT_GT(s.EncodedSubjects, 20u);
    EXPECT_GT(s.QuotedFromLines, 20u);
    EXPECT_GT(s.UnquotedFromLines, 20u);
    const char* const needles[] = {"\nSubject: =?UTF-8?B?", "\nSubject: =?UTF-8?Q?", "\nSubject: Re: ",
                                   "Content-Transfer-Encoding: base64\n", "multipart/alternative",
                                   "\n>From ", "\nFrom what I remember, ", "\nX-Mozilla-Status: 0001\n"};
    for (const char* n : needles)
        EXPECT_NE(box.find(n), std::string::npos) << n;
    // Every message starts with its separator and ends with an empty line.
    std::uint64_t separators = box.compare(0, 5, "From ") == 0 ? 1 : 0;
    for (std::size_t p = box.find("\n\nFrom "); p != std::string::npos; p = box.find("\n\nFrom ", p + 1))
        separators += box.compare(p + 7, 5, "what ") != 0 && box.compare(p + 7, 4, "the ") != 0 &&
                      box.compare(p + 7, 4, "now ") != 0 && box.compare(p + 7, 3, "my ") != 0;
    EXPECT_EQ(separators, s.Messages);
    EXPECT_EQ(box.substr(box.size() - 2), "\n\n");
}

TEST(MailGenBench, SizesAndLineEndNames)
{
    const struct {
        const char* Text;
        bool Ok;
        std::uint64_t Size;
    } sizes[] = {{"1048576", true, 1048576},     {"100M", true, 100ull << 20}, {"2g", true, 2ull << 30},
                 {"512k", true, 512 << 10},      {"", false, 0},               {"M", false, 0},
                 {"10MB", false, 0},             {"1.5G", false, 0},           {"-1", false, 0},
                 {"99999999999999999999", false, 0}, {"17179869184G", false, 0}};
    for (const auto& c : sizes) {
        std::uint64_t size = 0;
        EXPECT_EQ(ParseGenSize(c.Text, size), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(size, c.Size) << c.Text;
        }
    }
    TGenLineEnd kind = TGenLineEnd::Lf;
    EXPECT_TRUE(ParseGenLineEnd("CRLF", kind));
    EXPECT_EQ(kind, TGenLineEnd::CrLf);
    EXPECT_TRUE(ParseGenLineEnd("cr", kind));
    EXPECT_EQ(kind, TGenLineEnd::Cr);
    EXPECT_FALSE(ParseGenLineEnd("crlf2", kind));
}

TEST(MailGenBench, CommandLines)
{
    const struct {
        std::vector<std::string> Args;
        TMailFormat Source, Target;
        bool Sub, Skip, Tree, Dates, Digest;
    } good[] = {
        {{"Z:\\m\\In.mbox", "Mbox", "Z:\\o\\", "EML"}, mftMbox, mftEml, false, false, false, false, false},
        {{"-s", "Z:\\m\\*.msf", "thunderbird", "-j", "Z:\\o\\", "txt", "-r", "-d", "-m"}, mftThunderbird, mftTxt,
         true, true, true, true, true},
        {{"Z:\\m\\In.mbx", "9", "Z:\\o\\all.mbox", "Mbox_Mac", "--digest-names"}, mftMacEudora, mftMboxMac, false,
         false, false, false, true},
        {{"Z:\\m\\In", "11", "Z:\\o\\*.", "15"}, mftPine, mftMboxUnix, false, false, false, false, false},
        {{"Z:\\m\\Inbox.snm", "Netscape_Old", "Z:\\o\\", "EML"}, mftNetscapeOld, mftEml, false, false, false, false,
         false},
    };
    for (const auto& c : good) {
        TBenchArgs a;
        EXPECT_EQ(ParseBenchArgs(c.Args, a), "") << c.Args[0];
        EXPECT_EQ(a.Source, c.Args[c.Args[0] == "-s" ? 1 : 0]);
        EXPECT_EQ(a.Choices.SourceFormat, c.Source);
        EXPECT_EQ(a.Choices.TargetFormat, c.Target);
        EXPECT_EQ(a.Choices.IncludeSubfolders, c.Sub);
        EXPECT_EQ(a.Choices.SkipTrashJunk, c.Skip);
        EXPECT_EQ(a.Choices.RestoreFolderTree, c.Tree);
        EXPECT_EQ(a.Choices.MatchDates, c.Dates);
        EXPECT_EQ(a.Choices.Md5FileNames, c.Digest);
    }

    const struct {
        std::vector<std::string> Args;
        const char* Error;
    } bad[] = {
        {{"Z:\\m\\In", "Mbox", "Z:\\o\\"}, "expected 4 arguments, got 3"},
        {{"Z:\\m\\In", "EML", "Z:\\o\\", "EML"}, "not a source format: EML"},
        {{"Z:\\m\\In", "Other", "Z:\\o\\", "EML"}, "not a source format: Other"},
        {{"Z:\\m\\In", "0", "Z:\\o\\", "EML"}, "not a source format: 0"},
        {{"Z:\\m\\In", "123", "Z:\\o\\", "EML"}, "not a source format: 123"},
        {{"Z:\\m\\In", "Mbox", "Z:\\o\\", "Other"}, "not a target format: Other"},
        {{"Z:\\m\\In", "Mbox", "Z:\\o\\", "Mbox"}, "not a target format: Mbox"},
        {{"Z:\\m\\In", "Mbox", "", "EML"}, "empty target"},
        {{"Z:\\m\\In", "Mbox", "Z:\\o\\", "EML", "-x"}, "unknown option -x"},
    };
    for (const auto& c : bad) {
        TBenchArgs a;
        EXPECT_EQ(ParseBenchArgs(c.Args, a), c.Error);
    }
}
// The generated mailbox in each line-end kind goes through the real driver:
// every message comes out as the same .eml bytes, and an mbox in the
// source's own line end comes out unchanged.
TEST(MailGenBench, GeneratedMailboxesConvertWhole)
{
    TTestFolder dir("bench");
    constexpr int Messages = 40;
    std::vector<std::string> each;
    const std::string lf = Generate(11, TGenLineEnd::Lf, Messages, &each);

    // What each .eml must hold: CRLF, no separator line, no trailing empty line.
    std::vector<std::string> expected;
    for (const std::string& m : each)
        expected.push_back(LfTo(m.substr(m.find('\n') + 1, m.size() - m.find('\n') - 2), "\r\n"));
    std::sort(expected.begin(), expected.end());

    const struct {
        const char* Name;
        TGenLineEnd Kind;
        const char* Break;
        const char* Target;
    } kinds[] = {{"lf", TGenLineEnd::Lf, "\n", "Mbox_Unix"},
                 {"crlf", TGenLineEnd::CrLf, "\r\n", "Mbox_Win"},
                 {"cr", TGenLineEnd::Cr, "\r", "Mbox_Mac"}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.Name);
        const std::string source = dir.File(std::string(k.Name) + ".mbox");
        const std::string bytes = LfTo(lf, k.Break);
        ASSERT_EQ(SaveStringToFile(source, bytes), static_cast<std::int64_t>(bytes.size()));

        const std::string out = dir.File(std::string("eml_") + k.Name);
        const TRun run = RunConvert({source, "Mbox", out + "\\", "EML"});
        ASSERT_EQ(run.Error, "");
        const std::vector<std::string> log = {"Processing: " + source, "Done", "",
                                              "1 mailboxes processed, 40 messages converted, 0 duplicates "
                                              "skipped, 0 errors.",
                                              "Processing finished."};
        EXPECT_EQ(run.Log, log);
        std::vector<std::string> got;
        for (const auto& f : FolderFiles(out))
            got.push_back(f.second);
        std::sort(got.begin(), got.end());
        ASSERT_EQ(got.size(), expected.size());
        std::size_t differ = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            differ += got[i] != expected[i];
        EXPECT_EQ(differ, 0u);
        if (differ) {
            const auto at = std::mismatch(got.begin(), got.end(), expected.begin());
            EXPECT_EQ(*at.first, *at.second);
        }

        const std::string mbox = dir.File(std::string("same_") + k.Name + ".mbox");
        EXPECT_EQ(RunConvert({source, "Mbox", mbox, k.Target}).Log.size(), log.size());
        EXPECT_TRUE(LoadFileToString(mbox) == bytes);
    }
}

// One subject for all, or one each: the mailboxes differ in the subject line
// alone, and through the driver the first gives numbered names in order.
TEST(MailGenBench, SameAndDistinctSubjects)
{
    TTestFolder dir("bench");
    constexpr int Messages = 30;
    std::vector<std::string> same, distinct;
    const std::string sameBox = Generate(5, TGenLineEnd::Lf, Messages, &same, TGenSubjects::Same);
    const std::string distinctBox = Generate(5, TGenLineEnd::Lf, Messages, &distinct, TGenSubjects::Distinct);
    ASSERT_EQ(same.size(), distinct.size());
    for (int i = 0; i < Messages; ++i) {
        const std::string subject = "\nSubject: Weekly report " + std::to_string(i + 1) + "\n";
        const std::size_t at = distinct[i].find(subject);
        ASSERT_NE(at, std::string::npos) << i;
        EXPECT_EQ(same[i], distinct[i].substr(0, at) + "\nSubject: Weekly report\n" +
                               distinct[i].substr(at + subject.size()));
    }
    TGenSubjects kind = TGenSubjects::Mixed;
    EXPECT_TRUE(ParseGenSubjects("same", kind));
    EXPECT_EQ(kind, TGenSubjects::Same);
    EXPECT_TRUE(ParseGenSubjects("distinct", kind));
    EXPECT_EQ(kind, TGenSubjects::Distinct);
    EXPECT_FALSE(ParseGenSubjects("Same ", kind));

    const struct {
        const std::string* Box;
        const char* Name;
    } boxes[] = {{&sameBox, "same"}, {&distinctBox, "distinct"}};
    for (const auto& b : boxes) {
        const std::string source = dir.File(std::string(b.Name) + ".mbox");
        ASSERT_EQ(SaveStringToFile(source, *b.Box), static_cast<std::int64_t>(b.Box->size()));
        const std::string out = dir.File(std::string("eml_") + b.Name);
        ASSERT_EQ(RunConvert({source, "Mbox", out + "\\", "EML"}).Error, "");
        const auto files = FolderFiles(out);
        ASSERT_EQ(files.size(), static_cast<std::size_t>(Messages));
        for (int i = 0; i < Messages; ++i) {
            const std::string name = b.Box == &sameBox
                                         ? (i == 0 ? "Weekly report.eml" : "Weekly report[" + std::to_string(i) + "].eml")
                                         : "Weekly report " + std::to_string(i + 1) + ".eml";
            const auto it = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == name; });
            ASSERT_NE(it, files.end()) << name;
            const std::vector<std::string>& each = b.Box == &sameBox ? same : distinct;
            const std::string& m = each[static_cast<std::size_t>(i)];
            EXPECT_TRUE(it->second == LfTo(m.substr(m.find('\n') + 1, m.size() - m.find('\n') - 2), "\r\n")) << name;
        }
    }
}
