// Popup menus: the Win32 menu built from the item tree, command dispatch,
// item images drawn for the menu, and one real popup under the display.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/Menus.h"
#include "testkit/PixelProbe.h"

namespace {

TMenuItem* NewItem(const std::string& Caption, std::vector<std::string>* Log = nullptr)
{
    auto* I = new TMenuItem(nullptr);
    I->SetCaption(Caption);
    if (Log)
        I->OnClick = [Log, Caption](TObject*) { Log->push_back(Caption); };
    return I;
}

struct TItemState {
    std::string Text;
    UINT Type, State, Id;
    bool Callback, Sub;
};

TItemState ReadItem(HMENU Menu, int Pos)
{
    char Buf[64] = {};
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_BITMAP | MIIM_SUBMENU;
    Info.dwTypeData = Buf;
    Info.cch = sizeof(Buf);
    GetMenuItemInfoA(Menu, static_cast<UINT>(Pos), TRUE, &Info);
    return {Buf, Info.fType, Info.fState, Info.wID, Info.hbmpItem == HBMMENU_CALLBACK, Info.hSubMenu != nullptr};
}

// Frees itself and counts how many of its kind are alive.
int PopupTicks = 0;

// The menu's own loop runs the timer: a key down to the first item and
// Enter choose it; a later tick ends a menu still open.
void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND MenuWnd = FindWindowA("#32768", nullptr);
    if (++PopupTicks == 1 && MenuWnd) {
        PostMessageA(MenuWnd, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(MenuWnd, WM_KEYDOWN, VK_RETURN, 0);
    } else if (PopupTicks > 5) {
        EndMenu();
    }
}

struct TCountedItem : TMenuItem {
    static inline int Alive = 0;
    TCountedItem() : TMenuItem(nullptr) { ++Alive; }
    ~TCountedItem() override { --Alive; }
};

} // namespace

TEST(PopupMenu, HandleShowsCaptionsStatesSeparatorsAndSubMenus)
{
    TPopupMenu M(nullptr);
    TImageList Images(nullptr, 8, 8);
    TBitmap Pic(16, 8);
    Images.AddMasked(&Pic, clFuchsia);
    M.SetImages(&Images);

    TMenuItem* Open = NewItem("&Open");
    Open->SetImageIndex(1);
    TMenuItem* Off = NewItem("Disabled");
    Off->SetEnabled(false);
    TMenuItem* Tick = NewItem("Ticked");
    Tick->SetChecked(true);
    TMenuItem* Hidden = NewItem("Hidden");
    Hidden->SetVisible(false);
    TMenuItem* NoImage = NewItem("Out of range");
    NoImage->SetImageIndex(5);
    TMenuItem* More = NewItem("More");
    More->Add(NewItem("Inner"));
    for (TMenuItem* I : {Open, Off, Tick, Hidden, NewItem("-"), NoImage, More})
        M.Items()->Add(I);

    HMENU H = M.BuildHandle();
    ASSERT_EQ(GetMenuItemCount(H), 6) << "the hidden item is left out";
    const struct { const char* Text; bool Separator; UINT State; bool Callback, Sub; } Want[] = {
        {"&Open", false, 0, true, false},        {"Disabled", false, MFS_DISABLED, false, false},
        {"Ticked", false, MFS_CHECKED, false, false}, {"", true, 0, false, false},
        {"Out of range", false, 0, false, false}, {"More", false, 0, false, true},
    };
    for (int I = 0; I < 6; ++I) {
        SCOPED_TRACE(I);
        const TItemState S = ReadItem(H, I);
        EXPECT_EQ(S.Text, Want[I].Text);
        EXPECT_EQ((S.Type & MFT_SEPARATOR) != 0, Want[I].Separator);
        EXPECT_EQ(S.State & (MFS_DISABLED | MFS_CHECKED), Want[I].State);
        EXPECT_EQ(S.Callback, Want[I].Callback);
        EXPECT_EQ(S.Sub, Want[I].Sub);
    }
    EXPECT_EQ(ReadItem(H, 0).Id, Open->Command());
    EXPECT_EQ(ReadItem(GetSubMenu(H, 5), 0).Text, "Inner");
    // A rebuild replaces the old handle.
    EXPECT_NE(M.BuildHandle(), nullptr);
    EXPECT_FALSE(IsMenu(H));
}

TEST(PopupMenu, CommandsReachTheirItemsAtAnyDepth)
{
    std::vector<std::string> Log;
    TPopupMenu M(nullptr);
    TMenuItem* A = NewItem("A", &Log);
    TMenuItem* Sub = NewItem("Sub", &Log);
    TMenuItem* Deep = NewItem("Deep", &Log);
    Sub->Add(Deep);
    M.Items()->Add(A);
    M.Items()->Add(Sub);
    EXPECT_NE(A->Command(), Deep->Command());
    EXPECT_TRUE(M.DispatchCommand(Deep->Command()));
    EXPECT_TRUE(M.DispatchCommand(A->Command()));
    EXPECT_FALSE(M.DispatchCommand(0));
    EXPECT_FALSE(M.DispatchCommand(M.Items()->Command()));
    TMenuItem Stranger(nullptr);
    EXPECT_FALSE(M.DispatchCommand(Stranger.Command()));
    EXPECT_EQ(Log, (std::vector<std::string>{"Deep", "A"}));
    EXPECT_EQ(Deep->GetParentMenu(), &M);
    EXPECT_EQ(Stranger.GetParentMenu(), nullptr);
}

TEST(PopupMenu, ItemsFreeTheirSubItemsAndLeaveTheirParent)
{
    TCountedItem::Alive = 0;
    auto* Root = new TCountedItem;
    auto* Child = new TCountedItem;
    auto* Grand = new TCountedItem;
    Child->Add(Grand);
    Root->Add(Child);
    Root->Add(new TCountedItem);
    EXPECT_EQ(TCountedItem::Alive, 4);
    EXPECT_THROW(Root->Add(Grand), EInvalidOperation);

    Grand->Free();
    EXPECT_EQ(Child->Count(), 0);
    Root->Delete(1);
    EXPECT_EQ(Root->Count(), 1);
    EXPECT_THROW(Root->Items(1), EListError);
    Root->Free();
    EXPECT_EQ(TCountedItem::Alive, 0);
}

TEST(PopupMenu, FreedImagesAndPopupComponentAreForgotten)
{
    TPopupMenu M(nullptr);
    auto* Images = new TImageList(nullptr);
    auto* Owner = new TComponent(nullptr);
    M.SetImages(Images);
    M.SetPopupComponent(Owner);
    Images->Free();
    Owner->Free();
    EXPECT_EQ(M.Images(), nullptr);
    EXPECT_EQ(M.PopupComponent(), nullptr);
}

TEST(PopupMenu, AlignmentPicksTheTrackFlags)
{
    TPopupMenu M(nullptr);
    const struct { TPopupAlignment A; UINT Flag; } Cases[] = {
        {paLeft, TPM_LEFTALIGN}, {paRight, TPM_RIGHTALIGN}, {paCenter, TPM_CENTERALIGN}};
    for (const auto& C : Cases) {
        M.SetAlignment(C.A);
        EXPECT_EQ(M.TrackFlags() & (TPM_RIGHTALIGN | TPM_CENTERALIGN), C.Flag) << int(C.A);
    }
}

TEST(PopupMenu, ItemImagesAreMeasuredAndDrawnFromTheList)
{
    TPopupMenu M(nullptr);
    TImageList Images(nullptr, 8, 8);
    TBitmap Pic(8, 8);
    Pic.Canvas()->Brush()->SetColor(clGreen);
    Pic.Canvas()->FillRect(TRect(0, 0, 8, 8));
    Images.AddMasked(&Pic, clFuchsia);
    M.SetImages(&Images);
    TMenuItem* I = NewItem("Pic");
    I->SetImageIndex(0);
    M.Items()->Add(I);

    MEASUREITEMSTRUCT Measure{};
    Measure.CtlType = ODT_MENU;
    Measure.itemID = I->Command();
    Measure.itemData = reinterpret_cast<ULONG_PTR>(I);
    ASSERT_TRUE(M.MeasureItem(Measure));
    EXPECT_GE(Measure.itemWidth, 8u);
    EXPECT_GE(Measure.itemHeight, 8u);

    TBitmap Out(20, 20);
    Out.Canvas()->Brush()->SetColor(clWhite);
    Out.Canvas()->FillRect(TRect(0, 0, 20, 20));
    DRAWITEMSTRUCT Draw{};
    Draw.CtlType = ODT_MENU;
    Draw.itemID = I->Command();
    Draw.hDC = Out.Canvas()->Handle();
    Draw.rcItem = TRect(0, 0, 20, 20);
    ASSERT_TRUE(M.DrawItem(Draw));
    GdiFlush();
    EXPECT_EQ(CountPixels(Out, TRect(6, 6, 14, 14), clGreen), 64) << "centred in the item's box";
    EXPECT_EQ(CountPixels(Out, TRect(0, 0, 20, 20), clGreen), 64);

    Draw.itemState = ODS_DISABLED;
    Out.Canvas()->FillRect(TRect(0, 0, 20, 20));
    M.DrawItem(Draw);
    GdiFlush();
    EXPECT_EQ(CountPixels(Out, TRect(0, 0, 20, 20), clGreen), 0);

    Draw.itemID = 0xFFFF0;
    EXPECT_FALSE(M.DrawItem(Draw));
}

TEST(PopupMenu, RealPopupRunsOnPopupAndTheChosenItem)
{
    std::vector<std::string> Log;
    TPopupMenu M(nullptr);
    M.Items()->Add(NewItem("First", &Log));
    M.Items()->Add(NewItem("Second", &Log));
    M.OnPopup = [&](TObject*) { Log.push_back("popup"); };
    PopupTicks = 0;
    UINT_PTR Timer = SetTimer(nullptr, 0, 10, DriveMenu);
    M.Popup(100, 100);
    KillTimer(nullptr, Timer);
    ASSERT_FALSE(Log.empty());
    EXPECT_EQ(Log[0], "popup");
    EXPECT_EQ(Log, (std::vector<std::string>{"popup", "First"}));
    EXPECT_NE(MenuFont()->Height(), 0);
}
