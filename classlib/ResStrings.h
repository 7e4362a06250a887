#pragma once
// Numbered resource strings. Every user-visible text lives in one table keyed
// by number and is looked up when shown; each unit registers its own texts at
// static-init time:
//
//   static const TResStringRegistrar Texts{
//       {1201, "Cannot open mailbox \"%s\""},
//       {1202, "Done"},
//   };
//   ... Format(LoadResString(1201), Name) ...
//
// Numbers 64000..64999 belong to the class library itself.

#include <initializer_list>
#include <string>

struct TResStringEntry {
    int Id;
    const char* Text;
};

// Registering a number twice with different texts is a programming error:
// the first text is kept and the clash is recorded (see ResStringClashes).
void RegisterResString(int Id, const char* Text);
void RegisterResStrings(std::initializer_list<TResStringEntry> Entries);

// The text of Id; an unknown number gives "" (a visible empty text beats a
// crash in an error path).
std::string LoadResString(int Id);
bool ResStringExists(int Id);
// Numbers registered twice with different texts, for a test to assert empty.
std::string ResStringClashes();

class TResStringRegistrar {
public:
    TResStringRegistrar(std::initializer_list<TResStringEntry> Entries) { RegisterResStrings(Entries); }
};

// Ids of the class library's own texts.
enum : int {
    SListIndexError = 64000,       // "List index out of bounds (%d)"
    SDuplicateString = 64001,      // "Duplicates not allowed"
    SSortedListError = 64002,      // "Operation not allowed on sorted list"
    SAssignError = 64003,          // "Cannot assign a %s to a %s"
    SReadError = 64004,            // "Stream read error"
    SWriteError = 64005,           // "Stream write error"
    SFOpenErrorEx = 64006,         // "Cannot open file \"%s\". %s"
    SFCreateErrorEx = 64007,       // "Cannot create file \"%s\". %s"
    SInvalidInteger = 64008,       // "'%s' is not a valid integer value"
    SInvalidFormat = 64009,        // "Format '%s' invalid or incompatible with argument"
    SArgumentMissing = 64010,      // "No argument for format '%s'"
    SInvalidDate = 64011,          // "Invalid argument to date encode"
    SInvalidTime = 64012,          // "Invalid argument to time encode"
    SOSError = 64013,              // "System Error.  Code: %d.\r\n%s"
    SUnkOSError = 64014,           // "A call to an OS function failed"
    SInvalidFloat = 64015,         // "'%s' is not a valid floating point value"
    SOperationAborted = 64016,     // "Operation aborted"
    SListCapacityError = 64017,    // "List capacity out of bounds (%d)"
    SDuplicateName = 64018,        // "A component named %s already exists"
    SInvalidName = 64019,          // "''%s'' is not a valid component name"
    SMemoryStreamError = 64020,    // "Out of memory while expanding memory stream"
    SInvalidRegType = 64021,       // "Invalid data type for '%s'"
    SRegCreateFailed = 64022,      // "Failed to create key %s"
    SRegSetDataFailed = 64023,     // "Failed to set data for '%s'"
    SRegGetDataFailed = 64024,     // "Failed to get data for '%s'"
    SInvalidDateTime = 64025,      // "'%s' is not a valid date and time"
    SInvalidBinary = 64026,        // "Invalid binary value in '%s'"
    SIniFileWriteError = 64027,    // "Unable to write to %s"
    SSeekNotImplemented = 64028,   // "Stream does not support seeking"
    SFileDateError = 64029,        // "Invalid DOS file date"
    SRangeError = 64030,           // "Range check error"
    SThreadSelfWait = 64031,       // "Cannot call WaitFor on a thread that frees itself"
    SThreadCreateError = 64032,    // "Thread creation error: %s"
    SCheckSynchronizeError = 64033, // "CheckSynchronize called from a thread that is not the main thread"
};
