#include "foundation/KvTimeZones.h"

#include <cmath>
#include <cstdlib>

#include "classlib/ResStrings.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvZoneTexts.h"
#include "foundation/KvFiles.h"
#include "foundation/KvMemIni.h"
#include "foundation/KvStrings.h"

std::string GDaylightRulesFileName;
std::string GLocalZoneText;
std::string GDefaultZoneText = "UTC";

namespace {

const TResStringRegistrar ZoneTexts{
    {SLocalZoneLabel, "Local"},
};

struct TZoneRegistryKey {
    HKEY Root = HKEY_LOCAL_MACHINE;
    std::string Path;
};

TZoneRegistryKey& ZoneRegistryKey()
{
    static TZoneRegistryKey key;
    return key;
}

std::string ZoneDatabasePath()
{
    const TZoneRegistryKey& k = ZoneRegistryKey();
    if (!k.Path.empty())
        return k.Path;
    // The high bit of GetVersion marks the old non-NT family.
    return (GetVersion() & 0x80000000u)
               ? "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Time Zones\\"
               : "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";
}

std::string Trimmed(const std::string& S)
{
    const std::size_t b = S.find_first_not_of(' ');
    if (b == std::string::npos)
        return std::string();
    return S.substr(b, S.find_last_not_of(' ') - b + 1);
}

// A whole non-negative decimal number, or -1.
int UnsignedValue(const std::string& S)
{
    if (S.empty() || S.size() > 6)
        return -1;
    int v = 0;
    for (char c : S) {
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "hhmm" or "hh" (hour 0-24, minute 0-59).
bool ParseRuleTime(const std::string& S, WORD& Hour, WORD& Minute)
{
    int h, m = 0;
    if (S.size() == 4) {
        h = UnsignedValue(S.substr(0, 2));
        m = UnsignedValue(S.substr(2));
    } else if (S.size() == 1 || S.size() == 2) {
        h = UnsignedValue(S);
    } else {
        return false;
    }
    if (h < 0 || h > 24 || m < 0 || m > 59)
        return false;
    Hour = static_cast<WORD>(h);
    Minute = static_cast<WORD>(m);
    return true;
}

std::vector<std::string> SplitFields(const std::string& S, char Delim)
{
    std::vector<std::string> r;
    std::size_t p = 0;
    for (;;) {
        const std::size_t e = S.find(Delim, p);
        r.push_back(Trimmed(S.substr(p, e == std::string::npos ? e : e - p)));
        if (e == std::string::npos)
            return r;
        p = e + 1;
    }
}

double TimeOfRule(const SYSTEMTIME& Rule)
{
    return (Rule.wHour * 3600.0 + Rule.wMinute * 60.0 + Rule.wSecond) / SecsPerDay +
           Rule.wMilliseconds / MSecsPerDay;
}

}  // namespace

void SetTimeZoneRegistryKey(HKEY Root, const std::string& Path)
{
    TZoneRegistryKey& k = ZoneRegistryKey();
    k.Root = Path.empty() ? HKEY_LOCAL_MACHINE : Root;
    k.Path = Path;
    if (!k.Path.empty() && k.Path.back() != '\\')
        k.Path += '\\';
}

// ---------------------------------------------------------------------------
// TEnhRegistry
// ---------------------------------------------------------------------------

bool TEnhRegistry::ReadBinaryExact(const std::string& Name, void* Buffer, int Size)
{
    TRegDataInfo info;
    if (!GetDataInfo(Name, info) || info.RegData != rdBinary || info.DataSize != Size)
        return false;
    try {
        return ReadBinaryData(Name, Buffer, Size) == Size;
    } catch (const Exception&) {
        return false;
    }
}

bool TEnhRegistry::TryReadInteger(const std::string& Name, int& Value)
{
    try {
        if (GetDataType(Name) != rdInteger)
            return false;
        Value = ReadInteger(Name);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

// ---------------------------------------------------------------------------
// Rules
// ---------------------------------------------------------------------------

bool ParseZoneRuleText(const std::string& Text, int Year, SYSTEMTIME& Date, std::int32_t& Bias)
{
    SYSTEMTIME st{};
    const std::vector<std::string> f = SplitFields(Text, ',');
    std::string hoursText;
    if (f.size() == 5) {
        // month, day name, week (5 = last), time, hours
        const int month = UnsignedValue(f[0]);
        const int dow = ParseDayName(f[1]);
        const int week = UnsignedValue(f[2]);
        if (month < 1 || month > 12 || dow < 1 || week < 1 || week > 5 ||
            !ParseRuleTime(f[3], st.wHour, st.wMinute))
            return false;
        st.wMonth = static_cast<WORD>(month);
        st.wDayOfWeek = static_cast<WORD>(dow - 1);
        st.wDay = static_cast<WORD>(week);
        hoursText = f[4];
    } else if (f.size() == 2 && Year != 0) {
        // month-day-time of that one year, hours
        const std::vector<std::string> d = SplitFields(f[0], '-');
        if (d.size() != 3)
            return false;
        const int month = UnsignedValue(d[0]);
        const int day = UnsignedValue(d[1]);
        if (month < 1 || month > 12 || day < 1 || day > 31 ||
            !ParseRuleTime(d[2], st.wHour, st.wMinute))
            return false;
        st.wYear = static_cast<WORD>(Year);
        st.wMonth = static_cast<WORD>(month);
        st.wDay = static_cast<WORD>(day);
        hoursText = f[1];
    } else {
        return false;
    }
    double hours;
    if (hoursText.empty() || !TryStrToFloat(hoursText, hours) || std::fabs(hours) > 24)
        return false;
    Date = st;
    Bias = static_cast<std::int32_t>(std::lround(-hours * 60));
    return true;
}

bool RuleTransitionDate(const SYSTEMTIME& Rule, int Year, TDateTime& Value)
{
    if (Rule.wMonth < 1 || Rule.wMonth > 12)
        return false;
    TDateTime day;
    if (Rule.wYear == 0) {
        if (Rule.wDay < 1 || Rule.wDay > 5 || Rule.wDayOfWeek > 6 ||
            !TryEncodeDate(Year, Rule.wMonth, 1, day))
            return false;
        const int firstDow = DayOfWeek(day) - 1;  // 0 = Sunday
        int d = 1 + (Rule.wDayOfWeek - firstDow + 7) % 7 + (Rule.wDay - 1) * 7;
        const int last = DaysInMonth(Year, Rule.wMonth);
        while (d > last)
            d -= 7;
        day += d - 1;
    } else if (Rule.wYear != Year || !TryEncodeDate(Year, Rule.wMonth, Rule.wDay, day)) {
        return false;
    }
    Value = day + TimeOfRule(Rule);
    return true;
}

// ---------------------------------------------------------------------------
// TTimeZoneObj
// ---------------------------------------------------------------------------

// Year objects are built from the rules: any change of rules drops them.
void TTimeZoneObj::DropYears()
{
    for (auto& y : FDaylightByYear)
        y.reset();
}

void TTimeZoneObj::Clear()
{
    FHasDaylight = false;
    FFromSystem = false;
    DropYears();
    FZoneRules.clear();
    FZoneAbbreviation.clear();
    FZoneName.clear();
    FBias = 0;
}

const TDaylightObj* TTimeZoneObj::GetDaylight(int Year)
{
    if (Year < FirstDaylightYear || Year > LastDaylightYear)
        return nullptr;
    std::unique_ptr<TDaylightObj>& slot = FDaylightByYear[Year - FirstDaylightYear];
    if (slot)
        return slot.get();
    auto obj = std::make_unique<TDaylightObj>();
    // Rules are kept in ascending year order: the last one not after Year holds.
    const TRegTZIObj* rec = nullptr;
    for (const TRegTZIObj& r : FZoneRules)
        if (r.Year <= Year)
            rec = &r;
    if (rec) {
        const TRegTZIObj::TZI& z = rec->Info;
        obj->Bias = z.Bias / MinsPerDay;
        TDateTime daylightStart, standardStart;
        if (RuleTransitionDate(z.DaylightDate, Year, daylightStart) &&
            RuleTransitionDate(z.StandardDate, Year, standardStart)) {
            if (daylightStart <= standardStart) {
                obj->PeriodStart = daylightStart;
                obj->PeriodEnd = standardStart;
                obj->InPeriodBias = z.DaylightBias / MinsPerDay;
                obj->OutPeriodBias = z.StandardBias / MinsPerDay;
            } else {
                // Southern pattern: the period between the two is standard time.
                obj->PeriodStart = standardStart;
                obj->PeriodEnd = daylightStart;
                obj->InPeriodBias = z.StandardBias / MinsPerDay;
                obj->OutPeriodBias = z.DaylightBias / MinsPerDay;
            }
        }
        obj->HasDaylight = z.DaylightBias != 0 || z.StandardBias != 0;
    }
    slot = std::move(obj);
    return slot.get();
}

double TTimeZoneObj::DaylightExtraAt(TDateTime Value)
{
    if (!FHasDaylight)
        return 0;
    int y, m, d;
    DecodeDate(Value, y, m, d);
    const TDaylightObj* rules = GetDaylight(y);
    if (!rules)
        return 0;
    return (rules->PeriodStart < Value && Value < rules->PeriodEnd) ? rules->InPeriodBias
                                                                    : rules->OutPeriodBias;
}

// Values at or below 777 are no dates; they get the standard bias so that a
// date that did not parse still shows the zone's usual text.
double TTimeZoneObj::GetBiasAt(TDateTime Value)
{
    if (Value <= ZoneUnknown)
        return FBias;
    return FBias + DaylightExtraAt(Value);
}

TDateTime TTimeZoneObj::LocalToUtc(TDateTime Value)
{
    if (Value <= ZoneUnknown)
        return Value;
    return Value + FBias + DaylightExtraAt(Value);
}

TDateTime TTimeZoneObj::UtcToLocal(TDateTime Value)
{
    if (Value <= ZoneUnknown)
        return Value;
    const TDateTime t = Value - FBias;
    return t - DaylightExtraAt(t);
}

std::string TTimeZoneObj::GetOffsetText(TDateTime Value)
{
    if (Value == 0 || !FHasDaylight) {
        if (FZoneAbbreviation.empty())
            FZoneAbbreviation = FormatZoneBias(FBias);
        return FZoneAbbreviation;
    }
    if (Value == -1)
        return std::string();
    return FormatZoneBias(GetBiasAt(Value));
}

std::string TTimeZoneObj::FormatRfc822Date(TDateTime UtcValue)
{
    if (UtcValue <= ZoneUnknown)
        return std::string();
    const TDateTime local = UtcToLocal(UtcValue);
    return BuildRfc822Date(GetOffsetText(local), local);
}

bool TTimeZoneObj::LoadFromRegistry(const std::string& ZoneKeyName)
{
    if (ZoneKeyName.empty())
        return false;
    const std::string key = ZoneDatabasePath() + ZoneKeyName;
    TEnhRegistry reg(ZoneRegistryKey().Root, KEY_READ);
    if (reg.OpenKeyReadOnly(key + "\\Dynamic DST")) {
        int first, last;
        if (reg.TryReadInteger("FirstEntry", first) && reg.TryReadInteger("LastEntry", last) &&
            first >= 1 && first <= last && last <= 9999) {
            std::vector<TRegTZIObj> years;
            for (int y = first; y <= last; ++y) {
                TRegTZIObj r;
                r.Year = static_cast<std::uint16_t>(y);
                if (!reg.ReadBinaryExact(IntToStr(y), &r.Info, sizeof r.Info)) {
                    years.clear();
                    break;
                }
                years.push_back(r);
            }
            if (!years.empty()) {
                DropYears();
                FZoneRules = std::move(years);
                FBias = FZoneRules.back().Info.Bias / MinsPerDay;
                FHasDaylight = true;
                return true;
            }
        }
        reg.CloseKey();
    }
    if (reg.OpenKeyReadOnly(key)) {
        TRegTZIObj r;
        if (reg.ReadBinaryExact("TZI", &r.Info, sizeof r.Info)) {
            DropYears();
            FZoneRules.assign(1, r);
            FBias = r.Info.Bias / MinsPerDay;
            FHasDaylight = r.Info.DaylightBias != 0 || r.Info.StandardBias != 0;
            return true;
        }
    }
    return false;
}

bool TTimeZoneObj::ReadYearRules(TCustomIniFile& Ini, const std::string& Section, int Year,
                                 int BiasMinutes)
{
    const std::string value = Ini.ReadString(Section, IntToStr(Year), "");
    const std::size_t blank = value.find(' ');
    // The daylight rule alone takes at least eleven characters.
    if (value.size() < 25 || blank == std::string::npos || blank < 11)
        return false;
    TRegTZIObj r;
    r.Year = static_cast<std::uint16_t>(Year);
    r.Info.Bias = BiasMinutes;
    const bool ok = ParseZoneRuleText(value.substr(0, blank), Year, r.Info.DaylightDate,
                                      r.Info.DaylightBias) &&
                    ParseZoneRuleText(Trimmed(value.substr(blank + 1)), Year, r.Info.StandardDate,
                                      r.Info.StandardBias);
    DropYears();
    FZoneRules.push_back(r);
    return ok;
}

bool TTimeZoneObj::LoadZone(const std::string& Name, TCustomIniFile& Ini)
{
    std::string section;
    if (Name.size() > 12) {
        // Long names are the registry's own zone key names.
        section = Ini.ReadString("Registry", Name, "");
        if (section.empty())
            return LoadFromRegistry(Name);
    } else {
        section = Ini.ReadString("Time Zone", Name, "");
        if (section.empty()) {
            const double offset = ParseZoneOffset(Name, ZoneUnknown);
            if (offset == ZoneUnknown)
                return false;
            FBias = -offset;
            FZoneAbbreviation = Name;
            FHasDaylight = false;
            return true;
        }
        if (section[0] == '$')
            return LoadFromRegistry(section.substr(1));
        FZoneAbbreviation = Name;
    }

    bool result = false;
    const bool useDaylight = Ini.ReadBool(section, "HasDaylight", true);
    if (!useDaylight) {
        FHasDaylight = false;
        result = true;
    }
    FZoneAbbreviation = Ini.ReadString(section, "Abbreviation", FZoneAbbreviation);

    // "h" or "h:mm", east positive; the minutes share the sign of the hours,
    // so "-3:30" is three and a half hours west and "-0:30" half an hour west.
    const std::string biasText = Trimmed(Ini.ReadString(section, "Bias", ""));
    if (biasText.empty())
        return result;
    const std::size_t colon = biasText.find(':');
    std::string hoursText = Trimmed(biasText.substr(0, colon));
    bool west = false;
    if (!hoursText.empty() && (hoursText[0] == '-' || hoursText[0] == '+')) {
        west = hoursText[0] == '-';
        hoursText.erase(0, 1);
    }
    const int hours = UnsignedValue(hoursText);
    const int minutes = colon == std::string::npos ? 0 : UnsignedValue(Trimmed(biasText.substr(colon + 1)));
    if (hours < 0 || minutes < 0)
        return result;
    const int offsetMinutes = (west ? -1 : 1) * (hours * 60 + minutes);
    const int biasMinutes = -offsetMinutes;
    FBias = biasMinutes / MinsPerDay;
    result = true;
    if (!useDaylight)
        return result;

    const int first = Ini.ReadInteger(section, "FirstEntry", -1);
    const int last = Ini.ReadInteger(section, "LastEntry", -1);
    if (first < 0 || last < 0)
        return result;
    if (first == 0 || last == 0) {
        if (!ReadYearRules(Ini, section, 0, biasMinutes)) {
            Clear();
            return false;
        }
        const TRegTZIObj::TZI& z = FZoneRules.back().Info;
        FHasDaylight = z.DaylightBias != 0 || z.StandardBias != 0;
        return result;
    }
    for (int y = first; y <= last && y <= 9999; ++y) {
        if (!Ini.ValueExists(section, IntToStr(y)))
            continue;
        if (!ReadYearRules(Ini, section, y, biasMinutes)) {
            Clear();
            return false;
        }
    }
    FHasDaylight = true;
    return result;
}

bool TTimeZoneObj::InitLocalTimeZone(const std::string& Name, int BiasMinutes)
{
    Clear();
    FZoneName = Name;
    std::string name = Name;
    if (!name.empty() && BiasMinutes == 77) {
        double number;
        if (SameTextStr(name, "UTC") || (TryStrToFloat(name, number) && number == 0)) {
            FBias = 0;
            FZoneAbbreviation = "UTC";
            return true;
        }
        if (name.find_first_of("+-") != std::string::npos) {
            const double offset = ParseZoneOffset(name, ZoneUnknown);
            if (offset != ZoneUnknown) {
                FBias = -offset;
                return true;
            }
        }
    }
    bool registryName = false;
    if (!name.empty() && name[0] == '$') {
        name.erase(0, 1);
        registryName = true;
    }
    if (BiasMinutes != 77) {
        FBias = -BiasMinutes / MinsPerDay;
        return true;
    }

    bool ok = false;
    std::unique_ptr<TMemIniFile> ini;
    if (!GDaylightRulesFileName.empty() && IsExistingFile(GDaylightRulesFileName))
        ini = std::make_unique<TMemIniFile>(GDaylightRulesFileName, true);
    if (ini) {
        if (name.empty()) {
            name = ini->ReadString("Time Zone", "Default", "");
            if (!name.empty() && name[0] == '$') {
                name.erase(0, 1);
                registryName = true;
            }
        }
        if (!ini->ReadBool("Time Zone", "UseDaylight", true)) {
            Clear();
            return false;
        }
    }

    if (name.empty()) {
        TIME_ZONE_INFORMATION tzi{};
        if (GetTimeZoneInformation(&tzi) == TIME_ZONE_ID_INVALID) {
            Clear();
            return false;
        }
        name = DefaultWideToAnsi(std::wstring(tzi.StandardName));
        if (ini && !name.empty()) {
            FZoneName = name;
            if (LoadZone(name, *ini))
                return true;
        }
        Clear();
        FZoneName = name;
        TRegTZIObj r;
        r.Info.Bias = tzi.Bias;
        r.Info.StandardBias = tzi.StandardBias;
        r.Info.DaylightBias = tzi.DaylightBias;
        r.Info.StandardDate = tzi.StandardDate;
        r.Info.DaylightDate = tzi.DaylightDate;
        FZoneRules.push_back(r);
        FBias = tzi.Bias / MinsPerDay;
        FHasDaylight = tzi.DaylightBias != 0 || tzi.StandardBias != 0;
        FFromSystem = true;
        return true;
    }

    FZoneName = name;
    ok = (registryName || !ini) ? LoadFromRegistry(name) : LoadZone(name, *ini);
    if (!ok) {
        // A zone that failed to set up behaves as UTC without daylight.
        Clear();
        FZoneName = name;
    }
    return ok;
}

TTimeZoneObj& LocalTimeZone()
{
    static TTimeZoneObj zone;
    return zone;
}
