#pragma once
// Image lists over the common controls' HIMAGELIST: equal-sized images with
// masks, drawn enabled, disabled (embossed) or with an overlay, and change
// links that tell the controls showing them.
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

class TCustomImageList;

// One control's subscription to an image list's changes. The link leaves
// its list when it is destroyed, and the list clears Sender when it goes.
class TChangeLink : public TObject {
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TCustomImageList* Sender() const { return FSender; }
    void SetSender(TCustomImageList* Value) { FSender = Value; }
    virtual void Change();
    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

using TImageIndex = int;

class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* AOwner);
    TCustomImageList(TComponent* AOwner, int AWidth, int AHeight);
    ~TCustomImageList() override;
    void BeforeDestruction() override;
    void Assign(const TPersistent* Source) override;

    // The list, created on first use.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Takes over a list made elsewhere (the shell's system list); with
    // ShareImages the list is never destroyed here.
    void SetHandle(HIMAGELIST Value);
    bool ShareImages() const { return FShareImages; }
    void SetShareImages(bool Value) { FShareImages = Value; }

    int Width() const { return FWidth; }
    void SetWidth(int Value) { SetSize(Value, FHeight); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { SetSize(FWidth, Value); }
    // A new size empties the list.
    void SetSize(int AWidth, int AHeight);
    int Count() const;

    // Adds every Width-wide image of Image; pixels of MaskColor are left
    // out when drawn. Returns the index of the first image added.
    int AddMasked(TBitmap* Image, TColor MaskColor);
    // Mask: monochrome sense, black pixels are drawn, white ones left out.
    int Add(TBitmap* Image, TBitmap* Mask);
    void Delete(int Index);
    void Clear();
    // The image over the background colour (clBtnFace when none is set).
    void GetBitmap(int Index, TBitmap* Image);

    // Without a background colour the mask is honoured.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);

    // Overlay slots 0..3 name images drawn over others with DrawOverlay.
    bool Overlay(int ImageIndex, int OverlaySlot);

    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    void DrawOverlay(TCanvas* Canvas, int X, int Y, int Index, int OverlaySlot, bool Enabled = true);

    void RegisterChanges(TChangeLink* Link);
    void UnRegisterChanges(TChangeLink* Link);
    TNotifyEvent OnChange;

protected:
    virtual void Change();
    virtual void DoDraw(int Index, HDC DC, int X, int Y, UINT Style, bool Enabled);

private:
    void FreeHandle();
    void CheckIndex(int Index) const;
    // The image's shape in BtnHighlight one pixel down-right, then in
    // BtnShadow: the classic look of a disabled image.
    void DrawDisabled(int Index, HDC DC, int X, int Y, UINT Overlay);

    HIMAGELIST FHandle = nullptr;
    int FWidth = 16;
    int FHeight = 16;
    bool FShareImages = false;
    TColor FBkColor = clNone;
    std::vector<TChangeLink*> FLinks;
};

// The "Images" setter of a control: leaves the list in Field (its link
// and free notification), stores Value and joins it. False when Value is
// the list already there. The control still clears Field on opRemove.
bool ChangeImageList(TComponent* Client, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link);

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
};
