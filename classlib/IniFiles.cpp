#include "classlib/IniFiles.h"

#include "classlib/ResStrings.h"

#include <vector>

// ---------------------------------------------------------------------------
// TCustomIniFile
// ---------------------------------------------------------------------------

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default)
{
    return StrToIntDef(ReadString(Section, Ident, std::string()), Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default)
{
    return StrToIntDef(ReadString(Section, Ident, std::string()), Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

namespace {

// ISO text first; a plain number is taken as a stored TDateTime.
TDateTime TextToDateTime(const std::string& S, TDateTime Default)
{
    TDateTime V;
    if (TryIsoStrToDateTime(S, V))
        return V;
    double F;
    if (TryStrToFloat(S, F) && F >= MinDateTime && F <= MaxDateTime + 1)
        return F;
    return Default;
}

int HexValue(unsigned char C)
{
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

} // namespace

TDateTime TCustomIniFile::ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default)
{
    std::string S = ReadString(Section, Ident, std::string());
    return S.empty() ? Default : DateOf(TextToDateTime(S, Default));
}

TDateTime TCustomIniFile::ReadDateTime(const std::string& Section, const std::string& Ident, TDateTime Default)
{
    std::string S = ReadString(Section, Ident, std::string());
    return S.empty() ? Default : TextToDateTime(S, Default);
}

TDateTime TCustomIniFile::ReadTime(const std::string& Section, const std::string& Ident, TDateTime Default)
{
    std::string S = ReadString(Section, Ident, std::string());
    return S.empty() ? Default : TimeOf(TextToDateTime(S, Default));
}

void TCustomIniFile::WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value)
{
    WriteString(Section, Ident, DateToIsoStr(Value));
}

void TCustomIniFile::WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value)
{
    WriteString(Section, Ident, DateTimeToIsoStr(Value));
}

void TCustomIniFile::WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value)
{
    WriteString(Section, Ident, TimeToIsoStr(Value));
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident, double Default)
{
    double V;
    return TryStrToFloat(ReadString(Section, Ident, std::string()), V) ? V : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value)
{
    WriteString(Section, Ident, FloatToStr(Value));
}

int TCustomIniFile::ReadBinaryStream(const std::string& Section, const std::string& Name, TStream* Value)
{
    std::string Text = ReadString(Section, Name, std::string());
    if (Text.empty())
        return 0;
    if (Text.size() % 2 != 0)
        throw EIniFileException(Format(LoadResString(SInvalidBinary), Name));
    std::string Bytes(Text.size() / 2, '\0');
    for (std::size_t I = 0; I < Bytes.size(); ++I) {
        int Hi = HexValue(static_cast<unsigned char>(Text[2 * I]));
        int Lo = HexValue(static_cast<unsigned char>(Text[2 * I + 1]));
        if (Hi < 0 || Lo < 0)
            throw EIniFileException(Format(LoadResString(SInvalidBinary), Name));
        Bytes[I] = static_cast<char>(Hi * 16 + Lo);
    }
    Value->WriteBuffer(Bytes.data(), static_cast<std::int32_t>(Bytes.size()));
    return static_cast<int>(Bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const std::string& Section, const std::string& Name, TStream* Value)
{
    std::int64_t Left = Value->Size() - Value->Position();
    std::string Bytes = Value->ReadString(static_cast<std::int32_t>(Left > 0 ? Left : 0));
    static const char Digits[] = "0123456789ABCDEF";
    std::string Text;
    Text.reserve(Bytes.size() * 2);
    for (unsigned char C : Bytes) {
        Text += Digits[C >> 4];
        Text += Digits[C & 15];
    }
    WriteString(Section, Name, Text);
}

void TCustomIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings)
{
    TStringList Keys;
    ReadSection(Section, &Keys);
    TStringsUpdate Update(Strings);
    Strings->Clear();
    for (int I = 0; I < Keys.Count(); ++I)
        Strings->Add(Keys.StringRef(I) + "=" + ReadString(Section, Keys.StringRef(I), std::string()));
}

bool TCustomIniFile::SectionExists(const std::string& Section)
{
    TStringList Keys;
    ReadSection(Section, &Keys);
    return Keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident)
{
    TStringList Keys;
    ReadSection(Section, &Keys);
    return Keys.IndexOf(Ident) >= 0;
}

// ---------------------------------------------------------------------------
// TIniFile
// ---------------------------------------------------------------------------

namespace {

// GetPrivateProfileStringA with a buffer that grows until the answer fits.
std::string ProfileString(const char* Section, const char* Ident, const char* Default, const std::string& FileName,
                          bool List)
{
    std::vector<char> Buf(2048);
    for (;;) {
        DWORD N = GetPrivateProfileStringA(Section, Ident, Default, Buf.data(), static_cast<DWORD>(Buf.size()),
                                           FileName.c_str());
        // A truncated answer comes back as size-1 (size-2 for lists).
        if (N < Buf.size() - (List ? 2 : 1) || Buf.size() >= (1u << 24))
            return std::string(Buf.data(), N);
        Buf.resize(Buf.size() * 4);
    }
}

void SplitNulList(const std::string& S, TStrings* Strings)
{
    std::size_t P = 0;
    while (P < S.size()) {
        std::size_t E = S.find('\0', P);
        if (E == std::string::npos)
            E = S.size();
        if (E > P)
            Strings->Add(S.substr(P, E - P));
        P = E + 1;
    }
}

} // namespace

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default)
{
    return ProfileString(Section.c_str(), Ident.c_str(), Default.c_str(), FileName(), false);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    if (!WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), Value.c_str(), FileName().c_str()))
        throw EIniFileException(Format(LoadResString(SIniFileWriteError), FileName()));
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings)
{
    TStringsUpdate Update(Strings);
    Strings->Clear();
    SplitNulList(ProfileString(Section.c_str(), nullptr, "", FileName(), true), Strings);
}

void TIniFile::ReadSections(TStrings* Strings)
{
    TStringsUpdate Update(Strings);
    Strings->Clear();
    SplitNulList(ProfileString(nullptr, nullptr, "", FileName(), true), Strings);
}

void TIniFile::EraseSection(const std::string& Section)
{
    if (!WritePrivateProfileStringA(Section.c_str(), nullptr, nullptr, FileName().c_str()))
        throw EIniFileException(Format(LoadResString(SIniFileWriteError), FileName()));
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident)
{
    WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), nullptr, FileName().c_str());
}

void TIniFile::UpdateFile()
{
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}
