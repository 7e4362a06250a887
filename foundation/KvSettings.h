#pragma once
// The settings store: one object over either an ini file held in memory or a
// registry key (sections are sub-keys, keys are values), chosen by a storage
// mode; plus single registry values named by a path text.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Registry.h"
#include "foundation/KvMemIni.h"

// The class library's registry with lazy writing on.
class TKvRegistry : public TRegistry {
public:
    TKvRegistry(HKEY ARootKey, REGSAM AAccess) : TRegistry(ARootKey, AAccess) { SetLazyWrite(true); }
};

class TKvRegIniFile : public TRegistryIniFile {
public:
    using TRegistryIniFile::TRegistryIniFile;
};

enum : std::uint8_t { smIniFile = 0, smRegistry = 2 };

class TRegOrIni : public TMemIniFile {
public:
    explicit TRegOrIni(const std::string& FileName);
    ~TRegOrIni() override;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value) override;
    // "1", "on", "yes", "true" and "0", "no", "off", "false" in any case;
    // Default for anything else.
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    // Only the sections whose name starts with Prefix (any case).
    void ReadSections(const std::string& Prefix, TStrings* Strings);
    void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;

    // Six integers stored as "V1;V2;V3;V4;V5;V6". Mode picks the variables:
    // 0 all; 1 V5; 2 V3, V4; 3 V1, V2, V6; 4 V1 to V4 and V6; other none.
    // A missing or bad item keeps the variable's value. True when the stored
    // value is not empty.
    bool ReadIntList(const std::string& Section, const std::string& Ident, int Mode, int& V1, int& V2,
                     int& V3, int& V4, int& V5, int& V6);
    // Modes 1 to 4 keep the items they don't pick from the stored list.
    void WriteIntList(const std::string& Section, const std::string& Ident, int Mode, int V1, int V2,
                      int V3, int V4, int V5, int V6);

    // The key path below the root, "Software\" and the key name.
    void SetRegistryKey(const std::string& Key);
    const std::string& RegistryKey() const { return FRegistryKey; }
    HKEY RootKey() const { return FRootKey; }
    // smIniFile or smRegistry; the two stores never exchange their data.
    void SetStorageMode(std::uint8_t Mode);
    std::uint8_t StorageMode() const { return FStorageMode; }
    // The registry-backed store, made on first use.
    TKvRegIniFile* RegistryIni();

    bool IsWritable() const;
    bool WriteProtected() const { return FWriteProtected; }
    // Every ReadString answers the caller's default (after a settings reset).
    bool UseDefaults() const { return FUseDefaults; }
    void SetUseDefaults(bool Value) { FUseDefaults = Value; }

private:
    bool InIniMode() const { return FStorageMode != smRegistry; }

    bool FWriteProtected = false;
    bool FUseDefaults = false;
    HKEY FRootKey = HKEY_CURRENT_USER;
    std::string FRegistryKey;
    std::unique_ptr<TKvRegIniFile> FRegistryIni;
    std::uint8_t FStorageMode = smIniFile;
};

// HKEY_LOCAL_MACHINE on the 9x family, else HKEY_CURRENT_USER.
HKEY DefaultRootKey();
// Splits "[ROOT\]key\path::Value" (or a single ":" after the last
// backslash) into the key path and the value name; answers the root. An
// empty or "(Default)" value name becomes " ", the key's default value.
HKEY SplitRegistryPath(std::string& Path, std::string& ValueName);
// The value as text: strings as stored, expandable strings expanded,
// integers in decimal, other data as raw bytes; Default when anything fails.
std::string ReadRegistryPathValue(const std::string& Path, const std::string& Default);
