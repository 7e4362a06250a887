#include "foundation/KvZoneTexts.h"

#include <algorithm>
#include <cmath>

#include "foundation/KvStrings.h"

namespace KvDateBytes {

bool AllDigits(const std::string& S)
{
    return !S.empty() && std::all_of(S.begin(), S.end(), IsDigitChar);
}

std::string TrimBlanks(const std::string& S)
{
    std::size_t b = 0, e = S.size();
    while (b < e && S[b] == ' ')
        ++b;
    while (e > b && S[e - 1] == ' ')
        --e;
    return S.substr(b, e - b);
}

// Whole text as a non-negative number; -1 for anything else. Long digit runs
// are capped rather than overflowing: no date field is that large.
int DigitsValue(const std::string& S)
{
    if (!AllDigits(S))
        return -1;
    long long v = 0;
    for (char c : S) {
        v = v * 10 + (c - '0');
        if (v > 99999999)
            v = 99999999;
    }
    return static_cast<int>(v);
}

}  // namespace KvDateBytes

using KvDateBytes::AllDigits;
using KvDateBytes::DigitsValue;
using KvDateBytes::TrimBlanks;

namespace {

TZoneNameLookup& ZoneLookupHook()
{
    static TZoneNameLookup hook;
    return hook;
}

}  // namespace

void SetZoneNameLookup(TZoneNameLookup Lookup) { ZoneLookupHook() = std::move(Lookup); }

// ---------------------------------------------------------------------------
// Names
// ---------------------------------------------------------------------------

const char* const ShortMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const ShortDayNames[8] = {"", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

int ParseDayName(const std::string& Text)
{
    if (Text.size() != 3)
        return -1;
    for (int d = 1; d <= 7; ++d)
        if (SameTextStr(Text, ShortDayNames[d]))
            return d;
    return -1;
}

// ---------------------------------------------------------------------------
// Zone texts
// ---------------------------------------------------------------------------

namespace {

struct TZoneName {
    const char* Name;
    double Hours;
};

const TZoneName ZoneNames[] = {
    {"ADT", -3},  {"AHST", -10}, {"AST", -4},  {"AT", -2},   {"BST", 1},    {"BT", 3},
    {"CAT", -10}, {"CCT", 8},    {"CDT", -5},  {"CEST", 2},  {"CET", 1},    {"CST", -6},
    {"EADT", 11}, {"EAST", 10},  {"EDT", -4},  {"EET", 2},   {"EST", -5},   {"FST", 2},
    {"FWT", 1},   {"GMT", 0},    {"GST", 10},  {"HDT", -9},  {"HST", -10},  {"IDLE", 12},
    {"IDLW", -12}, {"JST", 9},   {"MDT", -6},  {"MEST", 2},  {"MET", 1},    {"MEWT", 1},
    {"MST", -7},  {"NT", -11},   {"NZDT", 13}, {"NZST", 12}, {"PDT", -7},   {"PST", -8},
    {"SST", 2},   {"SWT", 1},    {"UTC", 0},   {"UT", 0},    {"WADT", 8},   {"WAST", 7},
    {"WAT", -1},  {"WET", 0},    {"YDT", -8},  {"YST", -9},
};

}  // namespace

// Hours east of UTC, or Default.
double ParseOffsetText(const std::string& Text, double Default)
{
    std::string s = TrimBlanks(Text);
    const std::size_t colon = s.find(':');
    if (colon != std::string::npos)
        s.erase(colon, 1);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    int hours = 0, minutes = 0;
    if (s.size() == 1 || s.size() == 2) {
        hours = DigitsValue(s);
        if (hours < 0)
            return Default;
    } else if (s.size() == 3 || s.size() == 4) {
        if (!AllDigits(s))
            return Default;
        const std::size_t h = s.size() - 2;
        hours = DigitsValue(s.substr(0, h));
        minutes = DigitsValue(s.substr(h));
    } else {
        return Default;
    }
    const double v = hours + minutes / 60.0;
    return negative ? -v : v;
}

// Days east of UTC, or Default.
double ParseZoneOffset(const std::string& Text, double Default)
{
    if (Text.empty())
        return Default;
    auto inDays = [&](double Hours) { return Hours == Default ? Default : Hours / 24.0; };
    if (AllDigits(Text))
        return inDays(ParseOffsetText(Text, Default));
    if (const TZoneNameLookup& lookup = ZoneLookupHook()) {
        const std::string mapped = lookup(Text);
        if (!mapped.empty())
            return inDays(ParseOffsetText(mapped, Default));
    }
    if (Text.size() < 2 || Text.size() > 9)
        return Default;
    if (Text[0] == '+' || Text[0] == '-')
        return inDays(ParseOffsetText(Text, Default));
    if (Text.size() > 3) {
        const std::string head = Text.substr(0, 3);
        if (SameTextStr(head, "GMT") || SameTextStr(head, "UTC"))
            return inDays(ParseOffsetText(Text.substr(3), Default));
    }
    for (const TZoneName& z : ZoneNames)
        if (SameTextStr(Text, z.Name))
            return z.Hours / 24.0;
    return Default;
}

std::string CleanZoneText(const std::string& Text)
{
    if (!Text.empty() && (Text[0] == '+' || Text[0] == '-')) {
        // "+05:30" keeps its minutes: five characters would leave "+05:3".
        const std::size_t keep = (Text.size() >= 6 && Text[3] == ':') ? 6 : 5;
        return Text.size() > keep ? Text.substr(0, keep) : Text;
    }
    if (AllDigits(Text))
        return Text;
    std::size_t b = 0, e = Text.size();
    while (e > b && !IsAsciiLetter(Text[e - 1]))
        --e;
    while (b < e && !IsAsciiLetter(Text[b]))
        ++b;
    return Text.substr(b, e - b);
}

std::string FormatZoneBias(double Bias)
{
    if (Bias == 0)
        return "+0000";
    if (Bias == ZoneBiasPending || Bias == ZoneUnknown)
        return std::string();
    const long minutes = std::lround(std::fabs(Bias) * MinsPerDay);
    return Format("%s%0.2d%0.2d", Bias < 0 ? "+" : "-", minutes / 60, minutes % 60);
}

std::string BuildRfc822Date(const std::string& ZoneText, TDateTime Value)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(Value, y, mo, d, h, mi, s, ms);
    std::string r = Format("%s, %0.2d %s %0.4d %0.2d:%0.2d:%0.2d", ShortDayNames[DayOfWeek(Value)],
                           d, ShortMonthNames[mo], y, h, mi, s);
    if (!ZoneText.empty())
        r += " " + ZoneText;
    return r;
}
