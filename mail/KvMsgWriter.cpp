#include "mail/KvMsgWriter.h"

#include "classlib/Streams.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"
#include "mail/KvEtf2Text.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeRender.h"
#include "mail/KvMsgParts.h"
#include "mail/KvQuotedPrintable.h"

namespace {

std::string WithoutDashes(const std::string& Boundary)
{
    return Boundary.compare(0, 2, "--") == 0 ? Boundary.substr(2) : Boundary;
}

// A boundary of the program's own shape: long, and of the "_NextPart_" form.
bool IsOwnBoundary(const std::string& Boundary)
{
    const std::string b = WithoutDashes(Boundary);
    return b.size() > 40 && IsNextPartBoundaryAt(b, 1);
}

std::string EncodeText(const std::string& Text, int Kind)
{
    if (Kind == encQuotedPrintable)
        return EncodeQuotedPrintable(Text);
    if (Kind == encBase64)
        return Base64EncodeString(Text);
    return Text;
}

void SetRootContentType(TKvMimeBlock& Root, const std::string& Value)
{
    Root.SetHeader(FieldContentType, Value);
    Root.SetContentType(Value);
    Root.ParsedType = Root.ContentType;
}

// Extensions whose empty files are still text.
bool IsTextExtension(const std::string& Name)
{
    return HasFileExt(Name, "txt;eml;emlx;nws;vcf;mht;rtf;htm;html;css;php;pas;bas;ini;reg;", true);
}

struct TWriter {
    TMessageParts& P;
    TKvMimeBlock* Root = nullptr;
    TKvMimeBlock* Mixed = nullptr;
    TKvMimeBlock* Related = nullptr;
    TKvMimeBlock* Signed = nullptr;
    bool HasAlternative = false;
    bool NeedsBody = true;
    int Embedded = 0;

    void TextPart(TKvMimeBlock* Target, TMimeClass Class, const std::string& Text)
    {
        AddTextChild(Target, Class, Text, P.Charset);
    }

    void BodyParts(TKvMimeBlock* Current, TMimeClass C)
    {
        if (C == mcMultiRelated) {
            Related = Current;
        } else if (C == mcMultiSigned) {
            Signed = Current;
            if (P.AttachmentCount() >= 2)
                Mixed = Current = AddMultipartChild(Current, mcMultiMixed);
            else if (HasAlternative)
                Current = AddMultipartChild(Current, mcMultiAlternative);
        } else {
            Mixed = Current;
            if (HasAlternative)
                Current = AddMultipartChild(Current, mcMultiAlternative);
        }
        // The related part that holds the HTML and its inline parts follows
        // the plain text in an alternative.
        auto htmlTarget = [this, Current]() {
            if (!Related && Embedded > 0)
                return Related = AddMultipartChild(Current, mcMultiRelated);
            return Current;
        };
        if (HasAlternative && C != mcMultiRelated) {
            TextPart(Current, mcTextPlain, P.PlainText);
            if (!P.Enriched.empty())
                TextPart(Current, mcTextEnriched, P.Enriched);
            if (!P.Html.empty())
                TextPart(htmlTarget(), mcTextHtml, P.Html);
        } else if (!P.Html.empty()) {
            TextPart(htmlTarget(), mcTextHtml, P.Html);
        } else if (!P.Enriched.empty()) {
            TextPart(Current, mcTextEnriched, P.Enriched);
        } else {
            TextPart(Current, mcTextPlain, P.PlainText);
        }
    }

    void RootBody(const std::string& Text)
    {
        int kind = Root->EncodingKind;
        if (P.HeaderCompleted && Root->TransferEncoding.empty()) {
            kind = TextTransferKind(Text);
            Root->SetHeader(FieldContentTransferEncoding, EncodingName(kind));
            Root->SetTransferEncoding(EncodingName(kind));
        }
        Root->Body = EncodeText(Text, kind);
    }

    void NewMixedRoot()
    {
        SetRootContentType(*Root, AddTypeParameter(MimeMultiMixed, MakeMessageBoundary(Root->Header)));
        DeleteHeaderField(Root->Header, FieldContentTransferEncoding);
        Root->SetTransferEncoding(std::string());
    }

    void Fill()
    {
        // The first part of each text type takes the new text.
        {
            TKvMimeBlock* plain = Root->FindBodyPart(MimeTextPlain);
            TKvMimeBlock* html = Root->FindBodyPart(MimeTextHtml);
            TKvMimeBlock* enriched = Root->FindBodyPart(MimeTextEnriched);
            auto refill = [](TKvMimeBlock* Part, const std::string& Text) {
                if (Part)
                    Part->Body = EncodeText(Text, Part->EncodingKind);
            };
            if (HasAlternative) {
                refill(plain, P.PlainText);
                if (!P.Html.empty())
                    refill(html, P.Html);
                if (!P.Enriched.empty())
                    refill(enriched, P.Enriched);
            } else if (!P.Html.empty()) {
                refill(html, P.Html);
            } else if (!P.Enriched.empty()) {
                refill(enriched, P.Enriched);
            } else {
                refill(plain, P.PlainText);
            }
        }
    }

    TKvMimeBlock* TargetOf(const TAttachment& A)
    {
        if (A.GetKind() == akEmbedded) {
            if (Related)
                return Related;
        } else if (Signed && (P.AttachmentCount() == 1 || HasFileExt(A.FileName, "p7s"))) {
            return Signed;
        }
        return Mixed ? Mixed : Root;
    }
};

}  // namespace

TKvMimeBlock* AddMultipartChild(TKvMimeBlock* Parent, TMimeClass Class)
{
    const std::string base = WithoutDashes(Parent->Boundary);
    std::string boundary;
    if (IsOwnBoundary(Parent->Boundary)) {
        boundary = NextBoundary(Parent->GetLevel() + 1, base);
    } else {
        const char letter = Class == mcMultiMixed ? 'M' : Class == mcMultiAlternative ? 'A'
                            : Class == mcMultiRelated                                ? 'R'
                                                                                      : 'U';
        boundary = base + "_" + letter;
    }
    const std::string header = MultipartTypeLine(boundary, MediaTypeOfClass(Class));
    auto child = TKvMimeBlock::CreateChild(Parent, false, 0, header);
    child->HeaderOnly = 0;
    child->LoadBody = 1;
    return Parent->AdoptChild(std::move(child));
}

TKvMimeBlock* AddTextChild(TKvMimeBlock* Parent, TMimeClass Class, const std::string& Text,
                           const std::string& Charset, const std::string& Encoding)
{
    const std::string encoding = Encoding.empty() ? EncodingName(TextTransferKind(Text)) : Encoding;
    std::string charset = Charset;
    if (charset.empty() && Class >= mcTextPlain && Class <= mcTextEnriched)
        charset = DefaultCharsetName(Class, Text);
    std::string header = std::string(FieldContentType) + ": " + MediaTypeOfClass(Class);
    if (!charset.empty())
        header += ";\r\n\tcharset=\"" + charset + "\"";
    header += "\r\n";
    if (!encoding.empty())
        header += std::string(FieldContentTransferEncoding) + ": " + encoding + "\r\n";
    return Parent->AddChild(header + "\r\n" + EncodeText(Text, TransferEncodingKind(encoding)), 0);
}

TKvMimeBlock* AddAttachmentChild(TKvMimeBlock* Parent, TKvMimeBlock* Root, TAttachment& A, int CodePage)
{
    int kind = TransferEncodingKind(A.TransferEncoding);
    const std::string data = A.DataBytes();
    if (A.ContentType.empty()) {
        if (kind == encNone) {
            if (data.empty())
                kind = IsTextExtension(A.FileName) ? enc7Bit : encBinary;
            else
                kind = TextTransferKind(data);
        }
        // Only a file the attachment was read from is looked into: a name
        // the message carries (a uuencoded block's, a part's) may point at
        // any file of the machine, or at a share.
        const bool fromFile = dynamic_cast<const TFileStream*>(A.Data.get()) != nullptr;
        A.ContentType = MediaTypeOfFile(A.GetFullPath(), kind, fromFile ? data : std::string());
    }
    if (kind == encNone) {
        const std::string main = A.ContentType.substr(0, A.ContentType.find('/'));
        kind = (SameTextStr(main, "text") || SameTextStr(main, MimeMessage) || SameTextStr(main, MimeMultipart))
                   ? TextTransferKind(data)
                   : encBase64;
    }
    std::string body;
    if (kind == encQuotedPrintable)
        body = EncodeQuotedPrintable(data);
    else if (kind == encBase64)
        body = Base64EncodeString(data);
    else
        body = data;
    const std::string encoding = kind == encOther ? A.TransferEncoding : EncodingName(kind);
    if (!Parent) {
        Root->Body = body;
        return Root;
    }
    std::string header;
    BuildPartHeader(A.ContentType, A.FileName, A.ContentId, header, CodePage, encoding);
    return Parent->AddChild(SetTrailingCrLfCount(header, 2) + body, 0);
}

namespace {

// Which block takes mixed and related parts, and the plain text an
// enriched-only message gets for its alternative.
void ChooseContainers(TWriter& w, TKvMimeBlock& root, TMessageParts& p)
{
    if (root.MediaClass == mcMultiMixed) {
        w.Mixed = w.Root;
    } else if (root.MediaClass == mcMultiAlternative && p.AttachmentCount() > 0) {
        std::string value = UnfoldHeaderValue(GetHeaderField(root.Header, FieldContentType));
        ReplaceInStr(value, "alternative", "mixed");
        SetRootContentType(root, value);
        w.Mixed = w.Root;
    } else if (root.MediaClass == mcMultiRelated) {
        w.Related = w.Root;
    }
    w.Embedded = p.EmbeddedCount();
    if (p.PlainText.empty() && !p.Enriched.empty()) {
        p.PlainText = p.Enriched;
        const int n = EnrichedToText(p.PlainText, 1, 0);
        if (n > 0)
            p.PlainText.resize(static_cast<size_t>(n));
    }
    w.HasAlternative = !p.PlainText.empty() && (!p.Html.empty() || !p.Enriched.empty());
}

// A root without a usable type gets one from what the message holds.
void SetMissingRootType(TWriter& w, TKvMimeBlock& root, TMessageParts& p)
{
    if (root.ParsedType.empty() || !HasHeaderField(root.Header, FieldContentType, true)) {
        TMimeClass cls = root.MediaClass;
        if (p.AttachmentCount() == 0)
            cls = w.HasAlternative      ? TMimeClass(mcMultiAlternative)
                  : !p.Html.empty()      ? TMimeClass(mcTextHtml)
                  : !p.PlainText.empty() ? TMimeClass(mcTextPlain)
                                         : cls;
        else
            cls = w.Embedded == p.AttachmentCount() ? mcMultiRelated : mcMultiMixed;
        const std::string type = MediaTypeOfClass(cls);
        if (cls >= mcMultiMixed && cls <= mcMultiOther) {
            SetRootContentType(root, AddTypeParameter(type, MakeMessageBoundary(root.Header)));
        } else if (cls >= mcTextPlain && cls <= mcTextEnriched) {
            const std::string charset =
                !p.Charset.empty() ? p.Charset : DefaultCharsetName(cls, cls == mcTextHtml ? p.Html : p.PlainText);
            SetRootContentType(root, AddCharsetParameter(type, charset));
        }
        if (cls == mcMultiMixed)
            w.Mixed = w.Root;
    } else if (root.DispositionKind == dispAttachment && w.Embedded == 0 && p.AttachmentCount() == 1) {
        w.NeedsBody = w.HasAlternative || !p.Html.empty() || !p.PlainText.empty();
    }
    if (w.NeedsBody && root.MediaClass >= mcMultiMixed && root.MediaClass <= mcMultiOther)
        root.Preamble = MimeMultipartPreamble;
}

void BuildRootBody(TWriter& w, TKvMimeBlock& root, TMessageParts& p, bool hasTree)
{
    const bool multipartRoot = root.MediaClass >= mcMultiMixed && root.MediaClass <= mcMultiOther;
    if (hasTree) {
        w.Fill();
    } else if (w.NeedsBody && p.AttachmentCount() > 0 && !multipartRoot && root.MediaClass != mcMessageOther &&
               root.MediaClass != mcNone) {
        // A text root cannot hold parts: written as it stands, its
        // attachments would follow without a boundary and be lost to every
        // reader.
        w.NewMixedRoot();
        root.Preamble = MimeMultipartPreamble;
        w.BodyParts(w.Root, mcMultiMixed);
    } else if (w.NeedsBody) {
        switch (root.MediaClass) {
        case mcMultiMixed: case mcMultiRelated: case mcMultiOther: case mcMultiSigned: case mcMultiEncrypted:
            w.BodyParts(w.Root, root.MediaClass);
            break;
        case mcMultiAlternative:
            w.TextPart(w.Root, mcTextPlain, p.PlainText);
            if (!p.Html.empty()) {
                if (w.Embedded > 0) {
                    w.Mixed = w.Root;
                    w.Related = AddMultipartChild(w.Root, mcMultiRelated);
                    w.TextPart(w.Related, mcTextHtml, p.Html);
                } else {
                    w.TextPart(w.Root, mcTextHtml, p.Html);
                }
            } else if (!p.Enriched.empty()) {
                w.TextPart(w.Root, mcTextEnriched, p.Enriched);
            }
            break;
        case mcTextPlain: w.RootBody(p.PlainText); break;
        case mcTextHtml: case mcTextRichText: case mcTextOther:
            w.RootBody(!p.Html.empty() ? p.Html : p.PlainText);
            break;
        case mcTextEnriched: w.RootBody(p.Enriched); break;
        case mcMessageOther: break;
        default:
            if (p.AttachmentCount() == 0) {
                if (!p.Html.empty()) {
                    SetRootContentType(root, MimeTextHtml);
                    w.RootBody(p.Html);
                } else if (!p.PlainText.empty()) {
                    SetRootContentType(root, MimeTextPlain);
                    root.MediaClass = mcTextOther;
                    w.RootBody(p.PlainText);
                }
            } else if (!p.PlainText.empty() || !p.Html.empty() || !p.Enriched.empty()) {
                w.NewMixedRoot();
                root.Preamble = MimeMultipartPreamble;
                w.BodyParts(w.Root, mcMultiMixed);
            }
            break;
        }
    }
}

void AddAttachments(TWriter& w, TKvMimeBlock& root, TMessageParts& p, bool hasTree)
{
    // An attachment that cannot be written ends the list; what was built stays.
    try {
        const int cp = static_cast<int>(p.CodePage);
        if (!w.NeedsBody) {
            if (p.AttachmentCount() > 0)
                AddAttachmentChild(nullptr, w.Root, *p.Attachment(0), cp);
        } else {
            for (int i = 0; i < p.AttachmentCount(); ++i) {
                TAttachment& a = *p.Attachment(i);
                if (hasTree) {
                    TKvMimeBlock* part = root.FindPart(a.ContentType, a.FileName);
                    if (part) {
                        const std::string data = a.DataBytes();
                        part->Body = part->EncodingKind == encQuotedPrintable ? EncodeQuotedPrintable(data)
                                     : part->EncodingKind == encBase64        ? Base64EncodeString(data)
                                                                              : data;
                    }
                    continue;
                }
                AddAttachmentChild(w.TargetOf(a), w.Root, a, cp);
            }
        }
    } catch (const Exception&) {
    }
}

}  // namespace

std::unique_ptr<TKvMimeBlock> BuildMimeTree(TMessageParts* Parts)
{
    if (!Parts)
        return nullptr;
    TMessageParts& p = *Parts;
    auto tree = std::make_unique<TKvMimeBlock>(p.Header, false, true);
    TWriter w{p};
    w.Root = tree.get();
    TKvMimeBlock& root = *tree;
    const bool hasTree = root.IsMultipart() && root.ChildCount() > 0;
    ChooseContainers(w, root, p);
    SetMissingRootType(w, root, p);
    BuildRootBody(w, root, p, hasTree);
    AddAttachments(w, root, p, hasTree);
    return tree;
}

// A member of the parts, defined here beside the writer it drives: the
// parts know nothing of the writer, the writer reads the parts.
void TMessageParts::RenderMessage(int OutputKind, int FromLineKind, std::string& Result)
{
    Result.clear();
    std::unique_ptr<TKvMimeBlock> tree = BuildMimeTree(this);
    if (!tree)
        return;
    if (OutputKind == mokRaw && FromLineKind == 1 && !tree->HasDetachedParts()) {
        GetRawText(*tree, Result);
        return;
    }
    TDateTime date = GetSeparatorDate().GetDateTime();
    if (!(date > 0))
        date = GetReceivedDate().GetDateTime();
    GetConvertedText(*tree, static_cast<TMailOutputKind>(OutputKind), static_cast<TFromLineKind>(FromLineKind),
                     date, mbkNone, std::string(), std::string(), Result);
}
