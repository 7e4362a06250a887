#include "foundation/KvMemIni.h"

#include <windows.h>

#include <memory>

#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"

namespace {

// Blanks and control characters at both ends go, as the ini reader of the
// system does; values keep their inner blanks.
std::string TrimIniText(const std::string& S)
{
    static const TCharSet Blanks = TCharSet::Range(0, ' ');
    return TrimCharSetStr(S, true, Blanks);
}

// Refills Strings inside one update, so its change events fire once.
template <typename TFill>
void RefillStrings(TStrings* Strings, TFill Fill)
{
    TStringsUpdate Update(Strings);
    Strings->Clear();
    Fill();
}

// Section and key names compare without regard to case in the ANSI code
// page; the hash tables key on the upper-cased form.
std::string FoldKey(const std::string& S)
{
    std::string R = S;
    if (!R.empty())
        CharUpperBuffA(R.data(), static_cast<DWORD>(R.size()));
    return R;
}

// The key of a stored line: the text before its first "=", or the whole
// line for a line that has none (such a line is listed as a key but holds
// no value, so reads of it give the default).
std::string LineName(const std::string& Line)
{
    const std::size_t Eq = Line.find('=');
    return Eq == std::string::npos ? Line : Line.substr(0, Eq);
}

}  // namespace

TMemIniFile::TMemIniFile(const std::string& FileName, bool ReadOnly)
    : TCustomIniFile(FileName), FReadOnly(ReadOnly)
{
    LoadFromFile(FileName);
}

TMemIniFile::~TMemIniFile()
{
    if (FModified) {
        try {
            TMemIniFile::UpdateFile();
        } catch (...) {
            // A destructor must not throw; a failed save keeps the old file.
        }
    }
}

void TMemIniFile::LoadFromFile(const std::string& FileName)
{
    if (FileName.empty() || !IsExistingFile(FileName))
        return;
    TStringList Lines;
    LoadStringsFromFile(FileName, Lines);
    TSection* Current = nullptr;
    for (int I = 0; I < Lines.Count(); ++I) {
        std::string Line = Lines.StringRef(I);
        if (I == 0 && Line.size() >= 3 && Line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            Line.erase(0, 3);
        Line = TrimIniText(Line);
        if (Line.empty() || Line[0] == ';')
            continue;
        if (Line[0] == '[' && Line.back() == ']') {
            Current = &AddSection(TrimIniText(Line.substr(1, Line.size() - 2)));
            continue;
        }
        if (!Current)
            continue;
        const std::size_t Eq = Line.find('=');
        if (Eq != std::string::npos)
            Line = TrimIniText(Line.substr(0, Eq)) + "=" + TrimIniText(Line.substr(Eq + 1));
        Current->Lines.push_back(std::move(Line));
        Current->IndexValid = false;
    }
}

TMemIniFile::TSection* TMemIniFile::FindSection(const std::string& Name)
{
    const auto It = FSectionIndex.find(FoldKey(Name));
    return It == FSectionIndex.end() ? nullptr : &FSections[It->second];
}

const TMemIniFile::TSection* TMemIniFile::FindSection(const std::string& Name) const
{
    const auto It = FSectionIndex.find(FoldKey(Name));
    return It == FSectionIndex.end() ? nullptr : &FSections[It->second];
}

// A repeated section name gets its own list; the index keeps the first, so
// lookups find the first occurrence.
TMemIniFile::TSection& TMemIniFile::AddSection(const std::string& Name)
{
    FSections.push_back(TSection{Name, {}, {}, false});
    FSectionIndex.emplace(FoldKey(Name), FSections.size() - 1);
    return FSections.back();
}

void TMemIniFile::RebuildSectionIndex()
{
    FSectionIndex.clear();
    for (std::size_t I = 0; I < FSections.size(); ++I)
        FSectionIndex.emplace(FoldKey(FSections[I].Name), I);
}

// Index of the first line whose key equals Ident in any case, -1 when none.
long TMemIniFile::FindLine(const TSection& Sec, const std::string& Ident)
{
    if (!Sec.IndexValid) {
        Sec.KeyIndex.clear();
        for (std::size_t I = 0; I < Sec.Lines.size(); ++I) {
            const std::size_t Eq = Sec.Lines[I].find('=');
            if (Eq != std::string::npos)
                Sec.KeyIndex.emplace(FoldKey(Sec.Lines[I].substr(0, Eq)), I);
        }
        Sec.IndexValid = true;
    }
    const auto It = Sec.KeyIndex.find(FoldKey(Ident));
    return It == Sec.KeyIndex.end() ? -1 : static_cast<long>(It->second);
}

void TMemIniFile::Changed()
{
    FModified = !FReadOnly;
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default)
{
    if (const TSection* Sec = FindSection(Section)) {
        const long I = FindLine(*Sec, Ident);
        if (I >= 0) {
            const std::string& Line = Sec->Lines[static_cast<std::size_t>(I)];
            return Line.substr(Line.find('=') + 1);
        }
    }
    return StripEnclosingChar(Default, '"');
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value)
{
    TSection* Sec = FindSection(Section);
    if (!Sec)
        Sec = &AddSection(Section);
    std::string Line = Ident + "=" + Value;
    const long I = FindLine(*Sec, Ident);
    if (I >= 0) {
        Sec->Lines[static_cast<std::size_t>(I)] = std::move(Line);
    } else {
        Sec->Lines.push_back(std::move(Line));
        Sec->KeyIndex.emplace(FoldKey(Ident), Sec->Lines.size() - 1);
    }
    Changed();
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings* Strings)
{
    RefillStrings(Strings, [&] {
        if (const TSection* Sec = FindSection(Section))
            for (const std::string& Line : Sec->Lines)
                Strings->Add(LineName(Line));
    });
}

void TMemIniFile::ReadSections(TStrings* Strings)
{
    ReadSections(std::string(), Strings);
}

void TMemIniFile::ReadSections(const std::string& Prefix, TStrings* Strings)
{
    const std::string FoldedPrefix = FoldKey(Prefix);
    RefillStrings(Strings, [&] {
        for (const TSection& Sec : FSections)
            if (FoldKey(Sec.Name).compare(0, FoldedPrefix.size(), FoldedPrefix) == 0)
                Strings->Add(Sec.Name);
    });
}

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings)
{
    RefillStrings(Strings, [&] {
        if (const TSection* Sec = FindSection(Section))
            for (const std::string& Line : Sec->Lines)
                Strings->Add(Line);
    });
}

void TMemIniFile::EraseSection(const std::string& Section)
{
    const auto It = FSectionIndex.find(FoldKey(Section));
    if (It == FSectionIndex.end())
        return;
    FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(It->second));
    RebuildSectionIndex();
    Changed();
}

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident)
{
    TSection* Sec = FindSection(Section);
    if (!Sec)
        return;
    const long I = FindLine(*Sec, Ident);
    if (I < 0)
        return;
    Sec->Lines.erase(Sec->Lines.begin() + I);
    Sec->IndexValid = false;
    Changed();
}

void TMemIniFile::FillLines(TStrings& Lines) const
{
    for (const TSection& Sec : FSections) {
        Lines.Add("[" + Sec.Name + "]");
        for (const std::string& Line : Sec.Lines)
            Lines.Add(Line);
        Lines.Add(std::string());
    }
}

std::string TMemIniFile::GetText() const
{
    TStringList Lines;
    FillLines(Lines);
    return Lines.Text();
}

// A save that fails keeps Modified set, so the changes are not reported as
// saved and a later UpdateFile (or the destruction) tries again.
void TMemIniFile::UpdateFile()
{
    if (FReadOnly) {
        FModified = false;
        return;
    }
    TStringList Lines;
    FillLines(Lines);
    const std::int64_t Written = SaveStringsToFileDated(FileName(), Lines, 0);
    if (Written >= 0)
        FModified = false;
}

void TMemIniFile::WriteSectionValues(const std::string& Section, TStrings* Strings, bool Replace)
{
    if (Replace)
        EraseSection(Section);
    for (int I = 0; I < Strings->Count(); ++I) {
        const std::string Line = Strings->Get(I);
        const std::size_t Eq = Line.find('=');
        if (Eq == std::string::npos)
            WriteString(Section, Line, std::string());
        else
            WriteString(Section, Line.substr(0, Eq), Line.substr(Eq + 1));
    }
}
