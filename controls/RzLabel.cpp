#include "controls/RzLabel.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <numbers>

// ===========================================================================
// TRzLabel
// ===========================================================================

namespace {

double Radians(double Degrees)
{
    return Degrees * std::numbers::pi / 180.0;
}

// Selects a font into a DC for the life of the object and frees it after.
class TSelectedFont {
public:
    TSelectedFont(HDC DC, HFONT Font) : FDC(DC), FFont(Font), FOld(SelectObject(DC, Font)) {}
    ~TSelectedFont()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FFont);
    }
    TSelectedFont(const TSelectedFont&) = delete;
    TSelectedFont& operator=(const TSelectedFont&) = delete;

private:
    HDC FDC;
    HFONT FFont;
    HGDIOBJ FOld;
};

} // namespace

TRzLabel::TRzLabel(TComponent* AOwner) : TRzFrameControllerLink<TCustomLabel>(AOwner)
{
    FConstructing = true;
    SetColor(clBtnFace);
    SetParentColor(true);
    FConstructing = false;
    FNormalColor = FCurrentColor = Font()->Color();
    NeedBlinkingList()->Add(this);
}

TRzLabel::~TRzLabel()
{
    if (GBlinkingControls) {
        GBlinkingControls->Remove(this);
        ReleaseBlinkingList();
    }
}

void TRzLabel::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_BLINKINGQUERY:
        Message.Result = FBlinking ? 1 : 0;
        return;
    case CM_BLINK:
        if (FBlinking) {
            FBlinkOn = Message.WParam != 0;
            if (!FFlyByActive)
                FCurrentColor = FBlinkOn ? FBlinkColor : FNormalColor;
            Invalidate();
        }
        return;
    case CM_FONTCHANGED:
        if (!HasState(csLoading)) {
            if (!FBlinking) {
                FNormalColor = Font()->Color();
                if (!FFlyByActive)
                    FCurrentColor = FNormalColor;
            }
            if (FAngle != 0 && !IsTrueTypeFont(Font()))
                FAngle = 0;
        }
        break;
    case CM_MOUSEENTER:
        if (FFlyByEnabled && !FFlyByActive) {
            FSavedFontColor = FCurrentColor;
            FCurrentColor = FFlyByColor;
            FFlyByActive = true;
            Invalidate();
        }
        break;
    case CM_MOUSELEAVE:
        if (FFlyByActive) {
            FFlyByActive = false;
            FCurrentColor = FBlinking && FBlinkOn ? FBlinkColor : FNormalColor;
            Invalidate();
        }
        break;
    case CM_PARENTCOLORCHANGED:
        if (FConstructing)
            return;
        break;
    default:
        break;
    }
    TCustomLabel::WndProc(Message);
}

void TRzLabel::LookChanged(bool Resize)
{
    if (Resize)
        AdjustBounds();
    Invalidate();
}

void TRzLabel::EnsureTrueTypeFont()
{
    // Only TrueType faces turn; Verdana is on every system that draws them.
    if (!HasState(csLoading) && !IsTrueTypeFont(Font()))
        Font()->SetName("Verdana");
}

void TRzLabel::SetAngle(int Value)
{
    // Any negative value lands in 0..359 too.
    const int A = ((Value % 360) + 360) % 360;
    if (A == FAngle)
        return;
    FAngle = A;
    if (A != 0)
        EnsureTrueTypeFont();
    if (A != 0 && FRotation == roNone)
        FRotation = roFlat;
    LookChanged(true);
}

void TRzLabel::SetRotation(TRotation Value)
{
    if (Value == FRotation)
        return;
    FRotation = Value;
    if (Value != roNone)
        EnsureTrueTypeFont();
    if (Value == roNone || Value == roFlat)
        FAngle = 0;
    if (Value == roFlat)
        FCenterPoint = cpCenter;
    LookChanged(true);
}

void TRzLabel::SetBlinking(bool Value)
{
    if (Value == FBlinking)
        return;
    FBlinking = Value;
    if (!Value) {
        FBlinkOn = false;
        if (!FFlyByActive)
            FCurrentColor = FNormalColor;
    }
    Invalidate();
}

WORD TRzLabel::BlinkIntervalOff() const
{
    return GBlinkingControls ? GBlinkingControls->IntervalOff() : 500;
}

void TRzLabel::SetBlinkIntervalOff(WORD Value)
{
    NeedBlinkingList()->SetIntervalOff(Value);
}

WORD TRzLabel::BlinkIntervalOn() const
{
    return GBlinkingControls ? GBlinkingControls->IntervalOn() : 500;
}

void TRzLabel::SetBlinkIntervalOn(WORD Value)
{
    NeedBlinkingList()->SetIntervalOn(Value);
}

void TRzLabel::SetBlinkColor(TColor Value)
{
    if (StoreChanged(FBlinkColor, Value))
        LookChanged(false);
}

void TRzLabel::SetBevelWidth(int Value)
{
    if (StoreChanged(FBevelWidth, Value))
        LookChanged(true);
}

void TRzLabel::SetBorderColor(TColor Value)
{
    if (StoreChanged(FBorderColor, Value))
        LookChanged(false);
}

void TRzLabel::SetBorderInner(TFrameStyleEx Value)
{
    if (StoreChanged(FBorderInner, Value))
        LookChanged(true);
}

void TRzLabel::SetBorderOuter(TFrameStyleEx Value)
{
    if (StoreChanged(FBorderOuter, Value))
        LookChanged(true);
}

void TRzLabel::SetBorderSides(TSides Value)
{
    if (StoreChanged(FBorderSides, Value))
        LookChanged(true);
}

void TRzLabel::SetBorderHighlight(TColor Value)
{
    if (StoreChanged(FBorderHighlight, Value))
        LookChanged(false);
}

void TRzLabel::SetBorderShadow(TColor Value)
{
    if (StoreChanged(FBorderShadow, Value))
        LookChanged(false);
}

void TRzLabel::SetBorderWidth(int Value)
{
    if (StoreChanged(FBorderWidth, Value))
        LookChanged(true);
}

void TRzLabel::SetFlatColor(TColor Value)
{
    if (StoreChanged(FFlatColor, Value))
        LookChanged(false);
}

void TRzLabel::SetFlatColorAdjustment(int Value)
{
    if (StoreChanged(FFlatColorAdjustment, Value))
        LookChanged(false);
}

void TRzLabel::SetCenterPoint(TCenterPoint Value)
{
    if (StoreChanged(FCenterPoint, Value))
        LookChanged(false);
}

void TRzLabel::SetFlyByColor(TColor Value)
{
    if (StoreChanged(FFlyByColor, Value))
        LookChanged(false);
}

void TRzLabel::SetLightTextStyle(bool Value)
{
    if (StoreChanged(FLightTextStyle, Value))
        LookChanged(false);
}

void TRzLabel::SetTextMargin(int Value)
{
    if (StoreChanged(FTextMargin, Value))
        LookChanged(true);
}

void TRzLabel::SetTextStyle(TTextStyle Value)
{
    if (StoreChanged(FTextStyle, Value))
        LookChanged(true);
}

void TRzLabel::SetHighlightColor(TColor Value)
{
    if (StoreChanged(FHighlightColor, Value))
        LookChanged(false);
}

void TRzLabel::SetShadowColor(TColor Value)
{
    if (StoreChanged(FShadowColor, Value))
        LookChanged(false);
}

void TRzLabel::SetShadowDepth(int Value)
{
    if (StoreChanged(FShadowDepth, Value))
        LookChanged(true);
}

void TRzLabel::SetCondenseCaption(TRzCondenseCaption Value)
{
    if (Value == FCondenseCaption)
        return;
    FCondenseCaption = Value;
    // A shortened caption needs a size of its own.
    if (Value != ccNone)
        SetAutoSize(false);
    Invalidate();
}

void TRzLabel::SetFlyByEnabled(bool Value)
{
    if (Value == FFlyByEnabled)
        return;
    FFlyByEnabled = Value;
    if (!Value && FFlyByActive) {
        FFlyByActive = false;
        FCurrentColor = FBlinking && FBlinkOn ? FBlinkColor : FNormalColor;
    }
    Invalidate();
}

void TRzLabel::ApplyFraming(const TRzFrameController& FC, TRzFrameControllerNotifications N)
{
    if (HasNotification(N, fcpFrameStyle))
        SetBorderOuter(FC.FrameStyle());
    if (HasNotification(N, fcpFrameSides))
        SetBorderSides(FC.FrameSides());
    if (HasNotification(N, fcpFrameColor)) {
        SetFlatColor(FC.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (HasNotification(N, fcpColor)) {
        SetColor(FC.Color());
        SetBorderHighlight(LighterColor(Color(), 100));
        SetBorderShadow(DarkerColor(Color(), 50));
    }
    if (HasNotification(N, fcpParentColor))
        SetParentColor(FC.ParentColor());
}

void TRzLabel::Loaded()
{
    TCustomLabel::Loaded();
    if (FAngle != 0 && FRotation == roNone)
        FRotation = roFlat;
    if (FRotation != roNone && !IsTrueTypeFont(Font()))
        Font()->SetName("Verdana");
    FNormalColor = FCurrentColor = Font()->Color();
}

TRect TRzLabel::BorderExtents() const
{
    const int Band = FrameStyleWidth(FBorderOuter, FBevelWidth) + FBorderWidth + FrameStyleWidth(FBorderInner, FBevelWidth);
    auto Side = [&](TSide S) { return (HasSide(FBorderSides, S) ? Band : 0) + FTextMargin; };
    return TRect(Side(sdLeft), Side(sdTop), Side(sdRight), Side(sdBottom));
}

UINT TRzLabel::LabelTextFlags() const
{
    UINT Flags = TextFlags();
    if (FCondenseCaption == ccAtEnd)
        Flags |= DT_END_ELLIPSIS;
    else if (FCondenseCaption == ccWithinPath)
        Flags |= DT_PATH_ELLIPSIS;
    return Flags;
}

void TRzLabel::AdjustBounds()
{
    if (HasState(csLoading) || !AutoSize())
        return;
    const TRect E = BorderExtents();
    const TWindowDC DC(nullptr);
    TCanvas* C = Canvas();
    C->SetHandle(DC.Get());
    TRect R;
    {
        TScopeExit Lent([C] { C->SetHandle(nullptr); });
        C->Font()->Assign(Font());
        // An empty caption still measures one line high.
        const std::string Caption_ = Caption();
        const std::string Text = Caption_.empty() ? std::string(1, ' ') : Caption_;
        R = TRect(0, 0, WordWrap() ? std::max<int>(Width() - E.left - E.right, 1) : 0, 0);
        C->DrawText(Text, R, (LabelTextFlags() & ~(DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
    }

    int W = R.Width() + E.left + E.right;
    int H = R.Height() + E.top + E.bottom;
    if (FRotation == roNone) {
        if (FTextStyle == tsShadow) {
            W += FShadowDepth;
            H += FShadowDepth;
        }
    } else if (FRotation == roFlat && FAngle != 0 && FAngle != 180) {
        if (FTextStyle == tsShadow) {
            W += FShadowDepth / 2;
            H += FShadowDepth / 2;
        }
        // The box around the turned text; the sine and cosine are taken
        // unsigned so every quadrant gets its true box.
        const double T = Radians(FAngle);
        const double Cos = std::fabs(std::cos(T)), Sin = std::fabs(std::sin(T));
        const int NW = static_cast<int>(std::lround(W * Cos + H * Sin));
        const int NH = static_cast<int>(std::lround(W * Sin + H * Cos));
        W = NW;
        H = NH;
    }
    int X = Left();
    if (Alignment() == taRightJustify)
        X += Width() - W;
    SetBounds(X, Top(), W, H);
}

// Effect copies of an enabled label, then the text itself. Turned text puts
// its drop shadow half the depth out and the text half the depth back.
void TRzLabel::ForEachCopy(const std::function<void(TColor, int, int)>& Draw, bool Turned) const
{
    const int Depth = Turned ? FShadowDepth / 2 : FShadowDepth;
    switch (FTextStyle) {
    case tsRaised:
        if (!FLightTextStyle)
            Draw(FShadowColor, 1, 1);
        Draw(FHighlightColor, -1, -1);
        break;
    case tsRecessed:
        Draw(FHighlightColor, 1, 1);
        if (!FLightTextStyle)
            Draw(FShadowColor, -1, -1);
        break;
    case tsShadow: Draw(FShadowColor, Depth, Depth); break;
    default: break;
    }
    const int Back = Turned && FTextStyle == tsShadow ? -Depth : 0;
    Draw(FCurrentColor, Back, Back);
}

void TRzLabel::Paint()
{
    TCanvas* C = Canvas();
    const TRect Client = ClientRect();
    const TColor ParentColor = Parent() ? Parent()->Color() : Color();
    const TRect Inner = DrawInnerOuterBorders(C, Client,
                                              {.BorderOuter = FBorderOuter,
                                               .BorderInner = FBorderInner,
                                               .BorderWidth = FBorderWidth,
                                               .BorderSides = FBorderSides,
                                               .BevelWidth = FBevelWidth,
                                               .BorderColor = FBorderColor,
                                               .BorderHighlight = FBorderHighlight,
                                               .BorderShadow = FBorderShadow,
                                               .FlatColor = FFlatColor,
                                               .FlatColorAdjustment = FFlatColorAdjustment,
                                               .Color = Color(),
                                               .ParentColor = ParentColor,
                                               .Transparent = Transparent()});
    if (!Transparent()) {
        C->Brush()->SetColor(Color());
        C->Brush()->SetStyle(bsSolid);
        C->FillRect(Inner);
    }
    C->Brush()->SetStyle(bsClear);
    C->Font()->Assign(Font());
    switch (FRotation) {
    case roCurve: PaintCurvedText(C, Client); break;
    case roFlat: PaintFlatText(C, Client); break;
    default: PaintStraightText(C, Client); break;
    }
}

void TRzLabel::PaintStraightText(TCanvas* C, const TRect& Client)
{
    const TRect E = BorderExtents();
    const TRect Box(Client.left + E.left, Client.top + E.top, Client.right - E.right, Client.bottom - E.bottom);
    const UINT Flags = LabelTextFlags();
    const std::string Text = Caption();
    TRect Place = Box;
    if (Layout() != tlTop) {
        TRect Calc = Box;
        C->DrawText(Text.empty() ? " " : Text, Calc, Flags | DT_CALCRECT);
        const int Free = Box.Height() - Calc.Height();
        OffsetRect(&Place, 0, Layout() == tlBottom ? Free : Free / 2);
    }
    if (FTextStyle == tsShadow) {
        // Room for the shadow on the side the text is pushed against.
        if (Flags & DT_RIGHT)
            OffsetRect(&Place, -FShadowDepth, 0);
        if (Layout() == tlBottom)
            OffsetRect(&Place, 0, -FShadowDepth);
    }
    auto Draw = [&](TColor Color, int DX, int DY) {
        TRect R = Place;
        OffsetRect(&R, DX, DY);
        C->Font()->SetColor(Color);
        C->DrawText(Text, R, Flags);
    };
    if (!Enabled())
        Draw(clGrayText, 0, 0);
    else
        ForEachCopy(Draw, false);
}

void TRzLabel::PaintFlatText(TCanvas* C, const TRect& Client)
{
    const std::string Text = Caption();
    if (Text.empty())
        return;
    HDC DC = C->Handle();
    TSelectedFont Turned(DC, CreateRotatedFont(Font(), FAngle));
    SIZE Size{};
    GetTextExtentPoint32A(DC, Text.data(), static_cast<int>(Text.size()), &Size);
    // The origin that puts the middle of the turned text on the middle of
    // the control.
    const double T = Radians(FAngle), Cos = std::cos(T), Sin = std::sin(T);
    const double CX = (Client.left + Client.right) / 2.0, CY = (Client.top + Client.bottom) / 2.0;
    const int X0 = static_cast<int>(std::lround(CX - Size.cx / 2.0 * Cos - Size.cy / 2.0 * Sin));
    const int Y0 = static_cast<int>(std::lround(CY + Size.cx / 2.0 * Sin - Size.cy / 2.0 * Cos));
    const UINT OldAlign = SetTextAlign(DC, TA_LEFT | TA_TOP);
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = GetTextColor(DC);
    auto Draw = [&](TColor Color, int DX, int DY) {
        SetTextColor(DC, ColorToRef(Color));
        ExtTextOutA(DC, X0 + DX, Y0 + DY, ETO_CLIPPED, &Client, Text.data(), static_cast<UINT>(Text.size()),
                    nullptr);
    };
    if (!Enabled())
        Draw(clGrayText, 0, 0);
    else
        ForEachCopy(Draw, true);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
    SetTextAlign(DC, OldAlign);
}

void TRzLabel::PaintCurvedText(TCanvas* C, const TRect& Client)
{
    const std::string Text = Caption();
    if (Text.empty())
        return;
    HDC DC = C->Handle();
    const int W = Client.Width(), H = Client.Height(), B = FBorderWidth;
    int CX = W / 2, CY = H / 2, RX = W / 2 - 2 * B, RY = H / 2 - 2 * B;
    switch (FCenterPoint) {
    case cpUpperLeft: CX = B; CY = B; RX = W - 2 * B; RY = H - 2 * B; break;
    case cpUpperCenter: CX = W / 2; CY = B; RX = W / 2 - 2 * B; RY = H - 2 * B; break;
    case cpUpperRight: CX = W - B; CY = B; RX = W - 2 * B; RY = H - 2 * B; break;
    case cpLeftCenter: CX = B; CY = H / 2; RX = W - 2 * B; RY = H / 2 - 2 * B; break;
    case cpRightCenter: CX = W - B; CY = H / 2; RX = W - 2 * B; RY = H / 2 - 2 * B; break;
    case cpLowerLeft: CX = B; CY = H - B; RX = W - 2 * B; RY = H - 2 * B; break;
    case cpLowerCenter: CX = W / 2; CY = H - B; RX = W / 2 - 2 * B; RY = H - 2 * B; break;
    case cpLowerRight: CX = W - B; CY = H - B; RX = W - 2 * B; RY = H - 2 * B; break;
    default: break;
    }
    CX += Client.left;
    CY += Client.top;
    const int TextH = C->TextHeight("Yy");
    // A radius of nothing would make the step endless.
    const double Step = (C->TextWidth("w") + 2) / static_cast<double>(std::max(RX, 1));

    const UINT OldAlign = SetTextAlign(DC, TA_BASELINE | TA_CENTER);
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = GetTextColor(DC);
    double Theta = Radians(FAngle);
    for (size_t I = 0; I < Text.size();) {
        const size_t Len = IsLeadByte(Text[I]) && I + 1 < Text.size() ? 2 : 1;
        const std::string Ch = Text.substr(I, Len);
        I += Len;
        const int X = CX - static_cast<int>(std::lround((RX - TextH) * std::sin(Theta)));
        const int Y = CY - static_cast<int>(std::lround((RY - TextH) * std::cos(Theta)));
        const int Tenths = static_cast<int>(std::lround(Theta * 1800.0 / std::numbers::pi));
        TSelectedFont Turned(DC, CreateRotatedFontHandle(Font(), Tenths));
        auto Draw = [&](TColor Color, int DX, int DY) {
            SetTextColor(DC, ColorToRef(Color));
            TextOutA(DC, X + DX, Y + DY, Ch.data(), static_cast<int>(Ch.size()));
        };
        if (Enabled()) {
            ForEachCopy(Draw, false);
        } else {
            const TColor Saved = FCurrentColor;
            // The effects stay; the character itself is drawn engraved.
            ForEachCopy([&](TColor Color, int DX, int DY) {
                if (Color != Saved || DX || DY)
                    Draw(Color, DX, DY);
            }, false);
            Draw(clBtnHighlight, 1, 1);
            Draw(clBtnShadow, 0, 0);
        }
        Theta -= Step;
    }
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
    SetTextAlign(DC, OldAlign);
}

// ===========================================================================
// TRzURLLabel
// ===========================================================================

namespace {

std::string Trimmed(const std::string& S)
{
    size_t B = 0, E = S.size();
    while (B < E && static_cast<unsigned char>(S[B]) <= ' ')
        ++B;
    while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ')
        --E;
    return S.substr(B, E - B);
}

std::string UpperExtension(const std::string& Path)
{
    const size_t Dot = Path.find_last_of(".\\/:");
    if (Dot == std::string::npos || Path[Dot] != '.')
        return "";
    std::string Ext = Path.substr(Dot);
    CharUpperBuffA(Ext.data(), static_cast<DWORD>(Ext.size()));
    return Ext;
}

bool ShellOpenTarget(const std::string& Target)
{
    SHELLEXECUTEINFOA Info{};
    Info.cbSize = sizeof(Info);
    Info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_NOCLOSEPROCESS;
    Info.lpVerb = "Open";
    Info.lpFile = Target.c_str();
    Info.nShow = SW_SHOWNORMAL;
    const bool Ok = ShellExecuteExA(&Info) != FALSE;
    // The process handle the mask asks for is not needed here.
    const TKernelHandle Process(Info.hProcess);
    return Ok;
}

void RunCommandLine(const std::string& CommandLine)
{
    WinExec(CommandLine.c_str(), SW_SHOWNORMAL);
}

void RegisterHandCursor()
{
    static bool Done = false;
    if (Done)
        return;
    Done = true;
    HCURSOR Cursor = nullptr;
    if (IsWindowsVersion(wvWin95) || IsWindowsVersion(wvWinNT))
        Cursor = LoadCursorA(GetModuleHandleA(nullptr), "RZCOMMON_HANDCURSOR");
    if (!Cursor)
        Cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)); // IDC_HAND
    RegisterCursor(crRzHandPoint, Cursor);
}

} // namespace

TRzUrlLaunchers& UrlLaunchers()
{
    static TRzUrlLaunchers Launchers{ShellOpenTarget, RunCommandLine};
    return Launchers;
}

TRzURLLabel::TRzURLLabel(TComponent* AOwner) : TRzLabel(AOwner)
{
    RegisterHandCursor();
    SetCursor(crRzHandPoint);
    SetTextStyle(tsNormal);
    Font()->SetStyle(Font()->Style() | fsUnderline);
    UpdateFontColor();
}

void TRzURLLabel::UpdateFontColor()
{
    Font()->SetColor(FVisited ? FVisitedColor : FUnvisitedColor);
}

void TRzURLLabel::SetVisited(bool Value)
{
    if (!StoreChanged(FVisited, Value))
        return;
    UpdateFontColor();
    Invalidate();
}

void TRzURLLabel::SetUnvisitedColor(TColor Value)
{
    if (!StoreChanged(FUnvisitedColor, Value))
        return;
    UpdateFontColor();
    Invalidate();
}

void TRzURLLabel::SetVisitedColor(TColor Value)
{
    if (!StoreChanged(FVisitedColor, Value))
        return;
    UpdateFontColor();
    Invalidate();
}

void TRzURLLabel::Click()
{
    TRzLabel::Click();
    std::string Target = Trimmed(FURL);
    if (Target.empty())
        Target = Trimmed(Caption());
    if (Target.empty())
        return;
    TRzUrlLaunchers& L = UrlLaunchers();
    if (L.Open && L.Open(Target)) {
        SetVisited(true);
        return;
    }
    if (UpperExtension(Target) == ".HTM" && L.Run)
        L.Run("RunDLL32.exe Shell32.dll,OpenAs_RunDLL *.htm");
}
