#pragma once
// Zone texts and the names dates are written with: offsets and zone names
// read to a bias, a bias written back, day names and the RFC 822 writer.
// Both the date readers (KvDates) and the local zone (KvTimeZones) read and
// write these texts, so they sit below the two.

#include <functional>
#include <string>

#include "classlib/SysUtils.h"

// Magic values shared with the readers and the zone object.
inline constexpr double ZoneBiasPending = 77.0;     // bias still to be worked out
inline constexpr double ZoneUnknown = 777.0;        // a zone that no text names

double ParseZoneOffset(const std::string& Text, double Default);
double ParseOffsetText(const std::string& Text, double Default);
std::string CleanZoneText(const std::string& Text);
std::string FormatZoneBias(double Bias);

std::string BuildRfc822Date(const std::string& ZoneText, TDateTime Value);

int ParseDayName(const std::string& Text);    // 1..7 (Sunday first), -1 when unknown
extern const char* const ShortMonthNames[13];  // [1] "Jan" .. [12] "Dec"
extern const char* const ShortDayNames[8];     // [1] "Sun" .. [7] "Sat"

// Process-wide zone-name lookup (zone abbreviation -> offset text), installed
// by whoever holds a zone table; empty function when none.
using TZoneNameLookup = std::function<std::string(const std::string&)>;
void SetZoneNameLookup(TZoneNameLookup Lookup);

// Byte helpers the date readers share. Mail dates are ASCII here: digits and
// blanks only.
namespace KvDateBytes {
bool AllDigits(const std::string& S);
std::string TrimBlanks(const std::string& S);
int DigitsValue(const std::string& S);
}  // namespace KvDateBytes
