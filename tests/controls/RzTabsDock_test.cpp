// Forms docked into a page control: each gets a page named after it, the
// page follows the form's caption and visibility, and a double click on
// its tab undocks it again.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/Forms.h"
#include "controls/RzTabs.h"
#include "tests/controls/RzFormKit.h"

namespace {

struct TDockRig {
    std::unique_ptr<TForm, TObjectFree> Form;
    TRzPageControl* PC = nullptr;
    TRzTabSheet* First = nullptr;

    TDockRig() : Form(NewTestForm(400, 260))
    {
        PC = new TRzPageControl(Form.get());
        PC->SetParent(Form.get());
        PC->SetBounds(0, 0, 400, 260);
        PC->SetDockSite(true);
        First = new TRzTabSheet(Form.get());
        First->SetCaption("Settings");
        First->SetPageControl(PC);
        Form->Show();
        PC->SetActivePage(First);
        Application->ProcessMessages();
    }
};

TForm* DockableForm(const std::string& Caption, bool Visible)
{
    auto F = new TForm(nullptr);
    F->SetBorderStyle(bsNone);
    F->SetBounds(500, 0, 120, 80);
    F->SetCaption(Caption);
    F->SetVisible(Visible);
    return F;
}

} // namespace

TEST(RzPageControlDock, ManualDockOfAFormCreatesAPageForIt)
{
    TDockRig R;
    std::unique_ptr<TForm, TObjectFree> Inbox(DockableForm("Inbox\r\nsecond line", true));
    Inbox->ManualDock(R.PC);
    Application->ProcessMessages();
    ASSERT_EQ(R.PC->PageCount(), 2);
    TRzTabSheet* Page = R.PC->Pages(1);
    EXPECT_EQ(Page->Caption(), "Inbox") << "cut before the line break";
    EXPECT_EQ(R.PC->ActivePage(), Page);
    EXPECT_EQ(R.PC->TabIndex(), 1);
    EXPECT_EQ(Inbox->Parent(), Page);
    EXPECT_EQ(Inbox->HostDockSite(), R.PC);
    EXPECT_EQ(Inbox->Align(), alClient);
    EXPECT_EQ(R.PC->PageOfClient(Inbox.get()), Page);
    // A real child window filling the page.
    EXPECT_EQ(GetParent(Inbox->Handle()), Page->Handle());
    EXPECT_EQ(Inbox->Width(), Page->ClientWidth());
    EXPECT_TRUE(IsWindowVisible(Inbox->Handle()));

    // The page follows the form's caption and visibility.
    Inbox->SetCaption("Sent");
    EXPECT_EQ(Page->Caption(), "Sent");
    EXPECT_EQ((*R.PC->Tabs())[1]->Caption, "Sent");
    Inbox->SetVisible(false);
    EXPECT_FALSE(Page->TabVisible());
    Inbox->SetVisible(true);
    EXPECT_TRUE(Page->TabVisible());

    // Docking it again makes no second page.
    R.PC->Perform(CM_DOCKCLIENT, reinterpret_cast<WPARAM>(Inbox.get()), 0);
    EXPECT_EQ(R.PC->PageCount(), 2);
}

TEST(RzPageControlDock, AHiddenFormDocksWithAHiddenTabAndKeepsTheActivePage)
{
    TDockRig R;
    std::unique_ptr<TForm, TObjectFree> Log(DockableForm("Log", false));
    Log->ManualDock(R.PC);
    ASSERT_EQ(R.PC->PageCount(), 2);
    EXPECT_FALSE(R.PC->Pages(1)->TabVisible());
    EXPECT_EQ(R.PC->ActivePage(), R.First);
}

TEST(RzPageControlDock, DoubleClickOnTheTabUndocksTheForm)
{
    TDockRig R;
    std::unique_ptr<TForm, TObjectFree> Inbox(DockableForm("Inbox", true));
    Inbox->ManualDock(R.PC);
    Application->ProcessMessages();
    ASSERT_EQ(R.PC->PageCount(), 2);
    const TRect T = R.PC->TabDeviceRect(1);
    const TPoint Mid((T.left + T.right) / 2, (T.top + T.bottom) / 2);
    const TPoint S = R.PC->ClientToScreen(Mid);
    SetCursorPos(S.x, S.y);
    SendMessageA(R.PC->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(Mid.x, Mid.y));
    SendMessageA(R.PC->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(Mid.x, Mid.y));
    Application->ProcessMessages();
    EXPECT_EQ(Inbox->HostDockSite(), nullptr);
    EXPECT_NE(Inbox->Parent(), nullptr) << "floats in a tool window of its own";
    EXPECT_EQ(Inbox->Align(), alClient);
    ASSERT_EQ(R.PC->PageCount(), 1) << "its page went with it";
    EXPECT_EQ(R.PC->ActivePage(), R.First);
    EXPECT_EQ(R.PC->TabIndex(), 0);

    // With DblClickUndocks off the double click leaves a docked form be.
    std::unique_ptr<TForm, TObjectFree> Outbox(DockableForm("Outbox", true));
    Outbox->ManualDock(R.PC);
    Application->ProcessMessages();
    R.PC->SetDblClickUndocks(false);
    SendMessageA(R.PC->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(Mid.x, Mid.y));
    SendMessageA(R.PC->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(Mid.x, Mid.y));
    EXPECT_EQ(Outbox->HostDockSite(), R.PC);
    EXPECT_EQ(R.PC->PageCount(), 2);
}

TEST(RzPageControlDock, APressOnADockedFormsTabStartsDraggingTheForm)
{
    TDockRig R;
    std::unique_ptr<TForm, TObjectFree> Inbox(DockableForm("Inbox", true));
    Inbox->ManualDock(R.PC);
    Application->ProcessMessages();
    // A plain page's tab drags nothing.
    const TRect P0 = R.PC->TabDeviceRect(0);
    SendMessageA(R.PC->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((P0.left + P0.right) / 2, P0.top + 5));
    SendMessageA(R.PC->Handle(), WM_LBUTTONUP, 0, MAKELPARAM((P0.left + P0.right) / 2, P0.top + 5));
    EXPECT_EQ(TControl::DragSource(), nullptr);
    const TRect T = R.PC->TabDeviceRect(1);
    SendMessageA(R.PC->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((T.left + T.right) / 2, T.top + 5));
    EXPECT_EQ(TControl::DragSource(), Inbox.get());
    EXPECT_EQ(R.PC->ActivePage(), R.PC->Pages(1));
    TControl::EndDragging(false);
    EXPECT_EQ(Inbox->HostDockSite(), R.PC) << "a cancelled drag leaves it docked";
    ReleaseCapture();
}
