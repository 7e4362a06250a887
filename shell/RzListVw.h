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
#include "controls/RzFrameProps.h"
#include "shell/RzShellUtils.h"

// ---------------------------------------------------------------------------
// TRzFramedView: frame and colours over a common control
// ---------------------------------------------------------------------------

template <class TBase>
class TRzFramedView : public TRzFrameProps<TBase> {
public:
    explicit TRzFramedView(TComponent* AOwner) : TRzFrameProps<TBase>(AOwner) { FNormalColor = this->Color(); }

    virtual bool UseThemes() const
    {
        return this->FFramingPreference == fpXPThemes && ThemeServices()->ThemesEnabled();
    }

    // Colours follow the state: disabled, focused, or the normal colour.
    void UpdateColors() override
    {
        if (this->HasState(csLoading))
            return;
        FUpdatingColor = true;
        if (!this->Enabled())
            this->SetColor(this->FDisabledColor);
        else if (FHasFocus)
            this->SetColor(this->FFocusColor);
        else
            this->SetColor(FNormalColor);
        FUpdatingColor = false;
        SendBackColor();
    }
    void UpdateFrame(bool ViaMouse, bool Hot) override
    {
        if (ViaMouse)
            FOverControl = Hot;
        if (this->FFrameHotTrack)
            RepaintFrame();
        UpdateColors();
    }
    virtual void RepaintFrame()
    {
        if (this->HandleAllocated())
            RedrawWindow(this->WindowHandle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
    }
    bool FrameHot() const { return this->FFrameHotTrack && (FHasFocus || FOverControl); }
    // The frame as WM_NCPAINT draws it, on any DC the window's size.
    void PaintFrame(HDC DC)
    {
        TCanvas C;
        C.SetHandle(DC);
        RECT W{};
        GetWindowRect(this->WindowHandle(), &W);
        const TColor Parent = this->Parent() ? this->Parent()->Color() : clBtnFace;
        const bool Hot = FrameHot();
        DrawNonClientFrame(&C, W.right - W.left, W.bottom - W.top, false, this->FFrameSides,
                           Hot ? this->FFrameHotColor : this->FFrameColor, Parent,
                           Hot ? this->FFrameHotStyle : this->FFrameStyle);
        C.SetHandle(nullptr);
    }

    // Older stored forms: "FrameFlat" true means the flat hot-tracked look;
    // false leaves the settings as they are.
    void ReadFrameFlat(bool Value)
    {
        if (Value) {
            this->SetFrameHotTrack(true);
            this->SetFrameHotStyle(fsLowered);
            this->SetFrameStyle(fsStatus);
        }
    }

    void WndProc(TMessage& Message) override
    {
        // Focus as the control was told of it: between enter and exit.
        if (this->TrackFrameHot(Message, FHasFocus))
            return;
        switch (Message.Msg) {
        case WM_NCPAINT:
            TBase::WndProc(Message);
            if (this->FFrameVisible && !UseThemes() && this->HandleAllocated()) {
                TWindowDC DC(this->WindowHandle(), GetWindowDC(this->WindowHandle()));
                PaintFrame(DC.Get());
            }
            return;
        case CM_COLORCHANGED:
            if (!FUpdatingColor) {
                if (this->FFocusColor == FNormalColor)
                    this->FFocusColor = this->Color();
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
    // The non-client area is computed at creation: a shown or hidden frame
    // takes a new window; the other settings repaint the frame.
    void FrameSettingChanged(TRzFrameControllerPropertyConnection What) override
    {
        if (What != fcpFrameVisible)
            RepaintFrame();
        else if (this->HandleAllocated())
            this->RecreateWnd();
    }
    TColor FNormalColor = clWindow;
    bool FUpdatingColor = false;
    bool FOverControl = false;
    bool FHasFocus = false;
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
    // Opens the caption editor of Item in every view: an edit the program
    // starts (a new folder, F2) is not tied to the mouse as a click is.
    bool EditItemCaption(TListItem* Item);
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
    bool FEditByProgram = false;
    TWindowSubclass FHeader;
    HWND FHintWnd = nullptr;
    std::string FHintText;
    TPoint FHintPos;
};
