#include "app/KvConvert.h"

#include <cstdint>

#include "foundation/KvBase.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "mail/KvFindMail.h"
#include "mail/KvMailFolders.h"

namespace {

struct TMailFormatInfo {
    const char* Name;
    const char* SourceExt;
    const char* DataExt;
    TMailboxKind ReaderMode;
    TMailReader Reader;
    int SourceRow;  // -1: not in the source list
    int TargetRow;  // -1: not in the target list
    int ClientId;   // default store of the source format, mciNone for none
};

// Ids 9 and 11 have no settings name on purpose: stored settings written
// before those formats existed must not pick them up by accident.
constexpr TMailFormatInfo FormatTable[MaxMailFormat + 1] = {
    {"Unknown", "*", "", mbkNone, TMailReader::None, -1, -1, mciNone},
    {"Thunderbird", "msf", "", mbkMozilla, TMailReader::Stream, 1, -1, mciThunderbird},
    {"Eudora_OSE", "msf", "", mbkMozilla, TMailReader::Stream, 5, -1, mciThunderbird},
    {"SeaMonkey", "msf", "", mbkMozilla, TMailReader::Stream, 2, -1, mciSeaMonkey},
    {"Mozilla", "msf", "", mbkMozilla, TMailReader::Stream, 3, -1, mciMozilla},
    {"Netscape", "msf", "", mbkMozilla, TMailReader::Stream, 4, -1, mciNetscape},
    {"Netscape_Old", "snm", "", mbkMozilla, TMailReader::Stream, -1, -1, mciNetscape},
    {"Eudora.toc", "toc", "", mbkEudoraToc, TMailReader::EudoraIndex, 7, -1, mciEudora},
    {"Eudora.mbx", "mbx", "mbx", mbkEudoraMbx, TMailReader::Stream, 8, -1, mciEudora},
    {"", "*", "", mbkMacEudora, TMailReader::Stream, 9, -1, mciNone},
    {"Mbox", "*", "mbox", mbkMbox, TMailReader::Stream, 11, -1, mciNone},
    {"", "*", "", mbkPine, TMailReader::Stream, 12, -1, mciNone},
    {"EML", "eml", "eml", mbkMessageFile, TMailReader::None, -1, 1, mciNone},
    {"Txt", "txt", "txt", mbkMessageFile, TMailReader::None, -1, 2, mciNone},
    {"Mbox_Win", "mbox", "mbox", mbkMbox, TMailReader::None, -1, 4, mciNone},
    {"Mbox_Unix", "mbox", "mbox", mbkMbox, TMailReader::None, -1, 5, mciNone},
    {"Mbox_Mac", "mbox", "mbox", mbkMbox, TMailReader::None, -1, 6, mciNone},
    {"Other", "*", "", mbkNone, TMailReader::None, 14, 8, mciNone},
};

const TMailFormatInfo& InfoOf(TMailFormat Format)
{
    const int id = MailFormatId(Format);
    return FormatTable[id <= MaxMailFormat ? id : 0];
}

// Header rows and rows past the list belong to no format.
TMailFormat FormatOfRow(int TMailFormatInfo::*List, int Row)
{
    if (Row < 0)
        return mftUnknown;
    for (int Id = 1; Id <= MaxMailFormat; ++Id)
        if (FormatTable[Id].*List == Row)
            return static_cast<TMailFormat>(Id);
    return mftUnknown;
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
    return FormatOfRow(&TMailFormatInfo::SourceRow, Row);
}

TMailFormat MailFormatFromTargetRow(int Row)
{
    return FormatOfRow(&TMailFormatInfo::TargetRow, Row);
}

int MailFormatToRow(TMailFormat Format, bool Target)
{
    // The several-formats marker takes the target list's "Other" row.
    if (Target && MailFormatId(Format) == mftSeveral)
        return InfoOf(mftOther).TargetRow;
    return Target ? InfoOf(Format).TargetRow : InfoOf(Format).SourceRow;
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
    if (entry.find("*.") != std::string::npos && !base.empty())
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
    return HasCurrentEntry() ? SourceList->Strings(CurrentIndex) : std::string();
}

std::string TConvertSettings::GetSourceExt(bool DataFile) const
{
    if (!DataFile)
        return MailFormatExtension(SourceFormat, false);
    return MailFormatIsEudora(SourceFormat) ? "mbx" : "";
}

std::string TConvertSettings::GetMailboxFileOf(const std::string& FoundFile) const
{
    if (MailFormatIsMozilla(SourceFormat))
        return RemoveFileExt(FoundFile, MailFormatExtension(SourceFormat, false));
    if (MailFormatId(SourceFormat) == mftEudoraToc)
        return SetFileExt(FoundFile, "mbx");
    return FoundFile;
}

std::string TConvertSettings::GetTargetExt() const
{
    return TargetExtOverride.empty() ? MailFormatExtension(TargetFormat, true) : TargetExtOverride;
}

std::string TConvertSettings::GetTargetPath(const std::string& MailboxFile) const
{
    if (!RestoreFolderTree)
        return TargetPath;
    std::string part;
    if (OneFilePerMessage) {
        std::string ext = MailFormatExtension(SourceFormat, false);
        if (ext == "*")
            ext.clear();
        part = AddTrailingBackslash(ext.empty() ? MailboxFile : RemoveFileExt(MailboxFile, ext));
    } else {
        part = MailboxFile.substr(0, static_cast<size_t>(LastCharPos('\\', MailboxFile)));
    }
    part = StrDeleteLeft(part, static_cast<int>(SourceBase.size()));
    if (OneFilePerMessage && !SubfolderExt.empty())
        part = RemoveFolderExtension(part, SubfolderExt);
    return part.empty() ? TargetPath : JoinPath(TargetPath, part);
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
