#pragma once
// A byte-to-byte map that replaces or removes characters of file names made
// from message subjects; its rules may come from a rules file.

#include <array>
#include <cstdint>
#include <string>

#include "classlib/Classes.h"

// What a rules file says it serves.
enum TCharFilterScope : std::uint8_t {
    cfsFiles = 0,
    cfsImap = 1,
    cfsMapi = 2,
    cfsString = 3,
    cfsOther = 4,
    cfsAll = 5,
};

class TKvCharFilter : public TObject {
public:
    // Starts with the built-in file-name rules (scope FILES); a non-empty
    // RulesFile is then loaded over them.
    explicit TKvCharFilter(const std::string& RulesFile = std::string());

    // Rebuilds the whole map from a rules file; never raises. A file that
    // cannot be read leaves the filter as it was.
    void LoadRules(const std::string& FileName);
    // The same from lines already read (the rules file's text).
    void LoadRulesFromLines(TStrings& Lines);

    std::string Apply(const std::string& S) const;
    void ApplyInPlace(std::string& S) const;

    // 0 means the character is removed.
    std::uint8_t GetMapping(char Ch) const { return Map[static_cast<unsigned char>(Ch)]; }
    void SetMapping(char Ch, char Repl) { Map[static_cast<unsigned char>(Ch)] = static_cast<std::uint8_t>(Repl); }
    void SetRangeMapping(std::uint8_t First, std::uint8_t Last, char Repl);
    void SetCharsMapping(const std::string& Chars, char Repl);
    void ResetToIdentity();
    void SetDefaultRules();

    bool InScope(TCharFilterScope AScope) const { return Scope == AScope || Scope == cfsAll; }

    std::array<std::uint8_t, 256> Map{};
    TCharFilterScope Scope = cfsFiles;

private:
    void ParseScope(TStrings& Lines);
    void ParseRuleLine(const std::string& Line);
};

// One character value of a rule: a single character, "$" and hex digits or
// "#" and decimal digits, 0 to 255; -1 when invalid.
int ParseRuleChar(const std::string& S);
