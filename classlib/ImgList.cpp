#include "classlib/ImgList.h"

#include <algorithm>
#include <cstring>

#include "classlib/Controls.h"
#include "classlib/ResStrings.h"

namespace {

// A plain DIB section with a copy of the bitmap's pixels: the list copies
// from a bitmap that no device context holds, and a TBitmap always sits in
// its own memory DC.
class TLooseBitmap {
public:
    explicit TLooseBitmap(TBitmap* Source)
    {
        void* Bits = nullptr;
        FHandle.Reset(CreateTopDownDIB(Source->Width(), Source->Height(), &Bits));
        GdiFlush();
        auto* Dst = static_cast<std::uint32_t*>(Bits);
        for (int Y = 0; Y < Source->Height(); ++Y)
            for (int X = 0; X < Source->Width(); ++X)
                // No alpha: the list must not blend 32-bit images.
                Dst[static_cast<size_t>(Y) * static_cast<size_t>(Source->Width()) + static_cast<size_t>(X)] =
                    Source->ScanLine(Y)[X] & 0x00FFFFFFu;
    }
    HBITMAP Handle() const { return FHandle.Get(); }

private:
    TGdiObject<HBITMAP> FHandle;
};

// A monochrome bitmap in its own memory DC.
class TMonoSurface {
public:
    TMonoSurface(int W, int H)
        : FDC(CreateCompatibleDC(nullptr)), FBitmap(CreateBitmap(W, H, 1, 1, nullptr)),
          FSelected(FDC.Get(), FBitmap.Get())
    {
        if (!FDC || !FBitmap)
            throw EOutOfResources("Out of system resources");
    }
    HDC DC() const { return FDC.Get(); }

private:
    // Declared in this order so that the bitmap leaves the DC, then goes,
    // and the DC goes last.
    TOwnedDC FDC;
    TGdiObject<HBITMAP> FBitmap;
    TSelectedObject FSelected;
};

// Paints Color onto DC wherever the mask is black (0); white mask pixels
// keep what DC holds.
void PaintThroughMask(HDC DC, int X, int Y, int W, int H, HDC Mask, TColor Color)
{
    HBRUSH Brush = CreateSolidBrush(ColorToRef(Color));
    HGDIOBJ OldBrush = SelectObject(DC, Brush);
    const COLORREF OldText = SetTextColor(DC, RGB(0, 0, 0));
    const COLORREF OldBk = SetBkColor(DC, RGB(255, 255, 255));
    // ((D xor P) and S) xor P: a white source bit keeps D, a black one gives P.
    constexpr DWORD ROP_PSDPxax = 0x00B8074A;
    BitBlt(DC, X, Y, W, H, Mask, 0, 0, ROP_PSDPxax);
    SetTextColor(DC, OldText);
    SetBkColor(DC, OldBk);
    SelectObject(DC, OldBrush);
    DeleteObject(Brush);
}

} // namespace

// ---------------------------------------------------------------------------
// TChangeLink
// ---------------------------------------------------------------------------

TChangeLink::~TChangeLink()
{
    if (FSender)
        FSender->UnRegisterChanges(this);
}

void TChangeLink::Change()
{
    if (OnChange)
        OnChange(FSender);
}

// ---------------------------------------------------------------------------
// TCustomImageList
// ---------------------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int AWidth, int AHeight)
    : TComponent(AOwner), FWidth(std::max(1, AWidth)), FHeight(std::max(1, AHeight))
{
}

TCustomImageList::~TCustomImageList()
{
    TCustomImageList::BeforeDestruction();
    FreeHandle();
}

void TCustomImageList::BeforeDestruction()
{
    // Links outlive the list in the controls that hold them.
    for (TChangeLink* L : FLinks)
        L->SetSender(nullptr);
    FLinks.clear();
    TComponent::BeforeDestruction();
}

void TCustomImageList::FreeHandle()
{
    if (FHandle && !FShareImages)
        ImageList_Destroy(FHandle);
    FHandle = nullptr;
}

HIMAGELIST TCustomImageList::Handle()
{
    if (!FHandle) {
        // 24-bit colour: the list then never reads an alpha channel that
        // GDI leaves at zero.
        FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR24 | ILC_MASK, 4, 4);
        if (!FHandle)
            throw EOutOfResources("Out of system resources");
        ImageList_SetBkColor(FHandle, FBkColor == clNone ? CLR_NONE : ColorToRef(FBkColor));
    }
    return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value)
{
    FreeHandle();
    FHandle = Value;
    if (FHandle) {
        int W = 0, H = 0;
        ImageList_GetIconSize(FHandle, &W, &H);
        FWidth = W;
        FHeight = H;
        const COLORREF Bk = ImageList_GetBkColor(FHandle);
        FBkColor = Bk == CLR_NONE ? clNone : static_cast<TColor>(Bk);
    }
    Change();
}

void TCustomImageList::Assign(const TPersistent* Source)
{
    auto* Other = dynamic_cast<const TCustomImageList*>(Source);
    if (!Other) {
        TComponent::Assign(Source);
        return;
    }
    FreeHandle();
    FWidth = Other->FWidth;
    FHeight = Other->FHeight;
    FBkColor = Other->FBkColor;
    if (Other->FHandle)
        FHandle = ImageList_Duplicate(Other->FHandle);
    FShareImages = false;
    Change();
}

void TCustomImageList::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(1, AWidth);
    AHeight = std::max(1, AHeight);
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FHandle)
        ImageList_SetIconSize(FHandle, FWidth, FHeight);
    Change();
}

int TCustomImageList::Count() const
{
    return FHandle ? ImageList_GetImageCount(FHandle) : 0;
}

void TCustomImageList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format(LoadResString(SListIndexError), Index));
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor)
{
    if (!Image || Image->Empty())
        return -1;
    TLooseBitmap Copy(Image);
    const int Result = ImageList_AddMasked(Handle(), Copy.Handle(), ColorToRef(MaskColor));
    if (Result < 0)
        throw EInvalidOperation("Failed to read ImageList data");
    Change();
    return Result;
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask)
{
    if (!Image || Image->Empty())
        return -1;
    TLooseBitmap Copy(Image);
    TGdiObject<HBITMAP> MaskBits;
    if (Mask && !Mask->Empty()) {
        // A monochrome copy: black stays 0 (drawn), anything else becomes 1.
        MaskBits.Reset(CreateBitmap(Mask->Width(), Mask->Height(), 1, 1, nullptr));
        const TOwnedDC MaskDC(CreateCompatibleDC(nullptr));
        const TSelectedObject Selected(MaskDC.Get(), MaskBits.Get());
        const HDC MDC = MaskDC.Get();
        // Colour to monochrome: pixels of the source's background colour
        // become 1, so white must be that colour whatever the canvas set.
        HDC Src = Mask->Canvas()->Handle();
        const COLORREF OldBk = ::SetBkColor(Src, RGB(255, 255, 255));
        BitBlt(MDC, 0, 0, Mask->Width(), Mask->Height(), Src, 0, 0, SRCCOPY);
        ::SetBkColor(Src, OldBk);
    }
    const int Result = ImageList_Add(Handle(), Copy.Handle(), MaskBits.Get());
    MaskBits.Reset();
    if (Result < 0)
        throw EInvalidOperation("Failed to read ImageList data");
    Change();
    return Result;
}

void TCustomImageList::Delete(int Index)
{
    CheckIndex(Index);
    ImageList_Remove(FHandle, Index);
    Change();
}

void TCustomImageList::Clear()
{
    if (FHandle && Count() > 0) {
        ImageList_Remove(FHandle, -1);
        Change();
    }
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image)
{
    CheckIndex(Index);
    Image->SetSize(FWidth, FHeight);
    const RECT R{0, 0, FWidth, FHeight};
    HBRUSH B = CreateSolidBrush(ColorToRef(FBkColor == clNone ? clBtnFace : FBkColor));
    FillRect(Image->Canvas()->Handle(), &R, B);
    DeleteObject(B);
    ImageList_Draw(FHandle, Index, Image->Canvas()->Handle(), 0, 0, ILD_TRANSPARENT);
    GdiFlush();
}

void TCustomImageList::SetBkColor(TColor Value)
{
    if (!StoreChanged(FBkColor, Value))
        return;
    if (FHandle)
        ImageList_SetBkColor(FHandle, Value == clNone ? CLR_NONE : ColorToRef(Value));
    Change();
}

bool TCustomImageList::Overlay(int ImageIndex, int OverlaySlot)
{
    if (OverlaySlot < 0 || OverlaySlot > 3 || ImageIndex < 0 || ImageIndex >= Count())
        return false;
    return ImageList_SetOverlayImage(FHandle, ImageIndex, OverlaySlot + 1) != FALSE;
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled)
{
    if (Index < 0 || Index >= Count())
        return;
    DoDraw(Index, Canvas->Handle(), X, Y, ILD_NORMAL, Enabled);
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, int X, int Y, int Index, int OverlaySlot, bool Enabled)
{
    if (Index < 0 || Index >= Count())
        return;
    const UINT Overlay = OverlaySlot >= 0 && OverlaySlot <= 3 ? INDEXTOOVERLAYMASK(OverlaySlot + 1) : 0;
    DoDraw(Index, Canvas->Handle(), X, Y, ILD_NORMAL | Overlay, Enabled);
}

void TCustomImageList::DoDraw(int Index, HDC DC, int X, int Y, UINT Style, bool Enabled)
{
    if (Enabled)
        ImageList_Draw(FHandle, Index, DC, X, Y, Style);
    else
        DrawDisabled(Index, DC, X, Y, Style & ILD_OVERLAYMASK);
}

void TCustomImageList::DrawDisabled(int Index, HDC DC, int X, int Y, UINT Overlay)
{
    // The mask with the overlay's shape merged in: ILD_MASK draws image
    // pixels black and the rest white.
    TMonoSurface Mask(FWidth, FHeight);
    PatBlt(Mask.DC(), 0, 0, FWidth, FHeight, WHITENESS);
    ImageList_Draw(FHandle, Index, Mask.DC(), 0, 0, ILD_MASK | Overlay);
    PaintThroughMask(DC, X + 1, Y + 1, FWidth, FHeight, Mask.DC(), clBtnHighlight);
    PaintThroughMask(DC, X, Y, FWidth, FHeight, Mask.DC(), clBtnShadow);
}

void TCustomImageList::RegisterChanges(TChangeLink* Link)
{
    if (!Link || std::find(FLinks.begin(), FLinks.end(), Link) != FLinks.end())
        return;
    if (Link->Sender() && Link->Sender() != this)
        Link->Sender()->UnRegisterChanges(Link);
    Link->SetSender(this);
    FLinks.push_back(Link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Link)
{
    auto It = std::find(FLinks.begin(), FLinks.end(), Link);
    if (It == FLinks.end())
        return;
    FLinks.erase(It);
    Link->SetSender(nullptr);
}

void TCustomImageList::Change()
{
    // A link's handler may unregister links: walk a copy.
    const std::vector<TChangeLink*> Links = FLinks;
    for (TChangeLink* L : Links)
        if (std::find(FLinks.begin(), FLinks.end(), L) != FLinks.end())
            L->Change();
    if (OnChange)
        OnChange(this);
}

bool ChangeImageList(TComponent* Client, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link)
{
    if (Value == Field)
        return false;
    if (Field) {
        Field->UnRegisterChanges(&Link);
        Field->RemoveFreeNotification(Client);
    }
    Field = Value;
    if (Field) {
        Field->RegisterChanges(&Link);
        Field->FreeNotification(Client);
    }
    return true;
}
