#include "mail/KvMailBlock.h"

#include "foundation/KvBoyerMoore.h"
#include "foundation/KvCodePage.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMime.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvMimeParams.h"

namespace {

const TCharSet& BlankSet()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

std::string FieldValue(const std::string& Header, const char* Name)
{
    return TrimCharSetStr(UnfoldHeaderValue(GetHeaderField(Header, Name)), true, BlankSet());
}

bool IsLineBreak(char C)
{
    return C == '\r' || C == '\n';
}

// Only these open a part header here: the quick questions this tree answers
// need no guessing at header blocks of other generators.
bool StartsPartHeaderAt(const std::string& Text, int Pos)
{
    auto startsWith = [&](const char* Prefix) {
        const std::size_t n = std::char_traits<char>::length(Prefix);
        const std::size_t at = static_cast<std::size_t>(Pos - 1);
        return at + n <= Text.size() && SameTextStr(Text.substr(at, n), Prefix);
    };
    return startsWith("Content") || startsWith("X-Content");
}

int Depth(const TKvMailBlock* Block)
{
    int depth = 0;
    for (const TKvMailBlock* p = Block->Parent; p; p = p->Parent)
        ++depth;
    return depth;
}

}  // namespace

TKvMailBlock::TKvMailBlock(const std::string& AText)
{
    if (!AText.empty())
        SetText(AText);
}

TKvMailBlock::~TKvMailBlock() = default;

std::unique_ptr<TKvMailBlock> TKvMailBlock::CreatePart(TKvMailBlock* Parent, int Length, int Offset)
{
    std::unique_ptr<TKvMailBlock> block(new TKvMailBlock());
    block->Parent = Parent;
    block->Text = Parent ? Parent->Text : nullptr;
    if (block->Text && Length > 0 && Offset >= 1 &&
        Offset + Length - 1 <= static_cast<int>(block->Text->size()))
        block->Locate(Offset, Length);
    return block;
}

TKvMailBlock* TKvMailBlock::AddPart(TKvMailBlock* Parent, int Offset, int Length)
{
    std::unique_ptr<TKvMailBlock> block = CreatePart(Parent, Length, Offset);
    block->Index = Parent->ChildCount() + 1;
    Parent->Children.push_back(std::move(block));
    return Parent->Children.back().get();
}

void TKvMailBlock::SetText(const std::string& AText)
{
    if (Text)
        Clear();
    Text = std::make_shared<const std::string>(AText);
    if (!AText.empty())
        Locate(1, static_cast<int>(AText.size()));
}

void TKvMailBlock::Clear()
{
    Text.reset();
    Boundary.clear();
    Charset.clear();
    ContentId.clear();
    ContentLocation.clear();
    FileName.clear();
    Children.clear();
    BodyStart = BodyLength = HeaderStart = HeaderLength = 0;
    Truncated = DispositionKind = EncodingKind = MediaClass = TypeGuessed = 0;
    Parent = nullptr;
}

// Header and body of the range from Offset: the header ends at the first
// blank line within the range. A range that starts with a line break (a part
// whose boundary line is followed by no header field) has an empty header.
void TKvMailBlock::Locate(int Offset, int Length)
{
    const std::string& text = *Text;
    const int last = Offset + Length - 1;
    HeaderStart = Offset;
    int lead = 0;
    if (text[Offset - 1] == '\n')
        lead = 1;
    else if (text[Offset - 1] == '\r' && Offset < last && text[Offset] == '\n')
        lead = 2;
    int bodyStart = -1;
    if (lead > 0) {
        bodyStart = Offset + lead;
        // A blank line right after the boundary line belongs to no one.
        if (bodyStart <= last && text[bodyStart - 1] == '\n')
            bodyStart += 1;
        else if (bodyStart < last && text[bodyStart - 1] == '\r' && text[bodyStart] == '\n')
            bodyStart += 2;
        HeaderLength = 0;
    } else {
        bodyStart = FindBodyStart(text, Offset);
        if (bodyStart > last + 1)
            bodyStart = -1;
        if (bodyStart > 0) {
            // Over "\r\n\r\n" the header keeps its last line break.
            HeaderLength = bodyStart - Offset - 2;
        } else {
            HeaderLength = Length;
        }
    }
    if (bodyStart > 0 && bodyStart <= last) {
        BodyStart = bodyStart;
        BodyLength = last - bodyStart + 1;
    } else {
        BodyStart = 0;
        BodyLength = 0;
    }
    if (HeaderLength > 0)
        ReadFields();
    if (Boundary.empty())
        return;
    if (BodyStart == 0)
        Truncated = 1;
    else if (Depth(this) < MaxMimeDepth)
        Split();
}

void TKvMailBlock::ReadFields()
{
    const std::string header = GetHeaderText();
    const std::string disposition = FieldValue(header, FieldContentDisposition);
    std::string dispositionParams;
    if (!disposition.empty()) {
        const std::size_t semi = disposition.find(';');
        DispositionKind = static_cast<std::uint8_t>(::DispositionKind(
            TableLowerCase(TrimCharSetStr(disposition.substr(0, semi), true, BlankSet()))));
        if (semi != std::string::npos)
            dispositionParams = TrimCharSetStr(disposition.substr(semi + 1), true, BlankSet());
    }
    // The splitter of the full tree fills a scratch part; the values are
    // taken over from it.
    const std::string type = FieldValue(header, FieldContentType);
    if (!type.empty()) {
        TKvMimeBlock scratch(std::string(), true, false);
        ParseContentType(type, scratch);
        ContentType = scratch.ContentType;
        Boundary = scratch.Boundary;
        Charset = scratch.Charset;
        FileName = scratch.FileName;
        MediaClass = scratch.MediaClass;
        try {
            CodePage = Charset.empty() ? -1 : CharsetToCodePage(TableLowerCase(Charset));
        } catch (const Exception&) {
            CodePage = -1;
        }
    }
    if (FileName.empty() && !dispositionParams.empty())
        FileName = FileNameParameter("x;" + dispositionParams, "filename");
    EncodingKind = static_cast<std::uint8_t>(
        TransferEncodingKind(TableLowerCase(FieldValue(header, FieldContentTransferEncoding))));
    ContentId = FieldValue(header, FieldContentId);
    ContentLocation = FieldValue(header, FieldContentLocation);
    if (!ContentLocation.empty() && FileName.empty() && ContentType.compare(0, 4, "text") != 0)
        FileName = FileNameFromUrl(ContentLocation);
    if (DispositionKind == dispNone) {
        if (!ContentId.empty())
            DispositionKind = dispInline;
        else if (!FileName.empty())
            DispositionKind = dispAttachment;
    }
}

void TKvMailBlock::Split()
{
    TBmPattern record;
    if (!BmPrepare(record, Boundary, 0))
        return;
    const std::string& text = *Text;
    const int blen = static_cast<int>(Boundary.size());
    const int last = BodyStart + BodyLength - 1;
    int partStart = 0;
    bool seen = false;
    int from = BodyStart;
    while (true) {
        const int match = FindBoundaryLine(text, record, from);
        if (match == 0 || match + blen - 1 > last)
            break;
        seen = true;
        if (partStart > 0)
            AddPart(this, partStart, match - partStart);
        partStart = 0;
        int p = match + blen;
        int lfs = 0;
        while (p <= last && static_cast<unsigned char>(text[p - 1]) < 33) {
            if (text[p - 1] == '\n')
                ++lfs;
            ++p;
        }
        if (lfs == 0 && p + 1 <= last && text[p - 1] == '-' && text[p] == '-')
            return;  // the closing line
        if (lfs == 0 && p == last && text[p - 1] == '-')
            return;
        if (p > 1 && IsLineBreak(text[p - 2]) && !StartsPartHeaderAt(text, p))
            partStart = static_cast<int>(SkipBoundaryPadding(text, static_cast<std::size_t>(match + blen - 1))) + 1;
        else
            partStart = p;
        if (partStart > last)
            return;
        from = partStart;
    }
    if (seen) {
        if (partStart > 0 && partStart <= last)
            AddPart(this, partStart, last - partStart + 1);
        return;
    }
    // A multipart without a single boundary line: what the body looks like
    // decides what it is.
    TypeGuessed = 1;
    MediaClass = mcTextPlain;
    const int first = BodyStart;
    auto startsWith = [&](const char* Prefix) {
        const int n = static_cast<int>(std::char_traits<char>::length(Prefix));
        return first + n - 1 <= last && text.compare(static_cast<std::size_t>(first - 1),
                                                     static_cast<std::size_t>(n), Prefix) == 0;
    };
    if (startsWith("--") || (BodyLength == 1 && text[first - 1] == '-')) {
        Truncated = 1;
        return;
    }
    if (text[first - 1] == '<') {
        MediaClass = mcTextHtml;
        if (startsWith("<x-flowed"))
            MediaClass = mcTextPlain;
        else if (startsWith("<x-rich>") || startsWith("<rich>"))
            MediaClass = mcTextEnriched;
        return;
    }
    int q = first;
    while (q <= last && static_cast<unsigned char>(text[q - 1]) < 33)
        ++q;
    if (q <= last && text[q - 1] == '<')
        MediaClass = mcTextHtml;
}

std::string TKvMailBlock::GetHeaderText() const
{
    if (!Text || HeaderLength <= 0)
        return std::string();
    return Text->substr(static_cast<std::size_t>(HeaderStart - 1),
                        static_cast<std::size_t>(HeaderLength));
}

std::string TKvMailBlock::GetBodyText() const
{
    if (!Text || BodyLength <= 0)
        return std::string();
    return Text->substr(static_cast<std::size_t>(BodyStart - 1), static_cast<std::size_t>(BodyLength));
}

bool TKvMailBlock::HasMediaClass(TMimeClass Class) const
{
    if (MediaClass == Class)
        return true;
    for (const auto& child : Children)
        if (child->HasMediaClass(Class))
            return true;
    return false;
}

bool TKvMailBlock::HasParts() const
{
    return !Boundary.empty() && !Children.empty();
}

TKvMailBlock* TKvMailBlock::Child(int I) const
{
    if (I < 0 || I >= ChildCount())
        return nullptr;
    return Children[static_cast<std::size_t>(I)].get();
}
