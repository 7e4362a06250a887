#include "mail/KvReEmbed.h"

#include <memory>

#include "classlib/ResStrings.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "foundation/KvStrings.h"
#include "mail/KvDataTables.h"
#include "mail/KvErrorLog.h"
#include "mail/KvEudoraAttach.h"
#include "mail/KvMime.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeRender.h"
#include "mail/KvMsgParts.h"
#include "mail/KvQuotedPrintable.h"

namespace {

bool IsBlank(const std::string& S)
{
    for (char c : S)
        if (static_cast<unsigned char>(c) > ' ' && static_cast<unsigned char>(c) != 0xA0)
            return false;
    return true;
}

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

void XAttachmentsRule(TReEmbedContext& C, const std::string& Text)
{
    TMessageParts& p = C.Parts;
    p.SplitAndParse(Text);
    ClassifyBody(p);
    for (const std::string& value : FieldValues(p.Header, "X-Attachments")) {
        int pos = 1;
        while (pos <= static_cast<int>(value.size())) {
            std::string entry;
            NextQuotedField(value, pos, ';', entry, '"');
            entry = TrimBlanksAndQuotes(entry);
            if (entry.empty())
                break;
            bool preloaded = false;
            AddFileAttachment(C, ResolveListedFile(C, entry, preloaded), std::string(), false);
        }
    }
    DeleteAllFields(p.Header, "X-Attachments");
    p.ParseHeader(p.Header);
    FinishHeader(p, C.Added);
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
        if (!path.empty())
            AddFileAttachment(C, path, std::string(), true);
    }
    FinishHeader(p, C.Added);
}

void MimeRule(TReEmbedContext& C, const std::string& Text)
{
    TKvMimeBlock tree(Text, false, true);
    if (C.Parts.AttachmentMode != 2) {
        std::string missing;
        EmbedDetachedFiles(tree, C.MailboxFolder, missing);
        int pos = 1;
        while (pos <= static_cast<int>(missing.size())) {
            std::string name;
            NextFieldByStr(missing, pos, "; ", name, false);
            if (!name.empty())
                WriteErrorLine(Format(LoadResString(SEmailPartNotFound), name));
        }
    }
    C.Parts.FillFromMimeBlock(tree);
}

}  // namespace

int FindPreloaded(TDoubleStringList* Preloaded, const std::string& Name)
{
    if (!Preloaded || Name.empty())
        return -1;
    for (int i = 0; i < Preloaded->Count(); ++i)
        if ((*Preloaded)[i] == Name)
            return i;
    return -1;
}

void ClassifyBody(TMessageParts& P)
{
    if (P.MediaType == MimeTextHtml) {
        P.Html = P.PlainText;
        P.PlainText.clear();
    } else if (P.MediaType != MimeTextPlain) {
        for (const char* tag : {"<br>", "<div>", "<p>", "</div>", "</p>", "<html>"}) {
            if (P.PlainText.find(tag) != std::string::npos) {
                P.Html = P.PlainText;
                P.PlainText.clear();
                break;
            }
        }
    }
    if (SameTextStr(P.TransferEncoding, MimeQuotedPrintable)) {
        P.Html = DecodeQuotedPrintable(P.Html);
        P.PlainText = DecodeQuotedPrintable(P.PlainText);
    }
    if (IsBlank(P.Html))
        P.Html.clear();
    if (IsBlank(P.PlainText))
        P.PlainText.clear();
}

void AddFileAttachment(TReEmbedContext& C, const std::string& Path, const std::string& ContentId,
                       bool TrySubstitution)
{
    TAttachment* a = C.Parts.AddAttachment();
    a->ContentId = ContentId;
    const int i = FindPreloaded(C.Preloaded, ExtractFileNamePart(Path));
    if (i >= 0) {
        a->SetData(C.Preloaded->GetSecond(i), std::string());
        a->SetPath((*C.Preloaded)[i]);
    } else {
        a->LoadFile(Path, std::string(), TrySubstitution);
    }
    ++C.Added;
}

void FinishHeader(TMessageParts& P, int Added)
{
    if (Added < 1)
        return;
    if (Added == 1 && IsBlank(P.PlainText) && IsBlank(P.Html)) {
        // Nothing but the file: the message becomes the attachment itself.
        TAttachment& a = *P.Attachment(0);
        P.PlainText.clear();
        P.Html.clear();
        const std::string name = a.FileName;
        const std::string type = a.ContentType.empty() ? MediaTypeOfFile(a.GetFullPath(), 0, true) : a.ContentType;
        ::SetHeaderField(P.Header, FieldContentType, type + ";\r\n\tname=\"" + name + "\"");
        ::SetHeaderField(P.Header, FieldContentDisposition,
                         std::string(MimeAttachment) + ";\r\n\tfilename=\"" + name + "\"");
        ::SetHeaderField(P.Header, FieldContentTransferEncoding, a.TransferEncoding);
        P.ParseHeader(P.Header);
        P.Charset.clear();
        return;
    }
    if (P.MediaType == MimeMultiMixed)
        return;
    std::string boundary = P.Boundary.compare(0, 2, "--") == 0 ? P.Boundary.substr(2) : P.Boundary;
    if (boundary.empty())
        boundary = MakeMessageBoundary(P.Header);
    ::SetHeaderField(P.Header, FieldContentType, AddTypeParameter(MimeMultiMixed, boundary));
    DeleteHeaderField(P.Header, FieldContentTransferEncoding);
    const std::string charset = P.Charset;
    P.ParseHeader(P.Header);
    // The bodies keep the charset the message declared for its text.
    P.Charset = charset;
}

void RebuildPartsByKind(TMessageParts& Parts, const std::string& Text, const std::string& MailboxFolder,
                        bool Finfo, TDoubleStringList* Preloaded, TMailboxKind Kind)
{
    TReEmbedContext c{Parts, MailboxFolder, Preloaded};
    switch (Kind) {
    case 11:
        XAttachmentsRule(c, Text);
        break;
    case 16: case 17: case 18:
        EudoraRule(c, Text, Kind == 18);
        break;
    case 19: case 20:
        MimeRule(c, Text);
        break;
    case 21: case 22:
        if (!Finfo) {
            RsAttachRule(c, Text);
            break;
        }
        Parts.ParseMessageText(Text);
        break;
    default:
        // Stores without a rule of their own keep their text whole.
        Parts.ParseMessageText(Text);
        break;
    }
}
