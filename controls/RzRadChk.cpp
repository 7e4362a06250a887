#include "controls/RzRadChk.h"

#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>

#include "classlib/StdCtrls.h"
#include "classlib/Themes.h"

namespace {

constexpr SIZE ClassicGlyphSize{13, 13};

// Frames of a check box strip or list: three per condition, one per state.
constexpr int FramesPerCondition = 3;
enum TGlyphCondition : int { gcNormal = 0, gcPressed = 1, gcDisabled = 2, gcHot = 3 };

} // namespace

// ===========================================================================
// TRzCustomGlyphButton
// ===========================================================================

TRzCustomGlyphButton::TRzCustomGlyphButton(TComponent* AOwner)
    : TRzCustomButton(AOwner), FCustomGlyphs(std::make_unique<TBitmap>())
{
    FAutoSize = true;
    SetColor(clBtnFace);
    FCustomGlyphs->OnChange = [this](TObject* Sender) { CustomGlyphsChanged(Sender); };
    FImagesLink.OnChange = [this](TObject* Sender) { CustomGlyphsChanged(Sender); };
}

TRzCustomGlyphButton::~TRzCustomGlyphButton()
{
    ChangeFrameController(this, FFrameController, nullptr);
    if (FCustomGlyphImages)
        FCustomGlyphImages->UnRegisterChanges(&FImagesLink);
}

void TRzCustomGlyphButton::BeforeDestruction()
{
    ChangeFrameController(this, FFrameController, nullptr);
    TRzCustomButton::BeforeDestruction();
}

void TRzCustomGlyphButton::Invalidate()
{
    FGlyphDirty = true;
    TRzCustomButton::Invalidate();
}

void TRzCustomGlyphButton::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case CM_MOUSEENTER: case CM_MOUSELEAVE: case WM_SETFOCUS: case CM_ENABLEDCHANGED:
    case WM_ERASEBKGND:
        FGlyphDirty = true;
        break;
    case WM_KILLFOCUS:
        FGlyphDirty = true;
        ClearPress();
        break;
    case CM_DIALOGCHAR:
        if (IsAccel(Message.WParam, Caption()) && CanFocus()) {
            SetFocus();
            if (*Alive && Focused() && !FReadOnly) {
                ChangeState();
                if (*Alive)
                    Invalidate();
            }
            Message.Result = 1;
            return;
        }
        break;
    case CM_TEXTCHANGED: case CM_FONTCHANGED:
        TRzCustomButton::WndProc(Message);
        if (*Alive)
            AdjustBounds();
        return;
    default:
        break;
    }
    TRzCustomButton::WndProc(Message);
}

void TRzCustomGlyphButton::CreateWnd()
{
    TRzCustomButton::CreateWnd();
    SIZE Themed{};
    const TWindowDC Screen(nullptr);
    if (ThemeServices()->PartSize(Screen.Get(), teButton, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, Themed) && Themed.cx > 0)
        FThemedSize = Themed;
    AdjustBounds();
}

void TRzCustomGlyphButton::Loaded()
{
    TRzCustomButton::Loaded();
    CustomGlyphsChanged(this);
    AdjustBounds();
}

void TRzCustomGlyphButton::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomButton::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == FFrameController)
        FFrameController = nullptr;
    if (AComponent == FCustomGlyphImages) {
        FCustomGlyphImages = nullptr;
        CustomGlyphsChanged(this);
    }
}

void TRzCustomGlyphButton::SetFrameCount(int Value)
{
    FFrameCount = std::max(1, Value);
    CustomGlyphsChanged(this);
}

bool TRzCustomGlyphButton::CustomFromImages() const
{
    return FCustomGlyphImages && FCustomGlyphImages->Count() > 0;
}

void TRzCustomGlyphButton::CustomGlyphsChanged(TObject*)
{
    // A strip narrower than its frame count would give frames of no width:
    // it counts as no custom glyphs at all.
    const bool StripUsable = !FCustomGlyphs->Empty() && FCustomGlyphs->Width() >= FFrameCount;
    FUseCustomGlyphs = CustomFromImages() || StripUsable;
    UpdateGlyphSize();
    AdjustBounds();
    Invalidate();
}

void TRzCustomGlyphButton::UpdateGlyphSize()
{
    if (FUseCustomGlyphs && CustomFromImages())
        FGlyphSize = SIZE{FCustomGlyphImages->Width(), FCustomGlyphImages->Height()};
    else if (FUseCustomGlyphs && FCustomGlyphs->Width() >= FFrameCount)
        FGlyphSize = SIZE{FCustomGlyphs->Width() / FFrameCount, FCustomGlyphs->Height()};
    else if (UseThemes())
        FGlyphSize = FThemedSize;
    else
        FGlyphSize = ClassicGlyphSize;
}

bool TRzCustomGlyphButton::GlyphAtLeft() const
{
    return UseRightToLeftAlignment() != (FAlignment == taRightJustify);
}

TRect TRzCustomGlyphButton::GlyphRect() const
{
    const int X = GlyphAtLeft() ? 0 : Width() - FGlyphSize.cx;
    int Y = 2;
    switch (AlignmentVertical()) {
    case avTop: Y = 2; break;
    case avCenter: Y = (Height() - FGlyphSize.cy) / 2; break;
    case avBottom: Y = Height() - FGlyphSize.cy - 2; break;
    }
    return Bounds(X, Y, FGlyphSize.cx, FGlyphSize.cy);
}

TRect TRzCustomGlyphButton::CaptionRect() const
{
    TRect R = ShrunkRect(ClientRect(), 1);
    if (GlyphAtLeft())
        R.left += FGlyphSize.cx + 4;
    else
        R.right -= FGlyphSize.cx;
    return R;
}

UINT TRzCustomGlyphButton::CaptionFlags() const
{
    return DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | (UseRightToLeftAlignment() ? DT_RIGHT : 0);
}

void TRzCustomGlyphButton::AdjustBounds()
{
    if (!AutoSize() || !HandleAllocated() || HasState(csReading | csLoading))
        return;
    UpdateGlyphSize();
    TRect Text = ShrunkRect(ClientRect(), 1);
    Text.right -= FGlyphSize.cx + 4;
    if (Text.Width() < 2)
        Text.right = Text.left + 2;
    const std::string Shown = ShowsAccelerators() ? Caption() : RemoveAccelerators(Caption());
    const TRect T = MeasureText(Font(), Shown, Text, DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0));
    const int W = T.Width() + 2 + FGlyphSize.cx + 4;
    const int H = std::max<int>(T.Height() + 2, FGlyphSize.cy + 2);
    if (W == Width() && H == Height())
        return;
    // A glyph at the right keeps the right edge where it was.
    const int L = GlyphAtLeft() ? Left() : Left() + Width() - W;
    SetBounds(L, Top(), W, H);
}

void TRzCustomGlyphButton::SetAutoSize(bool Value)
{
    TRzCustomButton::SetAutoSize(Value);
    AdjustBounds();
}

void TRzCustomGlyphButton::ExtractGlyph(int Index, TBitmap* Bitmap, int Height, int Width, TBitmap* Source) const
{
    BitBlt(Bitmap->Canvas()->Handle(), 0, 0, Width, Height, Source->Canvas()->Handle(), Index * Width, 0, SRCCOPY);
    GdiFlush();
}

void TRzCustomGlyphButton::DrawCustomGlyph(TBitmap* Bitmap, int Index)
{
    const int W = FGlyphSize.cx, H = FGlyphSize.cy;
    TBitmap Frame(W, H);
    FillSolidRect(Frame.Canvas()->Handle(), TRect(0, 0, W, H), FTransparentColor);
    if (CustomFromImages())
        FCustomGlyphImages->Draw(Frame.Canvas(), 0, 0, Index, true);
    else
        ExtractGlyph(Index, &Frame, H, W, FCustomGlyphs.get());
    GdiFlush();
    StretchTransparentBitmap(Bitmap->Canvas(), &Frame, TRect(0, 0, W, H), FTransparentColor, TRect(0, 0, W, H));
    GdiFlush();
}

void TRzCustomGlyphButton::DrawGlyph(TBitmap* Target, const TRect& Where)
{
    // The cache holds the glyph over what was under it; a transparent
    // control's background may have changed, so it is always rebuilt.
    if (FGlyphDirty || Transparent() || FGlyphCache.Width() != Where.Width() ||
        FGlyphCache.Height() != Where.Height()) {
        FGlyphCache.SetSize(Where.Width(), Where.Height());
        BitBlt(FGlyphCache.Canvas()->Handle(), 0, 0, Where.Width(), Where.Height(), Target->Canvas()->Handle(),
               Where.left, Where.top, SRCCOPY);
        GdiFlush();
        SelectGlyph(&FGlyphCache);
        GdiFlush();
        FGlyphDirty = false;
    }
    BitBlt(Target->Canvas()->Handle(), Where.left, Where.top, Where.Width(), Where.Height(),
           FGlyphCache.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TRzCustomGlyphButton::PaintParentBackground(HDC DC)
{
    DrawParentImageDC(this, DC);
}

void TRzCustomGlyphButton::Paint()
{
    UpdateGlyphSize();
    const int W = Width(), H = Height();
    if (W <= 0 || H <= 0)
        return;
    TBitmap Off(W, H);
    TCanvas* C = Off.Canvas();
    if (Transparent())
        DrawParentImage(this, C);
    else
        FillSolidRect(C->Handle(), TRect(0, 0, W, H), Color());
    DrawGlyph(&Off, GlyphRect());

    const TRect CR = CaptionRect();
    C->SetFont(Font());
    DrawCaption(C, CR, CaptionFlags());
    if (Focused() && ShowsFocusCues() && !Caption().empty()) {
        const std::string Shown = ShowsAccelerators() ? Caption() : RemoveAccelerators(Caption());
        const TRect T = MeasureText(Font(), Shown, CR, DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0));
        TRect F = CR;
        if (UseRightToLeftAlignment())
            F.left = F.right - T.Width();
        else
            F.right = F.left + T.Width();
        switch (AlignmentVertical()) {
        case avTop: F.bottom = F.top + T.Height(); break;
        case avCenter:
            F.top = (CR.top + CR.bottom - T.Height()) / 2;
            F.bottom = F.top + T.Height();
            break;
        case avBottom: F.top = F.bottom - T.Height() - 1; break;
        }
        DrawDottedBox(C, InflatedRect(F, 1, 1));
    }
    GdiFlush();
    BitBlt(Canvas()->Handle(), 0, 0, W, H, C->Handle(), 0, 0, SRCCOPY);
}

void TRzCustomGlyphButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft)
        FMousePress = true;
    TRzCustomButton::MouseDown(Button, Shift, X, Y);
}

void TRzCustomGlyphButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    auto Alive = FAlive;
    TRzCustomButton::MouseUp(Button, Shift, X, Y);
    if (*Alive && Button == mbLeft)
        FMousePress = false;
}

void TRzCustomGlyphButton::KeyDown(WORD& Key, TShiftState Shift)
{
    if (Key == VK_RETURN && FTabOnEnter && HandleAllocated()) {
        PostMessageA(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
        Key = 0;
        return;
    }
    if (FReadOnly) {
        TCustomControl::KeyDown(Key, Shift);
        return;
    }
    if (Key == VK_ESCAPE) {
        ClearPress();
        Invalidate();
    }
    TRzCustomButton::KeyDown(Key, Shift);
}

void TRzCustomGlyphButton::KeyUp(WORD& Key, TShiftState Shift)
{
    if (FReadOnly) {
        TCustomControl::KeyUp(Key, Shift);
        return;
    }
    TRzCustomButton::KeyUp(Key, Shift);
}

void TRzCustomGlyphButton::ApplyFrameControllerSettings()
{
    TRzFrameController* FC = FFrameController;
    if (!FC || !FC->UpdateEnabled())
        return;
    SetHotTrack(true);
    const TRzFrameControllerNotifications N = FFrameControllerNotifications;
    if (HasNotification(N, fcpColor))
        SetFillColor(FC->Color());
    if (HasNotification(N, fcpFrameColor))
        SetFrameColor(FC->FrameColor());
    if (HasNotification(N, fcpFocusColor))
        SetFocusColor(FC->FocusColor());
    if (HasNotification(N, fcpDisabledColor))
        SetDisabledColor(FC->DisabledColor());
    if (HasNotification(N, fcpReadOnlyColor))
        SetReadOnlyColor(FC->ReadOnlyColor());
    if (HasNotification(N, fcpReadOnlyColorOnFocus))
        SetReadOnlyColorOnFocus(FC->ReadOnlyColorOnFocus());
    if (HasNotification(N, fcpFrameHotTrack))
        SetHotTrackStyle(FC->FrameHotTrack() ? htsFrame : htsInterior);
    if (FHotTrackStyle == htsFrame && HasNotification(N, fcpFrameHotColor))
        SetHotTrackColor(FC->FrameHotColor());
    Invalidate();
}

void TRzCustomGlyphButton::ChangeScale(int M, int D)
{
    TRzCustomButton::ChangeScale(M, D);
    if (D == 0 || M == D || !UseThemes())
        return;
    FThemedSize = SIZE{MulDiv(FThemedSize.cx, M, D) - 1, MulDiv(FThemedSize.cy, M, D) - 1};
    UpdateGlyphSize();
    AdjustBounds();
    Invalidate();
}

void TRzCustomGlyphButton::SetAlignment(TAlignment Value)
{
    if (Value == taCenter)
        Value = taRightJustify;
    if (StoreChanged(FAlignment, Value)) {
        AdjustBounds();
        Invalidate();
    }
}

void TRzCustomGlyphButton::SetWordWrap(bool Value)
{
    if (StoreChanged(FWordWrap, Value)) {
        AdjustBounds();
        Invalidate();
    }
}

void TRzCustomGlyphButton::SetCustomGlyphs(const TBitmap* Value)
{
    if (Value) {
        FCustomGlyphs->Assign(Value);
    } else {
        FCustomGlyphs->SetSize(0, 0);
        CustomGlyphsChanged(this);
    }
}

void TRzCustomGlyphButton::SetCustomGlyphImages(TCustomImageList* Value)
{
    if (ChangeImageList(this, FCustomGlyphImages, Value, FImagesLink))
        CustomGlyphsChanged(this);
}

void TRzCustomGlyphButton::SetUseCustomGlyphs(bool Value)
{
    if (StoreChanged(FUseCustomGlyphs, Value)) {
        UpdateGlyphSize();
        AdjustBounds();
        Invalidate();
    }
}

void TRzCustomGlyphButton::SetTransparentColor(TColor Value)
{
    if (StoreChanged(FTransparentColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetWinMaskColor(TColor Value)
{
    if (StoreChanged(FWinMaskColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetFillColor(TColor Value)
{
    if (StoreChanged(FFillColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetFocusColor(TColor Value)
{
    if (StoreChanged(FFocusColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetDisabledColor(TColor Value)
{
    if (StoreChanged(FDisabledColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetFrameColor(TColor Value)
{
    if (StoreChanged(FFrameColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetReadOnly(bool Value)
{
    if (StoreChanged(FReadOnly, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetReadOnlyColor(TColor Value)
{
    if (StoreChanged(FReadOnlyColor, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetReadOnlyColorOnFocus(bool Value)
{
    if (StoreChanged(FReadOnlyColorOnFocus, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetHotTrackStyle(TRzHotTrackStyle Value)
{
    if (StoreChanged(FHotTrackStyle, Value))
        Invalidate();
}

void TRzCustomGlyphButton::SetFrameController(TRzFrameController* Value)
{
    ChangeFrameController(this, FFrameController, Value);
}

void TRzCustomGlyphButton::SetFrameControllerNotifications(TRzFrameControllerNotifications Value)
{
    FFrameControllerNotifications = Value;
}

// ===========================================================================
// TRzCustomCheckBox
// ===========================================================================

TRzCustomCheckBox::TRzCustomCheckBox(TComponent* AOwner) : TRzCustomGlyphButton(AOwner)
{
    SetAlignmentVertical(avTop);
    SetFrameCount(3 * FramesPerCondition);
}

void TRzCustomCheckBox::WndProc(TMessage& Message)
{
    if (Message.Msg == BM_GETCHECK) {
        Message.Result = FState;
        return;
    }
    TRzCustomGlyphButton::WndProc(Message);
}

void TRzCustomCheckBox::ChangeState()
{
    if (ReadOnly() && MousePressInProgress())
        return;
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TRzCustomCheckBox::SetState(TCheckBoxState Value)
{
    if (Value == FState)
        return;
    FState = Value;
    Invalidate();
    if (!FActionUpdating)
        Click();
}

void TRzCustomCheckBox::SetCheckedValue(bool Value)
{
    SetState(Value ? cbChecked : cbUnchecked);
}

void TRzCustomCheckBox::SetCheckedFromAction(bool Value)
{
    FActionUpdating = true;
    SetCheckedValue(Value);
    FActionUpdating = false;
}

TControlActionLink* TRzCustomCheckBox::CreateActionLink()
{
    return new TRzCheckedActionLink(this);
}

void TRzCustomCheckBox::ActionChange(TObject* Sender, bool CheckDefaults)
{
    TRzCustomGlyphButton::ActionChange(Sender, CheckDefaults);
    if (auto* A = dynamic_cast<TCustomAction*>(Sender))
        if (!CheckDefaults || !Checked())
            SetCheckedFromAction(A->Checked());
}

int TRzCustomCheckBox::CustomImageIndex(int ImageCount) const
{
    const int S = FState;
    int Condition = gcNormal;
    if (!Enabled())
        Condition = gcDisabled;
    else if (Pressed())
        Condition = gcPressed;
    else if (MouseOver() && HotTrack() && ImageCount > 3 * FramesPerCondition)
        Condition = gcHot;
    static const int FirstFrame[] = {0, 3, 6, 9}; // by TGlyphCondition
    const int Index = FirstFrame[Condition] + S;
    // A short list lacks some frames: the normal one stands in.
    return Index < ImageCount ? Index : S;
}

void TRzCustomCheckBox::SelectGlyph(TBitmap* Bitmap)
{
    const SIZE G = GlyphSize();
    const TRect R(0, 0, G.cx, G.cy);
    TCanvas* C = Bitmap->Canvas();
    const int S = FState;
    if (UseCustomGlyphs() && CustomFromImages()) {
        DrawCustomGlyph(Bitmap, CustomImageIndex(CustomGlyphImages()->Count()));
        return;
    }
    if (UseCustomGlyphs() && CustomGlyphs()->Width() >= GlyphFrameCount()) {
        int Frame = S;
        if (!Enabled())
            Frame = 6 + S;
        else if (Pressed())
            Frame = 3 + S;
        DrawCustomGlyph(Bitmap, Frame);
        return;
    }
    if (UseThemes()) {
        static const int FirstState[] = {CBS_UNCHECKEDNORMAL, CBS_CHECKEDNORMAL, CBS_MIXEDNORMAL};
        int Offset = 0; // normal, hot, pressed, disabled follow one another
        if (!Enabled())
            Offset = 3;
        else if (Pressed())
            Offset = 2;
        else if (MouseOver())
            Offset = 1;
        if (!Transparent())
            FillSolidRect(C->Handle(), R, Color());
        ThemeServices()->DrawElement(C->Handle(), teButton, BP_CHECKBOX, FirstState[S] + Offset, R);
        return;
    }
    if (HotTrack()) {
        TRzCheckCondition Condition = ccNormalLook;
        if (!Enabled())
            Condition = ccDisabledLook;
        else if (Pressed())
            Condition = ccPressedLook;
        else if (MouseOver())
            Condition = ccHotLook;
        TColor HotFrame, HotFill;
        if (HotTrackColorType() == htctActual) {
            HotFrame = HotTrackColor();
            HotFill = BlendColors(clWhite, HotTrackColor(), 190);
        } else {
            const TColor Comp = ComplementaryColor(HotTrackColor(), 180);
            HotFrame = DarkerColor(Comp, 30);
            HotFill = Comp;
        }
        DrawCustomCheckBox(C, R,
                           {.State = static_cast<TRzCheckState>(S),
                            .Condition = Condition,
                            .Focused = Focused(),
                            .HotTrackStyle = HotTrackStyle(),
                            .FrameColor = FrameColor(),
                            .MarkColor = HighlightColor(),
                            .FillColor = FillColor(),
                            .FocusColor = FocusColor(),
                            .DisabledColor = DisabledColor(),
                            .ReadOnly = ReadOnly(),
                            .ReadOnlyColorOnFocus = ReadOnlyColorOnFocus(),
                            .ReadOnlyColor = ReadOnlyColor(),
                            .HotFrameColor = HotFrame,
                            .HotFillColor = HotFill});
        return;
    }
    UINT Flags = DFCS_BUTTONCHECK;
    if (FState == cbChecked)
        Flags |= DFCS_CHECKED;
    else if (FState == cbGrayed)
        Flags |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (Pressed())
        Flags |= DFCS_PUSHED;
    if (!Enabled())
        Flags |= DFCS_INACTIVE;
    RECT Box = R;
    DrawFrameControl(C->Handle(), &Box, DFC_BUTTON, Flags);
}

// ===========================================================================
// TRzCheckedActionLink
// ===========================================================================

bool TRzCheckedActionLink::IsCheckedLinked() const
{
    return TWinControlActionLink::IsCheckedLinked() && FBox->Checked() == CustomAction()->Checked();
}

void TRzCheckedActionLink::SetChecked(bool Value)
{
    if (IsCheckedLinked())
        FBox->SetCheckedFromAction(Value);
}
