#include "classlib/Registry.h"

#include "classlib/ResStrings.h"

#include <cstring>

// ---------------------------------------------------------------------------
// TRegistry
// ---------------------------------------------------------------------------

TRegistry::TRegistry() : TRegistry(HKEY_CURRENT_USER, KEY_ALL_ACCESS) {}

TRegistry::TRegistry(REGSAM AAccess) : TRegistry(HKEY_CURRENT_USER, AAccess) {}

TRegistry::TRegistry(HKEY ARootKey, REGSAM AAccess) : FRootKey(ARootKey), FAccess(AAccess) {}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value)
{
    if (FRootKey == Value)
        return;
    CloseKey();
    FRootKey = Value;
}

namespace {

bool IsRelative(const std::string& Key)
{
    return Key.empty() || Key[0] != '\\';
}

// The key text without its leading and trailing backslashes.
std::string TrimSlashes(const std::string& Key)
{
    std::size_t B = 0, E = Key.size();
    while (B < E && Key[B] == '\\')
        ++B;
    while (E > B && Key[E - 1] == '\\')
        --E;
    return Key.substr(B, E - B);
}

} // namespace

HKEY TRegistry::BaseKeyFor(const std::string& Key) const
{
    return (FCurrentKey && IsRelative(Key)) ? FCurrentKey.Get() : FRootKey;
}

std::string TRegistry::FullPath(const std::string& Key) const
{
    std::string S = TrimSlashes(Key);
    if (FCurrentKey && IsRelative(Key) && !FCurrentPath.empty())
        return S.empty() ? FCurrentPath : FCurrentPath + "\\" + S;
    return S;
}

TRegKey TRegistry::GetKey(const std::string& Key, REGSAM Access, bool Create)
{
    std::string S = TrimSlashes(Key);
    HKEY Base = BaseKeyFor(Key);
    TRegKey Result;
    LONG R;
    if (!Create || S.empty())
        R = RegOpenKeyExA(Base, S.c_str(), 0, Access, Result.Put());
    else
        R = RegCreateKeyExA(Base, S.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, Result.Put(),
                            nullptr);
    if (R != ERROR_SUCCESS)
        Result.Release();  // what the failed call left there is no key
    return Result;
}

void TRegistry::ChangeKey(TRegKey Value, const std::string& Path)
{
    CloseKey();
    FCurrentKey = std::move(Value);
    FCurrentPath = Path;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate)
{
    TRegKey K = GetKey(Key, FAccess, CanCreate);
    if (!K)
        return false;
    ChangeKey(std::move(K), FullPath(Key));
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key)
{
    TRegKey K = GetKey(Key, KEY_READ, false);
    if (!K)
        return false;
    FAccess = KEY_READ;
    ChangeKey(std::move(K), FullPath(Key));
    return true;
}

void TRegistry::CloseKey()
{
    if (!FCurrentKey)
        return;
    if (!FLazyWrite)
        RegFlushKey(FCurrentKey.Get());
    FCurrentKey.Reset();
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const std::string& Key)
{
    if (!GetKey(Key, FAccess, true))
        throw ERegistryException(Format(LoadResString(SRegCreateFailed), Key));
    return true;
}

namespace {

bool DeleteTree(HKEY Parent, const std::string& Name)
{
    TRegKey K;
    if (RegOpenKeyExA(Parent, Name.c_str(), 0, KEY_READ | KEY_WRITE, K.Put()) != ERROR_SUCCESS) {
        K.Release();
        return false;
    }
    // Enumerating while deleting shifts indexes, so names are taken first.
    std::vector<std::string> Subs;
    char Buf[256];
    for (DWORD I = 0;; ++I) {
        DWORD Len = sizeof Buf;
        if (RegEnumKeyExA(K.Get(), I, Buf, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Subs.emplace_back(Buf, Len);
    }
    for (const std::string& S : Subs)
        DeleteTree(K.Get(), S);
    K.Reset();
    return RegDeleteKeyA(Parent, Name.c_str()) == ERROR_SUCCESS;
}

} // namespace

bool TRegistry::DeleteKey(const std::string& Key)
{
    std::string S = TrimSlashes(Key);
    if (S.empty())
        return false;
    return DeleteTree(BaseKeyFor(Key), S);
}

bool TRegistry::DeleteValue(const std::string& Name)
{
    return FCurrentKey && RegDeleteValueA(FCurrentKey.Get(), Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key)
{
    return static_cast<bool>(GetKey(Key, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, false));
}

bool TRegistry::ValueExists(const std::string& Name)
{
    TRegDataInfo Info;
    return GetDataInfo(Name, Info);
}

bool TRegistry::HasSubKeys()
{
    DWORD Subs = 0;
    HKEY K = FCurrentKey ? FCurrentKey.Get() : FRootKey;
    if (RegQueryInfoKeyA(K, nullptr, nullptr, nullptr, &Subs, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return false;
    return Subs > 0;
}

void TRegistry::GetKeyNames(TStrings* Strings)
{
    TStringsUpdate Update(Strings);
    Strings->Clear();
    HKEY K = FCurrentKey ? FCurrentKey.Get() : FRootKey;
    char Buf[256];
    for (DWORD I = 0;; ++I) {
        DWORD Len = sizeof Buf;
        if (RegEnumKeyExA(K, I, Buf, &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Strings->Add(std::string(Buf, Len));
    }
}

void TRegistry::GetValueNames(TStrings* Strings)
{
    TStringsUpdate Update(Strings);
    Strings->Clear();
    HKEY K = FCurrentKey ? FCurrentKey.Get() : FRootKey;
    DWORD MaxLen = 0;
    RegQueryInfoKeyA(K, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &MaxLen, nullptr, nullptr,
                     nullptr);
    std::vector<char> Buf(MaxLen + 2);
    for (DWORD I = 0;; ++I) {
        DWORD Len = static_cast<DWORD>(Buf.size());
        if (RegEnumValueA(K, I, Buf.data(), &Len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        Strings->Add(std::string(Buf.data(), Len));
    }
}

namespace {

TRegDataType DataTypeOf(DWORD Type)
{
    switch (Type) {
    case REG_SZ:
        return rdString;
    case REG_EXPAND_SZ:
        return rdExpandString;
    case REG_DWORD:
        return rdInteger;
    case REG_BINARY:
        return rdBinary;
    default:
        return rdUnknown;
    }
}

} // namespace

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value)
{
    Value = TRegDataInfo();
    DWORD Type = 0, Size = 0;
    HKEY K = FCurrentKey ? FCurrentKey.Get() : FRootKey;
    if (RegQueryValueExA(K, ValueName.c_str(), nullptr, &Type, nullptr, &Size) != ERROR_SUCCESS)
        return false;
    Value.RegData = DataTypeOf(Type);
    Value.DataSize = static_cast<int>(Size);
    return true;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName)
{
    TRegDataInfo Info;
    GetDataInfo(ValueName, Info);
    return Info.RegData;
}

int TRegistry::GetDataSize(const std::string& ValueName)
{
    TRegDataInfo Info;
    return GetDataInfo(ValueName, Info) ? Info.DataSize : -1;
}

std::vector<char> TRegistry::GetData(const std::string& Name, DWORD& Type, bool& Found)
{
    HKEY K = FCurrentKey ? FCurrentKey.Get() : FRootKey;
    std::vector<char> Data;
    Found = false;
    // The value may grow between the size query and the read; try again then.
    for (int Attempt = 0; Attempt < 4; ++Attempt) {
        DWORD Size = 0;
        LONG R = RegQueryValueExA(K, Name.c_str(), nullptr, &Type, nullptr, &Size);
        if (R != ERROR_SUCCESS)
            return Data;
        Data.resize(Size);
        R = RegQueryValueExA(K, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Data.data()), &Size);
        if (R == ERROR_MORE_DATA)
            continue;
        if (R != ERROR_SUCCESS)
            return {};
        Data.resize(Size);
        Found = true;
        return Data;
    }
    return {};
}

void TRegistry::PutData(const std::string& Name, const void* Buffer, DWORD Size, DWORD Type)
{
    HKEY K = FCurrentKey ? FCurrentKey.Get() : FRootKey;
    if (RegSetValueExA(K, Name.c_str(), 0, Type, static_cast<const BYTE*>(Buffer), Size) != ERROR_SUCCESS)
        throw ERegistryException(Format(LoadResString(SRegSetDataFailed), Name));
}

std::string TRegistry::ReadString(const std::string& Name)
{
    DWORD Type = 0;
    bool Found;
    std::vector<char> Data = GetData(Name, Type, Found);
    if (!Found)
        return std::string();
    if (Type != REG_SZ && Type != REG_EXPAND_SZ)
        throw ERegistryException(Format(LoadResString(SInvalidRegType), Name));
    std::size_t Len = Data.size();
    // The stored terminator is not part of the text; some writers omit it.
    if (Len > 0 && Data[Len - 1] == '\0')
        --Len;
    return std::string(Data.data(), Len);
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value)
{
    PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value)
{
    PutData(Name, Value.c_str(), static_cast<DWORD>(Value.size() + 1), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const std::string& Name)
{
    DWORD Type = 0;
    bool Found;
    std::vector<char> Data = GetData(Name, Type, Found);
    if (!Found)
        throw ERegistryException(Format(LoadResString(SRegGetDataFailed), Name));
    if (Type != REG_DWORD || Data.size() != sizeof(DWORD))
        throw ERegistryException(Format(LoadResString(SInvalidRegType), Name));
    DWORD V;
    std::memcpy(&V, Data.data(), sizeof V);
    return static_cast<int>(V);
}

void TRegistry::WriteInteger(const std::string& Name, int Value)
{
    DWORD V = static_cast<DWORD>(Value);
    PutData(Name, &V, sizeof V, REG_DWORD);
}

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize)
{
    std::string Data = ReadBinaryData(Name);
    if (static_cast<int>(Data.size()) > BufSize)
        throw ERegistryException(Format(LoadResString(SRegGetDataFailed), Name));
    std::memcpy(Buffer, Data.data(), Data.size());
    return static_cast<int>(Data.size());
}

std::string TRegistry::ReadBinaryData(const std::string& Name)
{
    DWORD Type = 0;
    bool Found;
    std::vector<char> Data = GetData(Name, Type, Found);
    if (!Found)
        throw ERegistryException(Format(LoadResString(SRegGetDataFailed), Name));
    if (DataTypeOf(Type) != rdBinary && DataTypeOf(Type) != rdUnknown)
        throw ERegistryException(Format(LoadResString(SInvalidRegType), Name));
    return std::string(Data.data(), Data.size());
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize)
{
    PutData(Name, Buffer, static_cast<DWORD>(BufSize < 0 ? 0 : BufSize), REG_BINARY);
}

// ---------------------------------------------------------------------------
// TRegistryIniFile
// ---------------------------------------------------------------------------

TRegistryIniFile::TRegistryIniFile(const std::string& KeyName, REGSAM AAccess)
    : TRegistryIniFile(HKEY_CURRENT_USER, KeyName, AAccess)
{
}

TRegistryIniFile::TRegistryIniFile(HKEY ARootKey, const std::string& KeyName, REGSAM AAccess)
    : TCustomIniFile(KeyName), FReg(new TRegistry(ARootKey, AAccess)), FBasePath(TrimSlashes(KeyName))
{
    // A read-only store must not create the key; a writable one makes it.
    bool Writable = (AAccess & KEY_SET_VALUE) == KEY_SET_VALUE || (AAccess & KEY_CREATE_SUB_KEY) == KEY_CREATE_SUB_KEY;
    FReg->OpenKey("\\" + FBasePath, Writable);
}

TRegistryIniFile::~TRegistryIniFile()
{
    delete FReg;
}

bool TRegistryIniFile::OpenSection(TRegistry& Reg, const std::string& Section, bool Create)
{
    std::string Path = "\\" + FBasePath;
    std::string S = TrimSlashes(Section);
    if (!S.empty())
        Path += FBasePath.empty() ? S : "\\" + S;
    return Reg.OpenKey(Path, Create);
}

void TRegistryIniFile::OpenSectionToWrite(TRegistry& Reg, const std::string& Section)
{
    Reg.SetLazyWrite(FReg->LazyWrite());
    if (!OpenSection(Reg, Section, true))
        throw ERegistryException(Format(LoadResString(SRegCreateFailed), FBasePath + "\\" + Section));
}

std::string TRegistryIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                         const std::string& Default)
{
    TRegistry Reg(FReg->RootKey(), KEY_READ);
    if (!OpenSection(Reg, Section, false))
        return Default;
    TRegDataInfo Info;
    if (!Reg.GetDataInfo(Ident, Info))
        return Default;
    switch (Info.RegData) {
    case rdString:
    case rdExpandString:
        return Reg.ReadString(Ident);
    case rdInteger:
        return IntToStr(Reg.ReadInteger(Ident));
    default:
        return Default;
    }
}

void TRegistryIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    TRegistry Reg(FReg->RootKey(), FReg->Access());
    OpenSectionToWrite(Reg, Section);
    Reg.WriteString(Ident, Value);
}

void TRegistryIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value)
{
    TRegistry Reg(FReg->RootKey(), FReg->Access());
    OpenSectionToWrite(Reg, Section);
    Reg.WriteInteger(Ident, Value);
}

void TRegistryIniFile::ReadSection(const std::string& Section, TStrings* Strings)
{
    TRegistry Reg(FReg->RootKey(), KEY_READ);
    if (OpenSection(Reg, Section, false))
        Reg.GetValueNames(Strings);
    else
        Strings->Clear();
}

void TRegistryIniFile::ReadSections(TStrings* Strings)
{
    TRegistry Reg(FReg->RootKey(), KEY_READ);
    if (OpenSection(Reg, std::string(), false))
        Reg.GetKeyNames(Strings);
    else
        Strings->Clear();
}

void TRegistryIniFile::EraseSection(const std::string& Section)
{
    std::string S = TrimSlashes(Section);
    if (S.empty())
        return;
    std::string Path = FBasePath.empty() ? S : FBasePath + "\\" + S;
    TRegistry Reg(FReg->RootKey(), FReg->Access());
    Reg.DeleteKey(Path.insert(0, 1, '\\'));
}

void TRegistryIniFile::DeleteKey(const std::string& Section, const std::string& Ident)
{
    TRegistry Reg(FReg->RootKey(), FReg->Access());
    if (OpenSection(Reg, Section, false))
        Reg.DeleteValue(Ident);
}

void TRegistryIniFile::UpdateFile()
{
    // Registry writes are already stored; nothing waits for a flush.
}

bool TRegistryIniFile::SectionExists(const std::string& Section)
{
    TRegistry Reg(FReg->RootKey(), KEY_READ);
    return OpenSection(Reg, Section, false);
}

bool TRegistryIniFile::ValueExists(const std::string& Section, const std::string& Ident)
{
    TRegistry Reg(FReg->RootKey(), KEY_READ);
    return OpenSection(Reg, Section, false) && Reg.ValueExists(Ident);
}
