#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/KvFiles.h"
#include "mail/KvMailStream.h"
#include "mail/KvNamedFiles.h"
#include "testkit/ErrorLogAt.h"
#include "ReEmbedStore.h"

namespace {

// Whether a judge of its own allows the name.
bool Allows(const std::string& Path, TNamedFileTrust Trust, bool Received, const std::vector<std::string>& Folders,
            bool Log = true)
{
    TNamedFileJudge Judge;
    return Judge.JudgeFile(Path, Trust, Received, Folders, Log).Allowed();
}

}  // namespace

// The forms of names never opened from message data, and the place test
// that keeps ".." from leaving a folder, also past MAX_PATH.
TEST(KvNamedFiles, UnsafeFormsAndPlaces)
{
    // Shares, devices, streams and the like in received mail are tested
    // with the stores; these are the forms those do not show.
    for (const char* path : {"\\\\.\\PhysicalDrive0", "//server/share/a.pdf", "C:\\mail\\nul.txt", "C:\\*.ini", "C:a.pdf"})
        EXPECT_TRUE(IsUnsafePathForm(path)) << path;
    EXPECT_FALSE(IsUnsafePathForm("Attach\\a b.pdf"));
    // Names that depend on no folder: from a drive's root or a share's.
    for (const auto& [path, absolute] :
         {std::pair<std::string, bool>{"C:\\a.pdf", true}, {"C:/a.pdf", true}, {"C:\\", true}, {"\\\\srv\\s\\a", true},
          {"C:a.pdf", false}, {"C:", false}, {"\\a.pdf", false}, {"a\\b.pdf", false}, {"", false}})
        EXPECT_EQ(IsAbsoluteReference(path), absolute) << path;

    const std::string deep = "C:\\store\\" + std::string(300, 'd') + "\\Attach";
    const struct {
        std::string Path, Folder;
        bool Inside;
    } places[] = {
        {"C:\\store\\Attach\\a.pdf", "C:\\store\\Attach\\", true},
        {"c:\\STORE\\attach\\sub\\a.pdf", "C:\\store\\Attach", true},
        {"C:\\store\\Attach\\..\\Eudora.ini", "C:\\store\\Attach", false},
        {"C:\\store\\Attachments\\a.pdf", "C:\\store\\Attach", false},
        {"C:\\store\\Attach", "C:\\store\\Attach", false},
        {deep + "\\a.pdf", deep, true},
        {deep + "\\..\\..\\a.pdf", deep, false},
        {"C:\\a.pdf", " ", false},
    };
    for (const auto& p : places)
        EXPECT_EQ(IsPathInsideFolder(p.Path, p.Folder), p.Inside) << p.Path;

    // A short (8.3) name on either side is the long one it stands for.
    TReEmbedStore store("shortnames");
    store.Put("Attachments Folder\\long file name.pdf", "x");
    char shortPath[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(store.Dir.File("Attachments Folder\\long file name.pdf").c_str(), shortPath, MAX_PATH), 0u);
    const std::string shortFolder = ExtractFolder(shortPath);
    EXPECT_TRUE(IsPathInsideFolder(shortPath, store.Dir.File("Attachments Folder"))) << shortPath;
    EXPECT_TRUE(IsPathInsideFolder(store.Dir.File("Attachments Folder\\gone.pdf"), shortFolder)) << shortFolder;
}

// A trace of delivery or of a list in any form marks a received message;
// the store's own marks count too. A copy written here has none.
TEST(KvNamedFiles, SignsOfArrival)
{
    for (const char* header : {"Received: a\r\n", "Subject: x\r\nreceived  : a\r\n", "X-Received: a\r\n", "list-id: <l>\r\n",
                               "Return-Path: <a@b.cd>\r\n", "Delivered-To: a\r\n", "X-Original-To: a\r\n",
                               "Envelope-To: a\r\n", "ARC-Seal: i=1\r\n", "Authentication-Results: mx\r\n",
                               "X-Tessaly-Arrived: yes\r\n"})
        EXPECT_TRUE(IsReceivedMessage(header)) << header;
    EXPECT_FALSE(IsReceivedMessage("Subject: Received: no\r\n\tReceived: folded\r\nX-Receiveds: x\r\nList-: x\r\n"));
    const struct {
        TMailboxKind Kind;
        const char* File;
        TMailFlags Flags;
        bool FromIndex, Arrived;
    } marks[] = {
        {mbkMacEudora, "C:\\Mail Folder\\In", 0, false, true},
        {mbkEudoraMbx, "C:\\Eudora\\in.mbx", 0, false, true},
        {mbkEudoraToc, "C:\\Eudora\\Out.mbx", mfSentFolder | mfRead, true, true},
        {mbkEudoraToc, "C:\\Eudora\\Box.mbx", mfInbox | mfUnread, true, true},
        {mbkEudoraToc, "C:\\Eudora\\Out.mbx", mfSentFolder | mfSent, true, false},
        {mbkEudoraToc, "C:\\Eudora\\Box.mbx", mfSentFolder | mfQueued, true, false},
        {mbkEudoraMbx, "C:\\Eudora\\Box.mbx", mfRead, false, false},
        {mbkMbox, "C:\\mail\\In", 0, false, false},
    };
    for (const auto& m : marks)
        EXPECT_EQ(IsMarkedArrived(m.Kind, m.File, m.Flags, m.FromIndex), m.Arrived) << m.File << " " << m.Flags;
}

// However a message names them, a store's index and settings files, any
// file that reads as a mailbox, folders and devices stay closed; other
// files open.
TEST(KvNamedFiles, StoreFilesAndMailboxesNeverOpen)
{
    TReEmbedStore store("namedfiles");
    const struct {
        const char* Name;
        const char* Bytes;
        bool Opens;
    } files[] = {
        {"a.pdf", "%PDF-1.4", true},
        {"note.eml", "From: a@b.cd\r\nSubject: x\r\n\r\nx\r\n", true},
        {"Sent", "From - Wed Jan  7 08:00:00 2009\r\nFrom: a@b.cd\r\n\r\nx\r\n", false},
        {"old.txt", "From ???@??? Mon Jan  1 10:00:00 2001\rFrom: a@b.cd\r\r", false},
        // Whatever the program's search would convert as a mailbox.
        {"bom.txt", "\xEF\xBB\xBF" "From a@b.cd Mon Jan  1 10:00:00 2001\r\n", false},
        {"empty-line.txt", "\r\nFrom a@b.cd Mon Jan  1 10:00:00 2001\r\n", false},
        {"blank-line.txt", " \nFrom a@b.cd Mon Jan  1 10:00:00 2001\n", false},
        {"from-x.txt", "From x\nSubject: y\n\nz\n", false},
        {"quote.txt", " From x\n", true},
        {"Inbox.msf", "// index", false},
        {"In.TOC", "x", false},
        {"Eudora.ini", "[Settings]", false},
        {"prefs.js", "x", false},
        {"sub\\in.txt", "x", true},
    };
    for (const auto& f : files) {
        store.Put(f.Name, f.Bytes);
        EXPECT_EQ(Allows(store.Dir.File(f.Name), TNamedFileTrust::AnyMessage, false, {}, false), f.Opens) << f.Name;
    }
    // Nor a folder or a device; a missing file is the caller's to report.
    for (const std::string& path : {store.Dir.File("sub"), std::string("Z:\\dev\\zero")})
        EXPECT_FALSE(Allows(path, TNamedFileTrust::SentCopy, false, {}, false)) << path;
    EXPECT_TRUE(Allows(store.Dir.File("gone.pdf"), TNamedFileTrust::SentCopy, false, {}, false));
    // Nor a settings file named by its short (8.3) name: judged where it lies.
    store.Put("Eudora Settings", "x");
    char shortName[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(store.Dir.File("Eudora Settings").c_str(), shortName, MAX_PATH), 0u);
    EXPECT_NE(ExtractFileNamePart(shortName), "Eudora Settings");
    EXPECT_FALSE(Allows(shortName, TNamedFileTrust::AnyMessage, false, {}, false)) << shortName;
}

// Who may open what: a copy written here anything, a received message only
// what its trust allows, and each refusal one error-log row naming the path.
TEST(KvNamedFiles, TrustDecidesByMessageAndPlace)
{
    TReEmbedStore store("trust");
    store.Put("Attach\\in.pdf", "in");
    store.Put("out\\x.pdf", "out");
    const std::string in = store.Dir.File("Attach\\in.pdf"), out = store.Dir.File("out\\x.pdf");
    const std::vector<std::string> folders = {" ", store.Dir.File("Attach")};
    using enum TNamedFileTrust;
    const struct {
        TNamedFileTrust Trust;
        bool Received;
        std::string Path;
        bool Opens;
    } cases[] = {
        {SentCopy, false, out, true},
        {SentCopy, true, in, false},
        {SentOrStore, false, out, true},
        {SentOrStore, true, in, true},
        {SentOrStore, true, out, false},
        {SentOrStore, true, store.Dir.File("Attach\\gone.pdf"), true},
        {SentOrStore, true, store.Dir.File("out\\gone.pdf"), false},
        {SentOrStore, true, store.Dir.File("Attach\\..\\out\\x.pdf"), false},
        {AnyMessage, true, out, true},
        // Inside the store, but a stream of the file.
        {AnyMessage, false, in + ":stream", false},
        {AnyMessage, false, "", true},
    };
    const std::string log = store.Dir.File("errors.txt");
    for (const auto& c : cases) {
        DeleteFileA(log.c_str());
        {
            const TErrorLogAt errorLog(log);
            EXPECT_EQ(Allows(c.Path, c.Trust, c.Received, folders), c.Opens) << c.Path;
        }
        const std::string rows = LoadFileToString(log);
        // One row for a refusal, naming the path; none for a file that opens.
        const size_t row = rows.find("Attachment file refused: \"" + c.Path + "\"");
        EXPECT_EQ(row != std::string::npos, !c.Opens) << rows;
        EXPECT_EQ(rows.find("Attachment file", row == std::string::npos ? 0 : row + 1), std::string::npos) << rows;
    }
}

// The absolute reference a received message may keep opens nothing of a
// mail profile or store (a folder at any level above the file holding its
// settings or a mailbox index), nor a store of saved passwords or keys by
// its name anywhere; a file the user detached into an ordinary folder, or
// inside a store that names the folder, still opens.
TEST(KvNamedFiles, ProfilesAndCredentialsStayClosed)
{
    TReEmbedStore disk("profile");
    const std::string profile = "Roaming\\Profiles\\x1.default\\";
    disk.Put(profile + "prefs.js", "user_pref(\"a\", 1);");
    disk.Put("Roaming\\Profiles\\profiles.ini", "[Profile0]");
    disk.Put("Eudora\\Eudora.ini", "[Settings]");
    disk.Put("Eudora\\Attach\\a.pdf", "%PDF");
    disk.Put("Mail\\Local Folders\\Inbox.msf", "// index");
    disk.Put("Mail\\Local Folders\\Inbox.sbd\\saved.pdf", "%PDF");
    disk.Put("Mail\\Local Folders\\Inbox.sbd\\sub\\deep.pdf", "%PDF");
    disk.Put("Old Eudora\\In.toc", "x");
    disk.Put("Old Eudora\\Attach\\b.pdf", "%PDF");
    // A profile kept apart from any profiles.ini, as a portable copy keeps it.
    disk.Put("Portable\\prefs.js", "user_pref(\"a\", 1);");
    disk.Put("Portable\\Attach\\c.pdf", "%PDF");
    for (const char* name : {"logins.json", "key3.db", "key4.db", "cert8.db", "cert9.db", "signons.sqlite",
                             "signons3.txt", "cookies.sqlite", "detached\\notes.pdf"})
        disk.Put(profile + name, "CANARY");
    for (const char* name : {"LOGINS.JSON", "Key4.db", "signons2.txt", "signons.txt", "notes.pdf", "signons.txt.bak", "key4.db.pdf"})
        disk.Put(std::string("Desktop\\") + name, "x");
    const struct {
        std::string Name;
        bool Opens;
    } refs[] = {
        {profile + "logins.json", false},     {profile + "key3.db", false},
        {profile + "key4.db", false},         {profile + "cert8.db", false},
        {profile + "cert9.db", false},        {profile + "signons.sqlite", false},
        {profile + "signons3.txt", false},    {profile + "cookies.sqlite", false},
        {profile + "detached\\notes.pdf", false},
        {profile + "gone.pdf", false},
        {"Roaming\\Profiles\\other.pdf", false},
        {"Eudora\\Attach\\a.pdf", false},
        {"Mail\\Local Folders\\Inbox.sbd\\saved.pdf", false},
        {"Mail\\Local Folders\\Inbox.sbd\\sub\\deep.pdf", false},
        {"Old Eudora\\Attach\\b.pdf", false},
        {"Portable\\Attach\\c.pdf", false},
        {"Desktop\\LOGINS.JSON", false},    {"Desktop\\Key4.db", false},
        {"Desktop\\signons2.txt", false},   {"Desktop\\signons.txt", false},
        {"Desktop\\notes.pdf", true},       {"Desktop\\signons.txt.bak", true},
        {"Desktop\\key4.db.pdf", true},     {"Desktop\\gone.pdf", true},
    };
    for (const auto& r : refs)
        EXPECT_EQ(Allows(disk.Dir.File(r.Name), TNamedFileTrust::AnyMessage, true, {}, false), r.Opens)
            << r.Name;
    // A copy written here may name them; a received message a file inside
    // the store folder its rule names.
    EXPECT_TRUE(Allows(disk.Dir.File(profile + "detached\\notes.pdf"), TNamedFileTrust::AnyMessage, false, {}, false));
    EXPECT_TRUE(Allows(disk.Dir.File("Eudora\\Attach\\a.pdf"), TNamedFileTrust::SentOrStore, true,
                                 {disk.Dir.File("Eudora\\Attach")}, false));
    // A profile on a share is one too. Under Wine a share is a folder below
    // the prefix's dosdevices\unc.
    char wine[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("WINEPREFIX", wine, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    const std::string name = "tessaly-" + std::to_string(GetCurrentProcessId()), share = "\\\\localhost\\" + name;
    std::string folder = "Z:" + std::string(wine, n) + "/dosdevices/unc/localhost/" + name;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    ASSERT_TRUE(TTestFolder::Put(folder + "\\prefs.js", "user_pref(\"a\", 1);"));
    EXPECT_FALSE(Allows(share + "\\gone.pdf", TNamedFileTrust::AnyMessage, true, {share}, false));
    DeleteFileA((folder + "\\prefs.js").c_str());
    RemoveDirectoryA(folder.c_str());
}

// The copy reads the file that was judged, even when another file has taken
// its name since; a file of two names is refused to received mail, since
// the other name may lie anywhere.
TEST(KvNamedFiles, CopyReadsTheJudgedFile)
{
    TReEmbedStore disk("judged");
    disk.Put("Desktop\\notes.txt", "JUDGED bytes");
    disk.Put("Desktop\\swap.txt", "SWAPPED bytes");
    const std::string notes = disk.Dir.File("Desktop\\notes.txt");
    TNamedFileJudge judge;
    TJudgedFile judged = judge.JudgeFile(notes, TNamedFileTrust::AnyMessage, true, {}, false);
    ASSERT_TRUE(judged.Allowed());
    ASSERT_TRUE(MoveFileA(notes.c_str(), disk.Dir.File("Desktop\\away.txt").c_str()));
    ASSERT_TRUE(MoveFileA(disk.Dir.File("Desktop\\swap.txt").c_str(), notes.c_str()));
    EXPECT_EQ(judged.ReadAll(), "JUDGED bytes");
    // Taken once; the name is read as it stands only when judged again.
    EXPECT_EQ(judged.Take(), nullptr);
    EXPECT_EQ(judged.ReadAll(), "");
    EXPECT_EQ(judge.JudgeFile(notes, TNamedFileTrust::AnyMessage, true, {}, false).ReadAll(), "SWAPPED bytes");
    // Whatever name is found for it, the file judged is read.
    bool refused = true;
    const std::unique_ptr<TStream> found = judge.JudgeFile(notes, TNamedFileTrust::AnyMessage, true, {}, false)
                                               .OpenFound(disk.Dir.File("Desktop\\away.txt"), refused);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(StreamBytes(*found), "SWAPPED bytes");
    EXPECT_FALSE(refused);
    // An attachment loads the judged file too.
    TJudgedFile forAttachment = judge.JudgeFile(notes, TNamedFileTrust::AnyMessage, true, {}, false);
    ASSERT_TRUE(forAttachment.Allowed());
    ASSERT_TRUE(MoveFileA(notes.c_str(), disk.Dir.File("Desktop\\away2.txt").c_str()));
    disk.Put("Desktop\\notes.txt", "SECOND swap");
    TAttachment attachment;
    attachment.LoadFile(std::move(forAttachment), std::string(), false);
    EXPECT_EQ(attachment.DataBytes(), "SWAPPED bytes");

    disk.Put("Desktop\\one.txt", "x");
    const std::string one = disk.Dir.File("Desktop\\one.txt");
    const std::string two = disk.Dir.File("Desktop\\two.txt");
    ASSERT_TRUE(CreateHardLinkA(two.c_str(), one.c_str(), nullptr));
    for (const std::string& name : {one, two}) {
        EXPECT_FALSE(Allows(name, TNamedFileTrust::AnyMessage, true, {}, false)) << name;
        EXPECT_TRUE(Allows(name, TNamedFileTrust::AnyMessage, false, {}, false)) << name;
    }
    ASSERT_TRUE(DeleteFileA(two.c_str()));
    TJudgedFile single = judge.JudgeFile(one, TNamedFileTrust::AnyMessage, true, {}, false);
    EXPECT_TRUE(single.Allowed());
    // A second name given before the copy: refused, not opened by name.
    ASSERT_TRUE(CreateHardLinkA(two.c_str(), one.c_str(), nullptr));
    const int refusals = judge.Refusals();
    EXPECT_EQ(single.Take(), nullptr);
    EXPECT_EQ(single.OpenFound(one, refused), nullptr);
    EXPECT_TRUE(refused);
    EXPECT_EQ(judge.Refusals(), refusals + 1);
    ASSERT_TRUE(DeleteFileA(two.c_str()));

    // A name missing when judged and filled before the read is judged then:
    // a second name of a file outside the store is refused, a plain file read.
    disk.Put("Store\\box.mbx", "x");
    const std::vector<std::string> store = {disk.Dir.File("Store")};
    const std::string late = disk.Dir.File("Store\\late.txt");
    for (const bool linked : {true, false}) {
        SCOPED_TRACE(linked);
        TJudgedFile missing = judge.JudgeFile(late, TNamedFileTrust::SentOrStore, true, store, false);
        ASSERT_TRUE(missing.Allowed());
        if (linked)
            ASSERT_TRUE(CreateHardLinkA(late.c_str(), one.c_str(), nullptr));
        else
            disk.Put("Store\\late.txt", "LATE bytes");
        TAttachment copy;
        copy.LoadFile(std::move(missing), std::string(), false);
        EXPECT_EQ(copy.DataBytes(), linked ? "Attachment not found:\r\n" + late + "\r\n" : "LATE bytes");
        ASSERT_TRUE(DeleteFileA(late.c_str()));
    }
}

namespace {

// The first message of a mailbox as the reader gives it; the rows it wrote
// go to Disk.Logged.
std::string FirstMessage(TReEmbedStore& Disk, const std::string& Box, TMailboxKind Kind)
{
    std::string text;
    Disk.CatchLog([&] {
        TMboxStream reader(Disk.Dir.File(Box), DefaultMailBufferSize, false, Kind);
        if (reader.NextMessage())
            reader.GetMessageText(0, text);
    });
    return text;
}

}  // namespace

// A message without a trace of arrival is a copy written here only in a
// mailbox where no message shows one, wherever in the file that message
// stands and however long its header runs; a copy keeps the names it may
// open and gets no trace of the program's own.
TEST(KvNamedFiles, ArrivalIsJudgedByTheMailbox)
{
    TReEmbedStore disk("arrival");
    disk.Put("plan.txt", "PLAN-bytes of the user");
    const std::string plan = disk.Dir.File("plan.txt");
    const std::string mine = "From me@example.com Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nSubject: mine\n"
                             "X-Attachments: " + plan + "; " + disk.Dir.File("sent-box") + "\n\nPlan.\n";
    const std::string got = "From eve@example.net Mon Jan  5 10:00:00 2009\nReceived: from mx.example.net\n"
                            "From: eve@example.net\nSubject: got\n\nHi.\n";
    // A received message whose header runs past the first read, in breaks
    // of three bytes: a read may end between them.
    std::string late = "From eve@example.net Mon Jan  5 10:00:00 2009\r\r\nX-Pad: ";
    late += std::string(4094 - late.size(), 'a') + "\r\r\nReceived: from mx.example.net\r\r\nSubject: late\r\r\n\r\r\nHi.\r\r\n";
    std::string mineCrCrLf;
    for (char c : mine)
        mineCrCrLf += c == '\n' ? std::string("\r\r\n") : std::string(1, c);
    // A header past the pass's reach shows no end: it may hide a trace.
    const std::string endless = "From me@example.com Mon Jan  5 10:00:00 2009\nX-Pad: " + std::string(0x100000, 'a') + "\n";
    const auto lines = [](int n) { std::string s; while (n-- > 0) s += "the plan goes out tomorrow\n"; return s; };
    // No blank line: all header over four reads, so a trace at its end counts.
    const std::string bare = "From me@example.com Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nSubject: bare\n" + lines(12000);
    // A blank line straddling the second read's end: a trace below it is none.
    std::string edge = "From me@example.com Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nSubject: edge\nX-Pad: ";
    edge += std::string(16383 - edge.size(), 'a') + "\n\nReceived: quoted in the body\n" + lines(40000);
    const struct {
        const char* Name;
        std::string Box;
        bool Opens;
    } boxes[] = {
        {"sent-box", mine + "\n" + mine, true},
        {"endless-box", mine + "\n" + endless, false},
        {"mixed-box", mine + "\n" + got, false},
        {"late-box", mineCrCrLf + "\r\r\n" + late, false},
        {"bare-box", mine + "\n" + bare, true},
        {"bare-late-box", mine + "\n" + bare + "Received: from mx.example.net\n", false},
        {"edge-box", mine + "\n" + edge, true},
    };
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.Name);
        disk.Put(b.Name, b.Box);
        const std::string text = FirstMessage(disk, b.Name, mbkMbox);
        const std::string& logged = disk.Logged;
        EXPECT_EQ(text.find("PLAN-bytes") != std::string::npos, b.Opens) << text;
        // The mailbox named beside the plan is refused to any message.
        EXPECT_NE(logged.find("Attachment file refused: \"" + disk.Dir.File("sent-box") + "\""), std::string::npos) << logged;
        EXPECT_EQ(logged.find("Attachment file refused: \"" + plan + "\"") != std::string::npos, !b.Opens) << logged;
        EXPECT_EQ(text.find("X-Tessaly-Arrived: yes\r\n") != std::string::npos, !b.Opens) << text;
    }
    // A detached part named beside the mailbox: the part tree's road. A name
    // outside the code page is named as such, in any folder.
    const std::string external = "--t1\nContent-Type: message/external-body; access-type=local-file; ";
    const std::string part = "Content-Type: multipart/mixed; boundary=\"t1\"\n\n" + external +
                             "name=\"plan.txt\"\n\nContent-Type: text/plain\n\n\n" + external +
                             "name*=utf-8''%E6%97%A5%E6%9C%AC.txt\n\nContent-Type: text/plain\n\n\n" + external +
                             "\nContent-Disposition: attachment; filename*=utf-8''%E4%B8%AD.txt\n\nContent-Type: text/plain\n\n\n" +
                             external + "name=\"wild?.txt\"; x-note*=utf-8''%E6%97%A5\n\nContent-Type: text/plain\n\n\n--t1--\n";
    const std::string detached = "From - Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nSubject: mine\n" + part;
    for (const bool mixed : {false, true}) {
        SCOPED_TRACE(mixed ? "mixed folder" : "sent folder");
        disk.Put("Folder", detached + "\n" + (mixed ? got : detached));
        const std::string text = FirstMessage(disk, "Folder", mbkMozilla);
        const std::string& logged = disk.Logged;
        EXPECT_EQ(text.find("PLAN-bytes") != std::string::npos, !mixed) << text;
        EXPECT_EQ(logged.find("Attachment file refused: \"" + plan + "\"") != std::string::npos, mixed) << logged;
        for (const char* name : {"??.txt", "?.txt"})
            EXPECT_NE(logged.find("\nAttachment file name cannot be handled: \"" + disk.Dir.File(name) +
                                  "\" (its characters are outside the ANSI code page)\t"),
                      std::string::npos)
                << logged;
        EXPECT_EQ(logged.find("refused: \"" + disk.Dir.File("??.txt")), std::string::npos) << logged;
        EXPECT_NE(logged.find("refused: \"" + disk.Dir.File("wild?.txt")), std::string::npos) << logged;
    }
    // In a mailbox of received mail, the program's own trace marks only a
    // message that keeps a name refused.
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "a name refused" : "every name opened");
        std::string name;
        for (char c : refused ? disk.Dir.File("sent-box") : plan)
            name += c == '\\' ? std::string("\\\\") : std::string(1, c);
        disk.Put("Got", "From - Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nSubject: mine\n"
                        "Content-Type: multipart/mixed; boundary=\"t1\"\n\n" + external + "name=\"" + name +
                        "\"\n\nContent-Type: text/plain\n\n\n--t1--\n\n" + got);
        const std::string text = FirstMessage(disk, "Got", mbkMozilla);
        EXPECT_EQ(text.find("PLAN-bytes") != std::string::npos, !refused) << text;
        EXPECT_EQ(text.find("X-Tessaly-Arrived: yes\r\n") != std::string::npos, refused) << text;
    }
}
