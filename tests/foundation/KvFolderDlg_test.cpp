#include "foundation/KvFolderDlg.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "foundation/KvHooks.h"
#include "testkit/TestFolder.h"

namespace {

TEST(KvFolderDlg, StartFolderAndMask)
{
    TTestFolder root("folderdlg");
    const std::string r = root.Path();
    CreateDirectoryA((r + "\\mail").c_str(), nullptr);
    struct TCase {
        std::string Folder, Start, Mask;
    };
    const TCase cases[] = {
        {r + "\\mail\\*.mbx", r + "\\mail", "*.mbx"},
        {r + "\\mail\\in?.mbx", r + "\\mail", "in?.mbx"},
        {r + "\\mail", r + "\\mail", ""},                  // an existing folder
        {r + "\\mail\\", r + "\\mail", ""},
        {r + "\\mail\\Inbox", r + "\\mail", "Inbox"},      // not a folder: kept as the mask
        {"C:", "C:\\", ""},
        {"C:\\", "C:\\", ""},
        {"*.mbx", "", "*.mbx"},
        {"", "", ""},
    };
    for (const TCase& c : cases) {
        const TBrowseStart s = SplitBrowseStart(c.Folder);
        EXPECT_EQ(s.StartFolder, c.Start) << c.Folder;
        EXPECT_EQ(s.Mask, c.Mask) << c.Folder;
    }
}

TEST(KvFolderDlg, CaptionRootAndResult)
{
    struct TCaption {
        const char* Title;
        const char* Folder;
        const char* Expected;
    };
    const TCaption captions[] = {
        {"", "", "Default folder: [not specified]"},
        {"", "C:\\mail", "Default folder: C:\\mail"},
        {"Source: ", "C:\\mail\\*.mbx", "Source: C:\\mail\\*.mbx"},
        {"Source: ", "", "Source: [not specified]"},
    };
    for (const TCaption& c : captions)
        EXPECT_EQ(BrowseCaption(c.Title, c.Folder), c.Expected);

    EXPECT_EQ(BrowseRootFolderId(false), 0);
    EXPECT_EQ(BrowseRootFolderId(true), 18);

    struct TResult {
        const char* Path;
        const char* Display;
        const char* Mask;
        const char* Expected;
    };
    const TResult results[] = {
        {"D:\\x", "x", "*.mbx", "D:\\x\\*.mbx"},
        {"D:\\x\\", "x", "", "D:\\x\\"},
        {"D:\\", "D", "", "D:\\"},
        {"", "SERVER", "", "\\\\SERVER\\"},
        {"", "SERVER", "*.eml", "\\\\SERVER\\*.eml"},
    };
    for (const TResult& c : results)
        EXPECT_EQ(ChosenFolderText(c.Path, c.Display, c.Mask), c.Expected);
}

// The dialog the hook below cancelled, and its owner.
HWND CancelledDialog = nullptr;
HWND CancelledOwner = nullptr;

// Cancels the first dialog of this thread once its WM_INITDIALOG has run.
// The browser's own thread does it, inside its modal loop: a second thread
// polling for a visible dialog raced the browser's start (a slow start
// outlasted its polls and left the browser open) and could take another
// dialog of the process for it.
LRESULT CALLBACK CancelOnInit(int Code, WPARAM Wp, LPARAM Lp)
{
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(Lp);
    char cls[32] = {};
    if (Code == HC_ACTION && m->message == WM_INITDIALOG && !CancelledDialog &&
        GetClassNameA(m->hwnd, cls, sizeof(cls)) && lstrcmpA(cls, "#32770") == 0) {
        CancelledDialog = m->hwnd;
        CancelledOwner = GetWindow(m->hwnd, GW_OWNER);
        PostMessageA(m->hwnd, WM_COMMAND, IDCANCEL, 0);
    }
    return CallNextHookEx(nullptr, Code, Wp, Lp);
}

// Opens the real browser and cancels it as soon as it is up.
TEST(KvFolderDlg, CancelLeavesTheFolderAlone)
{
    CancelledDialog = nullptr;
    const HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, &CancelOnInit, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    std::string folder = "C:\\windows\\*.ini";
    const bool chosen = BrowseForFolder(folder, nullptr, "Pick: ");
    UnhookWindowsHookEx(hook);
    EXPECT_NE(CancelledDialog, nullptr);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(folder, "C:\\windows\\*.ini");

    // Without an owner of its caller's the dialog belongs to the main form;
    // a caller's own owner is kept.
    const HWND main = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    int asked = 0;
    GHooks.MainFormWindow = [&] {
        ++asked;
        return main;
    };
    for (const HWND owner : {HWND(nullptr), other}) {
        CancelledDialog = CancelledOwner = nullptr;
        const HHOOK again = SetWindowsHookExA(WH_CALLWNDPROCRET, &CancelOnInit, nullptr, GetCurrentThreadId());
        EXPECT_FALSE(BrowseForFolder(folder, owner, "Pick: "));
        UnhookWindowsHookEx(again);
        EXPECT_EQ(CancelledOwner, owner ? owner : main);
    }
    EXPECT_EQ(asked, 1);
    GHooks.MainFormWindow = nullptr;
    DestroyWindow(main);
    DestroyWindow(other);
}

}  // namespace
