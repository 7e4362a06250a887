#include "mail/KvMsgParts.h"

#include <algorithm>

#include "classlib/ResStrings.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"
#include "mail/KvDataTables.h"
#include "mail/KvErrorLog.h"
#include "mail/KvEtf2Text.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailNames.h"
#include "mail/KvMime.h"
#include "mail/KvMimeCoding.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvQuotedPrintable.h"
#include "mail/KvUUDecode.h"

namespace {

const TResStringRegistrar MsgPartsTexts{
    {SAttachmentNotFound, "Attachment not found: \"%s\""},
    {SEmailFileNotFound, "Email file not found: \"%s\""},
    {SEmailPartNotFound, "Email part not found: \"%s\""},
};

}  // namespace

std::string StreamBytes(TStream& Stream, std::int64_t MaxCount)
{
    Stream.SetPosition(0);
    std::string s = Stream.ReadString(static_cast<std::int32_t>(std::min(Stream.Size(), MaxCount)));
    Stream.SetPosition(0);
    return s;
}

// ---------------------------------------------------------------------------
// TAttachment
// ---------------------------------------------------------------------------

TAttachment::~TAttachment() = default;

int TAttachment::GetKind() const
{
    if (!Data)
        return akNoData;
    return ContentId.empty() ? akAttachment : akEmbedded;
}

std::string TAttachment::GetFullPath() const
{
    return Folder.empty() ? FileName : JoinPath(Folder, FileName);
}

void TAttachment::SetPath(const std::string& Path)
{
    const size_t slash = Path.rfind('\\');
    if (slash == std::string::npos) {
        Folder.clear();
        FileName = Path;
    } else {
        Folder = Path.substr(0, slash + 1);
        FileName = Path.substr(slash + 1);
    }
}

void TAttachment::SetData(const std::string& Text, const std::string& Encoding)
{
    if (!Encoding.empty())
        TransferEncoding = Encoding;
    if (SameTextStr(TransferEncoding, MimeBase64))
        Data = std::make_unique<TStringStream>(Base64DecodeString(Text));
    else
        Data = std::make_unique<TStringStream>(Text);
}

std::string TAttachment::DataBytes() const
{
    return Data ? StreamBytes(*Data) : std::string();
}

void TAttachment::LoadFile(TJudgedFile File, const std::string& Encoding, bool TrySubstitution)
{
    std::string path = File.Path();
    Data = File.Take();
    if (!Data) {
        if (TrySubstitution && !IsExistingFile(path))
            ResolveSubstPath(path, !ContentId.empty());
        bool refused = false;
        Data = File.OpenFound(path, refused);
        // A file put in place of the missing one and refused leaves it missing.
        if (refused)
            path = File.Path();
    }
    if (!Data && !path.empty()) {
        const std::string text = LoadResString(ContentId.empty() ? SAttachmentNotFound : SEmailFileNotFound);
        WriteErrorLine(Format(text, path));
        const size_t colon = text.find(':');
        const std::string note = text.substr(0, colon == std::string::npos ? text.size() : colon + 1) + "\r\n" +
                                 path + "\r\n";
        Data = std::make_unique<TStringStream>(note);
        SetPath(path);
        TransferEncoding = IsPlainText(note) ? "7bit" : "8bit";
        ContentType = MimeTextPlain;
        return;
    }
    SetPath(path);
    if (!Encoding.empty())
        TransferEncoding = Encoding;
    else
        TransferEncoding = (Data && IsBinaryStream(*Data, 65535)) ? MimeBase64 : std::string();
    if (Data)
        Data->SetPosition(0);
}

void TAttachment::AssignFromPart(TKvMimeBlock& Block)
{
    SetData(Block.Body, Block.TransferEncoding);
    std::string id = Block.ContentId;
    if (!id.empty() && id[0] == '<') {
        id.erase(0, 1);
        const size_t close = id.find('>');
        if (close != std::string::npos)
            id.erase(close, 1);
    }
    ContentId = id;
    ContentLocation = Block.ContentLocation;
    // The part tree already names an attached message by its subject.
    SetPath(Block.FileName.empty() && Block.MediaClass == mcMessageRfc822 ? Block.GetAttachedMessageName()
                                                                          : Block.FileName);
    ContentType = Block.ContentType;
}

void TAttachment::AssignFromDigestItem(const std::string& AName, TKvMimeBlock& Block)
{
    SetData(Block.Body, Block.TransferEncoding);
    ContentType = Block.ContentType;
    SetPath(AName);
}

// ---------------------------------------------------------------------------
// TMessageParts
// ---------------------------------------------------------------------------

TMessageParts::~TMessageParts() = default;

void TMessageParts::SetDate(TDateTimeObj*& Held, std::unique_ptr<TDateTimeObj>& Own, TDateTimeObj* Date)
{
    Own.reset();
    Held = Date;
}

TDateTimeObj& TMessageParts::ReadDate(TDateTimeObj*& Held, std::unique_ptr<TDateTimeObj>& Own, int Which)
{
    if (Held && Held->IsValid())
        return *Held;
    std::string text;
    int kind = dsFromLine;
    if (Which == dsDateField) {
        int source = 0;
        text = GetDateTextWithSource(Header, true, source);
        kind = source == dsNone ? dsFromLine : source;
    } else if (Which == dsReceived) {
        text = GetReceivedDateText(Header, true);
        kind = dsReceived;
    } else {
        text = GetFromLineDate(Header);
    }
    if (!Held) {
        Own = std::make_unique<TDateTimeObj>();
        Held = Own.get();
    }
    if (text.empty())
        Held->SetDateTime(-1.0);
    else
        Held->SetText(text, static_cast<std::uint8_t>(kind), 0);
    return *Held;
}

TDateTimeObj& TMessageParts::GetHeaderDate() { return ReadDate(FHeaderDate, FOwnHeaderDate, dsDateField); }
TDateTimeObj& TMessageParts::GetReceivedDate() { return ReadDate(FReceivedDate, FOwnReceivedDate, dsReceived); }
TDateTimeObj& TMessageParts::GetSeparatorDate() { return ReadDate(FSeparatorDate, FOwnSeparatorDate, dsFromLine); }

void TMessageParts::ParseHeader(const std::string& HeaderText)
{
    Header = HeaderText;
    TransferEncoding = UnfoldHeaderValue(GetHeaderField(Header, FieldContentTransferEncoding));
    TrimCharSet(TransferEncoding, true, TCharSet(" \t\r\n"));
    From = GetFromField(Header, true);
    To = GetDecodedField("To", Header, true);
    GetMessageSubject(Header, true, 0, Subject);
    ContentTypeValue = UnfoldHeaderValue(GetHeaderField(Header, FieldContentType));
    // The part tree reads a Content-Type value the way every other reader does.
    TKvMimeBlock probe(Header, true, false);
    MediaType = HasHeaderField(Header, FieldContentType, true) ? TableLowerCase(probe.ParsedType) : std::string();
    Boundary = probe.Boundary;
    Charset = GetParameter(ContentTypeValue, "charset");
    Name = probe.FileName;
    DispositionKind = probe.DispositionKind;
    const int cp = CharsetToCodePage(TableLowerCase(Charset));
    CodePage = cp > 0 ? static_cast<std::uint32_t>(cp) : 0;
    const size_t slash = MediaType.find('/');
    MainType = MediaType.substr(0, slash);
}

void TMessageParts::SplitAndParse(const std::string& Text)
{
    const int body = FindBodyStart(Text);
    if (body < 1) {
        ParseHeader(Text);
        PlainText.clear();
        return;
    }
    // The header keeps the line break of its last field, not the blank line.
    size_t end = static_cast<size_t>(body - 1);
    end -= (end >= 2 && Text[end - 2] == '\r') ? 2 : 1;
    ParseHeader(Text.substr(0, end));
    PlainText = Text.substr(static_cast<size_t>(body - 1));
}

void TMessageParts::SetHeaderField(const std::string& AName, const std::string& Value)
{
    ::SetHeaderField(Header, AName, Value);
    ParseHeader(Header);
}

void TMessageParts::RemoveHeaderField(const std::string& AName)
{
    DeleteHeaderField(Header, AName);
    ParseHeader(Header);
}

void TMessageParts::ParseMessageText(const std::string& Text)
{
    Html.clear();
    Enriched.clear();
    SplitAndParse(Text);
    const TMimeClass cls = GetMimeClass(MediaType);
    const int kind = TransferEncodingKind(TableLowerCase(TransferEncoding));
    if (kind == encQuotedPrintable)
        PlainText = DecodeQuotedPrintable(PlainText);
    else if (kind == encBase64)
        PlainText = Base64DecodeString(PlainText);
    if (ExtractUuencoded(true) > 0) {
        if (cls == mcTextHtml) {
            Html = PlainText;
            HtmlCharset = PlainCharset;
            PlainText.clear();
        } else if (cls == mcTextEnriched) {
            Enriched = PlainText;
            EnrichedCharset = PlainCharset;
            PlainText.clear();
        }
    }
}

TAttachment* TMessageParts::AddAttachment()
{
    Attachments.push_back(std::make_unique<TAttachment>());
    return Attachments.back().get();
}

int TMessageParts::EmbeddedCount() const
{
    int n = 0;
    for (const auto& a : Attachments)
        n += a->GetKind() == akEmbedded ? 1 : 0;
    return n;
}

bool TMessageParts::HasSeveralParts() const
{
    int n = AttachmentCount();
    if (!IsBlankText(PlainText))
        ++n;
    if (!IsBlankText(Html) || !IsBlankText(Enriched))
        ++n;
    return n > 1;
}

void TMessageParts::FillFromMimeBlock(TKvMimeBlock& Block)
{
    ParseHeader(Block.Header);
    Block.GetPlainText(PlainCharset, PlainText);
    Block.GetHtmlText(HtmlCharset, Html);
    if (Html.empty())
        Block.GetEnrichedText(EnrichedCharset, Enriched);
    TStringList list;
    for (int mode = cpAttachments; mode <= cpUnnamedInline; ++mode)
        Block.CollectParts(&list, mode);
    for (int i = 0; i < list.Count(); ++i) {
        auto* part = static_cast<TKvMimeBlock*>(list.Objects(i));
        if (Block.MediaClass == mcMultiDigest)
            AddAttachment()->AssignFromDigestItem(list.Strings(i), *part);
        else
            AddAttachment()->AssignFromPart(*part);
    }
}

int TMessageParts::ExtractUuencoded(bool Promote)
{
    int pos = 1;
    while (pos < static_cast<int>(PlainText.size())) {
        // From the character before: when the block just removed ended in
        // the line break of a blank line, the next "begin" line starts right
        // at pos and its own line break is that character.
        const int begin = FindUuencodeBegin(PlainText, pos > 1 ? pos - 1 : 1);
        if (begin < 1)
            break;
        const size_t lineEnd = PlainText.find('\n', static_cast<size_t>(begin - 1));
        const std::string line = PlainText.substr(static_cast<size_t>(begin - 1),
                                                  lineEnd == std::string::npos ? std::string::npos
                                                                               : lineEnd - (begin - 1));
        // "begin 644 name": the name follows the blank after the mode digits.
        std::string fileName;
        const size_t modeEnd = line.find(' ', 6);
        if (modeEnd != std::string::npos)
            fileName = TrimCharSetStr(line.substr(modeEnd + 1), true, TCharSet(" \t\r\n"));
        const int dataStart = lineEnd == std::string::npos ? static_cast<int>(PlainText.size()) + 1
                                                           : static_cast<int>(lineEnd) + 2;
        // FindUuencodeEnd answers the position after the "end" keyword.
        const int after = FindUuencodeEnd(PlainText, dataStart > 1 ? dataStart - 1 : 1);
        int blockEnd;  // 1-based last character of the block
        int dataStop;
        if (after < 1) {
            blockEnd = static_cast<int>(PlainText.size());
            dataStop = blockEnd;
        } else {
            const size_t keyword = PlainText.rfind("end", static_cast<size_t>(after - 1));
            dataStop = static_cast<int>(keyword);  // the line feed before "end"
            blockEnd = after - 1;
            while (blockEnd < static_cast<int>(PlainText.size()) &&
                   (PlainText[blockEnd] == '\r' || PlainText[blockEnd] == '\n'))
                ++blockEnd;
        }
        const std::string bytes = dataStart <= dataStop ? UudecodeText(PlainText, dataStart, dataStop) : std::string();
        PlainText.erase(static_cast<size_t>(begin - 1), static_cast<size_t>(blockEnd - begin + 1));
        TAttachment* a = AddAttachment();
        a->SetPath(fileName);
        a->SetData(bytes, std::string());
        pos = begin;
    }
    if (IsBlankText(PlainText))
        PlainText.clear();
    if (!Attachments.empty() && Promote) {
        if (!HasHeaderField(Header, FieldMimeVersion, true))
            Header += std::string(FieldMimeVersion) + ": 1.0\r\n";
        PlainCharset = Charset;
        Charset.clear();
        const std::string boundary = MakeMessageBoundary(Header);
        ::SetHeaderField(Header, FieldContentType, AddTypeParameter(MimeMultiMixed, boundary));
        if (!TransferEncoding.empty())
            DeleteHeaderField(Header, FieldContentTransferEncoding);
        const std::string plainCharset = PlainCharset;
        ParseHeader(Header);
        PlainCharset = plainCharset;
        Charset.clear();
    }
    return AttachmentCount();
}
