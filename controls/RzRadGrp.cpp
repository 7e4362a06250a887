#include "controls/RzRadGrp.h"

#include <algorithm>

#include "classlib/ResStrings.h"
#include "classlib/StdCtrls.h"

namespace {

constexpr int CheckBoxFrames = 9;

} // namespace

// ===========================================================================
// TRzGroupCheck
// ===========================================================================

TRzGroupCheck::TRzGroupCheck(TRzCustomCheckGroup* Group) : TRzCheckBox(Group), FGroup(Group) {}

TRzGroupCheck::~TRzGroupCheck()
{
    if (FGroup) {
        auto& L = FGroup->FChecks;
        L.erase(std::remove(L.begin(), L.end(), this), L.end());
    }
}

void TRzGroupCheck::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    // The click a release makes may reach the group's handlers, which may
    // send the item more mouse messages: one release at a time.
    if (FInMouseUp || (FGroup && !FGroup->CanChange())) {
        EndPress();
        Invalidate();
        return;
    }
    auto Alive = FAlive;
    FInMouseUp = true;
    TRzCheckBox::MouseUp(Button, Shift, X, Y);
    if (*Alive)
        FInMouseUp = false;
}

void TRzGroupCheck::KeyDown(WORD& Key, TShiftState Shift)
{
    auto Alive = FAlive;
    TRzCheckBox::KeyDown(Key, Shift);
    if (*Alive && Key != 0 && FGroup && FGroup->OnKeyDown)
        FGroup->OnKeyDown(FGroup, Key, Shift);
}

void TRzGroupCheck::KeyPress(char& Key)
{
    if (FGroup && !FGroup->CanChange() && (Key == '\b' || Key == ' '))
        Key = 0;
    auto Alive = FAlive;
    TRzCheckBox::KeyPress(Key);
    if (*Alive && Key != 0 && FGroup && FGroup->OnKeyPress)
        FGroup->OnKeyPress(FGroup, Key);
}

// ===========================================================================
// TRzCustomCheckGroup
// ===========================================================================

TRzCustomCheckGroup::TRzCustomCheckGroup(TComponent* AOwner)
    : TRzCustomGroupBox(AOwner), FItems(std::make_unique<TStringList>()), FItemFont(std::make_unique<TFont>()), FCustomGlyphs(std::make_unique<TBitmap>())
{
    FControlStyle &= ~csReplicatable;
    SetGroupStyle(gsFlat);
    FItemFont->SetName("Tahoma");
    FItemFont->SetSize(8);
    FItemFont->OnChange = [this](TObject* Sender) { ItemFontChanged(Sender); };
    FItems->OnChange = [this](TObject*) {
        if (!HasState(csLoading))
            ItemsChanged();
    };
    FCheckStates.SetDuplicates(dupAccept);
    FCustomGlyphs->OnChange = [this](TObject*) {
        FUseCustomGlyphs = !FCustomGlyphs->Empty();
        GlyphsChanged();
    };
    FImagesLink.OnChange = [this](TObject*) {
        FUseCustomGlyphs = FCustomGlyphImages && FCustomGlyphImages->Count() > 0;
        GlyphsChanged();
    };
}

TRzCustomCheckGroup::~TRzCustomCheckGroup()
{
    TRzCustomCheckGroup::BeforeDestruction();
}

void TRzCustomCheckGroup::BeforeDestruction()
{
    if (FItems->OnChange) {
        SetItemCount(0);
        FItems->OnChange = nullptr;
        FItemFont->OnChange = nullptr;
        if (FCustomGlyphImages)
            FCustomGlyphImages->UnRegisterChanges(&FImagesLink);
        FCustomGlyphImages = nullptr;
    }
    TRzCustomGroupBox::BeforeDestruction();
}

void TRzCustomCheckGroup::WndProc(TMessage& Message)
{
    auto Alive = FAlive;
    switch (Message.Msg) {
    case WM_SIZE:
        TRzCustomGroupBox::WndProc(Message);
        if (*Alive)
            ArrangeItems();
        return;
    case CM_ENABLEDCHANGED:
        TRzCustomGroupBox::WndProc(Message);
        if (!*Alive)
            return;
        for (TRzGroupCheck* C : FChecks)
            C->SetEnabled(Enabled());
        Invalidate();
        return;
    case CM_FONTCHANGED:
        TRzCustomGroupBox::WndProc(Message);
        if (*Alive && !FItemFontCustom) {
            FFollowingFont = true;
            FItemFont->Assign(Font());
            FFollowingFont = false;
        }
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(Message.WParam, Caption()) && CanFocus() && !FChecks.empty()) {
            FChecks.front()->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    case WM_KEYDOWN:
        if (Message.WParam == VK_RETURN && FTabOnEnter && HandleAllocated()) {
            PostMessageA(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
            return;
        }
        break;
    default:
        break;
    }
    TRzCustomGroupBox::WndProc(Message);
}

TRzGroupCheck* TRzCustomCheckGroup::GetCheckBox(int Index) const
{
    if (Index < 0 || Index >= ItemCount())
        throw EListError(Format(LoadResString(SListIndexError), Index));
    return FChecks[static_cast<size_t>(Index)];
}

void TRzCustomCheckGroup::SetItemCount(int Count)
{
    while (ItemCount() < Count) {
        auto* C = new TRzGroupCheck(this);
        FChecks.push_back(C);
        C->SetAlignmentVertical(avCenter);
        C->SetAutoSize(true);
        C->SetWordWrap(false);
        C->SetEnabled(Enabled());
        C->SetParentShowHint(false);
        C->SetParent(this);
        C->SetParentFont(false);
        C->OnClick = [this, C](TObject*) { ItemClicked(C); };
    }
    while (ItemCount() > Count)
        FChecks.back()->Free(); // leaves the list itself
}

void TRzCustomCheckGroup::ItemClicked(TRzGroupCheck* Item)
{
    const auto It = std::find(FChecks.begin(), FChecks.end(), Item);
    if (It != FChecks.end() && OnChange)
        OnChange(this, static_cast<int>(It - FChecks.begin()), Item->State());
}

void TRzCustomCheckGroup::ItemsChanged()
{
    SetItemCount(FItems->Count());
    for (int I = 0; I < ItemCount(); ++I)
        FChecks[static_cast<size_t>(I)]->SetCaption(FItems->Get(I));
    ArrangeItems();
    Invalidate();
}

void TRzCustomCheckGroup::SetItems(const TStrings* Value)
{
    FItems->Assign(Value);
}

SIZE TRzCustomCheckGroup::ItemGlyphSize() const
{
    if (FUseCustomGlyphs) {
        if (FCustomGlyphImages && FCustomGlyphImages->Count() > 0)
            return SIZE{FCustomGlyphImages->Width(), FCustomGlyphImages->Height()};
        // A strip narrower than its frames has none: the items draw their own.
        if (FCustomGlyphs->Width() >= CheckBoxFrames)
            return SIZE{FCustomGlyphs->Width() / CheckBoxFrames, FCustomGlyphs->Height()};
    }
    return SIZE{13, 13};
}

void TRzCustomCheckGroup::ArrangeItems()
{
    if (FChecks.empty() || HasState(csLoading))
        return;
    std::vector<TRzGroupCheck*> Shown;
    for (TRzGroupCheck* C : FChecks)
        if (C->Visible())
            Shown.push_back(C);
    const int V = static_cast<int>(Shown.size());
    const int Rows = std::max(1, (V + FColumns - 1) / FColumns);
    const int Border = BorderWidth();
    const int GlyphWidth = ItemGlyphSize().cx;

    std::vector<int> Widths(static_cast<size_t>(FColumns), 0);
    if (FSpaceEvenly) {
        std::fill(Widths.begin(), Widths.end(), (Width() - FStartXPos - 2 * Border - 10) / FColumns);
    } else {
        for (int K = 0; K < V; ++K) {
            const TRect T = MeasureText(FItemFont.get(), Shown[static_cast<size_t>(K)]->Caption(), TRect(0, 0, 0, 0),
                                        DT_EXPANDTABS | DT_NOPREFIX | DT_SINGLELINE);
            int& W = Widths[static_cast<size_t>(std::min(K / Rows, FColumns - 1))];
            W = std::max<int>(W, T.Width() + GlyphWidth + 12);
        }
    }
    const TRect Client = ClientRect();
    const int Y0 = FStartYPos + Client.top;
    const bool RTL = UseRightToLeftAlignment();
    for (int K = 0; K < V; ++K) {
        const int Col = std::min(K / Rows, FColumns - 1), Row = K % Rows;
        const int ColWidth = Widths[static_cast<size_t>(Col)];
        const int Top = Y0 + Row * (FItemHeight + FVerticalSpacing);
        int X = Border, W = ColWidth, Left = 0;
        if (FSpaceEvenly) {
            X = Col * ColWidth + Border;
            Left = RTL ? Client.Width() - X - ColWidth - FStartXPos : X + FStartXPos;
        } else {
            for (int C = 0; C < Col; ++C)
                X += Widths[static_cast<size_t>(C)];
            W = ColWidth - 4;
            Left = RTL ? Client.Width() - X - ColWidth + 4 - FStartXPos : X + FStartXPos;
        }
        Shown[static_cast<size_t>(K)]->SetBounds(Left, Top, W, FItemHeight);
    }

    for (TRzGroupCheck* C : FChecks) {
        C->SetFont(FItemFont.get());
        C->SetBiDiMode(BiDiMode());
        C->SetTextHighlightColor(FTextHighlightColor);
        C->SetTextShadowColor(FTextShadowColor);
        C->SetTextShadowDepth(FTextShadowDepth);
        C->SetLightTextStyle(FLightTextStyle);
        C->SetTextStyle(FTextStyle);
        C->SetTransparent(Transparent());
        C->SetWinMaskColor(FWinMaskColor);
        C->SetTransparentColor(FTransparentColor);
        if (!FCustomGlyphs->Empty())
            C->SetCustomGlyphs(FCustomGlyphs.get());
        C->SetCustomGlyphImages(FCustomGlyphImages);
        C->SetUseCustomGlyphs(FUseCustomGlyphs && C->UseCustomGlyphs());
        C->SetFrameColor(FItemFrameColor);
        C->SetHotTrack(FItemHotTrack);
        C->SetHighlightColor(FItemHighlightColor);
        C->SetHotTrackColor(FItemHotTrackColor);
        C->SetHotTrackColorType(FItemHotTrackColorType);
        C->SetAllowGrayed(FAllowGrayed);
        C->SetReadOnly(FReadOnly);
        C->SetReadOnlyColor(FReadOnlyColor);
        C->SetReadOnlyColorOnFocus(FReadOnlyColorOnFocus);
        C->SetTabOnEnter(FTabOnEnter);
    }
}

template <typename T>
void TRzCustomCheckGroup::SetAndArrange(T& Field, const T& Value)
{
    if (StoreChanged(Field, Value))
        ArrangeItems();
}

void TRzCustomCheckGroup::SetColumns(int Value)
{
    SetAndArrange(FColumns, std::clamp(Value, 1, MaxColumns));
}

void TRzCustomCheckGroup::SetItemFont(const TFont* Value)
{
    FItemFont->Assign(Value);
}

void TRzCustomCheckGroup::ItemFontChanged(TObject*)
{
    if (!FFollowingFont)
        FItemFontCustom = true;
    FItemHeight = GetFontLineHeight(FItemFont.get());
    FItemHeightSet = false;
    ArrangeItems();
}

void TRzCustomCheckGroup::SetItemHeight(int Value)
{
    FItemHeightSet = true;
    SetAndArrange(FItemHeight, Value);
}

void TRzCustomCheckGroup::SetStartPos(int Index, int Value)
{
    SetAndArrange(Index == 1 ? FStartXPos : FStartYPos, Value);
}

void TRzCustomCheckGroup::SetVerticalSpacing(int Value) { SetAndArrange(FVerticalSpacing, Value); }
void TRzCustomCheckGroup::SetSpaceEvenly(bool Value) { SetAndArrange(FSpaceEvenly, Value); }
void TRzCustomCheckGroup::SetAllowGrayed(bool Value) { SetAndArrange(FAllowGrayed, Value); }
void TRzCustomCheckGroup::SetReadOnly(bool Value) { SetAndArrange(FReadOnly, Value); }
void TRzCustomCheckGroup::SetReadOnlyColor(TColor Value) { SetAndArrange(FReadOnlyColor, Value); }
void TRzCustomCheckGroup::SetReadOnlyColorOnFocus(bool Value) { SetAndArrange(FReadOnlyColorOnFocus, Value); }
void TRzCustomCheckGroup::SetItemFrameColor(TColor Value) { SetAndArrange(FItemFrameColor, Value); }
void TRzCustomCheckGroup::SetItemHighlightColor(TColor Value) { SetAndArrange(FItemHighlightColor, Value); }
void TRzCustomCheckGroup::SetItemHotTrack(bool Value) { SetAndArrange(FItemHotTrack, Value); }
void TRzCustomCheckGroup::SetItemHotTrackColor(TColor Value) { SetAndArrange(FItemHotTrackColor, Value); }
void TRzCustomCheckGroup::SetItemHotTrackColorType(TRzHotTrackColorType Value)
{
    SetAndArrange(FItemHotTrackColorType, Value);
}
void TRzCustomCheckGroup::SetLightTextStyle(bool Value) { SetAndArrange(FLightTextStyle, Value); }
void TRzCustomCheckGroup::SetTextStyle(TTextStyle Value) { SetAndArrange(FTextStyle, Value); }
void TRzCustomCheckGroup::SetTextHighlightColor(TColor Value) { SetAndArrange(FTextHighlightColor, Value); }
void TRzCustomCheckGroup::SetTextShadowColor(TColor Value) { SetAndArrange(FTextShadowColor, Value); }
void TRzCustomCheckGroup::SetTextShadowDepth(int Value) { SetAndArrange(FTextShadowDepth, Value); }
void TRzCustomCheckGroup::SetTransparentColor(TColor Value) { SetAndArrange(FTransparentColor, Value); }
void TRzCustomCheckGroup::SetWinMaskColor(TColor Value) { SetAndArrange(FWinMaskColor, Value); }
void TRzCustomCheckGroup::SetUseCustomGlyphs(bool Value) { SetAndArrange(FUseCustomGlyphs, Value); }

void TRzCustomCheckGroup::SetTabOnEnter(bool Value)
{
    SetAndArrange(FTabOnEnter, Value);
}

void TRzCustomCheckGroup::SetCustomGlyphs(const TBitmap* Value)
{
    if (Value) {
        FCustomGlyphs->Assign(Value);
        return;
    }
    FCustomGlyphs->SetSize(0, 0);
    FUseCustomGlyphs = false;
    for (TRzGroupCheck* C : FChecks)
        C->SetCustomGlyphs(nullptr);
    GlyphsChanged();
}

void TRzCustomCheckGroup::SetCustomGlyphImages(TCustomImageList* Value)
{
    if (!ChangeImageList(this, FCustomGlyphImages, Value, FImagesLink))
        return;
    FUseCustomGlyphs = FCustomGlyphImages && FCustomGlyphImages->Count() > 0;
    GlyphsChanged();
}

void TRzCustomCheckGroup::GlyphsChanged()
{
    ArrangeItems();
    Invalidate();
}

void TRzCustomCheckGroup::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomGroupBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FCustomGlyphImages) {
        FCustomGlyphImages = nullptr;
        FUseCustomGlyphs = !FCustomGlyphs->Empty();
        GlyphsChanged();
    }
}

void TRzCustomCheckGroup::SetGroupStyle(TRzGroupBoxStyle Value)
{
    TRzCustomGroupBox::SetGroupStyle(Value);
    ArrangeItems();
}

void TRzCustomCheckGroup::SetTransparent(bool Value)
{
    TRzCustomGroupBox::SetTransparent(Value);
    ArrangeItems();
}

void TRzCustomCheckGroup::CustomFramingChanged()
{
    TRzCustomGroupBox::CustomFramingChanged();
    TRzFrameController* FC = FrameController();
    if (!FC)
        return;
    SetItemFrameColor(FC->FrameColor());
    for (TRzGroupCheck* C : FChecks)
        C->SetDisabledColor(FC->DisabledColor());
}

bool TRzCustomCheckGroup::GetItemChecked(int Index) const { return GetCheckBox(Index)->Checked(); }
void TRzCustomCheckGroup::SetItemChecked(int Index, bool Value) { GetCheckBox(Index)->SetChecked(Value); }
bool TRzCustomCheckGroup::GetItemEnabled(int Index) const { return GetCheckBox(Index)->Enabled(); }
void TRzCustomCheckGroup::SetItemEnabled(int Index, bool Value) { GetCheckBox(Index)->SetEnabled(Value); }
TCheckBoxState TRzCustomCheckGroup::GetItemState(int Index) const { return GetCheckBox(Index)->State(); }
void TRzCustomCheckGroup::SetItemState(int Index, TCheckBoxState State) { GetCheckBox(Index)->SetState(State); }

std::vector<int> TRzCustomCheckGroup::CheckStates() const
{
    std::vector<int> States;
    for (TRzGroupCheck* C : FChecks)
        States.push_back(C->State());
    return States;
}

void TRzCustomCheckGroup::ReadCheckStates(const std::vector<int>& States)
{
    FCheckStates.ReadIntegers(States);
    if (!HasState(csLoading))
        ApplyCheckStates();
}

void TRzCustomCheckGroup::ApplyCheckStates()
{
    // A stored form may hold more states than items (items removed since):
    // those are left out.
    const int N = std::min(FCheckStates.Count(), ItemCount());
    for (int I = 0; I < N; ++I) {
        const int S = FCheckStates[I];
        if (S >= cbUnchecked && S <= cbGrayed)
            SetItemState(I, static_cast<TCheckBoxState>(S));
    }
    FCheckStates.Clear();
}

void TRzCustomCheckGroup::Loaded()
{
    TRzCustomGroupBox::Loaded();
    ItemsChanged();
    ApplyCheckStates();
}

void TRzCustomCheckGroup::ChangeScale(int M, int D)
{
    TRzCustomGroupBox::ChangeScale(M, D);
    if (D == 0 || M == D)
        return;
    const int Height = FItemHeight; // a font change resets it
    if (FItemFontCustom)
        FItemFont->SetSize(MulDiv(FItemFont->Size(), M, D));
    FVerticalSpacing = MulDiv(FVerticalSpacing, M, D);
    FItemHeight = MulDiv(Height, M, D);
    FStartYPos = MulDiv(FStartYPos, M, D);
    FStartXPos = MulDiv(FStartXPos, M, D);
    ArrangeItems();
}
