#pragma once
// Shared by the open/save form and dialog tests: the message boxes answered
// by a script, typing a name and pressing Open, and a shortcut maker.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "classlib/Dialogs.h"
#include "shell/RzShellOpenForm.h"
#include "testkit/TestFolder.h"

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
