#pragma once
// The local time zone: standard bias plus daylight rules year by year, from
// a zone named on the command line, the zone rules file, the registry's
// time-zone database or the system's current settings.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Registry.h"
#include "classlib/SysUtils.h"

class TCustomIniFile;

// Registry reads that never raise: a binary value counts only at exactly the
// expected size, an integer read answers false instead of raising.
class TEnhRegistry : public TRegistry {
public:
    TEnhRegistry(HKEY ARootKey, REGSAM AAccess) : TRegistry(ARootKey, AAccess) {}
    bool ReadBinaryExact(const std::string& Name, void* Buffer, int Size);
    bool TryReadInteger(const std::string& Name, int& Value);
};

// One rule record: the year it starts to hold (0 = all years) and the 44-byte
// layout of the registry's "TZI" value.
struct TRegTZIObj {
    std::uint16_t Year = 0;
    struct TZI {
        std::int32_t Bias;
        std::int32_t StandardBias;
        std::int32_t DaylightBias;
        SYSTEMTIME StandardDate;
        SYSTEMTIME DaylightDate;
    } Info{};
};
static_assert(sizeof(TRegTZIObj::TZI) == 44, "registry TZI layout");

// The rules resolved for one year; biases in days.
struct TDaylightObj {
    bool HasDaylight = false;
    TDateTime PeriodStart = 0;
    TDateTime PeriodEnd = 0;
    double Bias = 0;
    double InPeriodBias = 0;
    double OutPeriodBias = 0;
};

inline constexpr int FirstDaylightYear = 1975;
inline constexpr int LastDaylightYear = 2035;

class TTimeZoneObj {
public:
    TTimeZoneObj() = default;
    TTimeZoneObj(const TTimeZoneObj&) = delete;
    TTimeZoneObj& operator=(const TTimeZoneObj&) = delete;

    bool InitLocalTimeZone(const std::string& Name, int BiasMinutes = 77);
    bool LoadZone(const std::string& Name, TCustomIniFile& Ini);
    bool LoadFromRegistry(const std::string& ZoneKeyName);
    void Clear();

    double GetBiasAt(TDateTime Value);
    TDateTime LocalToUtc(TDateTime Value);
    TDateTime UtcToLocal(TDateTime Value);
    std::string GetOffsetText(TDateTime Value);
    std::string FormatRfc822Date(TDateTime UtcValue);

    // Rules of one year, built on first use (years outside 1975-2035 have none).
    const TDaylightObj* GetDaylight(int Year);

    bool HasDaylight() const { return FHasDaylight; }
    bool FromSystem() const { return FFromSystem; }
    double Bias() const { return FBias; }
    const std::string& ZoneName() const { return FZoneName; }
    const std::string& ZoneAbbreviation() const { return FZoneAbbreviation; }
    void SetZoneAbbreviation(const std::string& Text) { FZoneAbbreviation = Text; }
    const std::vector<TRegTZIObj>& ZoneRules() const { return FZoneRules; }

private:
    void DropYears();
    double DaylightExtraAt(TDateTime Value);
    bool ReadYearRules(TCustomIniFile& Ini, const std::string& Section, int Year,
                       int BiasMinutes);

    bool FHasDaylight = false;
    bool FFromSystem = false;
    std::array<std::unique_ptr<TDaylightObj>, LastDaylightYear - FirstDaylightYear + 1>
        FDaylightByYear;
    std::vector<TRegTZIObj> FZoneRules;
    std::string FZoneAbbreviation;
    std::string FZoneName;
    double FBias = 0;
};

// The process-wide zone; empty (UTC, no daylight) until set up.
TTimeZoneObj& LocalTimeZone();
inline bool InitLocalTimeZone(TTimeZoneObj& Zone, const std::string& Name, int BiasMinutes = 77)
{
    return Zone.InitLocalTimeZone(Name, BiasMinutes);
}

// Program-wide texts the main form writes: the path of the zone rules file
// ("DST.dat"), the zone label it shows, and the zone it falls back to.
extern std::string GDaylightRulesFileName;
extern std::string GLocalZoneText;
extern std::string GDefaultZoneText;
// Resource id of the label of a zone taken from the system ("Local").
inline constexpr int SLocalZoneLabel = 11200;

// Where the time-zone database lives in the registry; tests point it at a
// key of their own. An empty path restores the system's.
void SetTimeZoneRegistryKey(HKEY Root, const std::string& Path);

// One rule of the rules file ("3,Sun,5,0200,1" or, for a given year,
// "03-29-0200,1"): fills the transition date and the extra bias in minutes.
bool ParseZoneRuleText(const std::string& Text, int Year, SYSTEMTIME& Date, std::int32_t& Bias);
// The transition a SYSTEMTIME rule gives in Year; false when none.
bool RuleTransitionDate(const SYSTEMTIME& Rule, int Year, TDateTime& Value);
