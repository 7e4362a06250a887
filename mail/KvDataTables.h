#pragma once
// Data tables of TAB-separated keys and values (the time-zone table among
// them), the path substitutions of "Tokens.ini", the marker lines mail
// clients leave where an attachment was removed or uuencoded, and the
// writing of a decoded part to a file. Positions are 1-based.

#include <cstddef>
#include <string>
#include <string_view>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"
#include "foundation/KvLists.h"

// Creates Table when null. True when it then holds at least one item.
bool LoadTableFile(TTableList*& Table, const std::string& FileName);

// Installs the zone-name lookup of the date routines while a table is held.
bool LoadTimeZoneTable(const std::string& FileName);
std::string LookupTimeZoneName(const std::string& Name);
void FreeTimeZoneTable();

// The "SubstPaths" section of "Tokens.ini" as key=value lines.
bool LoadSubstPaths(TStrings* List);
// The process-wide substitution list (key, folder), built on first use.
TDoubleStringList& SubstPaths();
void FreeSubstPaths();
bool ResolveSubstPath(std::string& Path, bool IsEmbedded);

int FindAppleContentLength(const std::string& Text);
bool HasAppleContentLength(const std::string& Text);
int FindRemovedSectionNote(const std::string& Text);
bool HasRemovedSectionNote(const std::string& Text);
std::string GetRemovedSectionFileName(const std::string& Text);
bool HasDetachedMark(const std::string& Text);
// The line a mail client leaves where it detached an attachment (the mark
// HasDetachedMark finds after a line break), in lower case.
inline constexpr char DetachedMarkLine[] = "x-mozilla-altered: attachmentdetached";

// What a line that opens an uuencoded block begins with, as it stands.
inline constexpr std::string_view UuencodeBeginLine = "begin ";
int FindUuencodeBegin(const std::string& Text, int From = 1);
bool HasUuencodedBlock(const std::string& Text);
// HasUuencodedBlock(Text.substr(Offset)) without the copy.
bool HasUuencodedBlockFrom(const std::string& Text, std::size_t Offset);
// Whether Text from Offset on holds a line starting "begin ", whatever the
// lines after it and their breaks: a text without one holds no block.
bool MayHoldUuencodedBlockFrom(const std::string& Text, std::size_t Offset);
int FindUuencodeEnd(const std::string& Text, int From = 1);
int UuLineLength(char LengthChar);

// Encoding names the transfer encoding of Text; Date 0 leaves the file
// time alone.
bool SavePartToFile(const std::string& FileName, const std::string& Text,
                    const std::string& Encoding, TDateTime Date);
