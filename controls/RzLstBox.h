#pragma once
// The library's list box: a non-client frame and colours by state,
// incremental search, group-header rows (items that begin with a prefix),
// hints with the whole text of a clipped item, a horizontal extent fitted
// to the widest item, and the add, delete and selection operations the
// forms call. Its descendants: the tabbed list box (columns on tab stops,
// set by hand, computed from the items or taken from a header) and the
// rank list box (items reordered by dragging or by Shift with the arrows).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Hints.h"
#include "classlib/StdCtrls.h"
#include "controls/RzCommon.h"
#include "controls/RzFrameProps.h"
#include "controls/RzIntLst.h"

// Pure helpers over item texts: the group row at or above Index (-1 when
// none), and a group row's number among the group rows (-1 for others).
int GroupIndexOf(const TStrings* Items, const std::string& Prefix, int Index);
// A row's text in capitals: rows of the same text in another case match.
std::string ListRowKey(std::string Text);
int GroupNumberOf(const TStrings* Items, const std::string& Prefix, int Index);
// The selection after item Deleted went from a list whose selection was
// Selected and which now holds Count items: -1 for none.
int ReselectAfterDelete(int Selected, int Count);

class TRzCustomListBox : public TRzFrameProps<TCustomListBox> {
public:
    explicit TRzCustomListBox(TComponent* AOwner);
    ~TRzCustomListBox() override;
    void WndProc(TMessage& Message) override;

    void UpdateColors() override;
    void UpdateFrame(bool ViaMouse, bool Hot) override;
    virtual void RepaintFrame();
    virtual void AdjustItemHeight();
    virtual std::string GetExtentSuffix() { return {}; }
    virtual int FindItem(const std::string& Text);
    virtual void DrawGroup(int Index, TRect Rect, TOwnerDrawState State);
    virtual void DrawItemText(int Index, TRect Rect, TOwnerDrawState State);
    virtual bool IsGroup(int Index);
    virtual bool ItemHasGroup(int Index) { return GetGroupIndex(Index) >= 0; }
    virtual int GetGroupIndex(int Index) { return GroupIndexOf(Items(), FGroupPrefix, Index); }
    virtual int GetGroupNumber(int Index) { return GroupNumberOf(Items(), FGroupPrefix, Index); }
    virtual void UpdateHorzExtent();
    // The extent grown to hold one more row of this text.
    void WidenHorzExtent(const char* Text);
    virtual bool UseThemes() const;

    int AddObject(const std::string& Text, TObject* Object) { return Items()->AddObject(Text, Object); }
    void DeleteItem(int Index);
    int IndexOf(const std::string& Text) const { return Items()->IndexOf(Text); }
    // Whether a row holds this text in any case, answered without reading
    // the rows out of the window.
    bool HoldsText(const std::string& Text) const;
    // Whether the list has rows and all of them hold one object, and which,
    // answered without reading the rows out of the window.
    bool RowsShareObject(TObject*& Object) const;
    std::string GetSelectedText();
    void SelectAll();

    bool IncrementalSearch() const { return FIncrementalSearch; }
    void SetIncrementalSearch(bool Value) { FIncrementalSearch = Value; }
    bool BeepOnInvalidKey() const { return FBeepOnInvalidKey; }
    void SetBeepOnInvalidKey(bool Value) { FBeepOnInvalidKey = Value; }
    bool HorzScrollBar() const { return FHorzScrollBar; }
    virtual void SetHorzScrollBar(bool Value);
    int HorzExtent() const { return FHorzExtent; }
    virtual void SetHorzExtent(int Value);
    int OwnerDrawIndent() const { return FOwnerDrawIndent; }
    virtual void SetOwnerDrawIndent(int Value);
    bool ShowGroups() const { return FShowGroups; }
    virtual void SetShowGroups(bool Value);
    std::string GroupPrefix() const { return FGroupPrefix; }
    virtual void SetGroupPrefix(const std::string& Value);
    TColor GroupColor() const { return FGroupColor; }
    virtual void SetGroupColor(TColor Value);
    bool GroupColorFromTheme() const { return FGroupColorFromTheme; }
    virtual void SetGroupColorFromTheme(bool Value);
    TFont* GroupFont() const { return FGroupFont.get(); }
    virtual void SetGroupFont(const TFont* Value);
    bool UseGradients() const { return FUseGradients; }
    virtual void SetUseGradients(bool Value);
    bool ShowItemHints() const { return FShowItemHints; }
    void SetShowItemHints(bool Value);
    // The window that shows a clipped item's whole text; null until first
    // needed.
    THintWindow* ItemHintWindow() const { return FHintWindow; }
    // Hides an item's hint; also when the list loses the focus or scrolls.
    void HideItemHint();

    const std::string& SearchText() const { return FSearchText; }
    void SearchTimerTick();
    TTimer* SearchTimer() const { return FSearchTimer; }
    bool FrameHot() const { return FFrameHotTrack && (FHasFocus || FMouseOver); }
    // The non-client frame as WM_NCPAINT draws it, on a DC of the window's size.
    void PaintFrame(HDC DC);
    // Fired after an incremental search found an item.
    TNotifyEvent OnMatch;

    // Older stored list boxes held "HorzExtent"; it is read and dropped,
    // the extent being worked out from the items.
    void DefineProperties(TFiler* Filer) override
    {
        TRzFrameProps<TCustomListBox>::DefineProperties(Filer);
        DefineOldProperty(Filer, "HorzExtent", TRzOldPropReader::ReadOldIntegerProp);
    }

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void FrameSettingChanged(TRzFrameControllerPropertyConnection What) override;
    void CNDrawItem(TMessage& Message) override;
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    virtual void FontChanged() {}
    // The pixel width of an item's text as the extent and the hints measure
    // it, with the font selected into DC.
    virtual int TextWidth(HDC DC, const std::string& Text);
    // The group font, following the control's font until set by the user.
    TFont* SyncedGroupFont();
    // Fills a group row in its colours and sets the canvas font for its
    // text; the text without the group prefix is the result.
    std::string PaintGroupRow(int Index, const TRect& Rect, TOwnerDrawState State);
    void UpdateItemHint(int X, int Y);
    void SearchChar(TMessage& Message);
    void Search(const std::string& Text);
    void InvalidKeyBeep();

private:
    // A row's object as the window holds it.
    TObject* RowObject(int Index);
    void CountRowObject(TObject* Object, int Delta);
    // Keep the two row indexes, texts and objects, beside the window's rows.
    void RowAdded(int Index, const char* Text);
    void RowRemoved(int Index);

    std::string FSearchText;
    TTimer* FSearchTimer = nullptr;
    bool FKeyInProgress = false;
    TColor FNormalColor = clWindow;
    bool FUpdatingColor = false;
    bool FMouseOver = false;
    bool FHasFocus = false;
    bool FCustomGroupFont = false;
    bool FSyncingGroupFont = false;
    int FHorzExtent = 0;
    // The widest row's text as last measured, for a new width of the client.
    int FWidestItem = 0;
    // The rows' texts in capitals, kept beside the window's own rows.
    std::unordered_multiset<std::string> FRowTexts;
    // The rows' objects, each with the number of rows holding it.
    std::unordered_map<TObject*, int> FRowObjects;

    bool FIncrementalSearch = true;
    bool FBeepOnInvalidKey = true;
    bool FHorzScrollBar = false;
    int FOwnerDrawIndent = 0;
    bool FShowGroups = false;
    std::string FGroupPrefix = "//";
    TColor FGroupColor = clInactiveCaptionText;
    bool FGroupColorFromTheme = true;
    std::unique_ptr<TFont> FGroupFont;
    bool FUseGradients = true;
    bool FShowItemHints = true;
    THintWindow* FHintWindow = nullptr;
};

class TRzListBox : public TRzCustomListBox {
public:
    using TRzCustomListBox::TRzCustomListBox;
};

// ---------------------------------------------------------------------------
// Tabbed list box
// ---------------------------------------------------------------------------

// Raised when a tabbed list box is given something other than a header to
// take its stops from.
class EHeaderError : public Exception {
public:
    using Exception::Exception;
};

enum TRzTabStopsMode { tsmManual, tsmAutomatic };

class TRzCustomTabbedListBox;

// Tab positions in average-character units; a negative value marks a
// right-hand column edge (text right-aligned on it). Every change re-applies
// the stops to the list box the list belongs to.
class TRzTabStopList : public TRzIntegerList {
public:
    TRzTabStopList();
    void SetListBox(TRzCustomTabbedListBox* Value) { FListBox = Value; }
    TRzCustomTabbedListBox* ListBox() const { return FListBox; }

    void Put(int Index, int Value) override;
    int Add(int Value) override;
    void Delete(int Index) override;
    void Insert(int Index, int Value) override;

private:
    void Changed();
    TRzCustomTabbedListBox* FListBox = nullptr;
};

// The text of cell Column of a tab-separated Row; EListError when the row
// has fewer than Column tabs.
std::string TabbedCell(const std::string& Row, int Column);
// Row with cell Column replaced by Value; the same error.
std::string WithTabbedCell(const std::string& Row, int Column, const std::string& Value);

class TRzCustomTabbedListBox : public TRzCustomListBox {
public:
    explicit TRzCustomTabbedListBox(TComponent* AOwner);
    ~TRzCustomTabbedListBox() override;
    void WndProc(TMessage& Message) override;

    virtual int GetFirstColumnExtra() { return 0; }
    TRzTabStopList* TabStops() const { return FTabStops.get(); }
    virtual void SetTabStops(const TRzTabStopList* Value);
    TRzTabStopsMode TabStopsMode() const { return FTabStopsMode; }
    virtual void SetTabStopsMode(TRzTabStopsMode Value);
    // The stops as LB_SETTABSTOPS takes them: dialog units, four per
    // average character, at most 1000.
    virtual std::vector<int> GetTabStops();
    virtual std::string GetCell(int Column, int Row);
    virtual void SetCell(int Column, int Row, const std::string& Value);
    // Stops from the widest text of each column (group rows in the group
    // font), four characters apart.
    virtual void ComputeTabStops();
    // Stops on the section edges of a THeader or a THeaderControl.
    virtual void UpdateFromHeader(TControl* Header);
    // Sends the stops to the window and repaints.
    void ApplyTabStops();
    // The font's average character width in pixels (6 until the font first
    // changes).
    int CharWidth() const { return FCharWidth; }

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void FontChanged() override;
    void DrawGroup(int Index, TRect Rect, TOwnerDrawState State) override;
    void DrawItemText(int Index, TRect Rect, TOwnerDrawState State) override;
    int TextWidth(HDC DC, const std::string& Text) override;

private:
    std::vector<int> PixelTabStops();
    void DrawTabbedText(const std::string& Text, const TRect& Rect, bool Transparent);
    void AutoCompute();

    std::unique_ptr<TRzTabStopList> FTabStops;
    TRzTabStopsMode FTabStopsMode = tsmManual;
    int FCharWidth = 6;
    int FApplying = 0;
};

class TRzTabbedListBox : public TRzCustomTabbedListBox {
public:
    using TRzCustomTabbedListBox::TRzCustomTabbedListBox;
};

// ---------------------------------------------------------------------------
// Rank list box
// ---------------------------------------------------------------------------

enum TRzModifierKey { mkShift, mkNone };

using TRzMoveItemEvent = std::function<void(TObject* Sender, int OldIndex, int NewIndex)>;

// A list whose items the user reorders: a (Shift-)drag moves the item under
// the pointer, Shift with Up, Down, Home or End moves the selected one.
class TRzRankListBox : public TRzListBox {
public:
    explicit TRzRankListBox(TComponent* AOwner);
    ~TRzRankListBox() override;
    void WndProc(TMessage& Message) override;

    // Moves the entry, selects it at its new place and fires OnMoveItem.
    virtual void MoveItem(int OldIndex, int NewIndex);

    TRzModifierKey ModifierKey() const { return FModifierKey; }
    void SetModifierKey(TRzModifierKey Value) { FModifierKey = Value; }
    bool MoveOnDrag() const { return FMoveOnDrag; }
    void SetMoveOnDrag(bool Value);
    // The cursor shown while an item is moved.
    TCursor DragCursor() const { return crDrag; }
    bool Moving() const { return FMoving; }
    int MovingIndex() const { return FMoveIndex; }

    // Reordering needs one plain, unsorted column of single selection:
    // these stay at their values and ignore writes.
    void SetColumns(int) {}
    void SetExtendedSelect(bool) {}
    void SetMultiSelect(bool) {}
    void SetSorted(bool) {}

    TRzMoveItemEvent OnMoveItem;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;

private:
    // The item a move at P aims at: the item there, else the top one above
    // the list and the last one below it.
    int DropTarget(TPoint P);
    // Ends a move as a release does: the saved cursor comes back and the
    // pointer is no longer held inside the list.
    void EndMove();

    TRzModifierKey FModifierKey = mkShift;
    bool FMoveOnDrag = true;
    bool FMoving = false;
    bool FReleasing = false;
    int FMoveIndex = -1;
    TCursor FSavedCursor = crDefault;
};
