#pragma once
// The mbox separator line ("From " line): its kinds, reading it at the top of
// a message, writing the line of a kind, and the strict test the mbox reader
// puts a candidate separator to. Positions are 1-based; nothing here raises.

#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

#include "classlib/SysUtils.h"

enum TFromLineKind : std::uint8_t {
    flkNone = 1,     // the text does not begin with a From_ line
    flkSender = 2,   // "From " + sender address + " " + asctime date
    flkOther = 3,    // any other From_ line: recognised, never written
    flkDash = 4,     // "From - " + asctime date
    flkUnknown = 5,  // "From ???@??? " + asctime date
    flkDigest = 6,   // "From MD5: $..." digest line
};

// How many characters past "From " the strict test wants to see before it
// judges a candidate whose line does not end in the text; shared with the
// mbox reader.
extern int GFromLineLookAhead;

// The position of the first LF when Text begins with "From ", else 0.
int FromLineLength(const std::string& Text);
// The first line with its line break; empty when there is no From_ line.
std::string GetFromLine(const std::string& Text);
TFromLineKind GetFromLineKind(const std::string& Text);
void TrimLeadingLineBreaks(std::string& Text);
void DeleteFromLine(std::string& Text);
// How many bytes DeleteFromLine takes off the front: the line breaks ahead
// of the text and a From_ line after them.
std::size_t FromLineSkip(const std::string& Text);
// The asctime date of the line, normalised to 24 characters, or empty.
std::string GetFromLineDate(const std::string& Text);

// Pos is the "F" of a candidate "From " in the reader's buffer Text.
bool IsStrictFromLine(std::string_view Text, int Pos);
// The separator forms of mailing-list archives and other mbox writers, which
// the strict test refuses: "From ", a sender of one word or more (such as
// "andy at example.com"), then a complete date whose time may lack seconds
// and whose zone may stand after the year or between time and year. The
// reader asks this only of a line at the start of a mailbox or after a
// blank line. Pos is the "F"; the line must end within Text.
bool IsLooseFromLine(std::string_view Text, int Pos);
// A last line of a mailbox, no break after it, that a separator line cut
// short by an unfinished write leaves: "From ", a sender, and as much of
// an asctime date as was written.
bool IsCutFromLine(std::string_view Line);
bool IsHeaderLineAt(std::string_view Text, int Pos);
bool IsAsctimeDateAt(std::string_view Text, int Pos);
bool IsValidMailAddress(const std::string& S);
bool IsAddressText(const std::string& S);
// A header address made fit for a separator line, or "???@???".
void CleanFromLineAddress(std::string& S);

// Text (without a From_ line) with the separator line of Kind in front and a
// CRLF after it; trailing line breaks go and "From " at line starts becomes
// "from ". Date above 0 is written in the line, else the message's own date.
// Kinds 1 and 3, and an empty Text, give Text unchanged.
std::string BuildFromLineText(const std::string& Text, TFromLineKind Kind, TDateTime Date);
// Keeps a line of the wanted kind; otherwise removes the present line and
// puts in one of Kind (none for kinds 1 and 3).
void SetFromLineKind(std::string& Text, TFromLineKind Kind, TDateTime Date);
// Text made fit to be copied into an mbox by a store whose bounds are no
// From_ lines: no later line may start "From ", or the next reader splits
// the message there. A From_ line at the top is kept and the rest escaped
// as a built line escapes it; a text without one gets a line of kind 5.
void MakeMboxCopyText(std::string& Text);
