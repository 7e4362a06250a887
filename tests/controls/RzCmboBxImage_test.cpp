// The image combo box: rows drawn with their image at the indent, in the
// edit part at the left edge, with or without an overlay; captions found
// regardless of case; items freed only by the combo's own deletions.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/RzCmboBx.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

constexpr TColor Red = 0x000000FF;
constexpr TColor Blue = 0x00FF0000;

// Image 0 all red; image 1 a blue 4x4 corner on a transparent ground, set
// up as overlay slot 0.
std::unique_ptr<TCustomImageList> MakeImages()
{
    auto L = std::make_unique<TCustomImageList>(nullptr, 16, 16);
    TBitmap B(32, 16);
    B.Canvas()->Brush()->SetColor(Red);
    B.Canvas()->FillRect(TRect(0, 0, 16, 16));
    B.Canvas()->Brush()->SetColor(clFuchsia);
    B.Canvas()->FillRect(TRect(16, 0, 32, 16));
    B.Canvas()->Brush()->SetColor(Blue);
    B.Canvas()->FillRect(TRect(16, 0, 20, 4));
    L->AddMasked(&B, clFuchsia);
    L->Overlay(1, 0);
    return L;
}

struct TImageComboFixture {
    std::unique_ptr<TForm, TObjectFree> Form = NewTestForm(300, 200);
    TRzCustomImageComboBox* Combo = nullptr;
    std::unique_ptr<TCustomImageList> Images = MakeImages();

    TImageComboFixture()
    {
        Combo = new TRzCustomImageComboBox(Form.get());
        Combo->SetParent(Form.get());
        Combo->SetBounds(10, 10, 200, 24);
        Combo->SetImages(Images.get());
        Combo->SetColor(clWhite);
        Combo->HandleNeeded();
    }
    // One row drawn as the owner-draw dispatch draws it.
    void Draw(int Index, TTestSurface& S, UINT State = 0)
    {
        DRAWITEMSTRUCT D{};
        D.CtlType = ODT_COMBOBOX;
        D.itemID = static_cast<UINT>(Index);
        D.itemState = State;
        D.hDC = S.DC();
        D.rcItem = RECT{0, 0, S.Width(), S.Height()};
        Combo->Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&D));
    }
};

} // namespace

TEST(ImageComboBox, RowsDrawTheirImageAtTheIndentAndTheOverlay)
{
    TImageComboFixture F;
    F.Combo->AddItem("Top", 0, 0);
    TRzImageComboBoxItem* Deep = F.Combo->AddItem("Deep", 0, 2);
    TRzImageComboBoxItem* Marked = F.Combo->AddItem("Marked", 0, 0);
    Marked->SetOverlayIndex(0);
    EXPECT_EQ(Deep->Index(), 1);
    EXPECT_EQ(F.Combo->ItemIndent(), 12);

    struct {
        int Index;
        UINT State;
        int ImageLeft;
    } const Rows[] = {
        {0, 0, 2},
        {1, 0, 2 + 24},              // two indent steps of 12 pixels
        {1, ODS_COMBOBOXEDIT, 2},    // the edit part shows no indent
    };
    for (const auto& R : Rows) {
        TTestSurface S(200, 20);
        F.Draw(R.Index, S, R.State);
        EXPECT_EQ(S.Px(R.ImageLeft, 10), Red) << R.Index << "/" << R.State;
        EXPECT_EQ(S.Px(R.ImageLeft + 15, 10), Red);
        EXPECT_EQ(S.Px(R.ImageLeft - 1, 10), Rgb(clWhite)) << "the row is filled with the combo's colour";
        EXPECT_EQ(S.Px(R.ImageLeft + 16, 10), Rgb(clWhite));
        EXPECT_EQ(S.Px(R.ImageLeft + 1, 3), Red) << "no overlay";
    }
    TTestSurface S(200, 20);
    F.Draw(2, S);
    EXPECT_EQ(S.Px(2 + 1, 2 + 1), Blue) << "the overlay's corner over the image";
    EXPECT_EQ(S.Px(2 + 8, 10), Red);
    // The caption sits right of the image.
    EXPECT_GT(S.CountNot(Rgb(clWhite), 2 + 16 + 3, 0, 200, 20), 0);
}

TEST(ImageComboBox, CaptionsAreFoundWhateverTheirCase)
{
    TImageComboFixture F;
    F.Combo->AddItem("Inbox", 0, 0);
    F.Combo->AddItem("Sent Items", 0, 1);
    EXPECT_EQ(F.Combo->IndexOfItem("SENT items"), 1);
    EXPECT_EQ(F.Combo->IndexOfItem("inbox"), 0);
    EXPECT_EQ(F.Combo->IndexOfItem("Drafts"), -1);
}

TEST(ImageComboBox, OwnDeletionsFreeItemsOthersLeaveThemToTheirOwner)
{
    TImageComboFixture F;
    std::vector<std::string> Deleted;
    F.Combo->OnDeleteItem = [&](TObject*, TRzImageComboBoxItem* It) { Deleted.push_back(It->Caption()); };
    F.Combo->AddItem("one", 0, 0);
    TRzImageComboBoxItem* Two = F.Combo->AddItem("two", 0, 0);
    F.Combo->AddItem("three", 0, 0);
    // Through the string list: the event fires, the item stays alive.
    F.Combo->Items()->Delete(1);
    EXPECT_EQ(Deleted, (std::vector<std::string>{"two"}));
    EXPECT_EQ(Two->Caption(), "two");
    delete Two;
    F.Combo->Delete(0);
    F.Combo->ClearItems();
    EXPECT_EQ(Deleted, (std::vector<std::string>{"two", "one", "three"}));
    EXPECT_EQ(F.Combo->Items()->Count(), 0);
}

TEST(ImageComboBox, ItemHeightFollowsTheImagesAndTheFont)
{
    TImageComboFixture F;
    auto Tall = std::make_unique<TCustomImageList>(nullptr, 40, 40);
    F.Combo->SetImages(Tall.get());
    EXPECT_EQ(F.Combo->ItemHeight(), 40);
    F.Combo->SetImages(nullptr);
    Tall.reset();
    F.Combo->Font()->SetSize(20);
    F.Combo->Perform(WM_SETFONT, reinterpret_cast<WPARAM>(F.Combo->Font()->Handle()), 0);
    EXPECT_GT(F.Combo->ItemHeight(), 24);
}

