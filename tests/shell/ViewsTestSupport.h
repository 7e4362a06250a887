#pragma once
// Shared by the framed list and tree view tests: a shown form, test
// subclasses, captures kept in the build folder, and a message pump.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "classlib/Forms.h"
#include "shell/RzListVw.h"
#include "shell/RzTreeVw.h"
#include "testkit/PixelProbe.h"

namespace views_test {

class TListView : public TRzCustomListView {
public:
    using TRzCustomListView::TRzCustomListView;
    TRzFileVersion Version = ComCtlVersion();
    using TRzCustomListView::UpdateItemHint;

protected:
    TRzFileVersion CommonControlsVersion() const override { return Version; }
};

class TTreeView : public TRzCustomTreeView {
public:
    using TRzCustomTreeView::TRzCustomTreeView;
};

// Captures go beside the test program, in the build folder.
inline std::string CapturePath(const std::string& Name)
{
    char Exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Exe, MAX_PATH);
    std::string Dir(Exe);
    Dir = Dir.substr(0, Dir.find_last_of('\\')) + "\\captures";
    CreateDirectoryA(Dir.c_str(), nullptr);
    return Dir + "\\" + Name;
}

// What the window shows on the screen, frame included.
inline void CaptureWindow(HWND W, TBitmap& B)
{
    RECT R{};
    GetWindowRect(W, &R);
    B.SetSize(R.right - R.left, R.bottom - R.top);
    const HDC DC = GetWindowDC(W);
    BitBlt(B.Canvas()->Handle(), 0, 0, B.Width(), B.Height(), DC, 0, 0, SRCCOPY);
    ReleaseDC(W, DC);
}

inline void Pump()
{
    MSG M;
    while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&M);
        DispatchMessageA(&M);
    }
}

// The form stays hidden unless a test must read the screen: test programs
// share one display, and a shown window can disturb another program's
// focus test.
struct TViewsForm : ::testing::Test {
    TForm Form{nullptr};
    void SetUp() override
    {
        Form.SetBounds(10, 10, 600, 400);
        Form.HandleNeeded();
    }
    void ShowWithoutActivating()
    {
        ShowWindow(Form.Handle(), SW_SHOWNOACTIVATE);
        Pump();
    }
    void TearDown() override { TThemeServices::SetThemingDisabled(false); }
};

inline int HeaderFormat(HWND Header, int Index)
{
    HDITEMA I{};
    I.mask = HDI_FORMAT;
    SendMessageA(Header, HDM_GETITEMA, Index, reinterpret_cast<LPARAM>(&I));
    return I.fmt;
}

} // namespace views_test
