#include "classlib/Dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// What the box on the screen looked like; filled from a timer that fires
// inside the box's own message loop, then presses Answer.
struct TSeenBox {
    std::string Caption;
    RECT Rect{};
    std::vector<int> Buttons;
    int Answer = IDOK;
};
TSeenBox* Seen = nullptr;

BOOL CALLBACK CollectButton(HWND Child, LPARAM)
{
    char Class[32] = {};
    GetClassNameA(Child, Class, sizeof Class);
    if (lstrcmpiA(Class, "Button") == 0 && IsWindowVisible(Child))
        Seen->Buttons.push_back(GetDlgCtrlID(Child));
    return TRUE;
}

void CALLBACK Inspect(HWND, UINT, UINT_PTR Id, DWORD)
{
    const HWND Box = GetActiveWindow();
    char Class[32] = {};
    GetClassNameA(Box, Class, sizeof Class);
    if (!Box || lstrcmpA(Class, "#32770") != 0)
        return; // not up yet: the next tick looks again
    KillTimer(nullptr, Id);
    char Text[256] = {};
    GetWindowTextA(Box, Text, sizeof Text);
    Seen->Caption = Text;
    GetWindowRect(Box, &Seen->Rect);
    EnumChildWindows(Box, CollectButton, 0);
    PostMessageA(Box, WM_COMMAND, MAKEWPARAM(Seen->Answer, BN_CLICKED), 0);
}

TModalResult Show(const TMessageDlgRequest& R, TSeenBox& Box)
{
    Seen = &Box;
    SetTimer(nullptr, 0, 1, Inspect);
    const TModalResult Result = MessageDlg(R);
    Seen = nullptr;
    return Result;
}

// Counts the dialog starts a hook of the thread's own hears.
int HeardStarts = 0;
LRESULT CALLBACK HearStart(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION && WParam && reinterpret_cast<const CWPRETSTRUCT*>(LParam)->message == WM_INITDIALOG)
        ++HeardStarts;
    return CallNextHookEx(nullptr, Code, WParam, LParam);
}

} // namespace

TEST(MessageDialog, ButtonsCaptionPositionAndResult)
{
    struct {
        TMsgDlgType Type;
        TMsgDlgButtons Buttons;
        std::vector<int> Ids;
        int Answer;
        const char* Caption;
    } Cases[] = {
        {mtWarning, mbOKOnly, {IDOK}, IDOK, "Warning"},
        {mtConfirmation, mbYesNo, {IDYES, IDNO}, IDNO, "Confirm"},
        {mtConfirmation, mbYesNoCancel, {IDYES, IDNO, IDCANCEL}, IDCANCEL, "Confirm"},
        {mtError, mbOKCancel, {IDOK, IDCANCEL}, IDOK, "Error"},
        {mtInformation, mbAbortRetryIgnore, {IDABORT, IDRETRY, IDIGNORE}, IDRETRY, "Information"},
    };
    for (auto& C : Cases) {
        TSeenBox Box;
        Box.Answer = C.Answer;
        TMessageDlgRequest R;
        R.Msg = "Go on?";
        R.DlgType = C.Type;
        R.Buttons = C.Buttons;
        EXPECT_EQ(Show(R, Box), C.Answer) << C.Caption;
        EXPECT_EQ(Box.Caption, C.Caption);
        std::vector<int> Got = Box.Buttons;
        std::sort(Got.begin(), Got.end());
        std::vector<int> Want = C.Ids;
        std::sort(Want.begin(), Want.end());
        EXPECT_EQ(Got, Want) << C.Caption;
    }
    // A hook the thread had before the box still hears the box's start, as
    // the system hands it on: placing the box passes every call along.
    HeardStarts = 0;
    const HHOOK Earlier = SetWindowsHookExA(WH_CALLWNDPROCRET, HearStart, nullptr, GetCurrentThreadId());
    ASSERT_NE(Earlier, nullptr);
    TSeenBox Box;
    TMessageDlgRequest R;
    R.Msg = "Placed";
    R.Caption = "Own caption";
    R.X = 40;
    R.Y = 60;
    EXPECT_EQ(Show(R, Box), mrOk);
    UnhookWindowsHookEx(Earlier);
    EXPECT_EQ(Box.Caption, "Own caption");
    EXPECT_EQ(Box.Rect.left, 40);
    EXPECT_EQ(Box.Rect.top, 60);
    EXPECT_EQ(HeardStarts, 1);
}

TEST(MessageDialog, SeamTakesEveryRequest)
{
    std::vector<TMessageDlgRequest> Got;
    TMessageDlgHook Old = SetMessageDlgHook([&](const TMessageDlgRequest& R) {
        Got.push_back(R);
        return mrYes;
    });
    EXPECT_EQ(MessageDlg("Delete?", mtConfirmation, mbYesNo, 42), mrYes);
    EXPECT_EQ(MessageDlgPos("At", mtError, mbOKOnly, 0, 5, 6), mrYes);
    SetMessageDlgHook(std::move(Old));
    ASSERT_EQ(Got.size(), 2u);
    EXPECT_EQ(Got[0].Msg, "Delete?");
    EXPECT_EQ(Got[0].HelpCtx, 42);
    EXPECT_EQ(Got[0].Buttons, mbYesNo);
    EXPECT_EQ(Got[0].X, -1);
    EXPECT_EQ(Got[1].DlgType, mtError);
    EXPECT_EQ(Got[1].X, 5);
    EXPECT_EQ(Got[1].Y, 6);
    EXPECT_EQ(MessageDlgCaption(mtWarning), "Warning");
}
