#pragma once
// The forms of one path, in one place for every layer: the system's full
// form and the full plain one, the "\\?\" form that the wide API opens at
// any length, the long forms, level by level on disk, and the short and
// ANSI forms that open a path through the ANSI API, with the ANSI/wide
// pair of the code page. Wide text throughout where names may lie outside
// the code page; the paths are resolved and the prefix built here only,
// with the one rule for network shares.

#include <windows.h>

#include <compare>
#include <cstddef>
#include <string>

// Paths past MAX_PATH (a deep mail tree, a tree restored below a target)
// cannot be opened through the ANSI API, which stops at MAX_PATH; the wide
// API opens them with the "\\?\" prefix. Paths from this length on take
// that road (a folder's own limit lies 12 below MAX_PATH); shorter ones
// keep the ANSI calls they always had.
inline constexpr std::size_t LongPathFrom = MAX_PATH - 12;
// The longest path the wide API takes.
inline constexpr std::size_t MaxLongPath = 32767;

// What the system makes of a path: the current folder or the drive's in
// front of one with no root of its own; empty when it gives nothing.
std::wstring SystemFullPath(const std::wstring& Path);
// How many characters of Path name its root: the prefix, then "C:\" (or
// "C:" before a relative rest) or "\\server\share\"; 0 for a relative path.
std::size_t PathRootLength(const std::wstring& Path);
// Path made absolute, slashes made backslashes, "." levels and empty ones
// dropped and ".." levels resolved, never above the drive or share; a
// final backslash is kept, and given where the last level was "." or "..".
// A "\\?\" or "\\.\" path and an empty text stay as they are.
std::wstring FullPlainPath(const std::wstring& Path);

// The "\\?\" form of an absolute path: "\\?\C:\x" for "C:\x" and
// "\\?\UNC\server\share\x" for "\\server\share\x", slashes made
// backslashes. A path in that form already, a device path ("\\.\") and a
// relative one stay as they are. Nothing is resolved here: the path must
// be full and plain already, as "." and ".." mean nothing behind the
// prefix.
std::wstring PrefixedPath(const std::wstring& Path);
// Path without its "\\?\" (or "\\?\UNC\") prefix.
std::wstring UnprefixedPath(const std::wstring& Path);
// How many characters of Path are its "\\?\" or "\\?\UNC\" prefix; 0 when
// it has none.
std::size_t PathPrefixLength(const std::wstring& Path);
// Whether an ANSI path begins with "\\?\".
bool HasLongPathPrefix(const std::string& Path);
// Whether Path begins with the device prefix "\\.\".
bool IsDevicePath(const std::wstring& Path);
// Path with each level by its short name where it has one, at any length;
// empty when it names nothing on disk. A prefix given is kept.
std::wstring ShortPathName(const std::wstring& Path);
// What tells one file from another whatever the name it is reached by
// (short names, case, "..", a second drive letter, a link): its volume's
// serial number and its index on that volume.
struct TFileIdentity {
    DWORD Volume = 0;
    DWORD IndexHigh = 0;
    DWORD IndexLow = 0;
    friend bool operator==(const TFileIdentity&, const TFileIdentity&) = default;
    friend auto operator<=>(const TFileIdentity&, const TFileIdentity&) = default;
};
// The identity of the file or folder a wide path opens; false when none
// opens there.
bool FileIdentityOf(const std::wstring& Path, TFileIdentity& Identity);
// Whether the ANSI path Form is a form of the wide path Path: it leads back
// to Path's long name (by long forms on both sides, as either may hold
// short levels), which the restored names are made of. Under Wine two
// names of one folder can share a short one, and opening it and listing
// it need not find the same one.
bool LeadsBackTo(const std::string& Form, const std::wstring& Path);
// Whether Form opens no file other than the one Path opens: false only
// where Path opens a file and Form opens another one or none. A name
// Windows does not allow ("a?b", made on another system) opens by no long
// form, and passes.
bool OpensNoOtherFile(const std::string& Form, const std::wstring& Path);
// Path in a form the ANSI API opens: its ANSI text when that is exact and
// no level ends in a dot or a blank (which those calls drop), else that
// text with such levels by their short names, taken only when it opens
// the very file Path names; empty when there is no such form.
std::string OpenableAnsiPath(const std::wstring& Path);
// While one lives, OpenableAnsiPath keeps the forms it finds for folders,
// and LongPathName the long names of short levels: a run asks for them
// again for every file. The last to end forgets them, so that the next run,
// and everything between runs, starts from the folders as they are.
class TFolderFormsScope {
public:
    TFolderFormsScope();
    ~TFolderFormsScope();
    TFolderFormsScope(const TFolderFormsScope&) = delete;
    TFolderFormsScope& operator=(const TFolderFormsScope&) = delete;
};

// FullPlainPath of an ANSI path, as ANSI text: where it was typed (a
// target, a source pattern) a path is made plain once, so that every form
// made of it later, "\\?\" forms among them, names what the user meant.
std::string FullPlainAnsiPath(const std::string& Path);
// Path with the trailing dots and blanks of every level after its root
// dropped, as the ANSI calls read a typed path, so that the "\\?\" forms
// made of it name the same folders. A level of dots and blanks alone and a
// final backslash stay.
std::wstring TrimmedPathLevels(const std::wstring& Path);
// Whether the ANSI calls drop the end of a level: a final dot or blank,
// which makes "Mail.\a" open "Mail\a". "." and ".." mean what they say.
bool EndsInDotOrBlank(const std::wstring& Level);
// Path with each level that may be a short name (one holding a "~") by
// the long name it has on disk, at any length; from the first level that
// is not found on, the path stays as it is.
std::wstring LongPathName(const std::wstring& Path);

bool IsLongPath(const std::string& Path);
// The wide path the wide API opens: with "\\?\" (or "\\?\UNC\") before a
// long absolute path, slashes made backslashes; else Path made wide.
std::wstring LongPathForm(const std::string& Path);
// The long form of an ANSI path, perhaps a short one that a finder gave,
// by LongPathName; the path itself, made wide, when it has none.
std::wstring LongPathOf(const std::string& Path);
// The full form the system gives an ANSI path, as the ANSI calls read it:
// unlike FullPlainPath's, a trailing dot or blank of the last level is
// dropped. Nothing is read from disk; empty when the system gives none, so
// that a path never passes unresolved.
std::wstring SystemFullPathOf(const std::string& Path);
// The long form of an existing full path as the system gives it, every
// level by its name on disk, within MaxLongPath; empty when any level is
// missing. LongPathName looks up only levels holding a "~", at any length,
// and keeps a missing rest as it is.
std::wstring ExistingLongPath(const std::wstring& Full);
// SystemFullPathOf's form with its longest existing head by its long form,
// so a store's file named by its short path is seen where it lies.
std::wstring LongFullPathOf(const std::string& Path);

// A file (not a folder) at a wide path that may end in a dot or a blank.
bool IsExistingWideFile(const std::wstring& Path);
// The ANSI path that opens the entry at a wide path: OpenableAnsiPath's,
// else the path as the code page shows it (which opens nothing).
std::string AnsiPathOf(const std::wstring& Path);
// Whether Windows opens a device for a name whose part before the first
// dot is Base, judged on the wide name.
bool IsDeviceName(std::wstring Base);
// Whether Windows opens a device for this wide file name (no folder part)
// as it stands on disk: a reserved name with any extension, blanks before
// the dot included.
bool IsDeviceFileName(const std::wstring& Name);
// A name as a target folder can hold it, in one way for the ANSI calls
// and the "\\?\" ones: a final dot or blank, which the ANSI calls drop and
// the others keep (giving a name no Windows tool opens), becomes "_"
// ("Old." gives "Old_", "a.." gives "a._"); a device name gets "_" in
// front, as a message file's name does; a character no Windows name takes
// ("a?b", made on another system) becomes "_". A name stays apart from its twin
// without the final dot or blank, but two names may still meet: "sub.",
// "sub " and a source's own "sub_" all give "sub_"; a restored tree keeps
// the name for the first and says so for each later one.
std::wstring TargetSafeName(const std::wstring& Name);

// Text in the code page when it reads back as the very same text; empty
// otherwise.
std::string ExactAnsi(const std::wstring& Text);
// ANSI text of the code page as wide text.
std::wstring AnsiToWide(const std::string& Text);
// Wide text in the code page, up to its first NUL; a character the code
// page lacks goes by its nearest one.
std::string WideToAnsi(const wchar_t* Text);
// Wide text in the code page; Lost tells whether a character the code page
// lacks was replaced (no nearest ones are taken: a path made of them would
// name another file).
std::string WideToAnsi(const std::wstring& Text, bool& Lost);
