#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ConvertTestFiles.h"
#include "app/KvConvertDriver.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvTimeZones.h"
#include "testkit/TestFolder.h"

namespace {

// Deep enough that a run of ".." from the target could still land inside
// the test's own folder, where the tree listing sees it.
const char* const TargetBelow = "deep\\a\\b\\c\\d\\e\\out";
// Part of every hostile value that could name a file of its own.
const char* const Marker = "evilq7";

struct TFilesRun {
    TTestFolder Dir{"convfiles"};
    TPlainConvertHost Host;
    TConvertDriver Driver{Host};

    TFilesRun() { Driver.SkipFoldersFile = Dir.File("SkipFolders.dat"); }
    std::string Out() const { return Dir.File(TargetBelow); }
};

// Files whose name holds the marker in a folder outside the test's own.
int MarkedFilesIn(const std::string& Folder)
{
    int n = 0;
    TTestFolder::ForEachFound(JoinPath(Folder, std::string("*") + Marker + "*"),
                              [&](const std::string&, const WIN32_FIND_DATAA&) { ++n; });
    return n;
}

// The last-write time of a file in UTC.
TDateTime FileTimeOf(const std::string& Path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(Path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    SYSTEMTIME st;
    FileTimeToSystemTime(&data.ftLastWriteTime, &st);
    return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, 0);
}

}  // namespace

// Subjects and Message-IDs are message data: whatever they hold, every file
// a conversion writes lands in the target folder, under a name Windows
// creates as asked (no device, no stripped dot or blank), and no message is
// lost for its name.
TEST(KvConvertNames, HostileValuesStayInTheTargetFolder)
{
    const std::string m = Marker;
    const std::vector<std::string> values = {
        "..", "..\\..\\" + m, "../../" + m, "..\\..\\..\\..\\..\\..\\..\\" + m, "\\" + m, "/" + m,
        "a:" + m, "C:\\" + m, "C:" + m, "\\\\server\\share\\" + m, "\\\\?\\C:\\" + m, "\\\\.\\" + m,
        "CON", "NUL", "COM1", "LPT1", "con.eml", "nul.txt", "Com1.x", "lpt1 .y", m + "...", m + " . .",
        "$..\\..\\" + m, "$\\..\\..\\" + m, "$../../" + m, "$" + m + "\\0123456789abcdef0123456789", "a\\..\\..\\" + m,
        std::string(5000, 'x') + m, std::string(300, '.') + m, m + "|<>*?\"",
    };
    std::string box;
    for (size_t i = 0; i < values.size(); ++i)
        box += "From a@b.cd Mon Jan  5 10:00:00 2009\nSubject: " + values[i] + "\nMessage-ID: " + values[i] +
               "\nDate: Mon, 05 Jan 2009 10:00:00 +0000\n\nmessage " + std::to_string(i) + "\n\n";

    for (bool digest : {false, true}) {
        SCOPED_TRACE(digest ? "digest names" : "subject names");
        TFilesRun r;
        const std::string source = r.Dir.Write("src\\box", box);
        r.Host.Sources.AddObject(source, MailFormatToObject(mftMbox));
        r.Host.Choices.TargetFormat = mftEml;
        r.Host.Choices.TargetText = r.Out() + "\\";
        r.Host.Choices.Md5FileNames = digest;
        r.Driver.StartConversion();

        const std::string converted = std::to_string(values.size()) + " messages converted";
        const std::string summary = r.Host.Log.size() >= 2 ? r.Host.Log[r.Host.Log.size() - 2] : "";
        EXPECT_NE(summary.find(converted), std::string::npos) << summary;
        std::string log;
        for (const std::string& l : r.Host.Log)
            log += l + "\n";
        EXPECT_NE(summary.find(" 0 errors."), std::string::npos) << log;

        size_t inTarget = 0;
        const std::string prefix = std::string(TargetBelow) + "\\";
        for (const auto& f : TreeFiles(r.Dir.Path())) {
            if (f.first.rfind("src\\", 0) == 0 || f.first == "SkipFolders.dat")
                continue;
            EXPECT_EQ(f.first.rfind(prefix, 0), 0u) << f.first;
            const std::string name = f.first.substr(prefix.size());
            EXPECT_EQ(name.find('\\'), std::string::npos) << name;
            EXPECT_FALSE(IsReservedDeviceName(name)) << name;
            ++inTarget;
        }
        EXPECT_EQ(inTarget, values.size());
        EXPECT_EQ(MarkedFilesIn(ExtractParentFolder(r.Dir.Path())), 0);
        EXPECT_EQ(MarkedFilesIn("C:\\"), 0);
    }
}

// File times are UTC, message dates are read into local time: each file
// must get the message's instant whatever the local zone, a date without a
// zone counting as local time, and a message without a date keeps the
// time of writing.
TEST(KvConvertFiles, FileTimesAreTheMessagesInstantInEveryZone)
{
    const struct {
        const char* Subject;
        const char* Date;  // empty: no Date field
        int Year, Month, Day, Hour, Minute;  // UTC; Year 0 for local times
    } messages[] = {
        {"summer utc", "Mon, 06 Jul 2009 10:00:00 +0000", 2009, 7, 6, 10, 0},
        {"winter west", "Tue, 06 Jan 2009 10:00:00 -0800", 2009, 1, 6, 18, 0},
        {"summer local", "Mon, 06 Jul 2009 10:00:00", 0, 7, 6, 10, 0},
        {"winter local", "Tue, 06 Jan 2009 10:00:00", 0, 1, 6, 10, 0},
        {"no date", "", 0, 0, 0, 0, 0},
    };
    std::string box;
    for (const auto& m : messages)
        box += std::string("From a@b.cd Mon Jan  5 10:00:00 2009\nSubject: ") + m.Subject + "\n" +
               (*m.Date ? std::string("Date: ") + m.Date + "\n" : std::string()) + "\nbody\n\n";

    const struct {
        const char* Zone;
        int SummerBias, WinterBias;  // minutes east of UTC
    } zones[] = {{"+0100", 60, 60}, {"-0530", -330, -330}, {"$W. Europe Standard Time", 120, 60}};
    for (const auto& z : zones) {
        SCOPED_TRACE(z.Zone);
        ASSERT_TRUE(InitLocalTimeZone(LocalTimeZone(), z.Zone));
        TFilesRun r;
        r.Host.Sources.AddObject(r.Dir.Write("src\\box", box), MailFormatToObject(mftMbox));
        r.Host.Choices.TargetFormat = mftEml;
        r.Host.Choices.TargetText = r.Out() + "\\";
        r.Host.Choices.MatchDates = true;
        SYSTEMTIME now;
        GetSystemTime(&now);
        const TDateTime started = EncodeDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, 0, 0);
        r.Driver.StartConversion();
        LocalTimeZone().Clear();

        for (const auto& m : messages) {
            SCOPED_TRACE(m.Subject);
            const TDateTime got = FileTimeOf(r.Out() + "\\" + m.Subject + ".eml");
            if (!*m.Date) {
                EXPECT_GT(got, started - 1.0 / 24);
                continue;
            }
            TDateTime want = EncodeDateTime(m.Year ? m.Year : 2009, m.Month, m.Day, m.Hour, m.Minute, 0, 0);
            if (!m.Year)
                want -= (m.Month == 7 ? z.SummerBias : z.WinterBias) / 1440.0;
            EXPECT_NEAR(got, want, 1.0 / 86400) << DateTimeToIsoStr(got);
        }
    }
}

// Messages the engine rebuilds (a Mozilla-family store with an external
// body) keep every part's blank line after its header, their preambles and
// epilogues; a rebuilt message rebuilt again stays as it is, so a detour
// through an mbox file gives the same .eml as the direct road.
TEST(KvConvertFiles, RebuiltMessagesKeepTheirStructure)
{
    const std::string message =
        "From a@b.cd Mon Jan  1 10:00:00 2001\n"
        "From: a@b.cd\nSubject: nested\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"outer\"\n\n"
        "  This preamble is indented\n  and runs over two lines.\n\n"
        "--outer\nContent-Type: multipart/alternative; boundary=\"inner\"\n\n"
        "\tinner preamble\n"
        "--inner\nContent-Type: text/plain\n\nplain words\n"
        "--inner\nContent-Type: text/html\n\n<p>html words</p>\n"
        "--inner--\ninner epilogue\n\n"
        "--outer\nContent-Type: message/external-body; access-type=local-file;\n\tname=\"C:\\gone\\a.pdf\"\n\n"
        "Content-Type: application/pdf\nContent-Disposition: attachment; filename=\"a.pdf\"\n\n"
        "--outer\nContent-Type: message/rfc822\n\n"
        "Subject: inner message\nContent-Type: multipart/mixed; boundary=\"deep\"\n\n"
        "--deep\nContent-Type: message/external-body; access-type=local-file; name=\"C:\\gone\\b.txt\"\n\n"
        "Content-Type: text/plain\n\n"
        "--deep--\n\n"
        "--outer--\n  outer epilogue\n\n";
    TFilesRun r;
    const std::string source = r.Dir.Write("src\\Inbox", message);
    auto run = [&](const std::string& From, TMailFormat Format, TMailFormat Target, const std::string& To) {
        r.Host.Sources.Clear();
        r.Host.Sources.AddObject(From, MailFormatToObject(Format));
        r.Host.Choices.TargetFormat = Target;
        r.Host.Choices.TargetText = To;
        r.Driver.StartConversion();
    };
    run(source, mftThunderbird, mftEml, r.Dir.File("direct") + "\\");
    run(source, mftThunderbird, mftMboxUnix, r.Dir.File("Copy.mbox"));
    run(r.Dir.File("Copy.mbox"), mftThunderbird, mftEml, r.Dir.File("detour") + "\\");
    const auto direct = TreeFiles(r.Dir.File("direct"));
    const auto detour = TreeFiles(r.Dir.File("detour"));
    ASSERT_EQ(direct.size(), 1u);
    const std::string eml = direct.begin()->second;
    for (const char* kept : {
             "\r\n\r\n  This preamble is indented\r\n  and runs over two lines.\r\n\r\n--outer\r\n",
             "boundary=\"inner\"\r\n\r\n\tinner preamble\r\n--inner\r\n",
             "\r\n\r\nplain words\r\n",
             "--inner--\r\ninner epilogue\r\n",
             "\r\n\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"a.pdf\"\r\n",
             "name=\"C:\\gone\\b.txt\"\r\n\r\nContent-Type: text/plain\r\n",
             "--outer--\r\n  outer epilogue\r\n",
         })
        EXPECT_NE(eml.find(kept), std::string::npos) << kept << "\n" << eml;
    EXPECT_EQ(detour, direct);
}

// A message of one part that the engine reads as a tree (a detached mark, an
// external-body line) is written with the bytes a plain message keeps: its
// body's end as it stands, on every target and from every kind of break.
TEST(KvConvertFiles, OnePartMessagesWithMarksKeepTheirBytes)
{
    const std::string head = "From: a@b.cd\nSubject: one\nDate: Mon, 01 Jan 2001 10:00:00 +0000\n";
    const struct {
        const char* Name;
        std::string Message;
    } cases[] = {
        {"plain", head + "Content-Type: text/plain\n\nbody line\n"},
        {"detached mark", head + "X-Mozilla-Altered: AttachmentDetached; date=\"Mon Jan 01 10:00:00 2001\"\n"
                                 "Content-Type: text/plain\n\nbody line\n"},
        {"external-body line in the body",
         head + "Content-Type: text/plain\n\nsee\nContent-Type: message/external-body; name=\"a.pdf\"\n\nrest\n"},
        {"blank lines ending the body", head + "X-Mozilla-Altered: AttachmentDetached\n\nbody line\n\n\n"},
    };
    const struct {
        const char* Name;
        const char* Break;
    } breaks[] = {{"LF", "\n"}, {"CR LF", "\r\n"}, {"CR", "\r"}};
    const auto withBreaks = [](std::string Text, const char* Break) {
        std::string out;
        for (char c : Text)
            out += c == '\n' ? std::string(Break) : std::string(1, c);
        return out;
    };
    for (const auto& c : cases) {
        for (const auto& b : breaks) {
            SCOPED_TRACE(std::string(c.Name) + ", " + b.Name);
            const std::string envelope = "From a@b.cd Mon Jan  1 10:00:00 2001\n";
            // The marked message stands before a plain one, and alone; an
            // mbox written ends each message with a blank line.
            const std::string box = envelope + c.Message + "\n" + envelope + cases[0].Message;
            TFilesRun r;
            const std::string source = r.Dir.Write("src\\box", withBreaks(box, b.Break));
            const std::string alone = r.Dir.Write("src\\alone", withBreaks(envelope + c.Message, b.Break));
            auto run = [&](const std::string& From, TMailFormat Target, const std::string& To) {
                r.Host.Sources.Clear();
                r.Host.Sources.AddObject(From, MailFormatToObject(mftMbox));
                r.Host.Choices.TargetFormat = Target;
                r.Host.Choices.TargetText = To;
                r.Driver.StartConversion();
            };
            // A blank line that ends the file is the separator's.
            std::string lone = c.Message;
            if (lone.size() > 2 && lone.compare(lone.size() - 2, 2, "\n\n") == 0)
                lone.pop_back();
            run(alone, mftEml, r.Dir.File("eml") + "\\");
            const auto eml = TreeFiles(r.Dir.File("eml"));
            ASSERT_EQ(1u, eml.size());
            EXPECT_EQ(withBreaks(lone, "\r\n"), eml.begin()->second);
            run(source, mftMboxWin, r.Dir.File("win.mbox"));
            EXPECT_EQ(withBreaks(box + "\n", "\r\n"), TTestFolder::Read(r.Dir.File("win.mbox")));
            run(source, mftMboxUnix, r.Dir.File("unix.mbox"));
            EXPECT_EQ(box + "\n", TTestFolder::Read(r.Dir.File("unix.mbox")));
            run(alone, mftMboxUnix, r.Dir.File("alone.mbox"));
            EXPECT_EQ(envelope + lone + "\n", TTestFolder::Read(r.Dir.File("alone.mbox")));
        }
    }
}
