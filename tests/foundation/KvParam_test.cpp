#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/KvParam.h"
#include "testkit/TestFolder.h"

namespace {

// "NAME=value" for a switch, the text for a plain argument, joined by "|".
std::string Render(const TCmdList& L)
{
    std::string R;
    for (int I = 0; I < L.Count(); ++I) {
        if (I > 0)
            R += '|';
        R += L.Objects(I) ? L.GetSwitchName(I) + "=" + L.Strings(I) : L.Strings(I);
    }
    return R;
}

std::string ReplaceAll(std::string S, const std::string& From, const std::string& To)
{
    for (std::size_t P = S.find(From); P != std::string::npos; P = S.find(From, P + To.size()))
        S.replace(P, From.size(), To);
    return S;
}

// A folder holding a few empty files with blanks in their names; "{T}" in
// a command line of the tables stands for it (without trailing backslash).
class TParamFolder {
public:
    TParamFolder()
    {
        for (const char* Name : {"a b.mbx", "In box", "My Prog\\Tessaly.exe"})
            FDir.Write(Name, "");
    }
    std::string Expand(const std::string& S) const { return ReplaceAll(S, "{T}", FDir.Path()); }

private:
    TTestFolder FDir{"KvParam"};
};

}  // namespace

TEST(KvParamCmdList, SplitsRealCommandLinesIntoSwitchesAndArguments)
{
    TParamFolder F;
    const struct {
        const char* Line;
        const char* Items;
    } Cases[] = {
        {"-TEMP=\"C:\\my temp\" /usb input.mbx", "TEMP=C:\\my temp|USB=|input.mbx"},
        {"-errorlog:log.txt", "ERRORLOG=log.txt"},
        {"-errorlog=log.txt", "ERRORLOG=log.txt"},
        {"-a/b", "A=|B="},
        {"/a/b:1 -c", "A=|B=1|C="},
        {"-x=1 -x=2", "X=1|X=2"},
        {"  -Acc   mail.mbx   ", "ACC=|mail.mbx"},
        {"\t-a\tb", "A=|b"},
        {"-ini=", "INI="},
        {"-", "="},
        {"\"quoted arg\" next", "quoted arg|next"},
        {"\"a\"b\" c", "a\"b|c"},                // the first quote followed by a blank closes
        {"\"a b\"c d", "a b|c|d"},               // else the last quote of the text
        {"\"open never closed", "\"open|never|closed"},
        {"-v=\"x y\" \"z\"", "V=x y|z"},
        {"-v=\"open", "V=\"open"},
        {"-v=C:\\dir with blank", "V=C:\\dir|with|blank"},  // values never run over blanks
        {"-tz=+0100 -tz:-0500", "TZ=+0100|TZ=-0500"},
        // Paths with blanks: they run on only up to a file that exists.
        {"{T}\\a b.mbx", "{T}\\a b.mbx"},
        {"{T}\\a b.mbx -x", "{T}\\a b.mbx|X="},
        {"{T}\\a b.mbx /x", "{T}\\a b.mbx|X="},
        {"{T}\\a b.mbx   /x", "{T}\\a b.mbx|X="},
        {"{T}\\a b.mbx C:\\other.mbx", "{T}\\a b.mbx|C:\\other.mbx"},
        {"{T}\\a b.mbx \\\\server\\share", "{T}\\a b.mbx|\\\\server\\share"},
        {"{T}\\In box trailing words", "{T}\\In box|trailing|words"},
        {"{T}\\missing file.mbx -x", "{T}\\missing|file.mbx|X="},
        {"C:\\no such\\file.mbx", "C:\\no|such\\file.mbx"},
        {"\"{T}\\a b.mbx\" -x", "{T}\\a b.mbx|X="},
        {"x:\\ a", "x:\\|a"},
    };
    for (const auto& C : Cases) {
        const std::string Line = F.Expand(C.Line);
        TCmdList L(Line);
        EXPECT_EQ(Render(L), F.Expand(C.Items)) << Line;
    }
}

TEST(KvParamCmdList, FindsSwitchesByNameAndPosition)
{
    TCmdList L("input.mbx -x=1 /ErrorLog:log.txt -X=2 -flag other");
    const struct {
        const char* Name;
        int Start;
        int Index;
        const char* Value;
    } Cases[] = {
        {"x", 0, 1, "1"},       {"X", 1, 1, "1"},        {"x", 2, 1, "2"},
        {"x", 4, 1, ""},        {"errorlog", 0, 2, "log.txt"}, {"ERRORLOG", 0, 2, "log.txt"},
        {"flag", 0, 4, ""},     {"input.mbx", 0, -1, ""}, {"other", 0, -1, ""},
        {"missing", 0, -1, ""}, {"x", -5, 1, "1"},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(L.IndexOfSwitch(C.Name), C.Index) << C.Name;
        EXPECT_EQ(L.HasSwitch(C.Name), C.Index >= 0) << C.Name;
        EXPECT_EQ(L.SwitchValue(C.Name, C.Start), C.Value) << C.Name << " from " << C.Start;
    }
    const char* const Names[] = {"", "X", "ERRORLOG", "X", "FLAG", ""};
    for (int I = 0; I < 6; ++I)
        EXPECT_EQ(L.GetSwitchName(I), Names[I]) << I;
    EXPECT_EQ(L.GetSwitchName(6), "");
    EXPECT_EQ(L.GetSwitchName(-1), "");

    TCmdList Empty(" ");
    EXPECT_EQ(Empty.Count(), 0);
    EXPECT_EQ(Empty.IndexOfSwitch("x"), -1);
}

TEST(KvParamCmdList, LeavesTheProgramsOwnNameOut)
{
    TParamFolder F;
    const std::string Long(600, 'y');
    const struct {
        std::string Line;
        int ParamCount;
        std::string Items;
    } Cases[] = {
        {"\"{T}\\My Prog\\Tessaly.exe\" -usb input.mbx", 2, "USB=|input.mbx"},
        {"\"{T}\\My Prog\\Tessaly.exe\"", 0, ""},
        {"{T}\\My Prog\\Tessaly.exe", 0, ""},                 // unquoted with blanks, nothing else
        {"  {T}\\My Prog\\Tessaly.exe  ", 0, ""},
        {"{T}\\My Prog\\Tessaly.exe -x", 2, "X="},            // the path rule finds the program
        {"Tessaly -x", 1, "X="},
        {"TESSALY.EXE", 0, ""},
        {"C:\\Elsewhere\\tessaly.exe a.mbx", 1, "a.mbx"},
        {"other.exe a.mbx", 1, "other.exe|a.mbx"},
        {"-x Tessaly.exe", 1, "X=|Tessaly.exe"},     // only a plain first token is the program
        {"Tessaly.exe " + Long, 0, Long},            // long lines go by the token rules
        {"", 0, ""},
    };
    for (const auto& C : Cases) {
        const std::string Line = F.Expand(C.Line);
        TCmdList L("unused");
        L.ParseProgramLine(Line, C.ParamCount, "C:\\Program Files\\Tessaly\\Tessaly.exe");
        EXPECT_EQ(Render(L), F.Expand(C.Items)) << Line;
    }
}

TEST(KvParamCmdList, ComparesProgramNames)
{
    const struct {
        const char* A;
        const char* B;
        bool Same;
    } Cases[] = {
        {"Tessaly.exe", "Tessaly.exe", true}, {"tessaly.EXE", "Tessaly.exe", true},
        {"Tessaly", "Tessaly.exe", true},     {"Tessaly", "TESSALY.EXE", true},
        {"Tessaly.com", "Tessaly.exe", false}, {"Tessaly.exe", "Tessaly", false},
        {"Tessal", "Tessaly.exe", false},     {"", "", true},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(SameExeName(C.A, C.B), C.Same) << C.A << " / " << C.B;
}

TEST(KvParamCmdList, ProcessCommandLineIsReadyAtStartUp)
{
    ASSERT_NE(CommandLine, nullptr);
    char Own[MAX_PATH];
    GetModuleFileNameA(nullptr, Own, MAX_PATH);
    std::string Name = Own;
    Name = Name.substr(Name.find_last_of('\\') + 1);
    // The test program runs with its GoogleTest switches, never its own name.
    for (int I = 0; I < CommandLine->Count(); ++I)
        EXPECT_FALSE(SameExeName(CommandLine->Strings(I), Name) && !CommandLine->Objects(I));
    if (CommandLine->HasSwitch("-gtest_filter")) {
        EXPECT_NE(CommandLine->SwitchValue("-gtest_filter"), "");
    }
}
