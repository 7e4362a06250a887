#pragma once
// Labels and the windowed standard controls (superclassed EDIT, COMBOBOX,
// LISTBOX and rich edit windows).
#include "classlib/Controls.h"

// True when Caption has the accelerator Key ("&S" in "&Save").
bool IsAccel(WPARAM Key, const std::string& Caption);

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    // Leaves the parent's background showing through.
    bool Transparent() const { return (FControlStyle & csOpaque) == 0; }
    void SetTransparent(bool Value);
    void SetAutoSize(bool Value) override;
    // The control an accelerator (Alt+key) of the caption focuses.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void Paint() override;
    virtual void DoDrawText(TRect& Rect, UINT Flags);
    virtual std::string GetLabelText() const { return Caption(); }
    virtual void AdjustBounds();
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    UINT TextFlags() const;

private:
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

// ---------------------------------------------------------------------------
// Windowed standard controls
// ---------------------------------------------------------------------------

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    int SelStart();
    int SelLength();
    void SetSelStart(int Value);
    void SetSelLength(int Value);
    void SelectAll();
    bool Modified();
    void SetModified(bool Value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Change();

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    TBorderStyle FBorderStyle = bsSingle;
    bool FModified = false;
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;
    void WndProc(TMessage& Message) override;

    // The items; kept while the window does not exist.
    TStrings* Items() const { return FItems.get(); }
    int ItemIndex();
    void SetItemIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;

private:
    std::unique_ptr<TStrings> FItems;
    int FItemHeight = 16;
};

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;
    void WndProc(TMessage& Message) override;

    TStrings* Items() const { return FItems.get(); }
    int ItemIndex();
    void SetItemIndex(int Value);
    // The edit window inside a drop-down combo box (null for a list-only one).
    HWND EditHandle() const { return FEditHandle; }
    HWND ListHandle() const { return FListHandle; }
    bool DroppedDown();
    void SetDroppedDown(bool Value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value) { FDropDownCount = Value; }
    // CBS_DROPDOWN (editable) or CBS_DROPDOWNLIST.
    DWORD ComboStyle() const { return FComboStyle; }
    void SetComboStyle(DWORD Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // Messages of the edit child; the default passes them to its own procedure.
    virtual void EditWndProc(TMessage& Message);
    void DefaultEditHandler(TMessage& Message);
    virtual void Change();

private:
    friend LRESULT CALLBACK ComboEditProc(HWND, UINT, WPARAM, LPARAM);
    std::unique_ptr<TStrings> FItems;
    HWND FEditHandle = nullptr;
    HWND FListHandle = nullptr;
    WNDPROC FDefEditProc = nullptr;
    int FDropDownCount = 8;
    DWORD FComboStyle = CBS_DROPDOWN;
};

// A push button (BUTTON superclass). Enter presses the default button
// unless another button has the focus; Esc presses the cancel button; a
// press sets the form's ModalResult to the button's.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    void WndProc(TMessage& Message) override;
    void Click() override;

    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int Value) { FModalResult = Value; }

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    bool Active() const;
    bool FDefault = false;
    bool FCancel = false;
    int FModalResult = 0;
};

class TCustomRichEdit : public TCustomEdit {
public:
    explicit TCustomRichEdit(TComponent* AOwner);

protected:
    void CreateParams(TCreateParams& Params) override;
};
