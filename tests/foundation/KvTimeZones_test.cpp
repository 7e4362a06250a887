#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "classlib/Registry.h"
#include "classlib/ResStrings.h"
#include "foundation/KvDates.h"
#include "foundation/KvMemIni.h"
#include "foundation/KvTimeZones.h"
#include "testkit/TestFolder.h"

namespace {

std::string Iso(TDateTime V) { return DateTimeToIsoStr(V); }
TDateTime At(int Y, int Mo, int D, int H, int Mi) { return EncodeDateTime(Y, Mo, D, H, Mi, 0, 0); }

const char* const RulesText =
    "; zone rules as the program ships them\r\n"
    "[Time Zone]\r\n"
    "Default=CET\r\n"
    "CET=Central\r\n"
    "AUS=Sydney\r\n"
    "NST=Newfoundland\r\n"
    "HW=HalfWest\r\n"
    "HALFWESTZONE=HalfWest\r\n"
    "CUS=Custom\r\n"
    "SHORT=Short\r\n"
    "REG=$Tessaly Test Standard Time\r\n"
    "[Registry]\r\n"
    "Central Europe Long Name=Central\r\n"
    "[Central]\r\n"
    "Abbreviation=CET\r\n"
    "Bias=1\r\n"
    "FirstEntry=0\r\n"
    "LastEntry=0\r\n"
    "0=3,Sun,5,0200,1 10,Sun,5,0300,0\r\n"
    "[Sydney]\r\n"
    "Abbreviation=AEST\r\n"
    "Bias=10\r\n"
    "FirstEntry=0\r\n"
    "LastEntry=0\r\n"
    "0=10,Sun,1,0200,1 4,Sun,1,0300,0\r\n"
    "[Newfoundland]\r\n"
    "Bias=-3:30\r\n"
    "HasDaylight=0\r\n"
    "[HalfWest]\r\n"
    "Abbreviation=HW\r\n"
    "Bias=-0:30\r\n"
    "HasDaylight=0\r\n"
    "[Custom]\r\n"
    "Bias=2\r\n"
    "FirstEntry=2020\r\n"
    "LastEntry=2022\r\n"
    "2020=03-27-0200,1 10-25-0300,0\r\n"
    "2021=3,Fri,5,0200,1 10,Sun,5,0200,0\r\n"
    "[Short]\r\n"
    "Bias=1\r\n"
    "FirstEntry=0\r\n"
    "LastEntry=0\r\n"
    "0=3,Sun,5,2,1 10,Sun,5,3,0\r\n";

// The registry's TZI of a zone one hour east with European switch days.
TRegTZIObj::TZI EuropeTzi(std::int32_t Bias = -60)
{
    TRegTZIObj::TZI z{};
    z.Bias = Bias;
    z.DaylightBias = -60;
    z.StandardDate.wMonth = 10;
    z.StandardDate.wDay = 5;
    z.StandardDate.wHour = 3;
    z.DaylightDate.wMonth = 3;
    z.DaylightDate.wDay = 5;
    z.DaylightDate.wHour = 2;
    return z;
}

// A temporary folder with the rules file, and a registry key of the test's
// own standing in for the time-zone database; both removed afterwards.
class KvTimeZonesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TTestFolder::Put(RulesFile, RulesText);
        GDaylightRulesFileName = RulesFile;

        RegPath = "\\Software\\TessalyTestZones" + std::to_string(GetCurrentProcessId()) + "\\";
        SetTimeZoneRegistryKey(HKEY_CURRENT_USER, RegPath);
        LocalTimeZone().Clear();
    }
    void TearDown() override
    {
        GDaylightRulesFileName.clear();
        SetTimeZoneRegistryKey(nullptr, "");
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        reg.DeleteKey(RegPath);
        LocalTimeZone().Clear();
    }

    void WriteZone(const std::string& Zone, const std::string& Sub, const std::string& Value,
                   const void* Data, int Size)
    {
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        ASSERT_TRUE(reg.OpenKey(RegPath + Zone + Sub, true));
        reg.WriteBinaryData(Value, Data, Size);
    }
    void WriteZoneInt(const std::string& Zone, const std::string& Sub, const std::string& Value,
                      int Data)
    {
        TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
        ASSERT_TRUE(reg.OpenKey(RegPath + Zone + Sub, true));
        reg.WriteInteger(Value, Data);
    }

    TTestFolder Folder{"KvTimeZones"};
    std::string RulesFile = Folder.File("DST.dat");
    std::string RegPath;
};

struct TSwitchCase {
    TDateTime Local;
    const char* Utc;
    const char* Offset;
};

void CheckSwitches(TTimeZoneObj& Zone, const TSwitchCase* Cases, std::size_t Count)
{
    for (std::size_t i = 0; i < Count; ++i) {
        const TSwitchCase& c = Cases[i];
        SCOPED_TRACE(Iso(c.Local));
        EXPECT_EQ(Iso(Zone.LocalToUtc(c.Local)), c.Utc);
        EXPECT_EQ(Zone.GetOffsetText(c.Local), c.Offset);
    }
}

}  // namespace

TEST_F(KvTimeZonesTest, NamedOffsetsNeedNoRules)
{
    struct {
        const char* Name;
        int Bias;
        double BiasHours;
        const char* Text;
    } cases[] = {
        {"UTC", 77, 0, "UTC"},      {"utc", 77, 0, "UTC"},        {"0", 77, 0, "UTC"},
        {"+0530", 77, -5.5, "+0530"}, {"-03:30", 77, 3.5, "-0330"}, {"GMT+2", 77, -2, "+0200"},
        {"", 120, -2, "+0200"},     {"anything", -90, 1.5, "-0130"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTimeZoneObj z;
        ASSERT_TRUE(z.InitLocalTimeZone(c.Name, c.Bias));
        EXPECT_NEAR(z.Bias() * 24, c.BiasHours, 1e-9);
        EXPECT_FALSE(z.HasDaylight());
        EXPECT_EQ(z.GetOffsetText(0), c.Text);
        EXPECT_EQ(Iso(z.LocalToUtc(At(2026, 7, 1, 12, 0)) - z.Bias()), "2026-07-01 12:00:00");
    }
}

TEST_F(KvTimeZonesTest, NorthernRulesAcrossTheirSwitchDays)
{
    TTimeZoneObj z;
    ASSERT_TRUE(z.InitLocalTimeZone("CET"));
    EXPECT_TRUE(z.HasDaylight());
    EXPECT_EQ(z.GetOffsetText(0), "CET");
    // 2026: summer time from Sunday 29 March 02:00 to Sunday 25 October 03:00.
    const TSwitchCase cases[] = {
        {At(2026, 1, 15, 12, 0), "2026-01-15 11:00:00", "+0100"},
        {At(2026, 3, 28, 12, 0), "2026-03-28 11:00:00", "+0100"},
        {At(2026, 3, 29, 1, 59), "2026-03-29 00:59:00", "+0100"},
        {At(2026, 3, 29, 3, 0), "2026-03-29 01:00:00", "+0200"},
        {At(2026, 7, 1, 12, 0), "2026-07-01 10:00:00", "+0200"},
        {At(2026, 10, 25, 2, 30), "2026-10-25 00:30:00", "+0200"},
        {At(2026, 10, 25, 3, 30), "2026-10-25 02:30:00", "+0100"},
        {At(2026, 12, 24, 18, 0), "2026-12-24 17:00:00", "+0100"},
        // no daylight rules outside 1975-2035
        {At(1974, 7, 1, 12, 0), "1974-07-01 11:00:00", "+0100"},
        {At(2036, 7, 1, 12, 0), "2036-07-01 11:00:00", "+0100"},
    };
    CheckSwitches(z, cases, std::size(cases));

    struct {
        TDateTime Utc;
        const char* Local;
    } back[] = {
        {At(2026, 3, 29, 0, 59), "2026-03-29 01:59:00"},
        {At(2026, 3, 29, 1, 30), "2026-03-29 03:30:00"},
        {At(2026, 10, 25, 0, 30), "2026-10-25 02:30:00"},
        {At(2026, 10, 25, 2, 30), "2026-10-25 03:30:00"},
    };
    for (const auto& c : back)
        EXPECT_EQ(Iso(z.UtcToLocal(c.Utc)), c.Local) << Iso(c.Utc);
    EXPECT_EQ(z.FormatRfc822Date(At(2026, 7, 1, 10, 0)), "Wed, 01 Jul 2026 12:00:00 +0200");
    EXPECT_EQ(z.FormatRfc822Date(At(2026, 1, 1, 10, 0)), "Thu, 01 Jan 2026 11:00:00 +0100");
    EXPECT_EQ(z.FormatRfc822Date(777), "");
    EXPECT_EQ(z.LocalToUtc(777), 777);
    EXPECT_EQ(z.UtcToLocal(-1), -1);
}

TEST_F(KvTimeZonesTest, SouthernRulesAcrossTheirSwitchDays)
{
    TTimeZoneObj z;
    ASSERT_TRUE(z.InitLocalTimeZone("AUS"));
    EXPECT_EQ(z.ZoneAbbreviation(), "AEST");
    // 2026: standard time from Sunday 5 April 03:00 to Sunday 4 October 02:00;
    // daylight time outside that period.
    const TSwitchCase cases[] = {
        {At(2026, 1, 15, 12, 0), "2026-01-15 01:00:00", "+1100"},
        {At(2026, 4, 5, 2, 30), "2026-04-04 15:30:00", "+1100"},
        {At(2026, 4, 5, 3, 30), "2026-04-04 17:30:00", "+1000"},
        {At(2026, 7, 1, 12, 0), "2026-07-01 02:00:00", "+1000"},
        {At(2026, 10, 4, 1, 59), "2026-10-03 15:59:00", "+1000"},
        {At(2026, 10, 4, 3, 0), "2026-10-03 16:00:00", "+1100"},
        {At(2026, 12, 25, 12, 0), "2026-12-25 01:00:00", "+1100"},
    };
    CheckSwitches(z, cases, std::size(cases));
}

TEST_F(KvTimeZonesTest, RulesFileZones)
{
    struct {
        const char* Name;
        bool Ok;
        double BiasHours;
        const char* Text;  // offset text of the standard time
    } cases[] = {
        // the minutes of a bias share the sign of its hours
        {"NST", true, 3.5, "NST"},
        {"HW", true, 0.5, "HW"},
        {"HALFWESTZONE", true, 0.5, "HW"},  // the longest name of this list
        {"+0300", true, -3, "+0300"},
        {"Central Europe Long Name", true, -1, "CET"},
        {"SHORT", false, 0, "+0000"},
        {"ZZZ", false, 0, "+0000"},
    };
    TMemIniFile ini(RulesFile, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTimeZoneObj z;
        EXPECT_EQ(z.LoadZone(c.Name, ini), c.Ok);
        EXPECT_NEAR(z.Bias() * 24, c.BiasHours, 1e-9);
        EXPECT_EQ(z.GetOffsetText(0), c.Text);
    }

    TTimeZoneObj nst;
    ASSERT_TRUE(nst.InitLocalTimeZone("NST"));
    EXPECT_EQ(Iso(nst.LocalToUtc(At(2026, 7, 1, 12, 0))), "2026-07-01 15:30:00");
    EXPECT_EQ(Iso(nst.UtcToLocal(At(2026, 7, 1, 0, 10))), "2026-06-30 20:40:00");

    // Without a name the file's default zone is used.
    TTimeZoneObj def;
    ASSERT_TRUE(def.InitLocalTimeZone(""));
    EXPECT_EQ(def.ZoneAbbreviation(), "CET");
    EXPECT_FALSE(def.FromSystem());
    EXPECT_EQ(def.GetOffsetText(At(2026, 7, 1, 12, 0)), "+0200");

    // A zone that fails to load behaves as UTC.
    TTimeZoneObj bad;
    EXPECT_FALSE(bad.InitLocalTimeZone("SHORT"));
    EXPECT_EQ(bad.Bias(), 0);
    EXPECT_EQ(bad.LocalToUtc(At(2026, 7, 1, 12, 0)), At(2026, 7, 1, 12, 0));
}

TEST_F(KvTimeZonesTest, YearByYearRules)
{
    TTimeZoneObj z;
    ASSERT_TRUE(z.InitLocalTimeZone("CUS"));
    ASSERT_EQ(z.ZoneRules().size(), 2u);
    // 2020 by fixed dates (27 March 02:00 - 25 October 03:00), 2021 and later
    // by the last Friday of March and the last Sunday of October, earlier
    // years without daylight.
    const TSwitchCase cases[] = {
        {At(2019, 7, 1, 12, 0), "2019-07-01 10:00:00", "+0200"},
        {At(2020, 3, 27, 1, 0), "2020-03-26 23:00:00", "+0200"},
        {At(2020, 3, 27, 3, 0), "2020-03-27 00:00:00", "+0300"},
        {At(2020, 10, 25, 2, 0), "2020-10-24 23:00:00", "+0300"},
        {At(2020, 10, 25, 4, 0), "2020-10-25 02:00:00", "+0200"},
        {At(2021, 3, 26, 1, 0), "2021-03-25 23:00:00", "+0200"},
        {At(2021, 3, 26, 3, 0), "2021-03-26 00:00:00", "+0300"},
        {At(2021, 10, 31, 1, 0), "2021-10-30 22:00:00", "+0300"},
        {At(2021, 10, 31, 3, 0), "2021-10-31 01:00:00", "+0200"},
        {At(2023, 3, 31, 3, 0), "2023-03-31 00:00:00", "+0300"},
    };
    CheckSwitches(z, cases, std::size(cases));
}

TEST_F(KvTimeZonesTest, RuleTexts)
{
    struct {
        const char* Text;
        int Year;
        bool Ok;
        int Month, DayOfWeek, Day, Hour, Minute, Bias;
    } cases[] = {
        {"3,Sun,5,0200,1", 0, true, 3, 0, 5, 2, 0, -60},
        {"10,sat,1,02,0", 0, true, 10, 6, 1, 2, 0, 0},
        {"4,Mon,2,0130,0.5", 0, true, 4, 1, 2, 1, 30, -30},
        {"3,Sun,5,2459,1", 0, true, 3, 0, 5, 24, 59, -60},
        {"03-27-0200,1", 2020, true, 3, 0, 27, 2, 0, -60},
        {"03-27-0200,1", 0, false, 0, 0, 0, 0, 0, 0},
        {"03-32-0200,1", 2020, false, 0, 0, 0, 0, 0, 0},
        {"13,Sun,5,0200,1", 0, false, 0, 0, 0, 0, 0, 0},
        {"3,Xyz,5,0200,1", 0, false, 0, 0, 0, 0, 0, 0},
        {"3,Sun,6,0200,1", 0, false, 0, 0, 0, 0, 0, 0},
        {"3,Sun,5,2500,1", 0, false, 0, 0, 0, 0, 0, 0},
        {"3,Sun,5,0260,1", 0, false, 0, 0, 0, 0, 0, 0},
        {"3,Sun,5,0200,x", 0, false, 0, 0, 0, 0, 0, 0},
        {"3,Sun,5,0200", 0, false, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        SYSTEMTIME st{};
        std::int32_t bias = 7;
        ASSERT_EQ(ParseZoneRuleText(c.Text, c.Year, st, bias), c.Ok);
        if (!c.Ok)
            continue;
        EXPECT_EQ(st.wYear, c.Year);
        EXPECT_EQ(st.wMonth, c.Month);
        EXPECT_EQ(st.wDayOfWeek, c.DayOfWeek);
        EXPECT_EQ(st.wDay, c.Day);
        EXPECT_EQ(st.wHour, c.Hour);
        EXPECT_EQ(st.wMinute, c.Minute);
        EXPECT_EQ(bias, c.Bias);
    }

    struct {
        WORD Year, Month, DayOfWeek, Day, Hour;
        int InYear;
        const char* When;  // "none" when the rule gives no date that year
    } dates[] = {
        {0, 5, 0, 5, 2, 2026, "2026-05-31 02:00:00"},  // 31 May 2026 is itself the last Sunday
        {0, 5, 0, 4, 2, 2026, "2026-05-24 02:00:00"},
        {0, 3, 0, 5, 2, 2026, "2026-03-29 02:00:00"},
        {0, 9, 1, 1, 0, 2026, "2026-09-07 00:00:00"},
        {0, 2, 6, 5, 1, 2024, "2024-02-24 01:00:00"},
        {2020, 3, 0, 27, 2, 2020, "2020-03-27 02:00:00"},
        {2020, 3, 0, 27, 2, 2021, "none"},
        {0, 0, 0, 5, 2, 2026, "none"},
        {0, 13, 0, 5, 2, 2026, "none"},
    };
    for (const auto& d : dates) {
        SYSTEMTIME st{};
        st.wYear = d.Year;
        st.wMonth = d.Month;
        st.wDayOfWeek = d.DayOfWeek;
        st.wDay = d.Day;
        st.wHour = d.Hour;
        TDateTime v = 0;
        const bool ok = RuleTransitionDate(st, d.InYear, v);
        EXPECT_EQ(ok ? Iso(v) : std::string("none"), d.When) << d.Month << "/" << d.Day;
    }
}

TEST_F(KvTimeZonesTest, RegistryZones)
{
    const TRegTZIObj::TZI europe = EuropeTzi();
    WriteZone("Tessaly Test Standard Time", "", "TZI", &europe, sizeof europe);

    TTimeZoneObj z;
    ASSERT_TRUE(z.InitLocalTimeZone("$Tessaly Test Standard Time"));
    EXPECT_NEAR(z.Bias() * 24, -1, 1e-9);
    EXPECT_EQ(z.GetOffsetText(At(2026, 7, 1, 12, 0)), "+0200");
    EXPECT_EQ(Iso(z.LocalToUtc(At(2026, 3, 29, 3, 0))), "2026-03-29 01:00:00");

    // The same key through a "$" entry of the rules file.
    TTimeZoneObj viaFile;
    ASSERT_TRUE(viaFile.InitLocalTimeZone("REG"));
    EXPECT_EQ(viaFile.ZoneRules().size(), 1u);
    EXPECT_EQ(viaFile.GetOffsetText(At(2026, 1, 1, 12, 0)), "+0100");

    // Without a rules file any name is a registry key name.
    GDaylightRulesFileName.clear();
    TTimeZoneObj direct;
    ASSERT_TRUE(direct.InitLocalTimeZone("Tessaly Test Standard Time"));
    EXPECT_FALSE(direct.InitLocalTimeZone("No Such Standard Time"));
    // Nor with a rules file named that is not there, a short name too.
    WriteZone("Short Zone", "", "TZI", &europe, sizeof europe);
    GDaylightRulesFileName = RulesFile + ".gone";
    EXPECT_TRUE(direct.InitLocalTimeZone("Short Zone"));
    EXPECT_EQ(direct.GetOffsetText(At(2026, 7, 1, 12, 0)), "+0200");

    // A value of the wrong size is not a zone.
    WriteZone("Tessaly Short Standard Time", "", "TZI", &europe, sizeof europe - 1);
    EXPECT_FALSE(direct.LoadFromRegistry("Tessaly Short Standard Time"));
}

TEST_F(KvTimeZonesTest, DynamicDaylightYearsAndTheirFallback)
{
    // One zone that moved its switch days: 2020 with European rules, 2021 from
    // the third Sunday of March, and a plain TZI without daylight to fall back to.
    const std::string name = "Tessaly Dynamic Standard Time";
    const TRegTZIObj::TZI plain = [] {
        TRegTZIObj::TZI z{};
        z.Bias = -60;
        return z;
    }();
    TRegTZIObj::TZI y2020 = EuropeTzi(), y2021 = EuropeTzi();
    y2021.DaylightDate.wDay = 3;
    WriteZone(name, "", "TZI", &plain, sizeof plain);
    WriteZoneInt(name, "\\Dynamic DST", "FirstEntry", 2020);
    WriteZoneInt(name, "\\Dynamic DST", "LastEntry", 2021);
    WriteZone(name, "\\Dynamic DST", "2020", &y2020, sizeof y2020);
    WriteZone(name, "\\Dynamic DST", "2021", &y2021, sizeof y2021);

    TTimeZoneObj z;
    ASSERT_TRUE(z.LoadFromRegistry(name));
    ASSERT_EQ(z.ZoneRules().size(), 2u);
    EXPECT_EQ(z.ZoneRules()[0].Year, 2020);
    const TSwitchCase cases[] = {
        {At(2020, 3, 22, 12, 0), "2020-03-22 11:00:00", "+0100"},
        {At(2021, 3, 21, 12, 0), "2021-03-21 10:00:00", "+0200"},
        {At(2022, 3, 20, 12, 0), "2022-03-20 10:00:00", "+0200"},
        {At(2019, 7, 1, 12, 0), "2019-07-01 11:00:00", "+0100"},
    };
    CheckSwitches(z, cases, std::size(cases));

    // A year missing from the table: the plain TZI holds instead.
    WriteZoneInt(name, "\\Dynamic DST", "LastEntry", 2022);
    TTimeZoneObj fallback;
    ASSERT_TRUE(fallback.LoadFromRegistry(name));
    ASSERT_EQ(fallback.ZoneRules().size(), 1u);
    EXPECT_EQ(fallback.ZoneRules()[0].Year, 0);
    EXPECT_FALSE(fallback.HasDaylight());
    EXPECT_EQ(Iso(fallback.LocalToUtc(At(2021, 7, 1, 12, 0))), "2021-07-01 11:00:00");
}

TEST_F(KvTimeZonesTest, SettingUpTheProcessZone)
{
    // A rules file that turns daylight handling off refuses the set-up.
    TTestFolder::Put(RulesFile, "[Time Zone]\r\nUseDaylight=0\r\nCET=Central\r\n");
    EXPECT_FALSE(LocalTimeZone().InitLocalTimeZone("CET"));
    EXPECT_EQ(LocalTimeZone().Bias(), 0);

    // Without a rules file and a name, the system's own zone is taken.
    GDaylightRulesFileName.clear();
    EXPECT_TRUE(LocalTimeZone().InitLocalTimeZone(""));
    EXPECT_TRUE(LocalTimeZone().FromSystem());
    EXPECT_EQ(LocalTimeZone().ZoneRules().size(), 1u);

    // Mail dates follow the process zone.
    TTestFolder::Put(RulesFile, RulesText);
    GDaylightRulesFileName = RulesFile;
    ASSERT_TRUE(LocalTimeZone().InitLocalTimeZone("CET"));
    EXPECT_EQ(Iso(MailDateToLocal("Wed, 1 Jul 2026 10:00:00 +0000", -1)), "2026-07-01 12:00:00");
    EXPECT_EQ(Iso(MailDateToLocal("Thu, 1 Jan 2026 10:00:00 +0000", -1)), "2026-01-01 11:00:00");
    EXPECT_EQ(Iso(MailDateToUtc("Wed, 1 Jul 2026 10:00:00", -1)), "2026-07-01 08:00:00");
    EXPECT_EQ(AscTimeToRfc822Date("Wed Jul  1 10:00:00 2026"), "Wed, 01 Jul 2026 10:00:00 +0200");
    TDateTimeObj d = TDateTimeObj::CreateFromText("Wed, 1 Jul 2026 10:00:00 -0400", 7, 0);
    EXPECT_EQ(d.FormatRfc822(rfcLocal), "Wed, 01 Jul 2026 16:00:00 +0200");
    EXPECT_EQ(LoadResString(SLocalZoneLabel), "Local");
}
