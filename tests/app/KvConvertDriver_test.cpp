#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "ConvertTestFiles.h"
#include "TestMessages.h"
#include "app/KvConvertDriver.h"
#include "classlib/SysUtils.h"
#include "foundation/KvLogs.h"
#include "foundation/KvSpFolder.h"

namespace {

using TRun = TConvertRun;

void ExpectIdle(const TRun& R)
{
    EXPECT_EQ(R.Host.NextCaption, "&Start");
    EXPECT_EQ(R.Host.NextTag, StartButtonTag);
    EXPECT_TRUE(R.Host.BackEnabled);
    EXPECT_FALSE(R.Host.ProgressShown);
    EXPECT_EQ(R.Host.Status, "Idle");
    EXPECT_TRUE(R.Host.CaretVisible);
    EXPECT_FALSE(R.Driver.Aborted());
    EXPECT_FALSE(R.Driver.Running());
}

// The mbox copy of a message of an Eudora In mailbox: the store marks its
// mail received, and a header without a trace of its own says so.
TTestMsg Arrived(TTestMsg M)
{
    M.Lines.insert(std::find(M.Lines.begin(), M.Lines.end(), ""), "X-Tessaly-Arrived: yes");
    return M;
}

}  // namespace

TEST(KvConvertDriverText, SniffAndTargetPatterns)
{
    TTestFolder dir("sniff");
    const struct {
        const char* Bytes;
        size_t Size;
        TMailboxSniff Kind;
    } sniffs[] = {
        {"From a@b Mon Jan  5 10:00:00 2009\n", 34, TMailboxSniff::Mbox},
        {"\r\n\n\rFrom x", 10, TMailboxSniff::Mbox},
        {"Subject: hi\r\n\r\nbody", 19, TMailboxSniff::Message},
        {"X-Mailer: z\n", 12, TMailboxSniff::Message},
        {":no name\n", 9, TMailboxSniff::None},
        {"Sub ject: x\n", 12, TMailboxSniff::None},
        {"Subject: x\0y", 12, TMailboxSniff::None},
        {"from a@b Mon", 12, TMailboxSniff::None},
        {"", 0, TMailboxSniff::None},
        // What the reader passes over ahead of the first separator.
        {"\0\0\0\0From a@b Mon", 17, TMailboxSniff::Mbox},
        {"\xEF\xBB\xBF" "From a@b", 11, TMailboxSniff::Mbox},
        {" \t\r\n \r\nFrom a@b", 14, TMailboxSniff::Mbox},
        {"\xEF\xBB\xBF\r\n\0From a@b", 14, TMailboxSniff::Mbox},
        // Padding ahead of anything else is still no mailbox.
        {"\0\0Subject: x\n", 13, TMailboxSniff::None},
        {"\xEF\xBB\xBF" "Subject: x\n", 14, TMailboxSniff::None},
        {"\xEF\xBB\xBF\xEF\xBB\xBF" "From a@b", 14, TMailboxSniff::None},
        {"\0\0\0\0", 4, TMailboxSniff::None},
        {" From a", 7, TMailboxSniff::None},
        {"\r\n\t\0From a", 10, TMailboxSniff::None},
        {"\r\n>From a@b", 12, TMailboxSniff::None},
    };
    for (const auto& s : sniffs) {
        PutFile(dir.File("f"), std::string(s.Bytes, s.Size));
        EXPECT_EQ(SniffMailboxFile(dir.File("f")), s.Kind) << s.Bytes;
    }
    // Only the first 256 bytes count: a NUL after them is not seen.
    PutFile(dir.File("f"), "Subject: x\r\n" + std::string(250, 'a') + std::string(1, '\0'));
    EXPECT_EQ(SniffMailboxFile(dir.File("f")), TMailboxSniff::Message);
    EXPECT_EQ(SniffMailboxFile(dir.File("missing")), TMailboxSniff::None);
    // Padding longer than one look is read past, up to 64 KiB of it.
    const struct {
        size_t Nuls;
        TMailboxSniff Kind;
    } pads[] = {{255, TMailboxSniff::Mbox},   {256, TMailboxSniff::Mbox},   {3000, TMailboxSniff::Mbox},
                {65530, TMailboxSniff::Mbox}, {65536, TMailboxSniff::None}, {70000, TMailboxSniff::None}};
    for (const auto& p : pads) {
        PutFile(dir.File("f"), std::string(p.Nuls, '\0') + "From a@b Mon Jan  5 10:00:00 2009\n");
        EXPECT_EQ(SniffMailboxFile(dir.File("f")), p.Kind) << p.Nuls;
    }

    const struct {
        const char* Text;
        const char* Path;
        const char* Ext;
    } targets[] = {
        {"C:\\Out\\*.mbox", "C:\\Out\\", "mbox"}, {"C:\\Out\\*.", "C:\\Out\\", "."},
        {"C:\\Out\\", "C:\\Out\\", "*"},          {"C:\\Out\\all.mbox", "C:\\Out\\all.mbox", ""},
        {"C:\\Out\\*.*", "C:\\Out\\", "*"},       {"C:\\a*.b\\x", "C:\\a*.b\\x", ""},
        {"C:\\Out.", "C:\\Out.", ""},             {"", "", ""},
    };
    for (const auto& t : targets) {
        EXPECT_EQ(CutTargetPattern(t.Text), t.Path) << t.Text;
        EXPECT_EQ(TargetExtOfText(t.Text), t.Ext) << t.Text;
    }
}

TEST(KvConvertDriverRun, MboxLineEndsToEveryTarget)
{
    // A byte-order mark ahead of the first separator goes; the head given
    // to the first message then is joined to its text right there.
    const struct {
        const char* Name;
        const char* Br;
        bool Bom;
    } sources[] = {{"lf", "\n", false}, {"crlf", "\r\n", false}, {"cr", "\r", false}, {"lf, marked", "\n", true},
                   {"crlf, marked", "\r\n", true}};
    const struct {
        TMailFormat Format;
        const char* TargetText;  // below the out folder
        const char* OutName;     // the mbox written, or empty for message files
        const char* Br;
    } targets[] = {
        {mftEml, "", "", nullptr},
        {mftTxt, "*.txt", "", nullptr},
        {mftMboxWin, "*.mbox", "box.mbox", "\r\n"},
        {mftMboxUnix, "", "box", "\n"},
        {mftMboxMac, "*.", "box", "\r"},
    };
    // A message without a Content-Type gets one, and its encoding for the
    // "=20" of its body (not for the one in its header), written in front
    // of a large body that is not moved for them where the target allows.
    const TTestMsg Untyped{"From dave@example.com Thu Jan  8 09:00:00 2009",
                           {"From: Dave <dave@example.com>", "Subject: Untyped note",
                            "Received: from a (helo=208.24.118.205)", "", "A blank=20", std::string(70000, 'w'),
                            "ends the line."}};
    TTestMsg Typed = Untyped;
    Typed.Lines.insert(Typed.Lines.begin() + 3,
                       {"Content-Type: text/plain", "Content-Transfer-Encoding: quoted-printable"});
    for (const auto& s : sources) {
        const std::vector<TTestMsg> msgs = s.Bom ? std::vector<TTestMsg>{Untyped, First, Second}
                                                 : std::vector<TTestMsg>{First, Second, Untyped};
        for (const auto& t : targets) {
            SCOPED_TRACE(std::string(s.Name) + " to " + std::to_string(t.Format));
            TRun r;
            PutFile(r.Src("box"), (s.Bom ? "\xEF\xBB\xBF" : "") + MboxOf(msgs, s.Br));
            r.Add(r.Src("box"), mftMbox);
            r.Target(t.Format, r.Out() + "\\" + t.TargetText);
            r.Start();

            // The break before each separator goes with it whatever the
            // mailbox's line ends, so every source gives the same messages.
            const std::vector<TTestMsg> want = s.Bom ? std::vector<TTestMsg>{Typed, First, Second}
                                                     : std::vector<TTestMsg>{First, Second, Typed};
            std::map<std::string, std::string> expected;
            if (t.OutName[0]) {
                expected[t.OutName] = MboxOf(want, t.Br);
            } else {
                const std::string ext = t.Format == mftEml ? ".eml" : ".txt";
                expected["First note" + ext] = EmlOf(First);
                expected["Second note" + ext] = EmlOf(Second);
                expected["Untyped note" + ext] = EmlOf(Typed);
            }
            EXPECT_EQ(TreeFiles(r.Out()), expected);
            const std::vector<std::string> log{"Processing: " + r.Src("box"), "Done", "", Counters(1, 3, 0, 0),
                                               "Processing finished."};
            EXPECT_EQ(r.Host.Log, log);
            ExpectIdle(r);
            EXPECT_EQ(r.Host.Saves, 1);
            EXPECT_EQ(r.Host.CancelFocus, 1);
            EXPECT_EQ(r.Host.Percent, 0);  // reset when the bar went away
        }
    }
}

TEST(KvConvertDriverRun, MozillaTreeWithSkipListAndFolderTree)
{
    for (bool restore : {false, true}) {
        SCOPED_TRACE(restore);
        TRun r;
        PutFile(r.Dir.File("SkipFolders.dat"), "Trash\r\nJunk\r\n");
        const std::string lf = r.Src("Local Folders\\");
        PutMozillaTree(lf);
        r.Add(lf + "*.msf", mftThunderbird);
        r.Host.Choices.IncludeSubfolders = true;
        r.Host.Choices.SkipTrashJunk = true;
        r.Host.Choices.RestoreFolderTree = restore;
        r.Target(mftEml, r.Out() + "\\");
        r.Start();

        std::map<std::string, std::string> expected;
        if (restore) {
            expected["Local Folders\\Inbox\\First note.eml"] = EmlOf(First);
            expected["Local Folders\\Inbox\\Work\\Second note.eml"] = EmlOf(Second);
        } else {
            expected["First note.eml"] = EmlOf(First);
            expected["Second note.eml"] = EmlOf(Second);
        }
        EXPECT_EQ(TreeFiles(r.Out()), expected);
        EXPECT_EQ(r.Summary(), Counters(2, 2, 0, 0)) << r.LogText();
        EXPECT_TRUE(r.Logged("Processing: " + lf + "Trash.msf")) << r.LogText();
        EXPECT_TRUE(r.Logged("Mailbox skipped: trash and junk are skipped (option)"));
        EXPECT_FALSE(r.Logged("Processing: " + lf + "Trash.sbd\\Old.msf"));
        // An index without its mailbox is no mailbox to the search.
        EXPECT_FALSE(r.Logged("Processing: " + lf + "Gone.msf"));
    }
}

TEST(KvConvertDriverRun, SubfolderSourceConvertsItsOwner)
{
    for (TMailFormat target : {mftEml, mftMboxWin}) {
        SCOPED_TRACE(int(target));
        TRun r;
        const std::string lf = r.Src("Local Folders\\");
        PutFile(lf + "Inbox", MboxOf({First}, "\n"));
        PutFile(lf + "Inbox.msf", "// index");
        PutFile(lf + "Inbox.sbd\\Work", MboxOf({Second, Third}, "\n"));
        PutFile(lf + "Inbox.sbd\\Work.msf", "// index");
        r.Add(lf + "Inbox.sbd\\*.msf", mftThunderbird);
        r.Host.Choices.RestoreFolderTree = true;
        r.Target(target, r.Out() + "\\");
        r.Start();

        std::map<std::string, std::string> expected;
        if (target == mftEml) {
            expected["Inbox\\First note.eml"] = EmlOf(First);
            expected["Inbox\\Work\\Second note.eml"] = EmlOf(Second);
            expected["Inbox\\Work\\Third note.eml"] = EmlOf(Third);
        } else {
            expected["Inbox"] = MboxOf({First}, "\r\n");
            expected["Inbox.sbd\\Work"] = MboxOf({Second, Third}, "\r\n");
        }
        EXPECT_EQ(TreeFiles(r.Out()), expected);
        const std::vector<std::string> log{"Processing: " + lf + "Inbox.msf",
                                           "Done",
                                           "",
                                           "Processing: " + lf + "Inbox.sbd\\Work.msf",
                                           "Done",
                                           "",
                                           Counters(2, 3, 0, 0),
                                           "Processing finished."};
        EXPECT_EQ(r.Host.Log, log);
    }
}

TEST(KvConvertDriverRun, EudoraIndexAndDataFile)
{
    TRun r;
    // The data file holds three messages, a blank line after each; the
    // index lists them in its own order and marks nothing deleted.
    const auto stored = [](const TTestMsg& M) { return M.FromLine + "\r\n" + Joined(M.Lines, "\r\n"); };
    const std::string m1 = stored(First) + "\r\n";
    const std::string m2 = stored(Second) + "\r\n";
    const std::string m3 = stored(Third) + "\r\n";
    PutFile(r.Src("In.mbx"), m1 + m2 + m3);
    std::string toc(104, '\0');
    toc.replace(8, 2, "In");
    const auto le = [](std::string& S, size_t At, unsigned V, int Bytes) {
        for (int i = 0; i < Bytes; ++i)
            S[At + i] = static_cast<char>((V >> (8 * i)) & 0xFF);
    };
    const unsigned pos[] = {0, unsigned(m1.size()), unsigned(m1.size() + m2.size())};
    const unsigned size[] = {unsigned(m1.size() - 2), unsigned(m2.size() - 2), unsigned(m3.size() - 2)};
    le(toc, 102, 3, 2);
    for (int i : {0, 2, 1}) {
        std::string entry(218, '\0');
        le(entry, 0, pos[i], 4);
        le(entry, 4, size[i], 4);
        le(entry, 12, 1, 2);  // read
        toc += entry;
    }
    PutFile(r.Src("In.toc"), toc);
    r.Add(r.Src("In.toc"), mftEudoraToc);
    r.Target(mftMboxUnix, r.Out() + "\\*.");
    r.Start();

    // "." as the extension takes the Eudora data extension off the name.
    const std::map<std::string, std::string> expected{
        {"In", MboxOf({Arrived(First), Arrived(Third), Arrived(Second)}, "\n")}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);
    EXPECT_EQ(r.Summary(), Counters(1, 3, 0, 0)) << r.LogText();
}

TEST(KvConvertDriverRun, MboxTargetNames)
{
    const struct {
        TMailFormat Source;
        const char* File;
        const char* TargetText;
        const char* Expected;
    } cases[] = {
        {mftMbox, "Inbox", "*.mbox", "Inbox.mbox"},
        {mftMbox, "Inbox.mbox", "*.mbox", "Inbox.mbox"},  // add-only: no second extension
        {mftMbox, "Inbox.txt", "*.mbox", "Inbox.txt.mbox"},
        {mftEudoraMbx, "In.mbx", "*.mbox", "In.mbox"},
        {mftEudoraMbx, "In.mbx", "", "In.mbx"},
        {mftEudoraMbx, "In.mbx", "*.", "In"},
        {mftMbox, "Inbox.txt", "*.", "Inbox.txt"},
        {mftMbox, "Inbox.txt", "all.box", "all.box"},
        {mftMbox, "Inbox", "deep\\sub\\all", "deep\\sub\\all"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.File) + " " + c.TargetText);
        TRun r;
        PutFile(r.Src(c.File), MboxOf({First}, "\n"));
        r.Add(r.Src(c.File), c.Source);
        r.Target(mftMboxWin, r.Out() + "\\" + c.TargetText);
        r.Start();
        const TTestMsg copy = c.Source == mftEudoraMbx ? Arrived(First) : First;
        const std::map<std::string, std::string> expected{{c.Expected, MboxOf({copy}, "\r\n")}};
        EXPECT_EQ(TreeFiles(r.Out()), expected);
    }
}

TEST(KvConvertDriverRun, NamesDuplicatesAndDates)
{
    TRun r;
    PutFile(r.Src("box"), MboxOf({First, Second}, "\n"));
    r.Add(r.Src("box"), mftMbox);
    r.Target(mftEml, r.Out());  // no trailing backslash: still a folder

    // By subject, twice: the second run numbers its files.
    r.Start();
    r.Start();
    std::map<std::string, std::string> expected{{"First note.eml", EmlOf(First)},
                                                {"First note[1].eml", EmlOf(First)},
                                                {"Second note.eml", EmlOf(Second)},
                                                {"Second note[1].eml", EmlOf(Second)}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);
    EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0));

    // By digest, twice into a fresh folder: the second run writes nothing
    // and counts duplicates; file times follow the message dates.
    r.Host.Choices.Md5FileNames = true;
    r.Host.Choices.MatchDates = true;
    r.Target(mftTxt, r.Dir.File("md5") + "\\");
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0));
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(1, 0, 2, 0));
    const auto files = TreeFiles(r.Dir.File("md5"));
    ASSERT_EQ(files.size(), 2u);
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(name.size(), 36u) << name;
        EXPECT_EQ(name.substr(32), ".txt");
        EXPECT_TRUE(bytes == EmlOf(First) || bytes == EmlOf(Second)) << name;
    }
    const struct {
        const TTestMsg* Msg;
        WORD Day, Hour, Minute;
    } dates[] = {{&First, 5, 10, 0}, {&Second, 6, 11, 30}};
    for (const auto& d : dates) {
        std::string file;
        for (const auto& [name, bytes] : files)
            if (bytes == EmlOf(*d.Msg))
                file = r.Dir.File("md5\\" + name);
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FILETIME ft;
        GetFileTime(h, nullptr, nullptr, &ft);
        CloseHandle(h);
        SYSTEMTIME st;
        FileTimeToSystemTime(&ft, &st);
        EXPECT_EQ(st.wYear, 2009);
        EXPECT_EQ(st.wMonth, 1);
        EXPECT_EQ(st.wDay, d.Day);
        EXPECT_EQ(st.wHour, d.Hour);
        EXPECT_EQ(st.wMinute, d.Minute);
    }
}

TEST(KvConvertDriverRun, TwoMailboxesShareOneTargetAndAppend)
{
    TRun r;
    PutFile(r.Src("a"), MboxOf({First}, "\n"));
    PutFile(r.Src("b"), MboxOf({Second, Third}, "\r\n"));
    r.Add(r.Src("a"), mftMbox);
    r.Add(r.Src("b"), mftMbox);
    const std::string all = r.Out() + "\\all.mbox";
    r.Target(mftMboxUnix, all);
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(2, 3, 0, 0));
    std::map<std::string, std::string> expected{{"all.mbox", MboxOf({First, Second, Third}, "\n")}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);

    // A later run appends; a target whose last line lacks its break gets
    // one first.
    r.Start();
    expected["all.mbox"] += expected["all.mbox"];
    EXPECT_EQ(TreeFiles(r.Out()), expected);

    PutFile(all, "junk without break");
    r.Start();
    expected["all.mbox"] = "junk without break\n" + MboxOf({First, Second, Third}, "\n");
    EXPECT_EQ(TreeFiles(r.Out()), expected);
}

TEST(KvConvertDriverRun, MailboxFailuresAndReadOnly)
{
    TRun r;
    PutFile(r.Src("locked"), MboxOf({First}, "\n"));
    PutFile(r.Src("empty"), "");
    PutFile(r.Src("notes.txt"), "Just some notes\r\nnot mail\r\n");
    PutFile(r.Src("message.eml"), EmlOf(First));
    PutFile(r.Src("ro\\readonly"), MboxOf({Second}, "\n"));
    SetFileAttributesA(r.Src("ro\\readonly").c_str(), FILE_ATTRIBUTE_READONLY);
    PutFile(r.Src("held\\box"), MboxOf({First}, "\n"));
    PutFile(r.Src("held\\notes"), "plain text\n");
    HANDLE held = CreateFileA(r.Src("locked").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE heldInFolder = CreateFileA(r.Src("held\\box").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
    ASSERT_NE(heldInFolder, INVALID_HANDLE_VALUE);

    const struct {
        std::string Entry;
        const char* Line;
    } cases[] = {
        {r.Src("locked"), "Mailbox locked"},
        {r.Src("missing"), "Mailbox not found"},
        {r.Src("empty"), "No mail found"},
        {r.Src("notes.txt"), "File is not a valid mailbox"},
        {r.Src("message.eml"), "File is not a valid mailbox"},
        {r.Src("ro\\readonly"), "Done"},
        {r.Src("ro\\*.*"), "Done"},  // the folder search finds read-only files too
        // A held mailbox in a searched folder says so; a text file there is
        // passed over.
        {r.Src("held\\*.*"), "Mailbox locked"},
    };
    for (const auto& c : cases)
        r.Add(c.Entry, mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    r.Start();
    CloseHandle(held);
    CloseHandle(heldInFolder);

    std::vector<std::string> log;
    for (const auto& c : cases) {
        std::string name = c.Entry;
        if (name.back() == '*')
            name = name.substr(0, name.size() - 3) + (name.find("ro\\") != std::string::npos ? "readonly" : "box");
        log.push_back("Processing: " + name);
        log.push_back(c.Line);
        log.push_back("");
    }
    // Two locked, one missing, two not mailboxes: the empty one is no error.
    log.push_back(Counters(2, 2, 0, 5));
    log.push_back("Processing finished.");
    EXPECT_EQ(r.Host.Log, log);
    const std::map<std::string, std::string> expected{{"Second note.eml", EmlOf(Second)},
                                                      {"Second note[1].eml", EmlOf(Second)}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);
    SetFileAttributesA(r.Src("ro\\readonly").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Nothing a mailbox holds ends the run: a reading that fails on the way
// (here, what the pump between two messages throws) ends its mailbox with
// one row, and the next mailbox is read.
TEST(KvConvertDriverRun, AReadingThatFailsEndsItsMailboxNotTheRun)
{
    TRun r;
    PutFile(r.Src("first"), MboxOf({First, Second}, "\n"));
    PutFile(r.Src("second"), MboxOf({Second}, "\n"));
    r.Add(r.Src("first"), mftMbox);
    r.Add(r.Src("second"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
    bool thrown = false;
    r.Host.OnPump = [&] {
        if (r.Logged("Processing: " + r.Src("first")) && !std::exchange(thrown, true))
            throw std::out_of_range("basic_string::substr");
    };
    EXPECT_NO_THROW(r.Start());
    const std::string row = "Mailbox not read to its end: basic_string::substr";
    EXPECT_EQ(r.Host.Log, (std::vector<std::string>{"Processing: " + r.Src("first"), row, "",
                                                    "Processing: " + r.Src("second"), "Done", "",
                                                    Counters(1, 1, 0, 1), "Processing finished.",
                                                    "Error log: " + r.Dir.File("errors.txt")}));
    // One row, naming the mailbox, after the log's header.
    const std::string written = TTestFolder::Read(r.Dir.File("errors.txt"));
    EXPECT_NE(written.find("\r\n" + row + "\t" + r.Src("first") + "\t"), std::string::npos) << written;
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2) << written;
    EXPECT_EQ(TreeFiles(r.Out()), (std::map<std::string, std::string>{{"Second note.eml", EmlOf(Second)}}));
}

TEST(KvConvertDriverRun, DeletedMessagesAreNeitherWrittenNorCounted)
{
    for (TMailFormat source : {mftMbox, mftThunderbird}) {
        SCOPED_TRACE(int(source));
        TRun r;
        TTestMsg gone = Second;
        gone.Lines.insert(gone.Lines.begin(), "X-Mozilla-Status: 0009");
        TTestMsg kept = Third;
        kept.Lines.insert(kept.Lines.begin(), "X-Mozilla-Status: 0001");
        PutFile(r.Src("Inbox"), MboxOf({First, gone, kept}, "\n"));
        r.Add(r.Src("Inbox"), source);
        r.Target(mftMboxWin, r.Out() + "\\");
        r.Start();
        const std::map<std::string, std::string> expected{{"Inbox", MboxOf({First, kept}, "\r\n")}};
        EXPECT_EQ(TreeFiles(r.Out()), expected);
        EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0));
    }
}

TEST(KvConvertDriverRun, EmptyListAndTargetsThatWriteNothing)
{
    TRun r;
    r.Host.Choices.SourceFormat = mftMbox;  // no default store for this format
    r.Target(mftEml, r.Out() + "\\");
    std::vector<std::string> printed;
    r.Host.LogSink = [&](const std::string& Line) { printed.push_back(Line); };
    r.Start();
    const std::vector<std::string> log{Counters(0, 0, 0, 0), "Processing finished."};
    EXPECT_EQ(r.Host.Log, log);
    EXPECT_EQ(printed, log);
    ExpectIdle(r);

    // "Other formats" converts nothing and counts no mailbox.
    PutFile(r.Src("box"), MboxOf({First}, "\n"));
    r.Add(r.Src("box"), mftMbox);
    r.Target(mftOther, r.Out() + "\\");
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(0, 0, 0, 0));
    EXPECT_TRUE(r.Logged("Done"));
    EXPECT_TRUE(TreeFiles(r.Out()).empty());

    // A long log gets a separator before the next run's lines.
    r.Host.Log.assign(7, "old");
    r.Driver.StartConversion();
    EXPECT_EQ(r.Host.Log[7], "\r\n***\r\n");
}

TEST(KvConvertDriverRun, StopDuringAMailbox)
{
    TRun r;
    PutFile(r.Src("a"), MboxOf({First, Second, Third}, "\n"));
    PutFile(r.Src("b"), MboxOf({First}, "\n"));
    r.Add(r.Src("a"), mftMbox);
    r.Add(r.Src("b"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    // The bar's interval passes with every message, so every one pumps
    // and sets the bar.
    std::uint64_t now = 0;
    r.Driver.Clock = [&] { return now += TConvertDriver::BarIntervalMs; };
    bool stopped = false;
    int tagDuringRun = 0;
    r.Host.OnPump = [&] {
        if (!stopped && r.Host.Percent > 0) {
            stopped = true;
            tagDuringRun = r.Host.NextTag;
            r.Host.ConfirmAnswer = false;
            EXPECT_FALSE(r.Driver.StopConversion(true));  // "No" changes nothing
            EXPECT_FALSE(r.Driver.Aborted());
            r.Host.ConfirmAnswer = true;
            EXPECT_TRUE(r.Driver.StopConversion(true));
            EXPECT_EQ(r.Host.NextCaption, "&Start");
            EXPECT_TRUE(r.Host.BackEnabled);
            // The button reads "Start" again while the stopped run unwinds:
            // a click now must not start a second run inside the first.
            r.Driver.StartConversion();
            EXPECT_TRUE(r.Driver.Aborted());
        }
    };
    r.Start();
    EXPECT_EQ(tagDuringRun, StopButtonTag);
    const std::vector<std::string> questions{"Abort mail conversion?", "Abort mail conversion?"};
    EXPECT_EQ(r.Host.Questions, questions);
    const std::vector<std::string> log{"Processing: " + r.Src("a"), "Aborted", "", Counters(1, 1, 0, 0),
                                       "Processing aborted."};
    EXPECT_EQ(r.Host.Log, log);
    const std::map<std::string, std::string> expected{{"First note.eml", EmlOf(First)}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);
    EXPECT_EQ(r.Host.Saves, 1);
    ExpectIdle(r);
    EXPECT_TRUE(r.Driver.AbortedRun());  // a console run's exit code says so

    // The next run starts afresh.
    r.Host.OnPump = nullptr;
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(2, 4, 0, 0));
    EXPECT_FALSE(r.Driver.AbortedRun());
}

// Copied into a folder inside the tree they search, the searches look
// before the first mailbox is read: the status counts the mailboxes found,
// and Stop ends the run there, with nothing read or written. Elsewhere the
// run reads as it walks, and the first mailbox comes at once.
TEST(KvConvertDriverRun, TheSearchesSayWhatTheyFindAndStop)
{
    TRun r;
    for (int i = 0; i < 30; ++i)
        PutFile(r.Src("tree\\" + std::to_string(i % 3) + "\\box" + std::to_string(i)), MboxOf({First}, "\n"));
    r.Add(r.Src("tree\\*.*"), mftMbox);
    r.Host.Choices.IncludeSubfolders = true;
    const std::string out = r.Src("tree\\out");
    r.Target(mftMboxUnix, out + "\\");
    std::uint64_t now = 0;
    r.Driver.Clock = [&] { return now += TConvertDriver::ProgressIntervalMs; };
    std::vector<std::string> said;
    r.Host.OnPump = [&] {
        if (r.Host.Log.empty())
            said.push_back(r.Host.Status);
    };
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(30, 30, 0, 0));
    ASSERT_GE(said.size(), 31u);
    EXPECT_EQ(said[1], "Looking for mailboxes: 1 found");
    EXPECT_EQ(said.back(), "Looking for mailboxes: 30 found");
    r.Host.OnPump = [&] {
        if (r.Host.Status == "Looking for mailboxes: 10 found")
            r.Driver.StopConversion(false);
    };
    r.Start();
    EXPECT_EQ(r.Host.Log, (std::vector<std::string>{Counters(0, 0, 0, 0), "Processing aborted."}));
    EXPECT_EQ(TreeFiles(out).size(), 30u);
    ExpectIdle(r);

    // Into a folder no search reaches, the first line comes at once, and
    // nothing counts what the searches find; so with an error log in the
    // tree that is not there yet.
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Src("tree\\0\\errors.txt"));
    size_t firstLineAt = 0;
    said.clear();
    r.Host.OnPump = [&] {
        said.push_back(r.Host.Status);
        firstLineAt = firstLineAt != 0 || r.Host.Log.empty() ? firstLineAt : said.size();
    };
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(60, 60, 0, 0));  // the first run's copies are in the tree
    EXPECT_EQ(std::count_if(said.begin(), said.end(), [](const std::string& S) { return S.starts_with("Looking"); }), 0);
    EXPECT_LE(firstLineAt, 3u);
}

TEST(KvConvertDriverRun, WriterFailureEndsTheRunCleanly)
{
    TRun r;
    PutFile(r.Src("a"), MboxOf({First}, "\n"));
    PutFile(r.Src("b"), MboxOf({Second}, "\n"));
    PutFile(r.Src("c"), MboxOf({Third}, "\n"));
    r.Add(r.Src("a"), mftMbox);
    r.Add(r.Src("b"), mftMbox);
    r.Add(r.Src("c"), mftMbox);
    // The target of mailbox "b" is taken by a folder of that name.
    CreateDirectoryA(r.Out().c_str(), nullptr);
    CreateDirectoryA((r.Out() + "\\b.mbox").c_str(), nullptr);
    r.Target(mftMboxWin, r.Out() + "\\*.mbox");
    {
        const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
        r.Start();
    }
    // No message names the failure: it is the run's error, with its row.
    const std::vector<std::string> log{"Processing: " + r.Src("a"),
                                       "Done",
                                       "",
                                       "Processing: " + r.Src("b"),
                                       "Target file cannot be written: " + r.Out() + "\\b.mbox: Access denied",
                                       "Stopped",
                                       "",
                                       Counters(1, 1, 0, 1),
                                       "Processing stopped: the target cannot be written.",
                                       "Error log: " + r.Dir.File("errors.txt")};
    EXPECT_EQ(r.Host.Log, log);
    const std::string Rows = TTestFolder::Read(r.Dir.File("errors.txt"));
    EXPECT_NE(Rows.find("\r\n" + log[4] + "\t" + r.Out() + "\\b.mbox\t"), std::string::npos) << Rows;
    EXPECT_TRUE(r.Driver.TargetFailedRun());
    ExpectIdle(r);
    // Nothing holds the first target any more.
    HANDLE h = CreateFileA((r.Out() + "\\a.mbox").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    // A run after the failure goes through normally.
    RemoveDirectoryA((r.Out() + "\\b.mbox").c_str());
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(3, 3, 0, 0)) << r.LogText();
    EXPECT_FALSE(r.Driver.TargetFailedRun());
}

TEST(KvConvertDriverRun, EmptyListTakesTheClientsDefaultStore)
{
    TRun r;
    // A profile of the Thunderbird client below a stand-in application-data
    // folder; its mail folder holds one mailbox.
    const std::string appData = r.Dir.File("appdata") + "\\";
    PutFile(appData + "Thunderbird\\profiles.ini",
            "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/p.default\r\nDefault=1\r\n");
    const std::string mail = appData + "Thunderbird\\Profiles\\p.default\\Mail";
    PutFile(mail + "\\Inbox", MboxOf({First}, "\n"));
    PutFile(mail + "\\Inbox.msf", "// index");
    THooksScope Hooks;
    GHooks.SpecialFolder = [&](int Csidl) { return Csidl == 0x1A ? appData : std::string(); };
    r.Host.Choices.SourceFormat = mftThunderbird;
    r.Target(mftEml, r.Out() + "\\");
    r.Start();

    ASSERT_EQ(r.Host.Sources.Count(), 1);
    EXPECT_EQ(r.Host.Sources[0], mail + "\\*.msf");
    EXPECT_EQ(MailFormatOfObject(r.Host.Sources.Objects(0)), mftThunderbird);
    const std::vector<std::string> log{"Processing: " + mail + "\\Inbox.msf", "Done", "", Counters(1, 1, 0, 0),
                                       "Processing finished."};
    EXPECT_EQ(r.Host.Log, log);
    const std::map<std::string, std::string> expected{{"First note.eml", EmlOf(First)}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);
}

TEST(KvConvertDriverRun, EveryMboxLikeSourceFormatRoundTrips)
{
    // Each format's reader mode reads the same Unix mbox back unchanged; a
    // message without a header gets no arrival field in its body.
    const TTestMsg bare{"From dave@example.com Thu Jan  8 09:00:00 2009", {"Just a note.", "", "No header above."}};
    const struct {
        TMailFormat Format;
        const char* File;
        const char* Entry;
    } cases[] = {
        {mftThunderbird, "Inbox", "Inbox.msf"}, {mftSeaMonkey, "Inbox", "Inbox.msf"},
        {mftNetscapeOld, "Inbox", "Inbox.snm"}, {mftEudoraMbx, "In.mbx", "In.mbx"},
        {mftMacEudora, "In", "In"},             {mftMbox, "box", "box"},
        {mftPine, "saved", "saved"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.Format));
        TRun r;
        const std::string mbox = MboxOf({First, Second, Third, bare}, "\n");
        PutFile(r.Src(c.File), mbox);
        if (std::string(c.File) != c.Entry)
            PutFile(r.Src(c.Entry), "// index");
        r.Add(r.Src(c.Entry), c.Format);
        r.Target(mftMboxUnix, r.Out() + "\\all");
        r.Start();
        const bool eudora = c.Format == mftEudoraMbx || c.Format == mftMacEudora;
        const std::map<std::string, std::string> expected{
            {"all", eudora ? MboxOf({Arrived(First), Arrived(Second), Arrived(Third), bare}, "\n") : mbox}};
        EXPECT_EQ(TreeFiles(r.Out()), expected);
        EXPECT_EQ(r.Summary(), Counters(1, 4, 0, 0)) << r.LogText();
    }
}

TEST(KvConvertDriverRun, AppendingCompletesWithTheTargetsBreak)
{
    const struct {
        TMailFormat Format;
        const char* Br;
    } targets[] = {{mftMboxWin, "\r\n"}, {mftMboxUnix, "\n"}, {mftMboxMac, "\r"}};
    const struct {
        const char* Tail;      // what an earlier file ends in
        const char* Added[3];  // the completion per target above
    } tails[] = {
        {"last", {"\r\n", "\n", "\r"}},
        {"last\r", {"\n", "\n", ""}},
        {"last\n", {"", "", ""}},
        {"last\r\n", {"", "", ""}},
    };
    for (size_t t = 0; t < std::size(targets); ++t) {
        SCOPED_TRACE(targets[t].Br);
        TRun r;
        PutFile(r.Src("box"), MboxOf({First, Second}, "\n"));
        r.Add(r.Src("box"), mftMbox);
        const std::string all = r.Out() + "\\all.mbox";
        r.Target(targets[t].Format, all);

        // Twice into the same target: the second run's messages follow the
        // first's, and every message reads back whole.
        r.Start();
        r.Start();
        const std::string once = MboxOf({First, Second}, targets[t].Br);
        EXPECT_EQ(TTestFolder::Read(all), once + once);
        EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0));
        std::string back = TTestFolder::Read(all);
        PutFile(r.Src("back"), back);
        r.Host.Sources.Clear();
        r.Add(r.Src("back"), mftMbox);
        r.Target(mftEml, r.Dir.File("eml") + "\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 4, 0, 0));
        const std::map<std::string, std::string> eml{{"First note.eml", EmlOf(First)},
                                                     {"First note[1].eml", EmlOf(First)},
                                                     {"Second note.eml", EmlOf(Second)},
                                                     {"Second note[1].eml", EmlOf(Second)}};
        EXPECT_EQ(TreeFiles(r.Dir.File("eml")), eml);

        for (const auto& tail : tails) {
            PutFile(all, tail.Tail);
            r.Host.Sources.Clear();
            r.Add(r.Src("box"), mftMbox);
            r.Target(targets[t].Format, all);
            r.Start();
            EXPECT_EQ(TTestFolder::Read(all), tail.Tail + std::string(tail.Added[t]) + once) << tail.Tail;
        }
    }
}

TEST(KvConvertDriverRun, LongSubjectsAndDeepFoldersStillWrite)
{
    TRun r;
    const auto msg = [](const std::string& Subject) {
        return TTestMsg{"From a@b Mon Jan  5 10:00:00 2009",
                        {"Subject: " + Subject, "Content-Type: text/plain; charset=us-ascii", "", "body"}};
    };
    // A folder name padded to make the whole target path Length characters.
    const auto folderOf = [&](size_t Length) {
        std::string f = r.Dir.File("d");
        while (f.size() < Length)
            f += f.size() % 100 == 99 ? '\\' : 'd';
        if (f.back() == '\\')
            f.back() = 'd';
        return f;
    };
    std::string words;  // 120 characters, blanks among them
    while (words.size() < 120)
        words += "word ";
    words.resize(119);
    words += "s";
    const struct {
        std::string Subject;
        size_t FolderLength;
        std::string Stem;  // what the name is made of before its cut
    } cases[] = {
        {std::string(240, 'T'), 0, std::string(240, 'T')},
        {words, 172, words},
        {"Short", 200, "Short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.FolderLength);
        const std::string folder = c.FolderLength ? folderOf(c.FolderLength) : r.Out();
        PutFile(r.Src("box"), MboxOf({msg(c.Subject)}, "\n"));
        r.Host.Sources.Clear();
        r.Add(r.Src("box"), mftMbox);
        r.Target(mftEml, folder + "\\");
        // Twice: the numbered copy fits as well.
        r.Start();
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 0));
        const auto files = TreeFiles(folder);
        ASSERT_EQ(files.size(), 2u);
        for (const auto& [name, bytes] : files) {
            EXPECT_EQ(bytes, EmlOf(msg(c.Subject)));
            const std::string path = folder + "\\" + name;
            EXPECT_LT(path.size(), static_cast<size_t>(MAX_PATH));
            EXPECT_EQ(name.substr(name.size() - 4), ".eml");
            std::string stem = name.substr(0, name.size() - 4);
            const bool numbered = stem.back() == ']';
            if (numbered)
                stem.erase(stem.rfind('['));
            EXPECT_EQ(c.Stem.compare(0, stem.size(), stem), 0) << name;
            EXPECT_NE(stem.back(), ' ');
            // Cut ones leave exactly the room of a six-character number.
            if (stem.size() < c.Stem.size() && !numbered) {
                EXPECT_EQ(path.size(), static_cast<size_t>(MAX_PATH - 1 - 6)) << name;
            }
        }
        EXPECT_TRUE(files.count(c.Stem.substr(0, files.begin()->first.size() - 4) + ".eml") ||
                    files.count(c.Stem + ".eml"));
    }
}

TEST(KvConvertDriverRun, UnwritableMessagesAreNamedInTheErrorLog)
{
    TRun r;
    PutFile(r.Src("box"),
            "From a@b Mon Jan  5 10:00:00 2009\nSubject: Lost one\nDate: Mon, 05 Jan 2009 10:00:00 +0000\n\nx\n"
            "From a@b Mon Jan  5 10:00:00 2009\nSubject: Kept one\nDate: Tue, 06 Jan 2009 10:00:00 +0000\n\ny\n");
    r.Add(r.Src("box"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    // A folder where the first message's file should go.
    CreateDirectoryA(r.Out().c_str(), nullptr);
    CreateDirectoryA((r.Out() + "\\Lost one.eml").c_str(), nullptr);
    r.Host.Choices.Md5FileNames = false;
    {
        const TErrorLogAt errorLog(r.Dir.File("ErrorLog.txt"));
        r.Start();
    }

    const std::string log = TTestFolder::Read(r.Dir.File("ErrorLog.txt"));
    std::vector<std::string> lines;
    for (size_t p = 0, q; (q = log.find("\r\n", p)) != std::string::npos; p = q + 2)
        lines.push_back(log.substr(p, q - p));
    ASSERT_GE(lines.size(), 2u) << log;
    EXPECT_EQ(lines[0], "Error\tFilename\tMail Folder\tMail Date\tMail Subject");
    const auto columns = [](const std::string& Line) {
        std::vector<std::string> c;
        for (size_t p = 0;;) {
            const size_t q = Line.find('\t', p);
            c.push_back(Line.substr(p, q == std::string::npos ? q : q - p));
            if (q == std::string::npos)
                return c;
            p = q + 1;
        }
    };
    const auto taken = columns(lines[1]);
    ASSERT_EQ(taken.size(), 5u);
    EXPECT_EQ(taken[0].rfind("Message not written: ", 0), 0u) << taken[0];
    EXPECT_GT(taken[0].size(), std::string("Message not written: ").size());
    EXPECT_EQ(taken[2], r.Src("box"));
    EXPECT_EQ(taken[3], "Mon, 05 Jan 2009 10:00:00 +0000");
    EXPECT_EQ(taken[4], "Lost one");
    EXPECT_EQ(taken[1].rfind(r.Out() + "\\Lost one", 0), 0u) << taken[1];
    EXPECT_EQ(lines.size(), 2u) << log;
    EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 1));
}

TEST(KvConvertDriverRun, EncodedSubjectsNameFilesInTheAnsiCodePage)
{
    const struct {
        const char* Subject;
        const wchar_t* Name;
    } cases[] = {
        {"=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=", L"Gr\u00fc\u00dfe aus K\u00f6ln"},
        {"=?utf-8?Q?Gr=C3=BC=C3=9Fe_aus_K=C3=B6ln?=", L"Gr\u00fc\u00dfe aus K\u00f6ln"},
        {"=?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=", L"Gr\u00fc\u00dfe aus K\u00f6ln"},
        {"=?UTF-8?B?5pel5pys?= notes", L"\u65e5\u672c notes"},
        {"Plain: a/b", L"Plain- a-b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Subject);
        TRun r;
        PutFile(r.Src("box"), std::string("From a@b Mon Jan  5 10:00:00 2009\nSubject: ") + c.Subject + "\n\nbody\n");
        r.Add(r.Src("box"), mftMbox);
        r.Target(mftEml, r.Out() + "\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 0));
        // The name as the ANSI code page spells it; characters it lacks
        // become "?", which no file name keeps.
        const std::wstring want = c.Name;
        char ansi[256] = {};
        WideCharToMultiByte(CP_ACP, 0, want.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
        std::string expected;
        for (const char* p = ansi; *p; ++p)
            if (*p != '?')
                expected += *p;
        while (!expected.empty() && expected.front() == ' ')
            expected.erase(0, 1);
        const auto files = TreeFiles(r.Out());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files.begin()->first, expected + ".eml");
        // Where the code page has every character, the wide name is the
        // subject itself.
        BOOL lossy = FALSE;
        WideCharToMultiByte(CP_ACP, 0, want.c_str(), -1, ansi, sizeof ansi, nullptr, &lossy);
        if (!lossy) {
            WIN32_FIND_DATAW fd;
            const std::string out = r.Out();
            HANDLE h = FindFirstFileW((std::wstring(out.begin(), out.end()) + L"\\*.eml").c_str(), &fd);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            FindClose(h);
            EXPECT_EQ(std::wstring(fd.cFileName), want + L".eml");
        }
    }
}

TEST(KvConvertDriverRun, PaddedMailboxesConvert)
{
    const std::string heads[] = {std::string(3000, '\0'), "\r\n \t\r\n", "\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n\r\n",
                                 std::string("\xEF\xBB\xBF\n\0\0", 6), std::string("\xEF\xBB\xBF\0\0", 5)};
    for (const std::string& head : heads) {
        SCOPED_TRACE(head.size());
        TRun r;
        PutFile(r.Src("box"), head + MboxOf({First, Second}, "\n"));
        r.Add(r.Src("box"), mftMbox);
        r.Target(mftEml, r.Out() + "\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 2, 0, 0)) << r.LogText();
        const std::map<std::string, std::string> expected{{"First note.eml", EmlOf(First)},
                                                          {"Second note.eml", EmlOf(Second)}};
        EXPECT_EQ(TreeFiles(r.Out()), expected);
    }
}

// Many messages of one subject: the names are the lowest free numbers in
// order, whatever the folder held before, and earlier files stay as they are.
TEST(KvConvertDriverRun, NumberedNamesOfOneSubject)
{
    const auto report = [](int N, const std::string& Subject) {
        return TTestMsg{"From a@b Mon Jan  5 10:00:00 2009",
                        {"Subject: " + Subject, "Content-Type: text/plain; charset=us-ascii", "",
                         "Report " + std::to_string(N) + "."}};
    };
    const struct {
        const char* Name;
        const char* Subject;
        std::vector<std::string> Before;  // files in the target ahead of the run
        std::vector<std::string> Written;  // the names message 1, 2, ... get
    } cases[] = {
        {"fresh folder", "Weekly", {},
         {"Weekly.eml", "Weekly[1].eml", "Weekly[2].eml", "Weekly[3].eml", "Weekly[4].eml"}},
        {"numbered files present", "Weekly", {"Weekly.eml", "Weekly[1].eml", "Weekly[2].eml"},
         {"Weekly[3].eml", "Weekly[4].eml", "Weekly[5].eml", "Weekly[6].eml", "Weekly[7].eml"}},
        {"gaps filled lowest first", "Weekly", {"Weekly.eml", "Weekly[2].eml", "Weekly[3].eml", "Weekly[6].eml"},
         {"Weekly[1].eml", "Weekly[4].eml", "Weekly[5].eml", "Weekly[7].eml", "Weekly[8].eml"}},
        {"only the plain name free", "Weekly", {"Weekly[1].eml", "Weekly[2].eml"},
         {"Weekly.eml", "Weekly[3].eml", "Weekly[4].eml", "Weekly[5].eml", "Weekly[6].eml"}},
        {"other case of the same name", "WEEKLY", {"weekly.eml", "Weekly[1].eml"},
         {"WEEKLY[2].eml", "WEEKLY[3].eml", "WEEKLY[4].eml", "WEEKLY[5].eml", "WEEKLY[6].eml"}},
        {"subject with a number of its own", "Part [7]", {"Part [7].eml"},
         {"Part [8].eml", "Part [9].eml", "Part [10].eml", "Part [11].eml", "Part [12].eml"}},
        {"no subject", "", {"NoName.eml"},
         {"NoName[1].eml", "NoName[2].eml", "NoName[3].eml", "NoName[4].eml", "NoName[5].eml"}},
        // A folder is no file to number past: the search ends there and the
        // message is not written ("" below), every time.
        {"folder in the way", "Weekly", {"Weekly.eml", "Weekly[2].eml\\"}, {"Weekly[1].eml", "", "", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TRun r;
        std::vector<TTestMsg> msgs;
        for (size_t i = 0; i < c.Written.size(); ++i)
            msgs.push_back(report(static_cast<int>(i + 1), c.Subject));
        PutFile(r.Src("box"), MboxOf(msgs, "\n"));
        std::map<std::string, std::string> expected;
        for (const std::string& name : c.Before) {
            if (name.back() == '\\') {
                CreateDirectoryA(r.Out().c_str(), nullptr);
                CreateDirectoryA((r.Out() + "\\" + name).c_str(), nullptr);
                continue;
            }
            PutFile(r.Out() + "\\" + name, "earlier " + name);
            expected[name] = "earlier " + name;
        }
        int lost = 0;
        for (size_t i = 0; i < c.Written.size(); ++i) {
            if (c.Written[i].empty())
                ++lost;
            else
                expected[c.Written[i]] = EmlOf(msgs[i]);
        }
        r.Add(r.Src("box"), mftMbox);
        r.Target(mftEml, r.Out() + "\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, static_cast<int>(msgs.size()) - lost, 0, lost));
        EXPECT_EQ(TreeFiles(r.Out()), expected);
    }
}

// A second run into the same folder starts its search afresh: files the user
// removed in between are free again.
TEST(KvConvertDriverRun, NumberedNamesAcrossRuns)
{
    TRun r;
    PutFile(r.Src("box"), MboxOf({First, First}, "\n"));
    r.Add(r.Src("box"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    r.Start();
    ASSERT_TRUE(DeleteFileA((r.Out() + "\\First note.eml").c_str()));
    r.Start();
    const std::map<std::string, std::string> expected{{"First note.eml", EmlOf(First)},
                                                      {"First note[1].eml", EmlOf(First)},
                                                      {"First note[2].eml", EmlOf(First)}};
    EXPECT_EQ(TreeFiles(r.Out()), expected);
}

TEST(KvConvertDriverRun, ProgressAndThePumpFollowTheClockNotTheMessages)
{
    // Pumps and bar settings beyond a mailbox's start and end that 40 more
    // messages cost, with a clock that moves Step ms each time it is read.
    const struct {
        std::uint64_t Step;
        int Least, Most, LeastBars, MostBars;
    } cases[] = {{0, 0, 0, 0, 0}, {20, 13, 14, 2, 3}, {60, 40, 40, 8, 10}};
    for (const auto& c : cases) {
        int pumps[2] = {}, bars[2] = {};
        for (int size : {40, 80}) {
            TRun r;
            std::uint64_t now = 0;
            r.Driver.Clock = [&] { return now += c.Step; };
            PutFile(r.Src("a"), MboxOf(std::vector<TTestMsg>(size, First), "\n"));
            r.Add(r.Src("a"), mftMbox);
            r.Target(mftEml, r.Out() + "\\");
            r.Start();
            ASSERT_EQ(r.Summary(), Counters(1, size, 0, 0));
            pumps[size / 80] = r.Host.Pumps;
            bars[size / 80] = r.Host.PercentSets;
        }
        EXPECT_GE(pumps[1] - pumps[0], c.Least) << c.Step;
        EXPECT_LE(pumps[1] - pumps[0], c.Most) << c.Step;
        EXPECT_GE(bars[1] - bars[0], c.LeastBars) << c.Step;
        EXPECT_LE(bars[1] - bars[0], c.MostBars) << c.Step;
    }

    // The run's last line is its last pump: the window's own loop paints
    // the idle state, and a pump more only makes the run end later.
    TRun r;
    PutFile(r.Src("a"), MboxOf({First}, "\n"));
    r.Add(r.Src("a"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    size_t lines = 0;
    int after = 0;
    r.Host.OnPump = [&] {
        after = r.Host.Log.size() == lines ? after + 1 : 0;
        lines = r.Host.Log.size();
    };
    r.Start();
    EXPECT_EQ(lines, r.Host.Log.size());
    EXPECT_EQ(after, 0);
    ExpectIdle(r);
}
