#pragma once
// The start-up of the services the mail engine leans on: the settings store,
// the error log, the name filter and zone tables, the local time zone and
// the hooks the lower libraries leave to the program. The program's start
// and bench/convert both run it, so a conversion from the command line
// behaves as one from the wizard.

#include <string>

class TCmdList;

// The two switches of the command line that this start-up reads.
struct TStartSwitches {
    bool HasErrorLog = false;
    std::string ErrorLog;  // "errorlog": path of the error log, macros allowed
    std::string TimeZone;  // "TimeZone": a zone text; empty for the system's
};

TStartSwitches StartSwitchesOf(const TCmdList& Switches);

// "Corvane Tessaly" and "Corvane\Tessaly": the product name and the
// settings sub-folder, set by the start-up when the program has not.
extern const char* const ProductFamilyName;
extern const char* const ProductShortName;

// The error log's path for a switch value: macros expanded, a relative path
// inside the program's application-data folder; without the switch
// "ErrorLog.txt" there.
std::string ErrorLogPathFor(const TStartSwitches& Switches);

// Sets up the local time zone from a zone text and answers the text the
// program shows for it: "Local" for the system's own zone, else its offset
// ("+0100"); "?" when no zone could be set up.
std::string StartLocalTimeZone(const std::string& ZoneText);

// Everything above, in the order the program's start-up needs it.
void StartEngineServices(const TStartSwitches& Switches);
