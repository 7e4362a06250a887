#include "foundation/KvCharFilter.h"

#include <cstddef>

#include "foundation/KvFiles.h"
#include "foundation/KvStrings.h"

namespace {

std::string TrimRule(const std::string& S)
{
    static const TCharSet Blanks = TCharSet::Range(0, ' ');
    return TrimCharSetStr(S, true, Blanks);
}

bool StartsWithText(const std::string& S, const char* Prefix)
{
    std::size_t I = 0;
    for (; Prefix[I]; ++I) {
        if (I >= S.size())
            return false;
        const char A = S[I] >= 'a' && S[I] <= 'z' ? static_cast<char>(S[I] - 32) : S[I];
        if (A != Prefix[I])
            return false;
    }
    return true;
}

}  // namespace

int ParseRuleChar(const std::string& S)
{
    if (S.size() == 1)
        return static_cast<unsigned char>(S[0]);
    if (S.size() < 2 || (S[0] != '$' && S[0] != '#'))
        return -1;
    const int Base = S[0] == '$' ? 16 : 10;
    int Value = 0;
    for (std::size_t I = 1; I < S.size(); ++I) {
        const char C = S[I];
        int D;
        if (C >= '0' && C <= '9')
            D = C - '0';
        else if (Base == 16 && C >= 'a' && C <= 'f')
            D = C - 'a' + 10;
        else if (Base == 16 && C >= 'A' && C <= 'F')
            D = C - 'A' + 10;
        else
            return -1;
        Value = Value * Base + D;
        if (Value > 255)
            return -1;
    }
    return Value;
}

// A new filter holds the built-in rules rather than an empty map: an empty
// map would delete every character, an identity map would let reserved
// characters into file names.
TKvCharFilter::TKvCharFilter(const std::string& RulesFile)
{
    ResetToIdentity();
    SetDefaultRules();
    if (!RulesFile.empty())
        LoadRules(RulesFile);
}

void TKvCharFilter::SetRangeMapping(std::uint8_t First, std::uint8_t Last, char Repl)
{
    for (int C = First; C <= Last; ++C)
        Map[static_cast<std::size_t>(C)] = static_cast<std::uint8_t>(Repl);
}

void TKvCharFilter::SetCharsMapping(const std::string& Chars, char Repl)
{
    for (char C : Chars)
        SetMapping(C, Repl);
}

void TKvCharFilter::ResetToIdentity()
{
    for (std::size_t C = 0; C < Map.size(); ++C)
        Map[C] = static_cast<std::uint8_t>(C);
}

void TKvCharFilter::SetDefaultRules()
{
    SetRangeMapping(1, 31, ' ');
    SetMapping('\\', '~');
    SetMapping('?', 0);
    SetMapping('"', '\'');
    SetMapping('<', '{');
    SetMapping('>', '}');
    SetMapping('*', 'x');
    SetMapping('\n', 0);
    SetMapping('\x7F', 0);
    SetCharsMapping("/:|", '-');
}

std::string TKvCharFilter::Apply(const std::string& S) const
{
    std::string R;
    R.reserve(S.size());
    for (char C : S) {
        const std::uint8_t M = Map[static_cast<unsigned char>(C)];
        if (M != 0)
            R += static_cast<char>(M);
    }
    return R;
}

void TKvCharFilter::ApplyInPlace(std::string& S) const
{
    S = Apply(S);
}

// Reading comes first: when the file cannot be read the old rules stay in
// force, so a locked rules file never turns the filter into an identity map
// that lets reserved characters into file names.
void TKvCharFilter::LoadRules(const std::string& FileName)
{
    TStringList Lines;
    try {
        if (FileName.empty() || !IsExistingFile(FileName))
            return;
        // A locked or unreadable file reads as no lines at all.
        if (LoadStringsFromFile(FileName, Lines) <= 0)
            return;
    } catch (...) {
        return;
    }
    LoadRulesFromLines(Lines);
}

void TKvCharFilter::LoadRulesFromLines(TStrings& Lines)
{
    ResetToIdentity();
    try {
        ParseScope(Lines);
        if (Scope == cfsFiles || Scope == cfsAll)
            SetDefaultRules();
        for (int I = 0; I < Lines.Count(); ++I)
            ParseRuleLine(TrimRule(Lines.Get(I)));
    } catch (...) {
        // A bad rules text keeps what was set up so far.
    }
}

void TKvCharFilter::ParseScope(TStrings& Lines)
{
    Scope = cfsAll;
    for (int I = 0; I < Lines.Count(); ++I) {
        const std::string Line = Lines.Get(I);
        if (!StartsWithText(Line, "SCOPE"))
            continue;
        const std::size_t Eq = Line.find('=');
        const std::string Value = Eq == std::string::npos ? std::string() : TrimRule(Line.substr(Eq + 1));
        static const struct {
            const char* Name;
            TCharFilterScope Scope;
        } Names[] = {{"ALL", cfsAll},   {"FILES", cfsFiles}, {"IMAP", cfsImap},
                     {"MAPI", cfsMapi}, {"OTHER", cfsOther}, {"STRING", cfsString}};
        for (const auto& N : Names)
            if (StartsWithText(Value, N.Name)) {
                Scope = N.Scope;
                break;
            }
        Lines.Delete(I);
        return;
    }
}

void TKvCharFilter::ParseRuleLine(const std::string& Line)
{
    if (Line.size() < 3)
        return;
    if (Line[0] == ';' && Line[1] != ';')
        return;
    std::size_t Sep = Line.find('\t', 1);
    if (Sep == std::string::npos)
        Sep = Line.find(' ', 1);
    if (Sep == std::string::npos)
        return;
    const int Repl = ParseRuleChar(Line.substr(Sep + 1));
    if (Repl < 0)
        return;
    const char R = static_cast<char>(Repl);
    // A single ";" would open a comment, so the rules file doubles it.
    const std::string Source = Line.compare(0, 2, ";;") == 0 ? Line.substr(1, Sep - 1) : Line.substr(0, Sep);

    const std::size_t Dots = Source.find("..", 1);
    if (Dots != std::string::npos) {
        const int First = ParseRuleChar(Source.substr(0, Dots));
        const int Last = ParseRuleChar(Source.substr(Dots + 2));
        if (First >= 0 && Last >= First)
            SetRangeMapping(static_cast<std::uint8_t>(First), static_cast<std::uint8_t>(Last), R);
        return;
    }
    if (Source.find(',', 1) != std::string::npos) {
        // Each item is at least one character, so "," itself can be listed
        // first (",,x" names the comma and x).
        std::size_t Pos = 0;
        while (Pos < Source.size()) {
            std::size_t Comma = Source.find(',', Pos + 1);
            if (Comma == std::string::npos)
                Comma = Source.size();
            const int C = ParseRuleChar(Source.substr(Pos, Comma - Pos));
            if (C < 0)
                return;
            SetMapping(static_cast<char>(C), R);
            Pos = Comma + 1;
        }
        return;
    }
    const int C = ParseRuleChar(Source);
    if (C >= 0)
        SetMapping(static_cast<char>(C), R);
}
