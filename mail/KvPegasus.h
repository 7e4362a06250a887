#pragma once
// The display names and nesting of Pegasus mail folders, kept in the file
// "HIERARCH.PM" beside the folder files.

#include <cstdint>
#include <string>

#include "classlib/Classes.h"

class TPmHierarchItem : public TObject {
public:
    std::int32_t Level = 0;  // -1: a line that could not be read
    std::string Id;
    std::string Rest;
    std::string ParentId;
    std::string DisplayName;
};

// Sorted by key; each item owned. A level 0 item is keyed by its Rest, any
// other by its Id.
class TPmHierarch : public TStringList {
public:
    explicit TPmHierarch(const std::string& AFileName);
    ~TPmHierarch() override;
    TPmHierarchItem* Find(const std::string& Key) const;

    std::string FileName;
};

std::string PegasusFolderPath(const TPmHierarch& Hierarchy, const std::string& Key,
                              const std::string& Separator);
// Empty when the folder has no "HIERARCH.PM".
std::string PegasusFolderName(const std::string& FilePath, const std::string& Separator);
// How often a hierarchy file was read (the kept one is reused per folder).
int PegasusHierarchyLoads();
// Installs GPegasusFolderNameHook; referencing it also links this unit in.
void InstallPegasusFolderHook();
