#include "classlib/SysUtils.h"

#include "classlib/ResStrings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

void Abort()
{
    throw EAbort(LoadResString(SOperationAborted));
}

// ---------------------------------------------------------------------------
// Format
// ---------------------------------------------------------------------------

namespace {

[[noreturn]] void FormatError(std::string_view Fmt)
{
    throw EConvertError(Format(LoadResString(SInvalidFormat), Fmt));
}

std::string UIntToText(std::uint64_t V, unsigned Base, bool Upper)
{
    const char* Digits = Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char Buf[65];
    int P = 64;
    Buf[P] = 0;
    do {
        Buf[--P] = Digits[V % Base];
        V /= Base;
    } while (V);
    return std::string(Buf + P, 64 - P);
}

// Integers that fit 32 bits print as 32-bit values in %u and %x, the way a
// negative 32-bit argument always has.
std::uint64_t AsUnsigned(const TFormatArg& A)
{
    if (A.ArgKind() == TFormatArg::akUInt)
        return A.AsUInt();
    std::int64_t V = A.AsInt();
    if (V < 0 && V >= std::numeric_limits<std::int32_t>::min())
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(V));
    return static_cast<std::uint64_t>(V);
}

bool IsIntegral(const TFormatArg& A)
{
    return A.ArgKind() == TFormatArg::akInt || A.ArgKind() == TFormatArg::akUInt ||
           A.ArgKind() == TFormatArg::akChar;
}

std::string FloatText(double V, char Type, int Prec)
{
    if (std::isnan(V))
        return "NAN";
    if (std::isinf(V))
        return V < 0 ? "-INF" : "INF";
    char CFormat[8];
    char Buf[400];
    // The precision of %e and %g counts significant digits, that of %f, %n
    // and %m decimals (2 when absent).
    if (Type == 'e')
        std::snprintf(CFormat, sizeof CFormat, "%%.%dE", (Prec < 0 ? 15 : std::clamp(Prec, 1, 18)) - 1);
    else if (Type == 'g')
        std::snprintf(CFormat, sizeof CFormat, "%%.%dG", Prec < 0 ? 15 : std::clamp(Prec, 1, 18));
    else
        std::snprintf(CFormat, sizeof CFormat, "%%.%df", Prec < 0 ? 2 : std::min(Prec, 18));
    std::snprintf(Buf, sizeof Buf, CFormat, V);
    std::string S(Buf);
    for (char& C : S)
        if (C == ',')
            C = '.';
    // Three exponent digits whichever C runtime formatted the number.
    std::size_t Ex = S.find('E');
    if (Ex != std::string::npos && Ex + 2 < S.size()) {
        std::size_t Digits = S.size() - (Ex + 2);
        if (Digits < 3)
            S.insert(Ex + 2, 3 - Digits, '0');
    }
    if (Type == 'n' || Type == 'm') {
        // Thousands separated by ','.
        std::size_t Start = (S[0] == '-') ? 1 : 0;
        std::size_t Dot = S.find('.');
        std::size_t End = Dot == std::string::npos ? S.size() : Dot;
        for (std::ptrdiff_t I = static_cast<std::ptrdiff_t>(End) - 3; I > static_cast<std::ptrdiff_t>(Start); I -= 3)
            S.insert(static_cast<std::size_t>(I), 1, ',');
    }
    return S;
}

// The arguments of one Format call and the index of the next one to take;
// "%n:" and "%*:" move the index.
class TFormatArgCursor {
public:
    TFormatArgCursor(std::string_view Fmt, std::initializer_list<TFormatArg> Args)
        : FFmt(Fmt), FArgs(Args.begin()), FCount(Args.size())
    {
    }
    const TFormatArg& Take()
    {
        if (FNext >= FCount)
            throw EConvertError(Format(LoadResString(SArgumentMissing), FFmt));
        return FArgs[FNext++];
    }
    // A width, precision or index given as "*".
    int TakeInt()
    {
        const TFormatArg& A = Take();
        if (!IsIntegral(A))
            FormatError(FFmt);
        std::int64_t V = A.ArgKind() == TFormatArg::akUInt ? static_cast<std::int64_t>(A.AsUInt()) : A.AsInt();
        if (V > 100000 || V < -100000)
            FormatError(FFmt);
        return static_cast<int>(V);
    }
    void MoveTo(std::size_t Index) { FNext = Index; }

private:
    std::string_view FFmt;
    const TFormatArg* FArgs;
    std::size_t FCount;
    std::size_t FNext = 0;
};

// One "%[index:][-][0][width][.prec]type" specifier, read.
struct TFormatSpec {
    bool LeftAlign = false;
    bool ZeroPad = false;
    int Width = -1;
    int Prec = -1;
    char Type = 0; // lower case
};

// Reads the specifier that starts at Fmt[I], just after its '%', and leaves I
// after its type letter. An index moves the argument cursor; a "*" takes an
// argument.
TFormatSpec ParseFormatSpec(std::string_view Fmt, std::size_t& I, TFormatArgCursor& Args)
{
    const std::size_t N = Fmt.size();
    TFormatSpec Spec;
    // [index:]
    std::size_t J = I;
    while (J < N && Fmt[J] >= '0' && Fmt[J] <= '9')
        ++J;
    if (J < N && Fmt[J] == ':' && J > I) {
        unsigned long Idx = 0;
        for (std::size_t K = I; K < J; ++K)
            Idx = Idx * 10 + static_cast<unsigned>(Fmt[K] - '0');
        if (J - I > 6)
            FormatError(Fmt);
        Args.MoveTo(Idx);
        I = J + 1;
    } else if (I + 1 < N && Fmt[I] == '*' && Fmt[I + 1] == ':') {
        Args.MoveTo(static_cast<std::size_t>(std::max(0, Args.TakeInt())));
        I += 2;
    }

    for (; I < N; ++I) {
        if (Fmt[I] == '-')
            Spec.LeftAlign = true;
        else if (Fmt[I] == '0')
            Spec.ZeroPad = true;
        else
            break;
    }
    if (I < N && Fmt[I] == '*') {
        Spec.Width = Args.TakeInt();
        if (Spec.Width < 0) {
            Spec.LeftAlign = true;
            Spec.Width = -Spec.Width;
        }
        ++I;
    } else {
        int W = 0;
        bool Any = false;
        while (I < N && Fmt[I] >= '0' && Fmt[I] <= '9') {
            W = W * 10 + (Fmt[I] - '0');
            if (W > 100000)
                FormatError(Fmt);
            Any = true;
            ++I;
        }
        if (Any)
            Spec.Width = W;
    }
    if (I < N && Fmt[I] == '.') {
        ++I;
        if (I < N && Fmt[I] == '*') {
            Spec.Prec = Args.TakeInt();
            ++I;
        } else {
            int P = 0;
            while (I < N && Fmt[I] >= '0' && Fmt[I] <= '9') {
                P = P * 10 + (Fmt[I] - '0');
                if (P > 100000)
                    FormatError(Fmt);
                ++I;
            }
            Spec.Prec = P;
        }
    }
    if (I >= N)
        FormatError(Fmt);
    char Type = Fmt[I++];
    if (Type >= 'A' && Type <= 'Z')
        Type = static_cast<char>(Type - 'A' + 'a');
    Spec.Type = Type;
    return Spec;
}

// The text of one argument as its specifier asks, padded to the width. Fmt
// is only named in the error.
std::string RenderFormatArg(const TFormatSpec& Spec, const TFormatArg& A, std::string_view Fmt)
{
    const char Type = Spec.Type;
    const int Prec = Spec.Prec;
    const int Width = Spec.Width;
    const bool LeftAlign = Spec.LeftAlign;
    const bool ZeroPad = Spec.ZeroPad;
    std::string Item;
    switch (Type) {
    case 'd':
    case 'u':
    case 'x': {
        if (!IsIntegral(A))
            FormatError(Fmt);
        bool Neg = false;
        std::uint64_t Mag;
        if (Type == 'd' && A.ArgKind() != TFormatArg::akUInt && A.AsInt() < 0) {
            Neg = true;
            Mag = 0 - static_cast<std::uint64_t>(A.AsInt());
        } else if (Type == 'd') {
            Mag = A.ArgKind() == TFormatArg::akUInt ? A.AsUInt() : static_cast<std::uint64_t>(A.AsInt());
        } else {
            Mag = AsUnsigned(A);
        }
        // Hex digits are upper-case for %x as well: stored texts
        // (MIME boundaries, keys) were always written that way.
        std::string Digits = UIntToText(Mag, Type == 'x' ? 16 : 10, true);
        if (Prec >= 0 && static_cast<int>(Digits.size()) < Prec)
            Digits.insert(0, static_cast<std::size_t>(Prec) - Digits.size(), '0');
        if (ZeroPad && !LeftAlign && Prec < 0 && Width > 0) {
            int Room = Width - (Neg ? 1 : 0);
            if (static_cast<int>(Digits.size()) < Room)
                Digits.insert(0, static_cast<std::size_t>(Room) - Digits.size(), '0');
        }
        Item = Neg ? "-" + Digits : Digits;
        break;
    }
    case 'c':
        if (!IsIntegral(A))
            FormatError(Fmt);
        Item.assign(1, static_cast<char>(A.ArgKind() == TFormatArg::akUInt ? A.AsUInt() : static_cast<std::uint64_t>(A.AsInt())));
        break;
    case 's':
        if (A.ArgKind() == TFormatArg::akString) {
            std::string_view S = A.AsString();
            if (Prec >= 0 && S.size() > static_cast<std::size_t>(Prec))
                S = S.substr(0, static_cast<std::size_t>(Prec));
            Item.assign(S.data(), S.size());
        } else if (A.ArgKind() == TFormatArg::akChar) {
            Item.assign(1, static_cast<char>(A.AsInt()));
        } else {
            FormatError(Fmt);
        }
        break;
    case 'f':
    case 'e':
    case 'g':
    case 'n':
    case 'm': {
        double V;
        if (A.ArgKind() == TFormatArg::akFloat)
            V = A.AsFloat();
        else if (A.ArgKind() == TFormatArg::akInt)
            V = static_cast<double>(A.AsInt());
        else if (A.ArgKind() == TFormatArg::akUInt)
            V = static_cast<double>(A.AsUInt());
        else
            FormatError(Fmt);
        Item = FloatText(V, Type, Prec);
        if (ZeroPad && !LeftAlign && Width > static_cast<int>(Item.size()) && std::isfinite(V)) {
            std::size_t At = (Item[0] == '-') ? 1 : 0;
            Item.insert(At, static_cast<std::size_t>(Width) - Item.size(), '0');
        }
        break;
    }
    case 'p':
        if (A.ArgKind() != TFormatArg::akPointer)
            FormatError(Fmt);
        Item = UIntToText(reinterpret_cast<std::uintptr_t>(A.AsPointer()), 16, true);
        Item.insert(0, sizeof(void*) * 2 - Item.size(), '0');
        break;
    default:
        FormatError(Fmt);
    }
    if (Width > static_cast<int>(Item.size())) {
        std::size_t Pad = static_cast<std::size_t>(Width) - Item.size();
        if (LeftAlign)
            Item.append(Pad, ' ');
        else
            Item.insert(0, Pad, ' ');
    }
    return Item;
}

} // namespace

std::string FormatArgs(std::string_view Fmt, std::initializer_list<TFormatArg> Args)
{
    TFormatArgCursor Cursor(Fmt, Args);
    std::string Out;
    Out.reserve(Fmt.size() + 16 * Args.size());

    std::size_t I = 0;
    const std::size_t N = Fmt.size();
    while (I < N) {
        std::size_t Pct = Fmt.find('%', I);
        if (Pct == std::string_view::npos) {
            Out.append(Fmt.substr(I));
            break;
        }
        Out.append(Fmt.substr(I, Pct - I));
        I = Pct + 1;
        if (I >= N)
            FormatError(Fmt);
        if (Fmt[I] == '%') {
            Out += '%';
            ++I;
            continue;
        }
        const TFormatSpec Spec = ParseFormatSpec(Fmt, I, Cursor);
        Out += RenderFormatArg(Spec, Cursor.Take(), Fmt);
    }
    return Out;
}

// ---------------------------------------------------------------------------
// Integer and float conversions
// ---------------------------------------------------------------------------

std::string IntToHexBits(std::uint64_t Bits, int Digits)
{
    std::string S = UIntToText(Bits, 16, true);
    if (Digits > 64)
        Digits = 64;
    if (static_cast<int>(S.size()) < Digits)
        S.insert(0, static_cast<std::size_t>(Digits) - S.size(), '0');
    return S;
}

namespace {

// Leading blanks, a sign, then decimal digits or "$"/"0x" hex digits; hex
// may fill all Bits bits (so "$FFFFFFFF" is -1 as a 32-bit value).
bool ParseInt(const std::string& S, int Bits, std::int64_t& Out)
{
    std::size_t I = 0, N = S.size();
    while (I < N && (S[I] == ' ' || S[I] == '\t'))
        ++I;
    bool Neg = false;
    if (I < N && (S[I] == '+' || S[I] == '-')) {
        Neg = S[I] == '-';
        ++I;
    }
    bool Hex = false;
    if (I < N && S[I] == '$') {
        Hex = true;
        ++I;
    } else if (I + 1 < N && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
        Hex = true;
        I += 2;
    }
    if (I >= N)
        return false;
    const std::uint64_t Limit = Bits == 64 ? ~0ull : ((1ull << Bits) - 1);
    std::uint64_t V = 0;
    for (; I < N; ++I) {
        unsigned char C = static_cast<unsigned char>(S[I]);
        unsigned D;
        if (C >= '0' && C <= '9')
            D = C - '0';
        else if (Hex && C >= 'a' && C <= 'f')
            D = C - 'a' + 10;
        else if (Hex && C >= 'A' && C <= 'F')
            D = C - 'A' + 10;
        else
            return false;
        unsigned Base = Hex ? 16 : 10;
        if (V > (Limit - D) / Base)
            return false;
        V = V * Base + D;
    }
    const std::uint64_t SignedMax = Bits == 64 ? 0x7FFFFFFFFFFFFFFFull : ((1ull << (Bits - 1)) - 1);
    std::int64_t R;
    if (Hex) {
        // The bit pattern of the target width.
        if (Bits == 64)
            R = static_cast<std::int64_t>(V);
        else
            R = V > SignedMax ? static_cast<std::int64_t>(V) - static_cast<std::int64_t>(1ull << Bits) : static_cast<std::int64_t>(V);
        if (Neg)
            R = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(R));
    } else {
        if (Neg) {
            if (V > SignedMax + 1)
                return false;
            R = static_cast<std::int64_t>(0 - V);
        } else {
            if (V > SignedMax)
                return false;
            R = static_cast<std::int64_t>(V);
        }
    }
    Out = R;
    return true;
}

} // namespace

bool TryStrToInt(const std::string& S, int& Value)
{
    std::int64_t V;
    if (!ParseInt(S, 32, V))
        return false;
    Value = static_cast<int>(V);
    return true;
}

bool TryStrToInt64(const std::string& S, std::int64_t& Value)
{
    return ParseInt(S, 64, Value);
}

int StrToInt(const std::string& S)
{
    int V;
    if (!TryStrToInt(S, V))
        throw EConvertError(Format(LoadResString(SInvalidInteger), S));
    return V;
}

std::int64_t StrToInt64(const std::string& S)
{
    std::int64_t V;
    if (!TryStrToInt64(S, V))
        throw EConvertError(Format(LoadResString(SInvalidInteger), S));
    return V;
}

int StrToIntDef(const std::string& S, int Default)
{
    int V;
    return TryStrToInt(S, V) ? V : Default;
}

std::int64_t StrToInt64Def(const std::string& S, std::int64_t Default)
{
    std::int64_t V;
    return TryStrToInt64(S, V) ? V : Default;
}

std::string FloatToStr(double Value)
{
    if (std::isnan(Value))
        return "NAN";
    if (std::isinf(Value))
        return Value < 0 ? "-INF" : "INF";
    char Buf[64];
    // The shortest text that reads back as the same double.
    auto R = std::to_chars(Buf, Buf + sizeof Buf, Value);
    std::string S(Buf, R.ptr);
    for (char& C : S)
        if (C == 'e')
            C = 'E';
    return S;
}

bool TryStrToFloat(const std::string& S, double& Value)
{
    std::size_t B = 0, E = S.size();
    while (B < E && (S[B] == ' ' || S[B] == '\t'))
        ++B;
    while (E > B && (S[E - 1] == ' ' || S[E - 1] == '\t'))
        --E;
    if (B < E && S[B] == '+')
        ++B;
    if (B >= E)
        return false;
    double V = 0;
    auto R = std::from_chars(S.data() + B, S.data() + E, V);
    if (R.ec != std::errc() || R.ptr != S.data() + E)
        return false;
    Value = V;
    return true;
}

double StrToFloat(const std::string& S)
{
    double V;
    if (!TryStrToFloat(S, V))
        throw EConvertError(Format(LoadResString(SInvalidFloat), S));
    return V;
}

// ---------------------------------------------------------------------------
// OS errors
// ---------------------------------------------------------------------------

std::string SysErrorMessage(DWORD ErrorCode)
{
    char Buf[1024];
    DWORD Len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                   FORMAT_MESSAGE_ARGUMENT_ARRAY,
                               nullptr, ErrorCode, 0, Buf, sizeof Buf, nullptr);
    // The system ends its texts with a period and a line break; callers put
    // the text inside sentences of their own.
    while (Len > 0 && (static_cast<unsigned char>(Buf[Len - 1]) <= 32 || Buf[Len - 1] == '.'))
        --Len;
    return std::string(Buf, Len);
}

void RaiseLastOSError()
{
    RaiseLastOSError(GetLastError());
}

void RaiseLastOSError(DWORD LastError)
{
    if (LastError != 0)
        throw EOSError(Format(LoadResString(SOSError), LastError, SysErrorMessage(LastError)), LastError);
    throw EOSError(LoadResString(SUnkOSError), 0);
}

// ---------------------------------------------------------------------------
// TDateTime kernel
// ---------------------------------------------------------------------------

namespace {

constexpr std::int64_t MSecsPerDayI = 86400000;
constexpr std::int64_t TicksPerMSec = 10000;
// 1601-01-01 as a day number relative to 1899-12-30.
constexpr std::int64_t FileTimeBaseDays = -109205;

const int MonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                              {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// 32-bit builds may compute in 80-bit x87 registers; a date must come out
// as the same double whichever way it was reached (callers compare them),
// so results pass through a 64-bit memory slot once.
double Rounded(double V)
{
    volatile double R = V;
    return R;
}

// A TDateTime as milliseconds on a straight time line from 1899-12-30 (the
// stored form keeps a negative day's time-of-day positive, so -1.25 is
// -0.75 day on the line). Rounding to the millisecond happens here once, on
// the whole value, so 23:59:59.9996 becomes midnight of the next day rather
// than a time with 1000 ms.
std::int64_t ToLineMSecs(TDateTime Value)
{
    if (!(Value >= -1e7 && Value <= 1e7))
        return 0;
    double Day = std::trunc(Value);
    double Frac = std::fabs(Value - Day);
    return static_cast<std::int64_t>(Day) * MSecsPerDayI + std::llround(Rounded(Frac * MSecsPerDay));
}

// Whole days before the moment on the time line (rounding down, also for
// negative values).
std::int64_t FloorDays(std::int64_t Ms)
{
    return Ms >= 0 ? Ms / MSecsPerDayI : -((-Ms + MSecsPerDayI - 1) / MSecsPerDayI);
}

TDateTime FromLineMSecs(std::int64_t Ms)
{
    std::int64_t Days = FloorDays(Ms);
    std::int64_t Time = Ms - Days * MSecsPerDayI;
    double Frac = static_cast<double>(Time) / MSecsPerDay;
    return Rounded(Days >= 0 ? static_cast<double>(Days) + Frac : static_cast<double>(Days) - Frac);
}

// Day number relative to 1899-12-30 -> civil date.
void DaysToDate(std::int64_t Days, int& Year, int& Month, int& Day)
{
    std::int64_t D = Days + DateDelta - 1; // days since 0001-01-01
    if (D < 0 || D > 3652058) {
        Year = Month = Day = 0;
        return;
    }
    std::int64_t Y400 = D / 146097;
    D %= 146097;
    std::int64_t Y100 = D / 36524;
    if (Y100 == 4)
        Y100 = 3;
    D -= Y100 * 36524;
    std::int64_t Y4 = D / 1461;
    D %= 1461;
    std::int64_t Y1 = D / 365;
    if (Y1 == 4)
        Y1 = 3;
    D -= Y1 * 365;
    int Y = static_cast<int>(Y400 * 400 + Y100 * 100 + Y4 * 4 + Y1 + 1);
    const int* Table = MonthDays[IsLeapYear(Y) ? 1 : 0];
    int M = 0;
    while (D >= Table[M]) {
        D -= Table[M];
        ++M;
    }
    Year = Y;
    Month = M + 1;
    Day = static_cast<int>(D) + 1;
}

std::int64_t DateToDays(int Year, int Month, int Day)
{
    const int* Table = MonthDays[IsLeapYear(Year) ? 1 : 0];
    std::int64_t D = Day;
    for (int M = 0; M < Month - 1; ++M)
        D += Table[M];
    std::int64_t Y = Year - 1;
    return Y * 365 + Y / 4 - Y / 100 + Y / 400 + D - DateDelta;
}

bool ValidDate(int Year, int Month, int Day)
{
    return Year >= 1 && Year <= 9999 && Month >= 1 && Month <= 12 && Day >= 1 &&
           Day <= DaysInMonth(Year, Month);
}

bool ValidTime(int Hour, int Min, int Sec, int MSec)
{
    return Hour >= 0 && Hour < 24 && Min >= 0 && Min < 60 && Sec >= 0 && Sec < 60 && MSec >= 0 &&
           MSec < 1000;
}

} // namespace

bool IsLeapYear(int Year)
{
    return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

int DaysInMonth(int Year, int Month)
{
    if (Month < 1 || Month > 12)
        return 0;
    return MonthDays[IsLeapYear(Year) ? 1 : 0][Month - 1];
}

int DaysInYear(int Year)
{
    return IsLeapYear(Year) ? 366 : 365;
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date)
{
    if (!ValidDate(Year, Month, Day))
        return false;
    Date = static_cast<double>(DateToDays(Year, Month, Day));
    return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time)
{
    if (!ValidTime(Hour, Min, Sec, MSec))
        return false;
    Time = Rounded(static_cast<double>(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / MSecsPerDay);
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day)
{
    TDateTime D;
    if (!TryEncodeDate(Year, Month, Day, D))
        throw EConvertError(LoadResString(SInvalidDate));
    return D;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec)
{
    TDateTime T;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, T))
        throw EConvertError(LoadResString(SInvalidTime));
    return T;
}

bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec,
                       TDateTime& Value)
{
    TDateTime D, T;
    if (!TryEncodeDate(Year, Month, Day, D) || !TryEncodeTime(Hour, Min, Sec, MSec, T))
        return false;
    Value = Rounded(D >= 0 ? D + T : D - T);
    return true;
}

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec)
{
    TDateTime V;
    if (!TryEncodeDateTime(Year, Month, Day, Hour, Min, Sec, MSec, V))
        throw EConvertError(ValidDate(Year, Month, Day) ? LoadResString(SInvalidTime)
                                                        : LoadResString(SInvalidDate));
    return V;
}

void DecodeDateTime(TDateTime Value, int& Year, int& Month, int& Day, int& Hour, int& Min,
                    int& Sec, int& MSec)
{
    std::int64_t Ms = ToLineMSecs(Value);
    std::int64_t Days = FloorDays(Ms);
    std::int64_t T = Ms - Days * MSecsPerDayI;
    DaysToDate(Days, Year, Month, Day);
    MSec = static_cast<int>(T % 1000);
    T /= 1000;
    Sec = static_cast<int>(T % 60);
    T /= 60;
    Min = static_cast<int>(T % 60);
    Hour = static_cast<int>(T / 60);
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day)
{
    int H, M, S, Ms;
    DecodeDateTime(Date, Year, Month, Day, H, M, S, Ms);
}

bool DecodeDateFully(TDateTime Date, int& Year, int& Month, int& Day, int& DOW)
{
    DecodeDate(Date, Year, Month, Day);
    DOW = DayOfWeek(Date);
    return IsLeapYear(Year);
}

void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec)
{
    int Y, Mo, D;
    DecodeDateTime(Time, Y, Mo, D, Hour, Min, Sec, MSec);
}

int DayOfWeek(TDateTime Date)
{
    std::int64_t Ms = ToLineMSecs(Date);
    std::int64_t Days = FloorDays(Ms);
    // 1899-12-30 was a Saturday (7).
    std::int64_t R = ((Days + 6) % 7 + 7) % 7;
    return static_cast<int>(R) + 1;
}

TDateTime DateOf(TDateTime Value)
{
    std::int64_t Ms = ToLineMSecs(Value);
    std::int64_t Days = FloorDays(Ms);
    return static_cast<double>(Days);
}

TDateTime TimeOf(TDateTime Value)
{
    std::int64_t Ms = ToLineMSecs(Value);
    std::int64_t T = ((Ms % MSecsPerDayI) + MSecsPerDayI) % MSecsPerDayI;
    return Rounded(static_cast<double>(T) / MSecsPerDay);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& ST)
{
    return EncodeDateTime(ST.wYear, ST.wMonth, ST.wDay, ST.wHour, ST.wMinute, ST.wSecond,
                          ST.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(TDateTime Value)
{
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
    SYSTEMTIME ST{};
    ST.wYear = static_cast<WORD>(Y);
    ST.wMonth = static_cast<WORD>(Mo);
    ST.wDay = static_cast<WORD>(D);
    ST.wDayOfWeek = static_cast<WORD>(DayOfWeek(Value) - 1);
    ST.wHour = static_cast<WORD>(H);
    ST.wMinute = static_cast<WORD>(Mi);
    ST.wSecond = static_cast<WORD>(S);
    ST.wMilliseconds = static_cast<WORD>(Ms);
    return ST;
}

TDateTime Now()
{
    SYSTEMTIME ST;
    GetLocalTime(&ST);
    return SystemTimeToDateTime(ST);
}

TDateTime Date()
{
    SYSTEMTIME ST;
    GetLocalTime(&ST);
    return EncodeDate(ST.wYear, ST.wMonth, ST.wDay);
}

TDateTime Time()
{
    SYSTEMTIME ST;
    GetLocalTime(&ST);
    return EncodeTime(ST.wHour, ST.wMinute, ST.wSecond, ST.wMilliseconds);
}

TDateTime FileTimeToDateTime(const FILETIME& FT)
{
    std::uint64_t Ticks = (static_cast<std::uint64_t>(FT.dwHighDateTime) << 32) | FT.dwLowDateTime;
    std::int64_t Ms = static_cast<std::int64_t>((Ticks + TicksPerMSec / 2) / TicksPerMSec);
    return FromLineMSecs(Ms + FileTimeBaseDays * MSecsPerDayI);
}

FILETIME DateTimeToFileTime(TDateTime Value)
{
    std::int64_t Ms = ToLineMSecs(Value) - FileTimeBaseDays * MSecsPerDayI;
    std::uint64_t Ticks = Ms < 0 ? 0 : static_cast<std::uint64_t>(Ms) * TicksPerMSec;
    FILETIME FT;
    FT.dwLowDateTime = static_cast<DWORD>(Ticks);
    FT.dwHighDateTime = static_cast<DWORD>(Ticks >> 32);
    return FT;
}

TDateTime FileDateToDateTime(int FileDate)
{
    unsigned Hi = static_cast<unsigned>(FileDate) >> 16;
    unsigned Lo = static_cast<unsigned>(FileDate) & 0xFFFF;
    TDateTime V;
    if (!TryEncodeDateTime(static_cast<int>((Hi >> 9) + 1980), static_cast<int>((Hi >> 5) & 15),
                           static_cast<int>(Hi & 31), static_cast<int>(Lo >> 11),
                           static_cast<int>((Lo >> 5) & 63), static_cast<int>((Lo & 31) * 2), 0, V))
        throw EConvertError(LoadResString(SFileDateError));
    return V;
}

int DateTimeToFileDate(TDateTime Value)
{
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
    if (Y < 1980 || Y > 2107)
        return 0;
    unsigned Hi = (static_cast<unsigned>(Y - 1980) << 9) | (static_cast<unsigned>(Mo) << 5) |
                  static_cast<unsigned>(D);
    unsigned Lo = (static_cast<unsigned>(H) << 11) | (static_cast<unsigned>(Mi) << 5) |
                  static_cast<unsigned>(S / 2);
    return static_cast<int>((Hi << 16) | Lo);
}

std::string DateToIsoStr(TDateTime Value)
{
    int Y, Mo, D;
    DecodeDate(Value, Y, Mo, D);
    return Format("%.4d-%.2d-%.2d", Y, Mo, D);
}

std::string TimeToIsoStr(TDateTime Value)
{
    int H, Mi, S, Ms;
    DecodeTime(Value, H, Mi, S, Ms);
    std::string R = Format("%.2d:%.2d:%.2d", H, Mi, S);
    if (Ms != 0)
        R += Format(".%.3d", Ms);
    return R;
}

std::string DateTimeToIsoStr(TDateTime Value)
{
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
    std::string R = Format("%.4d-%.2d-%.2d %.2d:%.2d:%.2d", Y, Mo, D, H, Mi, S);
    if (Ms != 0)
        R += Format(".%.3d", Ms);
    return R;
}

namespace {

bool ReadDigits(const std::string& S, std::size_t& I, std::size_t Count, int& Out)
{
    if (I + Count > S.size())
        return false;
    int V = 0;
    for (std::size_t K = 0; K < Count; ++K) {
        char C = S[I + K];
        if (C < '0' || C > '9')
            return false;
        V = V * 10 + (C - '0');
    }
    I += Count;
    Out = V;
    return true;
}

bool ParseIsoTime(const std::string& S, std::size_t& I, TDateTime& T)
{
    int H, Mi, Sec = 0, Ms = 0;
    if (!ReadDigits(S, I, 2, H) || I >= S.size() || S[I++] != ':' || !ReadDigits(S, I, 2, Mi))
        return false;
    if (I < S.size() && S[I] == ':') {
        ++I;
        if (!ReadDigits(S, I, 2, Sec))
            return false;
        if (I < S.size() && S[I] == '.') {
            ++I;
            if (!ReadDigits(S, I, 3, Ms))
                return false;
        }
    }
    return TryEncodeTime(H, Mi, Sec, Ms, T);
}

} // namespace

// Accepts "yyyy-mm-dd", "hh:nn[:ss[.zzz]]" and the two joined by a blank or 'T'.
bool TryIsoStrToDateTime(const std::string& Text, TDateTime& Value)
{
    std::size_t B = 0, E = Text.size();
    while (B < E && Text[B] == ' ')
        ++B;
    while (E > B && Text[E - 1] == ' ')
        --E;
    std::string S = Text.substr(B, E - B);
    std::size_t I = 0;
    if (S.size() >= 5 && S[2] == ':') {
        TDateTime T;
        if (!ParseIsoTime(S, I, T) || I != S.size())
            return false;
        Value = T;
        return true;
    }
    int Y, Mo, D;
    if (!ReadDigits(S, I, 4, Y) || I >= S.size() || S[I++] != '-' || !ReadDigits(S, I, 2, Mo) ||
        I >= S.size() || S[I++] != '-' || !ReadDigits(S, I, 2, D))
        return false;
    TDateTime Dt;
    if (!TryEncodeDate(Y, Mo, D, Dt))
        return false;
    if (I == S.size()) {
        Value = Dt;
        return true;
    }
    if (S[I] != ' ' && S[I] != 'T')
        return false;
    ++I;
    TDateTime T;
    if (!ParseIsoTime(S, I, T) || I != S.size())
        return false;
    Value = Rounded(Dt >= 0 ? Dt + T : Dt - T);
    return true;
}
