#pragma once
// Mail flags: the 32-bit state set of every message, the format kinds as far
// as the engine treats them apart, the sent, trash and drafts folder names,
// and the flags read from status header fields.

#include <cstdint>
#include <string>

class TStrings;

using TMailFlags = std::uint32_t;
// The reader's format kind: the layout of a source store as far as the
// engine treats stores apart. The numbers are what the wizard's format table
// and every stored setting hand over, so they keep their values; kinds not
// named here get no special treatment. A switch over it names every kind
// (no default) where each kind must be decided, so a new kind is listed by
// the compiler at every such switch.
enum TMailboxKind : std::uint8_t {
    mbkNone = 0,
    // One message per file, in "fld" folder directories.
    mbkMessageFile = 1,       // a message without a Content-Type field gets one
    mbkFolderMessage = 2,
    mbkEmlxFolder = 3,        // ".mbox" directories with a "Messages" sub-folder
    mbkMaildir = 4,           // "cur", "new" and "tmp" folders
    // From_ mailboxes whose separator lines are validated.
    mbkMbox = 5,              // "mbox", "txt" and "mbx" are mailbox extensions
    mbkFldMbox = 6,           // only "mbox" is; the mailbox sits in a "fld" folder
    mbkFldMboxFolderFlags = 7, // as 6, flags from the folder name alone
    mbkPine = 8,              // as 5; "From " lines in bodies are escaped
    mbkMozilla = 9,           // "sbd" sub-folder trees
    mbkCalypso = 10,          // hexadecimal status field, whole-message attachments
    mbkMboxAttachLines = 11,  // a kind-5 message with attachment lines, set per message
    mbkPlainMbox = 12,        // separator line end + "From ", not validated
    // Stores with "X-Poco-Attachment" lines.
    mbkPoco1 = 13,
    mbkPoco2 = 14,
    mbkPoco3 = 15,
    // Eudora stores: "fol" folders, "descmap.pce" names.
    mbkEudoraMbx = 16,
    mbkEudoraToc = 17,        // the index file
    mbkMacEudora = 18,
    // Stores whose messages carry "X-Content-File" parts.
    mbkContentFile1 = 19,
    mbkContentFile2 = 20,
    // Pegasus folder hierarchies ("HIERARCH.PM").
    mbkPegasusPlain = 21,     // with the plain separator of kind 12
    mbkPegasus = 22,
    mbkReaderNamed = 23,      // the reader names the folder, no rule does
    // The folder name is the file name.
    mbkFileNamed = 24,
    mbkFileNamedPlain = 25,   // with the plain separator of kind 12
    mbkCopyNumbered1 = 26,    // also match names with a " (n)" suffix
    mbkCopyNumbered2 = 27,
    mbkHotmail = 28,          // as 26, and a "Hotmail - " prefix goes
    mbkFolderFlagsOnly = 31,  // single-message files, flags from the folder alone
    mbkFolderPlain = 34,      // single-message files
    mbkFileLocation = 35,     // the file name extends the folder location
};

// Separator line end + "From ", with no validation of the line.
constexpr bool IsPlainSeparatorKind(TMailboxKind Kind)
{
    return Kind == mbkPlainMbox || Kind == mbkPegasusPlain || Kind == mbkFileNamedPlain;
}
constexpr bool IsPocoKind(TMailboxKind Kind) { return Kind >= mbkPoco1 && Kind <= mbkPoco3; }
constexpr bool IsEudoraKind(TMailboxKind Kind) { return Kind >= mbkEudoraMbx && Kind <= mbkMacEudora; }
// Folder names with a " (n)" copy number match the name without it.
constexpr bool IsCopyNumberedKind(TMailboxKind Kind) { return Kind >= mbkCopyNumbered1 && Kind <= mbkHotmail; }
// The kinds whose messages start with a From_ line that carries a date.
constexpr bool HasEnvelopeDateKind(TMailboxKind Kind)
{
    return (Kind >= mbkMbox && Kind <= mbkMacEudora) || Kind == mbkFileNamed;
}

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
