#pragma once
// The decisions the two shell forms take, kept apart from their windows so
// they run without a screen: shortening a path to a pixel width, splitting
// typed names, checking and combining a name with the folder shown, the
// default extension and the checks on the chosen file. Measures, the
// registry and the user's answers come in as functions.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Message texts of the open/save form ("%s" stands for a name)
// ---------------------------------------------------------------------------

inline constexpr const char* SRzInvalidFileName = "%s\nThe above file name is invalid.";
inline constexpr const char* SRzMoreThanOneFile =
    "More than one file has the name '%s'.\n\nChoose one from the list of files.";
inline constexpr const char* SRzFileReadOnly =
    "%s\nThis file exists with Read Only attributes.\nPlease use a different file name.";
inline constexpr const char* SRzFileReplace = "%s already exists.\nDo you want to replace it?";
inline constexpr const char* SRzFileNotFound =
    "%s\nFile not found.\nPlease verify the correct file name was given.";
inline constexpr const char* SRzFileCreate = "%s\nThis file does not exist.\n\nCreate the file?";

// The one "%s" of a message text replaced by Arg.
std::string FormatFormMessage(const char* Fmt, const std::string& Arg);

// ---------------------------------------------------------------------------
// Path shortening for the folder form's status line
// ---------------------------------------------------------------------------

using TRzTextWidth = std::function<int(const std::string&)>;

// Path cut down until TextWidth says it fits in MaxWidth pixels: first the
// leading folders give way to "...\", then the drive, and last the name
// itself is cut with a trailing "...". Always returns.
std::string ShortenPathToWidth(const std::string& Path, const TRzTextWidth& TextWidth, int MaxWidth);

// ---------------------------------------------------------------------------
// Typed names
// ---------------------------------------------------------------------------

// The names of a text holding double quotes: quoted names, and unquoted runs
// between them; trailing blanks and control characters dropped, empty names
// skipped.
std::vector<std::string> SplitQuotedFileNames(const std::string& Text);

// A text cut at its last backslash: Folder is what comes before it ("C:\"
// for a name on a drive's root, empty without a backslash), Name what
// follows. Double-byte characters are never split.
struct TRzFolderAndName {
    std::string Folder;
    std::string Name;
};
TRzFolderAndName SplitFolderAndName(const std::string& Text);

// Whether a name holds "*" or "?" (a mask rather than a file).
bool HasWildcard(const std::string& Name);

// No "/", "<", ">" or "|", and no "\\" except at the very start.
bool IsValidFileNameText(const std::string& Text);

// The longest full name the form hands on, in characters: what the wide
// API opens with the "\\?\" prefix, as the engine opens paths past
// MAX_PATH, less the longest prefix ("\\?\UNC\"). One name in it holds
// at most RzMaxNameLength characters.
constexpr int RzLongPrefixLength = 8;
constexpr int RzMaxFullPath = 32767 - RzLongPrefixLength;
constexpr int RzMaxNameLength = 255;

// GetFileAttributes for a full plain path of any length: from LongPathFrom
// on behind the "\\?\" prefix.
DWORD FileAttributesAnyLength(const std::string& Path);

enum class TRzCombineResult : unsigned char { Ok, Empty, TooLong };

struct TRzCombinedName {
    TRzCombineResult Result = TRzCombineResult::Empty;
    std::string FullName;
};

// Name taken relative to BaseFolder: drive and UNC names as they are, "\x"
// on the base's root, dotted segments climbing ("." stays, ".." one up,
// "..." two up) no further than the root; a full result has its "." and
// ".." levels resolved by the path forms' rule, wherever they were typed. A base, name or result over
// RzMaxFullPath characters, or a name in it over RzMaxNameLength, is
// TooLong, never cut to a different name.
TRzCombinedName CombineWithBaseFolder(const std::string& BaseFolder, const std::string& Name);

// ---------------------------------------------------------------------------
// Default extension
// ---------------------------------------------------------------------------

// Whether an extension (with its dot, as ".txt") is a known file type.
using TRzExtensionRegistered = std::function<bool(const std::string&)>;

// True when a key of that name exists under HKEY_CLASSES_ROOT.
bool ExtensionRegisteredInClasses(const std::string& Ext);

// Text after the last dot of the last component, with the dot; empty when none.
std::string FileNameExtension(const std::string& Name);

enum class TRzExtensionFlag : unsigned char { Unchanged, Set, Cleared };

struct TRzDefaultExtResult {
    std::string FullName;
    TRzExtensionFlag ExtensionDifferent = TRzExtensionFlag::Unchanged;
};

// The default-extension step for one full name. TypeMask is the selected
// type's mask (empty with no type selected); a mask whose extension holds a
// wildcard counts as having none. Nothing changes when DefaultExt is empty.
TRzDefaultExtResult ApplyDefaultExtension(const std::string& FullName, const std::string& DefaultExt,
                                          const std::string& TypeMask,
                                          const TRzExtensionRegistered& IsRegistered);

// ---------------------------------------------------------------------------
// Checks on the chosen file
// ---------------------------------------------------------------------------

enum class TRzFormMessageKind : unsigned char {
    Warning,         // OK only
    WarningQuestion, // Yes and No, warning icon
    ConfirmQuestion  // Yes and No, question icon
};

// Shows Text; for the questions, returns whether the answer was Yes.
using TRzFormQuestion = std::function<bool(TRzFormMessageKind, const std::string&)>;

struct TRzFileCheckOptions {
    bool NoReadOnlyReturn = false;
    bool OverwritePrompt = false;
    bool FileMustExist = false;
    bool CreatePrompt = false;
};

// Whether FullName may be accepted. Attributes are its file attributes,
// INVALID_FILE_ATTRIBUTES when nothing of that name exists; a folder does
// not count as an existing file.
bool CheckChosenFile(const std::string& FullName, DWORD Attributes, const TRzFileCheckOptions& Options,
                     const TRzFormQuestion& Ask);
