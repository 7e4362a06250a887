#pragma once
// Files that message data names (attachment header fields, marker lines,
// detached parts) are read into the output only under a rule. Anyone can
// write such a name into a mail he sends, and the converted output may be
// handed on, so a received message must never pull the reader's own files
// into it.

#include <memory>
#include <string>
#include <vector>

#include "mail/KvMailFlags.h"

class TStream;

inline constexpr int SAttachmentRefused = 65262;  // Attachment file refused: "%s"
inline constexpr int SAttachmentNameUnhandled = 65271;  // Attachment file name cannot be handled: "%s" (...)

// Which messages may open a named file.
enum class TNamedFileTrust {
    SentCopy,     // only a message written here and not received, file anywhere
    SentOrStore,  // that, or a received message, only a file inside one of the
                  // store's folders (judged again past every link)
    AnyMessage,   // any message, file anywhere: the absolute path a mail
                  // program writes where the user detached a part
};

// A message carrying a trace of delivery or of a mailing list arrived by
// mail: the fields only a server or a list writes, in any letter case and
// with blanks before the colon.
bool IsReceivedMessage(const std::string& Header);
// The store's own mark of a message that arrived: an Eudora "In" mailbox,
// or an index entry whose status is not one of sent, queued or unsent.
// FromIndex: Flags were read from the message's index entry.
bool IsMarkedArrived(TMailboxKind Kind, const std::string& MailboxFile, TMailFlags Flags, bool FromIndex);
// Forms never opened from message data: network shares, "\\?\" and "\\.\"
// paths, device names in any component, alternate data streams.
bool IsUnsafePathForm(const std::string& Path);
// A path from a drive's root or a share's: a name that depends on no folder.
bool IsAbsoluteReference(const std::string& Path);
// Path lies inside Folder once "." and ".." are resolved.
bool IsPathInsideFolder(const std::string& Path, const std::string& Folder);

// Whether the file may be opened. A file allowed is kept open as it was
// judged, for the copy that follows (TakeJudgedFile); for a received message
// only when its final path, opened again, reaches that file, of one name.
// Whatever the trust, no message opens a mail store's index or settings
// file, a file that reads as a mailbox (one message would carry a whole
// mailbox of others out), a folder, a device or a pipe. A refusal writes one error-log row naming the path; the
// caller then embeds nothing and keeps the line that named it. A place
// the rule refuses is refused whether a file lies there or not; a path
// that names no file in an allowed place is not refused: the caller's
// missing-file report follows as before.
// Log: false for a second look at a name already judged.
bool MayOpenNamedFile(const std::string& Path, TNamedFileTrust Trust, bool Received,
                      const std::vector<std::string>& StoreFolders, bool Log = true);
// The file last allowed under exactly this name, open as it was judged and
// read from its start; null for another name, or when it was missing
// (OpenFoundFile then judges what is found for it). A link put in place of
// the file since is not followed. A received message's file is copied, and
// refused (its row written, null) when it has another name after the copy.
std::unique_ptr<TStream> TakeJudgedFile(const std::string& Path);
// The file to read for the name Judged, found as Found (the name itself or
// the file put in its place): the handle judged under Judged; for a name
// that was missing when judged, the file Found judged now by the same rule,
// null and Refused (its row written) when that rule or the copy refuses it;
// for a name never judged, the file Found by its name. Null when nothing is
// there.
std::unique_ptr<TStream> OpenFoundFile(const std::string& Judged, const std::string& Found, bool& Refused);
// Its bytes, as OpenFoundFile gives them; empty when refused or missing.
std::string ReadJudgedFile(const std::string& Path);
// Closes a file judged and never copied.
void ForgetJudgedFile();
// The refusal row alone, for a name refused before it became a path.
void LogRefusedFile(const std::string& Path);
// The row of a name that lost characters the code page cannot hold, counted
// as a refusal (Log: false for a second look, counted only).
void LogUnhandledFileName(const std::string& Path, bool Log = true);
// Refusals so far in this process: a caller compares two counts to learn
// whether a step refused a name.
int RefusedFileCount();
// The program's own trace of arrival, read as the others are. A received
// message that keeps a name refused here gets it, where its header shows no
// other: its output, converted again, then opens no more than it did.
inline constexpr char OwnArrivalField[] = "X-Tessaly-Arrived";
void MarkKeptArrival(std::string& Header);
