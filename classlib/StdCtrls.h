#pragma once
// Labels and the windowed standard controls (superclassed EDIT, COMBOBOX,
// LISTBOX and rich edit windows).
#include "classlib/Controls.h"

// True when Caption has the accelerator Key ("&S" in "&Save").
bool IsAccel(WPARAM Key, const std::string& Caption);

// The message beep of the controls (a refused key and the like). Tests set
// the hook to count beeps instead of hearing them; null restores the sound.
using TBeepHook = std::function<void(UINT Kind)>;
void SetBeepHook(TBeepHook Hook);
void ControlBeep(UINT Kind = MB_OK);

// How long typed letters keep adding to one incremental search, in
// milliseconds; a pause longer than this starts a new search.
extern unsigned GKeyboardSearchDelay;

enum TEditCharCase : unsigned char { ecNormal, ecUpperCase, ecLowerCase };

// The border of a standard control's BorderStyle: bsSingle is the sunken
// client edge, anything else no border.
void AddBorderStyle(TCreateParams& Params, TBorderStyle Value);

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
    virtual void SetReadOnly(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    // All text of a single-line edit selected when the focus arrives by
    // keyboard.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    // Shown for each character instead of it; 0 for none.
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    // The space left free inside the edit at each side (EM_SETMARGINS).
    void SetMargins(int Left, int Right);
    void GetMargins(int& Left, int& Right);
    int SelStart();
    int SelLength();
    void SetSelStart(int Value);
    void SetSelLength(int Value);
    virtual std::string SelText();
    void SelectAll();
    bool Modified();
    void SetModified(bool Value);
    // A character typed or pasted that the code page holds only as a
    // look-alike (a Greek omega as "O", a full-width digit as a plain one)
    // arrives as "?" instead, as one it lacks altogether does: for a field
    // whose text names a file, the look-alike would name another one.
    bool ExactAnsiInput() const { return FExactAnsiInput; }
    void SetExactAnsiInput(bool Value);
    // The text as the field holds it, every letter as it is, whatever the
    // code page can show of it.
    std::wstring WideText();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Change();
    // The focus arrived: AutoSelect unless a left click brought it.
    virtual void DoAutoSelect();

private:
    bool FReadOnly = false;
    int FMaxLength = 0;
    TBorderStyle FBorderStyle = bsSingle;
    bool FModified = false;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
    char FPasswordChar = 0;
    bool FHideSelection = true;
    int FMarginLeft = -1;
    int FMarginRight = -1;
    bool FExactAnsiInput = false;
};

// Raised for text that does not fit an edit's input rules.
class EDBEditError : public Exception { public: using Exception::Exception; };

// The text a validation error reports, or empty for the default message.
using TValidateErrorEvent = std::function<void(TObject* Sender, std::string& Message)>;

// The base of edits with input rules. No edit here sets a mask, so every
// text is valid; ValidateError is the hook a rule breach would reach.
class TCustomMaskEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
    // Leaving the edit checks its text.
    void WndProc(TMessage& Message) override;
    // Checks the text; raises through ValidateError when it breaks a rule.
    virtual void ValidateEdit() {}
    TValidateErrorEvent OnValidateError;

protected:
    // Beeps and raises EDBEditError with the handler's message (or the
    // default one).
    virtual void ValidateError();
};

class TEdit : public TCustomEdit {
public:
    using TCustomEdit::TCustomEdit;
};

// The state bits of an owner-drawn item (from DRAWITEMSTRUCT's itemState;
// odComboBoxEdit marks the edit part of a combo box).
enum TOwnerDrawStateFlag : unsigned {
    odSelected = 1u << 0, odGrayed = 1u << 1, odDisabled = 1u << 2, odChecked = 1u << 3, odFocused = 1u << 4,
    odDefault = 1u << 5, odComboBoxEdit = 1u << 6,
};
using TOwnerDrawState = unsigned;
TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

enum TListBoxStyle : unsigned char {
    lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw
};

// The text of item Index of a virtual list.
using TLBGetDataEvent = std::function<void(TWinControl* Control, int Index, std::string& Data)>;

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;
    void WndProc(TMessage& Message) override;

    // The items; kept while the window does not exist.
    TStrings* Items() const { return FItems.get(); }
    // The selected item (the caret item of a multi-select list), or -1.
    int ItemIndex();
    void SetItemIndex(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);
    TListBoxStyle Style() const { return FStyle; }
    virtual void SetStyle(TListBoxStyle Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value);
    // Tab stops every TabWidth dialog units; 0 for the default stops.
    int TabWidth() const { return FTabWidth; }
    void SetTabWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // The number of items of a virtual list.
    int Count();
    void SetCount(int Value);

    bool Selected(int Index);
    void SetSelected(int Index, bool Value);
    int SelCount();
    int TopIndex();
    void SetTopIndex(int Value);
    // The item at a client point, or -1; with Existing false a point below
    // the last item answers the count.
    int ItemAtPos(TPoint Pos, bool Existing);
    TRect ItemRect(int Index);
    TCanvas* Canvas() const { return FCanvas.get(); }
    bool OwnerDrawn() const { return FStyle != lbStandard && FStyle != lbVirtual; }
    bool IsVirtual() const { return FStyle == lbVirtual || FStyle == lbVirtualOwnerDraw; }

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    TLBGetDataEvent OnData;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    // An owner-drawn row: the canvas holds the DC, font and brush (the
    // highlight ones for a selected row).
    virtual void CNDrawItem(TMessage& Message);
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    // The text of an item, asked of OnData in a virtual list.
    std::string ItemText(int Index);

private:
    std::unique_ptr<TStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    int FItemHeight = 16;
    TListBoxStyle FStyle = lbStandard;
    bool FMultiSelect = false;
    bool FExtendedSelect = true;
    bool FSorted = false;
    int FColumns = 0;
    bool FIntegralHeight = false;
    int FTabWidth = 0;
    int FCount = 0;
    TBorderStyle FBorderStyle = bsSingle;
};

enum TComboBoxStyle : unsigned char {
    csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable
};

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;
    void WndProc(TMessage& Message) override;
    // The system's combo box makes its list a window of its own, and its
    // edit one more in the styles that have one.
    int StoredWindowCount() const override
    {
        return TWinControl::StoredWindowCount() + (FStyle == csDropDown || FStyle == csSimple ? 2 : 1);
    }

    // The items; kept while the window does not exist (and across a new
    // window for a changed style).
    TStrings* Items() const { return FItems.get(); }
    int ItemIndex();
    void SetItemIndex(int Value);
    // The edit window inside a drop-down combo box (null for a list-only one).
    HWND EditHandle() const { return FEditHandle; }
    HWND ListHandle() const { return FListHandle; }
    bool DroppedDown();
    void SetDroppedDown(bool Value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value);
    TComboBoxStyle Style() const { return FStyle; }
    virtual void SetStyle(TComboBoxStyle Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    // The height of the list's items (and of the edit part) in the
    // owner-drawn styles.
    int ItemHeight();
    virtual void SetItemHeight(int Value);
    // Typing opens the list; choosing an item closes it.
    bool AutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool Value) { FAutoDropDown = Value; }
    bool AutoCloseUp() const { return FAutoCloseUp; }
    void SetAutoCloseUp(bool Value) { FAutoCloseUp = Value; }
    // The selection in the edit part.
    int SelStart();
    void SetSelStart(int Value);
    int SelLength();
    void SetSelLength(int Value);
    std::string SelText();
    void SelectAll();
    TCanvas* Canvas() const { return FCanvas.get(); }

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void KeyPress(char& Key) override;
    // Messages of the edit child; the default passes them to its own procedure.
    virtual void EditWndProc(TMessage& Message);
    void DefaultEditHandler(TMessage& Message);
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    virtual void SelEndOk() {}
    virtual void SelEndCancel() {}
    // An item left the list: its data word, before the list forgets it.
    virtual void DeleteItem(void* /*Data*/) {}
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    bool OwnerDrawn() const { return FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable; }
    // A focused owner-drawn item gets the dotted focus rectangle.
    bool FShowItemFocusRect = true;

private:
    friend LRESULT CALLBACK ComboEditProc(HWND, UINT, WPARAM, LPARAM);
    void CNDrawItem(TMessage& Message);
    void CNMeasureItem(TMessage& Message);
    void ApplyCharCase();
    std::unique_ptr<TStrings> FItems;
    std::unique_ptr<TControlCanvas> FCanvas;
    HWND FEditHandle = nullptr;
    HWND FListHandle = nullptr;
    WNDPROC FDefEditProc = nullptr;
    int FDropDownCount = 8;
    TComboBoxStyle FStyle = csDropDown;
    bool FSorted = false;
    int FMaxLength = 0;
    TEditCharCase FCharCase = ecNormal;
    int FItemHeight = 16;
    bool FAutoDropDown = false;
    bool FAutoCloseUp = false;
    bool FRecreating = false;
    bool FSettingEditText = false;
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

// ---------------------------------------------------------------------------
// Rich edit (RichEdit20A); the code is in StdCtrlsRich.cpp
// ---------------------------------------------------------------------------

enum TScrollStyle : unsigned char { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomRichEdit;

// The character format of the selection: bold, italic... (a font style set).
class TTextAttributes {
public:
    explicit TTextAttributes(TCustomRichEdit* Owner) : FOwner(Owner) {}
    // The styles the whole selection has.
    TFontStyles Style() const;
    void SetStyle(TFontStyles Value);

private:
    TCustomRichEdit* FOwner;
};

// The paragraph format of the selection; indents in points.
class TParaAttributes {
public:
    explicit TParaAttributes(TCustomRichEdit* Owner) : FOwner(Owner) {}
    int FirstIndent() const;
    void SetFirstIndent(int Value);
    int RightIndent() const;
    void SetRightIndent(int Value);

private:
    TCustomRichEdit* FOwner;
};

class TCustomRichEdit : public TCustomEdit {
public:
    explicit TCustomRichEdit(TComponent* AOwner);
    ~TCustomRichEdit() override;
    void WndProc(TMessage& Message) override;

    // The lines as the control shows them (wrapped lines count one each
    // while WordWrap is on); kept while no window exists.
    TStrings* Lines() const { return FLines.get(); }
    void SetLines(const TStrings* Value);
    // Loading and saving the lines read and write plain text instead of
    // rich text format.
    bool PlainText() const { return FPlainText; }
    void SetPlainText(bool Value) { FPlainText = Value; }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    // Which keys the control keeps from its form: Tab inserts a tab only
    // with WantTabs; without WantReturns Enter and Esc reach the form's
    // default and cancel buttons. A read-only pane wants neither.
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    TTextAttributes* SelAttributes() { return &FSelAttributes; }
    TParaAttributes* Paragraph() { return &FParagraph; }

    // Positions (SelStart, SelLength) count a line break as one character.
    // The selected text, line breaks as CRLF; setting replaces the selection.
    std::string SelText() override;
    void SetSelText(const std::string& Value);
    // The caret: x the column and y the line, both from 0.
    TPoint CaretPos();
    void CopyToClipboard();

    // The whole contents as rich text format, or as plain text; loading
    // takes either (text not starting as rich text loads as plain text).
    std::string RichText(bool Plain);
    void SetRichText(const std::string& Data, bool Plain);

    TNotifyEvent OnSelectionChange;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void SelectionChange();
    // The rich edit's notifications (EN_SELCHANGE, EN_LINK...), reflected.
    virtual void CNNotify(TMessage& Message);

private:
    std::unique_ptr<TStrings> FLines;
    TTextAttributes FSelAttributes{this};
    TParaAttributes FParagraph{this};
    bool FPlainText = false;
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantTabs = false;
    bool FWantReturns = true;
    // The rich contents while the window is re-created.
    std::string FKeptRichText;
};

class TRichEdit : public TCustomRichEdit {
public:
    using TCustomRichEdit::TCustomRichEdit;
};
