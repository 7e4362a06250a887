#include "classlib/Dialogs.h"

#include <dlgs.h>
#include <gtest/gtest.h>

#include "testkit/TestFolder.h"

namespace {

// What the dialog was asked, kept as the call saw it.
struct TAsked {
    std::string Filter; // NULs shown as '|'
    std::string File;
    std::string InitialDir;
    std::string DefExt;
    std::string Title;
    DWORD Flags = 0;
    DWORD FilterIndex = 0;
};

std::string FilterText(const char* P)
{
    std::string R;
    if (!P)
        return R;
    // Pairs end in NUL; the list ends in a second one.
    while (*P) {
        R += P;
        R += '|';
        P += strlen(P) + 1;
    }
    return R;
}

TEST(SaveDialog, WhatTheSystemCallGetsAndGivesBack)
{
    struct TCase {
        const char* Name;
        std::string Filter, FileName, DefaultExt, InitialDir;
        TOpenOptions Options;
        // The user's answer: the name typed (empty: cancelled), its
        // extension's offset and the filter chosen.
        std::string Answer;
        WORD ExtOffset;
        DWORD ChosenFilter;
        // Expected.
        std::string SysFilter, SysDefExt;
        DWORD FlagsOn;
        bool Ok;
        std::string FileAfter;
        bool ExtensionDifferent;
    };
    const TCase Cases[] = {
        {"log save", "Text files (*.txt)|*.txt|All files (*.*)|*.*", "Processed.txt", "txt", "C:\\Docs",
         OpenOption(ofOverwritePrompt) | OpenOption(ofHideReadOnly), "C:\\Docs\\Run.txt", 12, 1,
         "Text files (*.txt)|*.txt|All files (*.*)|*.*|", "txt", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, true,
         "C:\\Docs\\Run.txt", false},
        {"other extension, dotted default", "Text|*.txt|All|*.*", "", ".txt", "", OpenOption(ofNoChangeDir),
         "C:\\x\\run.log", 9, 2, "Text|*.txt|All|*.*|", "txt", OFN_NOCHANGEDIR, true, "C:\\x\\run.log", true},
        {"cancelled keeps the name", "", "Keep.txt", "", "", 0, "", 0, 1, "", "", 0, false, "Keep.txt", false},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TAsked Asked;
        TGetFileNameProc Old = SetSaveFileNameProc([&](OPENFILENAMEA& O) -> BOOL {
            Asked.Filter = FilterText(O.lpstrFilter);
            Asked.File = O.lpstrFile;
            Asked.InitialDir = O.lpstrInitialDir ? O.lpstrInitialDir : "";
            Asked.DefExt = O.lpstrDefExt ? O.lpstrDefExt : "";
            Asked.Title = O.lpstrTitle ? O.lpstrTitle : "";
            Asked.Flags = O.Flags;
            Asked.FilterIndex = O.nFilterIndex;
            if (C.Answer.empty())
                return FALSE;
            EXPECT_GT(O.nMaxFile, MAX_PATH);
            lstrcpynA(O.lpstrFile, C.Answer.c_str(), static_cast<int>(O.nMaxFile));
            O.nFileExtension = C.ExtOffset;
            O.nFilterIndex = C.ChosenFilter;
            return TRUE;
        });
        TSaveDialog D(nullptr);
        D.SetFilter(C.Filter);
        D.SetFileName(C.FileName);
        D.SetDefaultExt(C.DefaultExt);
        D.SetInitialDir(C.InitialDir);
        D.SetTitle("Save the log");
        D.SetOptions(C.Options);
        EXPECT_EQ(D.Execute(), C.Ok);
        SetSaveFileNameProc(std::move(Old));
        EXPECT_EQ(Asked.Filter, C.SysFilter);
        EXPECT_EQ(Asked.File, C.FileName);
        EXPECT_EQ(Asked.InitialDir, C.InitialDir);
        EXPECT_EQ(Asked.DefExt, C.SysDefExt);
        EXPECT_EQ(Asked.Title, "Save the log");
        EXPECT_EQ(Asked.Flags & C.FlagsOn, C.FlagsOn);
        EXPECT_EQ(Asked.FilterIndex, 1u);
        EXPECT_EQ(D.FileName(), C.FileAfter);
        if (C.Ok) {
            EXPECT_EQ(D.FilterIndex(), static_cast<int>(C.ChosenFilter));
        }
        EXPECT_EQ((D.Options() & OpenOption(ofExtensionDifferent)) != 0, C.ExtensionDifferent);
    }
}

// The real dialog, driven from a timer in its own loop: the name is typed
// into its file name field and Save pressed; the system adds the default
// extension.
HWND DialogFound = nullptr;
int DriveTicks = 0;

BOOL CALLBACK FindDialog(HWND W, LPARAM)
{
    char Class[32] = {};
    GetClassNameA(W, Class, sizeof Class);
    if (lstrcmpA(Class, "#32770") == 0 && IsWindowVisible(W)) {
        DialogFound = W;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK TypeAndSave(HWND, UINT, UINT_PTR Id, DWORD)
{
    DialogFound = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
    if (!DialogFound) {
        if (++DriveTicks > 1000)
            KillTimer(nullptr, Id);
        return;
    }
    // The name field: a combo box in the explorer-style dialog, an edit in
    // older layouts.
    HWND Name = GetDlgItem(DialogFound, cmb13);
    if (!Name)
        Name = GetDlgItem(DialogFound, edt1);
    if (!Name)
        return;
    KillTimer(nullptr, Id);
    SetWindowTextA(Name, "Driven");
    PostMessageA(DialogFound, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(DialogFound, IDOK)));
}

TEST(SaveDialog, RealDialogDrivenByItsFields)
{
    TTestFolder Folder("savedlg");
    TSaveDialog D(nullptr);
    D.SetFilter("Text files (*.txt)|*.txt");
    D.SetDefaultExt("txt");
    D.SetInitialDir(Folder.Path());
    DriveTicks = 0;
    SetTimer(nullptr, 0, 10, TypeAndSave);
    ASSERT_TRUE(D.Execute());
    EXPECT_EQ(D.FileName(), Folder.Path() + "\\Driven.txt");
    EXPECT_FALSE(D.Options() & OpenOption(ofExtensionDifferent));
}

} // namespace
