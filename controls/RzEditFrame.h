#pragma once
// What the framed edits (the single-line edit and the rich edit) add to the
// frame settings: the read-only colours, the colour state rule, the hot
// frame, the non-client frame painter and Enter as Tab. TBase is the class
// library's edit the control builds on.
#include <windows.h>

#include "classlib/Cleanup.h"
#include "classlib/Graphics.h"
#include "classlib/Themes.h"
#include "controls/RzFrameProps.h"

template <class TBase>
class TRzFramedEdit : public TRzFrameProps<TBase> {
public:
    explicit TRzFramedEdit(TComponent* AOwner) : TRzFrameProps<TBase>(AOwner) { FNormalColor = this->Color(); }

    // Colours follow the state: disabled, focused, read-only or normal.
    void UpdateColors() override
    {
        if (this->HasState(csLoading))
            return;
        FUpdatingColor = true;
        this->SetColor(StateColor({FNormalColor, this->FDisabledColor, this->FFocusColor, FReadOnlyColor,
                                   FReadOnlyColorOnFocus},
                                  this->Enabled(), FocusedForColors(), this->ReadOnly()));
        FUpdatingColor = false;
    }
    // The mouse part of the hot state; the focus part is the control's own.
    void UpdateFrame(bool ViaMouse, bool Hot) override
    {
        if (ViaMouse)
            FHotByMouse = Hot;
        if (this->FFrameHotTrack)
            RepaintFrame();
        UpdateColors();
    }
    virtual void RepaintFrame()
    {
        if (this->HandleAllocated())
            InvalidateNonClientFrame(this->WindowHandle(), this->ClientRect());
    }
    virtual bool UseThemes() const
    {
        return this->FFramingPreference == fpXPThemes && ThemeServices()->ThemesEnabled();
    }

    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value)
    {
        if (StoreChanged(FReadOnlyColor, Value) && this->ReadOnly())
            UpdateColors();
    }
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    void SetReadOnlyColorOnFocus(bool Value)
    {
        if (StoreChanged(FReadOnlyColorOnFocus, Value))
            UpdateColors();
    }

    bool FrameHot() const { return this->FFrameHotTrack && (FHotByMouse || FocusedForColors()); }
    bool HotByMouse() const { return FHotByMouse; }
    // The non-client frame as WM_NCPAINT draws it, on a DC of the window's
    // size.
    void PaintFrame(HDC DC)
    {
        TCanvas C;
        C.SetHandle(DC);
        const bool Hot = FrameHot();
        DrawNonClientFrame(&C, this->Width(), this->Height(), false, this->FFrameSides,
                           Hot ? this->FFrameHotColor : this->FFrameColor, this->Color(),
                           Hot ? this->FFrameHotStyle : this->FFrameStyle);
        C.SetHandle(nullptr);
    }

    const TPropertyTable* Properties() const override { return &ClassProperties(); }
    static const TPropertyTable& ClassProperties()
    {
        using E = TRzFramedEdit;
        static const TPropertyTable Table(&TRzFrameProps<TBase>::ClassProperties(), {
            E::Ruled(OrdProp("ReadOnlyColor", &E::ReadOnlyColor, &E::SetReadOnlyColor), fcpReadOnlyColor),
            E::Ruled(OrdProp("ReadOnlyColorOnFocus", &E::ReadOnlyColorOnFocus, &E::SetReadOnlyColorOnFocus),
                     fcpReadOnlyColorOnFocus),
        });
        return Table;
    }

protected:
    // Whether the focus colour applies and the frame is hot by focus.
    virtual bool FocusedForColors() const = 0;

    // The non-client area is computed at creation: a shown or hidden frame
    // takes a new window; the other settings repaint the frame.
    void FrameSettingChanged(TRzFrameControllerPropertyConnection What) override
    {
        if (What != fcpFrameVisible)
            RepaintFrame();
        else if (this->HandleAllocated())
            this->RecreateWnd();
    }

    // WM_NCPAINT: the system's frame, then ours over it when it is shown
    // and no theme draws it.
    void PaintNonClient(TMessage& Message)
    {
        TBase::WndProc(Message);
        if (this->FFrameVisible && !UseThemes() && this->HandleAllocated()) {
            TWindowDC DC(this->WindowHandle(), GetWindowDC(this->WindowHandle()));
            PaintFrame(DC.Get());
        }
        // The themed frame is painted with the theme's background over the
        // whole window, the text and any child window (the button edit's
        // buttons) too; they are painted again. Only the client area is
        // invalidated, so this asks for no new frame paint.
        if (ThemeServices()->ThemesEnabled() && this->HandleAllocated())
            RedrawWindow(this->WindowHandle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_NOFRAME);
        Message.Result = 0;
    }
    // CM_COLORCHANGED and CM_PARENTCOLORCHANGED: a colour set from outside
    // (not by UpdateColors) becomes the normal colour, and the focus colour
    // with it while they were the same.
    void ColorChanged(TMessage& Message)
    {
        TBase::WndProc(Message);
        if (!FUpdatingColor && (Message.Msg == CM_COLORCHANGED || this->ParentColor())) {
            if (this->FFocusColor == FNormalColor)
                this->FFocusColor = this->Color();
            FNormalColor = this->Color();
        }
        if (this->FFrameVisible && !UseThemes())
            RepaintFrame();
    }
    void Loaded() override
    {
        TBase::Loaded();
        FNormalColor = this->Color();
        UpdateColors();
        UpdateFrame(false, false);
    }
    // Enter (#13) with TabOnEnter: swallowed, and a Tab key posted to the
    // control moves the focus on. True when the key was taken.
    bool EnterAsTab(char& Key)
    {
        if (!this->FTabOnEnter || Key != VK_RETURN)
            return false;
        Key = 0;
        PostMessageA(this->Handle(), WM_KEYDOWN, VK_TAB, 0);
        return true;
    }

    bool FUpdatingColor = false;

private:
    TColor FNormalColor = clWindow;
    bool FHotByMouse = false;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
};
