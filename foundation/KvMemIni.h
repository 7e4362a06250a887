#pragma once
// The program's own ini file, held wholly in memory: loaded once, read from
// memory, written back by UpdateFile or when destroyed after a change.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/IniFiles.h"

class TMemIniFile : public TCustomIniFile {
public:
    // A missing or empty FileName gives an empty ini file. With ReadOnly,
    // changes are kept in memory but never written.
    explicit TMemIniFile(const std::string& FileName, bool ReadOnly = false);
    // Saves first when Modified (a failed save is dropped: destructors do
    // not throw).
    ~TMemIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    // Only the sections whose name starts with Prefix (any case).
    void ReadSections(const std::string& Prefix, TStrings* Strings);
    void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;

    // Each "key=value" line of Strings written with WriteString (a line
    // without "=" is a key with an empty value); Replace erases first.
    void WriteSectionValues(const std::string& Section, TStrings* Strings, bool Replace);

    // The file's text as UpdateFile writes it.
    std::string GetText() const;

    bool ReadOnly() const { return FReadOnly; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

private:
    struct TSection {
        std::string Name;
        std::vector<std::string> Lines;
        // Upper-cased key -> line index of its first occurrence; rebuilt lazily.
        mutable std::unordered_map<std::string, std::size_t> KeyIndex;
        mutable bool IndexValid = false;
    };

    void LoadFromFile(const std::string& FileName);
    void FillLines(TStrings& Lines) const;
    TSection* FindSection(const std::string& Name);
    const TSection* FindSection(const std::string& Name) const;
    TSection& AddSection(const std::string& Name);
    void RebuildSectionIndex();
    static long FindLine(const TSection& Sec, const std::string& Ident);
    void Changed();

    bool FReadOnly = false;
    bool FModified = false;
    std::vector<TSection> FSections;
    std::unordered_map<std::string, std::size_t> FSectionIndex;
};
