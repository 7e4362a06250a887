#include "mail/KvMailUtils.h"

#include <algorithm>

#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"

namespace {

const char CRLF[] = "\r\n";

int Len(const std::string& S)
{
    return static_cast<int>(S.size());
}

// Markers of HTML are whole words only at their end: "<bodyx" is no body.
int FindMarker(const std::string& Html, const std::string& Marker, bool WholeWord, int Start = 1)
{
    return SearchText(Html, Marker, Start, nullptr, WholeWord ? TSearchOptions(srWholeWord) : 0u);
}

const TCharSet& DomainChars()
{
    static const TCharSet set = TCharSet("-._") + TCharSet::Range('0', '9') + TCharSet::Range('A', 'Z') +
                                TCharSet::Range('a', 'z');
    return set;
}

const TCharSet& LiteralDomainChars()
{
    static const TCharSet set = TCharSet(".[]") + TCharSet::Range('0', '9');
    return set;
}

const TCharSet& LocalPartChars()
{
    static const TCharSet set = TCharSet("!#$%&'*+-./=?^_`{|}~") + TCharSet::Range('0', '9') +
                                TCharSet::Range('A', 'Z') + TCharSet::Range('a', 'z');
    return set;
}

// Some writers put a parameter into an HTML close tag instead of an address
// ("</a href=...>"); the tag is then the best there is.
std::string MarkupAddress(const std::string& Text, int From, int& Start, int& Length)
{
    const int p = LastPos("</", Text, From > 0 ? From : Len(Text));
    if (p == 0)
        return std::string();
    const int e = CharPosFrom('>', Text, p + 2);
    if (e == 0)
        return std::string();
    std::string tag = Text.substr(p - 1, e - p + 1);
    if (tag.find('=') == std::string::npos)
        return std::string();
    Start = p;
    Length = e - p + 1;
    return tag;
}

} // namespace

bool SetHtmlTitle(std::string& Html, const std::string& Title)
{
    int p = FindMarker(Html, "<title>", false);
    if (p > 0) {
        const int e = FindMarker(Html, "</title>", false, p + 7);
        if (e == 0)
            return false;
        Html.replace(p + 6, e - p - 7, Title);
        return true;
    }
    p = FindMarker(Html, "</head>", false);
    if (p > 0) {
        Html.insert(p - 1, "<title>" + Title + "</title>" + CRLF);
        return true;
    }
    p = FindMarker(Html, "<body", true);
    if (p > 0) {
        Html.insert(p - 1, "<head><title>" + Title + "</title></head>" + CRLF);
        return true;
    }
    p = FindMarker(Html, "<html", true);
    if (p == 0)
        p = FindMarker(Html, "<!doctype", true);
    if (p == 0)
        p = FindMarker(Html, "<x-html>", false);
    if (p == 0)
        return false;
    const int e = CharPosFrom('>', Html, p + 1);
    if (e == 0)
        return false;
    Html.insert(e, std::string(CRLF) + "<head><title>" + Title + "</title></head>");
    return true;
}

int HtmlBodyStart(const std::string& Html)
{
    if (Html.empty())
        return 0;
    static const char* const markers[] = {"<body", "</head", "<html", "<!doctype"};
    for (const char* m : markers) {
        const int p = FindMarker(Html, m, true);
        if (p == 0)
            continue;
        const int e = CharPosFrom('>', Html, p + Len(m));
        if (e == 0)
            return 0;
        int r = e + 1;
        while (r <= Len(Html) && (Html[r - 1] == '\r' || Html[r - 1] == '\n'))
            ++r;
        return r;
    }
    return 1;
}

std::string UrlToLocalPath(const std::string& Url)
{
    std::string s = Url;
    if (s.size() >= 7 && SameTextStr(s.substr(0, 7), "file://")) {
        s.erase(0, 7);
        if (s.size() > 2 && s[0] == '/' && (s[2] == '|' || s[2] == ':'))
            s.erase(0, 1);
        if (s.size() > 1 && s[1] == '|')
            s[1] = ':';
    } else {
        const auto scheme = s.find("://");
        if (scheme != std::string::npos) {
            s.erase(0, scheme + 3);
            const auto slash = s.find('/');
            if (slash != std::string::npos && slash > 0)
                s.erase(0, slash);
        }
    }
    for (int i = Len(s) - 1; i >= 0; --i) {
        if (s[i] == '/') {
            s[i] = '\\';
        } else if (s[i] == '%') {
            // An escape that would give a NUL byte stays as it is: a NUL
            // would silently cut the path short at the file system.
            const int avail = std::min(2, Len(s) - i - 1);
            int value = 0;
            bool ok = avail > 0;
            for (int k = 1; ok && k <= avail; ++k) {
                const int d = HexDigitValue(s[i + k]);
                ok = d >= 0;
                value = value * 16 + d;
            }
            if (ok && value != 0)
                s.replace(i, avail + 1, 1, static_cast<char>(value));
        }
    }
    return s;
}

std::string FileNameFromUrl(const std::string& Url)
{
    std::string s = Url.substr(0, Url.find('?'));
    const auto sep = s.find_last_of("/\\");
    if (sep != std::string::npos)
        s.erase(0, sep + 1);
    return UrlToLocalPath(s);
}

std::string FindLastEmailAddress(const std::string& Text)
{
    int start = 0;
    int length = 0;
    return FindEmailAddress(Text, 0, true, start, length);
}

std::string FindEmailAddress(const std::string& Text, int From, bool AllowMarkup, int& Start, int& Len)
{
    Start = 0;
    Len = 0;
    const int n = ::Len(Text);
    if (From <= 0 || From > n)
        From = From <= 0 ? 0 : n;
    const int p = LastCharPos('@', Text, From > 0 ? From : n);
    if (p == 0) {
        if (AllowMarkup && n > From + 5)
            return MarkupAddress(Text, From, Start, Len);
        return std::string();
    }
    if (p == n)
        return std::string();

    const bool literal = Text[p] == '[';
    const TCharSet& domainSet = literal ? LiteralDomainChars() : DomainChars();
    int e = p;  // last position of the domain
    while (e < n && domainSet.Contains(Text[e]))
        ++e;
    if (e < p + 4)
        return std::string();

    int s = p;  // first position of the local part
    while (s > 1 && LocalPartChars().Contains(Text[s - 2]))
        --s;
    if (s < p && Text[s - 1] == '\'')
        ++s;
    if (s == p)
        return std::string();

    std::string address = Text.substr(s - 1, e - s + 1);
    if (literal) {
        if (address.back() != ']')
            return std::string();
    } else {
        const int dot = s - 1 + LastCharPos('.', address);  // position in Text
        if (dot < s || dot - p < 2 || e - dot > 6)
            return std::string();
    }
    Start = s;
    Len = e - s + 1;
    return address;
}

std::string FromLineDate(const std::string& Line)
{
    if (Line.size() < 19 || Line.compare(0, 5, "From ") != 0)
        return std::string();
    const auto eol = Line.find_first_of("\r\n");
    const std::string first = Line.substr(0, eol);
    if (first.size() < 19)
        return std::string();
    const auto blank = first.find(' ', 5);
    if (blank == std::string::npos)
        return std::string();
    return first.substr(blank + 1);
}

std::string TextAfterLastSemicolon(const std::string& Text)
{
    const auto p = Text.rfind(';');
    return p == std::string::npos ? std::string() : Text.substr(p + 1);
}

std::string CharsetOfContentType(const std::string& Text)
{
    if (Text.empty())
        return std::string();
    const int p = SearchText(Text, "charset", -1, nullptr, srWholeWord);
    if (p == 0)
        return std::string();
    int i = p + 7;  // 1-based, just after the word
    const int n = Len(Text);
    while (i <= n && (Text[i - 1] == '=' || static_cast<unsigned char>(Text[i - 1]) <= 32))
        ++i;
    if (i > n)
        return std::string();
    // The value ends at a quote or ';' after its first character, so that a
    // quoted value keeps its text; the opening quote itself is no part of the
    // charset name and would make every code-page lookup fail.
    int e = i + 1;
    while (e <= n && Text[e - 1] != '"' && Text[e - 1] != ';')
        ++e;
    std::string value = Text.substr(i - 1, e - i);
    if (value.size() >= 2 && value.compare(0, 2, "3D") == 0) {
        value.erase(0, 2);
        std::string kept;
        for (char c : value)
            if (c != '=' && static_cast<unsigned char>(c) > 32)
                kept += c;
        value = kept;
    }
    if (!value.empty() && value[0] == '"')
        value.erase(0, 1);
    return value;
}

void EscapeFromLines(std::string& Text, int Start)
{
    if (Start < 1)
        Start = 1;
    const int n = Len(Text);
    if (n - Start + 1 < 5)
        return;
    if (Start == 1 && Text.compare(0, 5, "From ") == 0)
        Text[0] = 'f';
    for (int p = PosFrom("\nFrom ", Text, Start); p > 0; p = PosFrom("\nFrom ", Text, p + 1))
        Text[p] = 'f';
}
