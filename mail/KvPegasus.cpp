#include "mail/KvPegasus.h"

#include <memory>

#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "mail/KvMailFolders.h"

namespace {

const char HierarchyFileName[] = "HIERARCH.PM";
const char NewMailName[] = "New mail";

// One comma-separated field; quoted fields may hold commas of their own.
std::string NextField(const std::string& Line, int& Pos)
{
    std::string field;
    NextFieldByChar(Line, Pos, ',', field, true);
    field = TrimCharSetStr(field, true, " \t");
    return DequoteDoubled(field);
}

std::string TextBefore(const std::string& S, char Ch)
{
    const std::size_t p = S.find(Ch);
    return p == std::string::npos ? S : S.substr(0, p);
}

// Null for a line that does not read: no level number or no key.
std::unique_ptr<TPmHierarchItem> ReadLine(const std::string& Line)
{
    int pos = 1;
    int level = 0;
    if (!TryStrToInt(NextField(Line, pos), level))
        return nullptr;
    NextField(Line, pos);  // a number nobody reads
    const std::string key = NextField(Line, pos);
    if (key.empty())
        return nullptr;
    auto item = std::make_unique<TPmHierarchItem>();
    item->Level = level;
    const std::size_t colon = key.find(':');
    item->Id = key.substr(0, colon);
    if (colon != std::string::npos)
        item->Rest = key.substr(colon + 1);
    item->ParentId = TextBefore(NextField(Line, pos), ':');
    item->DisplayName = NextField(Line, pos);
    return item;
}

int GHierarchyLoads = 0;

// Mailbox files of one folder come one after the other, so the last
// hierarchy read is kept for the next one.
std::unique_ptr<TPmHierarch>& KeptHierarchy()
{
    static std::unique_ptr<TPmHierarch> kept;
    return kept;
}

std::string PegasusFolderNameWithBackslash(const std::string& FilePath)
{
    return PegasusFolderName(FilePath, "\\");
}

}  // namespace

TPmHierarch::TPmHierarch(const std::string& AFileName) : TStringList(true), FileName(AFileName)
{
    SetSorted(true);
    if (!IsExistingFile(FileName))
        return;
    ++GHierarchyLoads;
    TStringList lines;
    LoadStringsFromFile(FileName, lines);
    for (int i = 0; i < lines.Count(); ++i) {
        std::unique_ptr<TPmHierarchItem> item = ReadLine(lines[i]);
        if (!item)
            continue;
        const std::string key = item->Level == 0 ? item->Rest : item->Id;
        // A second line with a key already seen would otherwise be dropped by
        // the sorted list while its item stayed allocated: the first wins.
        int at = 0;
        if (TStringList::Find(key, at))
            continue;
        AddObject(key, item.release());
    }
}

TPmHierarch::~TPmHierarch() = default;

TPmHierarchItem* TPmHierarch::Find(const std::string& Key) const
{
    int at = 0;
    if (!TStringList::Find(Key, at))
        return nullptr;
    return static_cast<TPmHierarchItem*>(GetObject(at));
}

std::string PegasusFolderPath(const TPmHierarch& Hierarchy, const std::string& Key,
                              const std::string& Separator)
{
    const TPmHierarchItem* item = Hierarchy.Find(Key);
    if (!item)
        return std::string();
    std::string path = item->DisplayName;
    // A hierarchy whose parents form a ring must not hang the reader: no
    // folder can be nested deeper than the file has lines.
    for (int steps = 0; steps < Hierarchy.Count() && !item->ParentId.empty(); ++steps) {
        const TPmHierarchItem* parent = Hierarchy.Find(item->ParentId);
        if (!parent || parent->DisplayName.empty())
            break;
        path = parent->DisplayName + Separator + path;
        item = parent;
    }
    return path;
}

std::string PegasusFolderName(const std::string& FilePath, const std::string& Separator)
{
    std::unique_ptr<TPmHierarch>& kept = KeptHierarchy();
    const std::string hierFile = JoinPath(ExtractFolder(FilePath), HierarchyFileName);
    if (!IsExistingFile(hierFile)) {
        kept.reset();
        return std::string();
    }
    if (!kept || !SamePathName(kept->FileName, hierFile))
        kept = std::make_unique<TPmHierarch>(hierFile);
    if (HasFileExt(FilePath, "cnm")) {
        for (int i = 0; i < kept->Count(); ++i) {
            const auto* item = static_cast<const TPmHierarchItem*>(kept->Objects(i));
            if (item->ParentId.empty()) {
                if (item->DisplayName.empty())
                    break;
                return item->DisplayName + Separator + NewMailName;
            }
        }
        return NewMailName;
    }
    return PegasusFolderPath(*kept, ExtractFileNameNoExt(FilePath), Separator);
}

int PegasusHierarchyLoads()
{
    return GHierarchyLoads;
}

void InstallPegasusFolderHook()
{
    GPegasusFolderNameHook = PegasusFolderNameWithBackslash;
}

namespace {
const bool FolderHookInstalled = (InstallPegasusFolderHook(), true);
}
