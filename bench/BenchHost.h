#pragma once
// The console side of a conversion run: the command line of bench/convert
// turned into the wizard's choices, and a host that hands every log line to
// a callback instead of a log pane.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/KvAppStart.h"
#include "app/KvConvertHost.h"

struct TBenchArgs {
    std::string Source;  // a mailbox file or a folder pattern
    TConvertChoices Choices;
    TStartSwitches Switches;  // "-errorlog=" and "-TimeZone=", as the program takes them
};

// Reads "<source> <source format> <target> <target format> [flags]";
// returns an empty text on success, else what is wrong with the line.
std::string ParseBenchArgs(const std::vector<std::string>& Args, TBenchArgs& Result);
// The ANSI form of one argument of the wide command line: itself when the
// code page holds it, else the short form of the path (of its folder, for a
// pattern or a name still to be made); empty when there is none.
std::string AnsiArgOf(const std::wstring& Arg);
// The process's arguments after the program's name, read from the wide
// command line; Problem names the first that no ANSI form holds. A target
// folder the code page cannot name is made only with MakeFolders, else a
// plain stand-in of its name is given, for checking the line.
std::vector<std::string> CommandLineArgs(std::string& Problem, bool MakeFolders);
extern const char* const BenchUsage;

class TBenchHost : public TKvConvertHost {
public:
    TBenchHost(const TBenchArgs& Args, std::function<void(const std::string&)> OnLine);

    TStrings& SourceFiles() override { return FSources; }
    void GetChoices(TConvertChoices& Choices) override { Choices = FChoices; }
    void AddLogLine(const std::string& Text) override;
    int LogLineCount() override { return FLineCount; }
    void SetLogCaretVisible(bool) override {}
    bool ProgressVisible() override { return FProgressVisible; }
    void SetProgressVisible(bool Visible) override { FProgressVisible = Visible; }
    void SetProgressPercent(int) override {}
    void SetStatusText(const std::string&) override {}
    std::string IdleStatusText() override { return std::string(); }
    void ProcessMessages() override {}
    void SetNextButton(const std::string&, int) override {}
    void SetBackEnabled(bool) override {}
    bool ConfirmAbort(const std::string&) override { return true; }
    void SaveSettings() override {}
    void FocusCancelButton() override {}

    // The mailbox files the run opened, as "Processing: " named them.
    const std::vector<std::string>& Mailboxes() const { return FMailboxes; }

private:
    TStringList FSources;
    TConvertChoices FChoices;
    std::function<void(const std::string&)> FOnLine;
    std::vector<std::string> FMailboxes;
    int FLineCount = 0;
    bool FProgressVisible = false;
};

// The process's peak working set in bytes; 0 when the system won't say.
std::uint64_t PeakWorkingSet();
