#include "mail/KvHtml2Text.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "classlib/Classes.h"
#include "foundation/KvClasses.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"
#include "mail/KvHtmlParser.h"

namespace {

constexpr char NoBreakSpace = '\xA0';
constexpr int NoBreaks = -3;  // no line break due, not even after content
constexpr int MaxListLevels = 255;
constexpr int MaxListCounter = 127;
// Quote marks written per line at most; deeper quotes still count their
// levels, so that their end tags pair up.
constexpr int MaxQuoteMarks = 255;

enum class TListKind { Bulleted, Definition, Numbered };

struct TListLevel {
    TListKind Kind;
    int Counter;
};

bool IsHeading(const std::string& Name)
{
    return Name.size() == 2 && Name[0] == 'h' && Name[1] >= '1' && Name[1] <= '8';
}

bool IsBlockTag(const std::string& Name)
{
    static const char* const names[] = {"div",     "pre",     "form",    "table",    "center",
                                        "address", "comment", "listing", "multicol", "blockquote"};
    for (const char* n : names)
        if (Name == n)
            return true;
    return false;
}

bool IsOneOf(const std::string& Name, std::initializer_list<const char*> Names)
{
    for (const char* n : Names)
        if (Name == n)
            return true;
    return false;
}

// Positive: line breaks now; negative: line breaks due before the next
// content; 0: none. Name is lower case, an end tag's with its '/'.
int TagBreaks(const std::string& Name, bool HasParagraphEnds)
{
    if (Name.empty())
        return 0;
    if (Name[0] == '/') {
        const std::string n = Name.substr(1);
        if (IsHeading(n))
            return -2;
        if (IsOneOf(n, {"dl", "hr", "li", "ol", "tr", "ul", "dir", "menu"}) || IsBlockTag(n))
            return -1;
        if (n == "p")
            return HasParagraphEnds ? 2 : 0;
        return 0;
    }
    if (Name == "br")
        return 1;
    if (IsOneOf(Name, {"dd", "dt", "li"}) || IsBlockTag(Name))
        return -1;
    if (Name == "hr" || IsHeading(Name))
        return -2;
    if (Name == "p")
        return HasParagraphEnds ? -1 : 2;
    return 0;
}

std::string UrlSchemeOf(const std::string& Address)
{
    const std::size_t colon = Address.find(':');
    if (colon == std::string::npos || colon < 3)
        return std::string();
    std::string scheme = TableLowerCase(Address.substr(0, colon));
    for (char c : scheme)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return std::string();
    return scheme;
}

bool IsCidAddress(const std::string& Address)
{
    return Address.size() >= 4 && Address[3] == ':' && SameTextStr(Address.substr(0, 3), "cid");
}

// Lines holding only TABs, blanks and no-break spaces become empty; the
// line breaks stay.
void EmptyBlankLines(std::string& S)
{
    std::string r;
    r.reserve(S.size());
    std::size_t i = 0;
    while (i < S.size()) {
        std::size_t e = i;
        while (e < S.size() && S[e] != '\r' && S[e] != '\n')
            ++e;
        bool blank = true;
        for (std::size_t k = i; k < e && blank; ++k)
            blank = S[k] == ' ' || S[k] == '\t' || S[k] == NoBreakSpace;
        if (!blank)
            r.append(S, i, e - i);
        while (e < S.size() && (S[e] == '\r' || S[e] == '\n'))
            r += S[e++];
        i = e;
    }
    S.swap(r);
}

class THtmlConverter {
public:
    THtmlConverter(bool QuoteMarks) : QuoteMark(QuoteMarks ? '>' : '\t'), QuoteGap(QuoteMarks ? " " : "") {}

    std::string Convert(const std::string& Html);

private:
    void TextToken(std::string Text, const THtmlParser& Parser);
    void ReferenceToken(const std::string& Text);
    void TagToken(THtmlTokenKind Kind, const std::string& Text, const std::string& TagName);
    void Append(std::string Text);
    void TrimLastPiece();
    std::string ListItemPrefix() const;

    const char QuoteMark;
    const std::string QuoteGap;
    TStringList Pieces;  // an empty piece stands for CR LF
    std::vector<TListLevel> Lists;
    std::string PendingPrefix;
    int QuoteDepth = 0;
    int PendingBreaks = NoBreaks;
    int LastFontSize = 3;
    int BreakCount = 0;
    bool SpacePending = true;
    bool AtLineStart = true;
    bool QuoteAtLineStart = true;
    bool LastEndsWithBlank = true;
    bool HasParagraphEnds = false;
    TTagParser LinkParser{std::string(), true};
};

std::string THtmlConverter::Convert(const std::string& Html)
{
    HasParagraphEnds = SearchText(Html, "</p>") > 0;
    std::string t = StripHtmlComments(Html);
    const int e = SearchText(t, "</body>");
    int b = SearchText(t, "<body", -1, nullptr, srWholeWord);
    if (e > 0 && b > 0) {
        const int gt = CharPosFrom('>', t, b);
        if (gt > 0)
            b = gt + 1;
        // A "</body>" before the body start marks no body; cutting there
        // would throw the whole text away.
        if (b <= e)
            t = t.substr(b - 1, e - b + 1);
    }
    THtmlParser parser(t);
    for (THtmlTokenKind k : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 17, 18, 19})
        parser.ReportSet |= HtmlTokenBit(k);
    std::string text, tagName;
    THtmlTokenKind kind = 0;
    while (parser.NextToken(text, tagName, kind)) {
        BreakCount = 0;
        switch (kind) {
        case htkPre:
        case htkOpenPre:
            // A pre element whose end tag is missing still shows its text,
            // which is all a cut-off message may have. One of blanks only
            // comes back as the collapsed blank.
            if (text != "\x01")
                Append(text);
            break;
        case htkText:
        case htkAnchorText:
            TextToken(text, parser);
            break;
        case htkReference:
            ReferenceToken(text);
            break;
        case htkTag:
        case htkImage:
        case htkAnchor:
        case htkUrlTag:
            TagToken(kind, text, tagName);
            break;
        default:
            break;  // comments, declarations, server blocks, scripts, styles
        }
    }
    if (LastEndsWithBlank)
        TrimLastPiece();
    std::string r = JoinStrings(&Pieces, true);
    EmptyBlankLines(r);
    return r;
}

void THtmlConverter::TextToken(std::string Text, const THtmlParser& Parser)
{
    if (Text == "\x01") {
        if (SpacePending || AtLineStart || PendingBreaks != 0)
            return;
        SpacePending = true;
        Append(" ");
        return;
    }
    if (Parser.RawElement() != rePre && Parser.RawElement() != rePlainText) {
        for (char& c : Text)
            if (static_cast<unsigned char>(c) < 32)
                c = ' ';
        if (AtLineStart)
            TrimLeftCharSet(Text, TCharSet(std::string_view("\t \xA0", 3)));
        CollapseSpacesInPlace(Text);
    }
    const int len = static_cast<int>(Text.size());
    const THtmlText& fonts = Parser.FontStack();
    if ((len == 1 && LastFontSize > 1 && fonts.IsTinyFont()) || (len >= 1 && len <= 3 && fonts.IsInvisibleFont())) {
        // Text set too small to read is what spam hides between words.
        LastFontSize = fonts.TopFontSize();
        SpacePending = static_cast<unsigned char>(Text.back()) <= 32;
        return;
    }
    SpacePending = len > 0 && static_cast<unsigned char>(Text.back()) <= 32;
    LastFontSize = fonts.TopFontSize();
    // Blanks stripped at a line start leave nothing to write; an empty piece
    // would stand for a line break.
    if (len == 0)
        return;
    AtLineStart = false;
    Append(Text);
}

void THtmlConverter::ReferenceToken(const std::string& Text)
{
    const std::uint8_t c = EntityAt(Text, 1);
    SpacePending = false;
    AtLineStart = false;
    Append(c ? std::string(1, static_cast<char>(c)) : Text);
}

void THtmlConverter::TagToken(THtmlTokenKind Kind, const std::string& Text, const std::string& TagName)
{
    const std::string name = TableLowerCase(TagName);
    if (Kind == htkUrlTag && name != "object")
        return;
    bool quoteClosed = false;
    if (Kind == htkTag) {
        if (name == "ul" || name == "ol" || name == "dl") {
            if (static_cast<int>(Lists.size()) < MaxListLevels)
                Lists.push_back({name == "ul" ? TListKind::Bulleted : name == "ol" ? TListKind::Numbered
                                                                                    : TListKind::Definition,
                                 1});
        } else if (name == "/ul" || name == "/ol" || name == "/dl") {
            const TListKind k = name == "/ul" ? TListKind::Bulleted : name == "/ol" ? TListKind::Numbered
                                                                                     : TListKind::Definition;
            if (!Lists.empty() && Lists.back().Kind == k)
                Lists.pop_back();
        } else if (name == "li") {
            PendingPrefix = ListItemPrefix();
            if (!Lists.empty() && Lists.back().Kind == TListKind::Numbered && Lists.back().Counter < MaxListCounter)
                ++Lists.back().Counter;
        } else if (name == "dd") {
            PendingPrefix = ListItemPrefix();
        } else if (name == "dt") {
            PendingPrefix = StrDeleteLeft(ListItemPrefix(), 1);
        } else if (name == "blockquote") {
            QuoteAtLineStart = true;
            ++QuoteDepth;
        } else if (name == "/blockquote") {
            // A stray end tag must not leave the depth below zero, or the
            // next quote would lose its marks.
            if (QuoteDepth > 0) {
                --QuoteDepth;
                quoteClosed = QuoteDepth == 0;
            }
        }
    }
    BreakCount = quoteClosed ? 1 : TagBreaks(name, HasParagraphEnds);
    if (BreakCount < 0) {
        if (PendingBreaks < 1 && PendingBreaks > BreakCount)
            PendingBreaks = BreakCount;
        if (SpacePending) {
            TrimLastPiece();
            SpacePending = false;
        }
        return;
    }
    if (BreakCount > 0) {
        AtLineStart = true;
        if (BreakCount > 1 && PendingBreaks != 0)
            --BreakCount;
        PendingBreaks = NoBreaks;
        if (BreakCount > 1 && Pieces.Count() == 0)
            --BreakCount;
        if (SpacePending) {
            TrimLastPiece();
            SpacePending = false;
        }
        Append(RepeatString("\r\n", BreakCount));
        return;
    }
    if (Kind == htkImage || Kind == htkAnchor || Kind == htkUrlTag) {
        LinkParser.Parse(CleanTagText(Text));
        std::string address = LinkParser.GetAttribute("src");
        if (address.empty())
            address = LinkParser.GetAttribute("href");
        if (address.empty())
            address = LinkParser.GetAttribute("data");
        if (!address.empty() && !UrlSchemeOf(address).empty() && !IsCidAddress(address))
            Append("<" + DecodeEntities(address) + ">");
    } else if (name == "td") {
        Append("\t");
    } else if (name == "/p") {
        AtLineStart = true;
    }
}

void THtmlConverter::Append(std::string Text)
{
    if (!PendingPrefix.empty()) {
        if (!Lists.empty())
            Text = PendingPrefix + Text;
        PendingPrefix.clear();
    }
    // Due line breaks put the text at a line start too: inside a quote it
    // needs its marks there as well ("<div>" lines of a quoted reply).
    const bool breaksDue = BreakCount == 0 && PendingBreaks < 0 && PendingBreaks != NoBreaks;
    if ((QuoteAtLineStart || breaksDue) && QuoteDepth > 0)
        Text = RepeatChar(QuoteMark, std::min(QuoteDepth, MaxQuoteMarks)) + QuoteGap + Text;
    if (BreakCount == 0) {
        if (breaksDue)
            Text = RepeatString("\r\n", -PendingBreaks) + Text;
        PendingBreaks = 0;
    }
    // Blanks before a line break are dropped; TrimLastPiece also drops a
    // piece left empty, which would otherwise read as a line break.
    if (LastEndsWithBlank && (Text.empty() || Text[0] == '\r'))
        TrimLastPiece();
    LastEndsWithBlank = !Text.empty() && Text.back() == ' ';
    Pieces.Add(Text);
    QuoteAtLineStart = AtLineStart;
}

void THtmlConverter::TrimLastPiece()
{
    if (Pieces.Count() == 0)
        return;
    const int last = Pieces.Count() - 1;
    const std::string s = TrimCharSetStr(Pieces.StringRef(last), false, " ");
    if (s.empty())
        Pieces.Delete(last);
    else
        Pieces.Put(last, s);
}

std::string THtmlConverter::ListItemPrefix() const
{
    if (Lists.empty())
        return std::string();
    const std::string indent(Lists.size() - 1, '\t');
    switch (Lists.back().Kind) {
    case TListKind::Bulleted: {
        int bulleted = 0;
        for (const TListLevel& l : Lists)
            bulleted += l.Kind == TListKind::Bulleted;
        static const char bullets[] = {'*', '+', '-', '\xB7'};
        return indent + bullets[std::min(bulleted, 4) - 1] + " ";
    }
    case TListKind::Definition:
        return indent + "\t";
    default:
        return indent + IntToStr(Lists.back().Counter) + ". ";
    }
}

}  // namespace

std::string HtmlToText(const std::string& Html, bool QuoteMarks)
{
    return THtmlConverter(QuoteMarks).Convert(Html);
}
