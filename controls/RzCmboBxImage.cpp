// The image combo box: indented rows with an image and an overlay, drawn by
// the combo itself; its items are objects it owns.
#include "controls/RzCmboBx.h"

#include <vector>

#include "classlib/Forms.h"

// ---------------------------------------------------------------------------
// TRzImageComboBoxItem
// ---------------------------------------------------------------------------

void TRzImageComboBoxItem::SetImageIndex(int Value)
{
    FImageIndex = Value;
    FOwner->Invalidate();
}

void TRzImageComboBoxItem::SetOverlayIndex(int Value)
{
    FOverlayIndex = Value;
    FOwner->Invalidate();
}

void TRzImageComboBoxItem::SetCaption(const std::string& Value)
{
    FCaption = Value;
    FOwner->Invalidate();
}

// ---------------------------------------------------------------------------
// TRzCustomImageComboBox
// ---------------------------------------------------------------------------

TRzCustomImageComboBox::TRzCustomImageComboBox(TComponent* AOwner) : TRzCustomComboBox(AOwner)
{
    SetStyle(csOwnerDrawFixed);
}

TRzCustomImageComboBox::~TRzCustomImageComboBox()
{
    // The items are taken first: the window keeps copies of their pointers
    // until it goes, and its deletion notices (which only report them now)
    // must not free what is freed here once.
    std::vector<TObject*> Owned;
    for (int I = 0; I < Items()->Count(); ++I)
        Owned.push_back(Items()->Objects(I));
    if (HandleAllocated())
        DestroyWnd();
    Items()->Clear();
    for (TObject* O : Owned)
        delete O;
    SetImages(nullptr);
}

void TRzCustomImageComboBox::SetImages(TCustomImageList* Value)
{
    if (FImages == Value)
        return;
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    Invalidate();
    if (!HasState(csLoading))
        AdjustItemHeight();
}

void TRzCustomImageComboBox::SetItemIndent(int Value)
{
    FItemIndent = Value;
    Invalidate();
}

void TRzCustomImageComboBox::Notification(TComponent* AComponent, TOperation Operation)
{
    TRzCustomComboBox::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages)
        FImages = nullptr;
}

void TRzCustomImageComboBox::AdjustItemHeight()
{
    if (!FAutoSizeItemHeight || !OwnerDrawn())
        return;
    TEXTMETRICA Tm{};
    {
        const TWindowDC DC(nullptr);
        const TSelectedObject Selected(DC.Get(), Font()->Handle());
        GetTextMetricsA(DC.Get(), &Tm);
    }
    int Height = std::abs(static_cast<int>(Tm.tmHeight)) + 4;
    if (FImages && FImages->Height() > Height)
        Height = FImages->Height();
    SetItemHeight(Height);
}

TRzImageComboBoxItem* TRzCustomImageComboBox::GetImageItem(int Index) const
{
    if (Index < 0 || Index >= Items()->Count())
        return nullptr;
    return dynamic_cast<TRzImageComboBoxItem*>(Items()->Objects(Index));
}

TRzImageComboBoxItem* TRzCustomImageComboBox::AddItem(const std::string& Caption, int ImageIndex, int IndentLevel)
{
    auto Item = std::make_unique<TRzImageComboBoxItem>(this);
    Item->SetCaption(Caption);
    Item->SetImageIndex(ImageIndex);
    Item->SetIndentLevel(IndentLevel);
    const int At = Items()->AddObject(Caption, Item.get());
    Item->SetIndex(At);
    return Item.release();
}

void TRzCustomImageComboBox::Delete(int Index)
{
    FDeleting = true;
    TScopeExit Restore([this] { FDeleting = false; });
    TRzImageComboBoxItem* Item = HandleAllocated() ? nullptr : GetImageItem(Index);
    Items()->Delete(Index);
    // Without a window no deletion notice comes.
    if (Item)
        DoDeleteItem(Item);
}

void TRzCustomImageComboBox::ClearItems()
{
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    for (int I = Items()->Count() - 1; I >= 0; --I)
        Delete(I);
}

void TRzCustomImageComboBox::DoDeleteItem(void* Item)
{
    auto* It = dynamic_cast<TRzImageComboBoxItem*>(static_cast<TObject*>(Item));
    if (!It)
        return;
    if (OnDeleteItem)
        OnDeleteItem(this, It);
    if (FDeleting)
        delete It;
}

int TRzCustomImageComboBox::IndexOfItem(const std::string& Text)
{
    for (int I = 0; I < Items()->Count(); ++I) {
        const TRzImageComboBoxItem* It = GetImageItem(I);
        const std::string Caption = It ? It->Caption() : std::string();
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Caption.c_str(), -1, Text.c_str(), -1) ==
            CSTR_EQUAL)
            return I;
    }
    return -1;
}

void TRzCustomImageComboBox::DoGetItemData(TRzImageComboBoxItem* Item)
{
    if (OnGetItemData)
        OnGetItemData(this, Item);
}

void TRzCustomImageComboBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State)
{
    if (OnDrawItem) {
        TRzCustomComboBox::DrawItem(Index, Rect, State);
        return;
    }
    TRzImageComboBoxItem* Item = GetImageItem(Index);
    if (!Item)
        return;
    DoGetItemData(Item);
    const int Indent = (State & odComboBoxEdit) ? 0 : Item->IndentLevel();
    TCanvas* C = Canvas();
    C->Brush()->SetColor(Color());
    C->FillRect(Rect);
    const int X = FItemIndent * Indent + Rect.left + 2;
    if (FImages) {
        const HIMAGELIST List = FImages->Handle();
        const COLORREF OldBack = ImageList_SetBkColor(List, ColorToRGB(Color()));
        const int Y = (Rect.top + Rect.bottom - FImages->Height()) / 2;
        const UINT Overlay = Item->OverlayIndex() >= 0 ? INDEXTOOVERLAYMASK(Item->OverlayIndex() + 1) : 0;
        ImageList_Draw(List, Item->ImageIndex(), C->Handle(), X, Y, ILD_NORMAL | Overlay);
        ImageList_SetBkColor(List, OldBack);
    }
    if (State & odSelected)
        C->Brush()->SetColor(clHighlight);
    if (!Item->Caption().empty()) {
        TRect T;
        T.left = (FImages ? FImages->Width() + 4 : 4) + X - 1;
        T.top = Rect.top;
        T.right = T.left + C->TextWidth(Item->Caption()) + 3;
        T.bottom = Rect.bottom - 1;
        if (!Enabled())
            C->Font()->SetColor(clBtnShadow);
        C->TextRect(T, T.left + 1, T.top + 1, Item->Caption());
    }
}

void TRzCustomImageComboBox::CreateWnd()
{
    TRzCustomComboBox::CreateWnd();
    SendMessageA(WindowHandle(), CB_SETEXTENDEDUI, TRUE, 0);
}

void TRzCustomImageComboBox::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SETFONT:
        TRzCustomComboBox::WndProc(Message);
        if (!FInFontChange) {
            FInFontChange = true;
            TScopeExit Restore([this] { FInFontChange = false; });
            AdjustItemHeight();
        }
        return;
    case WM_ERASEBKGND: {
        const auto* Form = dynamic_cast<TCustomForm*>(Parent());
        TCanvas C;
        C.SetHandle(reinterpret_cast<HDC>(Message.WParam));
        C.Brush()->SetColor(Form ? Form->Color() : TColor(clWindow));
        C.FillRect(GetClientRect());
        C.SetHandle(nullptr);
        Message.Result = 1;
        return;
    }
    default:
        break;
    }
    TRzCustomComboBox::WndProc(Message);
}
