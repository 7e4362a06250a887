#include "mail/KvHtmlParser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/SysUtils.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"

namespace {

const TCharSet ControlsAndBlank = TCharSet::Range(0, 32);
constexpr char NoBreakSpace = '\xA0';

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, ControlsAndBlank);
}

bool IsBlankOrControl(char C)
{
    return static_cast<unsigned char>(C) <= 32 || C == NoBreakSpace;
}

// 1-based character of S, NUL outside.
char At(const std::string& S, int Pos)
{
    return Pos >= 1 && Pos <= static_cast<int>(S.size()) ? S[Pos - 1] : '\0';
}

bool StartsWithText(const std::string& S, int Pos, const char* Word)
{
    const int n = static_cast<int>(std::strlen(Word));
    if (Pos < 1 || Pos - 1 + n > static_cast<int>(S.size()))
        return false;
    return SameTextStr(S.substr(Pos - 1, n), Word);
}

}  // namespace

// ---------------------------------------------------------------------------
// Character references
// ---------------------------------------------------------------------------

namespace {

struct TEntity {
    const char* Name;
    std::uint8_t Code;
};

// Names that are not letters: compared without regard to case.
const TEntity PlainEntities[] = {
    {"quot", 34},     {"amp", 38},      {"apos", 39},     {"lt", 60},       {"gt", 62},
    {"nbsp", 160},    {"iexcl", 161},   {"cent", 162},    {"pound", 163},   {"curren", 164},
    {"yen", 165},     {"brvbar", 166},  {"sect", 167},    {"uml", 168},     {"die", 168},
    {"copy", 169},    {"ordf", 170},    {"laquo", 171},   {"not", 172},     {"shy", 173},
    {"reg", 174},     {"macr", 175},    {"deg", 176},     {"plusmn", 177},  {"sup2", 178},
    {"sup3", 179},    {"acute", 180},   {"micro", 181},   {"para", 182},    {"middot", 183},
    {"cedil", 184},   {"sup1", 185},    {"ordm", 186},    {"raquo", 187},   {"frac14", 188},
    {"frac12", 189},  {"frac34", 190},  {"iquest", 191},  {"times", 215},   {"divide", 247},
    {"circ", 0x88},   {"tilde", 0x98},  {"ndash", 0x96},  {"mdash", 0x97},  {"lsquo", 0x91},
    {"rsquo", 0x92},  {"sbquo", 0x82},  {"ldquo", 0x93},  {"rdquo", 0x94},  {"bdquo", 0x84},
    {"permil", 0x89}, {"euro", 0x80},   {"fnof", 0x83},   {"bull", 0x95},   {"hellip", 0x85},
    {"trade", 0x99},  {"thinsp", ' '},
};

// Letter names: the case of the first letter picks the form, the rest is
// compared without regard to case. Small form, then capital form.
struct TLetterEntity {
    const char* Name;
    std::uint8_t Small;
    std::uint8_t Capital;
};

// The accented letters of the Latin-1 set share their suffixes; each small
// form is its capital's code + 32.
struct TAccent {
    const char* Suffix;
    const char* Letters;  // base letters, capital form
    const std::uint8_t* Codes;
};

const std::uint8_t GraveCodes[] = {0xC0, 0xC8, 0xCC, 0xD2, 0xD9};
const std::uint8_t AcuteCodes[] = {0xC1, 0xC9, 0xCD, 0xD3, 0xDA, 0xDD};
const std::uint8_t CircCodes[] = {0xC2, 0xCA, 0xCE, 0xD4, 0xDB};
const std::uint8_t TildeCodes[] = {0xC3, 0xD1, 0xD5};
const std::uint8_t UmlCodes[] = {0xC4, 0xCB, 0xCF, 0xD6, 0xDC};
const TAccent Accents[] = {
    {"grave", "AEIOU", GraveCodes}, {"acute", "AEIOUY", AcuteCodes}, {"circ", "AEIOU", CircCodes},
    {"tilde", "ANO", TildeCodes},   {"uml", "AEIOU", UmlCodes},
};

const TLetterEntity OtherLetters[] = {
    {"aring", 0xE5, 0xC5}, {"aelig", 0xE6, 0xC6},  {"ccedil", 0xE7, 0xC7}, {"eth", 0xF0, 0xD0},
    {"oslash", 0xF8, 0xD8}, {"thorn", 0xFE, 0xDE}, {"szlig", 0xDF, 0xDF},  {"oelig", 0x9C, 0x8C},
    {"scaron", 0x9A, 0x8A}, {"yuml", 0xFF, 0x9F},  {"dagger", 0x86, 0x87},
};

std::uint8_t LetterEntity(const std::string& Name)
{
    const bool capital = Name[0] >= 'A' && Name[0] <= 'Z';
    for (const TLetterEntity& e : OtherLetters)
        if (SameTextStr(Name, e.Name))
            return capital ? e.Capital : e.Small;
    for (const TAccent& a : Accents) {
        const std::size_t n = std::strlen(a.Suffix);
        if (Name.size() != n + 1 || !SameTextStr(Name.substr(1), a.Suffix))
            continue;
        const char base = static_cast<char>(Name[0] & ~0x20);
        const char* hit = std::strchr(a.Letters, base);
        if (!hit || base == '\0')
            return 0;
        const std::uint8_t code = a.Codes[hit - a.Letters];
        return capital ? code : static_cast<std::uint8_t>(code + 32);
    }
    return 0;
}

const std::pair<int, std::uint8_t> FourDigitRefs[] = {
    {8194, ' '},  {8195, ' '},  {8201, ' '},  {8204, '|'},  {8211, 0x96}, {8212, 0x97},
    {8216, 0x91}, {8217, 0x92}, {8218, 0x82}, {8220, 0x93}, {8221, 0x94}, {8222, 0x84},
    {8224, 0x86}, {8225, 0x87}, {8226, 0x95}, {8230, 0x85}, {8240, 0x89}, {8249, 0x8B},
    {8250, 0x9B}, {8364, 0x80}, {8482, 0x99},
};

std::uint8_t NumericEntity(const std::string& Digits)
{
    if (Digits.size() == 4 && std::all_of(Digits.begin(), Digits.end(), IsDigitChar)) {
        const int v = StrToIntDef(Digits, 0);
        for (const auto& r : FourDigitRefs)
            if (r.first == v)
                return r.second;
        return 0;
    }
    // "x41" and "$41" are hexadecimal; the integer reader knows only "$".
    std::string s = Digits;
    const std::size_t first = s.find_first_not_of(" \t");
    if (first != std::string::npos && (s[first] == 'x' || s[first] == 'X'))
        s[first] = '$';
    const int v = StrToIntDef(s, 0);
    if (v >= 1 && v <= 255)
        return static_cast<std::uint8_t>(v);
    switch (v) {
    case 352: return 0x8A;
    case 353: return 0x9A;
    case 376: return 0x9F;
    case 710: return 0x88;
    case 732: return 0x98;
    default: return 0;
    }
}

bool IsEntityNameChar(char C)
{
    return C == '#' || IsAsciiLetter(C) || IsDigitChar(C);
}

}  // namespace

std::uint8_t EntityToChar(const std::string& Name)
{
    if (Name.size() < 2)
        return 0;
    if (Name[0] == '#')
        return NumericEntity(Name.substr(1));
    if (Name.size() >= 7)
        return 0;
    for (const TEntity& e : PlainEntities)
        if (SameTextStr(Name, e.Name))
            return e.Code;
    return LetterEntity(Name);
}

std::string DecodeEntities(const std::string& Text)
{
    // A forward scan finds the same references as one from the end: a name
    // holds neither '&' nor ';', so every ';' has one '&' it may close, and
    // a replaced character is never read again ("&amp;lt;" gives "&lt;").
    std::string r;
    r.reserve(Text.size());
    std::size_t i = 0;
    const std::size_t n = Text.size();
    while (i < n) {
        if (Text[i] == '&') {
            std::size_t j = i + 1;
            while (j < n && IsEntityNameChar(Text[j]))
                ++j;
            if (j < n && Text[j] == ';') {
                const std::uint8_t c = EntityToChar(Text.substr(i + 1, j - i - 1));
                if (c) {
                    r += static_cast<char>(c);
                    i = j + 1;
                    continue;
                }
            }
            r.append(Text, i, j - i);
            i = j;
            continue;
        }
        r += Text[i++];
    }
    return r;
}

std::uint8_t EntityAt(const std::string& Text, int Pos)
{
    int p = Pos + 1;
    std::string name;
    while (name.size() < 255 && IsEntityNameChar(At(Text, p)))
        name += Text[(p++) - 1];
    if (name.empty())
        return '&';
    return EntityToChar(name);
}

// ---------------------------------------------------------------------------
// Tags and attributes
// ---------------------------------------------------------------------------

std::string CleanTagText(const std::string& TagText)
{
    std::string s = TagText;
    if (!s.empty() && s[0] == '<') {
        if (s.size() >= 2 && s.back() == '>')
            s.pop_back();
        s.erase(0, 1);
        s = Trimmed(s);
    }
    // Line breaks inside a tag usually come from a mail client folding a
    // long tag; a break inside a quoted value or a word is dropped, others
    // become a blank. Worked from the end, so the character after a break
    // is already in its final form; the kept text is collected reversed.
    std::string r;
    r.reserve(s.size());
    for (int i = static_cast<int>(s.size()) - 1; i >= 0; --i) {
        const char c = s[i];
        if (c != '\r' && c != '\n') {
            r += c;
            continue;
        }
        const char before = i > 0 ? s[i - 1] : '\0';
        const bool last = r.empty();
        const char next = last ? '\0' : r.back();
        if ((i > 0 && (before == '\r' || before == '\n')) || last || next == '\n' || next == '\r' ||
            next == ' ' || next == '-' || next == NoBreakSpace ||
            (next == '"' && i > 0 && (IsAsciiLetter(before) || IsDigitChar(before))))
            continue;
        r += ' ';
    }
    return std::string(r.rbegin(), r.rend());
}

bool IsVoidElement(const std::string& LowerCaseName)
{
    static const char* const names[] = {"area", "base", "basefont", "bgsound", "br", "col", "command",
                                        "embed", "frame", "hr", "img", "input", "isindex", "link",
                                        "meta", "param", "source", "spacer", "wbr"};
    for (const char* n : names)
        if (LowerCaseName == n)
            return true;
    return false;
}

bool UrlAttributesOf(const std::string& TagName, std::string& Names, int& Count)
{
    static const std::pair<const char*, const char*> table[] = {
        {"a", "href archive"},
        {"applet", "src object codebase archive"},
        {"area", "href"},
        {"base", "href"},
        {"bgsound", "src"},
        {"body", "background stylesrc"},
        {"embed", "src href pluginurl pluginspage"},
        {"form", "action"},
        {"frame", "src"},
        {"iframe", "src longdesc"},
        {"ilayer", "src background"},
        {"img", "src usemap lowsrc dynsrc vrml longdesc"},
        {"input", "src lowsrc"},
        {"isindex", "href action"},
        {"layer", "src background"},
        {"link", "href"},
        {"object", "data"},
    };
    for (const auto& e : table)
        if (SameTextStr(TagName, e.first)) {
            Names = e.second;
            Count = 1 + static_cast<int>(std::count(Names.begin(), Names.end(), ' '));
            return true;
        }
    Names.clear();
    Count = 0;
    return false;
}

int UrlAttributeValuePos(const std::string& TagName, const std::string& TagText)
{
    std::string names;
    int count = 0;
    if (!UrlAttributesOf(TagName, names, count))
        return 0;
    int pos = 1;
    std::string name;
    while (pos <= static_cast<int>(names.size())) {
        NextFieldByChar(names, pos, ' ', name, false);
        if (name.empty())
            continue;
        const int p = FindSubStr(TagText, name + "=", srWholeWord);
        if (p > 0)
            return p;
    }
    return 0;
}

TTagAttribute::TTagAttribute(const std::string& Text)
{
    const std::size_t eq = Text.find('=');
    if (eq == std::string::npos) {
        Name = Trimmed(Text);
        return;
    }
    Name = Trimmed(Text.substr(0, eq));
    std::size_t v = eq + 1;
    while (v < Text.size() && IsBlankOrControl(Text[v]))
        ++v;
    if (v >= Text.size())
        return;
    const std::string rest = Trimmed(Text.substr(v));
    const char q = Text[v];
    if ((q == '"' || q == '\'') && rest.size() >= 2 && rest.back() == q)
        Value = rest.substr(1, rest.size() - 2);
    else
        Value = rest;
}

TTagAttributes::TTagAttributes(const std::string& Text)
{
    // Worked by index over one trimmed copy: a hostile tag of a million
    // attributes must not copy its rest once per attribute.
    const std::string s = Trimmed(Text);
    const std::size_t n = s.size();
    std::size_t pos = 0;
    auto skipBlanks = [&](std::size_t From) {
        while (From < n && static_cast<unsigned char>(s[From]) <= 32)
            ++From;
        return From;
    };
    while (pos < n) {
        std::size_t i = pos;
        bool valueMode = false;
        char closing = ' ';
        bool added = false;
        while (i < n) {
            const char c = s[i];
            if (!valueMode) {
                if (c == '=') {
                    valueMode = true;
                    ++i;
                    while (i < n && static_cast<unsigned char>(s[i]) < 34)
                        ++i;
                    if (i < n && (s[i] == '"' || s[i] == '\'')) {
                        closing = s[i];
                        ++i;
                    } else {
                        closing = ' ';
                    }
                    if (i >= n) {
                        // Nothing follows the '=': a name without a value.
                        valueMode = false;
                        break;
                    }
                    continue;
                }
                if (c == ' ') {
                    AddNamed(s.substr(pos, i - pos));
                    pos = skipBlanks(i + 1);
                    added = true;
                    break;
                }
                ++i;
            } else {
                if (c == closing) {
                    AddParsed(s.substr(pos, i + 1 - pos));
                    pos = skipBlanks(i + 1);
                    added = true;
                    break;
                }
                ++i;
            }
        }
        if (added)
            continue;
        if (valueMode)
            AddParsed(s.substr(pos));
        else
            AddNamed(s.substr(pos));
        break;
    }
}

void TTagAttributes::AddNamed(const std::string& Name)
{
    Add(new TTagAttribute(Trimmed(Name), std::string()));
}

void TTagAttributes::AddParsed(const std::string& Text)
{
    Add(new TTagAttribute(Text));
}

int TTagAttributes::IndexOfName(const std::string& Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameTextStr(Items(i)->Name, Name))
            return i;
    return -1;
}

std::string TTagAttributes::GetValue(const std::string& Name) const
{
    const int i = IndexOfName(Name);
    return i < 0 ? std::string() : Items(i)->Value;
}

TTagParser::TTagParser(const std::string& TagText, bool AParseAttributes) : ParseAttributes(AParseAttributes)
{
    Parse(CleanTagText(TagText));
}

TTagParser::~TTagParser() = default;

void TTagParser::Parse(const std::string& S)
{
    Attributes.reset();
    Kind = tkStart;
    const std::size_t blank = S.find(' ');
    if (blank != std::string::npos) {
        Name = Trimmed(S.substr(0, blank));
        std::string rest = Trimmed(S.substr(blank + 1));
        if (!rest.empty() && rest.back() == '/') {
            Kind = tkSelfClosing;
            rest.pop_back();
            rest = Trimmed(rest);
        }
        if (ParseAttributes && !rest.empty())
            Attributes = std::make_unique<TTagAttributes>(rest);
    } else {
        Name = Trimmed(S);
    }
    if (!Name.empty() && Name[0] == '/') {
        Name.erase(0, 1);
        Kind = tkEnd;
    }
    if (Kind == tkStart && IsVoidElement(TableLowerCase(Name)))
        Kind = tkVoid;
}

std::string TTagParser::GetAttribute(const std::string& AttrName) const
{
    return Attributes ? Attributes->GetValue(AttrName) : std::string();
}

// ---------------------------------------------------------------------------
// Font-size stack
// ---------------------------------------------------------------------------

namespace {

// Round to the nearest integer, halves to the even one.
int RoundEven(double V)
{
    const double f = std::floor(V);
    const double d = V - f;
    if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0))
        return static_cast<int>(f) + 1;
    return static_cast<int>(f);
}

void ApplyFontSize(const std::string& V, int& Size)
{
    if (V.empty())
        return;
    if (V[0] == '+' || V[0] == '-') {
        const int n = StrToIntDef(V.substr(1), 0);
        if (n == 0)
            return;
        if (Size < 0)
            Size = 3;
        Size = V[0] == '+' ? std::min(Size + n, 7) : std::max(Size - n, 1);
        return;
    }
    int v = 0;
    if (TryStrToInt(V, v))
        Size = v;
    if (Size >= 8)
        Size = 7;
    else if (Size < 1)
        Size = 1;
}

// The number in a CSS length. CSS writes decimals with a point whatever the
// user's locale, so the point is read as the separator here.
int SizeNumber(const std::string& V, int NoNumber)
{
    std::string digits;
    for (char c : V)
        if (IsDigitChar(c) || c == '.')
            digits += c;
    int i = 0;
    if (TryStrToInt(digits, i))
        return i;
    if (!digits.empty() && digits.find('.') == digits.rfind('.') && digits != ".")
        return RoundEven(std::atof(digits.c_str()));
    return NoNumber;
}

void ReadStyleFontSize(const std::string& Style, int& Size)
{
    const int p = FindSubStr(Style, "font-size:", srWholeWord);
    if (p == 0)
        return;
    std::size_t b = static_cast<std::size_t>(p - 1) + 10;
    while (b < Style.size() && IsBlankOrControl(Style[b]))
        ++b;
    std::size_t e = b;
    while (e < Style.size() && Style[e] != ';' && Style[e] != '"' && static_cast<unsigned char>(Style[e]) > 32)
        ++e;
    const std::string v = Style.substr(b, e - b);
    if (v.empty())
        return;
    if (v[0] == '+' || v[0] == '-') {
        ApplyFontSize(v, Size);
        return;
    }
    if (IsDigitChar(v[0])) {
        const std::string unit = v.size() >= 2 ? v.substr(v.size() - 2) : std::string();
        int n = 0;
        if (v.find_first_not_of("0123456789") == std::string::npos && TryStrToInt(v, n))
            Size = -n;
        else if (SameTextStr(unit, "pt") || SameTextStr(unit, "px"))
            Size = -SizeNumber(v, -3);
        else if (v.back() == '%')
            Size = RoundEven(static_cast<double>(SizeNumber(v, 1)) * Size / 100.0);
        return;
    }
    static const std::pair<const char*, int> keywords[] = {
        {"xx-small", 0}, {"x-small", 1}, {"small", 2}, {"medium", 3}, {"large", 4}, {"x-large", 5}, {"xx-large", 6},
    };
    for (const auto& k : keywords)
        if (SameTextStr(v, k.first)) {
            Size = k.second;
            return;
        }
    if (SameTextStr(v, "smaller"))
        ApplyFontSize("-1", Size);
    else if (SameTextStr(v, "larger"))
        ApplyFontSize("+1", Size);
}

}  // namespace

THtmlText::THtmlText() : TStringList(true), FTagParser(std::make_unique<TTagParser>(std::string(), true)) {}

THtmlText::~THtmlText() = default;

void THtmlText::ProcessTag(const std::string& TagText)
{
    FTagParser->Parse(CleanTagText(TagText));
    const std::string& name = FTagParser->Name;
    static const char* const names[] = {"body", "basefont", "font", "table", "td", "th", "tr"};
    bool known = false;
    for (const char* n : names)
        known = known || SameTextStr(name, n);
    if (!known)
        return;
    if (FTagParser->Kind == tkEnd) {
        if (Count() > 0 && SameTextStr(Get(Count() - 1), name))
            Pop();
        return;
    }
    int size = TopFontSize();
    std::string fontSize;
    if (SameTextStr(name, "font") || SameTextStr(name, "basefont"))
        fontSize = FTagParser->GetAttribute("size");
    if (!fontSize.empty())
        ApplyFontSize(fontSize, size);
    else
        ReadStyleFontSize(FTagParser->GetAttribute("style"), size);
    AddObject(name, new THtmlTextAttr(size));
}

THtmlTextAttr* THtmlText::Top() const
{
    return Count() > 0 ? static_cast<THtmlTextAttr*>(GetObject(Count() - 1)) : nullptr;
}

int THtmlText::TopFontSize() const
{
    const THtmlTextAttr* top = Top();
    return top ? top->FontSize : 3;
}

bool THtmlText::IsTinyFont() const
{
    const THtmlTextAttr* top = Top();
    return top && top->FontSize >= -6 && top->FontSize <= 1;
}

bool THtmlText::IsInvisibleFont() const
{
    const THtmlTextAttr* top = Top();
    return top && top->FontSize >= -4 && top->FontSize <= 0;
}

void THtmlText::Pop()
{
    if (Count() > 0)
        Delete(Count() - 1);
}

// ---------------------------------------------------------------------------
// Comments, scripts and styles
// ---------------------------------------------------------------------------

std::string StripHtmlComments(const std::string& Text)
{
    // Built as a copy of the kept stretches, which gives the same text as
    // deleting in place and scanning on at the deletion point.
    std::string r;
    r.reserve(Text.size());
    const int len = static_cast<int>(Text.size());
    int i = 1;
    int kept = 1;  // first character not yet copied
    // Drops from the '<' at p through the closing marker found at Found
    // (0: missing, the whole rest goes); answers where the scan goes on.
    auto dropTo = [&](int p, int Found, int MarkerLen) {
        r.append(Text, kept - 1, p - kept);
        kept = Found > 0 ? Found + MarkerLen : len + 1;
        return kept;
    };
    while (i < len) {
        const int p = CharPosFrom('<', Text, i);
        if (p == 0)
            break;
        if (p == len) {
            r.append(Text, kept - 1, p - kept);
            kept = len + 1;
            break;
        }
        const char c = Text[p];
        if (c == '!' && p + 3 <= len && Text.compare(p + 1, 2, "--") == 0) {
            const std::size_t f = Text.find("-->", static_cast<std::size_t>(p + 3));
            i = dropTo(p, f == std::string::npos ? 0 : static_cast<int>(f) + 1, 3);
        } else if (c == '#' || c == '%' || c == '?') {
            const std::size_t f = Text.find(std::string(1, c) + ">", static_cast<std::size_t>(p + 1));
            i = dropTo(p, f == std::string::npos ? 0 : static_cast<int>(f) + 1, 2);
        } else if ((c == 's' || c == 'S') && StartsWithText(Text, p + 2, "cript")) {
            i = dropTo(p, SearchText(Text, "</script>", p + 7), 9);
        } else if ((c == 's' || c == 'S') && StartsWithText(Text, p + 2, "tyle")) {
            i = dropTo(p, SearchText(Text, "</style>", p + 6), 8);
        } else if ((c == 'p' || c == 'P') && StartsWithText(Text, p + 2, "re")) {
            const int f = SearchText(Text, "</pre>", p + 3);
            if (f == 0)
                break;
            i = f + 6;
        } else {
            i = p + 1;
        }
    }
    if (kept <= len)
        r.append(Text, kept - 1, std::string::npos);
    return r;
}

// ---------------------------------------------------------------------------
// The tokenizer
// ---------------------------------------------------------------------------

THtmlParser::THtmlParser(const std::string& AText)
    : FText(AText),
      FPos(AText.empty() ? 0 : 1),
      FLen(static_cast<int>(AText.size())),
      FTagParser(std::make_unique<TTagParser>(std::string(), false)),
      FFontStack(std::make_unique<THtmlText>())
{
}

THtmlParser::~THtmlParser() = default;

void THtmlParser::TagStep(int TokenStart, std::string& TagName, THtmlTokenKind& Kind)
{
    const std::string tagText = FText.substr(TokenStart - 1, FPos - TokenStart);
    FFontStack->ProcessTag(tagText);
    FTagParser->Parse(CleanTagText(tagText));
    TagName = FTagParser->Name;
    if (TagName.empty())
        return;
    const bool start = FTagParser->Kind == tkStart;
    const bool end = FTagParser->Kind == tkEnd;
    if (end && (TagName == "a" || TagName == "A")) {
        FInAnchor = false;
        if (FCharKind == htkAnchorText)
            FCharKind = htkText;
    } else {
        switch (TagName[0] | 0x20) {
        case 'p':
            if (SameTextStr(TagName, "pre")) {
                FRawElement = start ? rePre : reNone;
                if (start)
                    FCharKind = htkOpenPre;
            } else if (SameTextStr(TagName, "plaintext")) {
                FRawElement = start ? rePlainText : reNone;
            }
            break;
        case 's':
            if (SameTextStr(TagName, "script"))
                FRawElement = start ? reScript : reNone;
            else if (SameTextStr(TagName, "style"))
                FRawElement = start ? reStyle : reNone;
            break;
        case 't':
            if (SameTextStr(TagName, "title"))
                FRawElement = start ? reTitle : reNone;
            break;
        default:
            if (SameTextStr(TagName, "xmp")) {
                FRawElement = start ? reXmp : reNone;
            } else if (!end) {
                if (UrlAttributeValuePos(TagName, tagText) > 0)
                    Kind = htkUrlTag;
                if (SameTextStr(TagName, "a")) {
                    Kind = htkAnchor;
                    FInAnchor = true;
                    FCharKind = htkAnchorText;
                } else if (SameTextStr(TagName, "img")) {
                    Kind = htkImage;
                }
            }
            break;
        }
    }
    if (end)
        TagName = "/" + TagName;
}

// The raw element just opened (script, pre, style or title) is taken whole:
// the scan moves on to its closing tag, and what it passed over is a token
// of the element's kind. Without a closing tag the scan goes on as content.
void THtmlParser::SkipRawElement(THtmlTokenKind& Kind)
{
    if (FRawElement == reScript || FRawElement == rePre || FRawElement == reStyle ||
        FRawElement == reTitle) {
        const char* Closer = FRawElement == reScript ? "</script"
                             : FRawElement == rePre  ? "</pre"
                             : FRawElement == reStyle ? "</style"
                                                      : "</title";
        const int P = SearchText(FText, Closer, FPos, nullptr, srWholeWord);
        if (P > 0) {
            FPos = P;
            Kind = FRawElement;
            FState = 0;
        }
        FRawElement = reNone;
    }
}

// Character C at FPos in content: the kind of token it belongs to, and the
// markup or comment state a token of another kind starts. Kind is the kind
// of the token being scanned; CommentEnd is the comment end found by this
// call's search (-1 not searched, 0 missing).
void THtmlParser::ScanContent(char C, THtmlTokenKind Kind, THtmlTokenKind TextKind, int& CommentEnd, bool& Advance)
{
    const std::string& S = FText;
    THtmlTokenKind K = FCharKind;
    if (C == '&') {
        const char N = At(S, FPos + 1);
        K = FPos < FLen && (N == '#' || IsAsciiLetter(N)) ? htkReference : TextKind;
    } else if (C == ';') {
        if (Kind == htkReference) {
            ++FPos;
            // The character after the ';' starts the next token and
            // must be looked at, like the one after a tag's '>'.
            Advance = false;
            K = TextKind;
        }
    } else if (C == '\r' || C == '\n') {
        if (Kind != htkOpenPre)
            K = TextKind;
    } else if (C == '<') {
        if (FRawElement == rePlainText) {
            K = TextKind;
            if (FPos + 9 < FLen && At(S, FPos + 1) == '/' && StartsWithText(S, FPos + 2, "plaintext"))
                K = htkTag;
        } else if (FPos == FLen) {
            K = htkComment;
        } else {
            const char N = S[FPos];
            if (N == '?' || N == '%' || N == '#') {
                K = htkServer;
                FServerEnd = N;
                const int Q = CharPosFrom(N, S, FPos + 2);
                if (Q == 0 || At(S, Q - 1) == '<')
                    FServerEnd = 0;
            } else if (N == '!' && FText.compare(FPos, 3, "!--") == 0) {
                // One search serves every comment of this call
                // until the scan passes the end it found.
                if (CommentEnd < 0 || (CommentEnd > 0 && CommentEnd < FPos + 4)) {
                    const std::size_t Found = FText.find("-->", static_cast<std::size_t>(FPos + 3));
                    CommentEnd = Found == std::string::npos ? 0 : static_cast<int>(Found) + 1;
                }
                K = CommentEnd >= FPos + 4 ? htkComment : htkDeclaration;
            } else if (N == '!') {
                K = htkDeclaration;
            } else {
                K = htkTag;
            }
        }
    } else if (Kind != htkReference && Kind != htkOpenPre) {
        K = TextKind;
    }
    FCharKind = K;
    if (K != Kind) {
        if (K == htkComment)
            FState = 2;
        else if ((K >= htkTag && K <= htkServer) || (K >= htkImage && K <= htkUrlTag))
            FState = 1;
    }
}

bool THtmlParser::NextToken(std::string& Text, std::string& TagName, THtmlTokenKind& Kind)
{
    Text.clear();
    TagName.clear();
    Kind = FCharKind;
    if (FPos == 0 || FPos > FLen)
        return false;
    int TokenStart = FPos;
    int CommentEnd = -1;  // -1 not searched yet, 0 missing, else found
    bool Advance = true;
    const std::string& S = FText;
    while (FPos <= FLen) {
        const THtmlTokenKind TextKind = FInAnchor ? htkAnchorText : htkText;
        SkipRawElement(Kind);
        const char C = S[FPos - 1];
        switch (FState) {
        case 0:
            ScanContent(C, Kind, TextKind, CommentEnd, Advance);
            break;
        case 1:
            if (C == '>' && (Kind != htkServer || FServerEnd == 0 || (FPos > 1 && S[FPos - 2] == FServerEnd))) {
                ++FPos;
                Advance = false;
                FCharKind = TextKind;
                FState = 0;
                if (Kind != htkServer)
                    TagStep(TokenStart, TagName, Kind);
            }
            break;
        default:
            if (C == '>' && FPos > 2 && S[FPos - 2] == '-' && S[FPos - 3] == '-') {
                ++FPos;
                Advance = false;
                FCharKind = TextKind;
                FState = 0;
            }
            break;
        }
        if (FCharKind != Kind || FPos == FLen) {
            const bool Switched = FCharKind != Kind;
            if (ReportSet & HtmlTokenBit(Kind)) {
                if (FCharKind == Kind)
                    ++FPos;
                Text = S.substr(TokenStart - 1, FPos - TokenStart);
                if (FRawElement != rePre && FRawElement != rePlainText && FRawElement != reXmp && !Text.empty()) {
                    bool Blank = true;
                    for (char T : Text)
                        Blank = Blank && (static_cast<unsigned char>(T) <= 13 || T == ' ' || T == NoBreakSpace);
                    if (Blank)
                        Text = FPos > FLen ? std::string() : std::string(1, '\x01');
                }
                if (!Text.empty())
                    return true;
            }
            TokenStart = FPos;
            Kind = FCharKind;
            TagName.clear();
            // The last character starting a token of its own ("<b><" or a
            // lone "<") is looked at once more as that token, or it is lost.
            if (Switched && FPos == FLen && Advance)
                continue;
        }
        if (Advance)
            ++FPos;
        else
            Advance = true;
    }
    return false;
}
