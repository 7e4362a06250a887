#include "mail/KvMailBase.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <string_view>
#include <utility>

#include "classlib/ResStrings.h"
#include "classlib/Streams.h"
#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvDataTables.h"
#include "mail/KvEudoraAttach.h"
#include "mail/KvFromLine.h"
#include "mail/KvMailNames.h"
#include "mail/KvMailboxHead.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeRender.h"
#include "mail/KvMsgParts.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvReEmbed.h"

TNicknameExpander GEudoraNicknameExpander = nullptr;

namespace {

// Texts up to this size keep their storage from message to message.
constexpr std::size_t ReusedTextCapacity = 16u << 20;

enum : int { SMessageTooLarge = 21160, SMessageOutOfMemory = 21161 };

const TResStringRegistrar MailBaseTexts{
    {SMessageTooLarge, "Message of %s bytes too large, read up to %s bytes"},
    {SMessageOutOfMemory, "Not enough memory to read a message of %s bytes"},
};

// Marker searches are case-insensitive and must see past NUL bytes.
bool HasMarker(const std::string& Text, const std::string& Marker)
{
    return SearchText(Text, Marker, 1) > 0;
}

// The line that opens an external-body part (after a line break).
constexpr char ExternalBodyLine[] = "content-type: message/external-body";

// "multipart/" and a subtype.
bool IsMultipartSubtype(const std::string& Type)
{
    return Type.size() >= 10 && Type[9] == '/' && SameTextStr(Type.substr(0, 9), MimeMultipart);
}

bool IsExternalBody(const std::string& Text)
{
    return HasMarker(Text, std::string("\n") + ExternalBodyLine) || HasDetachedMark(Text);
}

// Whether Text holds Mark at At, the bytes folded by Table as the search
// that looks for the mark folds them.
bool MarkAt(const std::string& Text, std::size_t At, std::string_view Mark, const unsigned char* Table)
{
    if (At + Mark.size() > Text.size())
        return false;
    for (std::size_t I = 0; I < Mark.size(); ++I)
        if (Table[static_cast<unsigned char>(Text[At + I])] != Table[static_cast<unsigned char>(Mark[I])])
            return false;
    return true;
}

std::string Int64Text(std::int64_t Value)
{
    return std::to_string(Value);
}

// Text types of an Eudora store: Eudora's own markup goes, the text stays.
void RemoveEudoraBodyMarkup(std::string& Text)
{
    const int body = FindBodyStart(Text);
    if (body < 1)
        return;
    std::string rest = Text.substr(static_cast<size_t>(body - 1));
    const std::string type = TableLowerCase(GetContentType(Text, false, true));
    if (type == MimeTextHtml)
        RemoveXHtmlTags(rest);
    else if (type == MimeTextEnriched)
        RemoveXRichTags(rest);
    else if (!RemoveXFlowedTags(rest))
        RemoveXCharsetTags(rest);
    Text.replace(static_cast<size_t>(body - 1), std::string::npos, rest);
}

// Length of the From_ line that opens an mbox message, line break
// included; 0 when the text opens otherwise. Only a line that reads as an
// envelope counts: a header-less message may well begin with "From ".
size_t EnvelopeLineLength(const std::string& Text)
{
    if (Text.compare(0, 5, "From ") != 0)
        return 0;
    if (!IsStrictFromLine(Text, 1) && GetFromLineDate(Text).empty())
        return 0;
    const size_t lf = Text.find('\n');
    return lf == std::string::npos ? Text.size() : lf + 1;
}

// Whether every line of Text's header, up to Text's blank line or its end,
// is a field or the continuation of one: a line that is neither ends the
// header for a strict parser, so a field added at the header's end would
// land in what such a parser reads as body.
bool HeaderEndsClearly(const std::string& Text, size_t From)
{
    for (size_t P = From; P < Text.size();) {
        const size_t Lf = Text.find('\n', P);
        const size_t End = Lf == std::string::npos ? Text.size() : Lf;
        const size_t Length = End > P && Text[End - 1] == '\r' ? End - P - 1 : End - P;
        if (Length == 0)
            return true;
        const char C = Text[P];
        if ((C == ' ' || C == '\t') ? P == From : !IsHeaderLineAt(Text, static_cast<int>(P) + 1))
            return false;
        P = End + 1;
    }
    return true;
}

// What stands before the first ":" from Offset on (all the rest when there
// is none): the first field's name when the text opens with a field.
std::string FirstFieldName(const std::string& Text, size_t Offset)
{
    const size_t Colon = Text.find(':', Offset);
    return Text.substr(Offset, Colon == std::string::npos ? Colon : Colon - Offset);
}

// Where the body begins as HTML, after white space only: the 1-based
// position of its first tag, else 0. A tag further on is text that
// mentions it (a bounce quoting the message it returns, say).
int HtmlBodyStart(std::string_view Body)
{
    const size_t first = Body.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return 0;
    for (const char* mark : {"<!DOCTYPE HTML ", "<html>", "<HTML "})
        if (SameTextStr(std::string(Body.substr(first, std::char_traits<char>::length(mark))), mark))
            return static_cast<int>(first) + 1;
    return 0;
}

}  // namespace

void RepairNulBytes(std::string& Text)
{
    size_t end = Text.size();
    while (end > 0 && Text[end - 1] == '\0')
        --end;
    Text.resize(end);
    if (Text.find('\0') == std::string::npos)
        return;
    std::string r;
    r.reserve(Text.size());
    for (size_t i = 0; i < Text.size();) {
        if (Text[i] != '\0') {
            r += Text[i++];
            continue;
        }
        size_t j = i;
        while (j < Text.size() && Text[j] == '\0')
            ++j;
        // A run ending at a break is padding; one inside a line stands for text.
        if (!(Text[j] == '\r' || Text[j] == '\n'))
            r.append(j - i, ' ');
        i = j;
    }
    Text.swap(r);
}

// ---------------------------------------------------------------------------
// TEMailObj
// ---------------------------------------------------------------------------

TEMailObj::TEMailObj() = default;

TEMailObj::~TEMailObj() = default;

TMailFlags TEMailObj::GetMailFlags()
{
    if (MailFlags & mfComputed)
        return MailFlags;
    switch (FormatKind) {
    case mbkFolderFlagsOnly:
        MailFlags = FolderFlags | mfComputed | ((FolderFlags & mfSentFolder) ? mfSent : mfRead);
        return MailFlags;
    case mbkMessageFile: case mbkFolderMessage: case mbkMbox: case mbkFldMbox: case mbkPine:
    case mbkMozilla: case mbkCalypso: case mbkMboxAttachLines: case mbkFileLocation: {
        std::string header;
        GetHeaderText(header);
        const TMailFlags f = GetStatusFlagsFromHeaders(header, FolderFlags, FormatKind == mbkCalypso);
        MailFlags |= f | FolderFlags;
        if (f != mfComputed)
            StatusSource = (f & mfMozillaStatus) ? ssMozillaStatus : FormatKind == mbkCalypso ? ssHexStatus : ssHeaderFields;
        return MailFlags;
    }
    // No status field of these stores is read here: the folder gives the flags.
    case mbkNone: case mbkEmlxFolder: case mbkMaildir: case mbkFldMboxFolderFlags: case mbkPlainMbox:
    case mbkPoco1: case mbkPoco2: case mbkPoco3: case mbkEudoraMbx: case mbkEudoraToc: case mbkMacEudora:
    case mbkContentFile1: case mbkContentFile2: case mbkPegasusPlain: case mbkPegasus: case mbkReaderNamed:
    case mbkFileNamed: case mbkFileNamedPlain: case mbkCopyNumbered1: case mbkCopyNumbered2: case mbkHotmail:
    case mbkFolderPlain:
        break;
    }
    MailFlags |= FolderFlags | mfComputed;
    return MailFlags;
}

void TEMailObj::ClearMessage()
{
    CodePage = -1;
    CodePageKnown = false;
    HeaderText.clear();
    MessageText.clear();
    AddedHead.clear();
    HeadCut = 0;
    DateTextCache.clear();
    SubjectCache.clear();
    HeaderDate.reset();
    IndexDate.reset();
    EnvelopeDate.reset();
    MailFlags = 0;
    Parts.reset();
    MimeBlock.reset();
    ParseState = mpsNone;
    Rebuild = TMimeRebuild::None;
    LfBreaks = false;
    LfTextHeader.clear();
    LfTextUntyped = false;
    if (Preloaded)
        Preloaded->Clear();
}

void TEMailObj::GetMessageText(int OutputKind, std::string& Text)
{
    Text.clear();
    const bool reduced = OutputKind >= mokReducedAlt && OutputKind <= mokPlainTextAnsi;
    JoinHead();
    switch (ParseState) {
    case mpsText:
        if (reduced) {
            TKvMimeBlock block(MessageText, false, true);
            GetConvertedText(block, static_cast<TMailOutputKind>(OutputKind), flkNone, 0, mbkNone, std::string(),
                             std::string(), Text);
        } else {
            Text = MessageText;
        }
        break;
    case mpsParts:
        if (Parts)
            Parts->RenderMessage(OutputKind, flkNone, Text);
        break;
    case mpsMimeBlock:
        if (!MimeBlock)
            break;
        if (reduced)
            GetConvertedText(*MimeBlock, static_cast<TMailOutputKind>(OutputKind), flkNone, 0, mbkNone, std::string(),
                             std::string(), Text);
        else if (MimeBlock->HasDetachedParts())
            GetTextWithEmbeddedFiles(*MimeBlock, AttachmentFolder(), Text);
        else
            GetRawText(*MimeBlock, Text);
        break;
    default:
        break;
    }
}

std::int32_t TEMailObj::MessageCodePage()
{
    if (!CodePageKnown && ParseState == mpsText) {
        JoinHead();
        CodePage = GetMessageCodePage(MessageText);
        CodePageKnown = true;
    }
    return CodePage;
}

void TEMailObj::TakeMessageText(std::string& Text, std::string* Head, std::size_t* Skip)
{
    if (Head)
        Head->clear();
    if (Skip)
        *Skip = 0;
    if (ParseState != mpsText) {
        GetMessageText(0, Text);
        if (CopiesIntoMbox())
            MakeMboxCopy(Text);
        return;
    }
    std::string header;
    GetHeaderText(header);
    if (Head && Skip && !AddedHead.empty() && !CopiesIntoMbox()) {
        Head->swap(AddedHead);
        *Skip = HeadCut;
        AddedHead.clear();
        HeadCut = 0;
    }
    JoinHead();
    Text.swap(MessageText);
    SpareText.swap(MessageText);
    MessageText.clear();
    if (CopiesIntoMbox())
        MakeMboxCopy(Text);
}

bool TEMailObj::CopiesIntoMbox() const
{
    // The other stores' bounds are From_ lines: their copies keep the
    // source's bytes, and with them its bounds.
    return MboxCopy && IsEudoraKind(FormatKind);
}

// An Eudora store bounds its messages by its index or its own separator
// line and never escapes a body line: quoted mail or a sentence that starts
// "From " would cut the copy in pieces for the next reader, and a piece
// shows no trace of arrival of its own. Mail the store marks as received
// says so in the copy, so that the copy converted again opens no more files
// than this run does. A text without a header of its own gets nothing: the
// field would land in its body, and the copy would no longer read back as
// its source.
void TEMailObj::MakeMboxCopy(std::string& Text)
{
    if (StoreMarksArrival() && HeaderEndsClearly(Text, EnvelopeLineLength(Text))) {
        std::string Header = HeaderPartOf(Text, false);
        const size_t Size = Header.size();
        MarkKeptArrival(Header);
        if (Header.size() != Size)
            Text.replace(0, Size, Header);
    }
    MakeMboxCopyText(Text);
}

void TEMailObj::ReuseTextStorage(std::string& Into)
{
    Into.clear();
    if (SpareText.capacity() <= ReusedTextCapacity)
        Into.swap(SpareText);
    else
        std::string().swap(SpareText);
}

bool TEMailObj::IsDeleted()
{
    return IsDeletedFlags(GetMailFlags());
}

void TEMailObj::GetHeaderText(std::string& Text)
{
    if (ParseState == mpsParts && Parts) {
        Text = Parts->Header;
        return;
    }
    if (ParseState == mpsMimeBlock && MimeBlock) {
        Text = MimeBlock->Header;
        return;
    }
    if (ParseState != mpsText) {
        Text.clear();
        return;
    }
    // Added fields end where the header does: the header is all in them.
    if (HeaderText.empty() && !MessageText.empty())
        HeaderText = GetHeaderPart(AddedHead.empty() ? MessageText : AddedHead);
    Text = HeaderText;
}

void TEMailObj::GetDateText(std::string& Text)
{
    if (DateTextCache.empty()) {
        std::string header;
        GetHeaderText(header);
        int source = 0;
        DateTextCache = GetDateTextWithSource(header, true, source);
        if (DateTextCache.empty())
            DateTextCache = " ";
    }
    Text = DateTextCache == " " ? std::string() : DateTextCache;
}

void TEMailObj::GetSubject(std::string& Text)
{
    if (SubjectCache.empty()) {
        std::string header;
        GetHeaderText(header);
        GetMessageSubject(header, true, 0, SubjectCache);
        if (SubjectCache.empty())
            SubjectCache = " ";
    }
    Text = SubjectCache == " " ? std::string() : SubjectCache;
}

bool TEMailObj::IsMultipart()
{
    if (ParseState == mpsParts && Parts)
        return Parts->HasSeveralParts();
    if (ParseState == mpsMimeBlock && MimeBlock)
        return MimeBlock->CountParts() >= 2;
    std::string header;
    GetHeaderText(header);
    return IsMultipartSubtype(GetContentType(header, true, true));
}

bool TEMailObj::NeedsDecoding()
{
    if (ParseState != mpsText || IsMultipart())
        return false;
    std::string header;
    GetHeaderText(header);
    const std::string type = GetContentType(header, true, true);
    if (!type.empty() && !SameTextStr(type, MimeTextPlain))
        return false;
    JoinHead();
    const int body = FindBodyStart(MessageText);
    return body > 0 && HasUuencodedBlockFrom(MessageText, static_cast<size_t>(body - 1));
}

void TEMailObj::SetMessageSource(const std::string& Text)
{
    SetMessageSource(std::string(Text));
}

void TEMailObj::SetMessageSource(std::string&& Text)
{
    HeaderText.clear();
    DateTextCache.clear();
    SubjectCache.clear();
    CodePage = -1;
    CodePageKnown = false;
    MessageText = std::move(Text);
    AddedHead.clear();
    HeadCut = 0;
    ParseState = mpsText;
}

void TEMailObj::JoinHead()
{
    if (AddedHead.empty())
        return;
    MessageText.replace(0, HeadCut, AddedHead);
    AddedHead.clear();
    HeadCut = 0;
}

namespace {

// The longest mark HtmlBodyStart looks for.
constexpr size_t HtmlMarkLength = 15;

// The fields a text without a Content-Type gets: Header stands for the
// bytes of Text from Envelope to Cut, and is empty when the text gets none.
// Text has CR LF breaks; unless Whole it is the text's first bytes only, its
// header and at least 256 bytes of its body (or all of it), and false says
// they cannot tell. QpFrom(At): whether the text holds an "=20" from At on.
// Mbox: the text's first line stays first, whatever it reads as.
template <class TQpFrom>
bool MissingTypeHeader(const std::string& Text, bool Whole, bool Mbox, const TQpFrom& QpFrom, size_t& Envelope,
                       std::string& Header, size_t& Cut)
{
    Header.clear();
    Cut = 0;
    // The envelope line of an mbox message belongs to no header: header and
    // body are told apart after it, and it stays the first line. In a
    // mailbox a text's first line is its separator, or the mailbox's own
    // first line, whatever it reads as: nothing goes above it, or a copy
    // would no longer begin as its source does. A mailbox's byte-order mark
    // and the padding after it stay there too, above its first separator.
    Envelope = EnvelopeLineLength(Text);
    if (Mbox && Envelope == 0) {
        const size_t Lead = BomLength(Text) > 0 ? PaddingLength(Text) : 0;
        if (Text.compare(Lead, 5, "From ") != 0)
            return true;
        const size_t Lf = Text.find('\n', Lead);
        Envelope = Lf == std::string::npos ? Text.size() : Lf + 1;
    }
    const size_t N = Text.size();
    // Where the body starts (counted from the envelope line's end): after
    // the blank line; a text that begins with its blank line has no header;
    // a text without one is all header when it opens with a header field
    // (or is nothing but the envelope line), else all body.
    bool NoHeader = false;
    size_t BodyStart = 0;
    if (Envelope < N && (Text[Envelope] == '\n' || Text[Envelope] == '\r')) {
        NoHeader = true;
        BodyStart = Text.compare(Envelope, 2, "\r\n") == 0 ? 2 : 1;
    } else if (const int B = FindBodyStart(Text, static_cast<int>(Envelope) + 1); B > 0) {
        BodyStart = static_cast<size_t>(B - 1) - Envelope;
    } else if (!Whole) {
        return false;
    } else if (Envelope == N ? Envelope > 0 : IsHeaderFieldName(FirstFieldName(Text, Envelope))) {
        BodyStart = N - Envelope;
    } else {
        NoHeader = true;
    }
    // A header that does not end clearly gets nothing: no place in it is
    // sure to be read as header.
    if (!NoHeader && !HeaderEndsClearly(Text, Envelope))
        return true;
    std::string_view Body = std::string_view(Text).substr(Envelope + BodyStart);
    const std::string First(Body.substr(0, 256));
    std::string Type;
    const int Field = FindHeaderFieldPos(First, FieldContentType);
    if (Field > 0) {
        // A multipart body that lost its header: its first part header names
        // the boundary line just above it.
        const size_t Dash = Field > 1 ? First.rfind("\r\n--", Field - 1) : std::string::npos;
        size_t LineStart = std::string::npos;
        if (Dash != std::string::npos)
            LineStart = Dash + 4;
        else if (First.compare(0, 2, "--") == 0)
            LineStart = 2;
        if (LineStart != std::string::npos) {
            const size_t Eol = First.find_first_of("\r\n", LineStart);
            const std::string Boundary = First.substr(LineStart, Eol == std::string::npos ? Eol : Eol - LineStart);
            Type = std::string(MimeMultiMixed) + ";\r\n\tboundary=\"" + Boundary + "\"";
        }
    }
    bool Qp = false;
    size_t Blanks = 0;  // white space before an html body's first tag, which goes
    if (Type.empty()) {
        if (!Whole) {
            // The body's first word must lie in the bytes given.
            const size_t Word = Body.find_first_not_of(" \t\r\n");
            if (Word == std::string_view::npos || Word + HtmlMarkLength > Body.size())
                return false;
        }
        const int At = HtmlBodyStart(Body);
        if (At > 0) {
            Type = MimeTextHtml;
            if (At > 2)
                Blanks = static_cast<size_t>(At - 1);
        } else {
            Type = MimeTextPlain;
        }
        // Only the body's text says how the body is encoded: "=20" in a
        // header (an address in a Received line) says nothing.
        Qp = QpFrom(Envelope + BodyStart + Blanks);
    }
    if (NoHeader) {
        Header = std::string(FieldContentType) + ": " + Type + "\r\n";
        if (Qp)
            Header += std::string(FieldContentTransferEncoding) + ": " + MimeQuotedPrintable + "\r\n";
        Header += "\r\n";
    } else {
        Header = Text.substr(Envelope, BodyStart);
        SetHeaderField(Header, FieldContentType, Type);
        if (Qp)
            SetHeaderField(Header, FieldContentTransferEncoding, MimeQuotedPrintable);
    }
    // An envelope line that ends the text gets its break.
    if (Envelope > 0 && Text[Envelope - 1] != '\n')
        Header.insert(0, "\r\n");
    Cut = Envelope + BodyStart + Blanks;
    return true;
}

// Whether Header (with the fields added) ends with its blank line and
// leaves a large body after Cut in a text of Size bytes: the body then
// stays where it lies.
bool HeaderLeavesBody(const std::string& Header, size_t Cut, size_t Size)
{
    return Cut < Size && Size - Cut >= BodyLeftInPlace && Header.size() >= 4 &&
           Header.compare(Header.size() - 4, 4, "\r\n\r\n") == 0;
}

// A text of its From_ line and nothing after it.
bool IsFromLineAlone(std::string_view Text)
{
    const size_t Break = Text.find_first_of("\r\n");
    return Text.starts_with("From ") &&
           (Break == std::string_view::npos || Text.find_first_not_of("\r\n", Break) == std::string_view::npos);
}

}  // namespace

void TEMailObj::AddMissingContentType(std::optional<std::size_t> QpSpaceAt)
{
    JoinHead();
    // Only the body's text says how the body is encoded: an "=20" from the
    // body's start on, which the reader's scan may have found already.
    const auto QpFrom = [&](size_t From) {
        return QpSpaceAt ? *QpSpaceAt != std::string::npos && *QpSpaceAt >= From
                         : std::string_view(MessageText).find("=20", From) != std::string_view::npos;
    };
    size_t Envelope = 0;
    std::string Header;
    size_t Cut = 0;
    MissingTypeHeader(MessageText, true, FormatKind == mbkMbox || FormatKind == mbkPine, QpFrom, Envelope, Header, Cut);
    if (Header.empty())
        return;
    HeaderText.clear();
    // A large body is left where it lies, the fields carried in front of
    // it.
    if (HeaderLeavesBody(Header, Cut, MessageText.size())) {
        AddedHead.assign(MessageText, 0, Envelope);
        AddedHead += Header;
        HeadCut = Cut;
        return;
    }
    MessageText.replace(Envelope, Cut - Envelope, Header);
}

const bool* TEMailObj::MarkLineFirsts()
{
    // Every byte the marks' searches take for their first letters, and the
    // "b" of an uuencoded block's "begin " line, which is matched as it stands.
    static const std::array<bool, 256> Firsts = [] {
        std::array<bool, 256> R{};
        for (int B = 1; B < 256; ++B)
            R[static_cast<size_t>(B)] =
                GCharTableUpper[B] == GCharTableUpper[static_cast<unsigned char>(ExternalBodyLine[0])] ||
                GCharTableLower[B] == GCharTableLower[static_cast<unsigned char>(DetachedMarkLine[0])];
        R[static_cast<unsigned char>(UuencodeBeginLine[0])] = true;
        return R;
    }();
    return Firsts.data();
}

void TEMailObj::NoteMarkLines(const std::string& Text, const std::vector<std::size_t>& LineStarts)
{
    ExternalBodyFound = TMarkFound::No;
    // The text's first line follows no break: it is looked at here.
    UuBeginFound = Text.compare(0, UuencodeBeginLine.size(), UuencodeBeginLine) == 0 ? TMarkFound::Yes : TMarkFound::No;
    for (const std::size_t At : LineStarts) {
        if (ExternalBodyFound == TMarkFound::No &&
            (MarkAt(Text, At, ExternalBodyLine, GCharTableUpper) || MarkAt(Text, At, DetachedMarkLine, GCharTableLower)))
            ExternalBodyFound = TMarkFound::Yes;
        if (UuBeginFound == TMarkFound::No && Text.compare(At, UuencodeBeginLine.size(), UuencodeBeginLine) == 0)
            UuBeginFound = TMarkFound::Yes;
        if (ExternalBodyFound == TMarkFound::Yes && UuBeginFound == TMarkFound::Yes)
            return;
    }
}

void TEMailObj::SetMimeBlock(const std::string& Text)
{
    RebuildMessage(Text, TMimeRebuild::MimeBlock);
}

void TEMailObj::BuildParts(const std::string& Text, TMimeRebuild Mode)
{
    RebuildMessage(Text, Mode);
}

std::string TEMailObj::AttachmentFolder() const
{
    const std::string folder = ExtractFolder(FileName);
    if (IsPocoKind(FormatKind)) {
        const int at = SearchText(folder, "\\mail\\", 1);
        return at > 0 ? folder.substr(0, static_cast<size_t>(at) + 5) : folder;
    }
    if (IsEudoraKind(FormatKind))
        return EudoraRootLength(FileName) > 0 ? EudoraRoot(FileName) : folder;
    return folder;
}

bool TEMailObj::StoreMarksArrival() const
{
    return IsMarkedArrived(FormatKind, FileName, MailFlags, StatusSource == ssIndexEntry);
}

TArrivalVerdict TEMailObj::ArrivalOf(const std::string& Text)
{
    return TArrivalVerdict(StoreMarksArrival() || IsReceivedMessage(GetHeaderPart(Text)) || MailboxHoldsArrival());
}

// The one door to the MIME engine: a whole part tree, a split with its
// uuencoded blocks decoded, or the rebuild of a message whose attachments
// the store kept outside it.
void TEMailObj::RebuildMessage(const std::string& Source, TMimeRebuild Mode)
{
    // Source may be MessageText itself, which is cleared below (and made
    // whole first).
    JoinHead();
    const std::string Text = Source;
    Rebuild = Mode;
    HeaderText.clear();
    DateTextCache.clear();
    SubjectCache.clear();
    MessageText.clear();
    AddedHead.clear();
    HeadCut = 0;
    switch (Mode) {
    case TMimeRebuild::MimeBlock: {
        Parts.reset();
        MimeBlock = std::make_unique<TKvMimeBlock>(Text, false, true);
        ParseState = mpsMimeBlock;
        CodePage = GetMessageCodePage(MimeBlock->Header);
        CodePageKnown = true;
        if (MimeBlock->HasDetachedParts()) {
            // Settled only for a message that names files: the mailbox's
            // arrival may cost a read of the mailbox.
            MimeBlock->Arrival = ArrivalOf(Text);
            TNamedFileJudge Judge;
            EmbedDetachedParts(*MimeBlock, AttachmentFolder(), Judge);
            if (MimeBlock->Arrival.Arrived() && Judge.Refusals() != 0)
                MarkKeptArrival(MimeBlock->Header);
        }
        break;
    }
    case TMimeRebuild::EudoraBody: {
        std::string text = Text;
        RemoveEudoraBodyMarkup(text);
        SetMessageSource(text);
        const std::string type = GetContentType(text, false, true);
        if ((type.empty() || SameTextStr(type, MimeTextPlain)) && NeedsDecoding())
            RebuildMessage(text, TMimeRebuild::Detached);
        break;
    }
    case TMimeRebuild::Decode:
    case TMimeRebuild::Detached:
    case TMimeRebuild::DetachedFinfo: {
        MimeBlock.reset();
        Parts = std::make_unique<TMessageParts>();
        ParseState = mpsParts;
        Parts->AttachmentMode = amAll;
        Parts->MailFlags = MailFlags;
        Parts->SetHeaderDate(HeaderDate.get());
        Parts->SetReceivedDate(IndexDate.get());
        Parts->SetSeparatorDate(EnvelopeDate.get());
        if (Mode == TMimeRebuild::Decode) {
            // Decoding opens no named file: no step asks the verdict.
            Parts->ParseMessageText(Text);
        } else {
            Parts->Arrival = ArrivalOf(Text);
            TNamedFileJudge Judge;
            RebuildPartsByKind(*Parts, Text, AttachmentFolder(), Mode == TMimeRebuild::DetachedFinfo,
                               Preloaded.get(), FormatKind, Judge);
            if (IsEudoraKind(FormatKind) && Parts->HeaderCompleted)
                MailFlags = Parts->MailFlags;
            if (Parts->Arrival.Arrived() && Judge.Refusals() != 0)
                MarkKeptArrival(Parts->Header);
        }
        CodePage = GetMessageCodePage(Parts->Header);
        CodePageKnown = true;
        break;
    }
    default:
        SetMessageSource(Text);
        break;
    }
}

// Texts that begin with an Eudora From_ line ("From ???@???").
void TEMailObj::StoreEudoraText(std::string& Text)
{
    if ((FormatKind == mbkEudoraMbx || FormatKind == mbkMacEudora) && GEudoraNicknameExpander)
        GEudoraNicknameExpander(Text);
    if (FormatKind != mbkMacEudora) {
        const std::string type = GetContentType(Text, false, true);
        if (type.size() > 4 && type[4] == '/') {
            BuildParts(Text, TMimeRebuild::EudoraBody);
            return;
        }
    }
    BuildParts(Text, TMimeRebuild::Detached);
}

bool TEMailObj::KeepsMboxHeader(std::string_view Head, std::size_t Size, std::string& Header, bool& Untyped) const
{
    bool MboxKind = false;
    switch (FormatKind) {
    case mbkMbox: case mbkFldMbox: case mbkFldMboxFolderFlags: case mbkPine: case mbkMboxAttachLines:
        MboxKind = true;
        break;
    case mbkNone: case mbkMessageFile: case mbkFolderMessage: case mbkEmlxFolder: case mbkMaildir: case mbkMozilla:
    case mbkCalypso: case mbkPlainMbox: case mbkPoco1: case mbkPoco2: case mbkPoco3: case mbkEudoraMbx:
    case mbkEudoraToc: case mbkMacEudora: case mbkContentFile1: case mbkContentFile2: case mbkPegasusPlain:
    case mbkPegasus: case mbkReaderNamed: case mbkFileNamed: case mbkFileNamedPlain: case mbkCopyNumbered1:
    case mbkCopyNumbered2: case mbkHotmail: case mbkFolderFlagsOnly: case mbkFolderPlain: case mbkFileLocation:
        break;
    }
    Untyped = false;
    if (!MboxKind)
        return false;
    // What StoreMessage asks of an mbox header, in its order; a header that
    // names no Content-Type at all is refused before any copy is made,
    // unless the text is large enough for the field to go in front of it.
    const bool AddsType = FormatKind == mbkMbox || FormatKind == mbkMboxAttachLines;
    if (AddsType && Size < BodyLeftInPlace &&
        SearchBuffer(Head.data(), static_cast<int>(Head.size()), FieldContentType, nullptr, 0, -1) < 0)
        return false;
    std::string Crlf;
    AppendBareBreaksToCrLf(Head, Crlf);
    Header = GetHeaderPart(Crlf);
    const bool Multipart = IsMultipartSubtype(GetContentType(Header, true, true));
    if (FindXAttachmentsLine(Header, true) > 0 && !Multipart)
        return false;
    Untyped = AddsType && !HasHeaderField(Header, FieldContentType, true);
    return !Untyped || Size >= BodyLeftInPlace;
}

bool TEMailObj::LfTextMissingType(const std::string& Text, std::optional<std::size_t> QpSpaceAt, std::string& Head,
                                  std::size_t& Cut, std::string& Header) const
{
    // The fields are worked out on the text's first bytes made CR LF: its
    // header and 256 bytes of its body, which hold its first word as a rule.
    const size_t Blank = Text.find("\n\n");
    if (Blank == std::string::npos)
        return false;
    const std::string_view First = std::string_view(Text).substr(0, Blank + 2 + 256);
    std::string Crlf;
    AppendBareBreaksToCrLf(First, Crlf);
    // An offset in Crlf less the CRs made there is the text's own.
    const auto LfOffset = [&](size_t At) {
        return At - static_cast<size_t>(std::count(Crlf.begin(), Crlf.begin() + static_cast<std::ptrdiff_t>(At), '\r'));
    };
    const auto QpFrom = [&](size_t From) {
        const size_t At = LfOffset(From);
        return QpSpaceAt ? *QpSpaceAt != std::string::npos && *QpSpaceAt >= At : Text.find("=20", At) != std::string::npos;
    };
    size_t Envelope = 0;
    std::string Added;
    size_t CrlfCut = 0;
    if (!MissingTypeHeader(Crlf, First.size() == Text.size(), true, QpFrom, Envelope, Added, CrlfCut))
        return false;
    Head.clear();
    Cut = 0;
    if (Added.empty())
        return true;
    if (!HeaderLeavesBody(Added, CrlfCut, CrlfCut + Text.size() - LfOffset(CrlfCut)))
        return false;
    Head.assign(Crlf, 0, Envelope);
    Head += Added;
    Header = GetHeaderPart(Head);
    CrLfToLf(Head);
    Cut = LfOffset(CrlfCut);
    return true;
}

bool TEMailObj::MayNeedDecoding(const std::string& Header, const std::string& Text)
{
    const std::string Type = GetContentType(Header, true, true);
    if (IsMultipartSubtype(Type) || !(Type.empty() || SameTextStr(Type, MimeTextPlain)))
        return false;
    const int Body = FindBodyStart(Text);
    return Body > 0 && MayHoldUuencodedBlockFrom(Text, static_cast<size_t>(Body - 1));
}

// Text is taken over: the plain cases keep it as the message's text without
// a copy.
void TEMailObj::StoreMessage(std::string&& Text)
{
    const TMarkFound Found = std::exchange(ExternalBodyFound, TMarkFound::Unknown);
    // No line of the text begins "begin ": it holds no uuencoded block, and
    // its body is not searched for one.
    const bool NoUuBegin = std::exchange(UuBeginFound, TMarkFound::Unknown) == TMarkFound::No;
    std::optional<std::size_t> QpSpace = std::exchange(LastQpSpace, std::nullopt);
    if (!LfTextHeader.empty()) {
        std::string Header = std::move(LfTextHeader);
        LfTextHeader.clear();
        const bool Untyped = std::exchange(LfTextUntyped, false);
        // A text without a Content-Type gets it in front, with LF breaks:
        // its body is neither moved nor made CR LF.
        std::string Head;
        size_t Cut = 0;
        if (Found == TMarkFound::No && (NoUuBegin || !MayNeedDecoding(Header, Text)) &&
            (!Untyped || LfTextMissingType(Text, QpSpace, Head, Cut, Header))) {
            if (FormatKind == mbkMboxAttachLines)
                FormatKind = mbkMbox;
            SetMessageSource(std::move(Text));
            HeaderText = std::move(Header);
            AddedHead = std::move(Head);
            HeadCut = Cut;
            LfBreaks = true;
            return;
        }
        // The engine works on CR LF alone; the scan's offsets are of the
        // LF text.
        BareBreaksToCrLf(Text);
        QpSpace.reset();
    }
    const auto ExternalBody = [&] { return Found == TMarkFound::Unknown ? IsExternalBody(Text) : Found == TMarkFound::Yes; };
    switch (FormatKind) {
    case mbkMessageFile: case mbkFolderMessage: case mbkMozilla: case mbkFolderFlagsOnly:
        if (ExternalBody()) {
            SetMimeBlock(Text);
            return;
        }
        SetMessageSource(std::move(Text));
        if (FormatKind == mbkMessageFile && !MessageText.empty() && !HasHeaderField(MessageText, FieldContentType, false))
            AddMissingContentType();
        return;
    case mbkMbox: case mbkFldMbox: case mbkFldMboxFolderFlags: case mbkPine: case mbkMboxAttachLines:
        if (ExternalBody()) {
            SetMimeBlock(Text);
            if (FormatKind == mbkMboxAttachLines)
                FormatKind = mbkMbox;
            return;
        }
        SetMessageSource(std::move(Text));
        if (FindXAttachmentsLine(MessageText, false) > 0 && !IsMultipart()) {
            FormatKind = mbkMboxAttachLines;
            BuildParts(MessageText, TMimeRebuild::Detached);
        } else if (FormatKind == mbkMboxAttachLines) {
            FormatKind = mbkMbox;
        }
        // A Pine message keeps its header as it stands, but one of its From_
        // line alone has none at all, and would give an empty file.
        if ((FormatKind == mbkMbox || (FormatKind == mbkPine && IsFromLineAlone(MessageText))) &&
            ParseState == mpsText && !HasHeaderField(MessageText, FieldContentType, false))
            AddMissingContentType(QpSpace);
        if (ParseState == mpsText && !NoUuBegin && NeedsDecoding())
            BuildParts(MessageText, TMimeRebuild::Decode);
        return;
    case mbkCalypso:
        BuildParts(Text, TMimeRebuild::Detached);
        return;
    case mbkPoco1: case mbkPoco2: case mbkPoco3: {
        const int Body = FindBodyStart(Text);
        if (Body > 0 && SameTextStr(Text.substr(Body - 1, 8), "<x-html>") &&
            SameTextStr(GetContentType(Text, false, true), MimeTextPlain))
            SetHeaderField(Text, FieldContentType, MimeTextHtml);
        if (IsExternalBody(Text)) {
            SetMimeBlock(Text);
            return;
        }
        SetMessageSource(Text);
        std::string Header;
        GetHeaderText(Header);
        if (HasMarker(Header, "\nX-Poco-Attachment: "))
            BuildParts(Text, TMimeRebuild::Detached);
        return;
    }
    case mbkEudoraMbx: case mbkEudoraToc: case mbkMacEudora:
        if (Text.size() >= 7 && Text[6] == '?')
            StoreEudoraText(Text);
        else
            SetMessageSource(Text);
        return;
    case mbkContentFile1: case mbkContentFile2:
        if (HasMarker(Text, "\nX-Content-File: "))
            SetMimeBlock(Text);
        else
            SetMessageSource(Text);
        return;
    case mbkPegasusPlain: case mbkPegasus: {
        SetMessageSource(Text);
        std::string Header;
        GetHeaderText(Header);
        if (HasMarker(Header, "\nX-RS-Attach: "))
            BuildParts(Text, TMimeRebuild::Detached);
        else if (HasMarker(Header, "\nX-finfo: "))
            BuildParts(Text, TMimeRebuild::DetachedFinfo);
        return;
    }
    case mbkReaderNamed:
        if (HasRemovedSectionNote(Text))
            SetMimeBlock(Text);
        else
            SetMessageSource(Text);
        return;
    case mbkNone: case mbkEmlxFolder: case mbkMaildir: case mbkPlainMbox: case mbkFileNamed:
    case mbkFileNamedPlain: case mbkCopyNumbered1: case mbkCopyNumbered2: case mbkHotmail: case mbkFolderPlain:
    case mbkFileLocation:
        break;
    }
    SetMessageSource(Text);
}

std::string TEMailObj::LogMailboxName() { return MailboxName; }
std::string TEMailObj::LogFolderName() { return FolderName; }

std::string TEMailObj::LogDateText()
{
    std::string s;
    GetDateText(s);
    return s;
}

std::string TEMailObj::LogSubject()
{
    std::string s;
    GetSubject(s);
    return s;
}

// ---------------------------------------------------------------------------
// TClientMailObj
// ---------------------------------------------------------------------------

bool TClientMailObj::Next()
{
    return MessageCount < 0 || MessageNumber < MessageCount;
}

int TClientMailObj::GetPercentDone()
{
    return MessageNumber >= 1 ? static_cast<int>(std::nearbyint(MessageNumber * double(PercentFactor))) : 0;
}

void TClientMailObj::SetMessageCount(std::int32_t Count)
{
    MessageNumber = 0;
    MessageCount = Count;
    PercentFactor = Count == 0 ? 1.0f : 100.0f / Count;
    CountBasedProgress = true;
}

void TClientMailObj::CountOneMoreMessage()
{
    ++MessageCount;
    PercentFactor = MessageCount == 0 ? 1.0f : 100.0f / MessageCount;
    CountBasedProgress = true;
}

// ---------------------------------------------------------------------------
// TFileMailObj
// ---------------------------------------------------------------------------

TFileMailObj::TFileMailObj() = default;

TFileMailObj::~TFileMailObj() = default;

bool TFileMailObj::Next()
{
    return TClientMailObj::Next() && FileSize > 0 && MessagePos >= 0;
}

bool TFileMailObj::NextMessage()
{
    if (!Next())
        return false;
    Damaged = false;
    ClearMessage();
    LoadMessage();
    return true;
}

int TFileMailObj::GetPercentDone()
{
    if (IndexAddressed)
        return TClientMailObj::GetPercentDone();
    if (MessageNumber < 1 || MessagePos <= 0)
        return 0;
    const double v = CountBasedProgress ? MessageNumber * double(PercentFactor)
                                        : MessagePos * double(PercentFactor);
    return static_cast<int>(std::nearbyint(v));
}

bool TFileMailObj::OpenFile()
{
    MessagePos = -1;
    MessageSize = 0;
    PercentFactor = 0;
    Damaged = false;
    Locked = false;
    Stream.reset();
    FileSize = GetFileSizeByName(FileName);
    if (FileSize < 1)
        return false;
    if (OpenForWriting) {
        try {
            Stream = OpenFileStream(FileName, fmOpenReadWrite | fmShareDenyWrite);
        } catch (const Exception&) {
            OpenForWriting = false;
        }
    }
    if (!Stream) {
        try {
            Stream = OpenFileStream(FileName, fmOpenRead | fmShareDenyNone);
        } catch (const Exception& E) {
            Locked = true;
            WriteErrorLine(E.Message());
            return false;
        }
    }
    PercentFactor = static_cast<float>(100.0 / static_cast<double>(FileSize));
    CountBasedProgress = false;
    MessagePos = 0;
    return true;
}

void TFileMailObj::ReadHead(int Count, std::string& Text)
{
    Text.clear();
    if (!Stream || Count < 1)
        return;
    const std::int64_t saved = Stream->Position();
    Stream->SetPosition(0);
    Text.resize(static_cast<size_t>(Count));
    const std::int32_t got = Stream->Read(Text.data(), Count);
    Text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    Stream->SetPosition(saved);
}

std::int64_t TFileMailObj::ReadRange(TStream& Source, std::string& Text)
{
    // Text's old bytes are read over, not cleared first: only what it grows
    // by is filled before the read.
    if (MessagePos < 0 || MessageSize < 1) {
        Text.clear();
        return 0;
    }
    if (Source.Seek(MessagePos, soFromBeginning) != MessagePos) {
        Text.clear();
        Damaged = true;
        return -1;
    }
    std::int64_t want = MessageSize;
    if (want > MaxMessageSize) {
        // Better a message cut at the cap and logged than one lost whole.
        want = MaxMessageSize;
        Damaged = true;
        WriteErrorLine(Format(LoadResString(SMessageTooLarge), Int64Text(MessageSize), Int64Text(want)));
    }
    try {
        Text.resize(static_cast<size_t>(want));
    } catch (const std::bad_alloc&) {
        Text = std::string();
        Damaged = true;
        // Left unread like a message over the size cap, so that the caller
        // copies it as it stands instead of losing it.
        TooLarge = true;
        WriteErrorLine(Format(LoadResString(SMessageOutOfMemory), Int64Text(want)));
        return -1;
    }
    std::int64_t got = 0;
    while (got < want) {
        const std::int32_t n = Source.Read(Text.data() + got, static_cast<std::int32_t>(want - got));
        if (n <= 0)
            break;
        got += n;
    }
    if (got < want) {
        // Short of the size the mailbox had when opened: it was cut since.
        if (&Source == Stream.get() && MessagePos + want <= FileSize)
            CutAt = MessagePos + got;
        Text.resize(static_cast<size_t>(got));
        MessageSize = got;
        Damaged = true;
    }
    return got;
}

std::int64_t TFileMailObj::ReadMessageRange(std::string& Text)
{
    return ReadRange(*Stream, Text);
}

void TFileMailObj::ReadMessageText(std::string& Text)
{
    if (!Stream) {
        Text.clear();
        return;
    }
    // A read of nothing at all ends the iteration.
    if (ReadMessageRange(Text) == 0 && MessageSize == 0 && MessagePos >= 0)
        MessagePos = -1;
    if (!Text.empty() && Text.back() == '\n') {
        Text.pop_back();
        if (!Text.empty() && Text.back() == '\r')
            Text.pop_back();
    }
}

namespace {

// Whether the header of Text (up to its first blank line) runs past Limit
// bytes; only the first Limit bytes are searched.
bool HeaderLongerThan(const std::string& Text, std::int64_t Limit)
{
    if (static_cast<std::int64_t>(Text.size()) <= Limit)
        return false;
    const std::string_view head(Text.data(), static_cast<std::size_t>(Limit));
    return head.find("\n\n") == std::string_view::npos && head.find("\n\r\n") == std::string_view::npos &&
           head.find("\r\r") == std::string_view::npos;
}

}  // namespace

void CleanLoadedText(std::string& Text, bool StripNul, bool FixLineBreaks)
{
    if (StripNul)
        RepairNulBytes(Text);
    if (FixLineBreaks) {
        // Pairs of another kind (LF CR, CR CR LF, FS GS) named by the first
        // breaks become CR LF first. A message whose later lines were pasted
        // in from elsewhere still holds bare CRs or LFs, and the engine works
        // on CR LF alone: one pass turns every bare break into a pair (for LF
        // and CR texts that is the whole conversion), and copies nothing when
        // every break is a pair already.
        TLineBreakKind kind = 0;
        if (NeedsLineBreakFix(Text, kind, 4) && kind != lbkLf && kind != lbkCr && kind != lbkMixed)
            LineBreaksToCrLf(Text, kind);
        BareBreaksToCrLf(Text);
    }
}

void TFileMailObj::LoadMessage()
{
    ++MessageNumber;
    ExternalBodyFound = UuBeginFound = TMarkFound::Unknown;
    LastQpSpace.reset();
    TooLarge = MessageSize > LargeMessageSize;
    if (TooLarge)
        return;
    // Reading into the storage of the text handed on before spares an
    // allocation and the fresh pages of every message.
    std::string text;
    ReuseTextStorage(text);
    ReadMessageText(text);
    if (text.empty())
        return;
    if (HeaderLongerThan(text, LargeHeaderSize)) {
        TooLarge = true;
        return;
    }
    CleanLoadedText(text, StripNul, FixLineBreaks);
    if (HasEnvelopeDateKind(FormatKind)) {
        const std::string date = GetFromLineDate(text);
        if (!date.empty())
            EnvelopeDate = std::make_unique<TDateTimeObj>(TDateTimeObj::CreateFromText(date, dfkFromLine, dzkUnsettled));
    }
    StoreMessage(std::move(text));
}
