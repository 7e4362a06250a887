#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "classlib/Cleanup.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"

namespace {

class KvLogsTest : public ::testing::Test {
protected:
    TTestFolder Folder{"logs"};
    std::string Dir = Folder.Path() + "\\";
    // Unnamed for each test, whose own name is put back after it.
    const TErrorLogAt FErrorLog{std::string()};
};

}  // namespace

TEST_F(KvLogsTest, FreshLogMovesTheOldOneAway)
{
    const std::string log = Dir + "x.log";
    ASSERT_EQ(SaveStringToFile(log, "old lines\r\n"), 11);
    ASSERT_EQ(SaveStringToFile(log + ".bak", "older"), 5);
    {
        TLogFile f(log, "");
        EXPECT_TRUE(f.Active());
        f.WriteLine("abc");
        f.WriteLine("");
        EXPECT_GT(f.LastLogTime, 0);
        EXPECT_EQ(LastLogTime, f.LastLogTime);
    }
    EXPECT_EQ(LoadFileToString(log), "abc\r\n\r\n");
    EXPECT_EQ(LoadFileToString(log + ".bak"), "old lines\r\n");

    // An empty old log is simply made again; nothing is backed up.
    SaveStringToFile(log, "");
    DeleteFileA((log + ".bak").c_str());
    {
        TLogFile f(log, "hh:nn");
        EXPECT_EQ(LastLogTime, 0);
        f.WriteLine("abc");
    }
    EXPECT_FALSE(IsExistingFile(log + ".bak"));
    const std::string line = LoadFileToString(log);
    EXPECT_TRUE(std::regex_match(line, std::regex("[0-2][0-9]:[0-5][0-9] abc\r\n"))) << line;

    // A log in a folder that isn't there yet makes the folder.
    {
        TLogFile f(Dir + "new\\sub\\y.log", "yyyy-mm-dd hh:nn:ss.zzz");
        f.WriteLine("x");
    }
    EXPECT_TRUE(std::regex_match(LoadFileToString(Dir + "new\\sub\\y.log"),
                                 std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} x\r\n")));
}

TEST_F(KvLogsTest, AppendingAndRefusedLogs)
{
    const std::string log = Dir + "a.log";
    SaveStringToFile(log, "first\r\n");
    {
        TLogBase b(log, true);
        EXPECT_TRUE(b.Active());
        b.WriteLine("second");
        EXPECT_TRUE(b.WriteText(""));
    }
    EXPECT_EQ(LoadFileToString(log), "first\r\nsecond\r\n");
    EXPECT_FALSE(IsExistingFile(log + ".bak"));

    {
        TLogBase b(Dir + "missing.log", true);
        EXPECT_TRUE(b.Active());
        b.WriteLine("only");
    }
    EXPECT_EQ(LoadFileToString(Dir + "missing.log"), "only\r\n");

    // An old backup that can't be deleted leaves the log inactive and the
    // old log where it was.
    SaveStringToFile(log + ".bak", "held");
    const HANDLE lock = CreateFileA((log + ".bak").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    {
        TLogFile f(log, "");
        EXPECT_FALSE(f.Active());
        f.WriteLine("dropped");
    }
    CloseHandle(lock);
    EXPECT_EQ(LoadFileToString(log), "first\r\nsecond\r\n");
}

// Two logs of one file, as two windows or two processes keep the error
// log: the second joins the first instead of moving its file away, and
// every line of both reaches the file in the order written.
TEST_F(KvLogsTest, TwoWritersShareOneLog)
{
    const std::string log = Dir + "shared.log";
    ASSERT_EQ(SaveStringToFile(log, "old\r\n"), 5);
    {
        TLogFile first(log, "");
        first.WriteLine("a1");
        TLogFile second(log, "");
        ASSERT_TRUE(second.Active());
        second.WriteLine("b1");
        first.WriteLine("a2");
        second.WriteLine("b2");
        // A line the code page cannot carry rewrites no file that another
        // log writes to: its later lines would go into the replaced one.
        second.WriteWideLine(L"\x0416");
        first.WriteLine("a3");
        EXPECT_TRUE(first.Active() && second.Active());
    }
    EXPECT_EQ(LoadFileToString(log), "a1\r\nb1\r\na2\r\nb2\r\n?\r\na3\r\n");
    EXPECT_EQ(LoadFileToString(log + ".bak"), "old\r\n");
    // Two writers at once, each by its own handle, as two runs write one
    // log: under Wine an append is two steps, and no row may land on
    // another's. The heading goes in once, whoever starts the log.
    const std::string rows = Dir + "rows.log";
    constexpr int RowCount = 400;
    {
        TLogFile first(rows, "");
        TLogFile second(rows, "");
        ASSERT_TRUE(first.WriteFirstLine("heading") && second.WriteFirstLine("heading"));
        std::thread other([&] {
            for (int i = 0; i < RowCount; ++i)
                first.WriteLine("a" + std::to_string(i));
        });
        for (int i = 0; i < RowCount; ++i)
            second.WriteLine("b" + std::to_string(i));
        other.join();
    }
    const std::string written = LoadFileToString(rows);
    ASSERT_EQ(written.substr(0, 9), "heading\r\n");
    std::vector<std::string> a, b;
    for (size_t at = 9, end; (end = written.find("\r\n", at)) != std::string::npos; at = end + 2)
        (written[at] == 'a' ? a : b).push_back(written.substr(at, end - at));
    ASSERT_EQ(a.size(), static_cast<size_t>(RowCount));
    ASSERT_EQ(b.size(), static_cast<size_t>(RowCount));
    for (int i = 0; i < RowCount; ++i) {
        EXPECT_EQ(a[static_cast<size_t>(i)], "a" + std::to_string(i));
        EXPECT_EQ(b[static_cast<size_t>(i)], "b" + std::to_string(i));
    }
    // Held by a program that shares it with nobody, the log is given up
    // after a brief wait, not waited for without end.
    const TKernelHandle held(CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    bool joined = true;
    try {
        joined = TLogFile(log, "").Active();
    } catch (const Exception&) {
        joined = false;
    }
    EXPECT_FALSE(joined);
}

TEST_F(KvLogsTest, ErrorLogOpensOnItsFirstLine)
{
    ErrorLogWrite("nowhere");
    EXPECT_FALSE(IsErrorLogOpen());
    EXPECT_EQ(ErrorLog(), nullptr);

    ErrorLogFileName = Dir + "ErrorLog.txt";
    SaveStringToFile(ErrorLogFileName, "previous run\r\n");
    EXPECT_FALSE(IsErrorLogOpen());
    ErrorLogWrite("Error\tFilename\tMail Folder\tMail Date\tMail Subject");
    ErrorLogWrite("Bad date\tC:\\m\\in.mbx\tInbox\tMon, 1 Jan 2001\tHello");
    EXPECT_TRUE(IsErrorLogOpen());
    EXPECT_EQ(ErrorLog()->DateTimeFormat, "");
    FreeErrorLog();
    EXPECT_EQ(LoadFileToString(ErrorLogFileName),
              "Error\tFilename\tMail Folder\tMail Date\tMail Subject\r\n"
              "Bad date\tC:\\m\\in.mbx\tInbox\tMon, 1 Jan 2001\tHello\r\n");
    EXPECT_EQ(LoadFileToString(ErrorLogFileName + ".bak"), "previous run\r\n");

    // A line the code page cannot carry turns the whole log to UTF-8: the
    // lines before it (longer than one read) converted, the lines after too.
    const std::string Long = "Caf\xE9" + std::string(70000, 'a') + "\xE9";
    ErrorLogWrite(Long);
    ErrorLogWrite(TLogText::FromWide(L"\x041F\x0443\x0442\x0438 \x53D7"));
    ErrorLogWrite("na\xEFve");
    FreeErrorLog();
    EXPECT_EQ(LoadFileToString(ErrorLogFileName), "\xEF\xBB\xBF" "Caf\xC3\xA9" + Long.substr(4, 70000) +
                                                       "\xC3\xA9\r\n\xD0\x9F\xD1\x83\xD1\x82\xD0\xB8 \xE5\x8F\x97\r\nna\xC3\xAFve\r\n");
}

// Text the code page carries stays ANSI, joined too; a part it can't carry
// makes the whole join wide, and a file holds that as UTF-8.
TEST(KvLogText, WideOnlyWhereTheCodePageFails)
{
    const TLogText plain = TLogText::FromWide(L"Caf\xE9");
    const TLogText cyrillic = TLogText::FromWide(L"\x0412");
    EXPECT_EQ(plain.Ansi, "Caf\xE9");
    EXPECT_EQ(plain.Wide, L"");
    EXPECT_EQ(cyrillic.Wide, L"\x0412");
    EXPECT_EQ((plain + TLogText(" x")).Wide, L"");
    EXPECT_EQ((plain + TLogText(" x")).FileBytes(), "Caf\xE9 x");
    EXPECT_EQ((plain + cyrillic).Wide, L"Caf\xE9\x0412");
    EXPECT_EQ((cyrillic + plain).Wide, L"\x0412" L"Caf\xE9");
    EXPECT_EQ((cyrillic + plain).FileBytes(), "\xEF\xBB\xBF\xD0\x92" "Caf\xC3\xA9");
    EXPECT_EQ(plain.WideText(), L"Caf\xE9");
}

TEST_F(KvLogsTest, WriterCompletesTheLastLineOfAnExistingMbox)
{
    const std::string msg = "From x Mon Jan  1 00:00:00 2001\r\nSubject: s\r\n\r\nbody\r\n";
    struct Case { std::string Existing; bool Complete; std::string Expected; };
    const Case cases[] = {
        {"last\r\n", true, "last\r\n" + msg},
        {"last\n", true, "last\n" + msg},
        {"last\r", true, "last\r\n" + msg},
        {"last", true, "last\r\n" + msg},
        {"", true, msg},
        {"last", false, "last" + msg},
        {"last\r", false, "last\r" + msg},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = Dir + "m" + std::to_string(++n) + ".mbx";
        SaveStringToFile(name, c.Existing);
        {
            TTextFileWriter w(name, false, c.Complete);
            EXPECT_EQ(w.Size(), static_cast<std::int64_t>(c.Existing.size()));
            EXPECT_FALSE(w.EndsWithCRLF());
            w.Write("");
            w.Write(msg);
            EXPECT_EQ(w.Size(), static_cast<std::int64_t>(c.Expected.size())) << c.Existing;
            EXPECT_EQ(w.GetSize(), w.Size());
            EXPECT_TRUE(w.EndsWithCRLF());
            // Only the first write completes; later ones append as they are.
            w.Write("x\n");
            EXPECT_FALSE(w.EndsWithCRLF());
        }
        EXPECT_EQ(LoadFileToString(name), c.Expected + "x\n") << c.Existing;
    }

    // Raw writes before the first Write append too; the completion then
    // looks at what they left at the end.
    const std::string raw = Dir + "raw.mbx";
    SaveStringToFile(raw, "tail");
    {
        TTextFileWriter w(raw, false, true);
        EXPECT_TRUE(w.CompletePending());
        EXPECT_EQ(w.WriteBuffer("\r", 1), 1u);
        w.Write("From y\r\n");
        EXPECT_FALSE(w.CompletePending());
        EXPECT_EQ(w.Size(), 14);
        EXPECT_EQ(w.GetSize(), 14);
    }
    EXPECT_EQ(LoadFileToString(raw), "tail\r\nFrom y\r\n");

    // Overwrite starts again from nothing, and so does a missing file.
    const std::string name = Dir + "m1.mbx";
    {
        TTextFileWriter w(name, true, true);
        EXPECT_TRUE(w.EndsWithCRLF());
        EXPECT_EQ(w.Size(), 0);
        w.Write("a");
        EXPECT_FALSE(w.EndsWithCRLF());
    }

    EXPECT_EQ(LoadFileToString(name), "a");
    {
        TTextFileWriter w(Dir + "fresh.mbx", false, true);
        EXPECT_TRUE(w.EndsWithCRLF());
        w.Write("b\r\n");
    }
    EXPECT_EQ(LoadFileToString(Dir + "fresh.mbx"), "b\r\n");
}

TEST_F(KvLogsTest, WriterCompletesWithTheTargetsOwnBreak)
{
    // Each existing last line meets each break kind; "" is the default.
    struct Case { const char* Break; std::string Existing; std::string Added; bool EndsWithCRLF; };
    const Case cases[] = {
        {"", "last\r", "\n", true},
        {"", "last", "\r\n", true},
        {"", "last\n", "", false},
        {"\r\n", "last\r", "\n", true},
        {"\r", "last\r", "", false},
        {"\r", "last", "\r", false},
        {"\r", "last\n", "", false},
        {"\r", "a\r\rlast\r", "", false},
        {"\n", "last\n", "", false},
        {"\n", "last", "\n", false},
        {"\n", "last\r", "\n", true},
        {"\n", "last\r\n", "", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = Dir + "b" + std::to_string(++n) + ".mbx";
        SaveStringToFile(name, c.Existing);
        {
            TTextFileWriter w(name, false, true);
            if (*c.Break)
                w.SetLineBreak(c.Break);
            w.CompleteLastLine();
            EXPECT_EQ(w.EndsWithCRLF(), c.EndsWithCRLF) << n;
            EXPECT_EQ(w.Size(), static_cast<std::int64_t>(c.Existing.size() + c.Added.size())) << n;
            w.Write("From z");
        }
        EXPECT_EQ(LoadFileToString(name), c.Existing + c.Added + "From z") << n;
    }
}

TEST_F(KvLogsTest, WriterHoldsItsFileAndRaisesFileErrors)
{
    const std::string name = Dir + "held.mbx";
    SaveStringToFile(name, "0123456789");
    {
        TTextFileWriter w(name, false, false);
        EXPECT_EQ(w.Size(), 10);
        // Nobody else gets in while the writer holds the file.
        EXPECT_THROW(TTextFileWriter(name, false, true), EFileError);
        EXPECT_EQ(LoadFileToString(name), "");
        w.Write("x");
        EXPECT_EQ(w.Size(), 11);
    }
    EXPECT_EQ(LoadFileToString(name), "0123456789x");

    // ...and the writer is kept off a file that someone else holds.
    const HANDLE lock = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    struct Refusal { std::string Name; bool Overwrite; DWORD Code; };
    const Refusal refusals[] = {
        {name, false, ERROR_SHARING_VIOLATION},
        {name, true, ERROR_SHARING_VIOLATION},
        {Dir + "no\\folder\\x.mbx", false, ERROR_PATH_NOT_FOUND},
    };
    for (const Refusal& r : refusals) {
        try {
            TTextFileWriter w(r.Name, r.Overwrite, true);
            ADD_FAILURE() << r.Name << " opened";
        } catch (const EFileIoError& e) {
            EXPECT_EQ(e.ErrorCode, r.Code) << r.Name;
            EXPECT_EQ(e.Message(), SystemErrorText(r.Code));
            EXPECT_FALSE(e.Message().empty());
        }
    }
    CloseHandle(lock);
    EXPECT_EQ(LoadFileToString(name), "0123456789x");

    const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(text.back()), 32);
    try {
        RaiseFileError(0x2000FFFF);
        ADD_FAILURE();
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message(), "File I/O error 536936447");
    }
}
