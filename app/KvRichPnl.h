#pragma once
// A rich edit that behaves as a read-only text panel: no caret, typing and
// mouse input ignored, the keyboard only scrolls. The page header and the
// conversion log are such panels; the log shows its caret while idle, so
// that its text can be selected and copied.
#include <string>

#include "controls/RzRichUrl.h"

class TKvRichPanel : public TRzRichEdit {
public:
    explicit TKvRichPanel(TComponent* AOwner);
    void WndProc(TMessage& Message) override;

    bool ShowCaret() const { return FShowCaret; }
    // Turning it on or off while the panel has the focus shows or hides the
    // caret at once.
    void SetShowCaret(bool Value);
    void ScrollToCaret();
    // The selected text, or the whole text when nothing is selected; line
    // breaks as CRLF.
    std::string GetSelectedOrAllText();
    std::wstring GetSelectedOrAllWideText();
    // The whole text, line breaks as CRLF.
    std::string AllText();
    std::wstring AllWideText();
    // The text's lines (not the wrapped display lines), as the class
    // library's line lists count them.
    int LineCount();
    // Appends Text at the end; the caret ends after it.
    void AppendText(const std::string& Text);
    void AppendText(const std::wstring& Text);
    // Leaves the panel empty at a cost that does not grow with its text.
    void Empty();

protected:
    void DestroyWnd() override;

private:
    // A viewer: scroll keys scroll, other input does nothing.
    bool ViewerMessage(TMessage& Message);
    bool FShowCaret = false;
    // The window goes without its text being kept for the next one.
    bool FDropText = false;
};
