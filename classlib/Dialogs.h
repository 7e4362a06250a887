#pragma once
// The message dialog: one call with a type, a set of buttons, a caption, a
// help context and an optional position, answering the modal result.
#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>

#include "classlib/Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                             mbYesToAll, mbHelp };
using TMsgDlgButtons = unsigned; // bit (1 << TMsgDlgBtn) per button
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn B) { return 1u << B; }
constexpr TMsgDlgButtons mbYesNo = (1u << mbYes) | (1u << mbNo);
constexpr TMsgDlgButtons mbYesNoCancel = mbYesNo | (1u << mbCancel);
constexpr TMsgDlgButtons mbOKCancel = (1u << mbOK) | (1u << mbCancel);
constexpr TMsgDlgButtons mbOKOnly = 1u << mbOK;
constexpr TMsgDlgButtons mbAbortRetryIgnore = (1u << mbAbort) | (1u << mbRetry) | (1u << mbIgnore);

struct TMessageDlgRequest {
    std::string Msg;
    std::string Caption; // empty: the type's caption
    TMsgDlgType DlgType = mtInformation;
    TMsgDlgButtons Buttons = mbOKOnly;
    int HelpCtx = 0;
    // Top-left corner on the screen; -1 centres the box.
    int X = -1, Y = -1;
    // Centre the box on the main form instead (when it is showing).
    bool MainFormCenter = false;
    std::string HelpFile;
};

TModalResult MessageDlg(const TMessageDlgRequest& Request);
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
TModalResult MessageDlgPos(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X,
                           int Y);
// The caption a type gives ("Warning", "Error", "Information", "Confirm";
// the application's title for mtCustom).
std::string MessageDlgCaption(TMsgDlgType DlgType);

// Test seam: while set, every dialog goes to the hook instead of the
// screen and answers what it returns. Returns the previous hook.
using TMessageDlgHook = std::function<TModalResult(const TMessageDlgRequest&)>;
TMessageDlgHook SetMessageDlgHook(TMessageDlgHook Hook);

// The common save dialog. Filter is "Description|Pattern|Description|
// Pattern"; DefaultExt is added to a typed name without an extension.
enum TOpenOption : unsigned { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofPathMustExist,
                              ofFileMustExist, ofNoReadOnlyReturn, ofEnableSizing, ofExtensionDifferent };
using TOpenOptions = unsigned; // bit (1 << TOpenOption) per option
constexpr TOpenOptions OpenOption(TOpenOption O) { return 1u << O; }

// Test seam: the call that shows the dialog (GetSaveFileNameA); it gets the
// filled structure and answers as the system call would. Returns the
// previous one; an empty one restores the system call.
using TGetFileNameProc = std::function<BOOL(OPENFILENAMEA&)>;
TGetFileNameProc SetSaveFileNameProc(TGetFileNameProc Proc);

class TSaveDialog : public TComponent {
public:
    explicit TSaveDialog(TComponent* AOwner);

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& Value) { FFileName = Value; }
    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& Value) { FFilter = Value; }
    // 1-based, as the system counts the filter's pairs.
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    const std::string& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }

    // Shows the dialog over the active form; true when the user chose a
    // name, which is then in FileName (and the chosen filter in
    // FilterIndex).
    bool Execute();

private:
    std::string FFileName;
    std::string FFilter;
    int FFilterIndex = 1;
    std::string FDefaultExt;
    std::string FInitialDir;
    std::string FTitle;
    TOpenOptions FOptions = OpenOption(ofHideReadOnly) | OpenOption(ofEnableSizing);
};
