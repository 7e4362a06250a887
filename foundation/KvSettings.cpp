#include "foundation/KvSettings.h"

#include "classlib/SysUtils.h"
#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"
#include "foundation/KvSystem.h"
#include "foundation/KvWindows.h"

namespace {

// Bit n stands for V(n+1).
unsigned IntListPicks(int Mode)
{
    switch (Mode) {
    case 0: return 0x3F;
    case 1: return 0x10;
    case 2: return 0x0C;
    case 3: return 0x23;
    case 4: return 0x2F;
    default: return 0;
    }
}

}  // namespace

TRegOrIni::TRegOrIni(const std::string& FileName) : TMemIniFile(FileName, false)
{
    FWriteProtected = !IsWritable();
}

TRegOrIni::~TRegOrIni()
{
    if (InIniMode()) {
        try {
            UpdateFile();
        } catch (const Exception&) {
            // A settings file that can't be saved at exit is lost; nothing
            // can be told to the user from a destructor.
        }
    }
}

bool TRegOrIni::IsWritable() const
{
    return !FileName().empty() && !IsReadOnlyLocation(FileName());
}

void TRegOrIni::SetRegistryKey(const std::string& Key)
{
    if (Key == FRegistryKey)
        return;
    FRegistryKey = Key;
    // The next registry access opens the new key.
    FRegistryIni.reset();
}

TKvRegIniFile* TRegOrIni::RegistryIni()
{
    if (!FRegistryIni)
        FRegistryIni = std::make_unique<TKvRegIniFile>(FRootKey, FRegistryKey);
    return FRegistryIni.get();
}

void TRegOrIni::SetStorageMode(std::uint8_t Mode)
{
    const bool ToRegistry = Mode == smRegistry;
    if (ToRegistry != !InIniMode()) {
        if (InIniMode()) {
            UpdateFile();
        } else {
            FWriteProtected = !IsWritable();
            FRegistryIni.reset();
        }
    }
    FStorageMode = Mode;
}

std::string TRegOrIni::ReadString(const std::string& Section, const std::string& Ident,
                                  const std::string& Default)
{
    if (FUseDefaults)
        return Default;
    if (InIniMode())
        return TMemIniFile::ReadString(Section, Ident, Default);
    return RegistryIni()->ReadString(Section, Ident, Default);
}

void TRegOrIni::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    if (!InIniMode())
        RegistryIni()->WriteString(Section, Ident, Value);
    else if (!FWriteProtected)
        TMemIniFile::WriteString(Section, Ident, Value);
}

bool TRegOrIni::ReadBool(const std::string& Section, const std::string& Ident, bool Default)
{
    return StrToBoolDefault(ReadString(Section, Ident, std::string()), Default);
}

void TRegOrIni::ReadSection(const std::string& Section, TStrings* Strings)
{
    if (InIniMode())
        TMemIniFile::ReadSection(Section, Strings);
    else
        RegistryIni()->ReadSection(Section, Strings);
}

void TRegOrIni::ReadSections(TStrings* Strings)
{
    if (InIniMode())
        TMemIniFile::ReadSections(Strings);
    else
        RegistryIni()->ReadSections(Strings);
}

void TRegOrIni::ReadSections(const std::string& Prefix, TStrings* Strings)
{
    if (InIniMode()) {
        TMemIniFile::ReadSections(Prefix, Strings);
        return;
    }
    RegistryIni()->ReadSections(Strings);
    for (int I = Strings->Count() - 1; I >= 0; --I)
        if (!AnsiSameText(Strings->Strings(I).substr(0, Prefix.size()), Prefix))
            Strings->Delete(I);
}

void TRegOrIni::ReadSectionValues(const std::string& Section, TStrings* Strings)
{
    if (InIniMode())
        TMemIniFile::ReadSectionValues(Section, Strings);
    else
        RegistryIni()->ReadSectionValues(Section, Strings);
}

void TRegOrIni::EraseSection(const std::string& Section)
{
    if (!InIniMode())
        RegistryIni()->EraseSection(Section);
    else if (!FWriteProtected)
        TMemIniFile::EraseSection(Section);
}

void TRegOrIni::DeleteKey(const std::string& Section, const std::string& Ident)
{
    if (!InIniMode())
        RegistryIni()->DeleteKey(Section, Ident);
    else if (!FWriteProtected)
        TMemIniFile::DeleteKey(Section, Ident);
}

void TRegOrIni::UpdateFile()
{
    if (InIniMode() && !FWriteProtected)
        TMemIniFile::UpdateFile();
}

bool TRegOrIni::ReadIntList(const std::string& Section, const std::string& Ident, int Mode, int& V1,
                            int& V2, int& V3, int& V4, int& V5, int& V6)
{
    std::string S = ReadString(Section, Ident, std::string());
    if (S.empty())
        return false;
    int* const Vars[6] = {&V1, &V2, &V3, &V4, &V5, &V6};
    const unsigned Picks = IntListPicks(Mode);
    for (int I = 0; I < 6; ++I) {
        const int V = CutIntField(S, *Vars[I], ';');
        if (Picks & (1u << I))
            *Vars[I] = V;
    }
    return true;
}

void TRegOrIni::WriteIntList(const std::string& Section, const std::string& Ident, int Mode, int V1, int V2,
                             int V3, int V4, int V5, int V6)
{
    // Only the ini file can be write-protected: in registry mode a
    // read-only program folder must not cost the user the window layout.
    if (InIniMode() && FWriteProtected)
        return;
    const int Args[6] = {V1, V2, V3, V4, V5, V6};
    int Kept[6] = {V1, V2, V3, V4, V5, V6};
    const unsigned Picks = IntListPicks(Mode);
    if (Picks != 0x3F)
        ReadIntList(Section, Ident, 0, Kept[0], Kept[1], Kept[2], Kept[3], Kept[4], Kept[5]);
    std::string S;
    for (int I = 0; I < 6; ++I) {
        if (I > 0)
            S += ';';
        S += IntToStr((Picks & (1u << I)) ? Args[I] : Kept[I]);
    }
    WriteString(Section, Ident, S);
}

// ---------------------------------------------------------------------------
// Registry paths
// ---------------------------------------------------------------------------

HKEY DefaultRootKey()
{
    // The 9x family keeps software settings for the machine, not the user.
    return IsWin9x() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

HKEY SplitRegistryPath(std::string& Path, std::string& ValueName)
{
    HKEY Root = DefaultRootKey();
    std::size_t Split = Path.find("::");
    std::size_t Skip = 2;
    if (Split == std::string::npos) {
        const std::size_t LastSlash = Path.rfind('\\');
        Split = Path.find(':', LastSlash == std::string::npos ? 0 : LastSlash + 1);
        Skip = 1;
    }
    if (Split != std::string::npos) {
        ValueName = Path.substr(Split + Skip);
        Path.erase(Split);
        if (ValueName.empty() || SameTextStr(ValueName, "(Default)"))
            ValueName.assign(1, ' ');
    }
    const std::size_t Slash = Path.find('\\');
    if (Slash != std::string::npos) {
        static const struct {
            const char* Name;
            HKEY Key;
        } Roots[] = {{"HKEY_USERS", HKEY_USERS},
                     {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                     {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                     {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}};
        const std::string First = Path.substr(0, Slash);
        for (const auto& R : Roots)
            if (SameTextStr(First, R.Name)) {
                Root = R.Key;
                Path = Path.substr(Slash + 1);
                break;
            }
    }
    return Root;
}

std::string ReadRegistryPathValue(const std::string& Path, const std::string& Default)
{
    std::string KeyPath = Path;
    std::string Name;
    const HKEY Root = SplitRegistryPath(KeyPath, Name);
    Name = TrimCharSetStr(Name, true, TCharSet(" "));
    try {
        TKvRegistry Reg(Root, KEY_READ);
        if (!Reg.OpenKey(KeyPath, false))
            return Default;
        TRegDataInfo Info;
        if (!Reg.GetDataInfo(Name, Info))
            return Default;
        switch (Info.RegData) {
        case rdString:
            return Reg.ReadString(Name);
        case rdExpandString:
            return ExpandEnvironmentVars(Reg.ReadString(Name));
        case rdInteger:
            return IntToStr(Reg.ReadInteger(Name));
        default:
            return Info.DataSize > 0 ? Reg.ReadBinaryData(Name) : Default;
        }
    } catch (const Exception&) {
        return Default;
    }
}
