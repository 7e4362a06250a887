#pragma once
// The check group: a group box holding one check box per string, laid out
// in columns, with the group's look pushed to every item.
#include <memory>
#include <functional>
#include <vector>

#include "controls/RzIntLst.h"
#include "controls/RzPanel.h"
#include "controls/RzRadChk.h"

class TRzCustomCheckGroup;

using TStateChangeEvent = std::function<void(TObject* Sender, int Index, TCheckBoxState NewState)>;

// One item of a check group; it reports its changes to the group.
class TRzGroupCheck : public TRzCheckBox {
public:
    explicit TRzGroupCheck(TRzCustomCheckGroup* Group);
    ~TRzGroupCheck() override;
    TRzCustomCheckGroup* Group() const { return FGroup; }

protected:
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(char& Key) override;

private:
    friend class TRzCustomCheckGroup;
    TRzCustomCheckGroup* FGroup;
    bool FInMouseUp = false;
};

class TRzCustomCheckGroup : public TRzCustomGroupBox {
public:
    static constexpr int MaxColumns = 16;

    explicit TRzCustomCheckGroup(TComponent* AOwner);
    ~TRzCustomCheckGroup() override;
    void BeforeDestruction() override;
    void WndProc(TMessage& Message) override;

    TStrings* Items() const { return FItems.get(); }
    virtual void SetItems(const TStrings* Value);
    int ItemCount() const { return static_cast<int>(FChecks.size()); }
    // Each item is a check box of its own.
    int StoredWindowCount() const override { return TRzCustomGroupBox::StoredWindowCount() + FItems->Count(); }
    // The item; an index outside the list raises the list-index error.
    virtual TRzGroupCheck* GetCheckBox(int Index) const;

    int Columns() const { return FColumns; }
    virtual void SetColumns(int Value);
    TFont* ItemFont() const { return FItemFont.get(); }
    virtual void SetItemFont(const TFont* Value);
    bool ItemFontCustom() const { return FItemFontCustom; }
    int ItemHeight() const { return FItemHeight; }
    bool ItemHeightSet() const { return FItemHeightSet; }
    virtual void SetItemHeight(int Value);
    int StartXPos() const { return FStartXPos; }
    int StartYPos() const { return FStartYPos; }
    // Index 1 is the X position, any other the Y position.
    virtual void SetStartPos(int Index, int Value);
    int VerticalSpacing() const { return FVerticalSpacing; }
    virtual void SetVerticalSpacing(int Value);
    bool SpaceEvenly() const { return FSpaceEvenly; }
    virtual void SetSpaceEvenly(bool Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    virtual void SetAllowGrayed(bool Value);
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool Value);
    TColor ReadOnlyColor() const { return FReadOnlyColor; }
    virtual void SetReadOnlyColor(TColor Value);
    bool ReadOnlyColorOnFocus() const { return FReadOnlyColorOnFocus; }
    virtual void SetReadOnlyColorOnFocus(bool Value);
    TColor ItemFrameColor() const { return FItemFrameColor; }
    virtual void SetItemFrameColor(TColor Value);
    TColor ItemHighlightColor() const { return FItemHighlightColor; }
    virtual void SetItemHighlightColor(TColor Value);
    bool ItemHotTrack() const { return FItemHotTrack; }
    virtual void SetItemHotTrack(bool Value);
    TColor ItemHotTrackColor() const { return FItemHotTrackColor; }
    virtual void SetItemHotTrackColor(TColor Value);
    TRzHotTrackColorType ItemHotTrackColorType() const { return FItemHotTrackColorType; }
    virtual void SetItemHotTrackColorType(TRzHotTrackColorType Value);
    bool LightTextStyle() const { return FLightTextStyle; }
    virtual void SetLightTextStyle(bool Value);
    TTextStyle TextStyle() const { return FTextStyle; }
    virtual void SetTextStyle(TTextStyle Value);
    TColor TextHighlightColor() const { return FTextHighlightColor; }
    virtual void SetTextHighlightColor(TColor Value);
    TColor TextShadowColor() const { return FTextShadowColor; }
    virtual void SetTextShadowColor(TColor Value);
    int TextShadowDepth() const { return FTextShadowDepth; }
    virtual void SetTextShadowDepth(int Value);
    TBitmap* CustomGlyphs() const { return FCustomGlyphs.get(); }
    virtual void SetCustomGlyphs(const TBitmap* Value);
    TCustomImageList* CustomGlyphImages() const { return FCustomGlyphImages; }
    virtual void SetCustomGlyphImages(TCustomImageList* Value);
    bool UseCustomGlyphs() const { return FUseCustomGlyphs; }
    virtual void SetUseCustomGlyphs(bool Value);
    TColor TransparentColor() const { return FTransparentColor; }
    virtual void SetTransparentColor(TColor Value);
    TColor WinMaskColor() const { return FWinMaskColor; }
    virtual void SetWinMaskColor(TColor Value);
    bool TabOnEnter() const { return FTabOnEnter; }
    void SetTabOnEnter(bool Value);
    void SetGroupStyle(TRzGroupBoxStyle Value) override;
    void SetTransparent(bool Value) override;
    void CustomFramingChanged() override;

    virtual bool GetItemChecked(int Index) const;
    virtual void SetItemChecked(int Index, bool Value);
    virtual bool GetItemEnabled(int Index) const;
    virtual void SetItemEnabled(int Index, bool Value);
    virtual TCheckBoxState GetItemState(int Index) const;
    virtual void SetItemState(int Index, TCheckBoxState State);

    // The stored "CheckStates": each item's state in item order; nothing
    // is written for a group without items.
    std::vector<int> CheckStates() const;
    // Reading "CheckStates": kept until loading ends, then applied.
    void ReadCheckStates(const std::vector<int>& States);
    // Form storage (RzRadGrpStore.cpp): the items, the layout settings,
    // CustomGlyphs once set and "CheckStates".
    const TPropertyTable* Properties() const override;
    static const TPropertyTable& ClassProperties();
    void DefineProperties(TFiler* Filer) override;
    // The scaling of a form.
    void ChangeScale(int M, int D) override;
    // The glyph size the items draw: 13 x 13 or the custom frames'.
    SIZE ItemGlyphSize() const;

    virtual bool CanChange() const { return !FReadOnly; }
    virtual void ArrangeItems();

    TStateChangeEvent OnChange;

protected:
    virtual void SetItemCount(int Count);
    virtual void ItemsChanged();
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TRzGroupCheck;
    void ItemClicked(TRzGroupCheck* Item);
    void ItemFontChanged(TObject*);
    void GlyphsChanged();
    void ApplyCheckStates();
    template <typename T>
    void SetAndArrange(T& Field, const T& Value);

    std::vector<TRzGroupCheck*> FChecks;
    std::unique_ptr<TStringList> FItems;
    std::unique_ptr<TFont> FItemFont;
    bool FItemFontCustom = false;
    bool FFollowingFont = false;
    int FItemHeight = 17;
    // Set on its own (stored), not taken from the item font.
    bool FItemHeightSet = false;
    TRzIntegerList FCheckStates;
    std::unique_ptr<TBitmap> FCustomGlyphs;
    TCustomImageList* FCustomGlyphImages = nullptr;
    TChangeLink FImagesLink;
    bool FUseCustomGlyphs = false;

    int FColumns = 1;
    int FStartXPos = 8;
    int FStartYPos = 2;
    int FVerticalSpacing = 3;
    bool FSpaceEvenly = false;
    bool FAllowGrayed = false;
    bool FReadOnly = false;
    TColor FReadOnlyColor = clInfoBk;
    bool FReadOnlyColorOnFocus = false;
    TColor FItemFrameColor = clBtnShadow;
    TColor FItemHighlightColor = clHighlight;
    bool FItemHotTrack = false;
    TColor FItemHotTrackColor = 0x00149BF0;
    TRzHotTrackColorType FItemHotTrackColorType = htctActual;
    bool FLightTextStyle = false;
    TTextStyle FTextStyle = tsNormal;
    TColor FTextHighlightColor = clBtnHighlight;
    TColor FTextShadowColor = clBtnShadow;
    int FTextShadowDepth = 2;
    TColor FTransparentColor = clOlive;
    TColor FWinMaskColor = clLime;
    bool FTabOnEnter = false;
};

class TRzCheckGroup : public TRzCustomCheckGroup {
public:
    using TRzCustomCheckGroup::TRzCustomCheckGroup;
};
