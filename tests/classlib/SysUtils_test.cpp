#include "classlib/ResStrings.h"
#include "classlib/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <tuple>

namespace {

enum TSample { soNone, soOther, soSample };

TEST(SysUtilsFormat, ProducesTheExpectedText)
{
    const std::string WithNul("a\0b", 3);
    struct Case {
        std::string Got, Want;
    } Cases[] = {
        {Format("%d", 42), "42"},
        {Format("%5d|", 42), "   42|"},
        {Format("%-5d|", 42), "42   |"},
        {Format("%05d", -42), "-0042"},
        {Format("%.3d", 7), "007"},
        {Format("%0.2d:%0.4d", 5, 987), "05:0987"},
        {Format("%.3d", -7), "-007"},
        {Format("%d", std::int64_t(1) << 40), "1099511627776"},
        {Format("%u", -1), "4294967295"},
        {Format("%u", 7u), "7"},
        {Format("%x", 255), "FF"},
        {Format("%X", -1), "FFFFFFFF"},
        {Format("%.3x_%.4x_%.8x.%.8x", 0xA, 0xBC, 0x1234, 0xFFFFFFFFu), "00A_00BC_00001234.FFFFFFFF"},
        {Format("%8x|", 0xABC), "     ABC|"},
        {Format("%c%c", 'O', 'K'), "OK"},
        {Format("%s", WithNul), WithNul},
        {Format("[%s]", "lit"), "[lit]"},
        {Format("%.2s", "abcdef"), "ab"},
        {Format("%-4s|%4s", "ab", "cd"), "ab  |  cd"},
        {Format("100%%"), "100%"},
        {Format("%u%%", 150), "150%"},
        {Format("%u / %u", 50, 200), "50 / 200"},
        {Format("%1:s %0:s %s", "a", "b"), "b a b"},
        {Format("%*d|%-*d|", 4, 7, 3, 8), "   7|8  |"},
        {Format("%.1f", 2.75), "2.8"},
        {Format("%f", 1.5), "1.50"},
        {Format("%.0f", 3.0), "3"},
        {Format("%n", 1234567.891), "1,234,567.89"},
        {Format("%.3e", 12345.0), "1.23E+004"},
        {Format("%g", 0.5), "0.5"},
        {Format("%p", reinterpret_cast<void*>(0x1234)), "00001234"},
        {Format("%d %s", true, std::string_view("sv")), "1 sv"},
        {Format("no args"), "no args"},
        {Format("%d|%s", soSample, std::string()), "2|"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.Got, C.Want);
}

TEST(SysUtilsFormat, BadFormatsAndArgumentsRaiseConvertError)
{
    // Runtime format texts come from the resource table: a wrong or missing
    // argument must come back as an error, never as a crash.
    std::function<void()> Bad[] = {
        [] { Format("%s", 5); },
        [] { Format("%d", "x"); },
        [] { Format("%d", 1.5); },
        [] { Format("%d"); },
        [] { Format("%d %d", 1); },
        [] { Format("%q", 1); },
        [] { Format("abc%", 1); },
        [] { Format("%p", 5); },
        [] { Format("%5:d", 1); },
        [] { Format("%*d", "w", 1); },
        [] { Format(LoadResString(SListIndexError), "text"); },
    };
    for (auto& F : Bad)
        EXPECT_THROW(F(), EConvertError);
    try {
        Format("%d", "x");
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "Format '%d' invalid or incompatible with argument");
    }
}

TEST(SysUtilsConvert, IntegerTextRoundTrips)
{
    struct Case {
        const char* Text;
        bool Ok;
        int Value;
    } Cases[] = {
        {"12", true, 12},       {" -7", true, -7},     {"+5", true, 5},
        {"$FF", true, 255},     {"0x1F", true, 31},    {"0X1f", true, 31},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"$FFFFFFFF", true, -1}, {"2147483648", false, 0}, {"$100000000", false, 0},
        {"12a", false, 0},      {"", false, 0},        {"-", false, 0},
        {"0x", false, 0},       {"1 ", false, 0},      {"1.0", false, 0},
    };
    for (const Case& C : Cases) {
        int V = -99;
        EXPECT_EQ(TryStrToInt(C.Text, V), C.Ok) << C.Text;
        if (C.Ok) {
            EXPECT_EQ(V, C.Value) << C.Text;
            EXPECT_EQ(StrToInt(C.Text), C.Value);
        } else {
            EXPECT_THROW(StrToInt(C.Text), EConvertError) << C.Text;
            EXPECT_EQ(StrToIntDef(C.Text, -3), -3);
        }
    }
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(IntToStr(-123), "-123");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x12345, 2), "12345");
    EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFF");
    EXPECT_EQ(IntToHex(std::int64_t(-1), 1), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(static_cast<unsigned char>(0xAB), 4), "00AB");
    EXPECT_EQ(IntToHex(static_cast<DWORD>(0xDEADBEEF), 0), "DEADBEEF");
    EXPECT_EQ(IntToStr(18446744073709551615ull), "18446744073709551615");
}

TEST(SysUtilsConvert, FloatTextIsLocaleFree)
{
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(-2.5), "-2.5");
    EXPECT_EQ(FloatToStr(3), "3");
    EXPECT_DOUBLE_EQ(StrToFloat(" 1.25 "), 1.25);
    EXPECT_EQ(StrToFloat(FloatToStr(1.0 / 3)), 1.0 / 3);
    EXPECT_EQ(FloatToStr(1e20), "1E+20");
    double V;
    EXPECT_FALSE(TryStrToFloat("1,5", V));
    EXPECT_FALSE(TryStrToFloat("", V));
    EXPECT_THROW(StrToFloat("abc"), EConvertError);
}

TEST(SysUtilsErrors, OsErrorsCarryCodeAndText)
{
    std::string Msg = SysErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(Msg.empty());
    EXPECT_NE(Msg.back(), '.');
    EXPECT_NE(Msg.back(), '\n');
    try {
        RaiseLastOSError(ERROR_ACCESS_DENIED);
        FAIL();
    } catch (const EOSError& E) {
        EXPECT_EQ(E.ErrorCode, static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(E.Message().rfind("System Error.  Code: 5.\r\n", 0), 0u) << E.Message();
    }
    EXPECT_THROW(Abort(), EAbort);
    try {
        Abort();
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "Operation aborted");
    }
}

TEST(SysUtilsDate, KnownValues)
{
    struct Case {
        int Y, M, D;
        double Value;
        int Dow;
    } Cases[] = {
        {1899, 12, 30, 0, 7}, {1899, 12, 31, 1, 1}, {1900, 1, 1, 2, 2},   {1899, 12, 29, -1, 6},
        {2000, 1, 1, 36526, 7}, {2000, 2, 29, 36585, 3}, {2024, 1, 1, 45292, 2},
        {1, 1, 1, -693593, 2}, {9999, 12, 31, 2958465, 6}, {1600, 3, 1, -109511, 4},
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(EncodeDate(C.Y, C.M, C.D), C.Value) << C.Y << "-" << C.M << "-" << C.D;
        int Y, M, D;
        DecodeDate(C.Value, Y, M, D);
        EXPECT_EQ(Y * 10000 + M * 100 + D, C.Y * 10000 + C.M * 100 + C.D);
        EXPECT_EQ(DayOfWeek(C.Value), C.Dow) << C.Value;
    }
    TDateTime T;
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, T));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, T));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1, T));
    EXPECT_FALSE(TryEncodeDate(2001, 13, 1, T));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, T));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, T));
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(SysUtilsDate, EveryDayRoundTrips)
{
    int Failures = 0;
    int Y0, M0, D0;
    DecodeDate(-693593, Y0, M0, D0);
    for (int Day = -693593; Day <= 2958465 && Failures < 5; ++Day) {
        int Y, M, D;
        DecodeDate(Day, Y, M, D);
        TDateTime Back;
        if (!TryEncodeDate(Y, M, D, Back) || Back != Day) {
            ++Failures;
            ADD_FAILURE() << "day " << Day << " -> " << Y << "-" << M << "-" << D;
        }
        // Consecutive days are consecutive dates.
        if (Day > -693593 && !(D == D0 + 1 || (D == 1 && (M == M0 + 1 || (M == 1 && Y == Y0 + 1))))) {
            ++Failures;
            ADD_FAILURE() << "gap before day " << Day;
        }
        Y0 = Y, M0 = M, D0 = D;
    }
}

TEST(SysUtilsDate, TimesRoundToTheMillisecond)
{
    const double Day = 86400000.0;
    struct Case {
        TDateTime Value;
        const char* Want;
    } Cases[] = {
        {EncodeDate(2020, 1, 1) + 0.5, "2020-01-01 12:00:00"},
        {EncodeDate(2020, 1, 1) + 86399999.4 / Day, "2020-01-01 23:59:59.999"},
        // 23:59:59.9996 is midnight of the next day, never a time with 1000 ms.
        {EncodeDate(2020, 1, 1) + 86399999.6 / Day, "2020-01-02 00:00:00"},
        {EncodeDate(2020, 12, 31) + 86399999.6 / Day, "2021-01-01 00:00:00"},
        {EncodeDate(2020, 1, 1) + 1234.0 / Day, "2020-01-01 00:00:01.234"},
        // Negative values keep a forward-running time of day.
        {-1.25, "1899-12-29 06:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {-1.9999999999, "1899-12-30 00:00:00"},
        {-2 - 86399999.4 / Day, "1899-12-28 23:59:59.999"},
        {EncodeDateTime(1850, 6, 15, 23, 59, 59, 999), "1850-06-15 23:59:59.999"},
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(DateTimeToIsoStr(C.Value), C.Want) << C.Value;
        int H, M, S, Ms;
        DecodeTime(C.Value, H, M, S, Ms);
        EXPECT_LT(Ms, 1000);
        EXPECT_LT(H, 24);
    }
    // Around the end of a day, positive and negative: either the last
    // millisecond of the day or the start of the next, nothing in between.
    for (double Base : {EncodeDate(2020, 1, 1), EncodeDate(1800, 1, 1), 0.0}) {
        for (int Step = 0; Step < 100; ++Step) {
            double Ms = 86399999.0 + Step / 100.0;
            TDateTime V = Base >= 0 ? Base + Ms / Day : Base - Ms / Day;
            std::string Text = DateTimeToIsoStr(V);
            int Y, Mo, D, H, Mi, S, Z;
            DecodeDateTime(V, Y, Mo, D, H, Mi, S, Z);
            EXPECT_TRUE(Z == 999 || (H == 0 && Mi == 0 && S == 0 && Z == 0)) << Text;
        }
    }
    EXPECT_EQ(DateTimeToIsoStr(EncodeDate(2020, 1, 1) + 86399999.5 / Day).substr(0, 10), "2020-01-02");
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
    EXPECT_EQ(DayOfWeek(-1.25), 6);

    // Every millisecond-exact time of a few dates, positive and negative, survives
    // encode and decode.
    for (int Year : {1700, 1899, 1900, 2038}) {
        for (int Ms = 0; Ms < 86400000; Ms += 86400000 / 997 + 13) {
            int H = Ms / 3600000, Mi = Ms / 60000 % 60, S = Ms / 1000 % 60, Z = Ms % 1000;
            TDateTime V = EncodeDateTime(Year, 12, 29, H, Mi, S, Z);
            int Y2, Mo2, D2, H2, Mi2, S2, Z2;
            DecodeDateTime(V, Y2, Mo2, D2, H2, Mi2, S2, Z2);
            ASSERT_EQ(std::make_tuple(Y2, Mo2, D2, H2, Mi2, S2, Z2), std::make_tuple(Year, 12, 29, H, Mi, S, Z))
                << Year << " " << Ms;
        }
    }
}

TEST(SysUtilsDate, FileTimeSystemTimeAndDosDates)
{
    // 2000-01-01 00:00 UTC in 100 ns ticks since 1601.
    const std::uint64_t Y2K = 125911584000000000ull;
    FILETIME Ft{static_cast<DWORD>(Y2K), static_cast<DWORD>(Y2K >> 32)};
    EXPECT_EQ(FileTimeToDateTime(Ft), EncodeDate(2000, 1, 1));
    FILETIME Zero{0, 0};
    EXPECT_EQ(FileTimeToDateTime(Zero), EncodeDate(1601, 1, 1));

    for (TDateTime V : {EncodeDateTime(2000, 1, 1, 0, 0, 0, 1), EncodeDateTime(1601, 1, 1, 0, 0, 0, 0),
                        EncodeDateTime(1899, 12, 29, 6, 30, 0, 500), EncodeDateTime(2107, 12, 31, 23, 59, 59, 999),
                        EncodeDateTime(1969, 7, 20, 20, 17, 40, 0)}) {
        EXPECT_EQ(DateTimeToIsoStr(FileTimeToDateTime(DateTimeToFileTime(V))), DateTimeToIsoStr(V));
        SYSTEMTIME St = DateTimeToSystemTime(V);
        EXPECT_EQ(DateTimeToIsoStr(SystemTimeToDateTime(St)), DateTimeToIsoStr(V));
        // The system's own conversion agrees with ours.
        FILETIME Ft2;
        ASSERT_TRUE(SystemTimeToFileTime(&St, &Ft2));
        FILETIME Ours = DateTimeToFileTime(V);
        EXPECT_EQ(Ours.dwLowDateTime, Ft2.dwLowDateTime);
        EXPECT_EQ(Ours.dwHighDateTime, Ft2.dwHighDateTime);
        EXPECT_EQ(St.wDayOfWeek + 1, DayOfWeek(V));
    }

    const int Dos = static_cast<int>((((21u << 9) | (2u << 5) | 3u) << 16) | ((4u << 11) | (5u << 5) | 3u));
    EXPECT_EQ(DateTimeToFileDate(EncodeDateTime(2001, 2, 3, 4, 5, 6, 0)), Dos);
    EXPECT_EQ(DateTimeToFileDate(EncodeDateTime(2001, 2, 3, 4, 5, 7, 900)), Dos); // 2 s steps
    EXPECT_EQ(FileDateToDateTime(Dos), EncodeDateTime(2001, 2, 3, 4, 5, 6, 0));
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
    EXPECT_THROW(FileDateToDateTime(0), EConvertError); // month 0
    EXPECT_THROW(FileDateToDateTime(static_cast<int>((((1u << 9) | (2u << 5) | 30u) << 16))), EConvertError);
}

TEST(SysUtilsDate, IsoTextParses)
{
    TDateTime V;
    ASSERT_TRUE(TryIsoStrToDateTime("2021-03-04 05:06:07", V));
    EXPECT_EQ(V, EncodeDateTime(2021, 3, 4, 5, 6, 7, 0));
    ASSERT_TRUE(TryIsoStrToDateTime("1899-12-29T06:00", V));
    EXPECT_EQ(V, -1.25);
    ASSERT_TRUE(TryIsoStrToDateTime("12:30:00.250", V));
    EXPECT_EQ(V, EncodeTime(12, 30, 0, 250));
    for (const char* Bad : {"2021-02-30", "21-03-04", "2021-03-04 25:00", "2021-03-04x", "", "12:3"})
        EXPECT_FALSE(TryIsoStrToDateTime(Bad, V)) << Bad;
}

TEST(ResStringsTable, RegisteredTextsLoadByNumber)
{
    EXPECT_EQ(LoadResString(SListIndexError), "List index out of bounds (%d)");
    EXPECT_EQ(LoadResString(SFOpenErrorEx), "Cannot open file \"%s\". %s");
    const std::string Before = ResStringClashes();
    EXPECT_EQ(Before.find("640"), std::string::npos) << Before; // none among the library's own
    RegisterResStrings({{63990, "first"}, {63991, "second %d"}});
    EXPECT_EQ(LoadResString(63991), "second %d");
    EXPECT_TRUE(ResStringExists(63990));
    EXPECT_FALSE(ResStringExists(63989));
    EXPECT_EQ(LoadResString(63989), "");
    RegisterResString(63990, "first"); // the same text again is no clash
    EXPECT_EQ(ResStringClashes(), Before);
    RegisterResString(63990, "other");
    EXPECT_EQ(LoadResString(63990), "first");
    EXPECT_EQ(ResStringClashes(), Before + "63990 ");
}

} // namespace
