#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/KvDates.h"
#include "foundation/KvTimeZones.h"

namespace {

std::string Iso(TDateTime V) { return V < 0 ? std::string("fail") : DateTimeToIsoStr(V); }

// Pins what decides how dates parse: "today" is 15 June 2026, the short
// date layout is day-first, the local zone is UTC. Restored afterwards.
class KvDatesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDateClock([] { return EncodeDateTime(2026, 6, 15, 12, 0, 0, 0); });
        SetShortDateLayout("dd.MM.yyyy");
        LocalTimeZone().Clear();
    }
    void TearDown() override
    {
        SetDateClock(nullptr);
        SetShortDateLayout("");
        SetZoneNameLookup(nullptr);
        LocalTimeZone().Clear();
    }
};

struct TMailDateCase {
    const char* Text;
    const char* Utc;       // expected UTC, "fail" when the text must not parse
    const char* ZoneText;  // zone text the splitter finds
    bool ZoneFound;        // the zone names a known offset
};

// Date and Received values as they occur in real mail.
const TMailDateCase MailDateCases[] = {
    // RFC 822 with numeric zones
    {"Mon, 12 Jan 2009 10:20:30 +0100", "2009-01-12 09:20:30", "+0100", true},
    {"Mon, 12 Jan 2009 10:20:30 -0500 (EST)", "2009-01-12 15:20:30", "-0500", true},
    {"Wed, 17 Sep 1997 16:55:12 +0200 (MET DST)", "1997-09-17 14:55:12", "+0200", true},
    {"Thu, 2 Apr 2009 17:41:53 -0700 (PDT)", "2009-04-03 00:41:53", "-0700", true},
    {"Sat, 1 Jan 00 00:00:00 +0200", "1999-12-31 22:00:00", "+0200", true},
    {"Mon, 12 Jan 2009 10:20:30 +05:30", "2009-01-12 04:50:30", "+05:30", true},
    {"Mon, 12 Jan 2009 10:20:30 0100", "2009-01-12 09:20:30", "0100", true},
    {"Mon,\r\n\t12 Jan 2009 10:20:30 +0100", "2009-01-12 09:20:30", "+0100", true},
    {"Fri, 10 Dec 2010 22:08:27 -0800 (envelope-from <return@example.com>)",
     "2010-12-11 06:08:27", "-0800", true},
    {"Mon, 14 Jul 2014 04:01:18 -0000 (UTC)", "2014-07-14 04:01:18", "-0000", true},
    // zone abbreviations
    {"12 Jan 2009 10:20 EST", "2009-01-12 15:20:00", "EST", true},
    {"Tue, 3 Feb 2009 04:05:06 GMT", "2009-02-03 04:05:06", "GMT", true},
    {"Tue, 3 Feb 09 04:05:06 PST", "2009-02-03 12:05:06", "PST", true},
    {"Tue, 24 Dec 91 08:14:38 EST", "1991-12-24 13:14:38", "EST", true},
    {"Fri, 20 Mar 2009 08:00:00 (CET)", "2009-03-20 07:00:00", "CET", true},
    {"12 Jan 2009 10:20:30 PM EST", "2009-01-13 03:20:30", "EST", true},
    {"12 Jan 2009 10:20:30 PM +0100", "2009-01-12 21:20:30", "+0100", true},
    {"Sun, 6 Dec 2026 13:50:27 Z", "2026-12-06 13:50:27", "Z", false},
    {"Sun, 6 Dec 2026 13:50:27 XYZ", "2026-12-06 13:50:27", "XYZ", false},
    // asctime and other layouts without a zone (taken as local time)
    {"Tue Feb  3 04:05:06 2009", "2009-02-03 04:05:06", "", false},
    {"Tuesday, February 3, 2009 4:05 AM", "2009-02-03 04:05:00", "", false},
    {"Wed, Feb 9, 2011 at 11:54 AM", "2011-02-09 11:54:00", "", false},
    {"1 Jan 2009 12:00:00 PM", "2009-01-01 12:00:00", "", false},
    {"1 Jan 2009 12:00:00 AM", "2009-01-01 00:00:00", "", false},
    {"12.01.09 10:20:30", "2009-01-12 10:20:30", "", false},
    // a four-digit year first is year, month, day even on a day-first layout
    {"2009-02-03 04:05:06", "2009-02-03 04:05:06", "", false},
    {"2009-02-28 04:05:06", "2009-02-28 04:05:06", "", false},
    {"2009/12/31", "2009-12-31 00:00:00", "", false},
    {"2009.02.13 23:00", "2009-02-13 23:00:00", "", false},
    // two-digit years around the current one (2026)
    {"1 Jan 99", "1999-01-01 00:00:00", "", false},
    {"1 Jan 00", "2000-01-01 00:00:00", "", false},
    {"12 Jan 26", "2026-01-12 00:00:00", "", false},
    {"12 Jan 27", "2012-01-27 00:00:00", "", false},
    {"12 Jan 32", "1932-01-12 00:00:00", "", false},
    // missing seconds
    {"Mon, 12 Jan 2009 10:20 +0100", "2009-01-12 09:20:00", "+0100", true},
    // foreign month names (Windows-1252 bytes)
    {"Mo, 12 Mrz 2009 10:20:30 +0100", "2009-03-12 09:20:30", "+0100", true},
    {"ma, 12 okt 2009 10:00:00 +0200", "2009-10-12 08:00:00", "+0200", true},
    {"lun, 5 Ene 2009 08:00 -0300", "2009-01-05 11:00:00", "-0300", true},
    {"3 J\xFAn 2009 10:00:00 +0000", "2009-06-03 10:00:00", "+0000", true},
    {"3 J\xDAL 2009 10:00:00 +0000", "2009-07-03 10:00:00", "+0000", true},
    {"12 \xC1g\xFA 2009 10:00:00 +0000", "2009-08-12 10:00:00", "+0000", true},
    {"7 M\xEDi 2009 10:00:00 +0000", "2009-05-07 10:00:00", "+0000", true},
    // garbage
    {"", "fail", "", false},
    {"hello", "fail", "", false},
    {"no date in here at all", "fail", "", false},
    {"Jan 12 2009 10:20:30 PM", "fail", "", false},
    {"Feb 3, 2009 4:05:06 PM", "fail", "", false},
    {"1 Jan 1959", "fail", "", false},
    {"1 Jan 2201", "fail", "", false},
    {"31 Feb 2009 10:00:00 +0000", "fail", "+0000", false},
    {"12 Xyz 2009 10:00:00 +0000", "fail", "+0000", false},
    {"12 \xE1g\xFA 2009 10:00:00 +0000", "fail", "+0000", false},
    {"Mon, 12 Jan 2009 99:20:30 +0100", "fail", "+0100", false},
    {"Wed, 15 Dec 2010    59:10 -0500", "fail", "-0500", false},
    {"Mon, 30 Jun 3609 15:33:50 +0600", "fail", "+0600", false},
    {"${EMAILDATE}", "fail", "", false},
};

}  // namespace

TEST_F(KvDatesTest, MailDatesReadAsUtc)
{
    for (const TMailDateCase& c : MailDateCases) {
        SCOPED_TRACE(c.Text);
        TDateTime v;
        std::string zone;
        const bool split = SplitMailDate(c.Text, v, zone);
        EXPECT_EQ(split, std::string(c.Utc) != "fail");
        if (split) {
            EXPECT_EQ(zone, c.ZoneText);
        }
        bool found = true;
        const TDateTime utc = MailDateToUtcEx(c.Text, found, -1);
        EXPECT_EQ(Iso(utc), c.Utc);
        EXPECT_EQ(found, split && c.ZoneFound);
        // The local zone is UTC here: the local reading is the same instant.
        EXPECT_EQ(Iso(MailDateToLocal(c.Text, -1)), c.Utc);
    }
    EXPECT_EQ(MailDateToUtc("", 123.0), 123.0);
    EXPECT_EQ(MailDateToUtc("garbage text", 456.0), 456.0);
}

// The first and last years a mail date may hold pass, one past either end fails.
TEST_F(KvDatesTest, MailDateYearsFrom1960To2200)
{
    const struct {
        const char* Text;
        TDateTime Value;  // -1: refused
    } Cases[] = {
        {"1 Jan 1960", EncodeDate(1960, 1, 1)},
        {"31 Dec 2200", EncodeDate(2200, 12, 31)},
        {"31 Dec 1959", -1},
        {"1 Jan 2201", -1},
        // The shortest date read.
        {"1/1/09", EncodeDate(2009, 1, 1)},
    };
    for (const auto& C : Cases) {
        TDateTime V;
        std::string Zone;
        EXPECT_EQ(SplitMailDate(C.Text, V, Zone), C.Value >= 0) << C.Text;
        EXPECT_EQ(V, C.Value) << C.Text;
    }
}

TEST_F(KvDatesTest, FieldOrderAndCenturyFollowTheInjectedSettings)
{
    struct {
        const char* Layout;
        int Year;
        const char* Text;
        const char* Utc;
    } cases[] = {
        {"M/d/yyyy", 2026, "2009-02-03", "2009-02-03 00:00:00"},
        {"dd.MM.yyyy", 2026, "2009-02-03", "2009-02-03 00:00:00"},
        {"dd.MM.yyyy", 2026, "03-02-2009", "2009-02-03 00:00:00"},
        {"M/d/yyyy", 2026, "03-02-2009", "2009-03-02 00:00:00"},
        {"dd.MM.yyyy", 2026, "02/03/09 10:00", "2009-03-02 10:00:00"},
        // "26" is a year of this century only once 2026 has come
        {"dd.MM.yyyy", 2026, "12 Jan 26", "2026-01-12 00:00:00"},
        {"dd.MM.yyyy", 2020, "12 Jan 26", "2012-01-26 00:00:00"},
        {"dd.MM.yyyy", 2010, "12 Jan 09", "2009-01-12 00:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Layout) + " " + c.Text);
        SetShortDateLayout(c.Layout);
        const int year = c.Year;
        SetDateClock([year] { return EncodeDate(year, 6, 15); });
        EXPECT_EQ(Iso(MailDateToUtc(c.Text, -1)), c.Utc);
    }
}

TEST_F(KvDatesTest, ZoneTextsReadAsOffsets)
{
    struct {
        const char* Text;
        double Hours;  // 777 for the default
    } cases[] = {
        {"EST", -5},       {"est", -5},        {"GMT", 0},        {"UT", 0},
        {"NZDT", 13},      {"IDLW", -12},      {"CEST", 2},       {"GMT+0530", 5.5},
        {"UTC-3", -3},     {"+05:30", 5.5},    {"-0330", -3.5},   {"+5", 5},
        {"0100", 1},       {"-123", -1.3833333333333333}, {"+123456", 777}, {"XYZ", 777},
        {"Z", 777},        {"", 777},          {"(EST)", 777},    {"ESTERNTIME", 777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const double v = ParseZoneOffset(c.Text, 777);
        if (c.Hours == 777) {
            EXPECT_EQ(v, 777);
        } else {
            EXPECT_NEAR(v * 24, c.Hours, 1e-9);
        }
    }

    struct {
        const char* Text;
        const char* Clean;
    } clean[] = {
        {"+0100 (CET)", "+0100"}, {"(EST)", "EST"}, {"0100", "0100"}, {"+05:30", "+05:30"},
        {"-0500", "-0500"},       {"\"PST\" ", "PST"}, {"+01", "+01"},
    };
    for (const auto& c : clean)
        EXPECT_EQ(CleanZoneText(c.Text), c.Clean) << c.Text;
}

TEST_F(KvDatesTest, ZoneNameLookupIsConsultedBeforeTheTable)
{
    SetZoneNameLookup([](const std::string& Name) {
        return Name == "MSK" ? std::string("+0300") : Name == "EST" ? std::string("-0400")
                                                                    : std::string();
    });
    EXPECT_NEAR(ParseZoneOffset("MSK", 777) * 24, 3, 1e-9);
    EXPECT_NEAR(ParseZoneOffset("EST", 777) * 24, -4, 1e-9);
    EXPECT_NEAR(ParseZoneOffset("PST", 777) * 24, -8, 1e-9);
    EXPECT_EQ(Iso(MailDateToUtc("12 Jan 2009 10:00:00 MSK", -1)), "2009-01-12 07:00:00");
    SetZoneNameLookup(nullptr);
    EXPECT_EQ(ParseZoneOffset("MSK", 777), 777);
}

TEST_F(KvDatesTest, ZoneBiasesWriteAsSignedOffsets)
{
    struct {
        double Bias;
        const char* Text;
    } cases[] = {
        {-1.0 / 24, "+0100"}, {0, "+0000"},       {5.5 / 24, "-0530"}, {-13.0 / 24, "+1300"},
        {-0.5 / 24, "+0030"}, {77, ""},           {777, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatZoneBias(c.Bias), c.Text) << c.Bias;
}

TEST_F(KvDatesTest, AscTimeTextsReadAndWrite)
{
    struct {
        const char* Text;
        const char* Value;
    } cases[] = {
        {"Tue Feb  3 04:05:06 2009", "2009-02-03 04:05:06"},
        {"Tue Feb 13 04:05:06 2009", "2009-02-13 04:05:06"},
        {"Tue Feb  3 04:05:06 +0000 2009", "2009-02-03 04:05:06"},
        {"Tue Feb  3 04:05:xx 2009", "2009-02-03 04:05:00"},
        {"Tue Feb  3 04:05:06 2009 ", "fail"},
        {"Tue Feb  3 04:05:06 +0100 2009", "fail"},
        {"Tue Xyz  3 04:05:06 2009", "fail"},
        {"Tue Feb  0 04:05:06 2009", "fail"},
        {"Tue Feb 30 04:05:06 2009", "fail"},
        {"Tue Feb  3 xx:05:06 2009", "fail"},
        {"Tue Feb  3 04-05-06 2009", "fail"},
        {"Tue Feb  3 04:05:06 20x9", "fail"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Iso(ParseAscTimeDate(c.Text)), c.Value) << c.Text;

    const TDateTime v = EncodeDateTime(2026, 12, 6, 13, 50, 27, 0);
    EXPECT_EQ(FormatAscTimeDate(v), "Sun Dec  6 13:50:27 2026");
    EXPECT_EQ(FormatAscTimeDate(EncodeDateTime(2009, 2, 13, 4, 5, 6, 0)),
              "Fri Feb 13 04:05:06 2009");
    EXPECT_EQ(BuildRfc822Date("+0100", v), "Sun, 06 Dec 2026 13:50:27 +0100");
    EXPECT_EQ(BuildRfc822Date("", v), "Sun, 06 Dec 2026 13:50:27");
    EXPECT_EQ(AscTimeToRfc822Date("Tue Feb  3 04:05:06 2009"), "Tue, 03 Feb 2009 04:05:06 +0000");
    EXPECT_EQ(AscTimeToRfc822Date("not a date"), "not a date");
    ASSERT_TRUE(LocalTimeZone().InitLocalTimeZone("+0200"));
    EXPECT_EQ(AscTimeToRfc822Date("Tue Feb  3 04:05:06 2009"), "Tue, 03 Feb 2009 04:05:06 +0200");
}

TEST_F(KvDatesTest, MonthAndDayNames)
{
    struct {
        const char* Text;
        int Month;
    } months[] = {
        {"Jan", 1},           {"jAN", 1},           {"January", 1},       {"Ja", 0},
        {"Gen", 1},           {"Hel", 2},           {"Mrz", 3},           {"maa", 3},
        {"Avr", 4},           {"M\xEDi", 5},        {"M\xCDI", 5},        {"Tou", 5},
        {"J\xFAn", 6},        {"J\xDAN", 6},        {"kes", 6},           {"KES", 6},
        {"J\xFAl", 7},        {"\xC1g\xFA", 8},     {"\xC1G\xFA", 8},     {"\xE1g\xFA", 0},
        {"Syy", 9},           {"Lok", 10},          {"N\xF3v", 11},       {"N\xD3V", 0},
        {"nov", 11},          {"Jou", 12},          {"Xyz", 0},           {"", 0},
    };
    for (const auto& c : months)
        EXPECT_EQ(ParseMonthName(c.Text), c.Month) << c.Text;

    struct {
        const char* Text;
        int Day;
    } days[] = {{"Sun", 1}, {"mon", 2}, {"SAT", 7}, {"Sunday", -1}, {"Su", -1}, {"Xyz", -1}};
    for (const auto& c : days)
        EXPECT_EQ(ParseDayName(c.Text), c.Day) << c.Text;

    struct {
        const char* Layout;
        bool MonthFirst;
    } layouts[] = {{"M/d/yyyy", true},   {"MM/dd/yy", true},    {"MMM d, yyyy", true},
                   {"dd.MM.yyyy", false}, {"yyyy-MM-dd", false}, {"MM/yy", false},
                   {"", false}};
    for (const auto& c : layouts)
        EXPECT_EQ(IsMonthFirstDateFormat(c.Layout), c.MonthFirst) << c.Layout;
}

TEST_F(KvDatesTest, PatternDates)
{
    struct {
        const char* Text;
        const char* Pattern;
        const char* Value;
    } cases[] = {
        {"03/12/2009", "DD/MM/YYYY", "2009-12-03 00:00:00"},
        {"3/12/2009 4:05 PM", "D/M/YYYY H:NN 12", "2009-12-03 16:05:00"},
        {"3/1/2009 12:05 am", "D/M/YYYY H:NN 12", "2009-01-03 00:05:00"},
        {"12/31/09 23:59:58", "MM/DD/YY HH:NN:SS", "2009-12-31 23:59:58"},
        {"20090203", "yyyymmdd", "2009-02-03 00:00:00"},
        {"10:20", "HH:NN", "2026-06-15 10:20:00"},
        {"07/2009", "MM/YYYY", "2009-07-15 00:00:00"},
        {"xx/12/2009", "DD/MM/YYYY", "fail"},
        {"31/02/2009", "DD/MM/YYYY", "fail"},
        {"03/12/20x9", "DD/MM/YYYY", "fail"},
        {"1/2", "DD/MM/YYYY", "fail"},
        {"", "DD", "fail"},
        // the locale-style reading of an empty pattern (layout day-first)
        {"03.02.2009 10:20", "", "2009-02-03 10:20:00"},
        {"3 Feb 2009", "", "2009-02-03 00:00:00"},
        {"2009-02-03", "", "2009-02-03 00:00:00"},
        {"03.02", "", "2026-02-03 00:00:00"},
        {"no date", "", "fail"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Iso(ParseDateByPattern(c.Text, c.Pattern)), c.Value)
            << c.Text << " / " << c.Pattern;
    SetShortDateLayout("M/d/yyyy");
    EXPECT_EQ(Iso(ParseDateByPattern("2/3/2009 1:02:03 PM", "")), "2009-02-03 13:02:03");
}

TEST_F(KvDatesTest, DateObjectsParseOnFirstUseAndKeepTheirZone)
{
    ASSERT_TRUE(LocalTimeZone().InitLocalTimeZone("+0200"));
    const TDateTime jan12 = EncodeDateTime(2009, 1, 12, 10, 20, 30, 0);

    TDateTimeObj d = TDateTimeObj::CreateFromText("Mon, 12 Jan 2009 10:20:30 +0100", 7, 0);
    EXPECT_EQ(d.GetDateTime(), jan12);
    EXPECT_TRUE(d.HasZone());
    EXPECT_EQ(d.GetZoneText(), "+0100");
    EXPECT_NEAR(d.GetZoneBias(), -1.0 / 24, 1e-12);
    EXPECT_EQ(Iso(d.GetUtcDateTime()), "2009-01-12 09:20:30");
    EXPECT_EQ(Iso(d.GetLocalDateTime()), "2009-01-12 11:20:30");
    EXPECT_EQ(d.FormatRfc822(rfcOwnZone), "Mon, 12 Jan 2009 10:20:30 +0100");
    EXPECT_EQ(d.FormatRfc822(rfcUtc), "Mon, 12 Jan 2009 09:20:30 UTC");
    EXPECT_EQ(d.FormatRfc822(rfcLocal), "Mon, 12 Jan 2009 11:20:30 +0200");
    EXPECT_TRUE(d.IsValid());

    // Without a zone the date is taken as local time.
    TDateTimeObj n = TDateTimeObj::CreateFromText("12 Jan 2009 10:20:30", 1, 0);
    EXPECT_EQ(n.GetZoneKind(), 1);
    EXPECT_FALSE(n.HasZone());
    EXPECT_NEAR(n.GetZoneBias(), -2.0 / 24, 1e-12);
    EXPECT_EQ(Iso(n.GetUtcDateTime()), "2009-01-12 08:20:30");
    EXPECT_EQ(Iso(n.GetLocalDateTime()), "2009-01-12 10:20:30");
    EXPECT_EQ(n.GetZoneText(), "+0200");

    // The bias asked for before the value still comes from the text's zone.
    TDateTimeObj early = TDateTimeObj::CreateFromText("Mon, 12 Jan 2009 10:20:30 +0100", 1, 0);
    EXPECT_NEAR(early.GetZoneBias(), -1.0 / 24, 1e-12);

    // A zone text that names no zone counts as UTC.
    TDateTimeObj z = TDateTimeObj::CreateFromText("12 Jan 2009 10:20:30 PM Z", 7, 0);
    EXPECT_EQ(Iso(z.GetDateTime()), "2009-01-12 22:20:30");
    EXPECT_EQ(z.GetZoneBias(), 0);
    EXPECT_EQ(z.GetZoneText(), "Z");

    TDateTimeObj a = TDateTimeObj::CreateFromText("Tue Feb  3 04:05:06 2009", 6, 0);
    EXPECT_EQ(Iso(a.GetDateTime()), "2009-02-03 04:05:06");
    EXPECT_FALSE(a.HasZone());

    // Kind 9 reads straight to UTC and keeps the offset only as text.
    TDateTimeObj k9 = TDateTimeObj::CreateFromText("Mon, 12 Jan 2009 10:20:30 +0100", 9, 0);
    EXPECT_EQ(Iso(k9.GetDateTime()), "2009-01-12 09:20:30");
    EXPECT_EQ(k9.ZoneTextRaw(), "+0100");
    EXPECT_EQ(Iso(k9.GetUtcDateTime()), "2009-01-12 09:20:30");
    EXPECT_EQ(Iso(k9.GetLocalDateTime()), "2009-01-12 11:20:30");

    TDateTimeObj bad = TDateTimeObj::CreateFromText("not a date", 7, 0);
    EXPECT_EQ(bad.GetDateTime(), -1);
    EXPECT_FALSE(bad.IsValid());
    TDateTimeObj bad9 = TDateTimeObj::CreateFromText("not a date", 9, 0);
    EXPECT_EQ(bad9.GetDateTime(), NoDateValue);
    EXPECT_FALSE(bad9.IsValid());

    TDateTimeObj copy(d);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.GetDateTime(), 0);
    EXPECT_EQ(copy.DateText(), "");
    copy.Assign(&d);
    EXPECT_EQ(copy.FormatRfc822(rfcOwnZone), "Mon, 12 Jan 2009 10:20:30 +0100");
}

TEST_F(KvDatesTest, DateObjectZoneKinds)
{
    const TDateTime v = EncodeDateTime(2009, 1, 12, 10, 0, 0, 0);
    struct {
        double Bias;
        const char* Zone;
        int Kind;
        const char* Utc;
    } cases[] = {
        {0, "", 2, "2009-01-12 10:00:00"},
        {-1.0 / 24, "+0100", 4, "2009-01-12 09:00:00"},
        {77, "", 1, "2009-01-12 10:00:00"},
        {77, "EST", 4, "2009-01-12 15:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Zone);
        TDateTimeObj d = TDateTimeObj::CreateWithOffset(v, c.Bias, c.Zone);
        EXPECT_EQ(d.GetZoneKind(), c.Kind);
        EXPECT_EQ(Iso(d.GetUtcDateTime()), c.Utc);
    }

    TDateTimeObj utc(v, 10, 0);
    EXPECT_EQ(utc.GetZoneKind(), 2);
    EXPECT_EQ(utc.FormatRfc822(rfcOwnZone), "Mon, 12 Jan 2009 10:00:00 +0000");

    ASSERT_TRUE(LocalTimeZone().InitLocalTimeZone("-0300"));
    TDateTimeObj local(v, 0, 3);
    EXPECT_EQ(local.GetZoneKind(), 4);
    EXPECT_EQ(local.GetZoneText(), "-0300");
    EXPECT_EQ(Iso(local.GetUtcDateTime()), "2009-01-12 13:00:00");

    TDateTimeObj first(EncodeDate(1972, 1, 1), 0, 0), second(EncodeDate(1972, 1, 2), 0, 0);
    EXPECT_FALSE(first.IsValid());
    EXPECT_TRUE(second.IsValid());
}

TEST_F(KvDatesTest, HostileTextsNeverCrash)
{
    // Short and long texts of date-like bytes: every routine must answer a
    // value or a failure, never read out of bounds.
    const std::string alphabet = "0123456789 :+-,./()APMJanFebZ\xE1\xC1\t";
    unsigned seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        std::string s;
        const int len = static_cast<int>(seed % 40);
        for (int k = 0; k < len; ++k) {
            seed = seed * 1103515245u + 12345u;
            s += alphabet[(seed >> 16) % alphabet.size()];
        }
        seed = seed * 1103515245u + 12345u;
        TDateTime v;
        std::string zone;
        if (SplitMailDate(s, v, zone)) {
            EXPECT_NE(v, -1) << s;
        }
        ParseAscTimeDate(s);
        ParseDateByPattern(s, "D/M/YYYY H:NN 12");
        ParseDateByPattern(s, "");
        ParseZoneOffset(s, 777);
        TDateTimeObj d = TDateTimeObj::CreateFromText(s, static_cast<std::uint8_t>(i % 12), 0);
        d.GetUtcDateTime();
        d.GetZoneText();
    }
}
