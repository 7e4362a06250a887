#include "foundation/KvDates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "foundation/KvStrings.h"
#include "foundation/KvTimeZones.h"

namespace {

// ---------------------------------------------------------------------------
// Small byte-level helpers. Mail dates are ASCII apart from foreign month
// names, whose accented letters are Windows-1252 bytes.
// ---------------------------------------------------------------------------

// A letter of a month or day name: ASCII or an accented Windows-1252 letter,
// so that foreign names such as "\xC1g\xFA" stay one word.
bool IsNameLetter(char C)
{
    const unsigned char b = static_cast<unsigned char>(C);
    return IsAsciiLetter(C) || (b >= 0xC0 && b != 0xD7 && b != 0xF7);
}

char UpperAscii(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }

// Case folding of Windows-1252 letters (ASCII plus the accented range).
unsigned char Fold1252(char C)
{
    const unsigned char b = static_cast<unsigned char>(C);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
        return static_cast<unsigned char>(b + 32);
    return b;
}

using KvDateBytes::AllDigits;
using KvDateBytes::DigitsValue;
using KvDateBytes::TrimBlanks;

int NumberOrZero(const std::string& S)
{
    const int v = DigitsValue(TrimBlanks(S));
    return v < 0 ? 0 : v;
}

int CurrentYear()
{
    int y, m, d;
    DecodeDate(DateClockNow(), y, m, d);
    return y;
}

// ---------------------------------------------------------------------------
// Injectable clock and short-date layout
// ---------------------------------------------------------------------------

TDateClock& ClockHook()
{
    static TDateClock clock;
    return clock;
}

struct TLayoutState {
    bool Known = false;
    std::string Layout;
    bool MonthFirst = false;
};

TLayoutState& LayoutState()
{
    static TLayoutState state;
    return state;
}

}  // namespace

void SetDateClock(TDateClock Clock) { ClockHook() = std::move(Clock); }

TDateTime DateClockNow()
{
    const TDateClock& c = ClockHook();
    return c ? c() : Now();
}

void SetShortDateLayout(const std::string& Layout)
{
    TLayoutState& s = LayoutState();
    s.Known = !Layout.empty();
    s.Layout = Layout;
    s.MonthFirst = IsMonthFirstDateFormat(Layout);
}

const std::string& ShortDateLayout()
{
    TLayoutState& s = LayoutState();
    if (!s.Known) {
        char buf[100] = {};
        s.Layout = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buf, sizeof buf) > 0
                       ? std::string(buf)
                       : std::string("dd/MM/yyyy");
        s.MonthFirst = IsMonthFirstDateFormat(s.Layout);
        s.Known = true;
    }
    return s.Layout;
}

bool MonthFirstDates()
{
    ShortDateLayout();
    return LayoutState().MonthFirst;
}

// ---------------------------------------------------------------------------
// Month names
// ---------------------------------------------------------------------------

namespace {

struct TMonthAlias {
    const char* Name;
    int Month;
    // Matched as a whole text, case ignored for A-Z only: the accented
    // letters must then match exactly.
    bool AsciiCaseOnly;
};

// First three letters of month names in the languages mail arrives in.
const TMonthAlias MonthAliases[] = {
    {"Jan", 1, false},         {"Ene", 1, false},         {"Gen", 1, false},
    {"Tam", 1, false},         {"Feb", 2, false},         {"Fev", 2, false},
    {"Hel", 2, false},         {"Mar", 3, false},         {"Maa", 3, false},
    {"Mrt", 3, false},         {"Mrz", 3, false},         {"Apr", 4, false},
    {"Abr", 4, false},         {"Avr", 4, false},         {"Huh", 4, false},
    {"May", 5, false},         {"Mag", 5, false},         {"Maj", 5, false},
    {"Mai", 5, false},         {"Mei", 5, false},         {"M\xED" "i", 5, false},
    {"Tou", 5, false},         {"Jun", 6, false},         {"J\xFA" "n", 6, false},
    {"Giu", 6, false},         {"Kes", 6, true},          {"Jul", 7, false},
    {"J\xFA" "l", 7, false},   {"Lug", 7, false},         {"Hei", 7, false},
    {"Aug", 8, false},         {"Ago", 8, false},         {"Agu", 8, false},
    {"Aou", 8, false},         {"Elo", 8, false},         {"\xC1" "g\xFA", 8, true},
    {"Sep", 9, false},         {"Set", 9, false},         {"Syy", 9, false},
    {"Oct", 10, false},        {"Okt", 10, false},        {"Ott", 10, false},
    {"Out", 10, false},        {"Lok", 10, false},        {"Nov", 11, true},
    {"N\xF3" "v", 11, true},   {"Dec", 12, false},        {"Dic", 12, false},
    {"Des", 12, false},        {"Dez", 12, false},        {"Jou", 12, false},
};

bool AliasMatches(const TMonthAlias& A, const std::string& Three)
{
    for (int i = 0; i < 3; ++i) {
        const char a = A.Name[i], t = Three[static_cast<std::size_t>(i)];
        if (A.AsciiCaseOnly) {
            if (a != t && !(IsAsciiLetter(a) && UpperAscii(a) == UpperAscii(t)))
                return false;
        } else if (Fold1252(a) != Fold1252(t)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int ParseMonthName(const std::string& Text)
{
    if (Text.size() < 3)
        return 0;
    const std::string three = Text.substr(0, 3);
    for (const TMonthAlias& a : MonthAliases)
        if (AliasMatches(a, three))
            return a.Month;
    return 0;
}

bool IsMonthFirstDateFormat(const std::string& Layout)
{
    auto first = [&](char Lower) {
        for (std::size_t i = 0; i < Layout.size(); ++i)
            if (Layout[i] == Lower || Layout[i] == UpperAscii(Lower))
                return static_cast<long>(i);
        return -1L;
    };
    const long d = first('d'), m = first('m'), y = first('y');
    return d >= 0 && m >= 0 && y >= 0 && m < d && m < y;
}


// ---------------------------------------------------------------------------
// The mail-date splitter
// ---------------------------------------------------------------------------

namespace {

enum TPlaceKind { pkFree, pkYear, pkMonth, pkDay };

struct TDateFields {
    int Year = -1, Month = -1, Day = -1;
    int Hour = 0, Minute = 0, Second = 0;
    int ThisCentury = 0;  // current year - 2000: two-digit years up to it are this century
    bool MonthFirst = false;

    void Place(int N, TPlaceKind Kind);
    bool Encode(TDateTime& Value) const;
};

void TDateFields::Place(int N, TPlaceKind Kind)
{
    const int y = ThisCentury;
    if (N >= 1 && N <= 31 && N <= y) {
        switch (Kind) {
        case pkDay: Day = N; break;
        case pkYear: Year = 2000 + N; break;
        case pkMonth: Month = N; break;
        case pkFree:
            if (Month != -1) {
                if (Year != -1)
                    Day = N;
                else
                    Year = 2000 + N;
            } else if (MonthFirst) {
                Month = N;
            } else if (Day == -1) {
                Day = N;
            } else {
                Month = N;
            }
            break;
        }
    } else if (N >= 1 && N <= 31) {
        // Too late to be a year of this century, so it is the day; a day held
        // before it was the year or the month all along.
        if (Day != -1 && Year == -1 && Day <= y)
            Year = 2000 + Day;
        else if (Month == -1)
            Month = Day;
        Day = N;
    } else {
        if (Year != -1) {
            const int r = Year >= 2000 ? Year - 2000 : Year >= 1900 ? Year - 1900 : Year;
            if (r >= 1 && r <= 31) {
                if (r >= 13)
                    Day = r;
                else if (Month == -1)
                    Month = r;
                else if (Day == -1)
                    Day = r;
            }
        }
        Year = N == 0 ? 2000 : N < 100 ? 1900 + N : N;
    }
}

bool TDateFields::Encode(TDateTime& Value) const
{
    if (Month < 1 || Day < 1 || Year == -1)
        return false;
    TDateTime d, t;
    if (!TryEncodeDate(Year, Month, Day, d) || !TryEncodeTime(Hour, Minute, Second, 0, t)) {
        Value = -1;
        return false;
    }
    Value = d + t;
    return true;
}

// Skips non-digits from Pos (0-based) and reads the digits there; -1 when none.
int ReadNextNumber(const std::string& S, std::size_t& Pos)
{
    while (Pos < S.size() && !IsDigitChar(S[Pos]))
        ++Pos;
    const std::size_t start = Pos;
    while (Pos < S.size() && IsDigitChar(S[Pos]))
        ++Pos;
    return Pos == start ? -1 : DigitsValue(S.substr(start, Pos - start));
}

std::string ReadNameWord(const std::string& S, std::size_t& Pos)
{
    while (Pos < S.size() && !IsNameLetter(S[Pos]))
        ++Pos;
    const std::size_t start = Pos;
    while (Pos < S.size() && IsNameLetter(S[Pos]))
        ++Pos;
    return S.substr(start, Pos - start);
}

// "AM"/"PM" as the last word of Text: cut off and returned upper-cased.
std::string CutTrailingDayHalf(std::string& Text)
{
    if (Text.size() < 3 || Text[Text.size() - 3] != ' ')
        return std::string();
    std::string w = Text.substr(Text.size() - 2);
    w[0] = UpperAscii(w[0]);
    w[1] = UpperAscii(w[1]);
    if (w != "AM" && w != "PM")
        return std::string();
    Text = TrimBlanks(Text.substr(0, Text.size() - 3));
    return w;
}

// Cuts the word holding the first ":" out of Text; empty when there is none.
std::string CutTimeToken(std::string& Text)
{
    const std::size_t colon = Text.find(':');
    if (colon == std::string::npos)
        return std::string();
    const std::size_t before = Text.rfind(' ', colon);
    const std::size_t tb = before == std::string::npos ? 0 : before + 1;
    std::size_t te = Text.find(' ', colon);
    if (te == std::string::npos)
        te = Text.size();
    const std::string token = Text.substr(tb, te - tb);
    Text = TrimBlanks(Text.substr(0, tb) + Text.substr(te));
    return token;
}

void ApplyDayHalf(int& Hour, const std::string& DayHalf)
{
    if (DayHalf == "PM" && Hour >= 1 && Hour <= 11)
        Hour += 12;
    else if (DayHalf == "AM" && Hour == 12)
        Hour = 0;
}

// Cuts the day name off S: everything up to the first comma, or the first
// word when the text starts with a letter. False when too little is left.
bool CutDayName(std::string& s)
{
    std::size_t p = s.find(',');
    if (p == std::string::npos && IsNameLetter(s[0]))
        p = s.find(' ');
    if (p != std::string::npos) {
        ++p;
        while (p < s.size() && s[p] == ' ')
            ++p;
        s.erase(0, p);
        if (s.size() < 6)
            return false;
    }
    return true;
}

// Cuts the zone, and an "AM"/"PM" before or after it, off the end of S.
// False when what is left cannot hold a date.
bool CutZone(std::string& s, std::string& ZoneText, std::string& dayHalf)
{
    std::size_t zonePos = s.find(" +");
    if (zonePos == std::string::npos)
        zonePos = s.find(" -");
    if (zonePos != std::string::npos) {
        ++zonePos;  // at the sign
    } else {
        const std::size_t n = s.size();
        const bool shape1 = s[n - 5] == ' ';
        const bool shape2 = n >= 6 && s[n - 6] == ' ' && s[n - 5] == '0';
        const std::string last4 = s.substr(n - 4);
        if ((shape1 || shape2) && s[n - 4] != '2' && AllDigits(last4) &&
            last4.compare(0, 2, "19") != 0)
            zonePos = shape1 ? n - 4 : n - 5;
    }
    if (zonePos != std::string::npos) {
        ZoneText = CleanZoneText(s.substr(zonePos));
        s.erase(zonePos - 1);
        dayHalf = CutTrailingDayHalf(s);
    } else if (!IsDigitChar(s.back())) {
        std::size_t lastDigit = s.size();
        while (lastDigit > 0 && !IsDigitChar(s[lastDigit - 1]))
            --lastDigit;
        // lastDigit is the 1-based position of the last digit.
        if (lastDigit < 6)
            return false;
        if (s.size() - lastDigit < 2)
            return false;
        std::size_t q = lastDigit;
        if (s[q] == ' ')
            ++q;
        std::string two = s.substr(q, 2);
        for (char& c : two)
            c = UpperAscii(c);
        if (two == "AM" || two == "PM") {
            dayHalf = two;
            if (s.size() - (q + 2) > 1)
                ZoneText = CleanZoneText(s.substr(q + 2));
        } else {
            ZoneText = CleanZoneText(s.substr(q));
        }
        s.erase(lastDigit);
    }
    return true;
}

// Cuts the clock ("h:m" or "h:m:s") out of S into F.
void CutTime(std::string& s, const std::string& dayHalf, TDateFields& f)
{
    const std::string token = CutTimeToken(s);
    if (token.empty())
        return;
    const std::size_t c1 = token.find(':');
    const std::size_t c2 = token.find(':', c1 + 1);
    f.Hour = NumberOrZero(token.substr(0, c1));
    f.Minute = NumberOrZero(token.substr(c1 + 1, c2 == std::string::npos ? std::string::npos
                                                                          : c2 - c1 - 1));
    f.Second = c2 == std::string::npos ? 0 : NumberOrZero(token.substr(c2 + 1));
    ApplyDayHalf(f.Hour, dayHalf);
}

// Cuts a four-digit year at the end, or at the start, out of S into F; true
// for a year first. A year first is the ISO order year, month, day on every
// locale: no layout writes the day between a leading year and the month.
bool CutFourDigitYear(std::string& s, TDateFields& f)
{
    auto digitsAt = [&](std::size_t From, std::size_t Count) {
        return From + Count <= s.size() && AllDigits(s.substr(From, Count));
    };
    if (s.size() >= 4 && digitsAt(s.size() - 4, 4) &&
        (s.size() == 4 || !IsDigitChar(s[s.size() - 5]))) {
        const int y = DigitsValue(s.substr(s.size() - 4));
        f.Year = (y >= 1960 && y <= 2200) ? y : -1;
        s = TrimBlanks(s.substr(0, s.size() - 4));
    } else if (digitsAt(0, 4) && (s.size() == 4 || !IsDigitChar(s[4]))) {
        f.Year = DigitsValue(s.substr(0, 4));
        s = TrimBlanks(s.substr(4));
        return true;
    }
    return false;
}

// Reads the day, the month (by name or number) and a year not yet found
// from what is left of the date into F; false when a number is missing.
bool ReadDayAndMonth(const std::string& s, bool yearFirst, TDateFields& f)
{
    std::size_t pos = 0;
    if (IsNameLetter(s[0])) {
        // Month name first.
        f.Month = ParseMonthName(ReadNameWord(s, pos));
        const int n = ReadNextNumber(s, pos);
        if (n < 0)
            return false;
        f.Place(n, pkDay);
        if (!(f.Year != -1 && f.Day != -1)) {
            const int m = ReadNextNumber(s, pos);
            if (m >= 0)
                f.Place(m, f.Year == -1 ? pkYear : pkDay);
        }
    } else if (s.size() >= 5 && IsNameLetter(s[4])) {
        // Day, then month name.
        const int n = ReadNextNumber(s, pos);
        if (n < 0)
            return false;
        f.Place(n, pkDay);
        f.Month = ParseMonthName(ReadNameWord(s, pos));
        if (f.Year == -1 || f.Day == -1) {
            const int m = ReadNextNumber(s, pos);
            if (m >= 0)
                f.Place(m, f.Year != -1 ? pkDay : pkYear);
        }
    } else {
        const int a = ReadNextNumber(s, pos);
        if (a < 0)
            return false;
        f.Place(a, yearFirst ? pkMonth : pkFree);
        const int b = ReadNextNumber(s, pos);
        if (b < 0)
            return false;
        f.Place(b, yearFirst ? pkDay : pkFree);
        if (!(f.Year != -1 && f.Month != -1 && f.Day != -1)) {
            const int c = ReadNextNumber(s, pos);
            if (c < 0)
                return false;
            f.Place(c, f.Year == -1 ? pkYear : f.Month == -1 ? pkMonth : pkDay);
        }
    }
    return true;
}

}  // namespace

bool SplitMailDate(const std::string& Text, TDateTime& Value, std::string& ZoneText)
{
    Value = -1;
    ZoneText.clear();
    std::string s = Text;
    // Folded header values carry tabs and line breaks where blanks belong.
    for (char& c : s)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    if (s.size() < 6 || !CutDayName(s))
        return false;
    std::string dayHalf;
    if (!CutZone(s, ZoneText, dayHalf))
        return false;
    s = TrimBlanks(s);
    if (s.size() < 6)
        return false;

    TDateFields f;
    f.ThisCentury = CurrentYear() - 2000;
    f.MonthFirst = MonthFirstDates();
    CutTime(s, dayHalf, f);
    for (char& c : s)
        if (c == '-' || c == '.' || c == '/')
            c = ' ';
    s = TrimBlanks(s);
    const bool yearFirst = CutFourDigitYear(s, f);
    if (s.empty() || !ReadDayAndMonth(s, yearFirst, f))
        return false;
    return f.Encode(Value);
}

// ---------------------------------------------------------------------------
// asctime texts and RFC 822 writers
// ---------------------------------------------------------------------------

TDateTime ParseAscTimeDate(const std::string& Text)
{
    // 'Tue Feb  3 04:05:06 2009', or with ' +0000' after the time.
    std::size_t yearAt;
    if (Text.size() == 24)
        yearAt = 20;
    else if (Text.size() == 30 && Text.compare(19, 6, " +0000") == 0)
        yearAt = 26;
    else
        return -1;
    if (Text[3] != ' ' || Text[13] != ':' || Text[16] != ':')
        return -1;
    const int month = ParseMonthName(Text.substr(4, 3));
    const int day = DigitsValue(TrimBlanks(Text.substr(8, 2)));
    const int hour = DigitsValue(Text.substr(11, 2));
    const int minute = DigitsValue(Text.substr(14, 2));
    const int second = DigitsValue(Text.substr(17, 2));
    const int year = DigitsValue(TrimBlanks(Text.substr(yearAt, 4)));
    if (month == 0 || day <= 0 || hour < 0 || minute < 0 || year < 0)
        return -1;
    TDateTime v;
    if (!TryEncodeDateTime(year, month, day, hour, minute, second < 0 ? 0 : second, 0, v))
        return -1;
    return v;
}

std::string FormatAscTimeDate(TDateTime Value)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(Value, y, mo, d, h, mi, s, ms);
    return Format("%s %s %2d %0.2d:%0.2d:%0.2d %0.4d", ShortDayNames[DayOfWeek(Value)],
                  ShortMonthNames[mo], d, h, mi, s, y);
}

std::string AscTimeToRfc822Date(const std::string& Text)
{
    const TDateTime v = ParseAscTimeDate(Text);
    if (v < 0)
        return Text;
    return BuildRfc822Date(LocalTimeZone().GetOffsetText(v), v);
}

// ---------------------------------------------------------------------------
// Letter-pattern dates
// ---------------------------------------------------------------------------

namespace {

// The general conversion for an empty pattern: numbers (or a month name)
// in the order of the short-date layout, then an optional time.
TDateTime ParseLayoutDate(const std::string& Text)
{
    std::string s = TrimBlanks(Text);
    TDateFields f;
    const std::string dayHalf = CutTrailingDayHalf(s);
    const std::string token = CutTimeToken(s);
    if (!token.empty()) {
        int* parts[3] = {&f.Hour, &f.Minute, &f.Second};
        std::size_t p = 0;
        for (int*& field : parts) {
            const std::size_t e = token.find(':', p);
            const int v = DigitsValue(token.substr(p, e == std::string::npos ? e : e - p));
            if (v < 0)
                return -1;
            *field = v;
            if (e == std::string::npos)
                break;
            p = e + 1;
        }
        ApplyDayHalf(f.Hour, dayHalf);
    }
    std::vector<int> numbers;
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (IsDigitChar(s[pos])) {
            const int n = ReadNextNumber(s, pos);
            numbers.push_back(n);
        } else if (IsNameLetter(s[pos])) {
            const int m = ParseMonthName(ReadNameWord(s, pos));
            if (m > 0)
                f.Month = m;
        } else {
            ++pos;
        }
    }
    // Field order from the layout; a leading four-digit number is a year.
    const std::string& layout = ShortDateLayout();
    std::string order;
    for (char c : layout) {
        const char u = UpperAscii(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos)
            order += u;
    }
    if (order.size() != 3)
        order = "DMY";
    if (!numbers.empty() && numbers[0] >= 100)
        order = "YMD";
    if (f.Month != -1)
        order.erase(order.find('M'), 1);
    if (numbers.size() + 1 == order.size()) {
        order.erase(order.find('Y'), 1);
        f.Year = CurrentYear();
    }
    if (numbers.size() != order.size())
        return -1;
    for (std::size_t i = 0; i < order.size(); ++i)
        (order[i] == 'D' ? f.Day : order[i] == 'M' ? f.Month : f.Year) = numbers[i];
    if (f.Year < 100)
        f.Year += 2000;
    TDateTime v;
    return f.Encode(v) ? v : -1;
}

}  // namespace

TDateTime ParseDateByPattern(const std::string& Text, const std::string& Pattern)
{
    if (Pattern.empty())
        return ParseLayoutDate(Text);
    if (Text.empty() || Pattern.size() > Text.size())
        return -1;
    std::string y, mo, d, h, mi, s, z, half;
    auto fieldOf = [&](char C) -> std::string* {
        switch (C) {
        case 'Y': return &y;
        case 'M': return &mo;
        case 'D': return &d;
        case 'H': return &h;
        case 'N': return &mi;
        case 'S': return &s;
        case 'Z': return &z;
        case '1':
        case '2': return &half;
        default: return nullptr;
        }
    };
    bool hasHour = false;
    std::size_t shift = 0;
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        const std::size_t t = i + shift;
        if (t >= Text.size())
            break;
        const char c = UpperAscii(Pattern[i]);
        std::string* field = fieldOf(c);
        if (!field)
            continue;
        *field += Text[t];
        hasHour = hasHour || c == 'H';
        // A one-letter field before a separator takes a second digit.
        const bool oneLetter = c == 'D' || c == 'M' || c == 'H' || c == 'N' || c == 'S';
        if (oneLetter && (i == 0 || UpperAscii(Pattern[i - 1]) != c) && i + 1 < Pattern.size() &&
            !IsDigitChar(Pattern[i + 1]) && !IsAsciiLetter(Pattern[i + 1]) && t + 1 < Text.size() &&
            IsDigitChar(Text[t + 1])) {
            *field += Text[t + 1];
            ++shift;
        }
    }
    int cy, cm, cd;
    DecodeDate(DateClockNow(), cy, cm, cd);
    auto value = [](std::string F, int Empty) {
        const std::size_t nz = F.find_first_not_of('0');
        F = nz == std::string::npos ? std::string() : F.substr(nz);
        return F.empty() ? Empty : DigitsValue(F);
    };
    const int day = value(d, cd), month = value(mo, cm), year = value(y, cy);
    if (day <= 0 || month <= 0 || year < 0)
        return -1;
    TDateFields f;
    f.Year = year < 100 ? year + 2000 : year;
    f.Month = month;
    f.Day = day;
    int msec = 0;
    if (hasHour) {
        f.Hour = std::max(value(h, 0), 0);
        f.Minute = std::max(value(mi, 0), 0);
        f.Second = std::max(value(s, 0), 0);
        msec = std::max(value(z, 0), 0);
        if (!half.empty() && f.Hour < 13) {
            if (SameTextStr(half, "pm")) {
                if (f.Hour >= 1 && f.Hour <= 11)
                    f.Hour += 12;
            } else if (f.Hour == 12) {
                f.Hour = 0;
            }
        }
    }
    TDateTime v;
    if (!f.Encode(v))
        return -1;
    TDateTime ms;
    if (msec > 0 && TryEncodeTime(0, 0, 0, msec, ms))
        v += ms;
    return v;
}

// ---------------------------------------------------------------------------
// Mail dates to local time and to UTC
// ---------------------------------------------------------------------------

TDateTime MailDateToLocal(const std::string& Text, TDateTime Default)
{
    TDateTime v;
    std::string zone;
    if (!SplitMailDate(Text, v, zone))
        return Default;
    const double offset = ParseZoneOffset(zone, ZoneUnknown);
    if (zone.empty() || offset == ZoneUnknown)
        return v;
    return LocalTimeZone().UtcToLocal(v - offset);
}

TDateTime MailDateToUtcEx(const std::string& Text, bool& ZoneFound, TDateTime Default)
{
    ZoneFound = false;
    TDateTime v;
    std::string zone;
    if (!SplitMailDate(Text, v, zone))
        return Default;
    const double offset = ParseZoneOffset(zone, ZoneUnknown);
    if (!zone.empty() && offset != ZoneUnknown) {
        ZoneFound = true;
        return v - offset;
    }
    return LocalTimeZone().LocalToUtc(v);
}

TDateTime MailDateToUtc(const std::string& Text, TDateTime Default)
{
    if (Text.empty())
        return Default;
    bool found;
    return MailDateToUtcEx(Text, found, Default);
}

// ---------------------------------------------------------------------------
// TDateTimeObj
// ---------------------------------------------------------------------------

TDateTimeObj::TDateTimeObj(TDateTime Value, std::uint8_t FormatKind, std::uint8_t ZoneKind)
    : FDateTime(Value)
{
    ApplyKinds(FormatKind, ZoneKind);
}

TDateTimeObj TDateTimeObj::CreateFromText(const std::string& Text, std::uint8_t FormatKind,
                                          std::uint8_t ZoneKind)
{
    TDateTimeObj r;
    r.SetText(Text, FormatKind, ZoneKind);
    return r;
}

TDateTimeObj TDateTimeObj::CreateWithOffset(TDateTime Value, double ZoneBias,
                                            const std::string& ZoneText)
{
    TDateTimeObj r;
    r.SetWithOffset(Value, ZoneBias, ZoneText);
    return r;
}

void TDateTimeObj::Reset() { *this = TDateTimeObj(); }

void TDateTimeObj::ApplyKinds(std::uint8_t FormatKind, std::uint8_t ZoneKind)
{
    if (ZoneKind != dzkUnsettled) {
        FFormatKind = FormatKind;
        SetZoneKind(ZoneKind);
    } else {
        SetFormatKind(FormatKind);
    }
}

void TDateTimeObj::ApplyOffset(double ZoneBias, const std::string& ZoneText)
{
    FZoneBias = ZoneBias;
    if (!ZoneText.empty())
        FZoneText = ZoneText;
    if (ZoneBias != ZoneBiasPending)
        FZoneKind = ZoneBias == 0 ? dzkUtc : dzkKnown;
    else
        FZoneKind = ZoneText.empty() ? dzkUnknown : dzkKnown;
}

void TDateTimeObj::Assign(const TDateTimeObj* Source)
{
    if (!Source)
        Reset();
    else if (Source != this)
        *this = *Source;
}

void TDateTimeObj::SetDateTime(TDateTime Value)
{
    Reset();
    FDateTime = Value;
}

void TDateTimeObj::SetWithOffset(TDateTime Value, double ZoneBias, const std::string& ZoneText)
{
    Reset();
    FDateTime = Value;
    ApplyOffset(ZoneBias, ZoneText);
}

void TDateTimeObj::SetText(const std::string& Text, std::uint8_t FormatKind, std::uint8_t ZoneKind)
{
    Reset();
    FDateText = Text;
    ApplyKinds(FormatKind, ZoneKind);
}

void TDateTimeObj::Parse()
{
    if (FDateText.empty()) {
        FDateTime = 0;
        return;
    }
    if (FFormatKind == dfkUtcText) {
        FDateTime = MailDateToUtc(FDateText, NoDateValue);
        if (FZoneText.empty()) {
            const std::size_t blank = FDateText.rfind(' ');
            if (blank != std::string::npos && FDateText.size() - blank - 1 == 5 &&
                (FDateText[blank + 1] == '+' || FDateText[blank + 1] == '-'))
                FZoneText = FDateText.substr(blank + 1);
        }
    } else if (FFormatKind == dfkAscTime || FFormatKind == dfkFromLine) {
        FDateTime = ParseAscTimeDate(FDateText);
    } else {
        TDateTime v;
        std::string zone;
        if (SplitMailDate(FDateText, v, zone)) {
            FDateTime = v;
            SetZoneText(zone);
        } else {
            FDateTime = -1;
        }
    }
}

TDateTime TDateTimeObj::GetDateTime()
{
    if (FDateTime == 0 && !FDateText.empty())
        Parse();
    return FDateTime;
}

std::uint8_t TDateTimeObj::GetZoneKind()
{
    if (FZoneKind == dzkUnsettled) {
        if (!FZoneText.empty()) {
            FZoneKind = dzkKnown;
        } else if (!FDateText.empty() && FDateTime == 0) {
            Parse();
            FZoneKind = FZoneText.empty() ? dzkUnknown : dzkKnown;
        } else {
            FZoneKind = dzkUnknown;
        }
    }
    return FZoneKind;
}

bool TDateTimeObj::HasZone()
{
    const std::uint8_t k = GetZoneKind();
    return k == dzkUtc || k == dzkLocal || k == dzkKnown;
}

double TDateTimeObj::GetZoneBias()
{
    if (FZoneBias == ZoneBiasPending) {
        // The text may still hold the zone: parse before deciding.
        const TDateTime v = GetDateTime();
        if (FZoneBias != ZoneBiasPending)
            return FZoneBias;
        if (!FZoneText.empty()) {
            const double offset = ParseZoneOffset(FZoneText, ZoneUnknown);
            FZoneBias = offset == ZoneUnknown ? 0 : -offset;
        } else {
            const std::uint8_t k = GetZoneKind();
            FZoneBias = (k == dzkUnknown || k == dzkLocal) ? LocalTimeZone().GetBiasAt(v) : 0;
        }
    }
    return FZoneBias;
}

std::string TDateTimeObj::GetZoneText()
{
    if (HasZone()) {
        if (FZoneText.empty())
            FZoneText = FormatZoneBias(GetZoneBias());
        return FZoneText;
    }
    return LocalTimeZone().GetOffsetText(GetDateTime());
}

TDateTime TDateTimeObj::GetUtcDateTime()
{
    const TDateTime v = GetDateTime();
    // A kind-9 text was parsed straight to UTC; its kept zone text must not
    // shift it a second time.
    if (v > 0 && FFormatKind != dfkUtcText && GetZoneKind() != dzkUtc)
        return v + GetZoneBias();
    return v;
}

TDateTime TDateTimeObj::GetLocalDateTime()
{
    const TDateTime v = GetDateTime();
    if (v <= 0)
        return v;
    if (FFormatKind == dfkUtcText)
        return LocalTimeZone().UtcToLocal(v);
    const std::uint8_t k = GetZoneKind();
    if (k == dzkUnknown || k == dzkLocal)
        return v;
    return LocalTimeZone().UtcToLocal(GetUtcDateTime());
}

std::string TDateTimeObj::FormatRfc822(int Mode)
{
    if (Mode == rfcUtc)
        return BuildRfc822Date("UTC", GetUtcDateTime());
    if (Mode == rfcLocal) {
        const TDateTime local = GetLocalDateTime();
        return BuildRfc822Date(LocalTimeZone().GetOffsetText(local), local);
    }
    const std::string zone = GetZoneText();
    return BuildRfc822Date(zone, GetDateTime());
}

bool TDateTimeObj::IsValid() { return GetDateTime() > ValidDateLimit; }

void TDateTimeObj::SetFormatKind(std::uint8_t Kind)
{
    if (Kind == FFormatKind)
        return;
    FFormatKind = Kind;
    if (FZoneKind != dzkUnsettled || Kind == dfkNone)
        return;
    if (Kind == dfkHeaderDate || Kind == dfkReceived) {
        FZoneKind = dzkKnown;
    } else if (Kind < dfkUtcValue) {
        if (FZoneBias == 0)
            FZoneBias = ZoneBiasPending;
        FZoneKind = dzkUnknown;
    } else {
        if (FZoneBias == ZoneBiasPending)
            FZoneBias = 0;
        if (FZoneBias == 0)
            FZoneKind = dzkUtc;
    }
}

void TDateTimeObj::SetZoneKind(std::uint8_t Kind)
{
    if (Kind == FZoneKind)
        return;
    FZoneKind = Kind;
    switch (Kind) {
    case dzkUtc:
        FZoneBias = 0;
        FZoneText = "UTC";
        break;
    case dzkLocal:
        FZoneBias = LocalTimeZone().GetBiasAt(GetDateTime());
        FZoneText = FormatZoneBias(FZoneBias);
        FZoneKind = dzkKnown;
        break;
    case dzkUnknown:
        FZoneBias = ZoneBiasPending;
        break;
    default:
        break;
    }
}

void TDateTimeObj::SetZoneText(const std::string& Text)
{
    if (Text == FZoneText)
        return;
    FZoneText = Text;
    if (!Text.empty() && FZoneBias == 0)
        FZoneBias = ZoneBiasPending;
}
