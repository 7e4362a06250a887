#include "app/KvConvert.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "classlib/ResStrings.h"
#include "foundation/KvAnsi.h"
#include "foundation/KvBase.h"
#include "foundation/KvFileFinder.h"
#include "foundation/KvFileProbes.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLogs.h"
#include "classlib/PathForms.h"
#include "foundation/KvStrings.h"
#include "mail/KvEudora.h"
#include "mail/KvFindMail.h"
#include "mail/KvMailFolders.h"

namespace {

struct TMailFormatInfo {
    const char* Name;
    const char* SourceExt;
    const char* DataExt;
    TMailboxKind ReaderMode;
    TMailReader Reader;
    int ClientId;  // default store of the source format, mciNone for none
};

// Ids 9 and 11 have no settings name on purpose: stored settings written
// before those formats existed must not pick them up by accident.
constexpr TMailFormatInfo FormatTable[MaxMailFormat + 1] = {
    {"Unknown", "*", "", mbkNone, TMailReader::None, mciNone},
    {"Thunderbird", "msf", "", mbkMozilla, TMailReader::Stream, mciThunderbird},
    {"Eudora_OSE", "msf", "", mbkMozilla, TMailReader::Stream, mciThunderbird},
    {"SeaMonkey", "msf", "", mbkMozilla, TMailReader::Stream, mciSeaMonkey},
    {"Mozilla", "msf", "", mbkMozilla, TMailReader::Stream, mciMozilla},
    {"Netscape", "msf", "", mbkMozilla, TMailReader::Stream, mciNetscape},
    {"Netscape_Old", "snm", "", mbkMozilla, TMailReader::Stream, mciNetscape},
    {"Eudora.toc", "toc", "", mbkEudoraToc, TMailReader::EudoraIndex, mciEudora},
    {"Eudora.mbx", "mbx", "mbx", mbkEudoraMbx, TMailReader::Stream, mciEudora},
    {"", "*", "", mbkMacEudora, TMailReader::Stream, mciNone},
    {"Mbox", "*", "mbox", mbkMbox, TMailReader::Stream, mciNone},
    {"", "*", "", mbkPine, TMailReader::Stream, mciNone},
    {"EML", "eml", "eml", mbkMessageFile, TMailReader::None, mciNone},
    {"Txt", "txt", "txt", mbkMessageFile, TMailReader::None, mciNone},
    {"Mbox_Win", "mbox", "mbox", mbkMbox, TMailReader::None, mciNone},
    {"Mbox_Unix", "mbox", "mbox", mbkMbox, TMailReader::None, mciNone},
    {"Mbox_Mac", "mbox", "mbox", mbkMbox, TMailReader::None, mciNone},
    {"Other", "*", "", mbkNone, TMailReader::None, mciNone},
};

const TMailFormatInfo& InfoOf(TMailFormat Format)
{
    const int id = MailFormatId(Format);
    return FormatTable[id <= MaxMailFormat ? id : 0];
}

// The captions of the format lists, each a text of its own so that it can
// be translated like every other text the user sees.
enum : int {
    SGroupMozilla = 31100,
    SRowThunderbird,
    SRowSeaMonkey,
    SRowMozilla,
    SRowNetscape,
    SRowEudoraOse,
    SGroupEudora,
    SRowEudoraToc,
    SRowEudoraMbx,
    SRowMacEudora,
    SGroupGenericSources,
    SRowMbox,
    SRowPine,
    SGroupOther,
    SRowOther,
    SGroupMessageFiles,
    SRowEml,
    SRowTxt,
    SGroupGenericTargets,
    SRowMboxWin,
    SRowMboxUnix,
    SRowMboxMac,
};

const TResStringRegistrar FormatListTexts{
    {SGroupMozilla, "//Mozilla mail programs"},
    {SRowThunderbird, "Thunderbird"},
    {SRowSeaMonkey, "SeaMonkey Mail"},
    {SRowMozilla, "Mozilla Mail"},
    {SRowNetscape, "Netscape Messenger"},
    {SRowEudoraOse, "Eudora OSE"},
    {SGroupEudora, "//Qualcomm Eudora"},
    {SRowEudoraToc, "Eudora index files (*.toc)"},
    {SRowEudoraMbx, "Eudora mailboxes (*.mbx)"},
    {SRowMacEudora, "Mac Eudora mailboxes"},
    {SGroupGenericSources, "//Generic mail formats"},
    {SRowMbox, "Standard mbox"},
    {SRowPine, "Pine mbox"},
    {SGroupOther, "//Other mail programs"},
    {SRowOther, "Other formats"},
    {SGroupMessageFiles, "//Individual message files"},
    {SRowEml, "EML files (*.eml)"},
    {SRowTxt, "MIME files (*.txt)"},
    {SGroupGenericTargets, "//Generic mailbox files"},
    {SRowMboxWin, "mbox for Windows"},
    {SRowMboxUnix, "mbox for Unix"},
    {SRowMboxMac, "mbox for Mac"},
};

// The rows of the two format lists, top to bottom, with the format each
// picks: the lists show these captions, so a row's number is its place here.
// Group rows ("//") pick no format.
struct TFormatListRow {
    int Caption;
    TMailFormat Format;
};

constexpr TFormatListRow SourceListRows[] = {
    {SGroupMozilla, mftUnknown},
    {SRowThunderbird, mftThunderbird},
    {SRowSeaMonkey, mftSeaMonkey},
    {SRowMozilla, mftMozilla},
    {SRowNetscape, mftNetscape},
    {SRowEudoraOse, mftEudoraOse},
    {SGroupEudora, mftUnknown},
    {SRowEudoraToc, mftEudoraToc},
    {SRowEudoraMbx, mftEudoraMbx},
    {SRowMacEudora, mftMacEudora},
    {SGroupGenericSources, mftUnknown},
    {SRowMbox, mftMbox},
    {SRowPine, mftPine},
    {SGroupOther, mftUnknown},
    {SRowOther, mftOther},
};

constexpr TFormatListRow TargetListRows[] = {
    {SGroupMessageFiles, mftUnknown},
    {SRowEml, mftEml},
    {SRowTxt, mftTxt},
    {SGroupGenericTargets, mftUnknown},
    {SRowMboxWin, mftMboxWin},
    {SRowMboxUnix, mftMboxUnix},
    {SRowMboxMac, mftMboxMac},
    {SGroupOther, mftUnknown},
    {SRowOther, mftOther},
};

std::span<const TFormatListRow> ListRows(bool Target)
{
    if (Target)
        return TargetListRows;
    return SourceListRows;
}

// Header rows and rows past the list belong to no format.
TMailFormat FormatOfRow(bool Target, int Row)
{
    const std::span<const TFormatListRow> Rows = ListRows(Target);
    return Row >= 0 && Row < static_cast<int>(Rows.size()) ? Rows[Row].Format : mftUnknown;
}

}  // namespace

std::string MailFormatName(TMailFormat Format)
{
    return InfoOf(Format).Name;
}

TMailFormat MailFormatFromName(const std::string& Name)
{
    if (Name.empty())
        return mftUnknown;
    for (int Id = 1; Id <= MaxMailFormat; ++Id)
        if (SameTextStr(Name, FormatTable[Id].Name))
            return static_cast<TMailFormat>(Id);
    return mftUnknown;
}

std::string MailFormatExtension(TMailFormat Format, bool DataFile)
{
    return DataFile ? InfoOf(Format).DataExt : InfoOf(Format).SourceExt;
}

TMailboxKind MailFormatReaderMode(TMailFormat Format)
{
    return InfoOf(Format).ReaderMode;
}

TMailReader MailFormatReader(TMailFormat Format)
{
    return InfoOf(Format).Reader;
}

bool MailFormatIsMozilla(TMailFormat Format)
{
    const TMailFormat id = MailFormatId(Format);
    return id >= mftThunderbird && id <= mftNetscapeOld;
}

bool MailFormatIsEudora(TMailFormat Format)
{
    const TMailFormat id = MailFormatId(Format);
    return id == mftEudoraToc || id == mftEudoraMbx;
}

TMailFormat MailFormatFromSourceRow(int Row)
{
    return FormatOfRow(false, Row);
}

TMailFormat MailFormatFromTargetRow(int Row)
{
    return FormatOfRow(true, Row);
}

int MailFormatToRow(TMailFormat Format, bool Target)
{
    TMailFormat Id = MailFormatId(Format);
    // The several-formats marker takes the target list's "Other" row.
    if (Target && Id == mftSeveral)
        Id = mftOther;
    if (Id == mftUnknown)
        return -1;
    const std::span<const TFormatListRow> Rows = ListRows(Target);
    for (std::size_t Row = 0; Row < Rows.size(); ++Row)
        if (Rows[Row].Format == Id)
            return static_cast<int>(Row);
    return -1;
}

std::string MailFormatListText(bool Target)
{
    std::string Text;
    for (const TFormatListRow& Row : ListRows(Target))
        Text += (Text.empty() ? "" : "\r\n") + LoadResString(Row.Caption);
    return Text;
}

bool IsSourcePattern(const std::string& Entry)
{
    const size_t Slash = Entry.rfind('\\');
    return Entry.find('*', Slash == std::string::npos ? 0 : Slash + 1) != std::string::npos;
}

std::string CutTargetPattern(const std::string& Text)
{
    const size_t P = Text.rfind("\\*.");
    if (P == std::string::npos || Text.find('\\', P + 1) != std::string::npos)
        return Text;
    return Text.substr(0, P + 1);
}

std::string TargetExtOfText(const std::string& Text)
{
    if (HasTrailingSlash(Text))
        return "*";
    const size_t P = Text.rfind("\\*.");
    if (P == std::string::npos || Text.find('\\', P + 1) != std::string::npos)
        return std::string();
    const std::string Ext = Text.substr(P + 3);
    if (Ext.empty() && !Text.empty() && Text.back() == '.')
        return ".";
    return Ext;
}

std::string TargetDeviceProblem(const std::string& Path)
{
    for (size_t Start = PathHasDrive(Path) ? 2 : 0; Start < Path.size();) {
        size_t End = Path.find('\\', Start);
        if (End == std::string::npos)
            End = Path.size();
        const std::string Part = Path.substr(Start, End - Start);
        if (IsDeviceFileName(Part))
            return Path + ": " + Part + " is a device name";
        Start = End + 1;
    }
    return std::string();
}

std::string TargetFolderProblem(const TConvertSettings& RunSettings)
{
    if (!RunSettings.OneFilePerMessage && !MailFormatIsMboxTarget(RunSettings.TargetFormat))
        return std::string();  // nothing is written
    if (RunSettings.TargetPath.empty())
        return "no target folder was given";
    const bool IsFile = !RunSettings.OneFilePerMessage && !HasTrailingSlash(RunSettings.TargetPath);
    const std::string Folder = ExcludeTrailingSlash(IsFile ? ExtractParentFolder(RunSettings.TargetPath) : RunSettings.TargetPath);
    const std::string Shown = IsFile ? RunSettings.TargetPath : Folder;
    // A message file needs room for at least an 8.3 name of its own.
    if (Folder.size() + 13 >= MAX_PATH)
        return Shown + ": the path is longer than Windows allows";
    const size_t Root = PathHasDrive(Folder) ? 2 : 0;
    if (HasInvalidPathChars(Folder.substr(Root)) || Folder.find(':', Root) != std::string::npos)
        return Shown + ": the path holds characters a folder name cannot hold";
    // The target file's own name too: a device takes every message and keeps none.
    if (const std::string Problem = TargetDeviceProblem(Shown); !Problem.empty())
        return Problem;
    const DWORD Attr = GetFileAttributesA(Folder.c_str());
    if (Attr != INVALID_FILE_ATTRIBUTES && !(Attr & FILE_ATTRIBUTE_DIRECTORY))
        return Folder + ": it is a file, not a folder";
    if (!ForceFolder(Folder)) {
        const DWORD Error = GetLastError();
        return Folder + ": the folder cannot be created: " + SystemErrorText(Error ? Error : ERROR_PATH_NOT_FOUND);
    }
    if (const std::string Problem = FolderWriteProblem(Folder); !Problem.empty())
        return Folder + ": " + Problem;
    if (IsFile) {
        const DWORD TargetAttr = GetFileAttributesA(RunSettings.TargetPath.c_str());
        if (TargetAttr != INVALID_FILE_ATTRIBUTES && (TargetAttr & FILE_ATTRIBUTE_DIRECTORY))
            return Shown + ": the target file is a folder";
        if (TargetAttr != INVALID_FILE_ATTRIBUTES) {
            if (const std::string Problem = FileWriteProblem(RunSettings.TargetPath); !Problem.empty())
                return Shown + ": the target file cannot be written: " + Problem;
        }
    }
    return std::string();
}

std::string MailFormatSubfolderExt(TMailFormat Format)
{
    return MailFormatIsMozilla(Format) ? FolderExtSbd : "";
}

TLineBreakKind MailFormatLineBreak(TMailFormat Format)
{
    switch (MailFormatId(Format)) {
    case mftMboxUnix:
        return lbkLf;
    case mftMboxMac:
        return lbkCr;
    case mftUnknown: case mftThunderbird: case mftEudoraOse: case mftSeaMonkey: case mftMozilla: case mftNetscape:
    case mftNetscapeOld: case mftEudoraToc: case mftEudoraMbx: case mftMacEudora: case mftMbox: case mftPine:
    case mftEml: case mftTxt: case mftMboxWin: case mftOther: case mftSeveral:
        break;
    }
    return lbkCrLf;
}

bool MailFormatIsOneFilePerMessage(TMailFormat Format)
{
    const TMailFormat id = MailFormatId(Format);
    return id == mftEml || id == mftTxt;
}

bool MailFormatIsMboxTarget(TMailFormat Format)
{
    const TMailFormat id = MailFormatId(Format);
    return id >= mftMboxWin && id <= mftMboxMac;
}

int MailFormatClientId(TMailFormat Format)
{
    return InfoOf(Format).ClientId;
}

std::string GetSourceDefaultFolder(TMailFormat Format)
{
    const int client = MailFormatClientId(Format);
    return client == mciNone ? std::string() : GetClientMailFolderById(client, std::string(), cfmStore);
}

TObject* MailFormatToObject(TMailFormat Format)
{
    return reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(Format));
}

TMailFormat MailFormatOfObject(const TObject* Object)
{
    return static_cast<TMailFormat>(reinterpret_cast<std::uintptr_t>(Object) & 0xFF);
}

// ---------------------------------------------------------------------------
// TConvertSettings
// ---------------------------------------------------------------------------

TConvertSettings::TConvertSettings() = default;

void TConvertSettings::SetSourceList(TStrings* List)
{
    SourceList = List;
    SourceCount = List ? List->Count() : 0;
    CurrentIndex = -1;
    ResetCounters();
}

void TConvertSettings::ResetCounters()
{
    MailboxCount = 0;
    MessageCount = 0;
    DuplicateCount = 0;
    ErrorCount = 0;
}

void TConvertSettings::SetTargetFormat(TMailFormat Format)
{
    TargetFormat = Format;
    OneFilePerMessage = MailFormatIsOneFilePerMessage(Format);
    LineBreak = MailFormatLineBreak(Format);
}

void TConvertSettings::SetCurrentIndex(int Index)
{
    CurrentIndex = Index;
    SourceFormat = GetSourceFormat();
    SubfolderExt = MailFormatSubfolderExt(SourceFormat);
    const std::string entry = GetSourceEntry();
    const int slash = LastCharPos('\\', entry);
    std::string base = entry.substr(0, static_cast<size_t>(slash));
    // The chosen folder's own name belongs to every restored path, so a
    // folder search counts from that folder's parent.
    if (IsSourcePattern(entry) && !base.empty())
        base = ExtractParentFolder(base);
    SourceBase = AddTrailingBackslash(base);
}

bool TConvertSettings::HasCurrentEntry() const
{
    return SourceList && CurrentIndex >= 0 && CurrentIndex < SourceCount && CurrentIndex < SourceList->Count();
}

TMailFormat TConvertSettings::GetSourceFormat() const
{
    return HasCurrentEntry() ? MailFormatOfObject(SourceList->Objects(CurrentIndex)) : TMailFormat(mftUnknown);
}

std::string TConvertSettings::GetSourceEntry() const
{
    // Typed with "." or ".." levels, the folder would be restored below
    // the target under those names, which no "\\?\" form resolves.
    return HasCurrentEntry() ? FullPlainAnsiPath(SourceList->Strings(CurrentIndex)) : std::string();
}

std::string TConvertSettings::GetSourceExt(bool DataFile) const
{
    if (!DataFile)
        return MailFormatExtension(SourceFormat, false);
    return MailFormatIsEudora(SourceFormat) ? EudoraDataExt : "";
}

std::string TConvertSettings::GetMailboxFileOf(const std::string& FoundFile) const
{
    if (MailFormatIsMozilla(SourceFormat))
        return RemoveFileExt(FoundFile, MailFormatExtension(SourceFormat, false));
    if (MailFormatId(SourceFormat) == mftEudoraToc)
        return EudoraDataFileName(FoundFile);
    return FoundFile;
}

std::string TConvertSettings::GetTargetExt() const
{
    return TargetExtOverride.empty() ? MailFormatExtension(TargetFormat, true) : TargetExtOverride;
}

std::wstring TConvertSettings::GetTargetPath(const std::string& MailboxFile) const
{
    const std::wstring Target = AnsiToWideStr(TargetPath);
    if (!RestoreFolderTree)
        return Target;
    // The folders restored carry the source's long names, which the code
    // page may not hold and the short forms the run opens them by cut.
    const std::wstring Mailbox = LongPathOf(MailboxFile);
    const size_t NameAt = Mailbox.find_last_of(L'\\') + 1;
    std::wstring Part = Mailbox.substr(0, NameAt);
    if (OneFilePerMessage) {
        std::string Ext = MailFormatExtension(SourceFormat, false);
        if (Ext == "*")
            Ext.clear();
        const std::wstring Name = Mailbox.substr(NameAt);
        Part += (Ext.empty() ? Name : WithAnsiExtOp(Name, [&](const std::string& N) { return RemoveFileExt(N, Ext); })) +
                L"\\";
    }
    Part.erase(0, std::min(Part.size(), LongPathOf(SourceBase).size()));
    // Each level under its own name, made safe where the target cannot
    // hold it: a trailing blank that the ANSI calls drop and the "\\?\"
    // ones keep would split the tree, or fail the run.
    const bool DropFolderExt = OneFilePerMessage && !SubfolderExt.empty();
    std::wstring Kept;
    for (size_t At = 0; At < Part.size();) {
        const size_t End = std::min(Part.find(L'\\', At), Part.size());
        std::wstring Level = Part.substr(At, End - At);
        if (DropFolderExt)
            Level = WithAnsiExtOp(Level, [&](const std::string& N) { return RemoveFolderExtension(N, SubfolderExt); });
        Kept += Level.empty() ? Level : TargetSafeName(Level);
        if (End < Part.size())
            Kept += L"\\";
        At = End + 1;
    }
    Part = Kept;
    // Joined as JoinPath joins.
    if (Part.empty())
        return Target;
    if (Target.empty() || (Part.size() > 1 && Part[1] == L':'))
        return Part;
    const bool Slash = Target.back() == L'\\' || Target.back() == L'/';
    if (Part[0] == L'\\' || Part[0] == L'/')
        return (Slash ? Target.substr(0, Target.size() - 1) : Target) + Part;
    return Slash ? Target + Part : Target + L"\\" + Part;
}

void TConvertSettings::CountResult(int Code)
{
    switch (Code) {
    case cntMailbox:
        ++MailboxCount;
        break;
    case cntMessage:
        ++MessageCount;
        break;
    case cntDuplicate:
        ++DuplicateCount;
        break;
    case cntError:
        ++ErrorCount;
        break;
    default:
        break;
    }
}
