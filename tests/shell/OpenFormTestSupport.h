#pragma once
// Shared by the open/save form and dialog tests: a scratch folder with a few
// files, the message boxes answered by a script, a queued call that runs
// once the modal loop is up, and a shortcut maker.
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "classlib/Dialogs.h"
#include "shell/RzShellOpenForm.h"
#include "tests/TestFolder.h"

namespace open_test {

// Every message box of the scope is recorded and answered with Answer.
class TScriptedBoxes {
public:
    TScriptedBoxes()
    {
        FSaved = SetMessageDlgHook([this](const TMessageDlgRequest& R) {
            Shown.push_back(R);
            return Answer;
        });
    }
    ~TScriptedBoxes() { SetMessageDlgHook(FSaved); }
    TScriptedBoxes(const TScriptedBoxes&) = delete;
    TScriptedBoxes& operator=(const TScriptedBoxes&) = delete;
    std::vector<TMessageDlgRequest> Shown;
    TModalResult Answer = mrNo;

private:
    TMessageDlgHook FSaved;
};

// The open form on the screen now (found by its window class, as a script
// driving the real program would), or null.
inline TRzShellOpenSaveForm* RunningOpenForm()
{
    HWND W = FindWindowA("Tessaly.TRzShellOpenSaveForm", nullptr);
    return W ? dynamic_cast<TRzShellOpenSaveForm*>(TWinControl::FindControl(W)) : nullptr;
}

// Runs each step, one per timer tick, once a modal loop pumps messages;
// the steps see the running form.
class TModalScript {
public:
    using TStep = std::function<void(TRzShellOpenSaveForm*)>;
    explicit TModalScript(std::vector<TStep> Steps) : FSteps(std::move(Steps))
    {
        Current = this;
        FTimer = SetTimer(nullptr, 0, 1, &TModalScript::Tick);
    }
    ~TModalScript()
    {
        KillTimer(nullptr, FTimer);
        Current = nullptr;
    }
    TModalScript(const TModalScript&) = delete;
    TModalScript& operator=(const TModalScript&) = delete;
    size_t StepsRun() const { return FNext; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        TModalScript* S = Current;
        if (!S || S->FBusy)
            return;
        TRzShellOpenSaveForm* Form = RunningOpenForm();
        if (!Form || !Form->IsActive())
            return;
        if (S->FNext >= S->FSteps.size()) {
            // A script that ran out leaves no form behind.
            Form->SetModalResult(mrCancel);
            return;
        }
        S->FBusy = true;
        S->FSteps[S->FNext++](Form);
        S->FBusy = false;
    }
    static inline TModalScript* Current = nullptr;
    std::vector<TStep> FSteps;
    size_t FNext = 0;
    UINT_PTR FTimer = 0;
    bool FBusy = false;
};

// Types Text into the file-name box and presses Open.
inline void TypeAndOpen(TRzShellOpenSaveForm* Form, const std::string& Text)
{
    Form->edtFileName->SetText(Text);
    Form->btnOpen->Click();
}

// A shortcut file at LinkFile pointing to Target.
inline bool MakeShortcut(const std::string& LinkFile, const std::string& Target)
{
    TComPtr<IShellLinkA> Link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, Link.PutVoid())))
        return false;
    Link->SetPath(Target.c_str());
    TComPtr<IPersistFile> File;
    if (FAILED(Link.As(IID_IPersistFile, File)))
        return false;
    const std::wstring W(LinkFile.begin(), LinkFile.end());
    return SUCCEEDED(File->Save(W.c_str(), TRUE));
}

} // namespace open_test
