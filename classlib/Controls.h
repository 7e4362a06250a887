#pragma once
// TControl, TWinControl, TCustomControl, TGraphicControl: windows bound to
// objects, painting, alignment, mouse and keyboard routing.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "classlib/ActnList.h"
#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"

class TControl;
class TWinControl;
class TBasicAction;
class TDockManager;

enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragKind { dkDrag, dkDock };
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TDockDropEvent = std::function<void(TObject* Sender, TControl* Source, int X, int Y)>;
using TUnDockEvent = std::function<void(TObject* Sender, TControl* Client, TWinControl* NewTarget, bool& Allow)>;
// Asked of a dock site under a dock drag: the screen rectangle it takes
// clients in (its own by default) and whether it takes this one at all.
using TGetSiteInfoEvent = std::function<void(TObject* Sender, TControl* DockClient, TRect& InfluenceRect,
                                             const TPoint& MousePos, bool& CanDock)>;
using TDockOverEvent =
    std::function<void(TObject* Sender, TControl* Source, int X, int Y, TDragState State, bool& Accept)>;
class TControlActionLink;

class EInvalidOperation : public Exception { public: using Exception::Exception; };

// ---------------------------------------------------------------------------
// Enumerations and sets
// ---------------------------------------------------------------------------

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TShiftStateFlag : unsigned {
    ssShift = 1u << 0, ssAlt = 1u << 1, ssCtrl = 1u << 2,
    ssLeft = 1u << 3, ssRight = 1u << 4, ssMiddle = 1u << 5, ssDouble = 1u << 6,
};
using TShiftState = unsigned;

enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csCaptureMouse = 1u << 1,
    csDesignInteractive = 1u << 2,
    csClickEvents = 1u << 3,
    csFramed = 1u << 4,
    csSetCaption = 1u << 5,
    csOpaque = 1u << 6,
    csDoubleClicks = 1u << 7,
    csFixedWidth = 1u << 8,
    csFixedHeight = 1u << 9,
    csNoDesignVisible = 1u << 10,
    csReplicatable = 1u << 11,
    csNoStdEvents = 1u << 12,
    csDisplayDragImage = 1u << 13,
    csReflector = 1u << 14,
    csActionClient = 1u << 15,
    csMenuEvents = 1u << 16,
    csNeedsBorderPaint = 1u << 17,
    csParentBackground = 1u << 18,
};
using TControlStyle = unsigned;

enum TControlStateFlag : unsigned {
    csLButtonDown = 1u << 0,
    csClicked = 1u << 1,
    csPalette = 1u << 2,
    csReadingState = 1u << 3,
    csAlignmentNeeded = 1u << 4,
    csFocusing = 1u << 5,
    csCreating = 1u << 6,
    csPaintCopy = 1u << 7,
    csCustomPaint = 1u << 8,
    csDestroyingHandle = 1u << 9,
    csDocking = 1u << 10,
};
using TControlState = unsigned;

// Cursor numbers; positive numbers are registered with the screen.
using TCursor = short;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSize = -22, crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                  crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14,
                  crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
                  crHelp = -20, crHandPoint = -21, crSizeAll = -22;

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;

// The lines one wheel notch scrolls, as the user set them (3 when unset).
int WheelScrollLines();

// The shift state of the keyboard now, or of a key message's data.
TShiftState KeyboardStateToShiftState();
TShiftState KeyDataToShiftState(LPARAM KeyData);
TShiftState MouseKeysToShiftState(WPARAM Keys);

// ---------------------------------------------------------------------------
// Properties by name
// ---------------------------------------------------------------------------

// Ordinal properties (integers, Booleans, enumerations, colours, bit sets)
// and text properties a control publishes by name; each class has a table
// chained to its base class's.
using TPropOrd = std::int64_t;

// The values an ordinal property may take: an enumeration's from its lowest
// to its highest named value, a Boolean's 0 and 1, an integer's those of its
// type. A value read from a stream outside them is refused, not set.
struct TOrdBounds {
    TPropOrd Low = std::numeric_limits<TPropOrd>::min();
    TPropOrd High = std::numeric_limits<TPropOrd>::max();
};

namespace OrdBoundsDetail {

// The compiler spells each value of the pack in this function's name: a
// named enumerator by its name, any other value as a cast ("(TAlign)9").
template <auto... V>
constexpr std::string_view Spelled()
{
    return __PRETTY_FUNCTION__;
}

// Enumerators are looked for among these values of the underlying type.
constexpr int ScanLow = -128, ScanCount = 384;

template <typename E, int... I>
constexpr TOrdBounds Scan(std::integer_sequence<int, I...>)
{
    constexpr std::string_view F = Spelled<static_cast<E>(ScanLow + I)...>();
    TOrdBounds B{1, 0};
    size_t At = F.find('{') + 1;
    for (int K = ScanLow; K < ScanLow + ScanCount; ++K) {
        if (F[At] != '(') {
            const auto V = static_cast<TPropOrd>(static_cast<std::underlying_type_t<E>>(K));
            B.Low = B.Low > B.High ? V : std::min(B.Low, V);
            B.High = std::max(B.High, V);
        }
        At = F.find(", ", At) + 2;
    }
    return B;
}

} // namespace OrdBoundsDetail

template <typename T>
constexpr TOrdBounds OrdBoundsOf()
{
    if constexpr (std::is_enum_v<T>) {
        constexpr TOrdBounds B = OrdBoundsDetail::Scan<T>(std::make_integer_sequence<int, OrdBoundsDetail::ScanCount>());
        static_assert(B.Low <= B.High, "an enumeration without enumerators in the scanned values");
        return B;
    } else if constexpr (std::is_same_v<T, bool>) {
        return {0, 1};
    } else {
        static_assert(std::is_integral_v<T>);
        using L = std::numeric_limits<T>;
        return {static_cast<TPropOrd>(L::min()),
                L::max() > std::numeric_limits<TPropOrd>::max() ? std::numeric_limits<TPropOrd>::max()
                                                                 : static_cast<TPropOrd>(L::max())};
    }
}

struct TPropInfo {
    std::string Name;
    std::function<TPropOrd(const TObject*)> GetOrd;
    std::function<void(TObject*, TPropOrd)> SetOrd;
    TOrdBounds Bounds; // of what SetOrd takes from a stream
    std::function<std::string(const TObject*)> GetStr;
    std::function<void(TObject*, const std::string&)> SetStr;
    // An object property (stored through its own properties), and whether
    // the value is stored with a form at all (always when unset).
    std::function<TPersistent*(const TObject*)> GetObj;
    std::function<bool(const TObject*)> Stored;
    // A reference to another component, stored by that component's name.
    std::function<TComponent*(const TObject*)> GetRef;
    std::function<void(TObject*, TComponent*)> SetRef;
    bool IsString() const { return static_cast<bool>(GetStr); }
};

class TPropertyTable {
public:
    TPropertyTable(const TPropertyTable* Base, std::vector<TPropInfo> Props)
        : FBase(Base), FProps(std::move(Props)) {}
    // Case-insensitive lookup through this table and its bases; null when none.
    const TPropInfo* Find(const std::string& Name) const;
    // Every property once, base classes' first (a redefined name in the
    // place of the base's).
    std::vector<const TPropInfo*> All() const;

private:
    const TPropertyTable* FBase;
    std::vector<TPropInfo> FProps;
};

template <typename C, typename V, typename S>
TPropInfo OrdProp(const char* Name, V (C::*Get)() const, void (C::*Set)(S))
{
    TPropInfo P;
    P.Name = Name;
    P.GetOrd = [Get](const TObject* O) { return static_cast<TPropOrd>((static_cast<const C*>(O)->*Get)()); };
    using TValue = std::remove_cv_t<std::remove_reference_t<S>>;
    P.SetOrd = [Set](TObject* O, TPropOrd V_) { (static_cast<C*>(O)->*Set)(static_cast<TValue>(V_)); };
    P.Bounds = OrdBoundsOf<TValue>();
    return P;
}

// An ordinal property holding a set, one bit per member in the low bits
// of AllMembers: a value with any other bit is refused.
inline TPropInfo BitSetProp(TPropInfo P, TPropOrd AllMembers)
{
    P.Bounds = {0, AllMembers};
    return P;
}

// An ordinal property that takes only Low to High of its type.
inline TPropInfo SubrangeProp(TPropInfo P, TPropOrd Low, TPropOrd High)
{
    P.Bounds = {Low, High};
    return P;
}

template <typename C>
TPropInfo StrProp(const char* Name, std::string (C::*Get)() const, void (C::*Set)(const std::string&))
{
    TPropInfo P;
    P.Name = Name;
    P.GetStr = [Get](const TObject* O) { return (static_cast<const C*>(O)->*Get)(); };
    P.SetStr = [Set](TObject* O, const std::string& V) { (static_cast<C*>(O)->*Set)(V); };
    return P;
}

template <typename C, typename T>
TPropInfo ObjProp(const char* Name, T* (C::*Get)() const)
{
    TPropInfo P;
    P.Name = Name;
    P.GetObj = [Get](const TObject* O) -> TPersistent* { return (static_cast<const C*>(O)->*Get)(); };
    return P;
}

// A component reference; a component of another class is refused as none.
template <typename C, typename T, typename S>
TPropInfo RefProp(const char* Name, T* (C::*Get)() const, void (C::*Set)(S*))
{
    TPropInfo P;
    P.Name = Name;
    P.GetRef = [Get](const TObject* O) -> TComponent* { return (static_cast<const C*>(O)->*Get)(); };
    P.SetRef = [Set](TObject* O, TComponent* V) { (static_cast<C*>(O)->*Set)(dynamic_cast<S*>(V)); };
    return P;
}

// A property stored only while Pred holds for the instance.
template <typename C>
TPropInfo StoredWhen(TPropInfo P, bool (*Pred)(const C*))
{
    P.Stored = [Pred](const TObject* O) { return Pred(static_cast<const C*>(O)); };
    return P;
}

// Published property access; the setters return false (and do nothing) when
// the control has no such property.
bool IsPublishedProp(const TControl* Control, const std::string& Name);
bool GetOrdProp(const TControl* Control, const std::string& Name, TPropOrd& Value);
bool SetOrdProp(TControl* Control, const std::string& Name, TPropOrd Value);
bool GetStrProp(const TControl* Control, const std::string& Name, std::string& Value);
bool SetStrProp(TControl* Control, const std::string& Name, const std::string& Value);

// ---------------------------------------------------------------------------
// TControl
// ---------------------------------------------------------------------------

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    void BeforeDestruction() override;

    // Frees now, or, while a message of this control or of one inside it
    // is being handled (a form deleted from its button's click, the button
    // on a panel), as soon as that handling has unwound.
    void Free() override;
    bool IsDispatching() const;

    // Handles one message; overrides switch on their numbers and pass the
    // rest to the base class's WndProc.
    virtual void WndProc(TMessage& Message);
    LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* AParent);
    // Whether AParent may hold this control: neither the control itself
    // nor one inside it, which would make the control its own ancestor.
    bool CanHaveParent(const TWinControl* AParent) const;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const RECT& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }

    TRect ClientRect() const { return GetClientRect(); }
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int Value) { SetClientSize(Value, ClientHeight()); }
    void SetClientHeight(int Value) { SetClientSize(ClientWidth(), Value); }
    // Screen position of the client area's origin.
    virtual TPoint ClientOrigin() const;
    TPoint ClientToScreen(const TPoint& P) const;
    TPoint ScreenToClient(const TPoint& P) const;

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    bool AutoSize() const { return FAutoSize; }
    virtual void SetAutoSize(bool Value);

    bool Visible() const { return FVisible; }
    // Virtual: a control whose visibility belongs to its container refuses
    // it here, whichever way the caller comes.
    virtual void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all parents (windowed controls: and have a window).
    virtual bool Showing() const;

    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);

    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& Value) { SetText(Value); }
    std::string Text() const { return GetText(); }
    void SetText(const std::string& Value);

    std::string Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    // What F1 on the control shows: a help context (0 for none) or a
    // keyword of the application's help.
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    const std::string& HelpKeyword() const { return FHelpKeyword; }
    void SetHelpKeyword(const std::string& Value) { FHelpKeyword = Value; }
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);

    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
    TControlState ControlState() const { return FControlState; }
    void SetControlState(TControlState Value) { FControlState = Value; }

    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    bool UseRightToLeftAlignment() const;
    bool UseRightToLeftReading() const;
    // Adds DT_RIGHT/DT_RTLREADING as the reading order asks.
    UINT DrawTextBiDiModeFlags(UINT Flags) const;

    virtual void Invalidate();
    virtual void Update();
    virtual void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    bool MouseCapture() const;
    void SetMouseCapture(bool Value);
    // The control under the mouse pointer, as mouse enter/leave last saw it.
    static TControl* MouseControl();

    // Published properties by name, chained to the base class's table.
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    // A control read from a form joins the parent whose children are read.
    void ReadState(TReader* Reader) override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    // WM_MOUSEWHEEL: OnMouseWheel first; unhandled, each notch reaches
    // OnMouseWheelDown or OnMouseWheelUp.
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;

    // Drag and drop, and docking. A drag starts at once or once the mouse
    // has moved Threshold pixels; the target under the mouse is asked
    // (OnDragOver) and gets the drop (OnDragDrop); Esc or a lost capture
    // cancels; OnEndDrag always comes, with a null target when nothing
    // took the drop.
    void BeginDrag(bool Immediate, int Threshold = -1);
    bool Dragging() const;
    // Ends the running drag: with Drop, at the target under the mouse.
    static void EndDragging(bool Drop);
    // The control whose drag runs, or null.
    static TControl* DragSource();
    // Inverts Rect (in this control's client coordinates) on the parent's
    // window, where a drop marker may reach past the control's own edges;
    // the same call again restores the pixels. The screen takes the marker
    // when there is no parent window.
    void InvertOnParent(const TRect& Rect, TColor Color) const;
    TDragKind DragKind() const { return FDragKind; }
    void SetDragKind(TDragKind Value) { FDragKind = Value; }
    // The dock site this control is docked in, or null.
    TWinControl* HostDockSite() const { return FHostDockSite; }
    // Docks into NewDockSite (undocking from the old one first).
    void ManualDock(TWinControl* NewDockSite, TControl* DropControl = nullptr, TAlign ControlSide = alNone);
    // Undocks into a floating form at ScreenPos.
    void ManualFloat(const TRect& ScreenPos);
    virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
    virtual void DragDrop(TObject* Source, int X, int Y);
    virtual void DoEndDrag(TObject* Target, int X, int Y);
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

    // OnClick, or without one the action's OnExecute.
    virtual void Click();
    virtual void DblClick();

    // Multiplies position, size and an own font's height by M / D (a form
    // laid out for one screen density shown at another).
    virtual void ChangeScale(int M, int D);
    // Offered an action that no handler ran (a hint for a status line);
    // true when the control took it.
    virtual bool ExecuteAction(TBasicAction* Action);

    // The action the control follows: its caption, state, hint and
    // handler reach the control through the link.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* Value);

protected:
    virtual TControlActionLink* CreateActionLink();
    // Copies the action's values; with CheckDefaults (the control is being
    // loaded) only values the control still has at their defaults.
    virtual void ActionChange(TObject* Sender, bool CheckDefaults);
    TControlActionLink* ActionLink() const { return FActionLink.get(); }
    // The drag this control runs takes its mouse and key messages; true
    // when Message was one of them.
    bool DragMessage(TMessage& Message);
    void UndockFromHost();
    // Tells the dock site holding this control of a change of its text or
    // visibility: CM_DOCKNOTIFICATION with the control and the message.
    void SendDockNotification(UINT Msg);
    // The default for messages no WndProc handled.
    virtual void DefaultHandler(TMessage& Message);
    virtual TRect GetClientRect() const;
    virtual void SetClientSize(int AWidth, int AHeight);
    virtual std::string GetText() const { return FText; }
    virtual void SetTextValue(const std::string& Value);
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void Resize();
    virtual void Changed();
    // True when the wheel message was used; false lets the window have it.
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    // Asks the parent to run its align pass (alignment or size changed).
    virtual void RequestAlign();
    virtual bool CanAutoSize(int& NewWidth, int& NewHeight);
    virtual void AdjustSize();
    virtual void VisibleChanging() {}
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Invalidates the control's rectangle on its parent's window.
    void InvalidateControl(bool IsVisible, bool IsOpaque);
    TControl* CaptureControlOf() const;
    void SetTextBuf(const std::string& Value) { FText = Value; }
    bool IsFontParented() const { return FParentFont; }

private:
    friend class TWinControl;
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend void FlushPendingControlFrees();
    void FreeNow();
    void FontChanged(TObject*);
    void HandleMouseMessage(TMessage& Message);
    void UpdateBoundsFromWindow(int ALeft, int ATop, int AWidth, int AHeight);

protected:
    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    bool FAutoSize = false;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    std::string FText;
    std::string FHint;
    int FHelpContext = 0;
    std::string FHelpKeyword;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    TControlState FControlState = 0;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TDragKind FDragKind = dkDrag;
    TWinControl* FHostDockSite = nullptr;
    // Alive flag shared with handlers on the stack: cleared by the destructor.
    std::shared_ptr<bool> FAlive;
    int FDispatchDepth = 0;
    bool FFreePending = false;
    bool FInPaint = false;
    std::unique_ptr<TControlActionLink> FActionLink;
};

// The link of a control to its action: a value passes on while the control
// still shows the action's old one.
class TControlActionLink : public TActionLink {
public:
    explicit TControlActionLink(TControl* AClient) : TActionLink(AClient), FControl(AClient) {}
    bool IsCaptionLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHintLinked() const override;
    bool IsVisibleLinked() const override;
    void SetCaption(const std::string& Value) override;
    void SetEnabled(bool Value) override;
    void SetHint(const std::string& Value) override;
    void SetVisible(bool Value) override;

protected:
    TControl* FControl;
};

class TWinControlActionLink : public TControlActionLink {
public:
    using TControlActionLink::TControlActionLink;
};

// ---------------------------------------------------------------------------
// TWinControl
// ---------------------------------------------------------------------------

// The padding of a windowed control as a stored object: "Padding.Left",
// "Padding.Top", "Padding.Right" and "Padding.Bottom", each written only
// when not 0. Reads and writes go through to the control.
class TPadding : public TPersistent {
public:
    explicit TPadding(TWinControl* Control) : FControl(Control) {}
    TWinControl* Control() const { return FControl; }
    const TPropertyTable* Properties() const override;

private:
    TWinControl* FControl;
};

struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    void* Param = nullptr;
    WNDCLASSA WindowClass{};
    // The registered class name; the class is registered on first use.
    std::string WinClassName;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    void BeforeDestruction() override;
    int StoredWindowCount() const override { return 1; }

    void WndProc(TMessage& Message) override;

    // The window, created on first use (with the parents' windows).
    HWND Handle();
    HWND WindowHandle() const { return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window and creates it again with fresh CreateParams.
    void RecreateWnd();
    // A window outside the class library to create this control inside.
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value);
    // The control bound to a window of this process, or null.
    static TWinControl* FindControl(HWND Wnd);

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
    bool ContainsControl(const TControl* Control) const;
    // The child control at P (client coordinates), graphic ones included.
    TControl* ControlAtPos(const TPoint& P, bool AllowDisabled, bool AllowWinControls = false) const;
    // Sends Message to every child control.
    void Broadcast(TMessage& Message);
    void NotifyControls(UINT Msg);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    bool Showing() const override;
    void SetEnabled(bool Value) override;
    TPoint ClientOrigin() const override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;

    // The align pass over the child controls.
    void Realign();
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    bool AlignDisabled() const { return FAlignLevel > 0; }

    TBrush* Brush() const { return FBrush.get(); }
    bool ParentBackground() const { return (FControlStyle & csParentBackground) != 0; }
    void SetParentBackground(bool Value);
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    int TabOrder() const;
    void SetTabOrder(int Value);
    virtual bool CanFocus() const;
    bool Focused() const;
    virtual void SetFocus();
    // Focus order: the children with TabStop, by TabOrder, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& List) const;
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                 bool CheckParent) const;
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

    void PaintTo(HDC DC, int X, int Y);
    void ChangeScale(int M, int D) override;

    // The hide-focus and hide-accelerator flags (UISF_*) this window keeps
    // itself: WM_CHANGEUISTATE climbs to the top-level control, which sends
    // WM_UPDATEUISTATE down, and WM_QUERYUISTATE answers from here, the same
    // with or without the system's support for these messages.
    WORD UIState() const { return FUIState; }

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // A dock site takes controls docked into it; with UseDockManager its
    // dock manager lays them out and paints their grabbers.
    bool DockSite() const { return FDockSite; }
    virtual void SetDockSite(bool Value);
    bool UseDockManager() const { return FUseDockManager; }
    void SetUseDockManager(bool Value);
    TDockManager* DockManager();
    int DockClientCount() const { return static_cast<int>(FDockClients.size()); }
    TControl* DockClients(int Index) const { return FDockClients.at(static_cast<size_t>(Index)); }
    // Asked by a dock drag over the site: its influence rectangle and
    // consent, then (Accept true by default) whether the client may drop.
    virtual void GetSiteInfo(TControl* Client, TRect& InfluenceRect, const TPoint& MousePos, bool& CanDock);
    virtual void DockOver(TControl* Source, int X, int Y, TDragState State, bool& Accept);
    TGetSiteInfoEvent OnGetSiteInfo;
    TDockOverEvent OnDockOver;
    TDockDropEvent OnDockDrop;
    TUnDockEvent OnUnDock;
    // Room kept free inside the client area for aligned children
    // (left, top, right, bottom margins).
    const TRect& Padding() const { return FPadding; }
    void SetPadding(const TRect& Value);
    // The same four sides as a stored object, for the controls that
    // publish Padding.
    TPadding* PaddingSides() const { return FPaddingSides.get(); }
    // Form storage: the child controls the root owns, in z-order.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();

protected:
    void DefaultHandler(TMessage& Message) override;
    virtual void CreateParams(TCreateParams& Params);
    // Makes the window a superclass of a standard window class ("EDIT",
    // "COMBOBOX", "LISTBOX", "RichEdit20A"...): unhandled messages go to the
    // class's own procedure.
    void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& Params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    virtual void CreateHandle();
    void DestroyHandle();
    // Places the window after its creation; runs before children are created.
    virtual void CreateHandleDone() {}
    TRect GetClientRect() const override;
    void SetClientSize(int AWidth, int AHeight) override;
    std::string GetText() const override;
    void SetTextValue(const std::string& Value) override;
    virtual void AdjustClientRect(TRect& Rect);
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    void RequestAlign() override;
    virtual void PaintWindow(HDC DC);
    void PaintHandler(TMessage& Message);
    void PaintControls(HDC DC, TControl* First);
    // Runs after the graphic children have painted, on the same device
    // context: what must stay visible over them (a size grip) goes here.
    virtual void PaintOverControls(HDC /*DC*/) {}
    virtual void KeyDown(WORD& Key, TShiftState Shift);
    virtual void KeyUp(WORD& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    bool DoKeyDown(TMessage& Message);
    bool DoKeyUp(TMessage& Message);
    bool DoKeyPress(TMessage& Message);
    // WM_KEYDOWN/UP and WM_CHAR through the key events; true when the key
    // was taken (or the control freed) and the message must go no further.
    bool DoKeyMessage(TMessage& Message);
    virtual void DoEnter();
    virtual void DoExit();
    void Loaded() override;
    void SetZOrder(bool TopMost);
    // The window's DC is released and the window is valid: window children
    // may be created.
    virtual void ShowControl(TControl*) {}
    void UpdateControlState();

    // The dock manager a dock site with UseDockManager makes on demand.
    virtual TDockManager* CreateDockManager() { return nullptr; }

    // The window procedure the window's class came with (subclassed
    // standard controls) or DefWindowProcA.
    WNDPROC FDefWndProc = nullptr;

private:
    friend class TControl;
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    void InsertControl(TControl* AControl);
    void RemoveControl(TControl* AControl);
    void UpdateShowing();
    void ChangeUIState(TMessage& Message);
    void UpdateUIState(TMessage& Message);
    void DoubleBufferedPaint();
    void BrushChanged(TObject*);
    void ReflectNotification(TMessage& Message);
    void EraseBackground(TMessage& Message);
    void HandleKeyMessage(TMessage& Message);
    void HandleFocusMessage(TMessage& Message);
    void RouteMouseToChild(TMessage& Message);
    void TrackMouseLeave();
    // The message handlers WndProc calls; those returning bool leave the
    // message to TControl when false.
    bool WMMouseWheel(TMessage& Message);
    void WMMouseLeave(TMessage& Message);
    void WMCaptureChanged(TMessage& Message);
    void WMPaint(TMessage& Message);
    void WMSetCursor(TMessage& Message);
    void WMWindowPosChanged(TMessage& Message);
    void WMNotification(TMessage& Message);
    void CNCtlColor(TMessage& Message);
    void CMColorChanged();
    void CMFontChanged();
    void WMNCDestroy(TMessage& Message);

    HWND FHandle = nullptr;
    HWND FParentWindow = nullptr;
    std::vector<TControl*> FControls; // z-order: first is bottom
    std::unique_ptr<TBrush> FBrush;
    int FAlignLevel = 0;
    bool FTabStop = false;
    int FTabOrder = -1;
    bool FDoubleBuffered = false;
    bool FTrackingLeave = false;
    bool FRealigning = false;
    WORD FUIState = 0;
    bool FDockSite = false;
    bool FUseDockManager = false;
    std::unique_ptr<TDockManager> FDockManager;
    std::vector<TControl*> FDockClients;
    TRect FPadding{0, 0, 0, 0};
    const std::unique_ptr<TPadding> FPaddingSides = std::make_unique<TPadding>(this);
};

// A windowed control that paints itself through its canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;
    void WndProc(TMessage& Message) override;
    TCanvas* Canvas() const;

protected:
    virtual void Paint() {}
    void PaintWindow(HDC DC) override;

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A control without a window, painted on its parent's window.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* AOwner);
    ~TGraphicControl() override;
    void WndProc(TMessage& Message) override;
    TCanvas* Canvas() const;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A canvas on a control: the client area of a windowed control, or the
// control's rectangle on its parent for a graphic one. Outside painting the
// device context is taken on first use and released by FreeHandle.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TControl* AControl) : FControl(AControl) {}
    ~TControlCanvas() override;
    TControl* Control() const { return FControl; }
    void FreeHandle();
    // Makes a window DC (non-client area included) instead of a client DC.
    void SetWindowDC(bool Value) { FWindowDC = Value; }

protected:
    void CreateHandle() override;

private:
    TControl* FControl;
    TWindowDC FDeviceContext;
    bool FWindowDC = false;
};

// The form a control sits on (the top of its parent chain when it is a
// form), or null.
class TCustomForm;
TCustomForm* GetParentForm(const TControl* Control);

// Cursor handles by number; positive numbers are registered by the caller.
HCURSOR CursorHandle(TCursor Cursor);
// Releases the device contexts control canvases took outside painting.
void FreeControlCanvasHandles();
// Frees the controls whose Free() had to wait and whose handlers are done.
void FlushPendingControlFrees();
void RegisterCursor(TCursor Cursor, HCURSOR Handle);

// A hidden window whose messages go to Handler: by default a message-only
// one (timers, the application's own window), else one of the class, styles
// and parent given (the owner of a tracked menu). DeallocateHWnd destroys it.
HWND AllocateHWnd(std::function<void(TMessage&)> Handler, const char* ClassName = "TessalyUtilWindow",
                  DWORD ExStyle = 0, DWORD Style = 0, HWND Parent = HWND_MESSAGE);
void DeallocateHWnd(HWND Wnd);
// A hidden helper window of the class ClassName, registered with Proc (and
// Cursor) the first time: Parent HWND_MESSAGE makes a message-only window,
// nullptr a hidden top-level one. Null when no window could be made.
HWND CreateHelperWindow(const char* ClassName, WNDPROC Proc, DWORD ExStyle, DWORD Style, HWND Parent,
                        HCURSOR Cursor = nullptr);

// Lays out the controls docked in a site and paints what it draws around
// them. The site owns its manager.
class TDockManager {
public:
    virtual ~TDockManager() = default;
    virtual void InsertControl(TControl* Control, TAlign InsertAt, TControl* DropControl) = 0;
    virtual void RemoveControl(TControl* Control) = 0;
    // Places every docked control again.
    virtual void ResetBounds(bool Force) = 0;
    // Paints the grabbers on the site's client DC.
    virtual void PaintSite(HDC DC) = 0;
};

// The class library's dock manager: the docked controls share the site's
// client area from top to bottom, each inside its dock rectangle, which
// AdjustDockRect moves in to leave room for a grabber.
class TDockTree : public TDockManager {
public:
    explicit TDockTree(TWinControl* DockSite) : FDockSite(DockSite) {}
    void InsertControl(TControl* Control, TAlign InsertAt, TControl* DropControl) override;
    void RemoveControl(TControl* Control) override;
    void ResetBounds(bool Force) override;
    void PaintSite(HDC DC) override;
    TWinControl* DockSite() const { return FDockSite; }
    // The zone of a docked control: its rectangle and its grabber's.
    TRect ZoneRect(TControl* Control) const;

protected:
    // The part of the site the zones share.
    virtual TRect SiteRect() const;
    virtual void AdjustDockRect(TControl* Control, TRect& ARect);
    // Draws the grabber of Control in ARect (the zone less the dock rect).
    virtual void PaintDockFrame(TCanvas* Canvas, TControl* Control, const TRect& ARect);

private:
    TWinControl* FDockSite;
    std::vector<TControl*> FClients;
};
