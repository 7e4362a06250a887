#pragma once
// Exceptions, Format, integer conversions and the date-time kernel.

#include <windows.h>

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// ---------------------------------------------------------------------------
// Exceptions
// ---------------------------------------------------------------------------

class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(std::string Msg) : FMessage(std::move(Msg)) {}
    ~Exception() override = default;

    const std::string& Message() const noexcept { return FMessage; }
    void SetMessage(std::string Msg) { FMessage = std::move(Msg); }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

class EAbort : public Exception { public: using Exception::Exception; };
class EConvertError : public Exception { public: using Exception::Exception; };
class ERangeError : public Exception { public: using Exception::Exception; };
class EListError : public Exception { public: using Exception::Exception; };
// A list value outside its bounds is a list error too.
class EOutOfRange : public EListError { public: using EListError::EListError; };
class EStringListError : public Exception { public: using Exception::Exception; };
class EInOutError : public Exception {
public:
    using Exception::Exception;
    int ErrorCode = 0;
};
class EFileError : public Exception {
public:
    using Exception::Exception;
    EFileError(std::string Msg, DWORD Code) : Exception(std::move(Msg)), ErrorCode(Code) {}
    DWORD ErrorCode = 0; // the Windows error behind it, 0 when none
};
class EOSError : public Exception {
public:
    EOSError() = default;
    EOSError(std::string Msg, DWORD Code) : Exception(std::move(Msg)), ErrorCode(Code) {}
    DWORD ErrorCode = 0;
};

// Throws the silent exception that unwinds without an error report.
[[noreturn]] void Abort();

// ---------------------------------------------------------------------------
// Format
// ---------------------------------------------------------------------------

// One argument of Format; built implicitly from the usual value types so
// Format("%s: %d", Name, Count) needs no casts.
class TFormatArg {
public:
    enum Kind { akInt, akUInt, akFloat, akString, akChar, akPointer };

    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> &&
                                               !std::is_same_v<T, char> && !std::is_same_v<T, bool>,
                                           int> = 0>
    TFormatArg(T V) : FKind(akInt), FInt(static_cast<std::int64_t>(V)) {}
    template <typename T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> &&
                                               !std::is_same_v<T, bool>,
                                           int> = 0>
    TFormatArg(T V) : FKind(akUInt), FUInt(static_cast<std::uint64_t>(V)) {}
    template <typename T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
    TFormatArg(T V) : FKind(akInt), FInt(static_cast<std::int64_t>(V)) {}
    TFormatArg(bool V) : FKind(akInt), FInt(V ? 1 : 0) {}
    TFormatArg(char V) : FKind(akChar), FInt(static_cast<unsigned char>(V)) {}
    TFormatArg(double V) : FKind(akFloat), FFloat(V) {}
    TFormatArg(float V) : FKind(akFloat), FFloat(V) {}
    TFormatArg(long double V) : FKind(akFloat), FFloat(static_cast<double>(V)) {}
    TFormatArg(const std::string& V) : FKind(akString), FStr(V.data(), V.size()) {}
    TFormatArg(std::string_view V) : FKind(akString), FStr(V) {}
    TFormatArg(const char* V) : FKind(akString), FStr(V ? std::string_view(V) : std::string_view()) {}
    TFormatArg(char* V) : TFormatArg(static_cast<const char*>(V)) {}
    TFormatArg(const void* V) : FKind(akPointer), FPtr(V) {}
    TFormatArg(std::nullptr_t) : FKind(akPointer), FPtr(nullptr) {}

    Kind ArgKind() const { return FKind; }
    std::int64_t AsInt() const { return FInt; }
    std::uint64_t AsUInt() const { return FUInt; }
    double AsFloat() const { return FFloat; }
    std::string_view AsString() const { return FStr; }
    const void* AsPointer() const { return FPtr; }

private:
    Kind FKind;
    union {
        std::int64_t FInt;
        std::uint64_t FUInt;
        double FFloat;
        const void* FPtr;
    };
    std::string_view FStr;
};

// printf-like formatting over %[index:][-][0][width|*][.prec|.*]type with
// types d u x X c s f e g n p m and %%. The precision of d u x is a minimum
// digit count ("%.3d" of 7 is "007"), of s a maximum length; %x and %X both
// give upper-case digits; %u and %x show a negative 32-bit integer as its
// 32-bit pattern; floats always use '.'. A wrong or missing argument raises
// EConvertError instead of reading garbage, so formats loaded at run time
// from the resource table are safe.
std::string FormatArgs(std::string_view Fmt, std::initializer_list<TFormatArg> Args);

template <typename... A>
std::string Format(std::string_view Fmt, const A&... Args)
{
    return FormatArgs(Fmt, {TFormatArg(Args)...});
}

// ---------------------------------------------------------------------------
// Integer and float conversions
// ---------------------------------------------------------------------------

template <typename T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
std::string IntToStr(T Value)
{
    return std::to_string(Value);
}
// Upper-case hex of the value's own width: a negative int gives 8 digits
// ("FFFFFFFF"), a negative 64-bit value 16; at least Digits digits.
std::string IntToHexBits(std::uint64_t Bits, int Digits);
template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
std::string IntToHex(T Value, int Digits)
{
    return IntToHexBits(static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(Value)), Digits);
}
std::int64_t StrToInt64(const std::string& S);          // EConvertError on bad text
int StrToInt(const std::string& S);                      // EConvertError on bad text / overflow
int StrToIntDef(const std::string& S, int Default);
std::int64_t StrToInt64Def(const std::string& S, std::int64_t Default);
bool TryStrToInt(const std::string& S, int& Value);
bool TryStrToInt64(const std::string& S, std::int64_t& Value);
// Floats use '.' as decimal separator whatever the locale: stored settings
// must read back on any machine.
std::string FloatToStr(double Value);
double StrToFloat(const std::string& S);                  // EConvertError on bad text
bool TryStrToFloat(const std::string& S, double& Value);

// ---------------------------------------------------------------------------
// OS errors
// ---------------------------------------------------------------------------

std::string SysErrorMessage(DWORD ErrorCode);
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD LastError);

// ---------------------------------------------------------------------------
// TDateTime kernel: days since 1899-12-30, the fraction is the time of day.
// Negative values count back, their fraction still runs forward in time
// (-1.25 is 1899-12-29 06:00).
// ---------------------------------------------------------------------------

using TDateTime = double;

constexpr double HoursPerDay = 24;
constexpr double MinsPerDay = 24 * 60;
constexpr double SecsPerDay = 24 * 60 * 60;
constexpr double MSecsPerDay = 24.0 * 60 * 60 * 1000;
constexpr int DateDelta = 693594;            // days from 0001-01-01 to 1899-12-30
constexpr TDateTime MinDateTime = -693593.0; // 0001-01-01
constexpr TDateTime MaxDateTime = 2958465.99999; // 9999-12-31 23:59:59.999

bool IsLeapYear(int Year);
int DaysInMonth(int Year, int Month);
int DaysInYear(int Year);

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time);
TDateTime EncodeDate(int Year, int Month, int Day);       // EConvertError when invalid
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec); // EConvertError when invalid
bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec,
                       TDateTime& Value);
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec);

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
bool DecodeDateFully(TDateTime Date, int& Year, int& Month, int& Day, int& DOW);
void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec);
void DecodeDateTime(TDateTime Value, int& Year, int& Month, int& Day, int& Hour, int& Min,
                    int& Sec, int& MSec);

TDateTime Now();
TDateTime Date();
TDateTime Time();
int DayOfWeek(TDateTime Date); // 1 = Sunday ... 7 = Saturday

// The date part and the time part of a value (DateOf(-1.25) is -1.0).
TDateTime DateOf(TDateTime Value);
TDateTime TimeOf(TDateTime Value);

// FILETIME is UTC, 100 ns ticks since 1601-01-01; no zone conversion here.
TDateTime FileTimeToDateTime(const FILETIME& FT);
FILETIME DateTimeToFileTime(TDateTime Value);
TDateTime SystemTimeToDateTime(const SYSTEMTIME& ST);
SYSTEMTIME DateTimeToSystemTime(TDateTime Value);
// DOS date-time: high word date (years since 1980), low word time (2 s steps).
TDateTime FileDateToDateTime(int FileDate); // EConvertError when invalid
int DateTimeToFileDate(TDateTime Value);    // 0 outside 1980..2107

// ISO text "yyyy-mm-dd hh:nn:ss" (plus ".zzz" when MSec != 0); used where a
// machine-independent text form is needed (ini files, logs of tests).
std::string DateTimeToIsoStr(TDateTime Value);
std::string DateToIsoStr(TDateTime Value);
std::string TimeToIsoStr(TDateTime Value);
bool TryIsoStrToDateTime(const std::string& S, TDateTime& Value);
