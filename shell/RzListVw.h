#pragma once
// The framed list view under the shell list: frame and colour behaviour of
// the component library, a last column that fills the width, sort arrows in
// an owner-drawn header, themed header hot tracking, item hints, wheel
// scrolling and item context menus. TRzFramedView holds the frame and
// colour part that the framed tree view shares.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "classlib/Cleanup.h"
#include "classlib/ComCtrls.h"
#include "classlib/Themes.h"
#include "controls/RzCommon.h"
#include "shell/RzShellUtils.h"

// ---------------------------------------------------------------------------
// TRzFramedView: frame and colours over a common control
// ---------------------------------------------------------------------------

template <class TBase>
class TRzFramedView : public TBase {
public:
    explicit TRzFramedView(TComponent* AOwner) : TBase(AOwner) { FNormalColor = this->Color(); }
    ~TRzFramedView() override { ChangeFrameController(this, FFrameController, nullptr); }

    TColor DisabledColor() const { return FDisabledColor; }
    virtual void SetDisabledColor(TColor Value)
    {
        if (StoreChanged(FDisabledColor, Value))
            UpdateColors();
    }
    TColor FocusColor() const { return FFocusColor; }
    virtual void SetFocusColor(TColor Value)
    {
        if (StoreChanged(FFocusColor, Value))
            UpdateColors();
    }
    TColor FrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor Value)
    {
        if (StoreChanged(FFrameColor, Value))
            RepaintFrame();
    }
    TRzFrameController* FrameController() const { return FFrameController; }
    virtual void SetFrameController(TRzFrameController* Value)
    {
        ChangeFrameController(this, FFrameController, Value);
    }
    TRzFrameControllerNotifications FrameControllerNotifications() const { return FFrameControllerNotifications; }
    void SetFrameControllerNotifications(TRzFrameControllerNotifications Value)
    {
        FFrameControllerNotifications = Value;
    }
    TColor FrameHotColor() const { return FFrameHotColor; }
    virtual void SetFrameHotColor(TColor Value)
    {
        if (StoreChanged(FFrameHotColor, Value))
            RepaintFrame();
    }
    bool FrameHotTrack() const { return FFrameHotTrack; }
    // Turning it on shows the frame and, outside loading, draws all sides.
    virtual void SetFrameHotTrack(bool Value)
    {
        if (!StoreChanged(FFrameHotTrack, Value))
            return;
        if (Value) {
            SetFrameVisible(true);
            if (!this->HasState(csLoading))
                FFrameSides = sdAllSides;
        }
        RepaintFrame();
    }
    TFrameStyle FrameHotStyle() const { return FFrameHotStyle; }
    virtual void SetFrameHotStyle(TFrameStyle Value)
    {
        if (StoreChanged(FFrameHotStyle, Value))
            RepaintFrame();
    }
    TSides FrameSides() const { return FFrameSides; }
    virtual void SetFrameSides(TSides Value)
    {
        if (StoreChanged(FFrameSides, Value))
            RepaintFrame();
    }
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    virtual void SetFrameStyle(TFrameStyle Value)
    {
        if (StoreChanged(FFrameStyle, Value))
            RepaintFrame();
    }
    bool FrameVisible() const { return FFrameVisible; }
    // The non-client area is computed at creation: a new window.
    virtual void SetFrameVisible(bool Value)
    {
        if (StoreChanged(FFrameVisible, Value) && this->HandleAllocated())
            this->RecreateWnd();
    }
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    virtual void SetFramingPreference(TFramingPreference Value)
    {
        if (StoreChanged(FFramingPreference, Value))
            RepaintFrame();
    }
    virtual bool UseThemes() const
    {
        return FFramingPreference == fpXPThemes && ThemeServices()->ThemesEnabled();
    }

    // Colours follow the state: disabled, focused, or the normal colour.
    virtual void UpdateColors()
    {
        if (this->HasState(csLoading))
            return;
        FUpdatingColor = true;
        if (!this->Enabled())
            this->SetColor(FDisabledColor);
        else if (FHasFocus)
            this->SetColor(FFocusColor);
        else
            this->SetColor(FNormalColor);
        FUpdatingColor = false;
        SendBackColor();
    }
    virtual void UpdateFrame(bool ViaMouse, bool Hot)
    {
        if (ViaMouse)
            FOverControl = Hot;
        if (FFrameHotTrack)
            RepaintFrame();
        UpdateColors();
    }
    virtual void RepaintFrame()
    {
        if (this->HandleAllocated())
            RedrawWindow(this->WindowHandle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
    }
    bool FrameHot() const { return FFrameHotTrack && (FHasFocus || FOverControl); }
    // The frame as WM_NCPAINT draws it, on any DC the window's size.
    void PaintFrame(HDC DC)
    {
        TCanvas C;
        C.SetHandle(DC);
        RECT W{};
        GetWindowRect(this->WindowHandle(), &W);
        const TColor Parent = this->Parent() ? this->Parent()->Color() : clBtnFace;
        const bool Hot = FrameHot();
        DrawNonClientFrame(&C, W.right - W.left, W.bottom - W.top, false, FFrameSides,
                           Hot ? FFrameHotColor : FFrameColor, Parent, Hot ? FFrameHotStyle : FFrameStyle);
        C.SetHandle(nullptr);
    }

    // Older stored forms: "FrameFlat" and "FrameFocusStyle" (a style's
    // identifier).
    void ReadFrameFlat(bool Value)
    {
        if (Value) {
            SetFrameHotTrack(true);
            SetFrameHotStyle(fsLowered);
            SetFrameStyle(fsStatus);
        }
    }
    void ReadFrameFocusStyle(const std::string& StyleName)
    {
        TFrameStyle Style;
        if (FrameStyleFromName(StyleName, Style))
            SetFrameHotStyle(Style);
    }
    // A property the controller governs is not stored with the form.
    bool StoresProperty(TRzFrameControllerPropertyConnection Property) const
    {
        if (FFrameController && HasNotification(FFrameControllerNotifications, Property))
            return false;
        if (Property == fcpColor)
            return this->Enabled();
        if (Property == fcpFocusColor)
            return ColorToRGB(FFocusColor) != ColorToRGB(this->Color());
        return true;
    }

    const TPropertyTable* Properties() const override { return &ClassProperties(); }
    static const TPropertyTable& ClassProperties()
    {
        using P = TRzFramedView;
        static const TPropertyTable Table(&TBase::ClassProperties(), {
            OrdProp("DisabledColor", &P::DisabledColor, &P::SetDisabledColor),
            OrdProp("FocusColor", &P::FocusColor, &P::SetFocusColor),
            OrdProp("FrameColor", &P::FrameColor, &P::SetFrameColor),
            OrdProp("FrameHotColor", &P::FrameHotColor, &P::SetFrameHotColor),
            OrdProp("FrameHotTrack", &P::FrameHotTrack, &P::SetFrameHotTrack),
            OrdProp("FrameHotStyle", &P::FrameHotStyle, &P::SetFrameHotStyle),
            OrdProp("FrameSides", &P::FrameSides, &P::SetFrameSides),
            OrdProp("FrameStyle", &P::FrameStyle, &P::SetFrameStyle),
            OrdProp("FrameVisible", &P::FrameVisible, &P::SetFrameVisible),
            OrdProp("FramingPreference", &P::FramingPreference, &P::SetFramingPreference),
        });
        return Table;
    }

    void WndProc(TMessage& Message) override
    {
        switch (Message.Msg) {
        case WM_NCPAINT:
            TBase::WndProc(Message);
            if (FFrameVisible && !UseThemes() && this->HandleAllocated()) {
                TWindowDC DC(this->WindowHandle(), GetWindowDC(this->WindowHandle()));
                PaintFrame(DC.Get());
            }
            return;
        case CM_COLORCHANGED:
            if (!FUpdatingColor) {
                if (FFocusColor == FNormalColor)
                    FFocusColor = this->Color();
                FNormalColor = this->Color();
            }
            TBase::WndProc(Message);
            SendBackColor();
            return;
        case CM_SYSCOLORCHANGE:
            TBase::WndProc(Message);
            if (static_cast<std::int32_t>(this->Color()) < 0)
                this->Perform(CM_COLORCHANGED);
            return;
        case CM_ENTER: case CM_EXIT:
            // Focus as the control was told of it: between enter and exit.
            FHasFocus = Message.Msg == CM_ENTER;
            TBase::WndProc(Message);
            UpdateFrame(false, FHasFocus);
            return;
        case CM_MOUSEENTER: case CM_MOUSELEAVE:
            TBase::WndProc(Message);
            UpdateFrame(true, Message.Msg == CM_MOUSEENTER);
            return;
        case CM_ENABLEDCHANGED:
            TBase::WndProc(Message);
            UpdateColors();
            RepaintFrame();
            return;
        case WM_SIZE:
            TBase::WndProc(Message);
            RepaintFrame();
            return;
        default:
            TBase::WndProc(Message);
        }
    }

protected:
    // Tells the common control its background.
    virtual void SendBackColor() {}
    void Loaded() override
    {
        TBase::Loaded();
        FNormalColor = this->Color();
        UpdateColors();
        RepaintFrame();
    }
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TBase::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FFrameController)
            FFrameController = nullptr;
    }
    TColor FNormalColor = clWindow;
    bool FUpdatingColor = false;
    bool FOverControl = false;
    bool FHasFocus = false;

private:
    TColor FDisabledColor = clBtnFace;
    TColor FFocusColor = clWindow;
    TColor FFrameColor = clBtnShadow;
    TRzFrameController* FFrameController = nullptr;
    TRzFrameControllerNotifications FFrameControllerNotifications = fcnAll;
    TColor FFrameHotColor = clBtnShadow;
    bool FFrameHotTrack = false;
    TFrameStyle FFrameHotStyle = fsFlatBold;
    TSides FFrameSides = sdAllSides;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
};

// ---------------------------------------------------------------------------
// TRzCustomListView
// ---------------------------------------------------------------------------

// Posted by the list view to itself at creation: the header is then there.
constexpr UINT RZSH_REFRESHHEADER = WM_USER + 100;

enum TRzLVHeaderSortDisplayMode : unsigned char { hsdmNone, hsdmLeftAlign, hsdmRightOfText, hsdmRightAlign };

using TRzLVOnItemContextMenuEvent =
    std::function<void(TObject* Sender, TListItem* Item, TPoint& Pos, TPopupMenu*& Menu)>;

class TRzCustomListView : public TRzFramedView<TCustomListView> {
public:
    explicit TRzCustomListView(TComponent* AOwner);
    ~TRzCustomListView() override;
    void WndProc(TMessage& Message) override;

    TRzLVHeaderSortDisplayMode HeaderSortDisplayMode() const { return FHeaderSortDisplayMode; }
    void SetHeaderSortDisplayMode(TRzLVHeaderSortDisplayMode Value);
    bool GetFillLastColumn() const { return FFillLastColumn; }
    void SetFillLastColumn(bool Value);
    int SortColumn() const { return FSortColumn; }
    void SetSortColumn(int Value);
    bool SortDescending() const { return FSortDescending; }
    void SetSortDescending(bool Value);
    void SetViewStyle(TViewStyle Value) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    // Widens the last report column to the client width.
    virtual void FillLastColumn();
    // Header item formats from the sort display mode.
    void UpdateHeaderState();
    // Paints one header item as the owner-drawn header does.
    void DrawHeaderItem(HDC DC, int Index, const RECT& Rect);
    // The box the sort arrow sits in, for a header rectangle.
    static TRect ArrowBox(const RECT& Rect);
    int HotHeaderItem() const { return FHotHeaderItem; }
    bool Dragging() const { return FDragging; }
    // The item hint's text and screen place while shown.
    bool ItemHintShowing() const;
    std::string ItemHintTextShown() const { return FHintText; }
    TPoint ItemHintPos() const { return FHintPos; }

    TRzLVOnItemContextMenuEvent OnItemContextMenu;

    const TPropertyTable* Properties() const override { return &ClassProperties(); }
    static const TPropertyTable& ClassProperties();

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    void Loaded() override;
    void SendBackColor() override;
    bool HandleNotify(NMHDR* Header, LRESULT& Result) override;
    bool CanEdit(TListItem* Item) override;
    bool IsCustomDrawn(TCustomDrawTarget Target, TCustomDrawStage Stage) override;
    bool CustomDrawItem(TListItem* Item, TCustomDrawState State, TCustomDrawStage Stage) override;
    void HeaderCreated(HWND Header) override;
    // The comctl32 version the header features are chosen by.
    virtual TRzFileVersion CommonControlsVersion() const { return ComCtlVersion(); }
    // The item context menu at Pos (client); true when a menu popped.
    bool ItemContextMenu(TListItem* Item, TPoint Pos);
    // Fires OnItemContextMenu; a Menu left null shows no popup.
    virtual void DoItemContextMenu(TListItem* Item, TPoint& Pos, TPopupMenu*& Menu);
    void UpdateItemHint(int X, int Y);
    void HideItemHint();

private:
    LRESULT HeaderProc(UINT Msg, WPARAM WParam, LPARAM LParam);
    void InvalidateHeaderItem(int Index);
    void ScrollByWheel(int Delta);

    TRzLVHeaderSortDisplayMode FHeaderSortDisplayMode = hsdmRightOfText;
    bool FFillLastColumn = true;
    int FSortColumn = -1;
    bool FSortDescending = false;
    int FHeaderStateLevel = 0;
    int FHotHeaderItem = -1;
    bool FHeaderButtonDown = false;
    bool FTrackingHeaderLeave = false;
    bool FDragging = false;
    bool FSuppressNextPopup = false;
    bool FFillingLastColumn = false;
    TWindowSubclass FHeader;
    HWND FHintWnd = nullptr;
    std::string FHintText;
    TPoint FHintPos;
};
