#pragma once
// Mail flags: the 32-bit state set of every message, the format kinds as far
// as the engine treats them apart, the sent, trash and drafts folder names,
// and the flags read from status header fields.

#include <cstdint>
#include <string>

class TStrings;

using TMailFlags = std::uint32_t;
using TMailboxKind = std::uint8_t;

enum : TMailFlags {
    mfRead = 0x1,
    mfReplied = 0x2,
    mfFlagged = 0x4,
    mfDeleted = 0x8,
    mfMozillaStatus = 0x40,
    mfHexStatus8 = 0x400,
    mfStatusMark = 0x800,        // Eudora status 7 or 10; hex status bit 0x4000
    mfForwarded = 0x1000,
    mfUnread = 0x10000,
    mfInbox = 0x20000,
    mfSentFolder = 0x40000,
    mfOtherFolder = 0x80000,
    mfQueued = 0x200000,         // Eudora status 5 or 9; hex status bit 0x4000000
    mfSent = 0x400000,
    mfRedirected = 0x800000,     // Eudora status 4; X-Status "B"; Mozilla status bit 23
    mfTrash = 0x4000000,
    mfDraft = 0x8000000,
    mfPriorityMask = 0x70000000, // 1 highest, 3 normal, 5 lowest, in bits 28-30
    mfComputed = 0x80000000,
};

// The folder bits that a folder name implies.
enum : TMailFlags {
    ffNone = 0,
    ffSent = 0x40000,
    ffTrash = 0x4000000,
    ffDrafts = 0x8040000,
    ffOther = 0x80000,
};

inline bool IsDeletedFlags(TMailFlags Flags) { return (Flags & mfDeleted) != 0; }

// ---------------------------------------------------------------------------
// Folder kinds
// ---------------------------------------------------------------------------

// The engine-wide lists are loaded on first use from "Drafts.dat",
// "Outgoing.dat" and "TrashFiles.dat" beside the program, else built in.
TStrings& DraftsFolderNames();
TStrings& SentFolderNames();
TStrings& TrashFolderNames();
// Frees the three lists; the next use loads them again.
void FreeFolderNameLists();

bool FolderNameInList(const std::string& Name, const TStrings& List, TMailboxKind Kind);
bool IsSentFolder(const std::string& Name, TMailboxKind Kind);
bool IsDraftsFolder(const std::string& Name, TMailboxKind Kind);
// A sub-folder of a trash folder counts as trash.
bool IsTrashFolder(const std::string& Name, TMailboxKind Kind);
TMailFlags FolderFlagsOf(const std::string& FolderName, TMailboxKind Kind);

// Flags of a status field that begins with a "0x" hexadecimal word.
TMailFlags MapHexStatusFlags(const std::string& Text);

// ---------------------------------------------------------------------------
// Flags from header fields
// ---------------------------------------------------------------------------

TMailFlags LabelToFlag(const std::string& Label);
// Flags of a comma-separated label list; 0 for an empty list.
TMailFlags GmailLabelsToFlags(const std::string& Labels);
// Sets mfSentFolder when the header looks sent from this mailbox.
void MarkIfSent(const std::string& Header, TMailFlags& Flags);
// FolderFlags: the folder's flags (0 none, ffOther an ordinary folder).
// The result always has mfComputed.
TMailFlags GetStatusFlagsFromHeaders(const std::string& Header, TMailFlags FolderFlags,
                                     bool UseCalypsoFlags);
