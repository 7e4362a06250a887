// Conversion runs over trees and targets built to trip the driver: link
// loops, device names, names the code page cannot carry, mailboxes without
// an index, unusable targets.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ConvertTestFiles.h"
#include "app/KvConvertDriver.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFiles.h"
#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "testkit/ImportHook.h"
#include "testkit/TestLinks.h"
#include "foundation/KvLogs.h"
#include "mail/KvErrorLog.h"
#include "mail/KvMailStream.h"

namespace {

// The names of the written message files, sorted.
std::vector<std::string> Written(const TConvertRun& R)
{
    std::vector<std::string> names;
    for (const auto& [name, bytes] : TreeFiles(R.Out()))
        names.push_back(name);
    return names;
}

}  // namespace

TEST(KvConvertHostile, MozillaTreeWithLoopsDevicesWideNamesAndOrphans)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    PutFile(src + "\\Inbox", Mbox({1, 2}));
    PutFile(src + "\\Inbox.msf", "index");
    PutFile(src + "\\Inbox.sbd\\Work", Mbox({3}));
    PutFile(src + "\\Inbox.sbd\\Work.msf", "index");
    // A mailbox whose name is a device: the search must not open it.
    PutFile(src + "\\Inbox.sbd\\x", "");
    ASSERT_TRUE(PutWideNamedFile(src + "\\Inbox.sbd", "AUX", Mbox({90})));
    ASSERT_TRUE(PutWideNamedFile(src + "\\Inbox.sbd", "AUX.msf", "index"));
    // Names the ANSI code page cannot give, or that the ANSI API trims.
    ASSERT_TRUE(PutWideNamedFile(src, "\xD0\x96\xD1\x83\xD0\xBA", Mbox({4})));
    ASSERT_TRUE(PutWideNamedFile(src, "\xD0\x96\xD1\x83\xD0\xBA.msf", "index"));
    const std::wstring folder = AnsiToWideStr(src) + L"\\\u0416\u0443\u043a.sbd";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(PutWideNamedFile(src, "\xD0\x96\xD1\x83\xD0\xBA.sbd\\Work", Mbox({7})));
    ASSERT_TRUE(PutWideNamedFile(src, "\xD0\x96\xD1\x83\xD0\xBA.sbd\\Work.msf", "index"));
    ASSERT_TRUE(PutWideNamedFile(src, "\xE5\x90\x8D\xE5\x89\x8D", Mbox({5})));
    ASSERT_TRUE(PutWideNamedFile(src, "\xE5\x90\x8D\xE5\x89\x8D.msf", "index"));
    ASSERT_TRUE(PutWideNamedFile(src, "Old.", Mbox({6})));
    ASSERT_TRUE(PutWideNamedFile(src, "Old..msf", "index"));
    // Its twin without the dot, which no target name may merge with it.
    PutFile(src + "\\Old", Mbox({8}));
    PutFile(src + "\\Old.msf", "index");
    // Mailboxes without their index: named in the log, not converted.
    PutFile(src + "\\Orphan", Mbox({91}));
    PutFile(src + "\\Inbox.sbd\\Lost", Mbox({92}));
    PutFile(src + "\\notes.txt", "not a mailbox");
    // Indexed, so meant as mailboxes: a text and a FIFO are errors, an
    // empty mailbox is not.
    const std::string notes = "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8";
    ASSERT_TRUE(PutWideNamedFile(src, notes, "not a mailbox"));
    PutFile(src + "\\Empty", "");
    ASSERT_TRUE(MakeFifo(src + "\\Pipe"));
    for (const std::string& name : {notes, std::string("Empty"), std::string("Pipe")})
        ASSERT_TRUE(PutWideNamedFile(src, name + ".msf", "index"));
    TFolderLink loop(src + "\\Inbox.sbd\\loop", src);

    r.Add(src + "\\*.msf", mftThunderbird);
    r.Host.Choices.IncludeSubfolders = true;
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
    r.Start();

    // The log and the error log name a mailbox by its long name; in an
    // ANSI log one the code page cannot carry keeps the short path it was
    // opened by beside, the error log turns to UTF-8 for it.
    const auto shown = [&](const std::string& Utf8) { return src + "\\" + DefaultWideToAnsi(AnsiToWideStr(Utf8, CP_UTF8)); };
    EXPECT_EQ(r.Lines("Processing: " + src + "\\Old..msf").size(), 1u) << r.LogText();
    for (const char* name : {"\xD0\x96\xD1\x83\xD0\xBA", "\xE5\x90\x8D\xE5\x89\x8D"})
        EXPECT_EQ(r.Lines("Processing: " + shown(name) + ".msf (" + src + "\\").size(), 1u) << r.LogText();
    std::vector<std::string> invalid;
    for (const std::vector<std::string>& row : ErrorRows(r.Dir.File("errors.txt")))
        if (row[0] == "File is not a valid mailbox")
            invalid.push_back(row[1]);
    EXPECT_EQ(invalid, std::vector<std::string>{src + "\\" + notes});

    const std::vector<std::string> written = Written(r);
    EXPECT_EQ(written, (std::vector<std::string>{"note 1.eml", "note 2.eml", "note 3.eml", "note 4.eml",
                                                 "note 5.eml", "note 6.eml", "note 7.eml", "note 8.eml"}))
        << r.LogText();
    // AUX, the two mailboxes without an index, the notes and Pipe are not converted.
    EXPECT_EQ(r.Summary(), Counters(7, 8, 0, 5)) << r.LogText();
    EXPECT_EQ(r.Lines("File is not a valid mailbox").size(), 1u) << r.LogText();
    EXPECT_EQ(r.Lines("Mailbox cannot be read: it is a device, not a file").size(), 1u) << r.LogText();
    EXPECT_EQ(r.Lines("Not searched: " + src + "\\Inbox.sbd\\AUX.msf (a device name").size(), 1u) << r.LogText();
    const std::string orphan = "Mailbox without an index file skipped (add it by hand to convert it): ";
    EXPECT_EQ(r.Lines(orphan).size(), 2u) << r.LogText();
    EXPECT_EQ(r.Lines(orphan + src + "\\Orphan").size(), 1u);
    EXPECT_EQ(r.Lines(orphan + src + "\\Inbox.sbd\\Lost").size(), 1u);
    if (loop.Exists())
        EXPECT_EQ(r.Lines("Not searched: " + src + "\\Inbox.sbd\\loop (folder searched already").size(), 1u)
            << r.LogText();
    else
        std::printf("no folder link could be made: the loop case did not run\n");

    // An mbox copy is named as Windows tools open it: "Old." as "Old_",
    // beside its twin "Old".
    r.Target(mftMboxUnix, r.Dir.File("mbox\\"));
    r.Start();
    EXPECT_EQ(TTestFolder::Read(r.Dir.File("mbox\\Old_")), Mbox({6})) << r.LogText();
    EXPECT_EQ(TTestFolder::Read(r.Dir.File("mbox\\Old")), Mbox({8})) << r.LogText();

    // A folder named outside the code page, chosen by its short name, still
    // gives the mailbox that owns it.
    r.Host.Sources.Clear();
    r.Add(OpenableAnsiPath(folder) + "\\*.msf", mftThunderbird);
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(2, 2, 0, 0)) << r.LogText();

    // A folder named as a device, chosen by name, is read by the form that
    // opens it as the folder; one not there is said to be a device name.
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + AnsiToWideStr(src) + L"\\CON.sbd").c_str(), nullptr));
    ASSERT_TRUE(PutWideNamedFile(src, "CON.sbd\\Work", Mbox({8})));
    ASSERT_TRUE(PutWideNamedFile(src, "CON.sbd\\Work.msf", "index"));
    r.Host.Sources.Clear();
    r.Add(src + "\\CON.sbd\\*.msf", mftThunderbird);
    r.Add(src + "\\NUL.sbd\\*.msf", mftThunderbird);
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 1)) << r.LogText();
    EXPECT_EQ(r.Lines("Folder not found: " + src + "\\NUL.sbd (NUL.sbd is a device name)").size(), 1u) << r.LogText();
}

namespace {

// Moves the file at Plain to Name in its folder by a Unix tool, as a name
// made on another system that Windows does not allow; false where none can
// run. Wine does not wait for the tool: the file goes when it goes.
bool RenameOnUnixSide(const std::string& Plain, const std::string& Name)
{
    const std::string From = UnixPathOf(Plain);
    if (From.empty() || From.find(' ') != std::string::npos ||
        !RunUnixTool("/bin/mv " + From + " " + From.substr(0, From.rfind('/') + 1) + Name))
        return false;
    for (int i = 0; i < 500 && GetFileAttributesA(Plain.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(10);
    return GetFileAttributesA(Plain.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// An index of the Windows program listing one message of Length bytes at 0.
std::string OneEntryToc(std::size_t Length)
{
    std::string toc(104 + 218, '\0');
    toc[0] = 0x30;
    toc[102] = 1;
    for (int i = 0; i < 4; ++i)
        toc[104 + 4 + i] = static_cast<char>(Length >> (8 * i));
    toc[104 + 12] = 1;
    return toc;
}

}  // namespace

// Each mailbox a search finds under a name Windows does not allow is one
// error with one row that says why: its index is there, and the data file
// made from a name holding a backslash is another folder's, never read.
TEST(KvConvertHostile, NamesWindowsDoesNotAllowGiveOneRowEach)
{
    TConvertRun r;
    const std::string tb = r.Dir.File("tb"), eu = r.Dir.File("eu");
    PutFile(tb + "\\Inbox", Mbox({1}));
    PutFile(tb + "\\Inbox.msf", "index");
    const std::string odd[] = {"a?b", "x*y", "l<g>", "p|q"};
    for (const std::string& name : odd)
        for (const std::string ext : {"", ".msf"}) {
            PutFile(tb + "\\plain" + ext, ext.empty() ? Mbox({9}) : "index");
            if (!RenameOnUnixSide(tb + "\\plain" + ext, name + ext))
                GTEST_SKIP() << "no Unix tool can name a file here";
        }
    // "Inbox\In.toc" beside the folder Inbox: its data file by that name
    // would be Inbox's own.
    const std::string two = Message(2, "\r\n"), three = Message(3, "\r\n");
    PutFile(eu + "\\In.toc", OneEntryToc(two.size()));
    PutFile(eu + "\\In.mbx", two);
    PutFile(eu + "\\Inbox\\In.toc", OneEntryToc(three.size()));
    PutFile(eu + "\\Inbox\\In.mbx", three);
    for (const std::string& name : {std::string("Inbox\\In"), std::string("trail\\")})
        for (const std::string ext : {".toc", ".mbx"}) {
            PutFile(eu + "\\plain" + ext, ext == ".toc" ? OneEntryToc(three.size()) : three);
            ASSERT_TRUE(RenameOnUnixSide(eu + "\\plain" + ext, name + ext));
        }
    // Folders of such names, in trees copied from other systems, are read
    // by their short names: their mailboxes are converted.
    const std::string five = Message(5, "\r\n");
    PutFile(tb + "\\plain\\Inbox", Mbox({4}));
    PutFile(tb + "\\plain\\Inbox.msf", "index");
    PutFile(eu + "\\plain\\In.toc", OneEntryToc(five.size()));
    PutFile(eu + "\\plain\\In.mbx", five);
    ASSERT_TRUE(RenameOnUnixSide(tb + "\\plain", "q?x"));
    ASSERT_TRUE(RenameOnUnixSide(eu + "\\plain", "a*b"));
    // Two that share one short name under Wine: one is read by it, the
    // other is said.
    const std::string twins[] = {"q?x1082", "q?x1922"};
    for (int i = 0; i < 2; ++i) {
        PutFile(tb + "\\plain\\Inbox", Mbox({6 + i}));
        PutFile(tb + "\\plain\\Inbox.msf", "index");
        ASSERT_TRUE(RenameOnUnixSide(tb + "\\plain", twins[i]));
    }
    r.Add(tb + "\\*.msf", mftThunderbird);
    r.Add(eu + "\\*.toc", mftEudoraToc);
    r.Host.Choices.IncludeSubfolders = true;
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
    r.Start();

    std::vector<std::string> written = Written(r);
    const bool firstTwin = std::find(written.begin(), written.end(), "note 6.eml") != written.end();
    std::erase(written, firstTwin ? "note 6.eml" : "note 7.eml");
    EXPECT_EQ(written, (std::vector<std::string>{"note 1.eml", "note 2.eml", "note 3.eml", "note 4.eml", "note 5.eml"}))
        << r.LogText();
    EXPECT_EQ(r.Summary(), Counters(6, 6, 0, 7)) << r.LogText();
    std::multiset<std::string> said, wanted{"Not searched: " + tb + "\\" + twins[firstTwin ? 1 : 0] +
                                            " (cannot be opened: its short name Q_X1~1EM is another name's in its "
                                            "folder as well)"};
    for (const std::vector<std::string>& row : ErrorRows(r.Dir.File("errors.txt")))
        said.insert(row[0]);
    for (const std::string name : {"a?b.msf", "x*y.msf", "l<g>.msf", "p|q.msf", "Inbox\\In.toc", "trail\\.toc"})
        wanted.insert("Mailbox cannot be read: " + name + " holds characters Windows does not allow in a name");
    EXPECT_EQ(said, wanted) << r.LogText();
}

TEST(KvConvertHostile, AMozillaPatternNamingTheMailboxesConvertsThemWithoutRows)
{
    // The user's own pattern names the mailboxes: those without an index
    // are converted, and no row calls them skipped. Only one the pattern
    // leaves out is really skipped, with its row and error.
    const struct {
        const char* Mask;
        int Boxes, Errors;
        std::vector<std::string> Skipped;
        // Beside them a mailbox named outside the code page, without its
        // index, and a file of its short name's with the index extension.
        bool LookAlike = false;
    } cases[] = {
        {"*.mbox", 2, 1, {"Orphan"}},
        {"*.*", 3, 0, {}},
        // A star alone is a pattern as much as "*.*" is.
        {"*", 3, 0, {}},
        {"O*", 2, 1, {"Work.mbox"}},
        {"*.mbox", 2, 2, {"Orphan", "\xD0\xA2\xD0\xB5\xD0\xBD\xD1\x8C"}, true},
    };
    for (const auto& c : cases) {
        TConvertRun r;
        const std::string src = r.Dir.File("src");
        PutFile(src + "\\Work.mbox", Mbox({1}));
        PutFile(src + "\\Old.mbox", Mbox({2}));
        PutFile(src + "\\Orphan", Mbox({3}));
        // Restored from a CD, say: read-only is a mailbox all the same.
        SetFileAttributesA((src + "\\Orphan").c_str(), FILE_ATTRIBUTE_READONLY);
        if (c.LookAlike) {
            ASSERT_TRUE(PutWideNamedFile(src, "\xD0\xA2\xD0\xB5\xD0\xBD\xD1\x8C", Mbox({4})));
            PutFile(OpenableAnsiPath(AnsiToWideStr(src) + L"\\\u0422\u0435\u043d\u044c") + ".msf", "index");
        }
        r.Add(src + "\\" + c.Mask, mftThunderbird);
        r.Target(mftEml, r.Out() + "\\");
        const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
        r.Start();
        std::vector<std::string> skipped;
        for (const std::vector<std::string>& row : ErrorRows(r.Dir.File("errors.txt")))
            skipped.push_back(row[1].substr(src.size() + 1));
        EXPECT_EQ(skipped, c.Skipped) << c.Mask;
        EXPECT_EQ(r.Lines("Mailbox without an index file skipped").size(), c.Skipped.size()) << c.Mask;
        EXPECT_EQ(r.Summary(), Counters(c.Boxes, c.Boxes, 0, c.Errors)) << c.Mask << r.LogText();
        EXPECT_EQ(Written(r).size(), static_cast<size_t>(c.Boxes)) << c.Mask;
    }
}

TEST(KvConvertHostile, EveryUnreadableMailboxGetsItsTrueReason)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    ForceFolders(src);
    ASSERT_TRUE(PutWideNamedFile(src, "CON", Mbox({1})));
    ASSERT_TRUE(PutWideNamedFile(src, "com3.mbox", Mbox({2})));
    PutFile(src + "\\Held", Mbox({3}));
    PutFile(src + "\\Free", Mbox({4}));
    // Held open, shared with nobody, as a mail program holds its mailbox.
    const HANDLE held = CreateFileA((src + "\\Held").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    PutFile(src + "\\notes", "not a mailbox");
    ASSERT_TRUE(MakeFifo(src + "\\fifo"));
    for (const char* name : {"CON", "com3.mbox", "Held", "Free", "notes", "missing", "fifo"})
        r.Add(src + "\\" + name, mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
    r.Start();
    CloseHandle(held);
    // Each mailbox not converted is one error with one row naming it.
    EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 6)) << r.LogText();
    const std::vector<std::vector<std::string>> rows = ErrorRows(r.Dir.File("errors.txt"));
    const std::vector<std::vector<std::string>> wanted{
        {"Mailbox cannot be read: CON is a device name", src + "\\CON"},
        {"Mailbox cannot be read: com3.mbox is a device name", src + "\\com3.mbox"},
        {"Mailbox locked", src + "\\Held"},
        {"File is not a valid mailbox", src + "\\notes"},
        {"Mailbox not found", src + "\\missing"},
        {"Mailbox cannot be read: it is a device, not a file", src + "\\fifo"}};
    ASSERT_EQ(rows.size(), wanted.size());
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(std::vector<std::string>(rows[i].begin(), rows[i].begin() + 2), wanted[i]);

    const std::vector<std::string>& log = r.Host.Log;
    auto after = [&](const std::string& Name) {
        for (size_t i = 0; i + 1 < log.size(); ++i)
            if (log[i] == "Processing: " + src + "\\" + Name)
                return log[i + 1];
        return std::string("(not processed)");
    };
    EXPECT_EQ(after("CON"), "Mailbox cannot be read: CON is a device name");
    EXPECT_EQ(after("com3.mbox"), "Mailbox cannot be read: com3.mbox is a device name");
    EXPECT_EQ(after("Held"), "Mailbox locked");
    EXPECT_EQ(after("Free"), "Done");
    EXPECT_EQ(Written(r), std::vector<std::string>{"note 4.eml"});
}

namespace {

TImportHook* GListing = nullptr;

// A folder named "locked" refuses to be listed, as one without rights does.
HANDLE WINAPI RefusingListing(LPCWSTR Pattern, LPWIN32_FIND_DATAW Data)
{
    if (std::wcsstr(Pattern, L"\\locked\\")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<decltype(&FindFirstFileW)>(GListing->Original())(Pattern, Data);
}

}  // namespace

// A sub-folder of a searched tree that cannot be listed is one error with
// its row, as a folder named that is not there; the rest is converted.
TEST(KvConvertHostile, AFolderEntryWhoseFolderIsNotThereSaysSo)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    ForceFolders(src);
    PutFile(src + "\\box.mbox", Mbox({1}));
    PutFile(src + "\\file", Mbox({2}));
    PutFile(src + "\\locked\\inner.mbox", Mbox({3}));
    PutFile(src + "\\open\\other.mbox", Mbox({4}));
    // Named outside the code page, the folder reaches an ANSI text with
    // a '?' for each character lost.
    ASSERT_TRUE(CreateDirectoryW((AnsiToWideStr(src) + L"\\\u041f\u043e\u0447\u0442\u0430").c_str(), nullptr));
    for (const char* entry : {"nonexist\\*.mbox", "?????\\*.*", "file\\*.*", "*.mbox"})
        r.Add(src + "\\" + entry, mftMbox);
    r.Host.Choices.IncludeSubfolders = true;
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
    TImportHook Listing("kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(&RefusingListing));
    ASSERT_TRUE(Listing.Hooked());
    GListing = &Listing;
    r.Start();
    GListing = nullptr;
    EXPECT_EQ(r.Summary(), Counters(2, 2, 0, 4)) << r.LogText();
    const std::vector<std::vector<std::string>> wanted{
        {"Folder not found: " + src + "\\nonexist", src + "\\nonexist"},
        {"Folder not found: " + src + "\\?????", src + "\\?????"},
        {"Folder not found: " + src + "\\file", src + "\\file"},
        {"Folder cannot be opened: " + src + "\\locked: " + SystemErrorText(ERROR_ACCESS_DENIED), src + "\\locked"}};
    const std::vector<std::vector<std::string>> rows = ErrorRows(r.Dir.File("errors.txt"));
    ASSERT_EQ(rows.size(), wanted.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(std::vector<std::string>(rows[i].begin(), rows[i].begin() + 2), wanted[i]);
        EXPECT_TRUE(r.Logged(wanted[i][0])) << r.LogText();
    }
    EXPECT_EQ(Written(r), (std::vector<std::string>{"note 1.eml", "note 4.eml"}));
}

TEST(KvConvertHostile, AFullDiskLeavesTheMboxTargetWhole)
{
    TConvertRun r;
    TSmallDisk disk(r.Dir.File("small"), "size=64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "a small disk needs root to mount; the full-disk case did not run";
    const std::string big(100000, 'x');
    std::string bigMessage = Message(2);
    bigMessage.insert(bigMessage.size() - 1, big + "\n");
    PutFile(r.Dir.File("src\\box"), Message(1) + bigMessage + Message(3));
    PutFile(r.Dir.File("src\\next"), Mbox({4}));
    r.Add(r.Dir.File("src\\box"), mftMbox);
    r.Add(r.Dir.File("src\\next"), mftMbox);
    const std::string target = r.Dir.File("small\\all.mbox");
    r.Target(mftMboxUnix, target);
    r.Start();

    // Only the whole first message is there: the cut second one went again.
    EXPECT_EQ(TTestFolder::Read(target), Message(1));
    const std::vector<std::string> failed = r.Lines("Target file cannot be written: " + target + ": ");
    ASSERT_EQ(failed.size(), 1u) << r.LogText();
    // The true reason, as the message-file road gives it.
    const std::string reason = failed[0].substr(failed[0].rfind(": ") + 2);
    EXPECT_TRUE(reason == SystemErrorText(ERROR_DISK_FULL) || reason == SystemErrorText(ERROR_HANDLE_DISK_FULL))
        << reason;
    EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 1)) << r.LogText();
    EXPECT_EQ(r.Host.Log.back(), "Processing stopped: the target cannot be written.");
    EXPECT_TRUE(r.Driver.TargetFailedRun());

    // With room again, the next run appends after the whole message.
    DeleteFileA(target.c_str());
    PutFile(target, Message(1));
    PutFile(r.Dir.File("src\\box"), Mbox({3}));
    r.Start();
    EXPECT_EQ(TTestFolder::Read(target), Mbox({1, 3, 4})) << r.LogText();
}

TEST(KvConvertHostile, TheRunsOwnTargetIsNeverASource)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    PutFile(src + "\\a", Mbox({1, 2}));
    PutFile(src + "\\b", Mbox({3}));
    // One target file among the sources, found by the pattern.
    r.Add(src + "\\*.*", mftMbox);
    r.Target(mftMboxUnix, src + "\\all");
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(2, 3, 0, 0)) << r.LogText();
    r.Start();
    EXPECT_EQ(r.Summary(), Counters(2, 3, 0, 0)) << r.LogText();
    EXPECT_EQ(r.Lines("Mailbox skipped: it is this run's target file").size(), 1u) << r.LogText();
    const std::string all = TTestFolder::Read(src + "\\all");
    for (const int n : {1, 2, 3})
        EXPECT_EQ(CountOf(all, "Subject: note " + std::to_string(n) + "\n"), 2) << n;

    // A target folder that is the source folder, each mailbox into a file
    // of its own name: each would be its own target, and is not converted.
    TConvertRun same;
    const std::string dir = same.Dir.File("mail");
    PutFile(dir + "\\Inbox", Mbox({5}));
    same.Add(dir + "\\*.*", mftMbox);
    same.Target(mftMboxWin, dir + "\\");
    const std::string own = "Mailbox not converted: it would be its own target file";
    const TErrorLogAt sameLog(same.Dir.File("errors.txt"));
    same.Start();
    EXPECT_EQ(TTestFolder::Read(dir + "\\Inbox"), Mbox({5}));
    EXPECT_EQ(same.Summary(), Counters(0, 0, 0, 1)) << same.LogText();
    EXPECT_EQ(ErrorRows(same.Dir.File("errors.txt")),
              (std::vector<std::vector<std::string>>{{own, dir + "\\Inbox", "", "", ""}}));
    // Named as the one target file, it is where the messages go: no error.
    same.Target(mftMboxWin, dir + "\\Inbox");
    same.Start();
    EXPECT_EQ(same.Summary(), Counters(0, 0, 0, 0)) << same.LogText();

    // A mailbox of the same name in a sub-folder would go into that one, a
    // mailbox the run reads: an Eudora data file no longer what its index
    // says, a Mozilla mailbox beside its index. Neither is written to.
    std::string toc(104 + 218, '\0');
    toc[102] = 1;
    toc[108] = static_cast<char>(Message(8).size());
    toc[116] = 1;  // read
    const struct {
        TMailFormat Format;
        const char* Pattern;  // none: each file named, the last first
        std::vector<std::pair<std::string, std::string>> Files;  // mailbox first
        const char* Picked = "";  // the folder picked below the store, when not the store
        bool ByLink = false;      // the target named through a link to the store
        bool ByDrive = false;     // the store searched as a whole drive, into its "sub"
    } roads[] = {
        {mftMbox, "*.*", {{"Inbox", Mbox({5})}, {"sub\\Inbox", Mbox({7})}}},
        {mftMbox, "*", {{"Inbox", Mbox({5})}, {"sub\\Inbox", Mbox({7})}}},
        {mftThunderbird, "*.msf", {{"Archive", Mbox({5})}, {"Archive.msf", ""}, {"Inbox.sbd\\Archive", Mbox({7})},
                                   {"Inbox.sbd\\Archive.msf", ""}}},
        {mftEudoraToc, "*.toc", {{"In.mbx", Message(8)}, {"In.toc", toc}, {"sub\\In.mbx", Message(8)},
                                 {"sub\\In.toc", toc}}},
        // A picked sub-folder's owner is read too, and is no target either.
        {mftThunderbird, "*.msf", {{"X", Mbox({5})}, {"X.msf", ""}, {"X.sbd\\X", Mbox({7})}, {"X.sbd\\X.msf", ""}},
         "X.sbd\\"},
        // Reached by another name, the store's files are still its own.
        {mftMbox, "*.*", {{"Inbox", Mbox({5})}, {"sub\\Inbox", Mbox({7})}}, "", true},
        // Named, the mailbox written into is one the run reads later.
        {mftMbox, "", {{"Inbox", Mbox({5})}, {"sub\\Inbox", Mbox({7})}}},
        {mftMbox, "*.*", {{"sub\\Inbox", Mbox({7})}, {"Inbox", Mbox({5})}}, "", false, true},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(std::string(road.Picked) + road.Pattern + (road.ByLink ? " by a link" : ""));
        TConvertRun sub;
        const std::string mail = sub.Dir.File("mail");
        for (const auto& [name, bytes] : road.Files)
            PutFile(mail + "\\" + name, bytes);
        const std::string alias = sub.Dir.File("alias");
        std::optional<TFolderLink> link;
        if (road.ByLink) {
            link.emplace(alias, mail);
            ASSERT_TRUE(link->Exists());
        }
        std::optional<TMappedDrive> drive;
        if (road.ByDrive) {
            ASSERT_TRUE(drive.emplace(mail).Exists());
        }
        const std::string store = road.ByLink ? alias : drive ? drive->Root() : mail;
        if (*road.Pattern == '\0') {
            for (auto File = road.Files.rbegin(); File != road.Files.rend(); ++File)
                sub.Add(mail + "\\" + File->first, road.Format);
        } else {
            sub.Add((drive ? store : mail) + "\\" + road.Picked + road.Pattern, road.Format);
        }
        sub.Host.Choices.IncludeSubfolders = true;
        sub.Target(mftMboxWin, store + (drive ? "\\sub\\" : "\\"));
        const TErrorLogAt subLog(sub.Dir.File("errors.txt"));
        sub.Start();
        for (const auto& [name, bytes] : road.Files)
            EXPECT_EQ(TTestFolder::Read(mail + "\\" + name), bytes) << name;
        EXPECT_EQ(sub.Summary(), Counters(0, 0, 0, 2)) << sub.LogText();
        std::multiset<std::string> reasons;
        for (const std::vector<std::string>& row : ErrorRows(sub.Dir.File("errors.txt")))
            reasons.insert(row[0]);
        const std::string read = "Mailbox not converted: its target file is a mailbox this run reads, " + store +
                                 "\\" + road.Files[0].first;
        EXPECT_EQ(reasons, (std::multiset<std::string>{road.ByLink ? read : own, read}));
    }

    // The folder tree restored into a folder the search reaches: the run
    // knows its sources before it writes, so its copies are never found,
    // as its target or as mailboxes without their index.
    const struct {
        TMailFormat Format;
        const char* Pattern;
        std::map<std::string, std::string> Copies;  // below the target folder
    } trees[] = {
        {mftMbox, "*.*", {{"mail\\Inbox", Mbox({6})}}},
        {mftThunderbird, "*.msf", {{"mail\\Inbox", Mbox({6})}, {"mail\\A.sbd\\B", Mbox({7})}}},
    };
    for (const auto& t : trees) {
        TConvertRun tree;
        const std::string top = tree.Dir.File("mail");
        PutFile(top + "\\Inbox", Mbox({6}));
        if (t.Format == mftThunderbird) {
            PutFile(top + "\\Inbox.msf", "index");
            PutFile(top + "\\A.sbd\\B", Mbox({7}));
            PutFile(top + "\\A.sbd\\B.msf", "index");
        }
        tree.Add(top + "\\" + t.Pattern, t.Format);
        tree.Host.Choices.IncludeSubfolders = true;
        tree.Host.Choices.RestoreFolderTree = true;
        tree.Target(mftMboxUnix, top + "\\zz\\");
        tree.Start();
        const int boxes = static_cast<int>(t.Copies.size());
        EXPECT_EQ(tree.Summary(), Counters(boxes, boxes, 0, 0)) << tree.LogText();
        EXPECT_EQ(tree.Lines("Mailbox skipped").size(), 0u) << tree.LogText();
        EXPECT_EQ(TreeFiles(top + "\\zz"), t.Copies);
    }
}

namespace {

long PathLookups = 0;
TImportHook* ShortHook = nullptr;
TImportHook* LongHook = nullptr;

DWORD WINAPI CountedShortPath(LPCSTR Path, LPSTR Buffer, DWORD Size)
{
    ++PathLookups;
    return reinterpret_cast<decltype(&GetShortPathNameA)>(ShortHook->Original())(Path, Buffer, Size);
}

// A look-up of one name for its long form; listings carry a wildcard.
HANDLE WINAPI CountedLongPath(LPCWSTR Path, LPWIN32_FIND_DATAW Data)
{
    if (!std::wcspbrk(Path + (std::wcsncmp(Path, L"\\\\?\\", 4) == 0 ? 4 : 0), L"*?"))
        ++PathLookups;
    return reinterpret_cast<decltype(&FindFirstFileW)>(LongHook->Original())(Path, Data);
}

}  // namespace

TEST(KvConvertHostile, ThousandsOfMailboxesEachLookUpTheirTargetAFewTimes)
{
    // Every mailbox found is checked against every target the run opened:
    // by comparing names pairwise on disk that grows with the square of a
    // store's mailboxes.
    // A tilde in a name may make it the short form of another, so such
    // names are looked up on disk: once each.
    TConvertRun r;
    const std::string src = r.Dir.File("old~mail"), out = r.Dir.File("new~mail");
    constexpr int Boxes = 1000;
    for (int I = 1; I <= Boxes; ++I)
        PutFile(src + "\\box" + std::to_string(I) + ".mbox", Mbox({I}));
    r.Add(src + "\\*.mbox", mftMbox);
    r.Target(mftMboxUnix, out + "\\");
    TImportHook Short("kernel32.dll", "GetShortPathNameA", reinterpret_cast<void*>(&CountedShortPath));
    TImportHook Long("kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(&CountedLongPath));
    ASSERT_TRUE(Short.Hooked() && Long.Hooked());
    ShortHook = &Short;
    LongHook = &Long;
    PathLookups = 0;
    r.Start();
    const long Lookups = PathLookups;
    ShortHook = LongHook = nullptr;
    EXPECT_EQ(r.Summary(), Counters(Boxes, Boxes, 0, 0));
    EXPECT_LE(Lookups, 16L * Boxes) << Lookups;
    EXPECT_EQ(TTestFolder::Read(out + "\\box999.mbox"), Mbox({999}));
}

TEST(KvConvertHostile, AnUnusableTargetFolderIsReportedOnceBeforeAnyMailbox)
{
    TConvertRun r;
    PutFile(r.Dir.File("src\\box"), Mbox({1, 2}));
    PutFile(r.Dir.File("file"), "a file");
    r.Add(r.Dir.File("src\\box"), mftMbox);
    // A drive letter with nothing behind it.
    char missing = 0;
    for (char d = 'Q'; d <= 'Y' && !missing; ++d)
        if (!(GetLogicalDrives() & (1u << (d - 'A'))))
            missing = d;
    std::string deep = r.Dir.File("");
    while (deep.size() < 250)
        deep += deep.size() % 50 == 49 ? '\\' : 'x';
    deep.back() = 'x';  // typed with a doubled backslash, the folder is another
    const struct {
        std::string Text;
        std::string Folder;  // as the message names it
        const char* Reason;
    } cases[] = {
        {r.Dir.File("CON\\"), r.Dir.File("CON"), "CON is a device name"},
        {r.Dir.File("out\\nul.x\\"), r.Dir.File("out\\nul.x"), "nul.x is a device name"},
        // Target files named like a device, any case, with or without an
        // extension or trailing dots.
        {r.Dir.File("out\\nul.mbox"), r.Dir.File("out\\nul.mbox"), "nul.mbox is a device name"},
        // Named as Windows reads it, without its trailing dot.
        {r.Dir.File("NUL."), r.Dir.File("NUL"), "NUL is a device name"},
        {r.Dir.File("NUL"), r.Dir.File("NUL"), "NUL is a device name"},
        {r.Dir.File("Aux.mbox"), r.Dir.File("Aux.mbox"), "Aux.mbox is a device name"},
        {r.Dir.File("com1.txt"), r.Dir.File("com1.txt"), "com1.txt is a device name"},
        {r.Dir.File("CONOUT$"), r.Dir.File("CONOUT$"), "CONOUT$ is a device name"},
        {r.Dir.File("file\\"), r.Dir.File("file"), "it is a file, not a folder"},
        {r.Dir.File("a<b\\"), r.Dir.File("a<b"), "the path holds characters a folder name cannot hold"},
        {r.Dir.File("a?b\\*.mbox"), r.Dir.File("a?b"), "the path holds characters a folder name cannot hold"},
        // A colon past the drive's.
        {r.Dir.File("a:b\\"), r.Dir.File("a:b"), "the path holds characters a folder name cannot hold"},
        {std::string(1, missing) + ":\\out\\", std::string(1, missing) + ":\\out", "the folder cannot be created"},
        {deep + "\\", deep, "the path is longer than Windows allows"},
    };
    for (const auto& c : cases) {
        for (const TMailFormat format : {mftEml, mftMboxWin}) {
            r.Target(format, c.Text);
            r.Start();
            ASSERT_EQ(r.Host.Log.size(), 2u) << c.Text << "\n" << r.LogText();
            EXPECT_EQ(r.Host.Log[0].rfind("Target folder cannot be used: " + c.Folder + ": " + c.Reason, 0), 0u)
                << r.Host.Log[0];
            EXPECT_EQ(r.Host.Log[1], "Processing stopped.");
            EXPECT_TRUE(r.Driver.TargetFailedRun());
        }
    }
    // An existing folder that is the target file of an mbox run.
    ForceFolders(r.Dir.File("taken"));
    r.Target(mftMboxWin, r.Dir.File("taken"));
    r.Start();
    ASSERT_EQ(r.Host.Log.size(), 2u) << r.LogText();
    EXPECT_EQ(r.Host.Log[0], "Target folder cannot be used: " + r.Dir.File("taken") + ": the target file is a folder");
    // No target at all: the run stops before a mailbox's target is named.
    r.Target(mftMboxWin, "");
    r.Start();
    ASSERT_EQ(r.Host.Log.size(), 2u) << r.LogText();
    EXPECT_EQ(r.Host.Log[0], "Target folder cannot be used: no target folder was given");

    // A folder that refuses writes: a read-only file system.
    TSmallDisk locked(r.Dir.File("ro"), "ro,size=16k");
    if (!locked.Mounted()) {
        std::printf("a read-only file system needs root to mount; that case did not run\n");
        return;
    }
    r.Target(mftEml, r.Dir.File("ro\\"));
    r.Start();
    ASSERT_EQ(r.Host.Log.size(), 2u) << r.LogText();
    EXPECT_EQ(r.Host.Log[0].rfind("Target folder cannot be used: " + r.Dir.File("ro") + ": no file can be written there: ",
                                  0),
              0u)
        << r.Host.Log[0];
}

TEST(KvConvertHostile, DamagedEudoraIndexEntriesAreMendedAndCounted)
{
    TConvertRun r;
    std::vector<std::string> msgs;
    std::string mbx;
    for (const char* s : {"one", "two", "three", "four"}) {
        msgs.push_back(std::string("From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: ") + s +
                       "\r\nContent-Type: text/plain\r\n\r\nbody\r\n");
        mbx += msgs.back();
    }
    const auto size = [&](size_t i) { return static_cast<std::uint32_t>(msgs[i].size()); };
    const std::uint32_t at1 = size(0), at2 = at1 + size(1), at3 = at2 + size(2);
    // Entry 1 without a length, entry 2 running into message three, entry 3
    // starting inside its message, entry 4 outside the data file, entry 5
    // for message four as it should be.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> entries{
        {0, 0}, {at1, size(1) + size(2)}, {at2 + 7, size(2) - 7}, {900000, 40}, {at3, size(3)}};
    std::string toc(104, '\0');
    toc[0] = 0x30;
    toc.replace(8, 2, "In");
    toc[102] = static_cast<char>(entries.size());
    for (const auto& [offset, length] : entries) {
        std::string e(218, '\0');
        for (int i = 0; i < 4; ++i) {
            e[i] = static_cast<char>(offset >> (8 * i));
            e[4 + i] = static_cast<char>(length >> (8 * i));
        }
        e[12] = 1;
        toc += e;
    }
    PutFile(r.Dir.File("eudora\\In.toc"), toc);
    PutFile(r.Dir.File("eudora\\In.mbx"), mbx);
    r.Add(r.Dir.File("eudora\\In.toc"), mftEudoraToc);
    r.Target(mftEml, r.Out() + "\\");
    {
        const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
        r.Start();
    }
    EXPECT_EQ(Written(r), (std::vector<std::string>{"four.eml", "one.eml", "three.eml", "two.eml"})) << r.LogText();
    // Three mends and one unreadable entry: four rows, four errors.
    EXPECT_EQ(r.Summary(), Counters(1, 4, 0, 4)) << r.LogText();

    // Each row names the data file, and the message by number and offset.
    const std::string log = TTestFolder::Read(r.Dir.File("errors.txt"));
    std::vector<std::vector<std::string>> rows;
    for (size_t p = 0, q; (q = log.find("\r\n", p)) != std::string::npos; p = q + 2) {
        std::vector<std::string> columns;
        const std::string line = log.substr(p, q - p);
        for (size_t a = 0;;) {
            const size_t b = line.find('\t', a);
            columns.push_back(line.substr(a, b == std::string::npos ? b : b - a));
            if (b == std::string::npos)
                break;
            a = b + 1;
        }
        if (columns[0].rfind("Index entry ", 0) == 0)
            rows.push_back(columns);
    }
    ASSERT_EQ(rows.size(), 4u) << log;
    const std::string wanted[] = {"In, message 1 at offset 0", "In, message 2 at offset " + std::to_string(at1),
                                  "In, message 3 at offset " + std::to_string(at2 + 7),
                                  "In, message 4 at offset 900000"};
    for (size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 5u);
        EXPECT_EQ(rows[i][1], r.Dir.File("eudora\\In.mbx"));
        EXPECT_EQ(rows[i][2], wanted[i]) << rows[i][0];
    }

    // The data file the index names is a mailbox the run reads.
    {
        r.Driver.FallbackErrorLog = r.Dir.File("fallback.txt");
        const TErrorLogAt dataLog(r.Dir.File("eudora\\In.mbx"));
        r.Start();
        EXPECT_EQ(r.Host.Log.front(), "Error log cannot be written: " + r.Dir.File("eudora\\In.mbx") +
                                          ": it is a mailbox this run reads; its rows go to " + r.Dir.File("fallback.txt"));
        EXPECT_EQ(TTestFolder::Read(r.Dir.File("eudora\\In.mbx")), mbx);
    }

    // Three entries of one start, the second reaching over message two:
    // message two is read, and only the third repeat is read once. One
    // reaching over messages two and three gives both, cut between them;
    // so does the first entry, when a later one of its start ends sooner.
    const std::pair<std::uint32_t, std::uint32_t> repeats[][5] = {
        {{0, at1}, {0, at2}, {0, at1 + 5}, {at2, size(2)}, {at3, size(3)}},
        {{0, at1}, {0, at3}, {0, at1 + 5}, {at3, size(3)}, {0, at2}},
        {{0, at3}, {at3, size(3)}, {0, at1}, {0, at1 + 5}, {0, at2}}};
    const std::string more = "; what it holds past that entry's end read as a message of its own from offset ";
    const std::string firstRows[] = {more + std::to_string(at1), more + std::to_string(at1),
                                     "; read to offset " + std::to_string(at1) +
                                         ", where an entry of the same start ends, and what follows as messages of "
                                         "their own"};
    for (const auto& repeated : repeats) {
        const size_t k = static_cast<size_t>(&repeated - repeats);
        r.Host.Sources.Clear();
        r.Add(r.Dir.File("eudora\\In.toc"), mftEudoraToc);
        r.Target(mftEml, r.Out() + "\\");
        for (size_t e = 0; e < entries.size(); ++e)
            for (int i = 0; i < 4; ++i) {
                toc[104 + 218 * e + i] = static_cast<char>(repeated[e].first >> (8 * i));
                toc[104 + 218 * e + 4 + i] = static_cast<char>(repeated[e].second >> (8 * i));
            }
        PutFile(r.Dir.File("eudora\\In.toc"), toc);
        for (const std::string& name : Written(r))
            DeleteFileA((r.Out() + "\\" + name).c_str());
        DeleteFileA(r.Dir.File("repeats.txt").c_str());
        const TErrorLogAt repeatsLog(r.Dir.File("repeats.txt"));
        r.Start();
        EXPECT_EQ(Written(r), (std::vector<std::string>{"four.eml", "one.eml", "three.eml", "two.eml"})) << r.LogText();
        EXPECT_EQ(TTestFolder::Read(r.Out() + "\\two.eml").find("three"), std::string::npos);
        const std::vector<std::vector<std::string>> said = ErrorRows(r.Dir.File("repeats.txt"));
        EXPECT_EQ(r.Summary(), Counters(1, 4, 0, static_cast<int>(said.size()))) << r.LogText();
        ASSERT_EQ(said.size(), k + 2);
        EXPECT_TRUE(said[0][0].ends_with(firstRows[k])) << said[0][0];
        for (size_t i = 1; i < said.size(); ++i)
            EXPECT_TRUE(said[i][0].ends_with("; read once")) << said[i][0];

        // An mbox copy holds the same four messages, and reads back as them.
        const std::string copy = r.Dir.File("copy" + std::to_string(k) + ".mbox");
        r.Target(mftMboxWin, copy);
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 4, 0, static_cast<int>(said.size()))) << r.LogText();
        r.Host.Sources.Clear();
        r.Add(copy, mftMbox);
        r.Target(mftEml, r.Dir.File("back" + std::to_string(k) + "\\"));
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 4, 0, 0)) << r.LogText();
        EXPECT_EQ(TreeFiles(r.Dir.File("back" + std::to_string(k))).size(), 4u);
    }
}

// An index of the Macintosh program beside its data file gives no message;
// the log says why and the run counts it, with lengths past the data file's
// end in a Windows index read as the messages they are, never "Disk full".
TEST(KvConvertHostile, EudoraIndexesThatGiveNothingOrTooMuchSayWhy)
{
    TConvertRun r;
    const std::string msg = "From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: one\r\n\r\nbody\r\n";
    std::string toc(104 + 218, '\0');
    toc[102] = 1;
    toc[104 + 4] = static_cast<char>(0xFF);
    toc[104 + 5] = toc[104 + 6] = toc[104 + 7] = static_cast<char>(0xFF);
    PutFile(r.Dir.File("win\\In.toc"), toc);
    PutFile(r.Dir.File("win\\In.mbx"), msg);
    for (const char* ext : {".toc", ".mbx"})
        ASSERT_TRUE(PutWideNamedFile(r.Dir.File("win"), "\xD0\xA8\xD0\xBA\xD0\xBE\xD0\xBB\xD0\xB0" + std::string(ext),
                                     ext[1] == 't' ? toc : msg));
    std::swap(toc[102], toc[103]);
    PutFile(r.Dir.File("mac\\In.toc"), toc);
    PutFile(r.Dir.File("mac\\In.mbx"), msg);
    // An index listing a message of an empty data file; an empty index
    // beside a data file with a message.
    PutFile(r.Dir.File("nodata\\In.toc"), toc);
    PutFile(r.Dir.File("nodata\\In.mbx"), "");
    PutFile(r.Dir.File("noindex\\In.toc"), "");
    PutFile(r.Dir.File("noindex\\In.mbx"), msg);
    // An index named by hand that is not there, beside its data file.
    PutFile(r.Dir.File("lost\\In.mbx"), msg);
    for (const char* folder : {"win", "mac", "nodata", "noindex", "lost"})
        r.Add(r.Dir.File(folder + std::string("\\In.toc")), mftEudoraToc);
    // The same named outside the code page: its index comes by its short
    // name, which its data file does not share.
    r.Add(OpenableAnsiPath(AnsiToWideStr(r.Dir.File("win")) + L"\\\u0428\u043a\u043e\u043b\u0430.toc"), mftEudoraToc);
    // Its data file missing, beside a file that merely carries the short
    // name its index has: that file is no data file of it.
    const std::wstring shade = AnsiToWideStr(r.Dir.File("ghost")) + L"\\\u0422\u0435\u043d\u044c";
    CreateDirectoryW(AnsiToWideStr(r.Dir.File("ghost")).c_str(), nullptr);
    std::swap(toc[102], toc[103]);
    ASSERT_TRUE(TTestFolder::Put(shade + L".toc", toc));
    const std::string shortToc = OpenableAnsiPath(shade + L".toc");
    ASSERT_NE(shortToc.find('~'), std::string::npos);
    PutFile(SetFileExt(shortToc, "mbx"), msg);
    r.Add(shortToc, mftEudoraToc);
    r.Target(mftEml, r.Out() + "\\");
    const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
    r.Start();
    std::vector<std::string> missing;
    for (const std::vector<std::string>& row : ErrorRows(r.Dir.File("errors.txt")))
        if (row[0] == "Mailbox not found")
            missing.push_back(row[1]);
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0], r.Dir.File("lost\\In.toc"));
    EXPECT_EQ(missing[1].find('~'), std::string::npos) << missing[1];
    const std::string log = r.LogText();
    EXPECT_EQ(log.find("Disk full"), std::string::npos) << log;
    EXPECT_NE(log.find("not in the Windows form"), std::string::npos) << log;
    EXPECT_EQ(r.Lines("Mailbox data file is empty, but its index lists messages").size(), 1u) << log;
    EXPECT_EQ(r.Lines("Index file is empty: the messages of its data file were not read").size(), 1u) << log;
    EXPECT_EQ(r.Lines("Mailbox not found").size(), 2u) << log;
    EXPECT_EQ(Written(r), (std::vector<std::string>{"one.eml", "one[1].eml"}));
    EXPECT_EQ(r.Summary(), Counters(3, 2, 0, 7)) << log;
}

TEST(KvConvertHostile, ConsoleNamesAreDeviceNamesAsSubjectsMailboxesAndTargets)
{
    TConvertRun r;
    const std::string src = r.Dir.File("src");
    std::string box;
    // COM¹ in UTF-8 and LPT² in Latin-1: both reach the name as the ANSI
    // code page's bytes.
    for (const char* subject : {"CONIN$", "conout$.txt", "=?UTF-8?Q?COM=C2=B9?=", "LPT\xB2.txt"})
        box += std::string("From a@b Mon Jan  5 10:00:00 2009\nSubject: ") + subject + "\n\nbody\n\n";
    PutFile(src + "\\box", box);
    ASSERT_TRUE(PutWideNamedFile(src, "CONIN$", Mbox({1})));
    ASSERT_TRUE(PutWideNamedFile(src, "COM\xC2\xB3", Mbox({2})));
    // A full-width digit, which the code page makes a plain one: no device.
    ASSERT_TRUE(PutWideNamedFile(src, "COM\xEF\xBC\x91", Mbox({3})));
    r.Add(src + "\\*.*", mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    r.Start();
    EXPECT_EQ(Written(r), (std::vector<std::string>{"_COM\xB9.eml", "_CONIN$.eml", "_LPT\xB2.txt.eml",
                                                    "_conout$.txt.eml", "note 3.eml"}))
        << r.LogText();
    EXPECT_EQ(r.Lines("Not searched: " + src + "\\CONIN$ (a device name").size(), 1u) << r.LogText();
    EXPECT_EQ(r.Lines("Not searched: " + src + "\\COM\xB3 (a device name").size(), 1u) << r.LogText();

    for (const std::string device : {"CONOUT$", "COM\xB2"}) {
        r.Target(mftEml, r.Dir.File(device + "\\"));
        r.Start();
        EXPECT_EQ(r.Host.Log[0], "Target folder cannot be used: " + r.Dir.File(device) + ": " + device +
                                     " is a device name");
    }
}

TEST(KvConvertHostile, DigestNamesSkipOnlyTheSameBytes)
{
    // Three patches under one Message-ID, the first of them twice.
    std::string box;
    for (const char* body : {"patch one", "patch two", "patch one", "patch three"})
        box += std::string("From a@b Mon Jan  5 10:00:00 2009\nSubject: p\nMessage-ID: <same@b>\n\n") + body + "\n\n";
    for (const std::int64_t large : {DefaultLargeMessageSize, std::int64_t(10)}) {
        TConvertRun r;
        r.Driver.LargeMessageSize = large;
        PutFile(r.Src("box"), box);
        r.Add(r.Src("box"), mftMbox);
        r.Host.Choices.Md5FileNames = true;
        r.Target(mftEml, r.Out() + "\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 3, 1, 0)) << r.LogText();
        const std::vector<std::string> names = Written(r);
        ASSERT_EQ(names.size(), 3u);
        EXPECT_EQ(names[1], names[0].substr(0, 32) + "[1].eml");
        EXPECT_EQ(names[2], names[0].substr(0, 32) + "[2].eml");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(1, 0, 4, 0)) << r.LogText();
        EXPECT_EQ(Written(r).size(), 3u);
    }
}

TEST(KvConvertHostile, AnErrorLogThatCannotBeWrittenFallsBackOnce)
{
    TConvertRun r;
    PutFile(r.Dir.File("ro.txt"), "old rows");
    SetFileAttributesA(r.Dir.File("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ForceFolders(r.Dir.File("folder"));
    r.Driver.FallbackErrorLog = r.Dir.File("fallback.txt");
    r.Add(r.Src("missing"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    const struct {
        std::string Log, Reason;
    } cases[] = {{r.Dir.File("folder"), "it is a folder"},
                 {r.Dir.File("ro.txt"), "the file is read-only"},
                 {r.Dir.File("CON"), "CON is a device name"},
                 {r.Dir.File("nul.txt"), "nul.txt is a device name"},
                 {r.Dir.File("*.txt"), SystemErrorText(ERROR_INVALID_NAME)},
                 {"Z:\\dev\\full", "it is a device, not a file"},
                 {r.Dir.File("fifo"), "it is a device, not a file"}};
    ASSERT_TRUE(MakeFifo(r.Dir.File("fifo")));
    for (const auto& c : cases) {
        const TErrorLogAt errorLog(c.Log);
        r.Start();
        EXPECT_EQ(r.Host.Log.front(), "Error log cannot be written: " + c.Log + ": " + c.Reason +
                                          "; its rows go to " + r.Dir.File("fallback.txt"));
        EXPECT_EQ(r.Host.Log.back(), "Error log: " + r.Dir.File("fallback.txt"));
        // Said once: the next run goes on with the fallback.
        r.Start();
        EXPECT_EQ(r.Lines("Error log cannot be written: ").size(), 0u) << c.Log;
        EXPECT_EQ(r.Host.Log.back(), "Error log: " + r.Dir.File("fallback.txt"));
        EXPECT_EQ(ErrorRows(r.Dir.File("fallback.txt")).size(), 2u) << c.Log;
        DeleteFileA(r.Dir.File("fallback.txt").c_str());
    }
    EXPECT_EQ(TTestFolder::Read(r.Dir.File("ro.txt")), "old rows");

    TSmallDisk locked(r.Dir.File("ro"), "ro,size=16k");
    if (!locked.Mounted())
        GTEST_SKIP() << "a read-only file system needs root to mount; that case did not run";
    const TErrorLogAt errorLog(r.Dir.File("ro\\errors.txt"));
    r.Start();
    const std::string said = "Error log cannot be written: " + r.Dir.File("ro\\errors.txt") + ": no file can be written";
    EXPECT_EQ(r.Host.Log.front().rfind(said, 0), 0u) << r.Host.Log.front();
    EXPECT_EQ(ErrorRows(r.Dir.File("fallback.txt")).size(), 1u);
}

TEST(KvConvertHostile, AnErrorLogNamingTheRunsOwnMailIsNeverWritten)
{
    // Rows written into a mailbox the run reads or a target it writes
    // would damage the user's mail: said at the start, rows to the default.
    TConvertRun r;
    r.Driver.FallbackErrorLog = r.Dir.File("fallback.txt");
    PutFile(r.Src("box"), Mbox({1}));
    PutFile(r.Src("found\\other"), Mbox({2}));
    PutFile(r.Dir.File("loose"), Mbox({3}));
    PutFile(r.Src("again\\other"), Mbox({4}));
    r.Add(r.Src("box"), mftMbox);
    r.Add(r.Src("missing"), mftMbox);
    r.Add(r.Src("found\\*.*"), mftMbox);
    const struct {
        std::string Log;
        TMailFormat Format;
        std::string Target, Reason;
    } cases[] = {
        {r.Src("box"), mftEml, r.Out() + "\\", "it is a mailbox this run reads"},
        {r.Src("found\\other"), mftEml, r.Out() + "\\", "it is a mailbox this run reads"},
        {r.Dir.File("loose"), mftEml, r.Out() + "\\", "it is a mailbox"},
        {r.Out() + "\\all", mftMboxUnix, r.Out() + "\\all", "it is this run's target file"},
        {r.Out() + "\\box", mftMboxUnix, r.Out() + "\\", "it is this run's target file"},
    };
    for (const auto& c : cases) {
        r.Target(c.Format, c.Target);
        const TErrorLogAt errorLog(c.Log);
        r.Start();
        EXPECT_EQ(r.Host.Log.front(), "Error log cannot be written: " + c.Log + ": " + c.Reason +
                                          "; its rows go to " + r.Dir.File("fallback.txt"));
        EXPECT_EQ(r.Host.Log.back(), "Error log: " + r.Dir.File("fallback.txt"));
        EXPECT_EQ(r.Summary(), Counters(2, 2, 0, 1)) << c.Log;
        const auto rows = ErrorRows(r.Dir.File("fallback.txt"));
        ASSERT_EQ(rows.size(), 1u) << c.Log;
        EXPECT_EQ(rows[0][0], "Mailbox not found");
        EXPECT_EQ(TTestFolder::Read(r.Src("box")), Mbox({1}));
        EXPECT_EQ(TTestFolder::Read(r.Src("found\\other")), Mbox({2}));
        DeleteFileA(r.Dir.File("fallback.txt").c_str());
    }
    // Where the copy of a mailbox that only the search finds would go, met
    // after the first row or before it: that mailbox is an error with its
    // row, and the run goes on. Message files go elsewhere.
    // The log may be named through a link to the target folder, and be
    // met before its first row or after it.
    std::optional<TFolderLink> link;
    for (const std::string folder : {"\\new\\", "\\first\\", "\\eml\\", "\\linked\\", "\\relinked\\"}) {
        const bool eml = folder == "\\eml\\";
        if (folder == "\\first\\" || folder == "\\relinked\\") {
            r.Host.Sources.Clear();
            for (const char* entry : {"found\\*.*", "missing", "box"})
                r.Add(r.Src(entry), mftMbox);
            if (folder != "\\first\\") {
                r.Host.Sources.Exchange(0, 1);
                // A second mailbox whose copy meets the log once it is open.
                r.Add(r.Src("again\\other"), mftMbox);
            }
        }
        const std::string alias = r.Dir.File(folder.substr(1, folder.size() - 2) + ".alias");
        if (folder.find("linked") != std::string::npos) {
            ForceFolders(r.Out() + folder);
            link.emplace(alias, r.Out() + folder);
            ASSERT_TRUE(link->Exists());
            // The log is there before the run, as a log of an earlier one.
            PutFile(alias + "\\other", "");
        }
        const std::string log = link ? alias + "\\other" : r.Out() + folder + "other";
        r.Target(eml ? mftEml : mftMboxUnix, r.Out() + folder);
        const TErrorLogAt errorLog(log);
        r.Start();
        const bool again = folder == "\\relinked\\";
        EXPECT_EQ(r.Summary(), eml ? Counters(2, 2, 0, 1) : Counters(1, 1, 0, again ? 3 : 2)) << r.LogText();
        EXPECT_EQ(r.Host.Log.back(), "Error log: " + log);
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : ErrorRows(log))
            rows.emplace_back(row.begin(), row.begin() + 2);
        std::sort(rows.begin(), rows.end());
        std::vector<std::vector<std::string>> wanted{{"Mailbox not found", r.Src("missing")}};
        for (const char* box : {"again\\other", "found\\other"})
            if (!eml && (again || *box == 'f'))
                wanted.insert(wanted.end() - 1,
                              {"Mailbox not converted: its mbox copy would go into the error log, " + log, r.Src(box)});
        EXPECT_EQ(rows, wanted) << TTestFolder::Read(log);
        EXPECT_EQ(CountOf(TTestFolder::Read(log), "From a@b"), 0);
        if (eml)
            EXPECT_EQ(TreeFiles(r.Out() + folder).count("note 2.eml"), 1u);
        else
            EXPECT_EQ(TTestFolder::Read(r.Out() + folder + "box"), Mbox({1}));
    }
    // An index a search reads, named as the log by any spelling: refused
    // before the run, the index kept, and the store's messages read.
    TConvertRun s;
    s.Driver.FallbackErrorLog = s.Dir.File("fallback.txt");
    PutFile(s.Src("tb\\Inbox"), Mbox({4}));
    PutFile(s.Src("tb\\Inbox.msf"), "index");
    const std::string five = Message(5, "\r\n");
    PutFile(s.Src("eu\\In.toc"), OneEntryToc(five.size()));
    PutFile(s.Src("eu\\In.mbx"), five);
    ForceFolders(s.Src("tb\\sub"));
    s.Add(s.Src("tb\\*.msf"), mftThunderbird);
    s.Add(s.Src("eu\\*.toc"), mftEudoraToc);
    s.Target(mftEml, s.Out() + "\\");
    for (const std::string& log :
         {s.Src("tb\\Inbox.msf"), s.Src("tb\\sub\\..\\INBOX.MSF"), s.Src("eu\\In.toc"), s.Src("eu\\In.mbx")}) {
        const TErrorLogAt errorLog(log);
        s.Start();
        EXPECT_EQ(s.Host.Log.front(), "Error log cannot be written: " + log +
                                          ": it is a mailbox this run reads; its rows go to " + s.Dir.File("fallback.txt"));
        EXPECT_EQ(s.Summary(), Counters(2, 2, 0, 0)) << s.LogText();
        EXPECT_EQ(TTestFolder::Read(s.Src("tb\\Inbox.msf")), "index");
        EXPECT_EQ(TTestFolder::Read(s.Src("eu\\In.toc")), OneEntryToc(five.size()));
        EXPECT_EQ(GetFileAttributesA((s.Src("tb\\Inbox.msf") + ".bak").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST(KvConvertHostile, AnEmlTargetFolderThatGoesAwayStopsTheRun)
{
    TConvertRun r;
    PutFile(r.Src("box"), Mbox({1, 2, 3, 4}));
    r.Add(r.Src("box"), mftMbox);
    r.Add(r.Src("box"), mftMbox);
    r.Target(mftEml, r.Out() + "\\");
    const std::string first = r.Out() + "\\note 1.eml";
    // The bar's interval passes with every message, so every one pumps
    // and sets the bar.
    std::uint64_t now = 0;
    r.Driver.Clock = [&] { return now += TConvertDriver::BarIntervalMs; };
    r.Host.OnPump = [&] {
        if (DeleteFileA(first.c_str()))
            RemoveDirectoryA(r.Out().c_str());
    };
    r.Start();
    EXPECT_EQ(r.Lines("Target folder cannot be written: " + r.Out() + "\\: the folder is gone").size(), 1u)
        << r.LogText();
    EXPECT_EQ(r.Summary(), Counters(1, 1, 0, 1)) << r.LogText();
    EXPECT_EQ(r.Host.Log.back(), "Processing stopped: the target cannot be written.");

    TConvertRun full;
    TSmallDisk disk(full.Dir.File("small"), "size=64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "a small disk needs root to mount; the full-disk case did not run";
    std::string big = Message(2);
    big.insert(big.size() - 1, std::string(100000, 'x') + "\n");
    PutFile(full.Src("box"), Message(1) + big + Message(3));
    full.Add(full.Src("box"), mftMbox);
    full.Target(mftEml, full.Dir.File("small\\"));
    full.Start();
    const std::vector<std::string> failed = full.Lines("Target folder cannot be written: ");
    ASSERT_EQ(failed.size(), 1u) << full.LogText();
    const std::string reason = failed[0].substr(failed[0].rfind(": ") + 2);
    EXPECT_TRUE(reason == SystemErrorText(ERROR_DISK_FULL) || reason == SystemErrorText(ERROR_HANDLE_DISK_FULL))
        << reason;
    EXPECT_EQ(full.Summary(), Counters(1, 1, 0, 1)) << full.LogText();
    // No cut-off second message file is left beside the whole first one.
    std::vector<std::string> left;
    for (const auto& [name, bytes] : TreeFiles(full.Dir.File("small")))
        left.push_back(name);
    EXPECT_EQ(left, std::vector<std::string>{"note 1.eml"});
}

TEST(KvConvertHostile, AMailboxThatChangesDuringTheRunSaysSo)
{
    // Three messages each larger than the window: the two after them are
    // read from the file only after the change.
    std::string bigs;
    for (const int n : {1, 2, 3}) {
        std::string big = Message(n);
        for (int line = 0; line * 100 < DefaultMailBufferSize; ++line)
            big.insert(big.size() - 1, std::string(99, 'x') + "\n");
        bigs += big;
    }
    const std::string grown = "Mailbox changed during the run: it was converted as it was when opened";
    const std::string five = bigs + Mbox({4, 5});
    const std::string cutLine = "Mailbox ends inside a separator line at offset " + std::to_string(Mbox({1, 2}).size());
    const struct {
        std::string Box;
        int Change;  // bytes added (two messages) or cut off the end
        TMailFormat Format;
        bool Large;  // every message too large to load
        std::string Summary, Row;
    } cases[] = {
        {Mbox({1, 2, 3}), +1, mftEml, true, Counters(1, 3, 0, 1), grown},
        {Mbox({1, 2, 3}), -30, mftEml, true, Counters(1, 2, 0, 1), "Mailbox cut during the run: not read from message 3 on"},
        {Mbox({1, 2, 3}), -30, mftMboxUnix, true, Counters(1, 2, 0, 1), "Mailbox cut during the run: not read from message 3 on"},
        {bigs + Mbox({4, 5}), +1, mftEml, false, Counters(1, 5, 0, 1), grown},
        {bigs + Mbox({4, 5}), -static_cast<int>(Message(5).size()) - 30, mftEml, false, Counters(1, 3, 0, 1),
         "Mailbox cut during the run: not read from message 4 on"},
        {bigs + Mbox({4, 5}), -static_cast<int>(Message(5).size()) - 30, mftMboxUnix, false, Counters(1, 3, 0, 1),
         "Mailbox cut during the run: not read from message 4 on"},
        // Cut while the reader stands on a message it has found: that
        // message holds none or only some of its bytes now.
        {five, -static_cast<int>(five.size()), mftEml, false, Counters(1, 2, 0, 1),
         "Mailbox cut during the run: not read from message 3 on"},
        {five, 10 - static_cast<int>(five.size()), mftMboxUnix, false, Counters(1, 2, 0, 1),
         "Mailbox cut during the run: not read from message 3 on"},
        // Unchanged, but a write cut inside a separator line left its start
        // at the end: no target copies it on as a piece another reader takes
        // for a message, and one row names where it stands.
        {Mbox({1, 2}) + "From u3@exam", 0, mftEml, false, Counters(1, 2, 0, 1), cutLine},
        {Mbox({1, 2}) + "From u3@exam", 0, mftMboxUnix, false, Counters(1, 2, 0, 1), cutLine},
        {Mbox({1, 2}) + "From u3@example.com Mon Ja", 0, mftEml, false, Counters(1, 2, 0, 1), cutLine},
        {Mbox({1, 2}) + "From u3@example.com Mon Ja", 0, mftMboxUnix, false, Counters(1, 2, 0, 1), cutLine},
    };
    for (const auto& c : cases) {
        TConvertRun r;
        if (c.Large)
            r.Driver.LargeMessageSize = 10;
        PutFile(r.Src("box"), c.Box);
        r.Add(r.Src("box"), mftMbox);
        r.Target(c.Format, r.Out() + "\\");
        const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
        // The bar's interval passes with every message, so every one pumps
        // and sets the bar.
        std::uint64_t now = 0;
        r.Driver.Clock = [&] { return now += TConvertDriver::BarIntervalMs; };
        bool changed = false;
        r.Host.OnPump = [&] {
            if (changed || c.Change == 0 || r.Host.Percent == 0)
                return;
            changed = true;
            // Shared, as a mail program appends or compacts beside the run.
            const TKernelHandle h(CreateFileA(r.Src("box").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
            const std::string bytes = c.Change > 0 ? c.Box + Message(9) + Message(10) : c.Box.substr(0, c.Box.size() + c.Change);
            DWORD put = 0;
            ASSERT_TRUE(WriteFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
            ASSERT_TRUE(SetEndOfFile(h.Get()));
        };
        r.Start();
        // One error, its row naming the true cause; the run goes on.
        EXPECT_EQ(r.Summary(), c.Summary) << r.LogText();
        EXPECT_EQ(r.Host.Log[r.Host.Log.size() - 2], "Processing finished.");
        std::vector<std::string> rows;
        for (const std::vector<std::string>& row : ErrorRows(r.Dir.File("errors.txt")))
            if (row[0].find("not rebuilt in memory") == std::string::npos)
                rows.push_back(row[0]);
        EXPECT_EQ(rows, std::vector<std::string>{c.Row}) << r.LogText();
        // The messages before the change are written whole, and nothing more.
        const int written = c.Summary[c.Summary.find(" messages") - 1] - '0';
        std::vector<std::string> names;
        size_t end = 0;
        for (int i = 1; i <= written; ++i) {
            names.push_back("note " + std::to_string(i) + ".eml");
            end = c.Box.find("\nFrom ", end + 1) + 1;
        }
        if (c.Format == mftEml)
            EXPECT_EQ(Written(r), names);
        else
            EXPECT_EQ(TTestFolder::Read(r.Out() + "\\box"), c.Box.substr(0, end));
        for (const auto& [name, bytes] : TreeFiles(r.Out()))
            EXPECT_EQ(CountOf(bytes, "From u3@"), 0) << name;
    }
}

namespace {

// The files below Folder, found through the wide API at any depth, by their
// paths below it (each after Below), with their bytes.
void FilesBelow(const std::string& Folder, const std::string& Below, std::map<std::string, std::string>& Files)
{
    WIN32_FIND_DATAW fd;
    const TFindHandle find(FindFirstFileW(LongPathForm(Folder + "\\*").c_str(), &fd));
    for (bool more = find.Valid(); more; more = FindNextFileW(find.Get(), &fd)) {
        const std::string name = DefaultWideToAnsi(fd.cFileName);
        if (name == "." || name == "..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            FilesBelow(Folder + "\\" + name, Below + name + "\\", Files);
        else
            Files[Below + name] = LoadFileToString(Folder + "\\" + name);
    }
}

}  // namespace

TEST(KvConvertHostile, AMozillaTreeFiftyFoldersDeepConvertsWhole)
{
    TConvertRun r;
    std::string folder = r.Dir.File("src");
    for (int i = 0; i < 50; ++i) {
        const std::string name = folder + "\\Folder " + std::to_string(100 + i);
        ASSERT_FALSE(ForceFolders(folder).empty()) << folder.size();
        ASSERT_GE(WriteBufferToFile(Message(i).data(), Message(i).size(), name), 0) << name.size();
        ASSERT_GE(WriteBufferToFile("index", 5, name + ".msf"), 0);
        folder = name + ".sbd";
    }
    ASSERT_GT(folder.size(), 600u);
    r.Add(r.Dir.File("src\\*.msf"), mftThunderbird);
    r.Host.Choices.IncludeSubfolders = true;
    for (const bool tree : {false, true}) {
        r.Host.Choices.RestoreFolderTree = tree;
        const std::string out = r.Dir.File(tree ? "tree" : "flat");
        r.Target(mftEml, out + "\\");
        r.Start();
        EXPECT_EQ(r.Summary(), Counters(50, 50, 0, 0)) << r.LogText();
        // Each message whole under its own name; restored, each lies as deep
        // as its mailbox did.
        std::map<std::string, std::string> files, want;
        std::string below = tree ? "src\\" : "";
        for (int i = 0; i < 50; ++i) {
            const std::string m = Message(i, "\r\n");
            const size_t head = m.find('\n') + 1;  // the separator line; the blank line last is the next one's
            below += tree ? "Folder " + std::to_string(100 + i) + "\\" : "";
            want[below + "note " + std::to_string(i) + ".eml"] = m.substr(head, m.size() - head - 2);
        }
        FilesBelow(out, "", files);
        EXPECT_EQ(files, want) << r.LogText();
    }
}
