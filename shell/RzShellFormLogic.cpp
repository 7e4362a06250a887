#include "shell/RzShellFormLogic.h"

#include <algorithm>

#include "classlib/Classes.h"
#include "classlib/PathForms.h"
#include "classlib/Registry.h"
#include "shell/RzShellUtils.h"

namespace {

bool IsLead(const std::string& Text, size_t I)
{
    return IsDBCSLeadByte(static_cast<BYTE>(Text[I])) && I + 1 < Text.size();
}

// Byte offsets of every character start, so scans never stop inside a pair.
std::vector<size_t> CharStarts(const std::string& Text)
{
    std::vector<size_t> Starts;
    for (size_t I = 0; I < Text.size(); I += IsLead(Text, I) ? 2 : 1)
        Starts.push_back(I);
    return Starts;
}

// Byte offset of the last single-byte Ch, or npos.
size_t LastCharPos(const std::string& Text, char Ch)
{
    size_t Found = std::string::npos;
    for (size_t I : CharStarts(Text))
        if (Text[I] == Ch && !IsLead(Text, I))
            Found = I;
    return Found;
}

size_t NextCharPos(const std::string& Text, char Ch, size_t From)
{
    for (size_t I : CharStarts(Text))
        if (I >= From && Text[I] == Ch && !IsLead(Text, I))
            return I;
    return std::string::npos;
}

int CharCount(const std::string& Text)
{
    return static_cast<int>(AnsiToWide(Text).size());
}

bool IsDriveLetterAt(const std::string& Text)
{
    return Text.size() >= 2 && Text[1] == ':' && IsCharAlphaA(Text[0]);
}

// Drops the leading component of a status-line folder part; earlier
// "...\" stand-ins go with it so they never pile up.
void LoseFirstFolder(std::string& Part)
{
    if (Part == "\\") {
        Part.clear();
        return;
    }
    const bool Rooted = !Part.empty() && Part[0] == '\\';
    if (Rooted)
        Part.erase(0, 1);
    if (!Part.empty() && Part[0] == '.')
        Part.erase(0, 4);
    const size_t Slash = NextCharPos(Part, '\\', 0);
    if (Slash == std::string::npos)
        Part.clear();
    else
        Part = "...\\" + Part.substr(Slash + 1);
    if (Rooted)
        Part.insert(0, "\\");
}

const std::string Ellipsis = "...";

// The longest start of Name that fits with "..." after it; "..." alone when
// nothing does.
std::string CutWithEllipsis(const std::string& Name, const TRzTextWidth& TextWidth, int MaxWidth)
{
    const std::vector<size_t> Starts = CharStarts(Name);
    for (size_t K = Starts.size(); K-- > 1;) {
        const std::string Candidate = Name.substr(0, Starts[K]) + Ellipsis;
        if (TextWidth(Candidate) <= MaxWidth)
            return Candidate;
    }
    return Ellipsis;
}

} // namespace

std::string FormatFormMessage(const char* Fmt, const std::string& Arg)
{
    std::string Text = Fmt;
    const size_t At = Text.find("%s");
    if (At != std::string::npos)
        Text.replace(At, 2, Arg);
    return Text;
}

// ---------------------------------------------------------------------------
// Path shortening
// ---------------------------------------------------------------------------

std::string ShortenPathToWidth(const std::string& Path, const TRzTextWidth& TextWidth, int MaxWidth)
{
    std::string Result = Path;
    std::string Drive, FolderPart, Name;
    std::string Rest = Path;
    if (IsDriveLetterAt(Rest)) {
        Drive = Rest.substr(0, 2);
        Rest.erase(0, 2);
    }
    const size_t Slash = LastCharPos(Rest, '\\');
    if (Slash == std::string::npos) {
        Name = Rest;
    } else {
        FolderPart = Rest.substr(0, Slash + 1);
        Name = Rest.substr(Slash + 1);
    }
    while (TextWidth(Result) > MaxWidth && (!FolderPart.empty() || !Name.empty())) {
        if (FolderPart == "\\...\\") {
            FolderPart = "...\\";
            Drive.clear();
        } else if (!FolderPart.empty()) {
            LoseFirstFolder(FolderPart);
        } else if (!Drive.empty()) {
            Drive.clear();
        } else {
            // Nothing but the name is left: only cutting it can make it fit,
            // and a name that stays too wide would otherwise spin forever.
            return CutWithEllipsis(Name, TextWidth, MaxWidth);
        }
        Result = Drive + FolderPart + Name;
    }
    return Result;
}

// ---------------------------------------------------------------------------
// Typed names
// ---------------------------------------------------------------------------

std::vector<std::string> SplitQuotedFileNames(const std::string& Text)
{
    enum class TState : unsigned char { Between, Quoted, Unquoted };
    std::vector<std::string> Names;
    std::string Current;
    auto Finish = [&] {
        const std::string Trimmed = TrimRightDB(Current);
        if (!Trimmed.empty())
            Names.push_back(Trimmed);
        Current.clear();
    };
    TState State = TState::Between;
    int Index = 1;
    while (static_cast<size_t>(Index) <= Text.size()) {
        const size_t I = static_cast<size_t>(Index - 1);
        const char Ch = Text[I];
        const bool Pair = IsLead(Text, I);
        if (!Pair && Ch == '"') {
            if (State != TState::Between)
                Finish();
            State = State == TState::Quoted ? TState::Between : TState::Quoted;
            ++Index;
            continue;
        }
        if (State == TState::Between) {
            if (!Pair && (Ch == ' ' || Ch == '\t')) {
                ++Index;
                continue;
            }
            State = TState::Unquoted;
        }
        AppendCharDB(Index, Text, Current);
    }
    Finish();
    return Names;
}

TRzFolderAndName SplitFolderAndName(const std::string& Text)
{
    const size_t Slash = LastCharPos(Text, '\\');
    if (Slash == std::string::npos)
        return {std::string(), Text};
    // "C:\x" keeps the drive's root, and "\x" the root of the current drive.
    const bool Root = Slash == 0 || (Slash == 2 && IsDriveLetterAt(Text));
    return {Text.substr(0, Root ? Slash + 1 : Slash), Text.substr(Slash + 1)};
}

bool HasWildcard(const std::string& Name)
{
    for (size_t I : CharStarts(Name))
        if (!IsLead(Name, I) && (Name[I] == '*' || Name[I] == '?'))
            return true;
    return false;
}

bool IsValidFileNameText(const std::string& Text)
{
    bool AfterBackslash = false;
    for (size_t I : CharStarts(Text)) {
        if (IsLead(Text, I)) {
            AfterBackslash = false;
            continue;
        }
        const char Ch = Text[I];
        if (Ch == '/' || Ch == '<' || Ch == '>' || Ch == '|')
            return false;
        // "\\" opens a network name; anywhere else it is an empty folder.
        if (Ch == '\\' && AfterBackslash && I != 1)
            return false;
        AfterBackslash = Ch == '\\';
    }
    return true;
}

// ---------------------------------------------------------------------------
// Combining with the base folder
// ---------------------------------------------------------------------------

namespace {

// "X:" or "\\server\share" at the start of a path; empty when neither.
std::string PathRoot(const std::string& Path)
{
    if (IsDriveLetterAt(Path))
        return Path.substr(0, 2);
    if (Path.size() > 2 && Path[0] == '\\' && Path[1] == '\\') {
        const size_t Server = NextCharPos(Path, '\\', 2);
        if (Server == std::string::npos)
            return Path;
        const size_t Share = NextCharPos(Path, '\\', Server + 1);
        return Share == std::string::npos ? Path : Path.substr(0, Share);
    }
    return std::string();
}

bool AllDots(const std::string& Segment)
{
    return !Segment.empty() && Segment.find_first_not_of('.') == std::string::npos;
}

} // namespace

TRzCombinedName CombineWithBaseFolder(const std::string& BaseFolder, const std::string& Name)
{
    TRzCombinedName Out;
    if (Name.empty())
        return Out;
    if (CharCount(BaseFolder) > RzMaxFullPath || CharCount(Name) > RzMaxFullPath) {
        Out.Result = TRzCombineResult::TooLong;
        return Out;
    }
    std::string Base = BaseFolder;
    if (Base.size() > 2 && LastCharPos(Base, '\\') == Base.size() - 1)
        Base.pop_back();

    std::string Full;
    if (IsDriveLetterAt(Name) && Name.size() == 2) {
        Full = Name + "\\";
    } else if (IsDriveLetterAt(Name) || (Name.size() > 2 && Name[0] == '\\' && Name[1] == '\\')) {
        Full = Name;
    } else if (Name[0] == '\\') {
        Full = PathRoot(Base) + Name;
    } else {
        const std::string Root = PathRoot(Base);
        Full = Base;
        size_t From = 0;
        while (From <= Name.size()) {
            size_t To = NextCharPos(Name, '\\', From);
            if (To == std::string::npos)
                To = Name.size();
            const std::string Segment = Name.substr(From, To - From);
            if (Segment.empty())
                break;
            if (AllDots(Segment)) {
                for (size_t Up = 1; Up < Segment.size() && Full.size() > Root.size(); ++Up) {
                    const size_t Slash = LastCharPos(Full, '\\');
                    Full.erase(Slash == std::string::npos || Slash < Root.size() ? Root.size() : Slash);
                }
            } else {
                Full += "\\" + Segment;
            }
            From = To + 1;
        }
        // Climbing to a drive's root leaves "X:", which would name the
        // drive's current folder instead.
        if (Full.size() == 2 && IsDriveLetterAt(Full))
            Full += "\\";
    }
    // Behind the "\\?\" prefix a long name is opened with, "." and ".."
    // would name nothing: a full name typed with them is resolved as the
    // path forms resolve every path.
    const std::wstring Wide = AnsiToWide(Full);
    if (const size_t Root = PathRootLength(Wide); Root != 0 && Wide[Root - 1] == L'\\') {
        std::wstring Plain = FullPlainPath(Wide);
        // A folder's name carries no final backslash here.
        if (Plain.size() > PathRootLength(Plain) && Plain.back() == L'\\')
            Plain.pop_back();
        Full = WideToAnsi(Plain.c_str());
    }
    size_t Longest = 0;
    for (size_t From = 0, To = 0; From < Full.size(); From = To + 1) {
        To = NextCharPos(Full, '\\', From);
        if (To == std::string::npos)
            To = Full.size();
        Longest = std::max(Longest, static_cast<size_t>(CharCount(Full.substr(From, To - From))));
    }
    if (CharCount(Full) > RzMaxFullPath || Longest > RzMaxNameLength) {
        Out.Result = TRzCombineResult::TooLong;
        return Out;
    }
    Out.Result = Full.empty() ? TRzCombineResult::Empty : TRzCombineResult::Ok;
    Out.FullName = Full;
    return Out;
}

// ---------------------------------------------------------------------------
// Default extension
// ---------------------------------------------------------------------------

bool ExtensionRegisteredInClasses(const std::string& Ext)
{
    if (Ext.empty())
        return false;
    TRegistry Reg(HKEY_CLASSES_ROOT, KEY_READ);
    if (Reg.KeyExists(Ext))
        return true;
    // The classes root is the user's classes over the machine's; where the
    // two are not merged, the user's types are still registered types.
    Reg.SetRootKey(HKEY_CURRENT_USER);
    return Reg.KeyExists("Software\\Classes\\" + Ext);
}

std::string FileNameExtension(const std::string& Name)
{
    const size_t Slash = LastCharPos(Name, '\\');
    const size_t Dot = LastCharPos(Name, '.');
    if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash))
        return std::string();
    return Name.substr(Dot);
}

TRzDefaultExtResult ApplyDefaultExtension(const std::string& FullName, const std::string& DefaultExt,
                                          const std::string& TypeMask,
                                          const TRzExtensionRegistered& IsRegistered)
{
    TRzDefaultExtResult Out;
    Out.FullName = FullName;
    if (DefaultExt.empty())
        return Out;
    const std::string NameExt = FileNameExtension(FullName);
    // A lone trailing dot is no extension to look up.
    if (NameExt.size() > 1 && IsRegistered && IsRegistered(NameExt)) {
        Out.ExtensionDifferent = TRzExtensionFlag::Set;
        return Out;
    }
    std::string MaskExt = FileNameExtension(TypeMask);
    // "*.*" allows every extension, so it names none to add.
    if (MaskExt.find_first_of("*?") != std::string::npos)
        MaskExt.clear();
    auto AppendExt = [&](const std::string& Ext) {
        if (Out.FullName.empty() || LastCharPos(Out.FullName, '.') != Out.FullName.size() - 1)
            Out.FullName += '.';
        Out.FullName += Ext;
    };
    if (MaskExt.empty()) {
        // A name that already ends in the default extension keeps it; adding
        // it again would make "merged.mbox" into "merged.mbox.mbox".
        if (!AnsiSameText(NameExt, "." + DefaultExt))
            AppendExt(DefaultExt);
        Out.ExtensionDifferent = TRzExtensionFlag::Cleared;
    } else if (!AnsiSameText(MaskExt, NameExt)) {
        AppendExt(MaskExt.substr(1));
        Out.ExtensionDifferent = AnsiSameText(MaskExt, "." + DefaultExt) ? TRzExtensionFlag::Cleared
                                                                         : TRzExtensionFlag::Set;
    }
    return Out;
}

// ---------------------------------------------------------------------------
// File checks
// ---------------------------------------------------------------------------

bool CheckChosenFile(const std::string& FullName, DWORD Attributes, const TRzFileCheckOptions& Options,
                     const TRzFormQuestion& Ask)
{
    const bool Exists = Attributes != INVALID_FILE_ATTRIBUTES && !(Attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (Exists) {
        if (Options.NoReadOnlyReturn && (Attributes & FILE_ATTRIBUTE_READONLY)) {
            Ask(TRzFormMessageKind::Warning, FormatFormMessage(SRzFileReadOnly, FullName));
            return false;
        }
        if (Options.OverwritePrompt)
            return Ask(TRzFormMessageKind::WarningQuestion, FormatFormMessage(SRzFileReplace, FullName));
        return true;
    }
    if (Options.FileMustExist) {
        Ask(TRzFormMessageKind::Warning, FormatFormMessage(SRzFileNotFound, FullName));
        return false;
    }
    if (Options.CreatePrompt) {
        const size_t Slash = LastCharPos(FullName, '\\');
        const std::string Last = Slash == std::string::npos ? FullName : FullName.substr(Slash + 1);
        return Ask(TRzFormMessageKind::ConfirmQuestion, FormatFormMessage(SRzFileCreate, Last));
    }
    return true;
}

DWORD FileAttributesAnyLength(const std::string& Path)
{
    if (static_cast<size_t>(CharCount(Path)) < LongPathFrom)
        return GetFileAttributesA(Path.c_str());
    return GetFileAttributesW(PrefixedPath(AnsiToWide(Path)).c_str());
}
