#pragma once
// The message dialog: one call with a type, a set of buttons, a caption, a
// help context and an optional position, answering the modal result.
#include <windows.h>

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
