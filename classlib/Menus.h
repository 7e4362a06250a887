#pragma once
// Menu items and popup menus over Win32 menus. A menu's handle is built from
// its item tree in one step of its own (BuildHandle); Popup tracks it and
// hands the chosen command to the item's OnClick.
#include <windows.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/Messages.h"

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    void BeforeDestruction() override;

    // "-" makes a separator.
    std::string Caption() const { return FCaption; }
    void SetCaption(const std::string& Value) { FCaption = Value; }
    bool IsLine() const { return FCaption == "-"; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    // An image of the menu's Images; -1 for none.
    TImageIndex ImageIndex() const { return FImageIndex; }
    void SetImageIndex(TImageIndex Value) { FImageIndex = Value; }
    std::string Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }

    // The WM_COMMAND identifier, unique in the process.
    UINT Command() const { return FCommand; }

    // Sub-items; an item frees the sub-items it holds.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* Item);
    void Delete(int Index);
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    TMenuItem* Parent() const { return FParent; }
    // The menu whose tree holds this item, or null.
    TMenu* GetParentMenu() const;
    // The item of this tree with the given command, or null.
    TMenuItem* FindByCommand(UINT ACommand);

    virtual void Click();
    TNotifyEvent OnClick;

private:
    friend class TMenu;
    std::string FCaption;
    bool FEnabled = true;
    bool FChecked = false;
    bool FVisible = true;
    TImageIndex FImageIndex = -1;
    std::string FHint;
    UINT FCommand = 0;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr; // set on a menu's root item only
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    TMenuItem* Items() const { return FItems; }
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);

    // A new Win32 menu for the visible items; the menu owns it until the
    // next build or its own end.
    HMENU BuildHandle();
    HMENU Handle() const { return FHandle; }
    // Runs the OnClick of the item with this command; false when none has it.
    bool DispatchCommand(UINT ACommand);

    // Owner-drawn item images (WM_MEASUREITEM / WM_DRAWITEM of the window
    // that tracks the menu); true when the item was one of ours.
    bool MeasureItem(MEASUREITEMSTRUCT& Measure);
    bool DrawItem(const DRAWITEMSTRUCT& Draw);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void FreeHandle();
    void AppendItems(HMENU Menu, TMenuItem* Parent);

    TMenuItem* FItems;
    TCustomImageList* FImages = nullptr;
    HMENU FHandle = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    // The control the menu was last popped for; cleared when it goes.
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* Value);

    // Shows the menu at the screen point (aligned by Alignment) and returns
    // when it closes, after the chosen item's OnClick has run.
    virtual void Popup(int X, int Y);
    // TrackPopupMenu flags for the alignment.
    UINT TrackFlags() const;

    TNotifyEvent OnPopup;

protected:
    virtual void DoPopup(TObject* Sender);
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void WindowProc(TMessage& Message);

    TPopupAlignment FAlignment = paLeft;
    bool FAutoPopup = true;
    TComponent* FPopupComponent = nullptr;
    HWND FWindow = nullptr;
};

// The system's menu font (non-client metrics), read on first use.
const TFont* MenuFont();

// Keyboard shortcuts: a virtual key with modifier bits.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
TShortCut ShortCut(WORD Key, unsigned Shift);
// "Shift+Ctrl+F5"; keys without a name give "#" and the whole value.
std::string ShortCutToText(TShortCut ShortCut);
// The reverse, any case, "^" for "Ctrl+"; 0 when no key has the name.
TShortCut TextToShortCut(const std::string& Text);
