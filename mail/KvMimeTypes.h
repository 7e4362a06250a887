#pragma once
// Media types of file extensions and extensions of media types, from the
// data files "Ext-Mime.dat" and "Mime-Ext.dat" or from built-in pairs.

#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "foundation/KvLists.h"

class TMimeTypeObj : public TObject {
public:
    TMimeTypeObj();
    ~TMimeTypeObj() override;

    // Empty when the table has no such key.
    void MimeTypeOfExt(const std::string& Ext, std::string& MimeType);
    void ExtOfMimeType(const std::string& MimeType, std::string& Ext);

    void LoadExtToMime();
    void LoadMimeToExt();

private:
    std::unique_ptr<TTableList> FExtToMime;
    std::unique_ptr<TTableList> FMimeToExt;
};

// The engine's one instance, made on first use and freed at shutdown.
TMimeTypeObj& MimeTypes();
