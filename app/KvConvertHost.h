#pragma once
// Everything the conversion driver asks of the window it runs in. The wizard
// form implements it over its controls; a console program or a test
// implements it over plain fields, so a whole conversion runs without a
// window.

#include <functional>
#include <string>
#include <vector>

#include "app/KvConvert.h"
#include "classlib/Classes.h"
#include "foundation/KvLogs.h"

// btnNext's Tag while it reads "Start", and while it reads "Stop".
inline constexpr int StartButtonTag = 1;
inline constexpr int StopButtonTag = 2;

// What the wizard's pages hold when a run starts.
struct TConvertChoices {
    TMailFormat SourceFormat = mftUnknown;  // the selected source row's format
    TMailFormat TargetFormat = mftUnknown;  // the selected target row's format
    std::string TargetText;                 // the target field, macros and URLs resolved
    bool IncludeSubfolders = false;         // source option 0
    bool SkipTrashJunk = false;             // source option 1
    bool RestoreFolderTree = false;         // target option 0
    bool MatchDates = false;                // target option 1
    bool Md5FileNames = false;              // target option 2
};

class TKvConvertHost {
public:
    virtual ~TKvConvertHost() = default;

    // The source list; each line's object is its mail format. The driver
    // adds the default mail folder to an empty list.
    virtual TStrings& SourceFiles() = 0;
    virtual void GetChoices(TConvertChoices& Choices) = 0;

    // One line added at the end of the log pane, scrolled into view.
    virtual void AddLogLine(const std::string& Text) = 0;
    // The same for a line that names a file the code page cannot carry; a
    // host that shows only ANSI text shows its ANSI form.
    virtual void AddLogText(const TLogText& Text) { AddLogLine(Text.Ansi); }
    virtual int LogLineCount() = 0;
    // The log shows its caret only while idle, so text can be selected.
    virtual void SetLogCaretVisible(bool Visible) = 0;

    virtual bool ProgressVisible() = 0;
    virtual void SetProgressVisible(bool Visible) = 0;
    virtual void SetProgressPercent(int Percent) = 0;
    virtual void SetStatusText(const std::string& Text) = 0;
    virtual std::string IdleStatusText() = 0;

    // Lets the window handle pending messages, so Stop, Cancel and closing
    // work during a run.
    virtual void ProcessMessages() = 0;

    virtual void SetNextButton(const std::string& Caption, int Tag) = 0;
    virtual void SetBackEnabled(bool Enabled) = 0;
    // "Abort mail conversion?" with Yes and No; true for Yes.
    virtual bool ConfirmAbort(const std::string& Question) = 0;
    virtual void SaveSettings() = 0;
    // The focus to btnCancel when it can take it.
    virtual void FocusCancelButton() = 0;
};

// A host without a window: the wizard's choices and list are plain fields,
// the log is kept (and handed to LogSink when set), the progress and button
// states are recorded, and the Stop question is answered by ConfirmAnswer.
// Console tools and tests drive conversions through it.
class TPlainConvertHost : public TKvConvertHost {
public:
    TStrings& SourceFiles() override { return Sources; }
    void GetChoices(TConvertChoices& C) override { C = Choices; }
    void AddLogLine(const std::string& Text) override;
    int LogLineCount() override { return static_cast<int>(Log.size()); }
    void SetLogCaretVisible(bool Visible) override { CaretVisible = Visible; }
    bool ProgressVisible() override { return ProgressShown; }
    void SetProgressVisible(bool Visible) override { ProgressShown = Visible; }
    void SetProgressPercent(int P) override
    {
        Percent = P;
        ++PercentSets;
    }
    void SetStatusText(const std::string& Text) override { Status = Text; }
    std::string IdleStatusText() override { return IdleStatus; }
    void ProcessMessages() override;
    void SetNextButton(const std::string& Caption, int Tag) override;
    void SetBackEnabled(bool Enabled) override { BackEnabled = Enabled; }
    bool ConfirmAbort(const std::string& Question) override;
    void SaveSettings() override { ++Saves; }
    void FocusCancelButton() override { ++CancelFocus; }

    TStringList Sources;
    TConvertChoices Choices;
    std::vector<std::string> Log;
    std::vector<std::string> Questions;
    std::function<void(const std::string& Line)> LogSink;
    std::function<void()> OnPump;  // runs where the window would pump
    std::string IdleStatus = "Idle";
    std::string Status = "Idle";
    std::string NextCaption = "Start";
    int NextTag = StartButtonTag;
    int Percent = 0;
    int Pumps = 0;
    int PercentSets = 0;
    int Saves = 0;
    int CancelFocus = 0;
    bool CaretVisible = false;
    bool ProgressShown = false;
    bool BackEnabled = true;
    bool ConfirmAnswer = true;
};
