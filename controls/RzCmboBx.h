#pragma once
// The library's combo box: a flat frame and flat drop-down button over the
// standard combo box, colours by state, completion of typed text against
// the items, incremental search in the list styles, read-only, cue text and
// a drop-down list as wide as its widest item. TRzComboBox adds a value per
// item.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "classlib/ExtCtrls.h"
#include "classlib/ImgList.h"
#include "classlib/StdCtrls.h"
#include "controls/RzCommon.h"
#include "controls/RzFrameProps.h"

using TRzDeleteComboItemEvent = std::function<void(TObject* Sender, void* Item)>;

class TRzCustomComboBox : public TRzFrameProps<TCustomComboBox> {
public:
    explicit TRzCustomComboBox(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    void UpdateColors() override;
    void UpdateFrame(bool ViaMouse, bool Hot) override;
    virtual void InvalidKeyBeep();
    // Incremental search of the list styles.
    virtual void SelectMatch(const std::string& SearchText);
    // Completion of the edit style; true when an item matched.
    virtual bool AutoCompleteKeyPress(const std::string& SearchText);
    // The first item that begins with Text (any case), or -1.
    virtual int FindMatchingItem(const std::string& Text);
    virtual void DoDeleteItem(void* Item);
    virtual void UpdateTextHint();
    virtual bool UseThemes() const;
    // Text := Value without completing it.
    virtual void SetTextQuietly(const std::string& Value);
    virtual int IndexOfItem(const std::string& Text);
    int GetItemCount() const { return Items()->Count(); }

    bool AllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool Value) { FAllowEdit = Value; }
    bool AutoComplete() const { return FAutoComplete; }
    void SetAutoComplete(bool Value) { FAutoComplete = Value; }
    bool BeepOnInvalidKey() const { return FBeepOnInvalidKey; }
    void SetBeepOnInvalidKey(bool Value) { FBeepOnInvalidKey = Value; }
    int DropDownWidth() const { return FDropDownWidth; }
    void SetDropDownWidth(int Value) { FDropDownWidth = Value; }
    bool KeepSearchCase() const { return FKeepSearchCase; }
    void SetKeepSearchCase(bool Value) { FKeepSearchCase = Value; }
    std::string TextHint() const { return FTextHint; }
    void SetTextHint(const std::string& Value);
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value);

    bool FlatButtons() const { return FFlatButtons; }
    virtual void SetFlatButtons(bool Value);
    TColor FlatButtonColor() const { return FFlatButtonColor; }
    virtual void SetFlatButtonColor(TColor Value);
    // The typed letters of the current search and its timer's tick (which
    // the timer calls after the search delay without a key).
    const std::string& SearchText() const { return FSearchText; }
    void SearchTimerTick();
    TTimer* SearchTimer() const { return FSearchTimer; }
    // The width the list got on its last drop-down.
    int ComputedDropDownWidth() const { return FComputedDropDownWidth; }
    bool MouseOver() const { return FMouseOver; }
    bool HasFocus() const { return FHasFocus; }
    // The frame and button as WM_PAINT draws them over the client area.
    void PaintFrame(HDC DC);

    TRzDeleteComboItemEvent OnDeleteItem;
    TNotifyEvent OnMatch;
    TNotifyEvent OnNotInList;
    TNotifyEvent OnSelEndCancel;
    TNotifyEvent OnSelEndOk;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void CreateWnd() override;
    void Loaded() override;
    // Frame settings show on the next paint of the client area.
    void FrameSettingChanged(TRzFrameControllerPropertyConnection What) override;
    void EditWndProc(TMessage& Message) override;
    void KeyPress(char& Key) override;
    void DropDown() override;
    void CloseUp() override;
    void SelEndOk() override;
    void SelEndCancel() override;
    void DeleteItem(void* Data) override;
    bool InListStyle() const { return Style() != csDropDown && Style() != csSimple; }
    void RepaintFrameArea();

private:
    void ListStyleChar(TMessage& Message);
    void EditTextChanged();
    bool EditKeyDown(TMessage& Message);
    bool EditChar(TMessage& Message);
    void MouseWheel(TMessage& Message);
    void SearchChanged(const std::string& Text);
    void FireSelection();
    void ComboEnter();
    void ComboExit();
    void ClearSearch() { FSearchText.clear(); }
    int EditCaret();
    bool StylesActive() const;

    std::string FSearchText;
    TTimer* FSearchTimer = nullptr;
    bool FKeyInProgress = false;
    TColor FNormalColor = clWindow;
    bool FUpdatingColor = false;
    bool FHasFocus = false;
    bool FMouseOver = false;
    bool FFocusedFrame = false;
    bool FListNavigation = false;
    bool FEnterPressed = false;
    bool FSysKey = false;
    bool FPastePending = false;
    bool FEditTracking = false;
    int FComputedDropDownWidth = 0;

    bool FAllowEdit = true;
    bool FAutoComplete = true;
    bool FBeepOnInvalidKey = true;
    int FDropDownWidth = 0;
    bool FKeepSearchCase = false;
    std::string FTextHint;
    bool FReadOnly = false;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    bool FFlatButtons = false;
    TColor FFlatButtonColor = clBtnFace;
};

class TRzComboBox : public TRzCustomComboBox {
public:
    explicit TRzComboBox(TComponent* AOwner);
    ~TRzComboBox() override;

    // A value per item, by index.
    TStrings* Values() const { return FValues.get(); }
    void SetValues(const TStrings* List);
    // Entry Index of Values when set and not empty, else the item's text.
    std::string GetItemValue(int Index) const;
    std::string Value();
    void SetValue(const std::string& S);
    // A new height counts only in the owner-drawn styles.
    void SetItemHeight(int Value) override;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    void Click() override;

protected:
    void Change() override;

private:
    void ValuesChanged(TObject*);
    std::unique_ptr<TStringList> FValues;
    std::string FValue;
    bool FSettingValue = false;
    bool FRefreshingValues = false;
};

// ---------------------------------------------------------------------------
// Image combo box (RzCmboBxImage.cpp): owner-drawn items with an image, an
// overlay and an indent, whose captions and images may come on demand.
// ---------------------------------------------------------------------------

class TRzCustomImageComboBox;

class TRzImageComboBoxItem : public TObject {
public:
    explicit TRzImageComboBoxItem(TRzCustomImageComboBox* AOwner) : FOwner(AOwner) {}
    TRzCustomImageComboBox* Owner() const { return FOwner; }
    int Index() const { return FIndex; }
    void SetIndex(int Value) { FIndex = Value; }
    int IndentLevel() const { return FIndentLevel; }
    void SetIndentLevel(int Value) { FIndentLevel = Value; }
    // -1: none yet (the get-item-data hook may fill it).
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // -1: no overlay.
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int Value);
    // Empty: the get-item-data hook may fill it.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }

private:
    TRzCustomImageComboBox* FOwner;
    int FIndex = -1;
    int FIndentLevel = 0;
    int FImageIndex = -1;
    int FOverlayIndex = -1;
    std::string FCaption;
    void* FData = nullptr;
};

using TRzImageComboItemEvent = std::function<void(TObject* Sender, TRzImageComboBoxItem* Item)>;

class TRzCustomImageComboBox : public TRzCustomComboBox {
public:
    explicit TRzCustomImageComboBox(TComponent* AOwner);
    ~TRzCustomImageComboBox() override;
    void WndProc(TMessage& Message) override;

    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    int ItemIndent() const { return FItemIndent; }
    void SetItemIndent(int Value);
    bool AutoSizeItemHeight() const { return FAutoSizeItemHeight; }
    void SetAutoSizeItemHeight(bool Value) { FAutoSizeItemHeight = Value; }
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    // The first item whose caption equals Text, ignoring case; -1 if none.
    int IndexOfItem(const std::string& Text) override;
    virtual TRzImageComboBoxItem* AddItem(const std::string& Caption, int ImageIndex, int IndentLevel);
    TRzImageComboBoxItem* GetImageItem(int Index) const;
    // Deletions made here free their items.
    void Delete(int Index);
    void ClearItems();
    void BeginUpdate() { Items()->BeginUpdate(); }
    void EndUpdate() { Items()->EndUpdate(); }

    // Hides the data-word event of the plain combo box: this one hands over
    // the item.
    TRzImageComboItemEvent OnDeleteItem;
    TRzImageComboItemEvent OnGetItemData;

protected:
    void DoDeleteItem(void* Item) override;
    virtual void DoGetItemData(TRzImageComboBoxItem* Item);
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void AdjustItemHeight();
    // The item going now is the combo's own to free (its own deletion).
    bool OwnDeletion() const { return FDeleting; }

private:
    TCustomImageList* FImages = nullptr;
    int FItemIndent = 12;
    bool FAutoSizeItemHeight = true;
    bool FInFontChange = false;
    bool FDeleting = false;
};
