#pragma once
// Mail dates: the lazily parsed date object, the tolerant RFC 822 splitter,
// zone texts, asctime texts, letter-pattern dates and the date writers.

#include <cstdint>
#include <functional>
#include <string>

#include "classlib/SysUtils.h"
#include "foundation/KvZoneTexts.h"

// Magic values shared with the readers.
inline constexpr double ValidDateLimit = 26299.99999;  // valid only when strictly later
inline constexpr double NoDateValue = 26298.99999;  // never valid

// How a date's text is laid out (TDateTimeObj's format kind). Any other
// kind below dfkUtcValue is a mail date whose zone is unknown until parsed.
enum : std::uint8_t {
    dfkNone = 0,
    dfkAscTime = 5,     // day name, month name, day, time, year
    dfkFromLine = 6,    // the same, from a From_ line
    dfkHeaderDate = 7,  // a mail date whose zone is in the text
    dfkReceived = 8,    // the same, from a Received field
    dfkUtcText = 9,     // parsed straight to UTC; a trailing offset is kept as zone text
    dfkUtcValue = 10,   // this kind and above: the value is UTC
};

// What is known of a date's zone (TDateTimeObj's zone kind).
enum : std::uint8_t {
    dzkUnsettled = 0,  // worked out on first use
    dzkUnknown = 1,    // taken as local time
    dzkUtc = 2,
    dzkLocal = 3,      // becomes dzkKnown once the local bias is fixed
    dzkKnown = 4,      // a bias or a zone text is held
};

// The zone FormatRfc822 writes a date in; any other mode is rfcOwnZone.
enum : int {
    rfcOwnZone = 0,  // the date's own zone (the local one when it has none)
    rfcUtc = 2,
    rfcLocal = 3,
};

class TDateTimeObj {
public:
    TDateTimeObj() = default;
    TDateTimeObj(TDateTime Value, std::uint8_t FormatKind, std::uint8_t ZoneKind);
    static TDateTimeObj CreateFromText(const std::string& Text, std::uint8_t FormatKind,
                                       std::uint8_t ZoneKind);
    static TDateTimeObj CreateWithOffset(TDateTime Value, double ZoneBias,
                                         const std::string& ZoneText);

    void Assign(const TDateTimeObj* Source);
    void SetDateTime(TDateTime Value);
    void SetWithOffset(TDateTime Value, double ZoneBias, const std::string& ZoneText);
    void SetText(const std::string& Text, std::uint8_t FormatKind, std::uint8_t ZoneKind);

    TDateTime GetDateTime();
    std::uint8_t GetZoneKind();
    bool HasZone();
    double GetZoneBias();
    std::string GetZoneText();
    TDateTime GetUtcDateTime();
    TDateTime GetLocalDateTime();
    std::string FormatRfc822(int Mode);
    bool IsValid();

    void SetFormatKind(std::uint8_t Kind);
    void SetZoneKind(std::uint8_t Kind);
    void SetZoneText(const std::string& Text);

    std::uint8_t FormatKind() const { return FFormatKind; }
    const std::string& DateText() const { return FDateText; }
    const std::string& ZoneTextRaw() const { return FZoneText; }

private:
    void Reset();
    void ApplyOffset(double ZoneBias, const std::string& ZoneText);
    void ApplyKinds(std::uint8_t FormatKind, std::uint8_t ZoneKind);
    void Parse();

    TDateTime FDateTime = 0;
    std::uint8_t FFormatKind = 0;
    std::uint8_t FZoneKind = 0;
    std::string FDateText;
    double FZoneBias = 0;
    std::string FZoneText;
};

bool SplitMailDate(const std::string& Text, TDateTime& Value, std::string& ZoneText);

TDateTime ParseAscTimeDate(const std::string& Text);
std::string FormatAscTimeDate(TDateTime Value);
std::string AscTimeToRfc822Date(const std::string& Text);

TDateTime ParseDateByPattern(const std::string& Text, const std::string& Pattern);

TDateTime MailDateToLocal(const std::string& Text, TDateTime Default);
TDateTime MailDateToUtcEx(const std::string& Text, bool& ZoneFound, TDateTime Default);
TDateTime MailDateToUtc(const std::string& Text, TDateTime Default);

int ParseMonthName(const std::string& Text);  // 1..12, 0 when unknown

bool IsMonthFirstDateFormat(const std::string& Layout);

// The clock and the short-date layout that decide how dates without a full
// year or a known field order read. Both start from the system; a test or a
// caller may pin them (an empty clock or layout returns to the system's).
using TDateClock = std::function<TDateTime()>;
void SetDateClock(TDateClock Clock);
TDateTime DateClockNow();
void SetShortDateLayout(const std::string& Layout);
const std::string& ShortDateLayout();
bool MonthFirstDates();
