#pragma once
// The common-control list view and tree view, and the subclassing of a
// window the class library did not create (a list view's header).
//
// Items and nodes are objects of ours; the control asks for their texts and
// images through callbacks, so a window can be recreated from them.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"

// ---------------------------------------------------------------------------
// TWindowSubclass: a foreign window's procedure replaced for a while
// ---------------------------------------------------------------------------

// The handler sees every message first and calls Default for the window's
// own procedure. The old procedure comes back on Detach, on destruction and
// when the window is destroyed.
class TWindowSubclass {
public:
    using THandler = std::function<LRESULT(UINT Msg, WPARAM WParam, LPARAM LParam)>;
    TWindowSubclass() = default;
    ~TWindowSubclass() { Detach(); }
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;

    void Attach(HWND Window, THandler Handler);
    void Detach();
    HWND Window() const { return FWindow; }
    bool Attached() const { return FWindow != nullptr; }
    LRESULT Default(UINT Msg, WPARAM WParam, LPARAM LParam);

private:
    static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    HWND FWindow = nullptr;
    WNDPROC FOldProc = nullptr;
    THandler FHandler;
};

enum TCustomDrawTarget { dtControl, dtItem, dtSubItem };
enum TCustomDrawStage { cdPrePaint, cdPostPaint, cdPreErase, cdPostErase };
using TCustomDrawState = UINT; // CDIS_ bits
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

// ---------------------------------------------------------------------------
// List view
// ---------------------------------------------------------------------------

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

class TCustomListView;

class TListColumn {
public:
    std::string Caption;
    int Width = 50;
    TAlignment Alignment = taLeftJustify;
    TImageIndex ImageIndex = -1;
};

class TListItem {
public:
    explicit TListItem(TCustomListView* AOwner) : FOwner(AOwner) {}
    TCustomListView* Owner() const { return FOwner; }
    std::string Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    std::vector<std::string>& SubItems() { return FSubItems; }
    TImageIndex ImageIndex() const { return FImageIndex; }
    void SetImageIndex(TImageIndex Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    int Index() const;
    bool Selected() const;
    void SetSelected(bool Value);
    bool Focused() const;
    void SetFocused(bool Value);
    TRect DisplayRect(TDisplayCode Code) const;
    // Redraws the item from its data.
    void Update();
    bool EditCaption();

private:
    friend class TCustomListView;
    TCustomListView* FOwner;
    std::string FCaption;
    std::vector<std::string> FSubItems;
    TImageIndex FImageIndex = -1;
    void* FData = nullptr;
};

using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, int Data, int& Compare)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVCustomDrawItemEvent =
    std::function<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

class TCustomListView : public TWinControl {
public:
    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;
    void WndProc(TMessage& Message) override;

    // Columns (report view).
    TListColumn* AddColumn(const std::string& Caption, int Width, TAlignment Alignment = taLeftJustify);
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    TListColumn* Column(int Index) const { return FColumns.at(static_cast<size_t>(Index)).get(); }
    // The width the control shows (the column's own while no window).
    int ColumnWidth(int Index) const;
    void SetColumnWidth(int Index, int Width);
    void ClearColumns();

    // Items, in the order the control shows them.
    TListItem* AddItem(const std::string& Caption, void* Data = nullptr);
    int ItemCount() const { return static_cast<int>(FItems.size()); }
    TListItem* Item(int Index) const { return FItems.at(static_cast<size_t>(Index)).get(); }
    int IndexOfItem(const TListItem* Item) const;
    void DeleteItem(int Index);
    void ClearItems();
    void BeginUpdate();
    void EndUpdate();
    TListItem* Selected() const;
    TListItem* ItemFocused() const;
    TListItem* GetItemAt(int X, int Y) const;

    TViewStyle ViewStyle() const { return FViewStyle; }
    virtual void SetViewStyle(TViewStyle Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool ShowItemHints() const { return FShowItemHints; }
    void SetShowItemHints(bool Value) { FShowItemHints = Value; }
    // Lists the shell shares keep: ShareImages lists are never destroyed.
    TCustomImageList* SmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList* Value);
    TCustomImageList* LargeImages() const { return FLargeImages; }
    void SetLargeImages(TCustomImageList* Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);

    // Sorts by OnCompare (or CompareItems); false without a window.
    bool CustomSort();
    // The comparison the sort callback reaches.
    int CompareItemsFor(TListItem* Item1, TListItem* Item2);
    HWND HeaderHandle() const;
    // The canvas custom drawing paints with.
    TCanvas* Canvas() const { return FCanvas.get(); }

    TLVCompareEvent OnCompare;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVCustomDrawItemEvent OnCustomDrawItem;
    TLVColumnClickEvent OnColumnClick;
    TLVSelectItemEvent OnSelectItem;
    TContextPopupEvent OnContextPopup;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The CN_NOTIFY of the control; true when handled.
    virtual bool HandleNotify(NMHDR* Header, LRESULT& Result);
    virtual bool CanEdit(TListItem* Item);
    virtual void Edit(TListItem* Item, std::string& S);
    // Each item about to go.
    virtual void Delete(TListItem*) {}
    virtual int CompareItems(TListItem* Item1, TListItem* Item2);
    virtual bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage);
    // False suppresses the default drawing.
    virtual bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage);
    virtual void ColClick(TListColumn* Column);
    // WM_CONTEXTMENU: OnContextPopup, then the popup menu; MousePos in
    // client coordinates ((-1, -1) from the keyboard).
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    virtual void HeaderCreated(HWND) {}
    virtual std::string ItemHintText(TListItem* Item);
    void ApplyImageLists();

private:
    friend class TListItem;
    bool StoreAndRecreate(bool& Field, bool Value);
    void InsertColumnWindow(int Index);
    void InsertItemWindow(int Index);
    void SyncOrderFromWindow();
    void ImagesChanged(TObject*);
    LRESULT CustomDraw(NMLVCUSTOMDRAW* Draw);

    std::vector<std::unique_ptr<TListColumn>> FColumns;
    std::vector<std::unique_ptr<TListItem>> FItems;
    TViewStyle FViewStyle = vsIcon;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FMultiSelect = false;
    bool FRowSelect = false;
    bool FShowItemHints = false;
    int FUpdateCount = 0;
    TCustomImageList* FSmallImages = nullptr;
    TCustomImageList* FLargeImages = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    TChangeLink FImageLink;
    std::unique_ptr<TCanvas> FCanvas;
    std::vector<char> FTextBuf;
};

// ---------------------------------------------------------------------------
// Tree view
// ---------------------------------------------------------------------------

class TCustomTreeView;

class TTreeNode {
public:
    TTreeNode(TCustomTreeView* AOwner, TTreeNode* AParent) : FOwner(AOwner), FParent(AParent) {}
    TCustomTreeView* Owner() const { return FOwner; }
    TTreeNode* Parent() const { return FParent; }
    HTREEITEM ItemId() const { return FItem; }
    std::string Text() const { return FText; }
    void SetText(const std::string& Value);
    TImageIndex ImageIndex() const { return FImageIndex; }
    void SetImageIndex(TImageIndex Value);
    TImageIndex SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(TImageIndex Value);
    // -1 draws no overlay.
    TImageIndex OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(TImageIndex Value);
    // Drawn ghosted, as items about to be cut or hidden.
    bool Cut() const { return FCut; }
    void SetCut(bool Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    // Shows an expand button before the children are there (lazy nodes).
    bool HasChildren() const { return FHasChildren || !FChildren.empty(); }
    void SetHasChildren(bool Value);
    int Count() const { return static_cast<int>(FChildren.size()); }
    TTreeNode* Item(int Index) const { return FChildren.at(static_cast<size_t>(Index)).get(); }
    int Index() const;
    int Level() const;
    bool Expanded() const;
    void Expand(bool Recurse = false);
    void Collapse();
    bool Selected() const;
    void SetSelected(bool Value);
    TRect DisplayRect(bool TextOnly) const;
    void DeleteChildren();
    void Delete();
    bool EditText();

private:
    friend class TCustomTreeView;
    TCustomTreeView* FOwner;
    TTreeNode* FParent;
    HTREEITEM FItem = nullptr;
    std::string FText;
    TImageIndex FImageIndex = -1;
    TImageIndex FSelectedIndex = -1;
    TImageIndex FOverlayIndex = -1;
    bool FCut = false;
    void* FData = nullptr;
    bool FHasChildren = false;
    bool FExpandedWhileHidden = false;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
};

using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;
using TTVCompareEvent = std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, int Data, int& Compare)>;
using TTVCustomDrawItemEvent =
    std::function<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;

class TCustomTreeView : public TWinControl {
public:
    explicit TCustomTreeView(TComponent* AOwner);
    ~TCustomTreeView() override;
    void WndProc(TMessage& Message) override;

    // Parent null: a root node.
    TTreeNode* AddChild(TTreeNode* Parent, const std::string& Text, void* Data = nullptr);
    int RootCount() const { return static_cast<int>(FRoots.size()); }
    TTreeNode* Root(int Index) const { return FRoots.at(static_cast<size_t>(Index)).get(); }
    void Clear();
    void DeleteNode(TTreeNode* Node);
    // Redrawing is held off until the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* Node);
    TTreeNode* GetNodeAt(int X, int Y) const;
    TTreeNode* NodeFromItem(HTREEITEM Item) const;
    TTreeNode* TopItem() const;
    // Sorts Node's children (the roots for null) by OnCompare or CompareNodes.
    bool CustomSort(TTreeNode* Node);
    int CompareNodesFor(TTreeNode* Node1, TTreeNode* Node2);

    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool Value) { FRightClickSelect = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool Value);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);
    // The node last right-clicked, while RightClickSelect is on.
    TTreeNode* RightClickNode() const { return FRClickNode; }
    TCanvas* Canvas() const { return FCanvas.get(); }

    TTVExpandingEvent OnExpanding;
    TTVChangedEvent OnExpanded;
    TTVExpandingEvent OnCollapsing;
    TTVChangedEvent OnChange;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVChangedEvent OnGetImageIndex;
    TTVChangedEvent OnGetSelectedIndex;
    TTVCompareEvent OnCompare;
    TTVCustomDrawItemEvent OnCustomDrawItem;
    TContextPopupEvent OnContextPopup;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual bool HandleNotify(NMHDR* Header, LRESULT& Result);
    virtual bool AutoExpandValue() const { return FAutoExpand; }
    virtual void SetAutoExpandValue(bool Value);
    virtual bool CanExpand(TTreeNode* Node);
    virtual void Expand(TTreeNode* Node);
    virtual bool CanCollapse(TTreeNode* Node);
    virtual void Change(TTreeNode* Node);
    virtual bool CanEdit(TTreeNode* Node);
    virtual void Edit(TTreeNode* Node, std::string& S);
    // Each node about to go, its children before it.
    virtual void Delete(TTreeNode* Node);
    virtual void GetImageIndex(TTreeNode* Node);
    virtual void GetSelectedIndex(TTreeNode* Node);
    virtual int CompareNodes(TTreeNode* Node1, TTreeNode* Node2);
    virtual bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage);
    virtual bool CustomDrawItem(TTreeNode* Node, TCustomDrawState State, TCustomDrawStage Stage);
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    // Image events are off while a descendant answers the images itself.
    bool FImageEventsDetached = false;

private:
    friend class TTreeNode;
    void InsertNodeWindow(TTreeNode* Node, HTREEITEM After);
    void ForgetItems(TTreeNode* Node);
    void NotifyDelete(TTreeNode* Node);
    std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* Node);
    void SyncChildOrder(TTreeNode* Parent);
    void ImagesChanged(TObject*);
    LRESULT CustomDraw(NMTVCUSTOMDRAW* Draw);

    std::vector<std::unique_ptr<TTreeNode>> FRoots;
    bool FHideSelection = true;
    bool FRightClickSelect = false;
    bool FReadOnly = false;
    bool FShowLines = true;
    bool FShowButtons = true;
    bool FShowRoot = true;
    bool FAutoExpand = false;
    int FUpdateCount = 0;
    TCustomImageList* FImages = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    TTreeNode* FRClickNode = nullptr;
    TChangeLink FImageLink;
    std::unique_ptr<TCanvas> FCanvas;
    std::vector<char> FTextBuf;
};

// ---------------------------------------------------------------------------
// THeaderControl: sections with widths
// ---------------------------------------------------------------------------

class THeaderControl;

class THeaderSection {
public:
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    std::string Text() const { return FText; }
    void SetText(const std::string& Value) { FText = Value; }

private:
    friend class THeaderSections;
    explicit THeaderSection(THeaderControl* Header) : FHeader(Header) {}
    THeaderControl* FHeader;
    int FWidth = 50;
    std::string FText;
};

class THeaderSections {
public:
    explicit THeaderSections(THeaderControl* Header) : FHeader(Header) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    THeaderSection* Items(int Index) const;
    THeaderSection* Add();
    void Delete(int Index);
    void Clear() { FItems.clear(); }

private:
    THeaderControl* FHeader;
    std::vector<std::unique_ptr<THeaderSection>> FItems;
};

// The header control, as far as its sections' widths go (list boxes take
// their tab stops from them); it paints nothing of its own.
class THeaderControl : public TWinControl {
public:
    explicit THeaderControl(TComponent* AOwner);
    THeaderSections* Sections() { return &FSections; }
    const THeaderSections* Sections() const { return &FSections; }
    // A section's width changed.
    TNotifyEvent OnSectionResize;

private:
    friend class THeaderSection;
    THeaderSections FSections{this};
};

// ---------------------------------------------------------------------------
// Shared by the two views
// ---------------------------------------------------------------------------

namespace ComCtrlsShared {
// OnContextPopup, then the auto-popping menu at MousePos (client; (-1, -1)
// from the keyboard means the client origin).
void ContextPopup(TWinControl* Control, const TContextPopupEvent& Event, TPopupMenu* Menu, TPoint MousePos,
                  bool& Handled);
// One custom-draw notice of a view: items are announced when WantItems, and
// Draw runs per item with the canvas on the item's DC; the canvas's brush and
// font colours become the item's background and text colours.
LRESULT ItemCustomDraw(NMCUSTOMDRAW& Cd, COLORREF& TextColor, COLORREF& TextBkColor, TWinControl* Control,
                       TCanvas* Canvas, bool WantItems, const std::function<bool()>& Draw);
// A view's CN_NOTIFY through Notify and WM_CONTEXTMENU through Popup; true
// when the message was handled.
bool ViewMessage(TWinControl* Control, TMessage& Message, const std::function<bool(NMHDR*, LRESULT&)>& Notify,
                 const std::function<void(TPoint, bool&)>& Popup);
} // namespace ComCtrlsShared

// Tracks Menu at the screen point and answers the chosen command (0 for
// none) instead of posting it. Tests answer through SetTrackPopupHook.
UINT TrackPopupMenuReturnCmd(HMENU Menu, UINT Flags, int X, int Y, HWND Owner);
using TTrackPopupHook = std::function<UINT(HMENU Menu, int X, int Y)>;
TTrackPopupHook SetTrackPopupHook(TTrackPopupHook Hook);
