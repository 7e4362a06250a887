#include "mail/KvMime.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "foundation/KvAnsi.h"
#include "foundation/KvBoyerMoore.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLineBreaks.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"
#include "mail/KvDataTables.h"
#include "mail/KvMailNames.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMessageFiles.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeParams.h"
#include "mail/KvQuotedPrintable.h"

namespace {

const char AgentDetached[] = "AgentDetached";
const char AttachmentDetached[] = "AttachmentDetached";
const char GeneratedIdPrefix[] = "dravelin-mht";
const char FieldContentLanguage[] = "Content-Language";
const char FieldXAppleContentLength[] = "X-Apple-Content-Length";

const TCharSet& TrimSet()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, TrimSet());
}

std::string Field(const std::string& Header, const char* Name, bool Last = false)
{
    return Trimmed(UnfoldHeaderValue(GetHeaderField(Header, Name, Last)));
}

bool StartsWithNoCase(const std::string& S, std::size_t At, const char* Prefix)
{
    const std::size_t n = std::strlen(Prefix);
    return At + n <= S.size() && SameTextStr(S.substr(At, n), Prefix);
}

bool IsBlankOrControlText(const std::string& S)
{
    for (char c : S)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

int SafeCodePage(const std::string& Charset)
{
    if (Charset.empty())
        return -1;
    try {
        return CharsetToCodePage(TableLowerCase(Charset));
    } catch (const Exception&) {
        return -1;
    }
}

// Eudora wraps format=flowed text in these tags; only the tags go.
void RemoveFlowedTags(std::string& Text)
{
    std::size_t pos = 0;
    while ((pos = Text.find("<x-flowed", pos)) != std::string::npos) {
        const auto close = Text.find('>', pos);
        if (close == std::string::npos)
            break;
        std::size_t end = close + 1;
        if (Text.compare(end, 2, "\r\n") == 0)
            end += 2;
        Text.erase(pos, end - pos);
        const auto tail = Text.find("\r\n</x-flowed>", pos);
        if (tail == std::string::npos)
            break;
        Text.erase(tail, 13);
        pos = tail;
    }
}

std::string DecodedBody(const TKvMimeBlock& Block)
{
    if (Block.EncodingKind == encBase64)
        return Base64DecodeString(Block.Body);
    if (Block.EncodingKind == encQuotedPrintable)
        return DecodeQuotedPrintable(Block.Body, false);
    return Block.Body;
}

// The header ends at the first LF followed by CR or LF (looked for from the
// second character on); the body starts 3 past that LF when a CR follows
// it, else 2. A text that starts with a line break has an empty header: a
// part whose boundary line is followed by no header field. Its body starts
// after that line break, or after the blank line that follows it.
// Positions here are 0-based.
bool SplitHeader(const std::string& Text, std::size_t& HeaderLen, std::size_t& BodyStart)
{
    const std::size_t n = Text.size();
    const std::size_t lead = (n >= 2 && Text[0] == '\r' && Text[1] == '\n') ? 2 : (n >= 1 && Text[0] == '\n') ? 1 : 0;
    if (lead > 0) {
        HeaderLen = 0;
        if (lead >= n || (Text[lead] != '\r' && Text[lead] != '\n'))
            BodyStart = lead;
        else
            BodyStart = std::min(lead - 1 + (Text[lead] == '\r' ? 3 : 2), n);
        return true;
    }
    if (n < 3)
        return false;
    std::size_t lf = Text.find('\n', 1);
    while (lf != std::string::npos && lf + 1 < n) {
        if (Text[lf + 1] == '\r') {
            HeaderLen = lf + 1;
            BodyStart = std::min(lf + 3, n);
            return true;
        }
        if (Text[lf + 1] == '\n') {
            HeaderLen = lf;
            BodyStart = lf + 2;
            return true;
        }
        lf = Text.find('\n', lf + 1);
    }
    return false;
}

// Lines of header fields from At up to the first blank line, holding a
// "Content-" field: generators that put "MIME-Version" first in a part's
// header still give the part its type. A block of other fields (such as a
// bare "Subject:" line) is body text.
bool IsContentFieldBlock(const std::string& Text, std::size_t At)
{
    const std::size_t limit = std::min(Text.size(), At + 8192);
    bool content = false;
    std::size_t line = At;
    while (line < limit) {
        if (Text[line] == '\r' || Text[line] == '\n')
            return content;
        if (Text[line] == ' ' || Text[line] == '\t') {
            if (line == At)
                return false;
        } else {
            const auto colon = Text.find(':', line);
            if (colon == std::string::npos || colon == line ||
                !IsHeaderFieldName(Text.substr(line, colon - line)))
                return false;
            content = content || StartsWithNoCase(Text, line, "Content-");
        }
        const auto lf = Text.find('\n', line);
        if (lf == std::string::npos)
            return false;
        line = lf + 1;
    }
    return false;
}

bool StartsPartHeader(const std::string& Text, std::size_t At)
{
    return StartsWithNoCase(Text, At, "Content") || StartsWithNoCase(Text, At, "X-Content") ||
           StartsWithNoCase(Text, At, "X-Apple-Content") || IsContentFieldBlock(Text, At);
}

}  // namespace

const std::string& SystemCharset()
{
    static const std::string Charset = CharsetOfBytes(static_cast<int>(GetACP()));
    return Charset;
}

// ---------------------------------------------------------------------------
// Construction
// ---------------------------------------------------------------------------

TKvMimeBlock::TKvMimeBlock(const std::string& Text, bool AHeaderOnly, bool ALoadBody)
{
    HeaderOnly = AHeaderOnly ? 1 : 0;
    LoadBody = ALoadBody ? 1 : 0;
    Parse(Text);
}

TKvMimeBlock::~TKvMimeBlock()
{
    // Deep trees are freed level by level from the bottom, so that freeing
    // never recurses deeper than parsing did.
    while (!FChildren.empty())
        FChildren.pop_back();
}

bool TKvMimeBlock::Received() const
{
    const TKvMimeBlock* Top = this;
    while (Top->GetParent())
        Top = Top->GetParent();
    return Top->Arrival.Received(Top->Header);
}

std::unique_ptr<TKvMimeBlock> TKvMimeBlock::CreateChild(TKvMimeBlock* Parent, bool ALoadBody,
                                                        std::uint8_t ATruncated, std::string Text)
{
    std::unique_ptr<TKvMimeBlock> block(new TKvMimeBlock());
    block->Parent = Parent;
    if (Parent) {
        block->Level = Parent->Level + 1;
        block->Index = Parent->ChildCount() + 1;
    }
    block->LoadBody = ALoadBody ? 1 : 0;
    block->HeaderOnly = ALoadBody ? 0 : 1;
    block->SetTruncated(ATruncated);
    block->Parse(std::move(Text));
    return block;
}

std::unique_ptr<TKvMimeBlock> TKvMimeBlock::CreateCopy(const TKvMimeBlock& Source, TKvMimeBlock* Parent)
{
    if (Source.RawBody) {
        std::unique_ptr<TKvMimeBlock> block(new TKvMimeBlock());
        block->Parent = Parent;
        block->Level = Parent ? Parent->Level + 1 : 0;
        block->Index = Source.Index;
        block->LoadBody = 1;
        block->Truncated = Source.Truncated;
        block->Parse(SetTrailingCrLfCount(Source.Header, 2) + Source.Body);
        return block;
    }
    std::unique_ptr<TKvMimeBlock> block(new TKvMimeBlock());
    TKvMimeBlock& b = *block;
    // Deliberately not copied: the tree position, which the copy takes from
    // where it is put; TypeGuessed and HeaderOnly, which only steered the
    // source's parse (what they settled, the guessed type and the body left
    // out, is in the copied values); the date caches, read again on demand.
    static_cast<TMimeBlockValues&>(b) = Source;
    b.Parent = Parent;
    b.Level = Parent ? Parent->Level + 1 : 0;
    b.Index = Source.Index;
    for (const auto& child : Source.FChildren) {
        auto copy = CreateCopy(*child, &b);
        copy->Index = b.ChildCount() + 1;
        b.FChildren.push_back(std::move(copy));
    }
    return block;
}

// ---------------------------------------------------------------------------
// Tree access
// ---------------------------------------------------------------------------

TKvMimeBlock* TKvMimeBlock::Child(int I) const
{
    if (I < 0 || I >= ChildCount())
        return nullptr;
    return FChildren[static_cast<std::size_t>(I)].get();
}

TKvMimeBlock* TKvMimeBlock::GetRoot()
{
    TKvMimeBlock* b = this;
    while (b->Parent)
        b = b->Parent;
    return b;
}

int TKvMimeBlock::CountParts() const
{
    int n = ChildCount();
    for (const auto& c : FChildren)
        n += c->CountParts();
    return n;
}

TKvMimeBlock* TKvMimeBlock::AddChild(std::string Text, std::uint8_t ATruncated)
{
    return AdoptChild(CreateChild(this, LoadBody != 0, ATruncated, std::move(Text)));
}

TKvMimeBlock* TKvMimeBlock::AdoptChild(std::unique_ptr<TKvMimeBlock> Block)
{
    Block->Parent = this;
    Block->Level = Level + 1;
    Block->Index = ChildCount() + 1;
    FChildren.push_back(std::move(Block));
    if (FChildren.back()->Truncated)
        SetTruncated(1);
    return FChildren.back().get();
}

// ---------------------------------------------------------------------------
// Header access
// ---------------------------------------------------------------------------

std::string TKvMimeBlock::GetHeader(const std::string& Name) const
{
    return Trimmed(DecodeHeaderValue(GetHeaderField(Header, Name), static_cast<int>(CodePage)));
}

void TKvMimeBlock::SetHeader(const std::string& Name, const std::string& Value)
{
    SetHeaderField(Header, Name, Value);
}

void TKvMimeBlock::AddHeaderField(const std::string& Name, const std::string& Value)
{
    ::AddHeaderField(Header, Name, Value);
}

std::string TKvMimeBlock::GetSubject()
{
    std::string subject;
    GetMessageSubject(GetRoot()->Header, true, 0, subject);
    return subject;
}

std::string TKvMimeBlock::GetMessageIdentity()
{
    std::string identity;
    ::GetMessageIdentity(GetRoot()->Header, true, true, identity);
    return identity;
}

// ---------------------------------------------------------------------------
// Field setters
// ---------------------------------------------------------------------------

void TKvMimeBlock::SetContentType(const std::string& Value)
{
    ParseContentType(Value, *this);
}

void TKvMimeBlock::SetDisposition(const std::string& Value)
{
    Disposition = Value;
    DispositionKind = static_cast<std::uint8_t>(
        ::DispositionKind(TableLowerCase(Trimmed(Value.substr(0, Value.find(';'))))));
    if (FileName.empty())
        FileName = FileNameParameter(Value, "filename");
}

void TKvMimeBlock::SetTransferEncoding(const std::string& Value)
{
    TransferEncoding = Value;
    EncodingKind = static_cast<std::uint8_t>(TransferEncodingKind(TableLowerCase(Trimmed(Value))));
}

void TKvMimeBlock::SetMediaClass(TMimeClass Class)
{
    MediaClass = Class;
    ContentType = MediaTypeOfClass(Class);
}

void TKvMimeBlock::SetEncodingKind(std::uint8_t Kind)
{
    EncodingKind = Kind;
    TransferEncoding = EncodingName(Kind);
}

void TKvMimeBlock::SetTruncated(std::uint8_t Flag)
{
    if (Truncated == Flag)
        return;
    Truncated = Flag;
    if (Flag)
        for (TKvMimeBlock* p = Parent; p && !p->Truncated; p = p->Parent)
            p->Truncated = 1;
}

void TKvMimeBlock::SetRawBody(const std::string& Text)
{
    Body = Text;
    RawBody = 1;
    Truncated = Text.empty() ? 1 : 0;
}

void TKvMimeBlock::Reparse()
{
    if (!RawBody || Body.empty())
        return;
    std::string text = SetTrailingCrLfCount(Header, 2) + Body;
    FChildren.clear();
    Parse(std::move(text));
}

// ---------------------------------------------------------------------------
// Parsing
// ---------------------------------------------------------------------------

void TKvMimeBlock::ReparseHeader()
{
    ClearHeaderValues();
    if (!Header.empty())
        ParseHeaderFields();
    // A part that an agent replaced by a note stays detached.
    if (Boundary.empty() && LoadBody)
        CheckRemovedSectionNote();
    SettleFields(false);
}

void TKvMimeBlock::ClearHeaderValues()
{
    CodePage = 0;
    DispositionKind = 0;
    EncodingKind = 0;
    MediaClass = 0;
    TypeGuessed = 0;
    Marker.clear();
    Charset.clear();
    Disposition.clear();
    TransferEncoding.clear();
    ContentId.clear();
    ContentLocation.clear();
    FileName.clear();
    ExternalFile.clear();
    ContentType.clear();
    TypeParameter.clear();
    Boundary.clear();
}

void TKvMimeBlock::Parse(std::string Text)
{
    RawBody = 0;
    ClearHeaderValues();
    Preamble.clear();
    Epilogue.clear();
    ClosingRead = ClosingBreak = false;
    Body.clear();
    FChildren.clear();
    FDate.reset();
    FReceivedDate.reset();

    std::size_t headerLen = 0;
    std::size_t bodyStart = 0;
    const bool hasBody = SplitHeader(Text, headerLen, bodyStart);
    if (!hasBody) {
        Header = std::move(Text);
    } else {
        Header = Text.substr(0, headerLen);
        Text.erase(0, bodyStart);
    }
    if (!Header.empty())
        ParseHeaderFields();

    if (hasBody && !HeaderOnly) {
        if (!Boundary.empty()) {
            Body = std::move(Text);
            if (Level < MaxMimeDepth)
                SplitMultipart();
        } else if (LoadBody) {
            Body = std::move(Text);
            CheckRemovedSectionNote();
        }
    }

    SettleFields(true);
}

void TKvMimeBlock::CheckRemovedSectionNote()
{
    if (DispositionKind == dispAttachment && ExternalFile.empty() &&
        HasRemovedSectionNote(Body.substr(0, 128))) {
        ExternalFile = GetRemovedSectionFileName(Body);
        Marker = ExternalFile.empty() ? std::string() : AgentDetached;
    }
}

void TKvMimeBlock::SettleFields(bool Parsing)
{
    if (MediaClass == mcMessageRfc822 && FileName.empty()) {
        FileName = GetAttachedMessageName();
        DispositionKind = dispAttachment;
    }
    if (Parsing)
        ParsedType = ContentType;
    if (TypeGuessed) {
        if (MediaClass >= mcTextPlain && MediaClass <= mcTextEnriched)
            ContentType = MediaTypeOfClass(MediaClass);
    } else if (MediaClass == mcNone) {
        ContentType = ChildCount() > 0 ? "[mime]" : MimeTextPlain;
    }
    CheckMetaCharset();
}

void TKvMimeBlock::ParseHeaderFields()
{
    FileName.clear();
    SetDisposition(Field(Header, FieldContentDisposition));
    ContentLocation = Field(Header, FieldContentLocation);
    const std::string dispositionName = FileName;
    FileName.clear();
    SetTransferEncoding(TableLowerCase(Field(Header, FieldContentTransferEncoding)));
    ContentId = Field(Header, FieldContentId);
    SetContentType(Field(Header, FieldContentType));
    ExternalFile = Field(Header, FieldXContentFile);
    if (ExternalFile.empty() && DispositionKind == dispAttachment && HasDetachedMark(Header)) {
        ExternalFile = UrlToLocalPath(Field(Header, FieldXMozillaExternalUrl));
        Marker = ExternalFile.empty() ? std::string() : AttachmentDetached;
    }
    if (FileName.empty())
        FileName = dispositionName;
    if (!ContentLocation.empty() && ContentType.compare(0, 4, "text") != 0) {
        const std::string name = FileNameFromUrl(ContentLocation);
        if (!name.empty())
            FileName = name;
    }
    if (Charset.empty()) {
        const std::string language = TableLowerCase(Field(Header, FieldContentLanguage));
        if (language.find("en") != std::string::npos) {
            Charset = MimeIso88591;
        } else {
            const int cp = GetMessageCodePage(Header);
            if (cp > 0)
                Charset = TableLowerCase(CodePageToCharset(cp));
        }
    }
    const int cp = SafeCodePage(Charset);
    CodePage = cp < 0 ? 0u : static_cast<std::uint32_t>(cp);
    if (DispositionKind == dispNone) {
        if (!ContentId.empty())
            DispositionKind = dispInline;
        else if (!FileName.empty())
            DispositionKind = dispAttachment;
    }
}

void TKvMimeBlock::SplitMultipart()
{
    TBmPattern Record;
    if (!BmPrepare(Record, Boundary, 0))
        return;
    const int Blen = static_cast<int>(Boundary.size());
    bool Seen = false;
    // Body before Start (0-based) is consumed. It is cut off only once it is
    // at least half the string, so that a message of many small parts is
    // not moved again after every part.
    std::size_t Start = 0;
    auto Compact = [&]() {
        if (Start > 0 && Start * 2 >= Body.size()) {
            Body.erase(0, Start);
            Start = 0;
        }
    };
    while (true) {
        const int LineStart = static_cast<int>(Start) + 1;
        int Match = FindBoundaryLine(Body, Record, LineStart, LineStart);
        if (Match == 0)
            break;
        const bool First = !Seen;
        Seen = true;
        if (!First) {
            std::string Part = Body.substr(Start, static_cast<std::size_t>(Match) - 1 - Start);
            Start = static_cast<std::size_t>(Match) - 1;
            Compact();
            Match = static_cast<int>(Start) + 1;
            AddChild(std::move(Part), 0);
        }
        // Skipping the boundary line; positions are 1-based from here on.
        const int N = static_cast<int>(Body.size());
        int Pos = Match + Blen;
        bool Closing = false;
        if (Pos == N && static_cast<unsigned char>(Body[Pos - 1]) < 33) {
            ++Pos;
        } else if (Pos <= N) {
            int P = Pos;
            int Lfs = 0;
            bool LineBreak = false;
            while (P <= N && static_cast<unsigned char>(Body[P - 1]) < 33) {
                if (Body[P - 1] == '\n')
                    ++Lfs;
                LineBreak = LineBreak || Body[P - 1] == '\n' || Body[P - 1] == '\r';
                ++P;
            }
            if (Lfs == 0 && P <= N && Body[P - 1] == '-' && (P == N || Body[P] == '-')) {
                Closing = true;
                P += P == N ? 1 : 2;
                while (P <= N && (Body[P - 1] == ' ' || Body[P - 1] == '\t'))
                    ++P;
                Pos = P;
            } else if (LineBreak) {
                // Only a field name at the very start of a line opens the
                // part's header; a blank line or indented text after the
                // boundary line is body text of a part without header, so
                // the part keeps it whole, beginning with the line break.
                if ((Body[P - 2] == '\r' || Body[P - 2] == '\n') &&
                    StartsPartHeader(Body, static_cast<std::size_t>(P - 1)))
                    Pos = P;
                else
                    Pos = static_cast<int>(SkipBoundaryPadding(Body, static_cast<std::size_t>(Pos - 1))) + 1;
            } else {
                Pos = P;
            }
        }
        if (Closing) {
            // The epilogue: what follows the closing line, kept so that a
            // rebuilt message holds every byte the sender wrote.
            const std::size_t End = static_cast<std::size_t>(std::min(Pos - 1, N));
            std::size_t After = End;
            if (After < Body.size() && Body[After] == '\r')
                ++After;
            if (After < Body.size() && Body[After] == '\n')
                ++After;
            Epilogue = Body.substr(After);
            ClosingRead = true;
            ClosingBreak = After > End;
            if (First)
                Body.erase(static_cast<std::size_t>(Match - 1));
            else
                Body.clear();
            return;
        }
        // The preamble is all text before the first boundary line, however
        // far the part's own text starts behind it.
        if (First)
            Preamble = Body.substr(0, static_cast<std::size_t>(Match - 1));
        Start = static_cast<std::size_t>(std::min(Pos - 1, N));
        if (Body.size() - Start <= 1) {
            Body.clear();
            SetTruncated(1);
            return;
        }
        Compact();
    }
    if (Seen) {
        std::string Rest = Body.substr(Start);
        Body.clear();
        Body.shrink_to_fit();
        AddChild(std::move(Rest), 1);
        return;
    }
    RetypeFromBody();
}

void TKvMimeBlock::RetypeFromBody()
{
    SetContentType(Trimmed(UnfoldHeaderValue(GetHeaderField(Header, FieldContentType, true))));
    TypeGuessed = 1;
    MediaClass = mcTextPlain;
    const bool hasBoundary = !Boundary.empty();
    if (Body.empty()) {
        Truncated = hasBoundary ? 1 : 0;
        return;
    }
    if (Body[0] == '<') {
        MediaClass = mcTextHtml;
        if (Body.size() >= 6) {
            if (Body.compare(0, 9, "<x-flowed") == 0) {
                MediaClass = mcTextPlain;
                RemoveFlowedTags(Body);
            } else if (Body.compare(0, 8, "<x-html>") == 0) {
                MediaClass = mcTextHtml;
            } else if (Body.compare(0, 8, "<x-rich>") == 0 || StartsWithNoCase(Body, 0, "<rich>")) {
                MediaClass = mcTextEnriched;
            }
        }
        return;
    }
    if (Body.compare(0, 2, "--") == 0 || Body == "-") {
        Truncated = hasBoundary ? 1 : 0;
        return;
    }
    std::size_t i = 0;
    while (i < Body.size() && static_cast<unsigned char>(Body[i]) < 33)
        ++i;
    if (i < Body.size() && Body[i] == '<')
        MediaClass = mcTextHtml;
}

void TKvMimeBlock::CheckMetaCharset()
{
    if (MediaClass == mcTextHtml) {
        ApplyMetaCharset();
        return;
    }
    if (TKvMimeBlock* html = FindChild(MimeTextHtml, false, true))
        html->ApplyMetaCharset();
}

void TKvMimeBlock::ApplyMetaCharset()
{
    std::string cs;
    std::string text;
    GetDecodedText(cs, text);
    const int p = PosTextWord("http-equiv", text, 1, true);
    if (p <= 0)
        return;
    const std::size_t openLimit = std::min(text.size(), static_cast<std::size_t>(p - 1 + 10));
    const auto open = text.rfind('<', openLimit);
    const std::size_t tagStart = open == std::string::npos ? 0 : open + 1;
    auto close = text.find('>', static_cast<std::size_t>(p - 1 + 20));
    if (close == std::string::npos)
        close = text.size();
    if (close <= tagStart)
        return;
    const std::string tag = text.substr(tagStart, close - tagStart);
    const int c = PosTextWord("charset", tag, 1, true);
    if (c <= 0)
        return;
    std::size_t i = static_cast<std::size_t>(c - 1) + 7;
    while (i < tag.size() && (static_cast<unsigned char>(tag[i]) < 33 || tag[i] == '='))
        ++i;
    auto end = tag.find_first_of("\"'", i);
    if (end == std::string::npos)
        end = tag.size();
    const std::string meta = TableLowerCase(Trimmed(tag.substr(i, end - i)));
    if (meta.empty())
        return;
    const int metaCp = SafeCodePage(meta);
    if (metaCp < 0)
        return;
    bool take = false;
    const int curCp = SafeCodePage(Charset);
    if (Charset.empty() || TableLowerCase(Charset) == meta || curCp < 0) {
        take = true;
    } else if (curCp != 1200 && curCp != 65001 && metaCp != 1200 && metaCp != 65001) {
        take = true;
    } else if (curCp == 65001 || metaCp == 65001) {
        take = LooksLikeUtf8(text) ? metaCp == 65001 : curCp == 65001;
    } else {
        take = IsUnicodeText(text) ? metaCp == 1200 : curCp == 1200;
    }
    if (take) {
        Charset = meta;
        CodePage = static_cast<std::uint32_t>(metaCp);
    }
}

// ---------------------------------------------------------------------------
// Queries
// ---------------------------------------------------------------------------

TMimePartKind TKvMimeBlock::GetPartKind() const
{
    const bool detached = !Marker.empty() || !ExternalFile.empty();
    if (!ContentId.empty()) {
        if (detached)
            return pkDetachedInline;
        if (DispositionKind != dispAttachment)
            return pkInline;
        if (SameTextStr(ContentType, MimeMultiAppleDouble))
            return pkBody;
        if (FileName.empty() || HasFileExt(FileName, "jpg;jpeg;png;gif;bmp", true))
            return pkInline;
        return pkAttachment;
    }
    if (!FileName.empty()) {
        if (SameTextStr(ContentType, MimeAppAppleFile))
            return pkBody;
        return detached ? pkDetachedAttachment : pkAttachment;
    }
    if (MediaClass == mcMessageRfc822)
        return pkAttachment;
    // Digest members count as attachments (a unit-wide choice).
    if (Parent && Parent->MediaClass == mcMultiDigest)
        return pkAttachment;
    return pkBody;
}

bool TKvMimeBlock::HasPartOfKind(unsigned KindSet) const
{
    if (KindSet & PartKindBit(GetPartKind()))
        return true;
    for (const auto& c : FChildren)
        if (c->HasPartOfKind(KindSet))
            return true;
    return false;
}

bool TKvMimeBlock::HasInlineParts() const
{
    return HasPartOfKind(PartKindBit(pkInline) | PartKindBit(pkDetachedInline));
}

bool TKvMimeBlock::HasDetachedParts() const
{
    return HasPartOfKind(PartKindBit(pkDetachedAttachment) | PartKindBit(pkDetachedInline));
}

bool TKvMimeBlock::IsMessagePart() const
{
    return MediaClass == mcMessagePartial || MediaClass == mcMessageRfc822 || MediaClass == mcMessageOther;
}

bool TKvMimeBlock::IsMultipart() const
{
    if (ChildCount() == 0)
        return false;
    return (MediaClass >= mcMultiMixed && MediaClass <= mcMultiRelated) ||
           (MediaClass >= mcMultiSigned && MediaClass <= mcMultiOther) ||
           TypeParameter.compare(0, 9, "multipart") == 0;
}

std::string TKvMimeBlock::GetMajorType() const
{
    return ContentType.substr(0, ContentType.find('/'));
}

TKvMimeBlock* TKvMimeBlock::FindChild(const std::string& Type, bool MajorOnly, bool IncludeAttachments)
{
    const bool typeIsMultipart = IsMultipartType(Type);
    for (const auto& c : FChildren) {
        if (!IncludeAttachments && c->IsAttachment())
            continue;
        if (c->IsMultipart() && !typeIsMultipart) {
            if (TKvMimeBlock* r = c->FindChild(Type, MajorOnly, IncludeAttachments))
                return r;
            continue;
        }
        if ((MajorOnly ? c->GetMajorType() : c->ContentType) == Type)
            return c.get();
    }
    return nullptr;
}

TKvMimeBlock* TKvMimeBlock::FindBodyPart(const std::string& Type, bool IncludeAttachments)
{
    if (!IncludeAttachments && IsAttachment())
        return nullptr;
    if (ContentType == Type || (Type.empty() && ChildCount() == 0))
        return this;
    if (ChildCount() == 0)
        return nullptr;
    auto inMultiparts = [&](const std::string& T) -> TKvMimeBlock* {
        for (const auto& c : FChildren)
            if (c->GetMajorType() == MimeMultipart && (IncludeAttachments || !c->IsAttachment()))
                if (TKvMimeBlock* r = c->FindBodyPart(T, IncludeAttachments))
                    return r;
        return nullptr;
    };
    if (!Type.empty()) {
        if (TKvMimeBlock* r = FindChild(Type, false, IncludeAttachments))
            return r;
        return inMultiparts(Type);
    }
    TKvMimeBlock* r = FindChild(MimeTextHtml, false, IncludeAttachments);
    if (!r)
        r = FindChild(MimeTextPlain, false, IncludeAttachments);
    if (!r)
        r = FindChild("text", true, IncludeAttachments);
    if (!r)
        r = inMultiparts(Type);
    return r ? r : this;
}

TKvMimeBlock* TKvMimeBlock::FindPart(const std::string& Type, const std::string& Name)
{
    if (SameTextStr(ContentType, Type) && SameTextStr(FileName, Name))
        return this;
    const bool nameIsMultipart = IsMultipartType(Name);
    const bool nameIsMessage = IsMessageType(Name);
    for (const auto& c : FChildren) {
        if (c->IsMessagePart() && !nameIsMessage)
            continue;
        if (SameTextStr(c->ContentType, Type) && SameTextStr(c->FileName, Name))
            return c.get();
        if (c->IsMultipart() && nameIsMultipart)
            continue;
        if (TKvMimeBlock* r = c->FindPart(Type, Name))
            return r;
    }
    return nullptr;
}

void TKvMimeBlock::GetDecodedText(std::string& ACharset, std::string& Text)
{
    ACharset = Charset;
    if (!Body.empty() || ChildCount() == 0) {
        Text = DecodedBody(*this);
    } else {
        TKvMimeBlock* part = FindBodyPart("");
        if (part && part != this)
            part->GetDecodedText(ACharset, Text);
        else
            Text.clear();
    }
    if (IsBlankOrControlText(Text))
        Text.clear();
}

void TKvMimeBlock::GetTextOfType(const std::string& Type, std::string& ACharset, std::string& Text)
{
    ACharset.clear();
    Text.clear();
    if (MediaClass == mcMultiDigest)
        return;
    TKvMimeBlock* part = FindBodyPart(Type);
    if (!part)
        return;
    part->GetDecodedText(ACharset, Text);
    if (ACharset.empty())
        ACharset = part->Charset;
    // Plain text parts that follow in a mixed message (list footers, notes)
    // belong to the text; the other forms of an alternative do not.
    if (Type != MimeTextPlain || (part->Parent && part->Parent->MediaClass == mcMultiAlternative))
        return;
    for (TKvMimeBlock* s = part->NextSibling(""); s; s = s->NextSibling("")) {
        if (s->IsAttachment() || s->GetMajorType() != "text")
            continue;
        std::string cs;
        std::string more;
        s->GetDecodedText(cs, more);
        Text = SetTrailingCrLfCount(Text, 2) + "----\r\n\r\n" + more;
    }
}

void TKvMimeBlock::GetHtmlText(std::string& ACharset, std::string& Text)
{
    GetTextOfType(MimeTextHtml, ACharset, Text);
}

void TKvMimeBlock::GetEnrichedText(std::string& ACharset, std::string& Text)
{
    GetTextOfType(MimeTextEnriched, ACharset, Text);
    if (Text.empty())
        GetTextOfType(MimeTextRichText, ACharset, Text);
}

void TKvMimeBlock::GetPlainText(std::string& ACharset, std::string& Text)
{
    // Digest members count as attachments, so a digest has no plain text of
    // its own to list.
    GetTextOfType(MimeTextPlain, ACharset, Text);
}

TKvMimeBlock* TKvMimeBlock::NextSibling(const std::string& Prefix) const
{
    if (!Parent)
        return nullptr;
    for (int i = Index; i < Parent->ChildCount(); ++i) {
        TKvMimeBlock* s = Parent->Child(i);
        if (Prefix.empty() || (s->ContentType.size() >= Prefix.size() &&
                               SameTextStr(s->ContentType.substr(0, Prefix.size()), Prefix)))
            return s;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Dates
// ---------------------------------------------------------------------------

TDateTime TKvMimeBlock::GetReceivedDate()
{
    TKvMimeBlock* root = GetRoot();
    if (root != this)
        return root->GetReceivedDate();
    if (!FReceivedDate) {
        const std::string text = GetReceivedDateText(Header, true);
        FReceivedDate = std::make_unique<TDateTimeObj>();
        if (!text.empty())
            FReceivedDate->SetText(text, dfkReceived, dzkUnsettled);
    }
    if (FReceivedDate->DateText().empty())
        return -1.0;
    return FReceivedDate->GetDateTime();
}

TDateTime TKvMimeBlock::GetDate()
{
    TKvMimeBlock* root = GetRoot();
    if (root != this)
        return root->GetDate();
    if (!FDate) {
        FDate = std::make_unique<TDateTimeObj>();
        const std::string text = Field(Header, FieldDate);
        if (!text.empty())
            FDate->SetText(text, dfkHeaderDate, dzkUnsettled);
    }
    if (!FDate->DateText().empty())
        return FDate->GetDateTime();
    const TDateTime received = GetReceivedDate();
    return received > 0 ? received : -1.0;
}

TDateTime TKvMimeBlock::GetSaveDate()
{
    if (PreferReceivedDate) {
        const TDateTime received = GetReceivedDate();
        if (received > 0)
            return received;
    }
    return GetDate();
}

std::string TKvMimeBlock::GetDateText() const
{
    const TKvMimeBlock* root = this;
    while (root->Parent)
        root = root->Parent;
    const std::string date = Field(root->Header, FieldDate);
    return date.empty() ? GetReceivedDateText(root->Header, true) : date;
}

// ---------------------------------------------------------------------------
// Attachments
// ---------------------------------------------------------------------------

std::string TKvMimeBlock::DecodedSubject()
{
    std::string cs;
    std::string text;
    GetDecodedText(cs, text);
    std::string subject;
    GetMessageSubject(text, false, 0, subject);
    return Trimmed(subject);
}

std::string TKvMimeBlock::GetAttachedMessageName()
{
    return AttachedMessageFileName(DecodedSubject());
}

bool TKvMimeBlock::HasOwnContentId() const
{
    if (ContentId.empty())
        return false;
    const std::size_t at = ContentId[0] == '<' ? 1 : 0;
    return !StartsWithNoCase(ContentId, at, GeneratedIdPrefix);
}

std::string TKvMimeBlock::MadeUpName(int Mode)
{
    const std::string subject = DecodedSubject();
    std::string name = subject.empty() ? std::string(Mode == cpAttachments ? "Attachment" : "Embedded content")
                                       : MakeSafeFileName(subject, false);
    return SetFileExt(name, ExtensionOfMimeType(ContentType), true);
}

void TKvMimeBlock::CollectInto(TStrings* List, int Mode)
{
    for (const auto& ptr : FChildren) {
        TKvMimeBlock* c = ptr.get();
        std::string name;
        bool add = false;
        if (Mode == cpAttachments) {
            if (c->MediaClass == mcMultiDigest) {
                c->CollectDigestMembers(List);
                continue;
            }
            if (c->MediaClass == mcMessageRfc822) {
                name = c->GetAttachedMessageName();
                add = true;
            } else if (c->DispositionKind == dispAttachment) {
                name = c->FileName.empty() ? c->MadeUpName(cpAttachments) : c->FileName;
                add = true;
            } else if (!c->FileName.empty() && !c->HasOwnContentId()) {
                name = c->FileName;
                add = true;
            }
        } else if (Mode == cpInlineWithId) {
            if (c->MediaClass != mcMultiDigest && c->MediaClass != mcMessageRfc822 &&
                c->DispositionKind != dispAttachment && c->HasOwnContentId()) {
                name = (c->DispositionKind == dispInline && !c->FileName.empty()) ? c->FileName : c->MadeUpName(cpInlineWithId);
                add = true;
            }
        } else if (Mode == cpUnnamedInline) {
            const TMimeClass k = c->MediaClass;
            if (c->DispositionKind == dispInline && k > mcMessageRfc822 && !(k >= mcMultiMixed && k <= mcMultiDigest) &&
                k != mcMultiOther && c->FileName.empty() && !c->HasOwnContentId()) {
                name = c->MadeUpName(cpUnnamedInline);
                add = true;
            }
        }
        if (add)
            List->AddObject(name, c);
        if (c->MediaClass != mcMultiDigest)
            c->CollectInto(List, Mode);
    }
}

void TKvMimeBlock::CollectDigestMembers(TStrings* List)
{
    for (const auto& member : FChildren)
        List->AddObject(member->GetAttachedMessageName(), member.get());
}

bool TKvMimeBlock::CollectParts(TStrings* List, int Mode)
{
    if (!List)
        return false;
    if (Mode == cpAttachments && MediaClass == mcMultiDigest)
        CollectDigestMembers(List);
    else
        CollectInto(List, Mode);
    return List->Count() >= 1;
}

void TKvMimeBlock::LoadEmlxParts(const std::string& Base, std::string& Missing)
{
    for (const auto& c : FChildren) {
        if (!Field(c->Header, FieldXAppleContentLength).empty()) {
            const std::string name = (Index == 0 || !Parent)
                                         ? Base + std::to_string(c->Index) + ".emlxpart"
                                         : Base + std::to_string(Index) + "." + std::to_string(c->Index) + ".emlxpart";
            if (IsExistingFile(name)) {
                if (IsBlankOrControlText(c->Body)) {
                    std::string text = LoadFileToString(name);
                    LineBreaksToCrLf(text, DetectLineBreakKind(text, 10));
                    c->Body = std::move(text);
                }
                int pos = 1;
                int len = 0;
                if (FindHeaderField(c->Header, FieldXAppleContentLength, pos, false, len))
                    c->Header.erase(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(len));
            } else {
                Missing += (Missing.empty() ? "" : "; ") + name;
            }
        }
        c->LoadEmlxParts(Base, Missing);
    }
}

void TKvMimeBlock::Base64ToQuotedPrintable()
{
    if (EncodingKind != encBase64)
        return;
    Body = EncodeQuotedPrintable(Base64DecodeString(Body), false);
    SetEncodingKind(encQuotedPrintable);
    SetHeaderField(Header, FieldContentTransferEncoding, TransferEncoding);
}

void TKvMimeBlock::InsertIntoBody(const std::string& Text, int Position)
{
    const std::string piece = EncodingKind == encQuotedPrintable ? EncodeQuotedPrintable(Text, false) : Text;
    if (Position < 2)
        Body.insert(0, piece);
    else
        Body.insert(std::min(Body.size(), static_cast<std::size_t>(Position - 1)), piece);
}
