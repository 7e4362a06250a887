#pragma once
// The mail formats of the wizard's two format lists, with everything that
// hangs on a format, and the settings, source position and counters of one
// conversion run.

#include <cstdint>
#include <string>

#include "classlib/Classes.h"
#include "foundation/KvLineBreaks.h"
#include "mail/KvMailFlags.h"

// One byte; bit 7 is the caller's, every lookup takes the id below it
// (MailFormatId). The numbers are stored in source-list objects and
// settings, so they keep their values.
enum TMailFormat : std::uint8_t {
    mftUnknown = 0,
    mftThunderbird = 1,
    mftEudoraOse = 2,
    mftSeaMonkey = 3,
    mftMozilla = 4,
    mftNetscape = 5,
    mftNetscapeOld = 6,
    mftEudoraToc = 7,
    mftEudoraMbx = 8,
    mftMacEudora = 9,
    mftMbox = 10,
    mftPine = 11,
    mftEml = 12,
    mftTxt = 13,
    mftMboxWin = 14,
    mftMboxUnix = 15,
    mftMboxMac = 16,
    mftOther = 17,
    mftSeveral = 18,  // only a marker while the start page is built
};
inline constexpr TMailFormat MaxMailFormat = mftOther;

// The format's id without the caller's bit 7.
constexpr TMailFormat MailFormatId(TMailFormat Format) { return static_cast<TMailFormat>(Format & 0x7F); }

// The reader a source format's mailboxes are read with.
enum class TMailReader : std::uint8_t {
    None,         // not a source format
    Stream,       // From_-separated mailbox files
    EudoraIndex,  // the index file, with its data file beside it
};

// Empty for the formats without a settings name.
std::string MailFormatName(TMailFormat Format);
// Ignores letter case; 0 for any other text.
TMailFormat MailFormatFromName(const std::string& Name);
std::string MailFormatExtension(TMailFormat Format, bool DataFile);
TMailboxKind MailFormatReaderMode(TMailFormat Format);
TMailReader MailFormatReader(TMailFormat Format);
// The Mozilla-family formats, whose folders have "sbd" sub-folders.
bool MailFormatIsMozilla(TMailFormat Format);
// The Eudora formats read from a Windows store (index or data file).
bool MailFormatIsEudora(TMailFormat Format);
TMailFormat MailFormatFromSourceRow(int Row);
TMailFormat MailFormatFromTargetRow(int Row);
// -1 when the format has no row in that list.
int MailFormatToRow(TMailFormat Format, bool Target);
// The lines of the source or target format list, a row to a line.
std::string MailFormatListText(bool Target);
// "sbd" for the Mozilla-family formats, else empty.
std::string MailFormatSubfolderExt(TMailFormat Format);
TLineBreakKind MailFormatLineBreak(TMailFormat Format);
bool MailFormatIsOneFilePerMessage(TMailFormat Format);
bool MailFormatIsMboxTarget(TMailFormat Format);
// The mail client whose default store a source format reads; mciNone for none.
int MailFormatClientId(TMailFormat Format);
// That client's mail folder (no trailing backslash), or empty.
std::string GetSourceDefaultFolder(TMailFormat Format);

// A source list line carries its format in its object slot.
TObject* MailFormatToObject(TMailFormat Format);
TMailFormat MailFormatOfObject(const TObject* Object);

// Whether a source list line is a folder search ("C:\Mail\*.msf", "sub\*",
// "c*") rather than one mailbox: its last level holds a "*", which no
// Windows file name can. A "?" is no such sign, as a name the code page
// lacks comes with question marks and would match other files.
bool IsSourcePattern(const std::string& Entry);

// The target text cut after the backslash of a trailing "\*.ext" pattern;
// a text without that pattern stays whole.
std::string CutTargetPattern(const std::string& Text);
// "<Path>: <part> is a device name" for the first part of Path (a folder
// or the file) that names a device; empty when none does.
std::string TargetDeviceProblem(const std::string& Path);
// "*" for a text ending in a slash, the extension of a trailing pattern,
// "." for a pattern without one ("C:\Out\*."), else empty.
std::string TargetExtOfText(const std::string& Text);

// The counters of a run, by CountResult's code.
enum : int {
    cntMailbox = 0,
    cntMessage = 1,
    cntDuplicate = 2,
    cntError = 3,
};

class TConvertSettings : public TObject {
public:
    TConvertSettings();

    void SetSourceList(TStrings* List);
    void ResetCounters();
    void SetTargetFormat(TMailFormat Format);
    void SetCurrentIndex(int Index);
    TMailFormat GetSourceFormat() const;
    std::string GetSourceEntry() const;
    std::string GetSourceExt(bool DataFile) const;
    std::string GetMailboxFileOf(const std::string& FoundFile) const;
    std::string GetTargetExt() const;
    // The target folder, or the mbox file's folder, of a mailbox: a wide
    // path, as the folders restored below the target carry long names.
    std::wstring GetTargetPath(const std::string& MailboxFile) const;
    // One more of cntMailbox, cntMessage, cntDuplicate or cntError; other
    // codes count nothing.
    void CountResult(int Code);

    std::int32_t CurrentIndex = -1;
    TLineBreakKind LineBreak = lbkCrLf;
    std::int32_t SourceCount = 0;
    bool MatchDates = false;
    bool Md5FileNames = false;
    bool IncludeSubfolders = false;
    bool OneFilePerMessage = false;
    TMailFormat SourceFormat = mftUnknown;
    TStrings* SourceList = nullptr;  // the wizard's, not owned
    bool SkipTrashJunk = false;
    std::string SubfolderExt;
    std::string SourceBase;
    std::int32_t MailboxCount = 0;
    std::int32_t MessageCount = 0;
    std::int32_t DuplicateCount = 0;
    std::int32_t ErrorCount = 0;
    std::string TargetExtOverride;
    std::string TargetPath;
    TMailFormat TargetFormat = mftUnknown;
    bool RestoreFolderTree = false;

private:
    bool HasCurrentEntry() const;
};

// Empty when the target folder of a run with these settings can be made
// and written to (or the run writes nothing), else the folder and the
// reason.
std::string TargetFolderProblem(const TConvertSettings& RunSettings);
