#pragma once
// The command line as a list of switches ("-" or "/", a value after "=" or
// ":") and plain arguments, in command-line order.

#include <string>

#include "classlib/Classes.h"

class TSwitchObj : public TObject {
public:
    explicit TSwitchObj(std::string AName) : Name(std::move(AName)) {}
    std::string Name;  // upper case
};

// One item per token: a switch's text is its value (empty when it has none)
// and its object the TSwitchObj naming it; a plain argument has no object.
// The list owns its objects.
class TCmdList : public TStringList {
public:
    // An empty Text takes the process's own command line.
    explicit TCmdList(const std::string& Text = std::string());

    // Replaces the items with the tokens of a process command line: the
    // program's own name is left out. ParamCount is the number of
    // parameters the runtime counts; ProgramName the program's file name.
    void ParseProgramLine(const std::string& Line, int ParamCount, const std::string& ProgramName);
    // Appends the tokens of Text.
    void Parse(const std::string& Text);

    // -1 when no switch has that name (any case).
    int IndexOfSwitch(const std::string& Name) const;
    bool HasSwitch(const std::string& Name) const { return IndexOfSwitch(Name) >= 0; }
    // The value of the first switch of that name at or after StartIndex.
    std::string SwitchValue(const std::string& Name, int StartIndex = 0) const;
    // Empty for a plain argument or an index outside the list.
    std::string GetSwitchName(int Index) const;
};

// Equal ignoring case, or A without extension plus ".exe" equals B.
bool SameExeName(const std::string& A, const std::string& B);

// The process's command line; lives from start-up to the end of the program.
extern TCmdList* CommandLine;
