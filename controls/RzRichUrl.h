#pragma once
// The framed rich edit (frame and colours of the framed edit, caret line
// and column, clipboard state, its own wheel scrolling) and the URL rich
// edit, which detects links and reports a click on one.
#include <windows.h>

#include <functional>
#include <string>

#include "classlib/StdCtrls.h"
#include "controls/RzEditFrame.h"

using TLineColChangeEvent = std::function<void(TObject* Sender, int Line, int Column)>;
using TClipboardChangeEvent = std::function<void(TObject* Sender, bool CanPaste, bool CanCopy)>;
using TURLClickEvent = std::function<void(TObject* Sender, const std::string& URL)>;

// The EM_SCROLL messages one wheel move sends: Count of them (positive
// scrolls up), a page or a line each. Lines is the system's wheel setting.
struct TRichWheelScroll {
    int Count;
    bool Pages;
};
TRichWheelScroll RichWheelScroll(int WheelDelta, int Lines);

class TRzRichEdit : public TRzFramedEdit<TCustomRichEdit> {
public:
    explicit TRzRichEdit(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    void SetReadOnly(bool Value) override;

    // The caret's line and column, from 1.
    virtual int GetColumn();
    virtual void SetColumn(int Value);
    virtual int GetLine();
    virtual void SetLine(int Value);
    int Column() { return GetColumn(); }
    int Line() { return GetLine(); }

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override;

    TLineColChangeEvent OnLineColChange;
    TClipboardChangeEvent OnClipboardChange;

protected:
    bool FocusedForColors() const override { return FHasFocus; }
    void CreateWnd() override;
    void Change() override;
    void Click() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SelectionChange() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    // The caret moved: OnLineColChange, then ClipboardChange.
    virtual void LineColChange();
    // The clipboard or the selection may have changed: OnClipboardChange
    // with text on the clipboard and a selection to copy.
    virtual void ClipboardChange();

private:
    void EnabledChanged();
    bool FHasFocus = false;
};

class TRzRichEditURL : public TRzRichEdit {
public:
    using TRzRichEdit::TRzRichEdit;

    // A left click on a detected link, with the link's text.
    TURLClickEvent OnURLClick;

protected:
    void CreateWnd() override;
    void CNNotify(TMessage& Message) override;
};
