#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "testkit/ImportHook.h"
#include "testkit/TestLinks.h"
#include "testkit/PartTreeShape.h"
#include "ConvertTestFiles.h"
#include "app/KvConvertDriver.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "mail/KvMailStream.h"
#include "mail/KvMime.h"

// Stores that keep attachments beside their mailboxes, converted end to end:
// every message written must parse back into its parts with the files'
// bytes in them, and a missing file must cost one error-log line only.

namespace {

const char PdfBytes[] = "%PDF-1.4\n\x01\x02\x00\xFF\r\n%%EOF\n";
const char JpgBytes[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\xFF\xD9";
const std::string Pdf(PdfBytes, sizeof PdfBytes - 1);
const std::string Jpg(JpgBytes, sizeof JpgBytes - 1);

struct TWantMsg {
    std::string Subject;
    std::string Shape;
    std::map<std::string, std::string> Files;  // part name -> bytes
    std::string Missing;                       // part standing in for a missing file
    std::string Text;                          // start of the plain text
};

struct TStore {
    std::string Entry;
    TMailFormat Format;
    std::vector<TWantMsg> Want;
    std::vector<std::string> Logged;  // error-log lines, first column
};

struct TAttachRun {
    TTestFolder Dir{"convattach"};
    TPlainConvertHost Host;
    TConvertDriver Driver{Host};

    TAttachRun() { Driver.SkipFoldersFile = Dir.File("SkipFolders.dat"); }
    std::string Src(const std::string& Name) const { return Dir.File("src\\" + Name); }
    std::string Out() const { return Dir.File("out"); }
};

void LittleEndian(std::string& S, size_t At, unsigned V, int Bytes)
{
    for (int i = 0; i < Bytes; ++i)
        S[At + i] = static_cast<char>((V >> (8 * i)) & 0xFF);
}

const char Mixed[] = "Content-Type: multipart/mixed; boundary=\"=====_E1\"\r\n";

std::string EudoraMessage(const std::string& Subject, const std::string& Fields, const std::string& Body)
{
    return "From ???@??? Mon Jan  5 10:00:00 2009\r\nFrom: Eve <eve@example.com>\r\nSubject: " + Subject +
           "\r\n" + Fields + "\r\n" + Body;
}

// "<Name>.mbx" of the messages and its index "<Name>.toc", every entry of
// Status; a mailbox other than "In" is one of the user's (type 3).
void PutEudoraMailbox(const std::string& Root, const std::vector<std::string>& Msgs, const std::string& Name = "In",
                      unsigned Status = 1)
{
    std::string data;
    std::string toc(104, '\0');
    toc.replace(8, Name.size(), Name);
    toc[40] = Name == "In" ? 0 : 3;
    LittleEndian(toc, 102, static_cast<unsigned>(Msgs.size()), 2);
    for (const std::string& m : Msgs) {
        std::string entry(218, '\0');
        LittleEndian(entry, 0, static_cast<unsigned>(data.size()), 4);
        LittleEndian(entry, 4, static_cast<unsigned>(m.size()), 4);
        LittleEndian(entry, 12, Status, 2);
        toc += entry;
        data += m + "\r\n";
    }
    PutFile(Root + Name + ".mbx", data);
    PutFile(Root + Name + ".toc", toc);
}

// Windows Eudora: index and data file, the attachments folder beside them,
// a second folder named by "Eudora.ini", folder names in "descmap.pce".
TStore EudoraStore(TAttachRun& R)
{
    const std::string root = R.Src("Eudora\\");
    PutFile(root + "Attach\\report.pdf", Pdf);
    PutFile(root + "Downloads\\photo.jpg", Jpg);
    PutFile(root + "Papers\\sheet.pdf", Pdf);
    PutFile(root + "Eudora.ini", "[Settings]\r\nAutoReceiveAttachmentsDirectory=" + root + "Downloads\r\n");
    PutFile(root + "descmap.pce", "In,In.mbx,S,N\r\nOut,Out.mbx,S,N\r\n");
    const std::string date = "Date: Mon, 05 Jan 2009 10:00:00 +0000\r\n";
    const std::vector<std::string> msgs = {
        EudoraMessage("Report", date + Mixed,
                      "Here is the report.\r\nAttachment Converted: \"C:\\Eudora\\Attach\\report.pdf\"\r\n"),
        EudoraMessage("Photo", date + Mixed, "A photo.\r\nAttachment Converted: C:\\Elsewhere\\photo.jpg\r\n"),
        EudoraMessage("Fields", "X-Attachments: " + root + "Papers\\sheet.pdf; C:\\Eudora\\Attach\\lost.doc;\r\n",
                      "Two files.\r\n"),
    };
    // Copies sent from here: the store marks nothing of them as arrived.
    PutEudoraMailbox(root, msgs, "Out", 8);
    return {root + "Out.toc",
            mftEudoraToc,
            {{"Report", "multipart/mixed[text/plain,application/pdf(report.pdf)]", {{"report.pdf", Pdf}}, "",
              "Here is the report.\r\n"},
             {"Photo", "multipart/mixed[text/plain,image/jpeg(photo.jpg)]", {{"photo.jpg", Jpg}}, "", "A photo.\r\n"},
             {"Fields", "multipart/mixed[text/plain,application/pdf(sheet.pdf),text/plain(lost.doc)]",
              {{"sheet.pdf", Pdf}}, "C:\\Eudora\\Attach\\lost.doc", "Two files.\r\n"}},
            {"Attachment not found: \"C:\\Eudora\\Attach\\lost.doc\""}};
}

// Mac Eudora: one mailbox file with CR line ends, Mac Roman text and
// colon-separated attachment paths.
TStore MacEudoraStore(TAttachRun& R)
{
    const std::string root = R.Src("Mac\\");
    PutFile(root + "Attachments Folder\\chart.pdf", Pdf);
    const std::string type = "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
                             "Date: Tue, 06 Jan 2009 11:00:00 +0000\r\n";
    std::string box =
        EudoraMessage("Chart", type,
                      "Caf\x8E chart.\r\nAttachment converted: Macintosh HD:Eudora Folder:Attachments Folder:chart.pdf "
                      "(PDF /CARO) (0001A2B3)\r\n") +
        "\r\n" +
        EudoraMessage("Gone", type,
                      "Nothing.\r\nAttachment converted: Macintosh HD:Eudora Folder:Attachments Folder:gone.pdf "
                      "(PDF /CARO) (0001A2B4)\r\n") +
        "\r\n";
    for (size_t p = box.find("\r\n"); p != std::string::npos; p = box.find("\r\n", p))
        box.erase(p + 1, 1);
    PutFile(root + "In", box);
    const std::string gone = root + "Attachments Folder\\gone.pdf";
    return {root + "In",
            mftMacEudora,
            {{"Chart", "multipart/mixed[text/plain,application/pdf(chart.pdf)]", {{"chart.pdf", Pdf}}, "",
              "Caf\xE9 chart.\r\n"},
             {"Gone", "multipart/mixed[text/plain,text/plain(gone.pdf)]", {}, gone, "Nothing.\r\n"}},
            {"Attachment not found: \"" + gone + "\""}};
}

std::string DetachedPart(const std::string& Name, const std::string& Path)
{
    std::string url = "file:///" + Path;
    for (char& c : url)
        if (c == '\\')
            c = '/';
    return "--b1\r\nContent-Type: application/pdf; name=\"" + Name + "\"\r\n"
           "Content-Disposition: attachment; filename=\"" + Name + "\"\r\n"
           "X-Mozilla-External-Attachment-URL: " + url + "\r\n"
           "X-Mozilla-Altered: AttachmentDetached; date=\"Wed Jan 07 08:00:00 2009\"\r\n\r\n"
           "Content-Type: application/pdf; name=\"" + Name + "\"\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n";
}

// A Mozilla-family folder whose received message had its attachments
// detached to files, one to a folder far from the store; one of the files
// has gone since.
TStore MozillaStore(TAttachRun& R)
{
    const std::string root = R.Src("Local Folders\\");
    PutFile(R.Dir.File("Desktop\\notes.pdf"), Pdf);
    const std::string message =
        "From - Wed Jan  7 08:00:00 2009\nReceived: from mx.example.com\nFrom: Max <max@example.com>\nSubject: Notes\n"
        "Date: Wed, 07 Jan 2009 08:00:00 +0000\nX-Mozilla-Altered: AttachmentDetached\n"
        "Content-Type: multipart/mixed; boundary=\"b1\"\n\n--b1\nContent-Type: text/plain\n\nThe notes.\n" +
        DetachedPart("notes.pdf", R.Dir.File("Desktop\\notes.pdf")) + DetachedPart("old.pdf", R.Dir.File("Detached\\old.pdf")) +
        "--b1--\n\n";
    std::string lf = message;
    for (size_t p = lf.find("\r\n"); p != std::string::npos; p = lf.find("\r\n", p))
        lf.erase(p, 1);
    PutFile(root + "Inbox", lf);
    PutFile(root + "Inbox.msf", "// index");
    return {root + "Inbox.msf",
            mftThunderbird,
            // The part whose file has gone stays the reference it was.
            {{"Notes", "multipart/mixed[text/plain,application/pdf(notes.pdf),application/pdf(old.pdf)]",
              {{"notes.pdf", Pdf}}, "", "The notes.\r\n"}},
            {"Email part not found: \"" + R.Dir.File("Detached\\old.pdf") + "\""}};
}

// An mbox whose messages list their attachment files in X-Attachments lines.
TStore XAttachmentsStore(TAttachRun& R)
{
    PutFile(R.Src("files\\plan.pdf"), Pdf);
    PutFile(R.Src("pic one.jpg"), Jpg);
    const std::string box =
        "From kim@example.com Thu Jan  8 09:00:00 2009\nFrom: Kim <kim@example.com>\nSubject: Plans\n"
        "Date: Thu, 08 Jan 2009 09:00:00 +0000\nX-Attachments: files\\plan.pdf; \"pic one.jpg\"; missing.zip\n"
        "Content-Type: text/plain; charset=us-ascii\n\nPlans and a picture.\n\n";
    PutFile(R.Src("box"), box);
    return {R.Src("box"),
            mftMbox,
            {{"Plans", "multipart/mixed[text/plain,application/pdf(plan.pdf),image/jpeg(pic one.jpg),text/plain(missing.zip)]",
              {{"plan.pdf", Pdf}, {"pic one.jpg", Jpg}}, "missing.zip", "Plans and a picture.\r\n"}},
            {"Attachment not found: \"missing.zip\""}};
}

// The messages of a written mbox, read back with our own reader.
// Kind: mbkMozilla reads them as written, no attachment line followed.
std::vector<std::string> MboxMessages(const std::string& Path, TMailboxKind Kind = mbkMbox)
{
    std::vector<std::string> texts;
    TMboxStream reader(Path, DefaultMailBufferSize, false, Kind);
    std::string text;
    while (reader.NextMessage()) {
        reader.GetMessageText(0, text);
        texts.push_back(text);
    }
    return texts;
}

void CheckMessage(const std::string& Text, const TWantMsg& W)
{
    SCOPED_TRACE(W.Subject);
    TKvMimeBlock back(Text, false, true);
    EXPECT_EQ(back.GetSubject(), W.Subject);
    EXPECT_EQ(PartTreeShape(back), W.Shape) << Text;
    for (const auto& f : W.Files)
        EXPECT_EQ(NamedPartBytes(back, f.first), f.second) << f.first;
    if (!W.Missing.empty()) {
        const std::string note = NamedPartBytes(back, ExtractFileNamePart(W.Missing) == W.Missing
                                                          ? W.Missing
                                                          : ExtractFileNamePart(W.Missing));
        EXPECT_EQ(note.substr(0, 23), "Attachment not found:\r\n") << note;
        EXPECT_NE(note.find(W.Missing), std::string::npos) << note;
    }
    std::string cs, plain;
    back.GetPlainText(cs, plain);
    EXPECT_EQ(plain.substr(0, W.Text.size()), W.Text);
    if (TKvMimeBlock* old = FindNamedPart(back, "old.pdf")) {
        EXPECT_NE(old->Header.find("X-Mozilla-External-Attachment-URL: file:///"), std::string::npos);
        EXPECT_NE(old->Header.find("/Detached/old.pdf"), std::string::npos) << old->Header;
    }
}

// Text, or any part of it once decoded, holds Mark.
bool CarriesMark(TKvMimeBlock& Block, const std::string& Mark)
{
    std::string cs, bytes;
    Block.GetDecodedText(cs, bytes);
    bool found = bytes.find(Mark) != std::string::npos;
    for (int i = 0; i < Block.ChildCount() && !found; ++i)
        found = CarriesMark(*Block.Child(i), Mark);
    return found;
}

}  // namespace

TEST(KvConvertAttach, DetachedAttachmentsComeBackInEveryTarget)
{
    using TMaker = TStore (*)(TAttachRun&);
    const struct {
        const char* Name;
        TMaker Make;
    } stores[] = {{"Eudora", EudoraStore},
                  {"Mac Eudora", MacEudoraStore},
                  {"Mozilla", MozillaStore},
                  {"X-Attachments", XAttachmentsStore}};
    for (const auto& s : stores) {
        for (TMailFormat target : {mftEml, mftMboxWin}) {
            SCOPED_TRACE(std::string(s.Name) + (target == mftEml ? " to eml" : " to mbox"));
            TAttachRun r;
            const TStore store = s.Make(r);
            r.Host.Sources.AddObject(store.Entry, MailFormatToObject(store.Format));
            r.Host.Choices.TargetFormat = target;
            r.Host.Choices.TargetText = r.Out() + (target == mftEml ? "\\" : "\\*.mbox");
            {
                const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
                r.Host.Log.clear();
                r.Driver.StartConversion();
            }

            const std::map<std::string, std::string> files = TreeFiles(r.Out());
            std::vector<std::string> texts;
            if (target == mftEml) {
                for (const TWantMsg& w : store.Want) {
                    const auto f = files.find(w.Subject + ".eml");
                    ASSERT_NE(f, files.end()) << w.Subject;
                    texts.push_back(f->second);
                }
                EXPECT_EQ(files.size(), store.Want.size());
            } else {
                ASSERT_EQ(files.size(), 1u);
                texts = MboxMessages(r.Out() + "\\" + files.begin()->first);
                ASSERT_EQ(texts.size(), store.Want.size());
            }
            for (size_t i = 0; i < texts.size(); ++i)
                CheckMessage(texts[i], store.Want[i]);

            // One line per missing file, and the run counts no error.
            std::vector<std::string> logged;
            const std::string log = LoadFileToString(r.Dir.File("errors.txt"));
            size_t line = log.find('\n');
            while (line != std::string::npos && line + 1 < log.size()) {
                const size_t next = log.find('\n', line + 1);
                const std::string l = log.substr(line + 1, next == std::string::npos ? std::string::npos : next - line - 1);
                logged.push_back(l.substr(0, l.find('\t')));
                line = next;
            }
            EXPECT_EQ(logged, store.Logged) << log;
            std::string summary;
            for (const std::string& l : r.Host.Log)
                if (l.find("mailboxes processed") != std::string::npos)
                    summary = l;
            EXPECT_NE(summary.find(std::to_string(store.Want.size()) + " messages converted"), std::string::npos)
                << summary;
            EXPECT_NE(summary.find(" 0 errors."), std::string::npos) << summary;
        }
    }
}

// Names that anyone can write into a mail he sends point at a file of the
// reader's disk outside the mailbox: no road and no target may copy it into
// the output, and each refused name costs an error-log row naming it.
TEST(KvConvertAttach, ReceivedMessagesNeverPullOtherFilesIn)
{
    // Each road shows another sign of arrival; the Eudora "In" mailbox is one.
    const struct {
        TMailFormat Road;
        std::string Arrival;
    } roads[] = {
        {mftMbox, "Return-Path: <eve@example.net>\r\nList-Id: <loot.example.net>\r\n"},
        {mftPine, "X-Received: by 10.0.0.1; Thu, 8 Jan 2009 09:00:00 +0000\r\n"},
        {mftEudoraToc, ""},
        {mftEudoraMbx, ""},
        {mftMacEudora, ""},
        {mftThunderbird, "Received : from evil.example.net by mx.example.com\r\n"},
    };
    for (const auto& [road, received] : roads) {
        for (TMailFormat target : {mftEml, mftTxt, mftMboxWin, mftMboxUnix, mftMboxMac}) {
            SCOPED_TRACE(std::to_string(road) + " to " + std::to_string(target));
            TAttachRun r;
            const std::string canary = r.Dir.File("canary.txt");
            PutFile(canary, "CANARY-7f3a the reader's own secret");
            std::string entry = r.Src("box");
            if (road == mftEudoraToc || road == mftEudoraMbx || road == mftMacEudora) {
                // The Macintosh layout keeps its mailboxes in "Mail Folder".
                const std::string root = r.Src(road == mftMacEudora ? "Eudora\\Mail Folder\\" : "Eudora\\");
                const std::vector<std::string> msgs = {
                    EudoraMessage("Fields", received + "X-Attachments: " + canary + "\r\n", "F.\r\n"),
                    EudoraMessage("Markers", received + Mixed,
                                  "M.\r\nAttachment Converted: " + root + "Attach\\..\\..\\..\\" +
                                      (road == mftMacEudora ? "..\\" : "") + "canary.txt\r\n")};
                PutEudoraMailbox(root, msgs);
                entry = root + (road == mftEudoraToc ? "In.toc" : "In.mbx");
                if (road == mftMacEudora) {
                    std::string box = LoadFileToString(entry);
                    for (size_t p = box.find("\r\n"); p != std::string::npos; p = box.find("\r\n", p))
                        box.erase(p + 1, 1);
                    entry = root + "In";
                    PutFile(entry, box);
                }
            } else if (road == mftThunderbird) {
                // A file beside the mailbox or outside it by relative names;
                // the store's own mailbox and index by absolute ones.
                const std::string byName = "--b1\r\nContent-Type: text/plain; name=\"n.txt\"\r\nX-Content-File: ";
                PutFile(r.Src("Sent"), "From - Wed Jan  7 08:00:00 2009\r\nSubject: Mine\r\n\r\nCANARY-7f3a sent\r\n");
                PutFile(r.Src("Inbox"), "From - Wed Jan  7 08:00:00 2009\r\n" + received +
                                            "Subject: Notes\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n" +
                                            byName + "a\\..\\..\\canary.txt\r\n\r\n\r\n" + byName + "Sent\r\n\r\n\r\n" +
                                            DetachedPart("sent.txt", r.Src("Sent")) +
                                            DetachedPart("index.txt", r.Src("Inbox.msf")) + "--b1--\r\n");
                PutFile(r.Src("Inbox.msf"), "// index CANARY-7f3a");
                entry = r.Src("Inbox.msf");
            } else {
                PutFile(entry, "From eve@example.net Thu Jan  8 09:00:00 2009\n" + received +
                                   "Subject: Loot\nX-Attachments: " + canary + "; ..\\canary.txt\n\nGive.\n");
            }
            r.Host.Sources.AddObject(entry, MailFormatToObject(road));
            r.Host.Choices.TargetFormat = target;
            r.Host.Choices.TargetText = r.Out() + (target == mftMboxWin ? "\\*.mbox" : "\\");
            {
                const TErrorLogAt errorLog(r.Dir.File("errors.txt"));
                r.Driver.StartConversion();
            }
            const std::map<std::string, std::string> files = TreeFiles(r.Out());
            EXPECT_FALSE(files.empty());
            for (const auto& f : files) {
                EXPECT_EQ(f.second.find("CANARY-7f3a"), std::string::npos) << f.first;
                const std::vector<std::string> texts =
                    target == mftMboxWin ? MboxMessages(r.Out() + "\\" + f.first, mbkMozilla) : std::vector<std::string>{f.second};
                for (const std::string& text : texts) {
                    TKvMimeBlock back(text, false, true);
                    EXPECT_FALSE(CarriesMark(back, "CANARY-7f3a")) << f.first;
                }
            }
            const std::string log = LoadFileToString(r.Dir.File("errors.txt"));
            EXPECT_NE(log.find("Attachment file refused: \""), std::string::npos) << log;
        }
    }
}

namespace {

// The error log's rows that begin with Text.
int LogRows(const std::string& Log, const std::string& Text)
{
    int Rows = 0;
    for (size_t At = Log.find("\n" + Text); At != std::string::npos; At = Log.find("\n" + Text, At + 1))
        ++Rows;
    return Rows;
}

// The canary raw in a file or in any decoded part of a message of it.
bool OutputCarries(const std::string& Folder, TMailFormat Target, const std::string& Mark)
{
    for (const auto& f : TreeFiles(Folder)) {
        if (f.second.find(Mark) != std::string::npos)
            return true;
        const bool Mbox = Target == mftMboxWin || Target == mftMboxUnix || Target == mftMboxMac;
        for (const std::string& Text :
             Mbox ? MboxMessages(Folder + "\\" + f.first, mbkMozilla) : std::vector<std::string>{f.second}) {
            TKvMimeBlock Back(Text, false, true);
            if (CarriesMark(Back, Mark))
                return true;
        }
    }
    return false;
}

struct TRunResult {
    std::string Log;      // the error log
    std::string Summary;  // the run's last count line
};

TRunResult ConvertOnce(TAttachRun& R, const std::string& Entry, TMailFormat Road, TMailFormat Target,
                       const std::string& Out)
{
    R.Host.Sources.Clear();
    R.Host.Sources.AddObject(Entry, MailFormatToObject(Road));
    R.Host.Choices.TargetFormat = Target;
    R.Host.Choices.TargetText = Out + (Target == mftMboxWin ? "\\*.mbox" : "\\");
    const std::string LogFile = R.Dir.File("errors-" + ExtractFileNamePart(Out) + ".txt");
    {
        const TErrorLogAt ErrorLog(LogFile);
        R.Host.Log.clear();
        R.Driver.StartConversion();
    }
    TRunResult Result{LoadFileToString(LogFile), std::string()};
    for (const std::string& L : R.Host.Log)
        if (L.find("mailboxes processed") != std::string::npos)
            Result.Summary = L;
    return Result;
}

// A mailbox's messages with their breaks made Break.
std::string WithBreaks(std::string Text, const std::string& Break)
{
    std::string Out;
    for (char C : Text)
        Out += C == '\n' ? Break : std::string(1, C);
    return Out;
}

}  // namespace

// A received message may quote a mailbox unescaped: the reader then starts
// a new message at the quoted separator line, and that piece shows no trace
// of arrival of its own. It names the reader's file in every way the road
// reads names; it may stand where the reader splits in each form, and even
// ahead of the first received message. No road and no target copies the
// file, and each piece costs one refusal row.
TEST(KvConvertAttach, PiecesOfReceivedMailNameNoFile)
{
    const struct {
        TMailFormat Road;
        const char* Separator;
    } roads[] = {
        {mftMbox, "From eve@example.net Tue Feb  3 10:00:00 2015"},
        {mftPine, "From eve@example.net Tue Feb  3 10:00:00 2015"},
        {mftThunderbird, "From - Tue Feb  3 10:00:00 2015"},
        {mftEudoraMbx, "From ???@??? Tue Feb  3 10:00:00 2015"},
        {mftEudoraToc, "From ???@??? Tue Feb  3 10:00:00 2015"},
        {mftMacEudora, "From ???@??? Tue Feb  3 10:00:00 2015"},
    };
    const char* const Breaks[] = {"\n", "\r\n", "\r"};
    for (const auto& [road, separator] : roads) {
        for (const char* brk : Breaks) {
            for (TMailFormat target : {mftEml, mftTxt, mftMboxWin, mftMboxUnix, mftMboxMac}) {
                SCOPED_TRACE(std::to_string(road) + " to " + std::to_string(target) + " breaks " +
                             std::to_string(std::string(brk).size()) + (brk[0] == '\r' ? "cr" : "lf"));
                TAttachRun r;
                const std::string canary = r.Dir.File("canary.txt");
                PutFile(canary, "CANARY-7f3a the reader's own secret");
                const bool eudora = road == mftEudoraMbx || road == mftEudoraToc || road == mftMacEudora;
                const std::string root = r.Src(road == mftMacEudora ? "Eudora\\Mail Folder\\"
                                               : eudora            ? "Eudora\\"
                                                                   : "Local Folders\\");
                // The piece names the canary as its road reads names.
                std::string names;
                if (road == mftThunderbird)
                    names = "Content-Type: multipart/mixed; boundary=\"t1\"\n\n--t1\nContent-Type: message/external-body; "
                            "access-type=local-file; name=\"../../canary.txt\"\n\nContent-Type: text/plain\n\n\n--t1--\n";
                else if (eudora)
                    names = "Content-Type: multipart/mixed; boundary=\"e1\"\n\nTake it.\nAttachment Converted: " +
                            canary + "\n";
                else
                    names = "X-Attachments: " + canary + "\n\nTake it.\n";
                // Eudora reads its own marks only after its own separator.
                const std::string piece = std::string(eudora ? separator : "From eve@example.net Tue Feb  3 10:00:00 2015") +
                                          "\nFrom: eve@example.net\nSubject: injected\n" + names;
                const auto received = [&](const std::string& Subject, const std::string& Fields,
                                          const std::string& Body) {
                    return std::string(separator) + "\nReceived: from mx.example.net by mx.example.com\n"
                           "From: Eve <eve@example.net>\nSubject: " + Subject + "\n" + Fields + "\n" + Body;
                };
                const std::string quote = "Hi, a quoted mailbox follows.\n";
                const std::vector<std::string> msgs = {
                    // Ahead of every received message: the file tells.
                    road == mftEudoraToc ? received("ahead", "", quote + piece) : piece,
                    received("blank", "", quote + "\n" + piece),
                    received("close", "", quote + piece),
                    received("length", "Content-Length: " + std::to_string(quote.size() + piece.size()) + "\n",
                             quote + piece),
                    received("digest", "Content-Type: multipart/digest; boundary=\"d1\"\n",
                             "--d1\n\n" + piece + "\n--d1--\n"),
                    received("forward", "Content-Type: multipart/mixed; boundary=\"f1\"\n",
                             "--f1\nContent-Type: text/plain\n\nBelow.\n--f1\nContent-Type: message/rfc822\n\n" + piece +
                                 "\n--f1--\n"),
                };
                std::string entry;
                if (road == mftEudoraToc) {
                    std::vector<std::string> texts;
                    for (const std::string& m : msgs)
                        texts.push_back(WithBreaks(m, brk));
                    PutEudoraMailbox(root, texts, "Friends", 8);
                    entry = root + "Friends.toc";
                } else {
                    std::string box;
                    for (const std::string& m : msgs)
                        box += m + "\n";
                    entry = root + (road == mftThunderbird ? "Inbox" : road == mftEudoraMbx ? "Friends.mbx" : "Friends");
                    PutFile(entry, WithBreaks(box, brk));
                    if (road == mftThunderbird) {
                        PutFile(root + "Inbox.msf", "// index");
                        entry = root + "Inbox.msf";
                    }
                }
                const TRunResult run = ConvertOnce(r, entry, road, target, r.Out());
                EXPECT_FALSE(TreeFiles(r.Out()).empty());
                EXPECT_FALSE(OutputCarries(r.Out(), target, "CANARY-7f3a"));
                // One row for each piece, and the row names the file. The
                // index gives whole messages: only a multipart one reads its
                // body's marks.
                const int rows = LogRows(run.Log, "Attachment file refused: \"");
                const int pieces = road == mftEudoraToc ? 2 : 6;
                EXPECT_EQ(rows, pieces) << run.Log;
                EXPECT_EQ(LogRows(run.Log, "Attachment file refused: \"" + canary + "\""),
                          pieces)
                    << run.Log;
                // A refused name is no error: the message is written, the
                // name kept.
                EXPECT_NE(run.Summary.find(" 0 errors."), std::string::npos) << run.Summary;
            }
        }
    }
}

// An output of the program converted again opens no file that the first run
// refused: an Eudora In message shows no trace of arrival of its own, and
// its mbox copy keeps the refused line. Nor does it open one that a quoted
// mailbox names in the body of such a message, which the copy holds whole.
TEST(KvConvertAttach, OutputConvertedAgainNamesNoMoreFiles)
{
    for (TMailFormat target : {mftMboxWin, mftMboxUnix, mftMboxMac}) {
        for (const auto& [again, quoted] : {std::pair{mftMbox, false}, {mftEudoraMbx, false}, {mftMbox, true}}) {
            SCOPED_TRACE(std::to_string(target) + " again as " + std::to_string(again) + (quoted ? " quoted" : ""));
            TAttachRun r;
            const std::string canary = r.Dir.File("canary.txt");
            PutFile(canary, "CANARY-7f3a the reader's own secret");
            const std::string root = r.Src("Eudora\\");
            const std::string named = "X-Attachments: " + canary + "\r\n";
            const std::string quote = "Q:\r\n\r\nFrom eve@example.net Tue Feb  3 10:00:00 2015\r\n" + named + "\r\nT.\r\n";
            PutEudoraMailbox(root, {quoted ? EudoraMessage("Q", "", quote) : EudoraMessage("Fields", named, "F.\r\n")});
            const TRunResult first = ConvertOnce(r, root + "In.toc", mftEudoraToc, target, r.Out());
            EXPECT_EQ(LogRows(first.Log, "Attachment file refused: \"" + canary + "\""), quoted ? 0 : 1) << first.Log;
            const std::map<std::string, std::string> files = TreeFiles(r.Out());
            ASSERT_EQ(files.size(), 1u);
            // The copy keeps the line, and says the message arrived.
            const std::string copy = files.begin()->second;
            EXPECT_NE(copy.find("X-Attachments: " + canary), std::string::npos) << copy;
            EXPECT_NE(copy.find("X-Tessaly-Arrived: yes"), std::string::npos) << copy;

            const std::string source = r.Dir.File("again\\Copy.mbx");
            PutFile(source, copy);
            const std::string out = r.Dir.File("out2");
            const TRunResult second = ConvertOnce(r, source, again, mftEml, out);
            EXPECT_FALSE(OutputCarries(out, mftEml, "CANARY-7f3a"));
            EXPECT_EQ(second.Summary, Counters(1, 1, 0, 0));
            EXPECT_EQ(LogRows(second.Log, "Attachment file refused: \"" + canary + "\""),
                      again == mftMbox && !quoted ? 1 : 0)
                << second.Log;
        }
    }
}

namespace {

// Another program at work on a store name while the run judges its file:
// before and after each look at it (Steps: two letters a look) the name is
// removed ('r'), linked to the outside file ('l') or given a file of its own
// ('f').
struct TNameRace {
    std::string Name, Outside, Steps;
    BY_HANDLE_FILE_INFORMATION Index{};  // the outside file's
    size_t Act = 0;
};
TNameRace* GRace = nullptr;
void* GRealLook = nullptr;

void RaceStep()
{
    const char Act = GRace->Act < GRace->Steps.size() ? GRace->Steps[GRace->Act] : '.';
    ++GRace->Act;
    // The name removed at once, as another program's unlink does: the
    // system's delete waits for the last handle, so the host's rm removes it.
    if (Act == 'r' || Act == 'f') {
        RunUnixTool("/bin/rm -f " + UnixPathOf(GRace->Name));
        for (int I = 0; I < 1000 && GetFileAttributesA(GRace->Name.c_str()) != INVALID_FILE_ATTRIBUTES; ++I)
            Sleep(5);
    }
    if (Act == 'l')
        CreateHardLinkA(GRace->Name.c_str(), GRace->Outside.c_str(), nullptr);
    if (Act == 'f')
        PutFile(GRace->Name, "OWN-5e2b bytes of the store");
}

BOOL WINAPI RaceLook(HANDLE File, LPBY_HANDLE_FILE_INFORMATION Info)
{
    const auto Real = reinterpret_cast<decltype(&GetFileInformationByHandle)>(GRealLook);
    // Known by identity: a handle whose name was removed has no name.
    BY_HANDLE_FILE_INFORMATION Seen;
    const bool Ours = GRace && Real(File, &Seen) && Seen.nFileIndexLow == GRace->Index.nFileIndexLow &&
                      Seen.nFileIndexHigh == GRace->Index.nFileIndexHigh;
    if (Ours)
        RaceStep();
    const BOOL Got = Real(File, Info);
    if (Ours)
        RaceStep();
    return Got;
}

}  // namespace

// A received message names a file of the attachments folder while another
// program links that name to a file outside the store and removes it again:
// whatever moment it acts, nothing outside is embedded.
TEST(KvConvertAttach, ANameRemovedWhileJudgedOpensNothingOutside)
{
    const struct {
        const char* Steps;  // none: a file of the store; else the name is the outside file's at the start
        bool Embeds;
    } races[] = {{"", true}, {"r.", false}, {"f.", false}, {"r..lr.l.", false}};
    for (const auto& race : races) {
        for (TMailFormat target : {mftEml, mftMboxWin}) {
            SCOPED_TRACE(std::string(race.Steps) + " to " + std::to_string(target));
            TAttachRun r;
            const std::string canary = r.Dir.File("canary.txt");
            PutFile(canary, "CANARY-7f3a the reader's own secret");
            const std::string root = r.Src("Eudora\\");
            const std::string report = root + "Attach\\report.txt";
            PutEudoraMailbox(root, {EudoraMessage("Report", Mixed, "R.\r\nAttachment Converted: " + report + "\r\n")});
            if (race.Embeds)
                PutFile(report, "LEGIT-4c1d the store's own file");
            else
                ASSERT_TRUE(CreateDirectoryA((root + "Attach").c_str(), nullptr) &&
                            CreateHardLinkA(report.c_str(), canary.c_str(), nullptr));
            TNameRace state{report, canary, race.Steps};
            const TKernelHandle outside(
                CreateFileA(canary.c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(GetFileInformationByHandle(outside.Get(), &state.Index));
            const TImportHook hook("kernel32.dll", "GetFileInformationByHandle", reinterpret_cast<void*>(&RaceLook));
            ASSERT_TRUE(hook.Hooked());
            GRealLook = hook.Original();
            GRace = &state;
            const TRunResult run = ConvertOnce(r, root + "In.toc", mftEudoraToc, target, r.Out());
            GRace = nullptr;
            EXPECT_FALSE(OutputCarries(r.Out(), target, "CANARY-7f3a"));
            EXPECT_EQ(OutputCarries(r.Out(), target, "LEGIT-4c1d"), race.Embeds);
            EXPECT_EQ(LogRows(run.Log, "Attachment file refused: \"" + report + "\""), race.Embeds ? 0 : 1) << run.Log;
            EXPECT_GE(state.Act, state.Steps.size());
        }
    }
}

// Mbox copies of Eudora stores escape every "From " at a line start (also
// after a bare CR, at each 64 KiB edge, in a message too large to load): the
// copy converted again gives the direct road's files, "From " lower-cased.
// A store bounded by separator lines keeps its bytes.
TEST(KvConvertAttach, MboxCopiesOfEudoraStoresReadBackAsTheirMessages)
{
    const auto msg = [](const std::string& Subject, const std::string& Body) {
        return "From ???@??? Mon Jan  5 10:00:00 2009\nFrom: Eve <eve@example.com>\nSubject: " + Subject +
               "\nContent-Type: text/plain\n\n" + Body;
    };
    const std::vector<std::string> bodies = {
        "From what I hear, all is well.\nBye.\n",
        "Bounced:\n\nFrom bob@example.com Mon Jan  1 08:00:00 2001\nSubject: older\nContent-Type: text/plain\n\nold\n",
        "From the start to the end.\n",
        // A From_ line right before the next separator: this message's last line.
        "Signed.\nFrom bob@example.com Mon Jan  1 08:00:00 2001",
        "One\rFrom a bare CR on.\n",
    };
    for (const auto& [road, brk] : {std::pair{mftEudoraToc, "\r\n"}, {mftEudoraMbx, "\r\n"}, {mftMacEudora, "\r"},
                                    {mftMbox, "\n"}}) {
        // The first message's body starts at offset 1024 with lines of 64
        // bytes: every 1024th line starts at a 64 KiB edge of the file.
        std::vector<std::string> texts;
        std::string head = WithBreaks(msg("edges", ""), brk);
        head.insert(head.size() - std::string(brk).size(),
                    "X-Pad: " + std::string(1024 - head.size() - 7 - std::string(brk).size(), 'p') + brk);
        std::string edges = head;
        for (int line = 0; line < 7 * 1024; ++line) {
            const std::string start = line % 1024 == 1008 ? "From edge " : "filler ";
            edges += start + std::string(64 - start.size() - std::string(brk).size(), 'x') + brk;
        }
        texts.push_back(edges);
        // Neither of the last two bodies goes into an mbox: there a bare CR in
        // a mailbox of LF breaks becomes a break of the target's, and a From_
        // line at a body's end starts an empty message.
        for (size_t i = 0; i < bodies.size() - (road == mftMbox ? 2 : 0); ++i) {
            texts.push_back(WithBreaks(msg("note " + std::to_string(i), bodies[i]), brk));
            // An index ends that message with its last break; a data file
            // read alone has the next separator right after its From_ line.
            if (road == mftEudoraToc && !bodies[i].ends_with('\n'))
                texts.back() += brk;
        }
        for (TMailFormat target : {mftMboxWin, mftMboxUnix, mftMboxMac}) {
            SCOPED_TRACE(std::to_string(road) + " to " + std::to_string(target));
            TAttachRun r;
            // Into one target the first message is too large to load, and
            // copied as it stands.
            if (target == mftMboxUnix)
                r.Driver.LargeMessageSize = 0x40000;
            const std::string root = r.Src("Eudora\\");
            const std::string entry =
                root + (road == mftEudoraToc ? "Friends.toc" : road == mftEudoraMbx ? "Friends.mbx" : "Friends");
            std::string box;
            for (const std::string& t : texts)
                box += t + brk;
            // Its last line a bare "From " without a break: body text, in the
            // copies too, whose break the line gets. An Eudora store's last
            // lines a whole From_ line and a blank one: body text too.
            const std::string tail =
                road == mftMbox ? "From " : "From carol@example.com Mon Jan  1 08:00:00 2001" + std::string(brk) + brk;
            box += tail;
            if (road == mftEudoraToc)  // copies sent from here: nothing of them counts as received
                PutEudoraMailbox(root, texts, "Friends", 8);
            else
                PutFile(entry, box);
            const TRunResult direct = ConvertOnce(r, entry, road, mftEml, r.Dir.File("eml"));
            const std::map<std::string, std::string> eml = TreeFiles(r.Dir.File("eml"));
            const int count = static_cast<int>(eml.size());
            // The index bounds the quoted mailbox; a reader of separator
            // lines splits it off.
            EXPECT_EQ(count, static_cast<int>(texts.size()) + (road == mftEudoraToc ? 0 : 1));
            EXPECT_EQ(std::count_if(eml.begin(), eml.end(), [](const auto& File) { return File.second.empty(); }), 0);
            EXPECT_EQ(direct.Summary, Counters(1, count, 0, 0));

            const TRunResult copied = ConvertOnce(r, entry, road, target, r.Out());
            EXPECT_EQ(copied.Summary, Counters(1, count, 0, 0));
            const std::map<std::string, std::string> mbox = TreeFiles(r.Out());
            ASSERT_EQ(mbox.size(), 1u);
            if (road == mftMbox && target == mftMboxUnix) {
                EXPECT_EQ(mbox.begin()->second, box + (tail.empty() ? "" : brk));
            }
            const TRunResult again =
                ConvertOnce(r, r.Out() + "\\" + mbox.begin()->first, mftMbox, mftEml, r.Dir.File("again"));
            EXPECT_EQ(again.Summary, Counters(1, count, 0, 0)) << again.Log;
            std::map<std::string, std::string> want = eml;
            for (auto& [name, bytes] : want) {
                if (road != mftMbox && bytes.compare(0, 5, "From ") == 0)
                    bytes[0] = 'f';
                for (size_t at = bytes.find("\nFrom "); road != mftMbox && at != std::string::npos;
                     at = bytes.find("\nFrom ", at))
                    bytes[++at] = 'f';
            }
            EXPECT_EQ(TreeFiles(r.Dir.File("again")), want);
        }
    }
}
