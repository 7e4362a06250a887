// Dragging between controls: the threshold, drag-over and drop, Esc, a lost
// capture, and the end event that always comes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

class TTile : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
};

struct TDragRig {
    TOwn<TForm> Form;
    TTile* Source;
    TTile* Target;
    std::vector<std::string> Log;
    TObject* EndTarget = reinterpret_cast<TObject*>(1);
    int Ends = 0;

    TDragRig()
    {
        Application->ShowErrorBoxes = false;
        Form.reset(new TForm(nullptr));
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 200, 100);
        Source = new TTile(Form.get());
        Source->SetParent(Form.get());
        Source->SetBounds(10, 10, 40, 40);
        Target = new TTile(Form.get());
        Target->SetParent(Form.get());
        Target->SetBounds(100, 10, 40, 40);
        Target->OnDragOver = [this](TObject*, TObject* S, int X, int Y, TDragState State, bool& Accept) {
            static const char* Names[] = {"enter", "leave", "move"};
            Log.push_back(std::string(Names[State]) + " " + std::to_string(X) + "," + std::to_string(Y));
            Accept = S == Source;
        };
        Target->OnDragDrop = [this](TObject*, TObject* S, int X, int Y) {
            Log.push_back((S == Source ? "drop " : "drop? ") + std::to_string(X) + "," + std::to_string(Y));
        };
        Source->OnEndDrag = [this](TObject*, TObject* T, int, int) {
            EndTarget = T;
            ++Ends;
        };
        Form->Show();
        UpdateWindow(Form->Handle());
        const TPoint O = Form->ClientToScreen(TPoint(20, 20));
        SetCursorPos(O.x, O.y);
    }
    void Move(int X, int Y) { SendMessageA(Form->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(X, Y)); }
    void Up(int X, int Y) { SendMessageA(Form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(X, Y)); }
};

} // namespace

TEST(ControlsDrag, ThresholdOverAndDrop)
{
    TDragRig R;
    R.Source->BeginDrag(false, 5);
    EXPECT_TRUE(R.Source->Dragging());
    R.Move(22, 22); // under the threshold: nothing yet
    EXPECT_TRUE(R.Log.empty());
    R.Move(110, 20);
    R.Move(112, 22);
    R.Up(112, 22);
    const std::vector<std::string> Want = {"enter 10,10", "move 12,12", "move 12,12", "drop 12,12"};
    EXPECT_EQ(R.Log, Want);
    EXPECT_EQ(R.Ends, 1);
    EXPECT_EQ(R.EndTarget, R.Target);
    EXPECT_FALSE(R.Source->Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(ControlsDrag, EscLostCaptureAndRefusalEndWithoutATarget)
{
    for (int How = 0; How < 3; ++How) {
        SCOPED_TRACE(How);
        TDragRig R;
        TOwn<TForm> Other(new TForm(nullptr));
        Other->SetBorderStyle(bsNone);
        Other->HandleNeeded();
        if (How == 2)
            R.Target->OnDragOver = nullptr; // nobody accepts
        R.Source->BeginDrag(true);
        R.Move(110, 20);
        switch (How) {
        case 0: {
            MSG M{R.Form->Handle(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
            EXPECT_TRUE(Application->IsKeyMsg(M));
            break;
        }
        case 1: SetCapture(Other->Handle()); break;
        default: R.Up(110, 20); break;
        }
        EXPECT_EQ(R.Ends, 1);
        EXPECT_EQ(R.EndTarget, nullptr);
        EXPECT_FALSE(R.Source->Dragging());
        for (const std::string& L : R.Log)
            EXPECT_EQ(L.rfind("drop", 0), std::string::npos) << L;
        if (How == 1) {
            EXPECT_EQ(GetCapture(), Other->Handle()); // kept by the window that took it
        }
        ReleaseCapture();
        // A button-up after the end drops nothing.
        R.Up(110, 20);
        EXPECT_EQ(R.Ends, 1);
    }
}

TEST(ControlsDock, ADockSiteMakesItsManagerOnDemandAndDropsItWhenItStops)
{
    TForm F(nullptr);
    auto P = new TPanel(&F);
    P->SetParent(&F);
    P->SetUseDockManager(true);
    EXPECT_EQ(P->DockManager(), nullptr) << "not a dock site yet";
    P->SetDockSite(true);
    TDockManager* M = P->DockManager();
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(P->DockManager(), M);
    P->SetDockSite(false);
    EXPECT_EQ(P->DockManager(), nullptr);
    P->SetDockSite(true);
    ASSERT_NE(P->DockManager(), nullptr);
    P->SetUseDockManager(false);
    EXPECT_EQ(P->DockManager(), nullptr);
}
