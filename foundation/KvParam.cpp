#include "foundation/KvParam.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "foundation/KvFiles.h"
#include "foundation/KvSearch.h"
#include "foundation/KvStrings.h"

namespace {

// No namespace-scope objects with constructors here: the process's command
// line is parsed before they would be built.
bool IsBlankChar(char Ch)
{
    return Ch == ' ' || Ch == '\t';
}

bool IsBlank(const std::string& S, std::size_t P)
{
    return P < S.size() && IsBlankChar(S[P]);
}

std::size_t SkipBlanksAt(const std::string& S, std::size_t P)
{
    while (IsBlank(S, P))
        ++P;
    return P;
}

std::size_t BlankAtOrAfter(const std::string& S, std::size_t P)
{
    while (P < S.size() && !IsBlankChar(S[P]))
        ++P;
    return P;
}

struct TToken {
    std::string Text;  // the argument, or the switch's value
    std::string Name;  // the switch's name, upper case
    bool IsSwitch = false;
    std::size_t End = 0;
};

// "C:\", "C:/" or "\\": only such arguments may run on over blanks.
bool BeginsLikePath(const std::string& S, std::size_t P)
{
    if (S.compare(P, 2, "\\\\") == 0)
        return true;
    return P + 2 < S.size() && IsAsciiLetter(S[P]) && S[P + 1] == ':' && (S[P + 2] == '\\' || S[P + 2] == '/');
}

// The place where another argument seems to start after a path that has
// blanks in it: a slash switch, another drive path or another share path.
std::size_t NextArgumentStart(const std::string& S, std::size_t From)
{
    std::size_t Place = std::string::npos;
    for (const char* Mark : {" /", ":\\", ":/", "\\\\"})
        Place = std::min(Place, S.find(Mark, From));
    return Place;
}

std::size_t DropTrailingBlanks(const std::string& S, std::size_t End, std::size_t Floor)
{
    while (End > Floor && IsBlankChar(S[End - 1]))
        --End;
    return End;
}

// An unquoted argument ends at the first blank, unless it is a path whose
// longer reading up to a later blank names a file that exists. The longest
// such reading before the next argument's start is tried first, then each
// shorter one, so that a path followed by a "-" switch is still found.
std::string ReadUnquoted(const std::string& S, std::size_t P, std::size_t& End, bool PathRule)
{
    const std::size_t FirstBlank = BlankAtOrAfter(S, P);
    End = FirstBlank;
    if (!PathRule || FirstBlank - P < 3 || FirstBlank >= S.size() || !BeginsLikePath(S, P))
        return S.substr(P, End - P);
    std::size_t Cand = S.size();
    const std::size_t Place = NextArgumentStart(S, FirstBlank);
    if (Place != std::string::npos)
        Cand = S.find_last_of(" \t", Place);
    Cand = DropTrailingBlanks(S, Cand, FirstBlank);
    while (Cand > FirstBlank) {
        if (IsExistingFile(S.substr(P, Cand - P))) {
            End = Cand;
            break;
        }
        Cand = DropTrailingBlanks(S, S.find_last_of(" \t", Cand - 1), FirstBlank);
    }
    return S.substr(P, End - P);
}

// The closing quote is the first one followed by a blank, else the last one
// of the text; without either the token is not a quoted one.
bool ReadQuoted(const std::string& S, std::size_t P, std::string& Arg, std::size_t& End)
{
    std::size_t Close = std::string::npos;
    for (std::size_t Q = S.find('"', P + 1); Q != std::string::npos; Q = S.find('"', Q + 1))
        if (IsBlank(S, Q + 1)) {
            Close = Q;
            break;
        }
    if (Close == std::string::npos) {
        Close = S.rfind('"');
        if (Close == std::string::npos || Close <= P)
            return false;
    }
    Arg = S.substr(P + 1, Close - P - 1);
    End = Close + 1;
    return true;
}

std::string ReadArgument(const std::string& S, std::size_t P, std::size_t& End, bool PathRule)
{
    std::string Arg;
    if (P < S.size() && S[P] == '"' && ReadQuoted(S, P, Arg, End))
        return Arg;
    return ReadUnquoted(S, P, End, PathRule);
}

TToken ReadToken(const std::string& S, std::size_t P)
{
    TToken T;
    if (S[P] != '-' && S[P] != '/') {
        T.Text = ReadArgument(S, P, T.End, true);
        return T;
    }
    T.IsSwitch = true;
    const std::size_t NameStart = P + 1;
    std::size_t NameEnd = S.find_first_of(" \t=:/", NameStart);
    if (NameEnd == std::string::npos)
        NameEnd = S.size();
    T.Name = S.substr(NameStart, NameEnd - NameStart);
    TableUpperCaseInPlace(T.Name);
    T.End = NameEnd;
    if (NameEnd < S.size() && (S[NameEnd] == '=' || S[NameEnd] == ':'))
        T.Text = ReadArgument(S, NameEnd + 1, T.End, false);
    return T;
}

void AddToken(TCmdList& List, TToken& T)
{
    if (T.IsSwitch)
        List.AddObject(T.Text, new TSwitchObj(std::move(T.Name)));
    else
        List.Add(T.Text);
}

std::string ModuleFileName()
{
    char Buf[MAX_PATH + 1];
    const DWORD N = GetModuleFileNameA(nullptr, Buf, MAX_PATH);
    return N > 0 && N <= MAX_PATH ? std::string(Buf, N) : std::string();
}

}  // namespace

TCmdList::TCmdList(const std::string& Text) : TStringList(true)
{
    if (Text.empty())
        ParseProgramLine(GetCommandLineA(), __argc > 0 ? __argc - 1 : 0, ModuleFileName());
    else
        Parse(Text);
}

void TCmdList::Parse(const std::string& Text)
{
    for (std::size_t P = SkipBlanksAt(Text, 0); P < Text.size();) {
        TToken T = ReadToken(Text, P);
        AddToken(*this, T);
        P = SkipBlanksAt(Text, T.End);
    }
}

void TCmdList::ParseProgramLine(const std::string& Line, int ParamCount, const std::string& ProgramName)
{
    Clear();
    const std::string Own = ExtractFileNamePart(ProgramName);
    // A program path with blanks that nobody quoted: the runtime sees no
    // parameters, and the whole line is the program.
    if (Line.size() < 512 && ParamCount == 0) {
        const std::string Whole = StripDoubleQuotes(TrimCharSetStr(Line, true, TCharSet(" \t")));
        if (SameExeName(ExtractFileNamePart(Whole), Own))
            return;
    }
    std::size_t P = SkipBlanksAt(Line, 0);
    if (P >= Line.size())
        return;
    TToken First = ReadToken(Line, P);
    if (First.IsSwitch || !SameExeName(ExtractFileNamePart(First.Text), Own))
        AddToken(*this, First);
    Parse(Line.substr(First.End));
}

int TCmdList::IndexOfSwitch(const std::string& Name) const
{
    std::string Upper = Name;
    TableUpperCaseInPlace(Upper);
    for (int I = 0; I < Count(); ++I)
        if (auto* Sw = dynamic_cast<TSwitchObj*>(Objects(I)); Sw && Sw->Name == Upper)
            return I;
    return -1;
}

std::string TCmdList::SwitchValue(const std::string& Name, int StartIndex) const
{
    std::string Upper = Name;
    TableUpperCaseInPlace(Upper);
    for (int I = StartIndex < 0 ? 0 : StartIndex; I < Count(); ++I)
        if (auto* Sw = dynamic_cast<TSwitchObj*>(Objects(I)); Sw && Sw->Name == Upper)
            return StringRef(I);
    return std::string();
}

std::string TCmdList::GetSwitchName(int Index) const
{
    if (Index < 0 || Index >= Count())
        return std::string();
    auto* Sw = dynamic_cast<TSwitchObj*>(Objects(Index));
    return Sw ? Sw->Name : std::string();
}

bool SameExeName(const std::string& A, const std::string& B)
{
    return AnsiSameText(A, B) || (!HasExtension(A) && AnsiSameText(A + ".exe", B));
}

TCmdList* CommandLine = nullptr;

namespace {

// Ahead of the ordinary start-up code, which may read the command line; the
// character tables it upper-cases with are built earlier still.
struct TCommandLineUnit {
    TCommandLineUnit() { CommandLine = new TCmdList; }
    ~TCommandLineUnit() { FreeAndNil(CommandLine); }
};
TCommandLineUnit CommandLineUnit __attribute__((init_priority(300)));

}  // namespace
