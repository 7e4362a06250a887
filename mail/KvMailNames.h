#pragma once
// What a message is called when it gets a file of its own: its identity
// digest, subject and date read from the raw text, the safe file name made
// from a subject (with the optional transliteration rules of the name
// filter) and the file extension of a media type. The header end these
// routines share is FindBodyStart of KvMimeHeaders. Nothing here raises.

#include <string>

#include "classlib/SysUtils.h"

class TKvCharFilter;

// Resource id of the name given to an empty file name.
inline constexpr int SNoName = 65263;

// The Message-ID value, or "$" + the MD5 hex of a fallback identity when
// Fallback is set (empty otherwise).
void GetMessageIdentity(const std::string& Text, bool IsHeader, bool Fallback, std::string& Result);
// 32 lower-case hex digits naming the message.
std::string GetMessageIdentityDigest(const std::string& Text, bool IsHeader);

std::string GetMessageDateText(const std::string& Text, bool IsHeader);
// Local time, or NoDateValue (KvDates) when the message has no date.
TDateTime GetMessageDate(const std::string& Text, bool IsHeader);

// One line; CodePage 1 or more converts decoded words to it.
void GetMessageSubject(const std::string& Text, bool IsHeader, int CodePage, std::string& Result);

std::string MakeSafeFileName(const std::string& Name, bool AllowPaths);

// Looks FileName up in the data folder, else the program folder; a missing
// file changes nothing.
void LoadNameFilter(const std::string& FileName);
// The loaded filter, or null; freed by UnloadNameFilter or at shutdown.
TKvCharFilter* NameFilter();
void UnloadNameFilter();

// Without a dot; "bin" for application/octet-stream and "att" for what no
// table knows.
std::string ExtensionOfMimeType(const std::string& MimeType);
