#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ConvertTestFiles.h"
#include "app/KvLargeMessage.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvErrorLog.h"
#include "testkit/ErrorLogAt.h"
#include "testkit/TestLinks.h"

TEST(KvLargeMessage, RangesCopiedInPiecesOfEverySize)
{
    TTestFolder dir("large");
    const std::string before = "garbage before\n";
    const std::string message = "From a@b Mon Jan  5 10:00:00 2009\r\nSubject: x\n\rbody\r\rline\n\nend\r";
    const std::string file = dir.Write("box", before + message + "after");
    const struct {
        const char* Break;
        bool DropFromLine;
        std::string Want;
    } cases[] = {
        {"\r\n", false, "From a@b Mon Jan  5 10:00:00 2009\r\nSubject: x\r\n\r\nbody\r\n\r\nline\r\n\r\nend\r\n"},
        {"\n", true, "Subject: x\n\nbody\n\nline\n\nend\n"},
        {"\r", true, "Subject: x\r\rbody\r\rline\r\rend\r"},
    };
    for (const auto& c : cases) {
        for (std::size_t step = 1; step <= message.size() + 1; ++step) {
            TMessageRangeCopy copy(file, static_cast<std::int64_t>(before.size()),
                                   static_cast<std::int64_t>(message.size()), c.Break, c.DropFromLine);
            copy.Step = step;
            std::string out;
            ASSERT_TRUE(copy.CopyTo([&](const std::string& Piece) {
                out += Piece;
                return true;
            }));
            // The separator line goes whole even when it spans pieces.
            EXPECT_EQ(out, c.Want) << "step " << step;
        }
    }
    // For an mbox copy of a store that escapes nothing, every later line
    // that starts "From " is escaped, wherever the pieces part it.
    const std::string quoting = "From a@b Mon Jan  5 10:00:00 2009\nFrom here\r\n\nFrom x@y Mon\rFrom\nFro\nFrom ";
    const std::string escaped = "From a@b Mon Jan  5 10:00:00 2009#from here##from x@y Mon#From#Fro#from ";
    for (const char* brk : {"\r\n", "\n", "\r"}) {
        std::string want;
        for (const char c : escaped)
            want += c == '#' ? std::string(brk) : std::string(1, c);
        for (std::size_t step = 1; step <= quoting.size() + 1; ++step) {
            TMessageRangeCopy copy(dir.Write("quoting", quoting), 0, static_cast<std::int64_t>(quoting.size()), brk, false);
            copy.EscapeFromLines = true;
            copy.Step = step;
            std::string out;
            ASSERT_TRUE(copy.CopyTo([&](const std::string& Piece) { return out += Piece, true; }));
            EXPECT_EQ(out, want) << "step " << step;
        }
    }
    TMessageRangeCopy head(file, static_cast<std::int64_t>(before.size()), static_cast<std::int64_t>(message.size()),
                           "\n", true);
    EXPECT_EQ(head.Head(47), "From a@b Mon Jan  5 10:00:00 2009\r\nSubject: x\r\n");

    // The last break goes to the separator; kept as the message's own, only
    // a blank line's goes, and a range without one gets one.
    const struct {
        std::string Range;
        bool Own;
        std::string Want;
    } ends[] = {{"a\n\n", false, "a\r\n"}, {"a\r\n", false, "a"},   {"a\n\n", true, "a\r\n"}, {"a\n", true, "a\r\n"},
                {"a", true, "a\r\n"},        {"a\r\r", true, "a\r\n"}, {"a\r\n\r\n", true, "a\r\n"}};
    for (const auto& e : ends) {
        TMessageRangeCopy copy(dir.Write("end", e.Range), 0, static_cast<std::int64_t>(e.Range.size()), "\r\n", false);
        copy.DropFinalBreak(e.Own);
        std::string out;
        EXPECT_TRUE(copy.CopyTo([&](const std::string& Piece) { return out += Piece, true; }));
        EXPECT_EQ(out, e.Want) << e.Range;
    }

    // A range past the end of the file is a read failure, not a short copy.
    TMessageRangeCopy past(file, 0, 100000, "\r\n", false);
    EXPECT_FALSE(past.CopyTo([](const std::string&) { return true; }));
    EXPECT_NE(past.Error(), 0u);
}

namespace {

// Where two long texts part, and their ends there: the whole text would
// bury the failure.
std::string Parting(const std::string& A, const std::string& B)
{
    size_t i = 0;
    while (i < A.size() && i < B.size() && A[i] == B[i])
        ++i;
    const auto tail = [&](const std::string& S) { return "[" + S.substr(i, 40) + "]"; };
    return "differ at " + std::to_string(i) + " of " + std::to_string(A.size()) + "/" + std::to_string(B.size()) +
           ": " + tail(A) + " vs " + tail(B);
}

}  // namespace

TEST(KvLargeMessage, MessagesTooLargeToLoadAreCopiedAndNamedInTheErrorLog)
{
    // One long line and many short ones, between two ordinary messages.
    const std::string small1 = "From a@b Mon Jan  5 10:00:00 2009\nSubject: first\nContent-Type: text/plain\n\nhi\n\n";
    std::string big = "From a@b Mon Jan  5 10:00:00 2009\nSubject: huge\nDate: Mon, 05 Jan 2009 10:00:00 +0000\n\n";
    big += std::string(300000, 'x') + "\n";
    for (int i = 0; i < 3000; ++i)
        big += "line " + std::to_string(i) + "\n";
    const std::string small2 = "From a@b Mon Jan  5 10:00:00 2009\nSubject: last\nContent-Type: text/plain\n\nbye\n\n";
    const auto crlf = [](std::string s) {
        std::string r;
        for (const char c : s)
            r += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return r;
    };
    // Before the next separator a blank line, or none: the message's own
    // last break stays in its file either way, and a copy is the source.
    for (const TMailFormat target : {mftEml, mftMboxWin})
    for (const char* blank : {"\n", ""}) {
        TConvertRun r;
        r.Driver.LargeMessageSize = 100000;
        const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
        // A mailbox named outside the code page is named whole in its rows.
        const std::string name = target == mftEml ? "\xD0\xA3\xD0\xB7\xD0\xB5\xD0\xBB" : "box";
        ForceFolders(r.Src(""));
        ASSERT_TRUE(PutWideNamedFile(r.Dir.File("src"), name, small1 + big + blank + small2));
        r.Add(OpenableAnsiPath(AnsiToWideStr(r.Src("")) + AnsiToWideStr(name, CP_UTF8)), mftMbox);
        r.Target(target, target == mftEml ? r.Out() + "\\" : r.Out() + "\\all.mbox");
        r.Start();
        FreeErrorLog();
        EXPECT_EQ(r.Summary(), Counters(1, 3, 0, 0)) << r.LogText();
        const auto files = TreeFiles(r.Out());
        // The body as it stands, with the target's breaks; the mbox reader
        // leaves the blank line before the next separator to the mailbox.
        const std::string bigBody = crlf(big);
        if (target == mftEml) {
            ASSERT_EQ(files.count("huge.eml"), 1u) << r.LogText();
            const std::string want = bigBody.substr(bigBody.find("\r\n") + 2);
            EXPECT_TRUE(files.at("huge.eml") == want) << Parting(files.at("huge.eml"), want);
            EXPECT_EQ(files.count("first.eml") + files.count("last.eml"), 2u);
        } else {
            ASSERT_EQ(files.count("all.mbox"), 1u);
            const std::string want = crlf(small1 + big + blank + small2);
            EXPECT_TRUE(files.at("all.mbox") == want) << Parting(files.at("all.mbox"), want);
        }
        const std::string log = TTestFolder::Read(r.Dir.File("errors.txt"));
        EXPECT_NE(log.find("not rebuilt in memory"), std::string::npos) << log;
        EXPECT_NE(log.find("\thuge"), std::string::npos) << log;
        EXPECT_NE(log.find("\t" + name + ", message 2 at offset "), std::string::npos) << log;
    }
}

TEST(KvLargeMessage, AGiantHeaderIsCopiedAsItStands)
{
    // Header work copies a field several times over: past the header cap
    // the message goes the copying road even when it is small enough.
    TConvertRun r;
    r.Driver.LargeHeaderSize = 4096;
    const std::string giant = "From a@b Mon Jan  5 10:00:00 2009\nSubject: " + std::string(6000, 'g') +
                              "\nContent-Type: text/plain\n\nbody\n\n";
    const std::string plain = "From a@b Mon Jan  5 10:00:00 2009\nSubject: plain\nContent-Type: text/plain\n\nok\n\n";
    // One too large and deleted: its flags come from its head.
    const std::string gone = "From a@b Mon Jan  5 10:00:00 2009\nX-Mozilla-Status: 0009\nSubject: " +
                             std::string(6000, 'd') + "\n\nbody\n\n";
    PutFile(r.Src("box"), giant + gone + plain);
    r.Add(r.Src("box"), mftMbox);
    r.Target(mftMboxUnix, r.Out() + "\\all.mbox");
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0)) << r.LogText();
    const std::string out = TTestFolder::Read(r.Out() + "\\all.mbox");
    EXPECT_TRUE(out == giant + plain) << Parting(out, giant + plain);
}

// A message whose copy with CR LF breaks may pass the header cap is judged
// by its bytes as they stand, whichever way it is read: at and past half
// the cap, with its header ending early, right at the reach of the first
// bytes and one past, and with a header that fits only with LF breaks.
TEST(KvLargeMessage, HeadersJudgedAlikePastHalfTheCap)
{
    const std::string from = "From a@b Mon Jan  5 10:00:00 2009\n";
    const auto message = [&](std::size_t HeaderEnd, std::size_t Size, const std::string& Name) {
        std::string m = from + "Subject: " + Name + "\nContent-Type: text/plain\n";
        while (m.size() + 1 < HeaderEnd)
            m += "X: 1\n";
        m.resize(HeaderEnd - 1, 'x');
        m += "\n\n";
        while (m.size() < Size)
            m += "line of text\n";
        m.resize(Size - 1, 'y');
        return m + "\n\n";
    };
    // (4096 - 6) / 2: the header's end within these bytes counts for both.
    const std::size_t reach = 2045;
    const std::string box = message(100, 2046, "under") + message(100, 2047, "at") + message(100, 2048, "past") +
                            message(reach - 1, 6000, "reach") + message(reach, 6000, "reachpast") +
                            message(4040, 9000, "lfonly");
    for (TMailFormat target : {mftMboxUnix, mftMboxWin}) {
        SCOPED_TRACE(target);
        TConvertRun r;
        r.Driver.LargeHeaderSize = 4096;
        const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
        PutFile(r.Src("box"), box);
        r.Add(r.Src("box"), mftMbox);
        r.Target(target, r.Out() + "\\all.mbox");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 6, 0, 0)) << r.LogText();
        std::string want = box;
        if (target == mftMboxWin)
            for (std::size_t p = want.find('\n'); p != std::string::npos; p = want.find('\n', p + 2))
                want.insert(p, 1, '\r');
        const std::string out = TTestFolder::Read(r.Out() + "\\all.mbox");
        EXPECT_TRUE(out == want) << Parting(out, want);
        EXPECT_EQ(TTestFolder::Read(r.Dir.File("errors.txt")).find("not rebuilt"), std::string::npos);
    }
}
