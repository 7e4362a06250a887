#include "foundation/KvFolderDlg.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

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

// The first visible dialog window of the process named in the pair.
BOOL CALLBACK FindOwnDialog(HWND Window, LPARAM Probe)
{
    auto* out = reinterpret_cast<std::pair<DWORD, HWND>*>(Probe);
    DWORD owner = 0;
    GetWindowThreadProcessId(Window, &owner);
    char cls[32] = {};
    GetClassNameA(Window, cls, sizeof(cls));
    if (owner == out->first && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(Window)) {
        out->second = Window;
        return FALSE;
    }
    return TRUE;
}

// Opens the real browser and cancels it from another thread once it shows.
TEST(KvFolderDlg, CancelLeavesTheFolderAlone)
{
    std::atomic<bool> seen{false};
    std::atomic<bool> stop{false};
    const DWORD pid = GetCurrentProcessId();
    std::thread canceller([&] {
        for (int i = 0; i < 1500 && !stop; ++i) {
            HWND found = nullptr;
            std::pair<DWORD, HWND> probe(pid, nullptr);
            EnumWindows(&FindOwnDialog,
                reinterpret_cast<LPARAM>(&probe));
            found = probe.second;
            if (found) {
                seen = true;
                PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            Sleep(20);
        }
    });
    std::string folder = "C:\\windows\\*.ini";
    const bool chosen = BrowseForFolder(folder, nullptr, "Pick: ");
    stop = true;
    canceller.join();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(folder, "C:\\windows\\*.ini");
}

}  // namespace
