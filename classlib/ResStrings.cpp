#include "classlib/ResStrings.h"

#include <map>
#include <mutex>

namespace {

struct TResTable {
    std::mutex Lock;
    std::map<int, const char*> Texts;
    std::string Clashes;
};

// Function-local so that registrars in any unit, run in any static-init
// order, find the table already built.
TResTable& Table()
{
    static TResTable T;
    return T;
}

void RegisterLocked(TResTable& T, int Id, const char* Text)
{
    if (!Text)
        Text = "";
    auto [It, Inserted] = T.Texts.emplace(Id, Text);
    if (!Inserted && std::string(It->second) != Text)
        T.Clashes += std::to_string(Id) + " ";
}

} // namespace

void RegisterResString(int Id, const char* Text)
{
    TResTable& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    RegisterLocked(T, Id, Text);
}

void RegisterResStrings(std::initializer_list<TResStringEntry> Entries)
{
    TResTable& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    for (const TResStringEntry& E : Entries)
        RegisterLocked(T, E.Id, E.Text);
}

std::string LoadResString(int Id)
{
    TResTable& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    auto It = T.Texts.find(Id);
    return It == T.Texts.end() ? std::string() : std::string(It->second);
}

bool ResStringExists(int Id)
{
    TResTable& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    return T.Texts.count(Id) != 0;
}

std::string ResStringClashes()
{
    TResTable& T = Table();
    std::lock_guard<std::mutex> Guard(T.Lock);
    return T.Clashes;
}

// The class library's own texts.
static const TResStringRegistrar ClassLibTexts{
    {SListIndexError, "List index out of bounds (%d)"},
    {SDuplicateString, "Duplicates not allowed"},
    {SSortedListError, "Operation not allowed on sorted list"},
    {SAssignError, "Cannot assign a %s to a %s"},
    {SReadError, "Stream read error"},
    {SWriteError, "Stream write error"},
    {SFOpenErrorEx, "Cannot open file \"%s\". %s"},
    {SFCreateErrorEx, "Cannot create file \"%s\". %s"},
    {SInvalidInteger, "'%s' is not a valid integer value"},
    {SInvalidFormat, "Format '%s' invalid or incompatible with argument"},
    {SArgumentMissing, "No argument for format '%s'"},
    {SInvalidDate, "Invalid argument to date encode"},
    {SInvalidTime, "Invalid argument to time encode"},
    {SOSError, "System Error.  Code: %d.\r\n%s"},
    {SUnkOSError, "A call to an OS function failed"},
    {SInvalidFloat, "'%s' is not a valid floating point value"},
    {SOperationAborted, "Operation aborted"},
    {SListCapacityError, "List capacity out of bounds (%d)"},
    {SDuplicateName, "A component named %s already exists"},
    {SInvalidName, "''%s'' is not a valid component name"},
    {SMemoryStreamError, "Out of memory while expanding memory stream"},
    {SInvalidRegType, "Invalid data type for '%s'"},
    {SRegCreateFailed, "Failed to create key %s"},
    {SRegSetDataFailed, "Failed to set data for '%s'"},
    {SRegGetDataFailed, "Failed to get data for '%s'"},
    {SInvalidDateTime, "'%s' is not a valid date and time"},
    {SInvalidBinary, "Invalid binary value in '%s'"},
    {SIniFileWriteError, "Unable to write to %s"},
    {SSeekNotImplemented, "Stream does not support seeking"},
    {SFileDateError, "Invalid DOS file date"},
    {SRangeError, "Range check error"},
    {SThreadSelfWait, "Cannot call WaitFor on a thread that frees itself"},
    {SThreadCreateError, "Thread creation error: %s"},
    {SCheckSynchronizeError, "CheckSynchronize called from a thread that is not the main thread"},
};
