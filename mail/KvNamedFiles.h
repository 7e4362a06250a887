#pragma once
// Files that message data names (attachment header fields, marker lines,
// detached parts) are read into the output only under a rule. Anyone can
// write such a name into a mail he sends, and the converted output may be
// handed on, so a received message must never pull the reader's own files
// into it.

#include <memory>
#include <string>
#include <vector>

#include "classlib/Cleanup.h"
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

class TNamedFileJudge;

// One name a message's data gave, as judged: allowed or refused and, when
// allowed, the file kept open as it was judged, for the copy that follows.
// A received message's file is allowed only when its final path, opened
// again, reaches that file, of one name. Only a judge makes one and the
// reading side takes one, so no named file is read that was never judged.
// It must not outlive its judge.
class TJudgedFile {
public:
    TJudgedFile(TJudgedFile&&) noexcept = default;
    TJudgedFile& operator=(TJudgedFile&&) noexcept = default;
    TJudgedFile(const TJudgedFile&) = delete;
    TJudgedFile& operator=(const TJudgedFile&) = delete;
    ~TJudgedFile() = default;

    bool Allowed() const { return FAllowed; }
    // The name as judged.
    const std::string& Path() const { return FPath; }
    // The file as judged, read from its start, once; null when no file was
    // open (OpenFound then judges what is found for the name). A link put in
    // place of the file since is not followed. A received message's file is
    // copied, and refused (its row written, null) when it has another name
    // after the copy.
    std::unique_ptr<TStream> Take();
    // The file to read for this name, found as Found (the name itself or the
    // file put in its place): the file judged; for a name that was missing
    // when judged, the file Found judged now by the same rule, null and
    // Refused (its row written) when that rule or the copy refuses it. Null
    // when nothing is there, and for a name refused or read already.
    std::unique_ptr<TStream> OpenFound(const std::string& Found, bool& Refused);
    // Its bytes, as OpenFound gives them for its own name; empty when
    // refused or missing.
    std::string ReadAll();

private:
    friend class TNamedFileJudge;
    TJudgedFile(TNamedFileJudge& Judge, const std::string& Path) : FJudge(&Judge), FPath(Path) {}

    TNamedFileJudge* FJudge;
    std::string FPath;
    TKernelHandle FHandle;
    bool FAllowed = false;
    bool FReceived = false;
    // Refused after its copy.
    bool FRefused = false;
    // Allowed while no file could be opened: the rule kept for the file
    // found for it later.
    bool FPending = false;
    TNamedFileTrust FTrust = TNamedFileTrust::SentCopy;
    std::vector<std::string> FStoreFolders;
};

// Judges the names one message's data gives and counts the names it
// refused, so that the rebuild of that message learns whether a step
// refused one.
class TNamedFileJudge {
public:
    TNamedFileJudge() = default;
    TNamedFileJudge(const TNamedFileJudge&) = delete;
    TNamedFileJudge& operator=(const TNamedFileJudge&) = delete;

    // Whether the file may be opened, and the file as judged. Whatever the
    // trust, no message opens a mail store's index or settings file, a file
    // that reads as a mailbox (one message would carry a whole mailbox of
    // others out), a folder, a device or a pipe. A refusal writes one
    // error-log row naming the path; the caller then embeds nothing and
    // keeps the line that named it. A place the rule refuses is refused
    // whether a file lies there or not; a path that names no file in an
    // allowed place is not refused: the caller's missing-file report
    // follows as before.
    // Log: false for a second look at a name already judged.
    TJudgedFile JudgeFile(const std::string& Path, TNamedFileTrust Trust, bool Received,
                          const std::vector<std::string>& StoreFolders, bool Log = true);
    // The refusal row alone, for a name refused before it became a path.
    void Refuse(const std::string& Path);
    // The row of a name that lost characters the code page cannot hold,
    // counted as a refusal (Log: false for a second look, counted only).
    void RefuseUnhandledName(const std::string& Path, bool Log = true);
    // The names refused so far.
    int Refusals() const { return FRefusals; }

private:
    bool Allows(const std::string& Path, TNamedFileTrust Trust, bool Received,
                const std::vector<std::string>& StoreFolders, bool Log, TJudgedFile& Judged);

    int FRefusals = 0;
};

// The program's own trace of arrival, read as the others are. A received
// message that keeps a name refused here gets it, where its header shows no
// other: its output, converted again, then opens no more than it did.
inline constexpr char OwnArrivalField[] = "X-Tessaly-Arrived";
void MarkKeptArrival(std::string& Header);
