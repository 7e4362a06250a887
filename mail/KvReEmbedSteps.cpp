#include "mail/KvReEmbedSteps.h"

#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "foundation/KvStrings.h"
#include "mail/KvDataTables.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMsgParts.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvQuotedPrintable.h"

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
    if (IsBlankText(P.Html))
        P.Html.clear();
    if (IsBlankText(P.PlainText))
        P.PlainText.clear();
}

bool AddPreloadedFile(TReEmbedContext& C, const std::string& Path, const std::string& ContentId)
{
    const int i = FindPreloaded(C.Preloaded, ExtractFileNamePart(Path));
    if (i < 0)
        return false;
    TAttachment* a = C.Parts.AddAttachment();
    a->ContentId = ContentId;
    a->SetData(C.Preloaded->GetSecond(i), std::string());
    a->SetPath((*C.Preloaded)[i]);
    ++C.Added;
    return true;
}

void AddFileAttachment(TReEmbedContext& C, TJudgedFile File, const std::string& ContentId, bool TrySubstitution)
{
    if (AddPreloadedFile(C, File.Path(), ContentId))
        return;
    TAttachment* a = C.Parts.AddAttachment();
    a->ContentId = ContentId;
    a->LoadFile(std::move(File), std::string(), TrySubstitution);
    ++C.Added;
}

void FinishHeader(TMessageParts& P, int Added, bool Single)
{
    if (Added < 1)
        return;
    if (Single && Added == 1 && IsBlankText(P.PlainText) && IsBlankText(P.Html)) {
        // Nothing but the file: the message becomes the attachment itself.
        TAttachment& a = *P.Attachment(0);
        P.PlainText.clear();
        P.Html.clear();
        const std::string name = a.FileName;
        // The type from the bytes embedded: the name may be another file's
        // by now, or one the judge never allowed.
        const std::string head = a.Data ? StreamBytes(*a.Data, MediaSniffLength) : std::string();
        const std::string type = a.ContentType.empty() ? MediaTypeOfFile(a.GetFullPath(), encNone, head) : a.ContentType;
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
