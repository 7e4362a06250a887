// The shell list holds back every kind of refresh, not only a change
// notice, while its context menu or its own drag is up: a list rebuilt
// under an open menu or a running drag frees the items they work on.
#include <functional>

#include "tests/shell/ShellCtrlsTestSupport.h"

using namespace shell_test;

namespace {

class TDeferList : public TRzShellList {
public:
    using TRzShellList::TRzShellList;
    void ShowMenu() { ShowShellMenu(ClientToScreen(TPoint(5, 5))); }
    void DevicesChanged() { DeviceChange(ShellDeviceArrival, 0); }
    TComPtr<IDropSource> CreateDropSource(bool) override
    {
        return TComPtr<IDropSource>::AddRefOf(new TScriptedSource(Script));
    }
    void FindDropTarget(TPoint P, TListItem*& Item, TComPtr<IDropTarget>& Target) override
    {
        TRzShellList::FindDropTarget(P, Item, Target);
        Target = TComPtr<IDropTarget>::AddRefOf(Fake);
    }
    std::vector<POINT> Script;
    TFakeDropTarget* Fake = nullptr;
};

// Runs During once the drag has reached the list's background.
class TDuringDrop : public TFakeDropTarget {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* D, DWORD K, POINTL P, DWORD* Effect) override
    {
        if (During)
            std::exchange(During, nullptr)();
        return TFakeDropTarget::DragEnter(D, K, P, Effect);
    }
    std::function<void()> During;
};

enum class TTrigger { Timer, DeviceChange };
enum class TInteraction { Menu, Drag };

struct TShellListDeferTest : TViewsForm {
    TTestFolder Dir{"shdefer"};
    std::unique_ptr<TDeferList> List;
    int FillStarts = 0;

    void MakeList(const TRzShellLocator& Folder)
    {
        List = std::make_unique<TDeferList>(&Form);
        List->SetParent(&Form);
        List->SetBounds(0, 0, 500, 300);
        List->SetViewStyle(vsReport);
        List->SetOptions(DefaultShellListOptions & ~sloDynamicRefresh);
        List->OnFillStart = [this](TObject*) { ++FillStarts; };
        List->HandleNeeded();
        List->SetFolder(&Folder);
        ShowWithoutActivating();
        ASSERT_GT(List->ItemCount(), 0);
        List->Item(0)->SetSelected(true);
        List->Item(0)->SetFocused(true);
    }
    // Runs the interaction with During called while it is up.
    void Interact(TInteraction How, std::function<void()> During)
    {
        if (How == TInteraction::Menu) {
            auto Old = SetTrackPopupHook([&](HMENU, int, int) -> UINT {
                During();
                return 0;
            });
            List->ShowMenu();
            SetTrackPopupHook(Old);
            return;
        }
        auto* Target = new TDuringDrop;
        TComPtr<IDropTarget> Hold = TComPtr<IDropTarget>::AddRefOf(Target);
        Target->Accept = DROPEFFECT_NONE;
        Target->During = During;
        List->Fake = Target;
        const TPoint From = List->ClientToScreen(TPoint(5, 5)), To = List->ClientToScreen(TPoint(250, 250));
        List->Script = {{From.x, From.y}, {To.x, To.y}, {To.x, To.y}};
        SetCursorPos(From.x, From.y);
        List->StartOleDrag(true);  // the left button would offer its own background nothing
        List->Fake = nullptr;
    }
};

TEST_F(TShellListDeferTest, ATimerOrDeviceRefreshWaitsForTheMenuOrDragToEnd)
{
    Dir.Write("first.mbx", "x");
    struct TCase {
        TTrigger Trigger;
        TInteraction How;
    };
    const TCase Cases[] = {
        {TTrigger::Timer, TInteraction::Menu},
        {TTrigger::Timer, TInteraction::Drag},
        // A drive offers no drag, so a device change is tried under a menu.
        {TTrigger::DeviceChange, TInteraction::Menu},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(::testing::Message() << (C.Trigger == TTrigger::Timer ? "timer" : "device change") << " during a "
                                          << (C.How == TInteraction::Menu ? "menu" : "drag"));
        // A device change refills only the folder that shows the drives.
        TRzShellLocator Folder;
        if (C.Trigger == TTrigger::Timer)
            Folder.SetPathName(Dir.Path());
        else
            Folder.SetSpecialFolder(csidlDrives);
        MakeList(Folder);
        const std::string Added = Dir.File(C.How == TInteraction::Menu ? "menu.mbx" : "drag.mbx");
        bool Ran = false, Held = false;
        Interact(C.How, [&] {
            Ran = true;
            const int Before = FillStarts;
            if (C.Trigger == TTrigger::Timer) {
                TTestFolder::Put(Added, "y");
                List->ChangeTimer()->OnTimer(List->ChangeTimer());
            } else {
                List->DevicesChanged();
            }
            Held = List->InInteraction() && List->RefreshPending() && FillStarts == Before;
        });
        EXPECT_TRUE(Ran);
        EXPECT_TRUE(Held);
        EXPECT_FALSE(List->RefreshPending()) << "the held refresh runs when the interaction ends";
        if (C.Trigger == TTrigger::Timer) {
            bool Listed = false;
            for (int I = 0; I < List->ItemCount(); ++I)
                Listed |= List->ItemData(I)->Path() == Added;
            EXPECT_TRUE(Listed) << Added;
        }
    }
}

}  // namespace
