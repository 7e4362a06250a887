#pragma once
// The button edit: a framed edit with up to two small buttons inside its
// right edge (a main and an alternate one), each with a kind glyph or its
// own, a hint, a width and a keyboard shortcut; typing can be blocked.
#include <windows.h>

#include <string>

#include "classlib/Menus.h"
#include "controls/RzButton.h"
#include "controls/RzEdit.h"

// Scoped: the bit buttons' kinds share some of these names.
enum class TButtonKind : unsigned char {
    bkCustom, bkLookup, bkDropDown, bkCalendar, bkAccept, bkReject, bkFolder, bkFind, bkSearch
};

// Where the buttons of a pair go, in the pair's client coordinates; a
// hidden button gets an empty rectangle.
struct TRzPairLayout {
    TRect Main;
    TRect Alt;
};
TRzPairLayout LayoutButtonPair(bool MainVisible, int MainWidth, bool AltVisible, int AltWidth, int PairHeight);
// The strip of buttons inside an edit of EditWidth x EditHeight whose
// visible buttons are StripWidth wide.
TRect ButtonStripRect(int EditWidth, int EditHeight, int StripWidth, bool RightToLeft, bool Framed);

// Two control buttons side by side that report their clicks, and move the
// focus to FocusControl when pressed.
class TRzButtonPair : public TCustomControl {
public:
    explicit TRzButtonPair(TComponent* AOwner);
    ~TRzButtonPair() override;

    TRzControlButton* Button() const { return FButton; }
    TRzControlButton* AltButton() const { return FAltButton; }
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);
    bool Flat() const { return FButton->Flat(); }
    virtual void SetFlat(bool Value);
    // Colour and enabled state of the pair and both buttons.
    virtual void SetPairColor(TColor Value);
    virtual void SetPairEnabled(bool Value);
    virtual void ResizeButtons();

    TNotifyEvent OnButtonClick;
    TNotifyEvent OnAltBtnClick;

protected:
    virtual TRzControlButton* CreateButton();
    virtual void ButtonClick(TObject* Sender);
    virtual void ButtonMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    // Moves the focus to Control; false when it did not arrive.
    static bool TakeFocus(TWinControl* Control);
    TRzControlButton* FAltButton = nullptr;
    TRzControlButton* FButton = nullptr;
    TWinControl* FFocusControl = nullptr;
    // A press whose focus move was refused: its release clicks nothing.
    bool FPressCancelled = false;
};

class TRzCustomButtonEdit : public TRzEdit {
public:
    explicit TRzCustomButtonEdit(TComponent* AOwner);
    ~TRzCustomButtonEdit() override;
    void WndProc(TMessage& Message) override;
    // Its buttons sit in a window of their own.
    int StoredWindowCount() const override { return TRzEdit::StoredWindowCount() + 1; }

    static constexpr int AltIndex = 1;
    static constexpr int MainIndex = 2;
    // Index 1 the alternate button, any other the main one.
    TRzControlButton* GetButton(int Index) const;
    TRzButtonPair* Buttons() const { return FButtons; }

    TButtonKind ButtonKind() const { return FKind[1]; }
    void SetButtonKind(TButtonKind Value) { SetKind(MainIndex, Value); }
    TButtonKind AltBtnKind() const { return FKind[0]; }
    void SetAltBtnKind(TButtonKind Value) { SetKind(AltIndex, Value); }
    TBitmap* ButtonGlyph() const { return FButtons->Button()->Glyph(); }
    void SetButtonGlyph(const TBitmap* Value) { SetGlyph(MainIndex, Value); }
    TBitmap* AltBtnGlyph() const { return FButtons->AltButton()->Glyph(); }
    void SetAltBtnGlyph(const TBitmap* Value) { SetGlyph(AltIndex, Value); }
    TShortCut ButtonShortCut() const { return FShortCut[1]; }
    void SetButtonShortCut(TShortCut Value) { FShortCut[1] = Value; }
    TShortCut AltBtnShortCut() const { return FShortCut[0]; }
    void SetAltBtnShortCut(TShortCut Value) { FShortCut[0] = Value; }
    bool ButtonVisible() const { return FButtons->Button()->Visible(); }
    void SetButtonVisible(bool Value) { SetVisibleOf(MainIndex, Value); }
    bool AltBtnVisible() const { return FButtons->AltButton()->Visible(); }
    void SetAltBtnVisible(bool Value) { SetVisibleOf(AltIndex, Value); }
    int ButtonWidth() const { return FButtons->Button()->Width(); }
    void SetButtonWidth(int Value) { SetWidthOf(MainIndex, Value); }
    int AltBtnWidth() const { return FButtons->AltButton()->Width(); }
    void SetAltBtnWidth(int Value) { SetWidthOf(AltIndex, Value); }
    // How many images side by side the button's glyph holds.
    int ButtonNumGlyphs() const { return FButtons->Button()->NumGlyphs(); }
    void SetButtonNumGlyphs(int Value) { FButtons->Button()->SetNumGlyphs(Value); }
    int AltBtnNumGlyphs() const { return FButtons->AltButton()->NumGlyphs(); }
    void SetAltBtnNumGlyphs(int Value) { FButtons->AltButton()->SetNumGlyphs(Value); }
    std::string ButtonHint() const { return FButtons->Button()->Hint(); }
    void SetButtonHint(const std::string& Value) { FButtons->Button()->SetHint(Value); }
    std::string AltBtnHint() const { return FButtons->AltButton()->Hint(); }
    void SetAltBtnHint(const std::string& Value) { FButtons->AltButton()->SetHint(Value); }
    // Stored with a form (RzButtonStore.cpp): the kinds, a glyph for a
    // custom kind, and the buttons' settings.
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

    bool AllowKeyEdit() const { return FAllowKeyEdit; }
    void SetAllowKeyEdit(bool Value) { FAllowKeyEdit = Value; }
    bool HideButtonsOnReadOnly() const { return FHideButtonsOnReadOnly; }
    virtual void SetHideButtonsOnReadOnly(bool Value);
    TColor FlatButtonColor() const { return FFlatButtonColor; }
    void SetFlatButtonColor(TColor Value);
    void SetFlatButtons(bool Value) override;
    void UpdateFrame(bool ViaMouse, bool Hot) override;
    TRect GetEditRect() override;

    // Older stored forms hold the shortcuts as texts.
    void ReadButtonShortCutText(const std::string& Text) { FShortCut[1] = TextToShortCut(Text); }
    void ReadAltBtnShortCutText(const std::string& Text) { FShortCut[0] = TextToShortCut(Text); }
    void DefineProperties(TFiler* Filer) override;

    virtual void ResizeButtons();
    virtual void SetEditRect();
    virtual void AltBtnClick();
    virtual void ButtonClick();

    TNotifyEvent OnButtonClick;
    TNotifyEvent OnAltBtnClick;

protected:
    void CreateWnd() override;
    void Loaded() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void ReadOnlyChanged() override;

private:
    void SetKind(int Index, TButtonKind Value);
    void SetGlyph(int Index, const TBitmap* Value);
    void SetVisibleOf(int Index, bool Value);
    void SetWidthOf(int Index, int Value);
    bool ButtonsHidden() const { return ReadOnly() && FHideButtonsOnReadOnly; }

    TRzButtonPair* FButtons;
    TButtonKind FKind[2] = {TButtonKind::bkLookup, TButtonKind::bkLookup};      // alternate, main
    TShortCut FShortCut[2] = {scNone, VK_F4};         // alternate, main
    bool FKeyHandled = false;
    bool FAllowKeyEdit = true;
    bool FHideButtonsOnReadOnly = true;
    TColor FFlatButtonColor = clBtnFace;
};

class TRzButtonEdit : public TRzCustomButtonEdit {
public:
    using TRzCustomButtonEdit::TRzCustomButtonEdit;
};
