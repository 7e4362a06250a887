#pragma once
// The library's single-line edit: a frame painted in the non-client area
// with hot tracking, colours that follow the state, a cue text, Enter as
// Tab, and the settings a frame controller pushes.
#include <windows.h>

#include <memory>
#include <string>

#include "classlib/StdCtrls.h"
#include "controls/RzCommon.h"
#include "controls/RzEditFrame.h"

class TRzCustomEdit : public TRzFramedEdit<TCustomMaskEdit> {
public:
    explicit TRzCustomEdit(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    virtual void UpdateTextHint(const std::string& Hint);
    // Records the focus part of the hot state as well.
    void UpdateFrame(bool ViaMouse, bool Hot) override;
    virtual TRect GetEditRect();
    virtual std::string GetEditText() { return Text(); }
    virtual void InvalidKeyBeep();

    TAlignment Alignment() const { return FAlignment; }
    virtual void SetAlignment(TAlignment Value);
    void SetReadOnly(bool Value) override;
    std::string TextHint() const { return FTextHint; }
    void SetTextHint(const std::string& Value);
    bool TextHintVisibleOnFocus() const { return FTextHintVisibleOnFocus; }
    void SetTextHintVisibleOnFocus(bool Value);
    bool BeepOnInvalidKey() const { return FBeepOnInvalidKey; }
    void SetBeepOnInvalidKey(bool Value) { FBeepOnInvalidKey = Value; }
    bool FlatButtons() const { return FFlatButtons; }
    virtual void SetFlatButtons(bool Value);

    bool HotByFocus() const { return FHotByFocus; }

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    bool FocusedForColors() const override { return FHotByFocus; }
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void KeyPress(char& Key) override;
    virtual void ReadOnlyChanged();
    void SendNCPaint();

private:
    bool FHotByFocus = false;
    bool FNonClientHit = false;
    TAlignment FAlignment = taLeftJustify;
    std::string FTextHint;
    bool FTextHintVisibleOnFocus = false;
    bool FBeepOnInvalidKey = true;
    bool FFlatButtons = false;
};

class TRzEdit : public TRzCustomEdit {
public:
    using TRzCustomEdit::TRzCustomEdit;
};
