#include "mail/KvReEmbed.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "classlib/ResStrings.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvDataTables.h"
#include "mail/KvErrorLog.h"
#include "mail/KvEudoraAttach.h"
#include "mail/KvFindMail.h"
#include "mail/KvMime.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeRender.h"
#include "mail/KvMsgParts.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvQuotedPrintable.h"

namespace {

// Every value of a field, in header order.
std::vector<std::string> FieldValues(const std::string& Header, const std::string& Name)
{
    std::vector<std::string> values;
    int pos = 1;
    while (true) {
        std::string v = GetHeaderFieldAt(Header, Name, pos);
        if (pos < 0)
            break;
        values.push_back(UnfoldHeaderValue(v));
    }
    return values;
}

void DeleteAllFields(std::string& Header, const std::string& Name)
{
    while (HasHeaderField(Header, Name, true))
        DeleteHeaderField(Header, Name);
}

// Mailbox lists of detached files: the file as named, against the mailbox
// folder, through the path substitutions, or moved onto the mailbox's drive.
std::string ResolveListedFile(TReEmbedContext& C, const std::string& Entry, bool& Preloaded)
{
    std::string path = JoinPath(C.MailboxFolder, Entry);
    Preloaded = false;
    if (!IsExistingFile(path))
        ResolveSubstPath(path, false);
    if (FindPreloaded(C.Preloaded, ExtractFileNamePart(path)) >= 0) {
        Preloaded = true;
        return path;
    }
    if (IsExistingFile(path))
        return path;
    const std::string moved = RebasePathRoot(path, ExtractDriveOrShare(C.MailboxFolder));
    if (!moved.empty() && IsExistingFile(moved))
        return moved;
    return PathHasDrive(Entry) ? ExtractFileNamePart(Entry) : Entry;
}

// Lines a store writes for its own files: a copy written here may name any
// file, a received message only one inside the mailbox folder.
TJudgedFile JudgeStoreFile(TReEmbedContext& C, const std::string& Path, const std::vector<std::string>& Extra = {})
{
    std::vector<std::string> folders = Extra;
    folders.push_back(C.MailboxFolder);
    return C.Judge.JudgeFile(Path, TNamedFileTrust::SentOrStore, C.Parts.Received(), folders);
}

void XAttachmentsRule(TReEmbedContext& C, const std::string& Text)
{
    TMessageParts& P = C.Parts;
    P.SplitAndParse(Text);
    ClassifyBody(P);
    // The field lists files of the sender's own disk: only a copy written
    // here may open them.
    const bool Received = P.Received();
    bool Refused = false;
    for (const std::string& Value : FieldValues(P.Header, "X-Attachments")) {
        int Pos = 1;
        while (Pos <= static_cast<int>(Value.size())) {
            std::string Entry;
            NextQuotedField(Value, Pos, ';', Entry, '"');
            Entry = TrimBlanksAndQuotes(Entry);
            if (Entry.empty())
                break;
            bool Preloaded = false;
            if (!C.Judge.JudgeFile(Entry, TNamedFileTrust::SentCopy, Received, {}).Allowed()) {
                Refused = true;
                continue;
            }
            const std::string Path = ResolveListedFile(C, Entry, Preloaded);
            if (Preloaded) {
                AddPreloadedFile(C, Path, std::string());
                continue;
            }
            TJudgedFile File = C.Judge.JudgeFile(Path, TNamedFileTrust::SentCopy, Received, {C.MailboxFolder});
            if (!File.Allowed()) {
                Refused = true;
                continue;
            }
            AddFileAttachment(C, std::move(File), std::string(), false);
        }
    }
    // A refused name stays on record where the message had it.
    if (!Refused)
        DeleteAllFields(P.Header, "X-Attachments");
    P.ParseHeader(P.Header);
    FinishHeader(P, C.Added);
}

void RsAttachRule(TReEmbedContext& C, const std::string& Text)
{
    TMessageParts& p = C.Parts;
    p.SplitAndParse(Text);
    if (p.MediaType == MimeTextHtml) {
        p.Html = p.PlainText;
        p.PlainText.clear();
    }
    for (const std::string& value : FieldValues(p.Header, "X-RS-Attach")) {
        int pos = 1;
        std::string first;
        NextQuotedField(value, pos, ',', first, '"');
        std::string path = TrimBlanksAndQuotes(first);
        ReplaceInStr(path, "\\\\", "\\");
        if (path.empty())
            continue;
        TJudgedFile File = JudgeStoreFile(C, path);
        if (File.Allowed())
            AddFileAttachment(C, std::move(File), std::string(), true);
    }
    FinishHeader(p, C.Added);
}

// Takes every header line that starts with Marker (after a line feed) out
// of Header, the line feed before it staying; answers their values.
std::vector<std::string> TakeMarkerLines(std::string& Header, const std::string& Marker)
{
    std::vector<std::string> values;
    const std::string key = "\n" + Marker;
    size_t at;
    while ((at = Header.find(key)) != std::string::npos) {
        const size_t start = at + 1;
        size_t end = Header.find('\n', start);
        end = end == std::string::npos ? Header.size() : end + 1;
        std::string value = Header.substr(start + Marker.size(), end - start - Marker.size());
        while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
            value.pop_back();
        values.push_back(value);
        Header.erase(start, end - start);
    }
    return values;
}

// Calypso: "X-Attachment" lines of path, content id and display name.
void CalypsoRule(TReEmbedContext& C, const std::string& Text)
{
    TMessageParts& p = C.Parts;
    p.SplitAndParse(Text);
    if (SameTextStr(p.TransferEncoding, MimeQuotedPrintable))
        p.PlainText = DecodeQuotedPrintable(p.PlainText);
    p.Html.clear();
    if (p.MediaType != MimeTextPlain && p.MainType == MimeMultipart && p.Boundary.empty()) {
        const std::string boundary = MakeMessageBoundary(p.Header);
        int pos = 0;
        int len = 0;
        if (FindHeaderField(p.Header, FieldContentType, pos, false, len)) {
            size_t lineEnd = static_cast<size_t>(pos - 1 + len);
            while (lineEnd > 0 && (p.Header[lineEnd - 1] == '\n' || p.Header[lineEnd - 1] == '\r'))
                --lineEnd;
            p.Header.insert(lineEnd, "; boundary=\"" + boundary + "\"");
        }
        if (p.PlainText.compare(0, boundary.size() + 2, "--" + boundary) == 0) {
            const int body = FindBodyStart(p.PlainText);
            if (body > 0)
                p.PlainText.erase(0, static_cast<size_t>(body - 1));
        }
        p.ParseHeader(p.Header);
    }
    auto fields = [&C](const std::string& Value, std::string& Path, std::string& Id, std::string& Name) {
        std::string v = Value;
        const size_t quote = v.find('"');
        v = quote == std::string::npos ? v : v.substr(quote + 1);
        int pos = 1;
        NextFieldByStr(v, pos, "\"; \"", Path, false);
        NextFieldByStr(v, pos, "\"; \"", Id, false);
        NextFieldByStr(v, pos, "\"; \"", Name, false);
        if (!Name.empty() && Name.back() == '"')
            Name.pop_back();
        if (!Path.empty() && Path[0] == '.') {
            Path = JoinPath(C.MailboxFolder, Path.substr(std::min<size_t>(2, Path.size())));
            if (!IsExistingFile(Path))
                ResolveSubstPath(Path, false);
        }
    };
    std::vector<std::pair<std::string, std::string>> refused;
    for (const char* marker : {"X-Attachment: ", "X-CalypsoHtmlImg: "}) {
        const bool images = marker[2] == 'C';
        if (p.AttachmentMode == amNone || (!images && p.AttachmentMode != amAll))
            continue;
        for (const std::string& value : TakeMarkerLines(p.Header, marker)) {
            std::string path, id, name;
            fields(value, path, id, name);
            if (path.empty())
                break;
            TJudgedFile file = JudgeStoreFile(C, path);
            if (!file.Allowed()) {
                refused.emplace_back(std::string(marker, std::strlen(marker) - 2), value);
                continue;
            }
            TAttachment* a = p.AddAttachment();
            a->ContentId = id;
            a->LoadFile(std::move(file), std::string(), false);
            if (!name.empty())
                a->SetPath(name);
            ++C.Added;
        }
    }
    for (const std::string& value : TakeMarkerLines(p.Header, "X-CalypsoHtmlBody: ")) {
        std::string path, id, name;
        fields(value, path, id, name);
        TJudgedFile file = JudgeStoreFile(C, path);
        if (!file.Allowed())
            refused.emplace_back("X-CalypsoHtmlBody", value);
        else if (IsExistingFile(path))
            p.Html = file.ReadAll();
    }
    // A refused name stays on record in the header.
    for (const auto& line : refused)
        AddHeaderField(p.Header, line.first, line.second);
    p.ParseHeader(p.Header);
    // Files put back need a multipart header like every other store's.
    FinishHeader(p, C.Added);
}

// "X-Poco-Attachment" lines: one file path each.
void PocoRule(TReEmbedContext& C, const std::string& Text)
{
    TMessageParts& p = C.Parts;
    p.SplitAndParse(Text);
    int treeParts = 0;
    const bool multipart = p.MainType == MimeMultipart;
    if (multipart) {
        TKvMimeBlock tree(Text, false, true);
        std::string cs;
        tree.GetPlainText(cs, p.PlainText);
        tree.GetHtmlText(cs, p.Html);
        if (p.AttachmentMode != amNone) {
            TStringList list;
            for (int mode = cpAttachments; mode <= cpUnnamedInline; ++mode)
                tree.CollectParts(&list, mode);
            for (int i = 0; i < list.Count(); ++i)
                p.AddAttachment()->AssignFromPart(*static_cast<TKvMimeBlock*>(list.Objects(i)));
            treeParts = list.Count();
        }
    } else {
        ClassifyBody(p);
    }
    bool htmlFromFile = false;
    if (p.AttachmentMode == amAll) {
        for (const std::string& value : TakeMarkerLines(p.Header, "X-Poco-Attachment: ")) {
            std::string path = value;
            if (IsUnsafePathForm(path)) {
                C.Judge.Refuse(path);
                AddHeaderField(p.Header, "X-Poco-Attachment", value);
                continue;
            }
            const std::string bare = ExtractFileNamePart(path);
            if (!IsExistingFile(path))
                ResolveSubstPath(path, false);
            if (FindPreloaded(C.Preloaded, bare) >= 0) {
                path = bare;
            } else if (!IsExistingFile(path)) {
                const std::string moved = ExtractFolder(RebasePathRoot(path, ExtractDriveOrShare(C.MailboxFolder)));
                const std::string folder = FolderExists(moved) ? moved : JoinPath(C.MailboxFolder, "Attach");
                const std::string file = JoinPath(folder, bare);
                path = IsExistingFile(file) ? file : "Attach\\" + bare;
            }
            TJudgedFile file = JudgeStoreFile(C, path);
            if (!file.Allowed()) {
                AddHeaderField(p.Header, "X-Poco-Attachment", value);
                continue;
            }
            if (multipart && HasFileExt(path, "htm") && (p.Html.empty() || p.Html.find("cid:") == std::string::npos)) {
                p.Html = file.ReadAll();
                htmlFromFile = true;
                continue;
            }
            AddFileAttachment(C, std::move(file), std::string(), false);
        }
    }
    p.ParseHeader(p.Header);
    if (C.Added == 0 && htmlFromFile) {
        const std::string type = treeParts > 1 ? MimeMultiMixed : MimeMultiAlternative;
        std::string boundary = p.Boundary.compare(0, 2, "--") == 0 ? p.Boundary.substr(2) : p.Boundary;
        if (boundary.empty())
            boundary = MakeMessageBoundary(p.Header);
        p.SetHeaderField(FieldContentType, AddTypeParameter(type, boundary));
    } else {
        // Parts taken from the message's own tree keep it a multipart.
        FinishHeader(p, C.Added, treeParts == 0);
    }
}

// Pegasus: the "X-file" field names the file, "X-finfo" its display name.
void XFileRule(TReEmbedContext& C, const std::string& Text)
{
    TMessageParts& p = C.Parts;
    p.SplitAndParse(Text);
    p.Html.clear();
    std::string file = TrimBlanksAndQuotes(UnfoldHeaderValue(GetHeaderField(p.Header, "X-file")));
    if (file.empty()) {
        FinishHeader(p, 0);
        return;
    }
    std::string display;
    const std::string info = UnfoldHeaderValue(GetHeaderField(p.Header, "X-finfo"));
    if (!info.empty()) {
        int pos = 1;
        std::string skipped;
        NextQuotedField(info, pos, ',', skipped, '"');
        NextQuotedField(info, pos, ',', skipped, '"');
        display = pos <= static_cast<int>(info.size()) ? TrimBlanksAndQuotes(info.substr(static_cast<size_t>(pos - 1)))
                                                       : std::string();
    }
    std::string path = JoinPath(C.MailboxFolder, ExtractFileNamePart(file));
    // The client's own mail folder, looked up once per run.
    static const std::string pegasusFolder = GetClientMailFolder("Pegasus");
    if (!IsExistingFile(path) && !IsUnsafePathForm(path)) {
        const std::string& pegasus = pegasusFolder;
        const std::string there = pegasus.empty() ? std::string() : JoinPath(pegasus, ExtractFileNamePart(file));
        if (!there.empty() && IsExistingFile(there))
            path = there;
    }
    TJudgedFile judged = JudgeStoreFile(C, path, {pegasusFolder});
    if (!judged.Allowed()) {
        FinishHeader(p, C.Added);
        return;
    }
    AddFileAttachment(C, std::move(judged), std::string(), true);
    if (!display.empty())
        p.Attachments.back()->FileName = display;
    FinishHeader(p, C.Added);
}

void MimeRule(TReEmbedContext& C, const std::string& Text)
{
    TKvMimeBlock tree(Text, false, true);
    tree.Arrival = TArrivalVerdict(C.Parts.Received());
    if (C.Parts.AttachmentMode != amNone)
        EmbedDetachedParts(tree, C.MailboxFolder, C.Judge);
    C.Parts.FillFromMimeBlock(tree);
}

}  // namespace

void EmbedDetachedParts(TKvMimeBlock& Block, const std::string& Folder, TNamedFileJudge& Judge)
{
    std::string missing;
    EmbedDetachedFiles(Block, Folder, Judge, missing);
    int pos = 1;
    while (pos <= static_cast<int>(missing.size())) {
        std::string name;
        NextFieldByStr(missing, pos, "; ", name, false);
        if (!name.empty())
            WriteErrorLine(Format(LoadResString(SEmailPartNotFound), name));
    }
}

void RebuildPartsByKind(TMessageParts& Parts, const std::string& Text, const std::string& MailboxFolder,
                        bool Finfo, TDoubleStringList* Preloaded, TMailboxKind Kind, TNamedFileJudge& Judge)
{
    TReEmbedContext c{Parts, MailboxFolder, Preloaded, Judge};
    switch (Kind) {
    case mbkCalypso:
        CalypsoRule(c, Text);
        return;
    case mbkMboxAttachLines:
        XAttachmentsRule(c, Text);
        return;
    case mbkPoco1: case mbkPoco2: case mbkPoco3:
        PocoRule(c, Text);
        return;
    case mbkEudoraMbx: case mbkEudoraToc: case mbkMacEudora:
        EudoraRule(c, Text, Kind == mbkMacEudora);
        return;
    case mbkContentFile1: case mbkContentFile2:
        MimeRule(c, Text);
        return;
    case mbkPegasusPlain: case mbkPegasus:
        if (Finfo)
            XFileRule(c, Text);
        else
            RsAttachRule(c, Text);
        return;
    case mbkNone: case mbkMessageFile: case mbkFolderMessage: case mbkEmlxFolder: case mbkMaildir:
    case mbkMbox: case mbkFldMbox: case mbkFldMboxFolderFlags: case mbkPine: case mbkMozilla:
    case mbkPlainMbox: case mbkReaderNamed: case mbkFileNamed: case mbkFileNamedPlain:
    case mbkCopyNumbered1: case mbkCopyNumbered2: case mbkHotmail: case mbkFolderFlagsOnly:
    case mbkFolderPlain: case mbkFileLocation:
        break;
    }
    // Stores without a rule of their own keep their text whole.
    Parts.ParseMessageText(Text);
}
