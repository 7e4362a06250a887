#include "mail/KvDataTables.h"

#include <memory>

#include "foundation/KvAppBase.h"
#include "foundation/KvBoyerMoore.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"
#include "foundation/KvMemIni.h"
#include "foundation/KvStrings.h"
#include "mail/KvBase64.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvQuotedPrintable.h"

namespace {

const char TokensFileName[] = "Tokens.ini";
const char SubstPathsSection[] = "SubstPaths";
const char RemovedSectionNote[] = "[This section was removed and saved as file";

std::unique_ptr<TTableList> GTimeZoneTable;
std::unique_ptr<TDoubleStringList> GSubstPathList;

const TCharSet& TrimSet()
{
    static const TCharSet set = TCharSet::Range(0, 32);
    return set;
}

std::string Trimmed(const std::string& S)
{
    return TrimCharSetStr(S, true, TrimSet());
}

// A name given with a folder is taken as it stands; a bare name is looked
// for in the data folder, then beside the program.
std::string LocateDataFile(const std::string& FileName)
{
    if (FileName.empty())
        return std::string();
    if (FileNamePos(FileName) > 0)
        return IsExistingFile(FileName) ? FileName : std::string();
    const std::string path = FindDataFile(FileName);
    return IsExistingFile(path) ? path : std::string();
}

// Prepared on first use; the records live as long as the process.
const TBmPattern& MarkerRecord(int Which)
{
    static const std::string Detached = std::string("\n") + DetachedMarkLine;
    static const char* const Texts[] = {"x-apple-content-length:", RemovedSectionNote, Detached.c_str()};
    static TBmPattern Records[3];
    static bool Prepared[3] = {};
    if (!Prepared[Which]) {
        BmPrepare(Records[Which], Texts[Which], 1);
        Prepared[Which] = true;
    }
    return Records[Which];
}

const TBmPattern& UuRecord(bool Begin)
{
    static TBmPattern begin;
    static TBmPattern end;
    static bool prepared = false;
    if (!prepared) {
        BmPrepare(begin, "\nbegin ", 0);
        BmPrepare(end, "\nend", 0);
        prepared = true;
    }
    return Begin ? begin : end;
}

// The marker at the start of the text or right after an LF.
int FindAtLineStart(const std::string& Text, const TBmPattern& Record)
{
    int pos = 1;
    while ((pos = BmPos(Text, Record, pos)) > 0) {
        if (pos == 1 || Text[pos - 2] == '\n')
            return pos;
        ++pos;
    }
    return 0;
}

bool IsUuencodedLineAt(const std::string& Text, std::size_t LineStart)
{
    if (LineStart >= Text.size())
        return false;
    const std::size_t at = LineStart + static_cast<std::size_t>(UuLineLength(Text[LineStart])) + 1;
    return at >= Text.size() || Text[at] == '\r' || Text[at] == '\n';
}

// "begin " at 0-based Pos followed by a mode of digits and an encoded line.
bool IsUuencodeBeginAt(const std::string& Text, std::size_t Pos)
{
    std::size_t i = Pos + 6;
    const std::size_t digits = i;
    while (i < Text.size() && Text[i] >= '0' && Text[i] <= '9')
        ++i;
    if (i == digits || i >= Text.size() || Text[i] != ' ')
        return false;
    const auto lf = Text.find('\n', i);
    if (lf == std::string::npos)
        return false;
    return IsUuencodedLineAt(Text, lf + 1);
}

}  // namespace

bool LoadTableFile(TTableList*& Table, const std::string& FileName)
{
    if (!Table)
        Table = new TTableList();
    const std::string path = LocateDataFile(FileName);
    if (!path.empty()) {
        TStringList lines;
        LoadStringsFromFile(path, lines);
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string line = lines[i];
            if (line.empty() || line[0] == ';')
                continue;
            const auto tab = line.find('\t');
            if (tab == std::string::npos || tab == 0)
                continue;
            Table->AddPair(line.substr(0, tab), line.substr(tab + 1));
        }
    }
    return Table->Count() > 0;
}

bool LoadTimeZoneTable(const std::string& FileName)
{
    TTableList* Table = GTimeZoneTable.release();
    if (Table)
        Table->Clear();
    const bool Loaded = LoadTableFile(Table, FileName);
    GTimeZoneTable.reset(Table);
    if (!Loaded) {
        FreeTimeZoneTable();
        return false;
    }
    SetZoneNameLookup(&LookupTimeZoneName);
    return true;
}

std::string LookupTimeZoneName(const std::string& Name)
{
    return GTimeZoneTable ? GTimeZoneTable->ValueOf(Name) : std::string();
}

void FreeTimeZoneTable()
{
    SetZoneNameLookup(nullptr);
    GTimeZoneTable.reset();
}

bool LoadSubstPaths(TStrings* List)
{
    const std::string path = LocateDataFile(TokensFileName);
    if (path.empty() || !List)
        return List && List->Count() > 0;
    TMemIniFile ini(path, true);
    TStringList lines;
    ini.ReadSectionValues(SubstPathsSection, &lines);
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string line = lines[i];
        if (line.empty() || line[0] == ';')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = Trimmed(line.substr(0, eq));
        const std::string value = Trimmed(line.substr(eq + 1));
        if (key.empty() || value.empty())
            continue;
        List->Add(key + "=" + value);
    }
    return List->Count() > 0;
}

TDoubleStringList& SubstPaths()
{
    if (!GSubstPathList) {
        GSubstPathList = std::make_unique<TDoubleStringList>();
        TStringList lines;
        LoadSubstPaths(&lines);
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string line = lines[i];
            const auto eq = line.find('=');
            const std::string key = ExpandPathMacros(line.substr(0, eq));
            if (GSubstPathList->IndexOf(key) >= 0)
                continue;
            GSubstPathList->AddPair(key, ExpandPathMacros(line.substr(eq + 1)));
        }
    }
    return *GSubstPathList;
}

void FreeSubstPaths()
{
    GSubstPathList.reset();
}

bool ResolveSubstPath(std::string& Path, bool IsEmbedded)
{
    TDoubleStringList& list = SubstPaths();
    for (int i = 0; i < list.Count(); ++i) {
        const std::string key = list[i];
        const std::string folder = list.GetSecond(i);
        std::string candidate;
        if (SameTextStr(key, "Embedded")) {
            if (IsEmbedded)
                continue;
            candidate = JoinPath(folder, ExtractFileNamePart(Path));
        } else if (SameTextStr(key, "Attachments")) {
            if (!IsEmbedded)
                continue;
            candidate = JoinPath(folder, ExtractFileNamePart(Path));
        } else if (Path.size() >= key.size() && SameTextStr(Path.substr(0, key.size()), key)) {
            candidate = JoinPath(folder, Path.substr(key.size()));
        } else {
            continue;
        }
        if (IsExistingFile(candidate)) {
            Path = candidate;
            return true;
        }
    }
    return false;
}

int FindAppleContentLength(const std::string& Text)
{
    return FindAtLineStart(Text, MarkerRecord(0));
}

bool HasAppleContentLength(const std::string& Text)
{
    return FindAppleContentLength(Text) > 0;
}

int FindRemovedSectionNote(const std::string& Text)
{
    return FindAtLineStart(Text, MarkerRecord(1));
}

bool HasRemovedSectionNote(const std::string& Text)
{
    return FindRemovedSectionNote(Text) > 0;
}

std::string GetRemovedSectionFileName(const std::string& Text)
{
    const int pos = FindRemovedSectionNote(Text);
    if (pos == 0)
        return std::string();
    const std::size_t from = static_cast<std::size_t>(pos - 1) + sizeof(RemovedSectionNote) - 1;
    const auto close = Text.find(']', from);
    if (close == std::string::npos)
        return std::string();
    return Trimmed(Text.substr(from, close - from));
}

bool HasDetachedMark(const std::string& Text)
{
    return BmPos(Text, MarkerRecord(2)) > 0;
}

int FindUuencodeBegin(const std::string& Text, int From)
{
    if (From < 1)
        From = 1;
    if (From == 1 && Text.compare(0, 6, "begin ") == 0 && IsUuencodeBeginAt(Text, 0))
        return 1;
    int pos = From;
    while ((pos = BmPosCase(Text, UuRecord(true), pos)) > 0) {
        // pos is the LF; the candidate is the "b" after it.
        if (IsUuencodeBeginAt(Text, static_cast<std::size_t>(pos)))
            return pos + 1;
        ++pos;
    }
    return 0;
}

bool HasUuencodedBlockFrom(const std::string& Text, std::size_t Offset)
{
    // A block right at Offset counts as one at the start of the text does.
    if (Offset > 0 && Offset < Text.size() && Text.compare(Offset, 6, "begin ") == 0 &&
        IsUuencodeBeginAt(Text, Offset))
        return true;
    return Offset <= Text.size() && FindUuencodeBegin(Text, static_cast<int>(Offset) + 1) > 0;
}

bool MayHoldUuencodedBlockFrom(const std::string& Text, std::size_t Offset)
{
    return Offset <= Text.size() &&
           (Text.compare(Offset, 6, "begin ") == 0 || BmPosCase(Text, UuRecord(true), static_cast<int>(Offset) + 1) > 0);
}

bool HasUuencodedBlock(const std::string& Text)
{
    return HasUuencodedBlockFrom(Text, 0);
}

int FindUuencodeEnd(const std::string& Text, int From)
{
    const int pos = BmPosCase(Text, UuRecord(false), From < 1 ? 1 : From);
    if (pos == 0)
        return 0;
    int after = pos + 4;  // 1-based position after "\nend"
    if (after <= static_cast<int>(Text.size()) && Text[after - 1] == '\r')
        ++after;
    return after;
}

int UuLineLength(char LengthChar)
{
    const int count = ((static_cast<unsigned char>(LengthChar) - 32) & 63) * 4;
    return count / 3 + (count % 3 ? 1 : 0);
}

bool SavePartToFile(const std::string& FileName, const std::string& Text,
                    const std::string& Encoding, TDateTime Date)
{
    if (SameTextStr(Encoding, MimeQuotedPrintable))
        return SaveTextToFileSafe(DecodeQuotedPrintable(Text), FileName, bmDefault, Date) >= 0;
    if (SameTextStr(Encoding, MimeBase64)) {
        const std::string bytes = Base64DecodeString(Text);
        return WriteBufferToFile(bytes.data(), bytes.size(), FileName, Date > 0 ? Date : 0) >= 0;
    }
    return SaveTextToFileSafe(Text, FileName, bmDefault, Date) >= 0;
}
