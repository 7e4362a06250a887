#include "mail/KvFromLine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "foundation/KvDates.h"
#include "foundation/KvMd5.h"
#include "foundation/KvStrings.h"
#include "mail/KvMailUtils.h"
#include "mail/KvMimeHeaders.h"

int GFromLineLookAhead = 76;

namespace {

const char CRLF[] = "\r\n";
const char UnknownSender[] = "???@???";

int Len(std::string_view S)
{
    return static_cast<int>(S.size());
}

bool IsBreak(char C)
{
    return C == '\r' || C == '\n';
}

// 1-based character of S; callers keep I within 1..size.
char At(std::string_view S, int I)
{
    return S[static_cast<std::size_t>(I - 1)];
}

// The first CR or LF at or after Start up to Last; 0 when none.
int LineBreakPos(std::string_view Text, int Start, int Last)
{
    for (int i = Start; i <= Last; ++i)
        if (IsBreak(At(Text, i)))
            return i;
    return 0;
}

// The 1-based position of the first blank at or after Start; 0 when none.
int BlankPosFrom(std::string_view Text, int Start)
{
    const std::size_t At = Text.find(' ', static_cast<std::size_t>(Start - 1));
    return At == std::string_view::npos ? 0 : static_cast<int>(At) + 1;
}

void TrimTrailingLineBreaks(std::string& S)
{
    while (!S.empty() && IsBreak(S.back()))
        S.pop_back();
}

const TCharSet& AddressChars()
{
    static const TCharSet set = TCharSet::Range(33, 126) - TCharSet("\"(),:;<>[\\]");
    return set;
}

// Refused inside a mail address although they lie between "'" and "z".
bool IsRefusedAddressChar(char C)
{
    return C != '\0' && std::strchr("()*,/:;<=>?\\^`", C) != nullptr;
}

std::string WithoutAngles(const std::string& S)
{
    if (S.size() > 1 && S.front() == '<' && S.back() == '>')
        return S.substr(1, S.size() - 2);
    return S;
}

// Some writers put a placeholder word where the sender belongs (Mozilla's
// "-", Eudora's "???@???", daemons' names, addresses masked as "@xxx"); an
// empty address counts only when the line ends right after "From ".
bool IsAcceptedAddress(const std::string& A, bool EndsWithBreak)
{
    switch (A.size()) {
    case 0:
        return EndsWithBreak;
    case 1:
        return A[0] == '-' || A[0] == '@';
    case 7:
        return A == UnknownSender || IsValidMailAddress(A);
    case 12:
        return SameTextStr(A, "BACKUPDAEMON") || IsValidMailAddress(A);
    case 13:
        return SameTextStr(A, "MAILER-DAEMON") || IsValidMailAddress(A);
    default:
        break;
    }
    if (IsValidMailAddress(A))
        return true;
    const auto p = A.find("@xxx");
    return p != std::string::npos && p + 4 == A.size();
}

// Each character of an asctime date by its kind: a letter, a digit, a
// digit or a blank (the day of the month), or itself.
constexpr std::string_view AscTimeShape = "AAA AAA d# ##:##:## ####";

bool ParsesAsAscTime(const std::string& S)
{
    return ParseAscTimeDate(S) >= 0;
}

// The bare address of the first address of a field value.
std::string FirstAddressOf(const std::string& Value)
{
    int pos = 1;
    const std::string first = NextAddress(Value, pos);
    std::string a = FindLastEmailAddress(first);
    if (a.empty()) {
        const auto open = first.find('<');
        const auto close = first.find('>', open == std::string::npos ? 0 : open);
        a = open != std::string::npos && close != std::string::npos ? first.substr(open + 1, close - open - 1)
                                                                    : first;
    }
    return a;
}

std::string SenderAddressOf(const std::string& Text)
{
    const char* const fields[] = {"Sender", "From", "Reply-To"};
    for (const char* name : fields) {
        const std::string value = GetDecodedField(name, Text, false);
        if (value.empty())
            continue;
        std::string a = FirstAddressOf(value);
        if (a.empty())
            continue;
        CleanFromLineAddress(a);
        return a;
    }
    return "MAILER-DAEMON";
}

// The message's own date in local time: its Date field, else the date of
// its first Received field, so that a line is always written with a date
// that a reader can parse.
TDateTime OwnLocalDate(const std::string& Text)
{
    const std::string header = HeaderPartOf(Text, false);
    TDateTime d = MailDateToLocal(GetHeaderField(header, FieldDate), -1);
    if (d < 0)
        d = MailDateToLocal(GetReceivedDateText(header, true), -1);
    return d < 0 ? NoDateValue : d;
}

std::string DigestLineText(const std::string& Text)
{
    const int body = FindBodyStart(Text, 1);
    std::string line = std::string("From MD5: $00 $") + IntToHex(body, 6) + " $" + IntToHex(Len(Text) + 2, 8) +
                       " $00000000 $" + MD5HexOfString(Text) + CRLF;
    const std::string length = IntToHex(Len(line), 2);
    if (length.size() == 2)
        line.replace(11, 2, length);
    return line;
}

// Fills a short date text up to the asctime layout; false when no rule
// applies any more.
bool PadShortDate(std::string& S)
{
    if (S.size() == 22 && S[19] == ' ') {
        const int year = StrToIntDef(S.substr(20), -1);
        S.insert(20, year >= 0 && year < 71 ? "20" : "19");
        return true;
    }
    while (S.size() < 24) {
        const auto colon = S.find(':');
        const auto colon2 = colon == std::string::npos ? colon : S.find(':', colon + 1);
        if (S[2] == ' ')
            S.insert(2, "u");
        else if (colon != std::string::npos && colon >= 2 && S[colon - 2] == ' ')
            S.insert(colon - 1, "0");
        else if (colon2 != std::string::npos && (colon2 + 2 >= S.size() || S[colon2 + 2] == ' '))
            S.insert(colon2 + 1, "0");
        else
            return false;
    }
    return true;
}

} // namespace

int FromLineLength(const std::string& Text)
{
    if (Text.compare(0, 5, "From ") != 0)
        return 0;
    const auto lf = Text.find('\n');
    return lf == std::string::npos ? 0 : static_cast<int>(lf) + 1;
}

std::string GetFromLine(const std::string& Text)
{
    return Text.substr(0, static_cast<std::size_t>(FromLineLength(Text)));
}

TFromLineKind GetFromLineKind(const std::string& Text)
{
    const int n = FromLineLength(Text);
    if (n == 0)
        return flkNone;
    if (n >= 75 && Text.compare(5, 5, "MD5: ") == 0)
        return flkDigest;
    if (n >= 7 && At(Text, 6) == '-' && At(Text, 7) == ' ')
        return flkDash;
    if (n >= 12 && At(Text, 6) == '?' && At(Text, 9) == '@' && At(Text, 12) == '?')
        return flkUnknown;
    const int colon = CharPosFrom(':', Text, 6);
    if (colon == 0 || colon > n)
        return flkOther;
    const int blanks = CountCharInRange(Text, ' ', 6, colon - 5);
    if (blanks == 4)
        return flkSender;
    // asctime pads a one-digit day with a blank, which adds a fifth one
    if (blanks == 5) {
        const auto doubled = Text.find("  ", 5);
        if (doubled != std::string::npos && static_cast<int>(doubled) + 2 <= n)
            return flkSender;
    }
    return flkOther;
}

void TrimLeadingLineBreaks(std::string& Text)
{
    const auto p = Text.find_first_not_of("\r\n");
    Text.erase(0, p == std::string::npos ? Text.size() : p);
}

std::size_t FromLineSkip(const std::string& Text)
{
    const std::size_t start = std::min(Text.find_first_not_of("\r\n"), Text.size());
    if (Text.compare(start, 5, "From ") != 0)
        return start;
    const auto lf = Text.find('\n', start);
    return lf == std::string::npos ? start : lf + 1;
}

void DeleteFromLine(std::string& Text)
{
    Text.erase(0, FromLineSkip(Text));
}

std::string GetFromLineDate(const std::string& Text)
{
    const int n = FromLineLength(Text);
    if (n < 30 || (At(Text, 9) == ':' && At(Text, 11) == '$'))
        return std::string();
    int addressEnd = 6;
    if (At(Text, 6) == '<') {
        addressEnd = CharPosFrom('>', Text, 6);
        if (addressEnd == 0 || addressEnd > n)
            return std::string();
    }
    const int blank = CharPosFrom(' ', Text, addressEnd);
    if (blank == 0 || blank >= n)
        return std::string();
    // The line may end in LF alone: only its own line break goes, never a
    // character of the year.
    std::string s = Text.substr(static_cast<std::size_t>(blank), static_cast<std::size_t>(n - blank));
    TrimTrailingLineBreaks(s);
    if (s.size() > 24) {
        s = TrimCharSetStr(s, true, TCharSet::Range(0, 32));
        const std::size_t len = s.size();
        if (len > 6 && s[len - 6] == ' ' && (s[len - 5] == '+' || s[len - 5] == '-'))
            s.erase(len - 6);
        if (s.size() == 30) {
            const auto zone = s.find(" +0000");
            if (zone != std::string::npos)
                s.erase(zone, 6);
        }
        if (s.size() > 24 && s[s.size() - 5] == ' ' && (s[s.size() - 4] == '1' || s[s.size() - 4] == '2'))
            s.erase(0, s.size() - 24);
    }
    if ((s.size() == 22 || s.size() == 23) && !PadShortDate(s))
        return std::string();
    return s.size() == 24 ? s : std::string();
}

bool IsStrictFromLine(std::string_view Text, int Pos)
{
    const int n = Len(Text);
    if (Pos < 1 || Pos + 4 > n)
        return false;
    const int p = Pos + 5;
    const int lineBreak = LineBreakPos(Text, p, n - 1);
    const int blank = p <= n ? BlankPosFrom(Text, p) : 0;
    int e = lineBreak;
    if (e == 0 || (blank > 0 && blank < e))
        e = blank;
    if (e == 0)
        return n - p + 1 < GFromLineLookAhead && IsAddressText(std::string(Text));
    const bool endsWithBreak = e == lineBreak;

    const std::string address =
        WithoutAngles(std::string(Text.substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(e - p))));
    const int dateStart = endsWithBreak ? 0 : e + 1;
    const auto dateFollows = [&] { return dateStart > 0 && IsAsctimeDateAt(Text, dateStart); };

    if (!IsAcceptedAddress(address, endsWithBreak)) {
        // An address text that ends in '@' still gets the header test.
        const bool goesOn = !address.empty() && address.back() == '@' && IsAddressText(address);
        if (!goesOn)
            return dateFollows();
    }
    const int next = LineBreakPos(Text, p, n);
    if (next == 0)
        return true;
    int lineStart = next + 1;
    if (lineStart <= n && IsBreak(At(Text, lineStart)) && At(Text, lineStart) != At(Text, next))
        ++lineStart;  // CR LF or LF CR
    // A bare "From " as the text's last line is body text whatever its
    // break: its LF and CR forms never reach here, and a copy that gives
    // the line its CR LF must read back as its source.
    if (lineStart > n)
        return !address.empty();
    if (IsHeaderLineAt(Text, lineStart))
        return true;
    return dateFollows();
}

namespace {

bool AllDigits(const std::string& S, std::size_t Min, std::size_t Max)
{
    if (S.size() < Min || S.size() > Max)
        return false;
    return std::all_of(S.begin(), S.end(), [](char C) { return C >= '0' && C <= '9'; });
}

// "hh:mm" or "hh:mm:ss" with every field in range.
bool IsClockText(const std::string& S)
{
    const std::size_t c1 = S.find(':');
    if (c1 == std::string::npos)
        return false;
    const std::size_t c2 = S.find(':', c1 + 1);
    const std::string h = S.substr(0, c1);
    const std::string m = S.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
    const std::string sec = c2 == std::string::npos ? "00" : S.substr(c2 + 1);
    return AllDigits(h, 1, 2) && AllDigits(m, 2, 2) && AllDigits(sec, 2, 2) && std::stoi(h) < 24 &&
           std::stoi(m) < 60 && std::stoi(sec) < 61;
}

// "+0100", "-0530", or a zone name such as "PST".
bool IsZoneText(const std::string& S)
{
    if (S.size() == 5 && (S[0] == '+' || S[0] == '-'))
        return AllDigits(S.substr(1), 4, 4);
    return S.size() >= 2 && S.size() <= 5 &&
           std::all_of(S.begin(), S.end(), [](char C) { return C >= 'A' && C <= 'Z'; });
}

}  // namespace

bool IsLooseFromLine(std::string_view Text, int Pos)
{
    const int n = Len(Text);
    if (Pos < 1 || Pos + 4 > n || Text.compare(static_cast<std::size_t>(Pos - 1), 5, "From ") != 0)
        return false;
    // The whole line must be in the text: a date cut off by its end proves
    // nothing.
    const int lineBreak = LineBreakPos(Text, Pos + 5, n);
    if (lineBreak == 0)
        return false;
    std::vector<std::string> words;
    std::string word;
    for (int i = Pos + 5; i < lineBreak; ++i) {
        const char c = At(Text, i);
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);

    // From the end: the year, with a zone before or after it, a clock, the
    // day of the month, the month and the day names; one word or more of
    // sender before them.
    std::size_t end = words.size();
    auto year = [&](std::size_t I) { return AllDigits(words[I], 4, 4); };
    auto dayOfMonth = [&](std::size_t I) {
        return AllDigits(words[I], 1, 2) && std::stoi(words[I]) >= 1 && std::stoi(words[I]) <= 31;
    };
    auto month = [&](std::size_t I) { return words[I].size() == 3 && ParseMonthName(words[I]) > 0; };
    // Some writers put the header's date form in the line: "Mon, 5 Jan 2004
    // 08:50:15 +0100" (the day name optional), with the zone it requires.
    if (end >= 5 && IsZoneText(words[end - 1]) && IsClockText(words[end - 2]) && year(end - 3) &&
        month(end - 4) && dayOfMonth(end - 5)) {
        std::size_t rest = end - 5;
        if (rest >= 1 && words[rest - 1].size() == 4 && words[rest - 1].back() == ',' &&
            ParseDayName(words[rest - 1].substr(0, 3)) > 0)
            --rest;
        if (rest >= 1)
            return true;
    }
    if (end >= 2 && IsZoneText(words[end - 1]) && year(end - 2))
        end -= 2;
    else if (end >= 2 && year(end - 1) && IsZoneText(words[end - 2]))
        end -= 2;
    else if (end >= 1 && year(end - 1))
        end -= 1;
    else
        return false;
    if (end < 5)
        return false;
    return IsClockText(words[end - 1]) && dayOfMonth(end - 2) && month(end - 3) && ParseDayName(words[end - 4]) > 0;
}

bool IsCutFromLine(std::string_view Line)
{
    if (Line.size() <= 5 || Line.compare(0, 5, "From ") != 0 || Line.find_first_of("\r\n") != std::string_view::npos)
        return false;
    const std::string_view Rest = Line.substr(5);
    const size_t Blank = Rest.find(' ');
    const std::string Address(Rest.substr(0, Blank));
    if (Address.empty() || !IsAddressText(Address))
        return false;
    // Cut inside the sender: what it holds must be of an address.
    if (Blank == std::string_view::npos)
        return Address.find('@') != std::string::npos || Address == "-";
    const std::string_view Date = Rest.substr(Blank + 1);
    // A whole date makes a whole line, the last of the file without its
    // break: the separator of a message of nothing else.
    if (!IsAcceptedAddress(Address, false) || Date.size() >= AscTimeShape.size())
        return false;
    for (size_t I = 0; I < Date.size(); ++I) {
        const char C = Date[I];
        const bool Digit = C >= '0' && C <= '9';
        switch (AscTimeShape[I]) {
        case 'A':
            if (!std::isalpha(static_cast<unsigned char>(C)))
                return false;
            break;
        case '#':
            if (!Digit)
                return false;
            break;
        case 'd':
            if (!Digit && C != ' ')
                return false;
            break;
        default:
            if (C != AscTimeShape[I])
                return false;
        }
    }
    return true;
}

bool IsHeaderLineAt(std::string_view Text, int Pos)
{
    const int n = Len(Text);
    if (Pos < 1 || Pos > n)
        return false;
    // A name runs to 997 characters at most: no need to look further.
    const int last = std::min(n, Pos + 997);
    for (int i = Pos; i <= last; ++i) {
        const unsigned char c = static_cast<unsigned char>(At(Text, i));
        if (c == ':')
            return i - Pos >= 2;
        if (c < 33 || c > 126)
            return false;
    }
    return false;
}

bool IsAsctimeDateAt(std::string_view Text, int Pos)
{
    const int n = Len(Text);
    if (Pos < 1 || Pos > n)
        return false;
    int start = Pos;
    if (At(Text, start) == ' ')
        ++start;
    const int blank = BlankPosFrom(Text, start);
    if (blank == 0 ||
        ParseDayName(std::string(Text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(blank - start)))) < 0)
        return false;
    // The date ends at the first line break of either kind: an LF file may
    // hold a stray CR much further on.
    int end = LineBreakPos(Text, blank, std::min(n, start + 40));
    if (end == 0) {
        if (n - start + 1 > 40)
            return false;  // no asctime text is that long
        end = n + 1;
    }
    std::string date(Text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start)));
    if (ParsesAsAscTime(date))
        return true;
    const auto zone = date.find(" +0000");
    if (zone == std::string::npos)
        return false;
    date.erase(zone, 6);
    return ParsesAsAscTime(date);
}

bool IsValidMailAddress(const std::string& S)
{
    const int n = Len(S);
    if (n < 6 || n > 254)
        return false;
    int at = 0;
    for (int i = 1; i <= n; ++i) {
        const char c = At(S, i);
        const char before = i > 1 ? At(S, i - 1) : '\0';
        if (c < '\'' || c > 'z' || IsRefusedAddressChar(c))
            return false;
        if (c == '@') {
            if (i == 1 || at > 0 || n - i < 3 || before == '.')
                return false;
            at = i;
        } else if (c == '.') {
            if (i == 1 || n - i < 2 || before == '.' || before == '@')
                return false;
        } else if (c == '[') {
            return at > 0 && at == i - 1 && S.back() == ']' &&
                   IsIPv4Address(S.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(n - i - 1)));
        }
    }
    if (at == 0)
        return false;
    const int dot = LastCharPos('.', S);
    if (dot > at)
        return IsAllLetters(S.substr(static_cast<std::size_t>(dot)));
    return IsAlphaNumericText(S.substr(static_cast<std::size_t>(at)));
}

bool IsAddressText(const std::string& S)
{
    for (char c : WithoutAngles(S))
        if (!AddressChars().Contains(c))
            return false;
    return true;
}

void CleanFromLineAddress(std::string& S)
{
    for (auto open = S.find('('); open != std::string::npos; open = S.find('(', open)) {
        const auto close = S.find(')', open);
        if (close == std::string::npos)
            break;
        S.erase(open, close - open + 1);
    }
    for (std::size_t i = S.size(); i-- > 0;) {
        const unsigned char c = static_cast<unsigned char>(S[i]);
        if (c == ' ' || c == '\t')
            S[i] = '_';
        else if (c < 32 || c >= 127 || std::strchr(",\"():;<>\\", c))
            S.erase(i, 1);
    }
    const auto at = S.find('@');
    const bool fits = at != std::string::npos && at > 0 && S.find('@', at + 1) == std::string::npos &&
                      S.size() <= 46 && S.size() - at - 1 >= 4;
    if (!fits)
        S = UnknownSender;
}

std::string BuildFromLineText(const std::string& Text, TFromLineKind Kind, TDateTime Date)
{
    if (Text.empty() || Kind == flkNone || Kind == flkOther)
        return Text;
    std::string t = Text;
    TrimTrailingLineBreaks(t);
    EscapeFromLines(t, 1);
    if (Kind == flkDigest)
        return DigestLineText(t) + t + CRLF;
    std::string address;
    if (Kind == flkDash)
        address = "-";
    else if (Kind == flkUnknown)
        address = UnknownSender;
    else
        address = SenderAddressOf(t);
    const TDateTime date = Date > 0 ? Date : OwnLocalDate(t);
    return "From " + address + " " + FormatAscTimeDate(date) + CRLF + t + CRLF;
}

void SetFromLineKind(std::string& Text, TFromLineKind Kind, TDateTime Date)
{
    if (GetFromLineKind(Text) == Kind)
        return;
    DeleteFromLine(Text);
    Text = BuildFromLineText(Text, Kind, Date);
}

void MakeMboxCopyText(std::string& Text)
{
    const int Line = FromLineLength(Text);
    if (Line == 0)
        Text = BuildFromLineText(Text, flkUnknown, 0);
    else
        EscapeFromLines(Text, Line);
}
