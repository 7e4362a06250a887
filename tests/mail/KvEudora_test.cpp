#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvEudora.h"
#include "mail/KvMailStream.h"

// In KvMailStream_test.cpp.

namespace {

void PutLe(std::string& S, size_t At, std::uint32_t Value, int Bytes)
{
    for (int i = 0; i < Bytes; ++i)
        S[At + i] = static_cast<char>((Value >> (8 * i)) & 0xFF);
}

// The 104-byte index header.
std::string TocHeader(char Byte1, const std::string& Name, int Type, int Count)
{
    std::string h(EudoraHeaderSize, '\0');
    h[0] = 0x30;
    h[1] = Byte1;
    h.replace(8, std::min<size_t>(Name.size(), 32), Name.substr(0, 32));
    h[40] = static_cast<char>(Type);
    PutLe(h, 102, static_cast<std::uint32_t>(Count), 2);
    return h;
}

// One 218-byte index entry.
std::string TocEntry(std::uint32_t Offset, std::uint32_t Length, int Status = 1, int Priority = 3)
{
    std::string e(EudoraEntrySize, '\0');
    PutLe(e, 0, Offset, 4);
    PutLe(e, 4, Length, 4);
    PutLe(e, 12, static_cast<std::uint32_t>(Status), 2);
    PutLe(e, 16, static_cast<std::uint32_t>(Priority), 2);
    e.replace(18, 24, "Mon Jan  1 10:00:00 2001");
    return e;
}

std::string Msg(const std::string& Subject, const std::string& Body = "body")
{
    return "From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: " + Subject +
           "\r\nContent-Type: text/plain\r\n\r\n" + Body + "\r\n";
}

struct TTocMessage {
    std::string Text;
    TMailFlags Flags = 0;
    bool Damaged = false;
    int Percent = 0;
};

// Problems: the reader's count of index rows it logged.
std::vector<TTocMessage> ReadToc(const std::string& Toc, int* Problems = nullptr)
{
    TEudoraTocObj reader(Toc);
    std::vector<TTocMessage> r;
    while (reader.NextMessage() && r.size() < 1000) {
        TTocMessage m;
        reader.GetMessageText(0, m.Text);
        m.Flags = reader.GetMailFlags();
        m.Damaged = reader.Damaged;
        m.Percent = reader.GetPercentDone();
        r.push_back(m);
    }
    EXPECT_EQ(reader.CutAt, -1);
    if (Problems)
        *Problems = reader.ReadProblems;
    return r;
}

int IndexRows(const std::string& Log)
{
    int n = 0;
    for (size_t p = Log.find("Index entry "); p != std::string::npos; p = Log.find("Index entry ", p + 1))
        ++n;
    return n;
}

class KvEudoraStore : public ::testing::Test {
protected:
    TTestFolder Dir{"eudora"};

    // Writes In.toc and In.mbx; entries that are empty are made from the
    // messages, one after another.
    std::string Store(const std::string& Header, const std::vector<std::string>& Messages,
                      std::vector<std::string> Entries = {}, const std::string& Box = "In")
    {
        std::string data;
        for (const std::string& m : Messages) {
            if (Entries.size() < Messages.size())
                Entries.push_back(TocEntry(static_cast<std::uint32_t>(data.size()),
                                           static_cast<std::uint32_t>(m.size())));
            data += m;
        }
        std::string toc = Header;
        for (const std::string& e : Entries)
            toc += e;
        EXPECT_TRUE(TTestFolder::Put(Dir.File(Box + ".toc"), toc));
        EXPECT_TRUE(TTestFolder::Put(Dir.File(Box + ".mbx"), data));
        return Dir.File(Box + ".toc");
    }

    // The texts read, the error log caught in Log; the reader counts each
    // of its index rows as a problem.
    std::vector<std::string> ReadLogged(const std::string& Toc, std::string& Log)
    {
        const std::string log = Dir.File("errors.txt");
        DeleteFileA(log.c_str());
        std::vector<std::string> texts;
        int problems = 0;
        {
            const TErrorLogAt errorLog(log);
            // A mend that gives more messages than the index counts keeps
            // the progress within its bar.
            for (const TTocMessage& m : ReadToc(Toc, &problems)) {
                texts.push_back(m.Text);
                EXPECT_LE(m.Percent, 100) << texts.size();
            }
        }
        Log = LoadFileToString(log);
        EXPECT_EQ(problems, IndexRows(Log)) << Log;
        return texts;
    }
};

}  // namespace

TEST_F(KvEudoraStore, MessagesAndHeaderVariants)
{
    const std::vector<std::string> msgs = {Msg("one"), Msg("two"), Msg("three")};
    std::vector<std::string> full;  // 256 entries: the index file holds nothing more
    for (int i = 0; i < 256; ++i)
        full.push_back(Msg(std::to_string(i)));
    struct Case {
        const char* Name;
        std::string Header;
        size_t Count;
        bool Full = false;
    };
    const Case cases[] = {
        {"header byte 1 zero", TocHeader('\0', "In", 0, 3), 3},
        {"header byte 1 dot", TocHeader('.', "In", 0, 3), 3},
        {"header byte 1 anything else", TocHeader('x', "In", 0, 3), 0},
        {"count larger than the entries", TocHeader('\0', "In", 0, 9), 3},
        {"count smaller than the entries", TocHeader('\0', "In", 0, 2), 2},
        {"count zero", TocHeader('\0', "In", 0, 0), 0},
        {"entries exactly fill the index", TocHeader('\0', "In", 0, 256), 256, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::string>& stored = c.Full ? full : msgs;
        const std::vector<TTocMessage> got = ReadToc(Store(c.Header, stored));
        ASSERT_EQ(got.size(), c.Count);
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].Text, stored[i]);
            EXPECT_FALSE(got[i].Damaged);
        }
    }
    // A short header is no index.
    ASSERT_TRUE(TTestFolder::Put(Dir.File("In.toc"), TocHeader('\0', "In", 0, 3).substr(0, 50)));
    EXPECT_TRUE(ReadToc(Dir.File("In.toc")).empty());
}

TEST_F(KvEudoraStore, NameProgressAndMissingDataFile)
{
    const std::string toc = Store(TocHeader('\0', "My Box", 5, 4), {Msg("a"), Msg("b"), Msg("c"), Msg("d")});
    {
        TEudoraTocObj reader(toc);
        EXPECT_EQ(reader.MailboxName, "My Box");
        EXPECT_EQ(reader.LogMailboxName(), "My Box");
    }
    const std::vector<TTocMessage> got = ReadToc(toc);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].Percent, 25);
    EXPECT_EQ(got[1].Percent, 50);
    EXPECT_EQ(got[3].Percent, 100);

    // A data file held by another program locks the mailbox, as an
    // unopenable index does: the caller reports it instead of finding it empty.
    {
        HANDLE held = CreateFileA(Dir.File("In.mbx").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        TEudoraTocObj reader(toc);
        CloseHandle(held);
        EXPECT_TRUE(reader.Locked);
        EXPECT_FALSE(reader.NextMessage());
    }
    DeleteFileA(Dir.File("In.mbx").c_str());
    {
        TEudoraTocObj reader(toc);
        EXPECT_FALSE(reader.Locked);
        EXPECT_FALSE(reader.NextMessage());
    }
    TEudoraTocObj none(Dir.File("None.toc"));
    EXPECT_FALSE(none.Locked);
    EXPECT_FALSE(none.NextMessage());
}

TEST_F(KvEudoraStore, DamagedEntriesAreRepairedOrSkipped)
{
    const std::string a = Msg("a"), b = Msg("b"), c = Msg("c");
    // Another program's separator line quoted in a body.
    const std::string q = Msg("q", "Bounced:\r\nFrom bob@example.com Mon Jan  1 08:00:00 2001\r\nold");
    const auto at = [&](size_t i) { return static_cast<std::uint32_t>(i); };
    const std::uint32_t A = at(a.size()), B = at(b.size()), C = at(c.size()), Q = at(q.size());
    struct Case {
        const char* Name;
        std::vector<std::string> Entries;
        std::vector<std::string> Want;
        int Rows;  // error-log rows, one per mend or unreadable entry
        std::string Says{};  // said in the rows
        std::vector<std::string> Data{};  // the data file's messages, when not a, b, c
    };
    const Case cases[] = {
        {"an entry one byte late takes its F from the end",
         {TocEntry(0, A), TocEntry(A + 1, B), TocEntry(A + B, C)}, {a, b, c}, 0},
        {"the last entry one byte late gets its F back",
         {TocEntry(0, A), TocEntry(A, B), TocEntry(A + B + 1, C)}, {a, b, c}, 0},
        {"an entry past the end of the data file is skipped",
         {TocEntry(0, A), TocEntry(100000, 50), TocEntry(A + B, C)}, {a, c}, 1},
        {"an entry beyond 2 GiB is skipped",
         {TocEntry(0, A), TocEntry(0xFFFFFF00u, 50), TocEntry(A + B, C)}, {a, c}, 1},
        {"and so is its repeat", {TocEntry(0, A), TocEntry(0xFFFFFF00u, 50), TocEntry(0xFFFFFF00u, 0x200), TocEntry(A + B, C)},
         {a, c}, 2, "length 512); read once"},
        {"an entry without a length reads its message",
         {TocEntry(0, 0), TocEntry(A, B), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"an entry that runs into the next message is cut at it",
         {TocEntry(0, A + B), TocEntry(A, B), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"an entry past the end of the file keeps to its own message",
         {TocEntry(0, A), TocEntry(A, B + C + 500), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"an entry that stops short reads on to the next message",
         {TocEntry(0, 20), TocEntry(A, B), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"the last entry stopping short reads to the end",
         {TocEntry(0, A), TocEntry(A, B), TocEntry(A + B, 20)}, {a, b, c}, 1},
        {"an entry that starts inside its message is read from its start",
         {TocEntry(0, A), TocEntry(A + 9, B - 9), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"an entry overlapping the one before starts at its own message",
         {TocEntry(0, A), TocEntry(A - 6, B + 6), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"an entry a few bytes into the next message is cut at it",
         {TocEntry(0, A + 3), TocEntry(A, B), TocEntry(A + B, C)}, {a, b, c}, 1},
        {"a range listed again is read once",
         {TocEntry(0, A), TocEntry(0, A), TocEntry(A, B), TocEntry(A + B, C), TocEntry(0, A)}, {a, b, c}, 2},
        {"an entry starting where an earlier one started is read once, whatever its length",
         {TocEntry(0, A), TocEntry(A, B), TocEntry(0, A + B), TocEntry(A + B, C), TocEntry(A, 20)}, {a, b, c}, 2},
        {"what a repeat holds past the bytes read from its start is a message of its own",
         {TocEntry(0, A), TocEntry(0, A + B), TocEntry(0, A + 5), TocEntry(A + B, C)}, {a, b, c}, 2,
         "(offset 0, length " + std::to_string(A + B) + "); what it holds past that entry's end read as a message of "
         "its own from offset " + std::to_string(A) + "\t"},
        {"a repeat reaching over two messages gives each of them",
         {TocEntry(0, A), TocEntry(0, A + B + C)}, {a, b, c}, 1, "its own from offset " + std::to_string(A) + "\t"},
        {"and leaves the last one to an entry late inside it",
         {TocEntry(0, A), TocEntry(0, A + B + C), TocEntry(A + B + 9, C - 9)}, {a, b, c}, 2},
        {"a repeat reaching into a message an entry inside it reads is read once",
         {TocEntry(0, A), TocEntry(0, A + B), TocEntry(A + 9, B - 9), TocEntry(A + B, C)}, {a, b, c}, 2,
         "(offset 0, length " + std::to_string(A + B) + "); read once"},
        {"a repeat's range is cut only at the store's own separators",
         {TocEntry(0, A), TocEntry(0, A + Q + C)}, {a, q, c}, 1, "its own from offset " + std::to_string(A) + "\t",
         {a, q, c}},
        {"a first entry reaching over messages no entry starts gives each of them",
         {TocEntry(0, A + B + C), TocEntry(0, A)}, {a, b, c}, 2, "read to offset " + std::to_string(A) + ", where"},
        {"and cuts them only at the store's own separators", {TocEntry(0, A + Q + C), TocEntry(0, A)}, {a, q, c}, 2,
         "(offset 0, length " + std::to_string(A) + "); read once", {a, q, c}},
        {"a single start before a repeated one is mended as the index gives it",
         {TocEntry(0, A + B + C), TocEntry(A + B, C), TocEntry(A + B, C + 5), TocEntry(A + B + C, A)},
         {a + b, c, a}, 2, "runs into the next message", {a, b, c, a}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        std::string rows;
        const int count = static_cast<int>(k.Entries.size());
        EXPECT_EQ(ReadLogged(Store(TocHeader('\0', "In", 0, count), k.Data.empty() ? std::vector{a, b, c} : k.Data, k.Entries), rows), k.Want);
        EXPECT_EQ(IndexRows(rows), k.Rows) << rows;
        EXPECT_NE(rows.find(k.Says), std::string::npos) << rows;
        if (k.Want.size() < 3) {
            EXPECT_NE(rows.find("outside the data file"), std::string::npos);
        }
    }
}

// Handed over for an mbox copy, an Eudora text keeps its separator line and
// no other line starts "From "; mail the store marks received says so.
TEST_F(KvEudoraStore, MboxCopiesAreEscapedAndSayWhatArrived)
{
    const std::string msg = Msg("a", "From what I hear\r\nFrom a@b.cd Mon Jan  1 10:00:00 2001");
    const std::string head = "From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: a\r\nContent-Type: text/plain\r\n";
    const std::string body = "\r\nfrom what I hear\r\nfrom a@b.cd Mon Jan  1 10:00:00 2001\r\n";
    for (const int status : {1, 8})
        for (const bool copy : {false, true}) {
            SCOPED_TRACE(std::to_string(status) + (copy ? " copy" : ""));
            // Not the In mailbox: the entry's status tells what arrived.
            TEudoraTocObj reader(Store(TocHeader('\0', "Box", 3, 1), {msg},
                                       {TocEntry(0, static_cast<std::uint32_t>(msg.size()), status)}, "Box"));
            reader.MboxCopy = copy;
            ASSERT_TRUE(reader.NextMessage());
            std::string text;
            reader.TakeMessageText(text);
            EXPECT_EQ(text, !copy ? msg : head + (status == 1 ? "X-Tessaly-Arrived: yes\r\n" : "") + body);
        }
}

// The index is the truth for a correct entry: From_ lines in its body,
// padding of any length after it, and lengths past the data file's end
// (read to the next entry, logged with that reason, never "too large").
TEST_F(KvEudoraStore, CorrectEntriesKeepTheirRangeAndLengthsPastTheEndAreNamed)
{
    const std::string quoted = Msg("q", "Bounced:\r\nFrom ???@??? Mon Jan  1 09:00:00 2001\r\nSubject: old\r\n\r\n"
                                        "x\r\nFrom bob@example.com Mon Jan  1 08:00:00 2001\r\nSubject: older\r\n\r\ny");
    const std::string a = Msg("a"), b = Msg("b"), c = Msg("c");
    const auto len = [](const std::string& m) { return static_cast<std::uint32_t>(m.size()); };
    struct Case {
        const char* Name;
        std::vector<std::string> Data;  // the data file's pieces, one after another
        std::vector<std::pair<std::uint32_t, std::uint32_t>> Entries;
        std::vector<std::string> Want;
        int Rows;
        const char* Row;
    };
    std::vector<Case> cases = {
        {"a body that quotes a mailbox", {quoted, b}, {{0, len(quoted)}, {len(quoted), len(b)}}, {quoted, b}, 0, ""},
        {"length 0x7FFFFFFF", {a, b, c}, {{0, len(a)}, {len(a), 0x7FFFFFFF}, {len(a + b), len(c)}}, {a, b, c}, 1,
         "runs past the mailbox's end"},
        {"length 0xFFFFFFFF", {a, b, c}, {{0, len(a)}, {len(a), 0xFFFFFFFF}, {len(a + b), len(c)}}, {a, b, c}, 1,
         "runs past the mailbox's end"},
        {"the last entry a little too long", {a, b, c}, {{0, len(a)}, {len(a), len(b)}, {len(a + b), len(c) + 3}},
         {a, b, c}, 1, "runs past the mailbox's end"},
    };
    for (size_t pad : {0u, 64u, 65u, 200u}) {
        for (bool nul : {false, true}) {
            std::string padding(pad, ' ');
            for (size_t i = 0; i < pad; i += 7)
                padding[i] = i % 2 ? '\0' : '\x1A';
            if (nul)
                padding += '\0';
            const std::uint32_t p = len(padding);
            cases.push_back({"padding after each entry", {a + padding, b + padding, c},
                             {{0, len(a)}, {len(a) + p, len(b)}, {len(a + b) + 2 * p, len(c)}}, {a, b, c}, 0, ""});
        }
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.Name) + " " + std::to_string(k.Data[0].size()));
        std::vector<std::string> entries;
        for (const auto& [offset, length] : k.Entries)
            entries.push_back(TocEntry(offset, length));
        std::string rows;
        const int count = static_cast<int>(entries.size());
        EXPECT_EQ(ReadLogged(Store(TocHeader('\0', "In", 0, count), k.Data, entries), rows), k.Want);
        EXPECT_EQ(IndexRows(rows), k.Rows) << rows;
        EXPECT_NE(rows.find(k.Row), std::string::npos) << rows;
    }

    // An index of the Macintosh program, its numbers the other way round:
    // no message, and the reason why.
    std::string mac = TocHeader('\x01', "In", 0, 0);
    mac[102] = 0;
    mac[103] = 1;
    Store(mac, {a}, {TocEntry(0, len(a))});
    TEudoraTocObj reader(Dir.File("In.toc"));
    EXPECT_FALSE(reader.NextMessage());
    EXPECT_NE(reader.IndexProblem.find("not in the Windows form"), std::string::npos);
    EXPECT_EQ(reader.ReadProblems, 1);
}

// Ranges and gaps longer than a read step, and an index longer than one
// read of its entries: the entries of every read bound the ranges.
TEST_F(KvEudoraStore, RangesPastAReadStepAndIndexesPastOneRead)
{
    const std::string big = Msg("big", std::string(150000, 'x')), b = Msg("b"), c = Msg("c");
    const auto len = [](const std::string& m) { return static_cast<std::uint32_t>(m.size()); };
    const std::string pad(70000, ' ');
    struct Case {
        const char* Name;
        std::vector<std::string> Data;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> Entries;
        int Rows;
    };
    const Case cases[] = {
        {"stopping short of a long message", {big, b, c}, {{0, 20}, {len(big), len(b)}, {len(big + b), len(c)}}, 1},
        {"the last entry stopping short of a long message", {b, c, big}, {{0, len(b)}, {len(b), len(c)}, {len(b + c), 20}}, 1},
        {"padding longer than a read step", {big + pad, b + pad, c},
         {{0, len(big)}, {len(big + pad), len(b)}, {len(big + pad + b + pad), len(c)}}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.Name);
        std::vector<std::string> entries;
        for (const auto& [offset, length] : k.Entries)
            entries.push_back(TocEntry(offset, length));
        std::vector<std::string> want;
        for (const std::string& d : k.Data)
            want.push_back(d.substr(0, d.find_last_not_of(' ') + 1));
        std::string rows;
        EXPECT_EQ(ReadLogged(Store(TocHeader('\0', "In", 0, 3), k.Data, entries), rows), want);
        EXPECT_EQ(IndexRows(rows), k.Rows) << rows;
    }

    // 600 entries, read 256 at a time; in each read the one before the last
    // runs into the next.
    std::vector<std::string> msgs, entries;
    std::uint32_t at = 0;
    for (int i = 0; i < 600; ++i) {
        msgs.push_back(Msg(std::to_string(i)));
        const std::uint32_t next = len(Msg(std::to_string(i + 1)));
        entries.push_back(TocEntry(at, len(msgs.back()) + (i == 254 || i == 510 || i == 598 ? next : 0)));
        at += len(msgs.back());
    }
    std::string rows;
    EXPECT_EQ(ReadLogged(Store(TocHeader('\0', "In", 0, 600), msgs, entries), rows), msgs);
    EXPECT_EQ(IndexRows(rows), 3) << rows;
}

TEST_F(KvEudoraStore, TextRepairs)
{
    struct Case {
        const char* Name;
        std::string Data;
        std::string Want;
        bool Damaged;
    };
    // Text messages stay as read, so the repairs show byte for byte.
    static const char Nul[] = "From ???@??? x\r\nContent-Type: text/plain\0\r\n\r\nb\0c";
    const Case cases[] = {
        {"leading control bytes go", std::string("\0\x01\r\n", 4) + "From ???@??? x\r\nContent-Type: text/plain\r\n\r\nb",
         "From ???@??? x\r\nContent-Type: text/plain\r\n\r\nb", false},
        {"bare LF before the fourth CRLF makes all breaks CRLF", "From ???@??? x\nContent-Type: text/plain\r\n\nb\rc",
         "From ???@??? x\r\nContent-Type: text/plain\r\n\r\nb\r\nc", false},
        {"bare breaks after four CRLF breaks become CRLF too",
         "From ???@??? x\r\nContent-Type: text/plain\r\n\r\nl1\r\nl2\nl3\rl4",
         "From ???@??? x\r\nContent-Type: text/plain\r\n\r\nl1\r\nl2\r\nl3\r\nl4", false},
        {"NUL inside a line", std::string(Nul, sizeof Nul - 1), "From ???@??? x\r\nContent-Type: text/plain\r\n\r\nb c",
         false},
        {"text without a From_ line is delivered, marked damaged", "Subject: loose\r\n\r\nb",
         "Subject: loose\r\n\r\nb", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<TTocMessage> got = ReadToc(Store(TocHeader('\0', "In", 0, 1), {c.Data}));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].Text, c.Want);
        EXPECT_EQ(got[0].Damaged, c.Damaged);
    }
}

TEST_F(KvEudoraStore, FlagsFromEntryAndMailboxType)
{
    struct Case {
        int Type, Status, Priority;
        TMailFlags Want;
    };
    const Case cases[] = {
        {0, 0, 0, 0x80000000 | 0x30000000 | 0x20000 | 0x10000},
        {0, 1, 1, 0x80000000 | 0x10000000 | 0x20000 | 0x1},
        {0, 2, 2, 0x80000000 | 0x20000000 | 0x20000 | 0x3},
        {0, 3, 3, 0x80000000 | 0x30000000 | 0x20000 | 0x1001},
        {0, 4, 4, 0x80000000 | 0x40000000 | 0x20000 | 0x800001},
        {0, 5, 5, 0x80000000 | 0x50000000 | 0x20000 | 0x200000},
        {1, 6, 3, 0x80000000 | 0x30000000 | 0x40000 | 0x8000000},
        {1, 8, 3, 0x80000000 | 0x30000000 | 0x40000 | 0x400000},
        {2, 7, 3, 0x80000000 | 0x30000000 | 0x4000000 | 0x800},
        {2, 9, 6, 0x80000000 | 0x30000000 | 0x4000000 | 0x200000},
        {3, 5, 3, 0x80000000 | 0x30000000 | 0x40000 | 0x200000},
        {3, 8, 3, 0x80000000 | 0x30000000 | 0x40000 | 0x400000},
        {3, 10, 3, 0x80000000 | 0x30000000 | 0x40000 | 0x800},
        {3, 1, 3, 0x80000000 | 0x30000000 | 0x20000 | 0x1},
        {3, 11, 3, 0x80000000 | 0x30000000 | 0x20000},
        {7, 4, 3, 0x80000000 | 0x30000000 | 0x20000 | 0x800001},
    };
    const std::string m = Msg("f");
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.Type) + " status " + std::to_string(c.Status) + " priority " +
                     std::to_string(c.Priority));
        const std::vector<TTocMessage> got =
            ReadToc(Store(TocHeader('\0', "In", c.Type, 1), {m},
                          {TocEntry(0, static_cast<std::uint32_t>(m.size()), c.Status, c.Priority)}));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].Flags, c.Want);
    }
}

TEST_F(KvEudoraStore, OutboxNicknamesFromTheMailboxFolder)
{
    // No ".fol" folder above the mailbox: its own folder holds the list.
    ASSERT_TRUE(TTestFolder::Put(Dir.File("nndbase.txt"),
                          "alias family \"Ann\" <ann@x.org>, bob@y.org,\r\n"
                          "alias \"the boss\" boss@z.com\r\n"
                          "note family <nothing>\r\n"
                          "alias short\r\n"));
    const std::string m = "From ???@??? Mon Jan  1 10:00:00 2001\r\nTo: family, carl@q.com\r\nCc: the boss\r\n"
                          "Bcc: stranger\r\nSubject: s\r\nContent-Type: text/plain\r\n\r\nTo: family\r\n";
    const std::string want = "From ???@??? Mon Jan  1 10:00:00 2001\r\nTo: \"Ann\" <ann@x.org>, bob@y.org, carl@q.com\r\n"
                             "Cc: boss@z.com\r\nBcc: stranger\r\nSubject: s\r\nContent-Type: text/plain\r\n\r\nTo: family\r\n";
    for (int type : {1, 0}) {
        SCOPED_TRACE(type);
        const std::vector<TTocMessage> got = ReadToc(Store(TocHeader('\0', "Out", type, 1), {m}));
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].Text, type == 1 ? want : m);
    }
    // The list lives as long as the out-box reader.
    EXPECT_EQ(GEudoraNicknameExpander, nullptr);

    // Loaded for a store, it serves the data files of both Eudoras read
    // without their index, and no other mailbox.
    ASSERT_TRUE(LoadEudoraNicknames(Dir.Path()));
    ASSERT_TRUE(TTestFolder::Put(Dir.File("Out.mbx"), m));
    for (const TMailboxKind kind : {mbkEudoraMbx, mbkMacEudora, mbkMbox}) {
        TMboxStream reader(Dir.File("Out.mbx"), DefaultMailBufferSize, false, kind);
        ASSERT_TRUE(reader.NextMessage()) << kind;
        std::string text;
        reader.GetMessageText(0, text);
        EXPECT_EQ(text.find("bob@y.org") != std::string::npos, kind != mbkMbox) << kind << text;
    }
    FreeEudoraNicknames();
}

TEST_F(KvEudoraStore, FolderDisplayNamesAndRoots)
{
    const std::string root = Dir.Path() + "\\";
    CreateDirectoryA((root + "FAMILY.FOL").c_str(), nullptr);
    CreateDirectoryA((root + "FAMILY.FOL\\KIDS.FOL").c_str(), nullptr);
    struct Case {
        std::string Path;
        bool WithName;
        std::string Plain, Mapped;
    };
    const Case cases[] = {
        {root + "FAMILY.FOL\\KIDS.FOL\\SCHOOL.toc", true, "FAMILY\\KIDS\\SCHOOL", "Family\\Kids & Co\\School"},
        {root + "FAMILY.FOL\\KIDS.FOL\\SCHOOL.toc", false, "FAMILY\\KIDS", "Family\\Kids & Co"},
        {root + "FAMILY.FOL\\NEWS.MBX", true, "FAMILY\\NEWS", "Family\\NEWS"},
        {root + "In.toc", true, "In", "Inbox"},
        {root + "In.toc", false, "", ""},
        {root + "notes.txt", true, "notes.txt", "notes.txt"},
    };
    for (int mapped = 0; mapped < 2; ++mapped) {
        if (mapped) {
            ASSERT_TRUE(TTestFolder::Put(root + "descmap.pce", "Inbox,In.mbx,S,N\r\nFamily,FAMILY.FOL,F,N\r\n"));
            ASSERT_TRUE(TTestFolder::Put(root + "FAMILY.FOL\\descmap.pce", "Kids & Co,KIDS.FOL,F,N\r\n"));
            ASSERT_TRUE(TTestFolder::Put(root + "FAMILY.FOL\\KIDS.FOL\\descmap.pce", "School,SCHOOL.MBX,M,N\r\n"));
        }
        for (const Case& c : cases)
            EXPECT_EQ(EudoraFolderPath(c.Path, c.WithName), mapped ? c.Mapped : c.Plain) << c.Path;
    }

    struct RootCase {
        std::string Path;
        int Length;
        std::string Root;
    };
    const RootCase roots[] = {
        {"C:\\Eudora\\Family.fol\\In.mbx", 10, "C:\\Eudora\\"},
        {"C:\\Eudora\\A.FOL\\B.fol\\In.mbx", 10, "C:\\Eudora\\"},
        {"C:\\Mail\\Box", 0, "C:\\Mail\\Box"},
        {"C:\\Mail\\Family.folder\\x", 0, "C:\\Mail\\Family.folder\\x"},
    };
    for (const RootCase& r : roots) {
        EXPECT_EQ(EudoraRootLength(r.Path), r.Length) << r.Path;
        EXPECT_EQ(EudoraRoot(r.Path), r.Root) << r.Path;
    }
}
