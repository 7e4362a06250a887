#pragma once
// TRegistry over the advapi32 registry functions, and TRegistryIniFile, an
// ini file whose sections are sub-keys and whose keys are values.

#include "classlib/IniFiles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class ERegistryException : public Exception { public: using Exception::Exception; };

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

class TRegistry : public TObject {
public:
    TRegistry();
    explicit TRegistry(REGSAM AAccess);
    TRegistry(HKEY ARootKey, REGSAM AAccess);
    ~TRegistry() override;

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value); // closes the current key
    REGSAM Access() const { return FAccess; }
    void SetAccess(REGSAM Value) { FAccess = Value; }
    HKEY CurrentKey() const { return FCurrentKey.Get(); }
    // Path of the open key below RootKey, without a leading backslash.
    const std::string& CurrentPath() const { return FCurrentPath; }
    // Off: CloseKey flushes the key to disk at once.
    bool LazyWrite() const { return FLazyWrite; }
    void SetLazyWrite(bool Value) { FLazyWrite = Value; }

    // Key is relative to the open key unless it starts with '\'.
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    bool CreateKey(const std::string& Key);
    bool DeleteKey(const std::string& Key); // with all its sub-keys
    bool DeleteValue(const std::string& Name);
    bool KeyExists(const std::string& Key);
    bool ValueExists(const std::string& Name);
    bool HasSubKeys();
    void GetKeyNames(TStrings* Strings);
    void GetValueNames(TStrings* Strings);
    bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value);
    TRegDataType GetDataType(const std::string& ValueName);
    int GetDataSize(const std::string& ValueName); // -1 when absent

    // Reads raise ERegistryException "Invalid data type for '%s'" on a value
    // of another type; ReadString answers "" for a missing value.
    std::string ReadString(const std::string& Name); // REG_SZ or REG_EXPAND_SZ, unexpanded
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteExpandString(const std::string& Name, const std::string& Value);
    int ReadInteger(const std::string& Name); // REG_DWORD; missing raises
    void WriteInteger(const std::string& Name, int Value);
    bool ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }
    void WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
    // Answers the bytes copied; a value larger than BufSize raises.
    int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize);
    std::string ReadBinaryData(const std::string& Name);
    void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

private:
    // Empty when the key cannot be opened (or made).
    TRegKey GetKey(const std::string& Key, REGSAM Access, bool Create);
    std::string FullPath(const std::string& Key) const;
    HKEY BaseKeyFor(const std::string& Key) const;
    void ChangeKey(TRegKey Value, const std::string& Path);
    void PutData(const std::string& Name, const void* Buffer, DWORD Size, DWORD Type);
    std::vector<char> GetData(const std::string& Name, DWORD& Type, bool& Found);

    HKEY FRootKey;
    TRegKey FCurrentKey;
    REGSAM FAccess;
    std::string FCurrentPath;
    bool FLazyWrite = true;
    bool FCloseRootKey = false;
};

// Sections are sub-keys of FileName (a key path below RootKey), keys are
// values. Strings are REG_SZ; WriteInteger writes REG_DWORD; ReadString
// answers a REG_DWORD as its decimal text, so every typed read takes either.
class TRegistryIniFile : public TCustomIniFile {
public:
    explicit TRegistryIniFile(const std::string& KeyName, REGSAM AAccess = KEY_ALL_ACCESS);
    TRegistryIniFile(HKEY ARootKey, const std::string& KeyName, REGSAM AAccess = KEY_ALL_ACCESS);
    ~TRegistryIniFile() override;

    TRegistry* RegIniFile() { return FReg; }

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value) override;
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;
    bool SectionExists(const std::string& Section) override;
    bool ValueExists(const std::string& Section, const std::string& Ident) override;

private:
    // Opens the section sub-key on a second registry object; false when absent.
    bool OpenSection(TRegistry& Reg, const std::string& Section, bool Create);
    // Opens the section for writing, made when missing; raises when it can't.
    void OpenSectionToWrite(TRegistry& Reg, const std::string& Section);

    TRegistry* FReg;
    std::string FBasePath;
};
