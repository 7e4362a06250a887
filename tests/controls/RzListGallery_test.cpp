// The tabbed and rank list boxes on one form, captured in the classic and
// the themed look: a format list with group rows and columns on computed
// stops, a standard tabbed list on stops taken from a header control, and
// a rank list. Each capture is saved beside the test program as a BMP.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/ComCtrls.h"
#include "controls/RzLstBox.h"
#include "testkit/RzFormTest.h"

namespace {

constexpr int GalleryW = 560, GalleryH = 220;

struct TListGallery {
    std::unique_ptr<TForm, TObjectFree> Form;
    TRzTabbedListBox* Formats = nullptr;
    TRzTabbedListBox* Files = nullptr;
    TRzRankListBox* Sources = nullptr;

    TListGallery() : Form(NewTestForm(GalleryW, GalleryH))
    {
        TForm* F = Form.get();
        F->SetColor(clBtnFace);
        Formats = new TRzTabbedListBox(F);
        Formats->SetParent(F);
        Formats->SetBounds(10, 10, 200, 200);
        Formats->SetFrameVisible(true);
        Formats->SetShowGroups(true);
        Formats->SetUseGradients(false);
        Formats->SetGroupColor(clYellow);
        for (const char* Row : {"//Individual message files", "EML files\t*.eml", "MIME files\t*.txt",
                                "//Generic mailbox files", "mbox for Windows\tCRLF", "mbox for Unix\tLF",
                                "mbox for Mac\tCR"})
            Formats->Items()->Add(Row);
        Formats->SetTabStopsMode(tsmAutomatic);
        Formats->SetItemIndex(1);

        auto Header = new THeaderControl(F);
        for (int W : {110, 60})
            Header->Sections()->Add()->SetWidth(W);
        Files = new TRzTabbedListBox(F);
        Files->SetParent(F);
        Files->SetBounds(220, 10, 330, 95);
        Files->SetFrameVisible(true);
        for (const char* Row : {"Inbox\t1,204\tmbox", "Sent\t88\tmbox", "Archive 2019\t15,022\tmbox"})
            Files->Items()->Add(Row);
        TRzTabStopList Stops;
        Stops.Add(0);
        Stops.Add(0);
        Files->SetTabStops(&Stops);
        Files->UpdateFromHeader(Header);

        Sources = new TRzRankListBox(F);
        Sources->SetParent(F);
        Sources->SetBounds(220, 115, 330, 95);
        Sources->SetFrameVisible(true);
        for (const char* Row : {"C:\\Mail\\Inbox", "C:\\Mail\\Sent", "D:\\Backup\\Archive.mbx"})
            Sources->Items()->Add(Row);
        Sources->SetItemIndex(2);
        F->Show();
    }
};

// A row's rectangle of a list in the form's client coordinates.
TRect RowOnForm(TCustomListBox* L, int Index)
{
    return ClientRectOnForm(L, L->ItemRect(Index));
}

// Pixels of row Index between X0 and X1 (row coordinates) not in Back.
int Ink(TBitmap& B, TCustomListBox* L, int Index, int X0, int X1, TColor Back)
{
    const TRect R = RowOnForm(L, Index);
    int N = 0;
    for (int Y = R.top; Y < R.bottom; ++Y)
        for (int X = R.left + X0; X < R.left + X1; ++X)
            N += CapturePixel(B, X, Y) != ColorToRGB(Back);
    return N;
}

} // namespace

TEST(RzListGallery, TabbedAndRankListsInBothLooks)
{
    TListGallery G;
    const TLookCaptures Shots = CaptureBothLooks(G.Form.get(), GalleryW, GalleryH, "lists");
    TBitmap* Classic = Shots.Classic.get();
    TBitmap* Themed = Shots.Themed.get();

    // Classic: the group row in its colour edge to edge; the selected row
    // highlighted; its second column on the computed stop and nothing in
    // the gap before it.
    const TRect Group = RowOnForm(G.Formats, 0);
    EXPECT_EQ(CapturePixel(*Classic, Group.right - 2, Group.top + 1), Rgb(clYellow));
    const TRect Sel = RowOnForm(G.Formats, 1), Rank = RowOnForm(G.Sources, 2);
    const int Cw = G.Formats->CharWidth();
    const int Stop = 2 + G.Formats->TabStops()->Items(0) * Cw;
    const int Color = G.Formats->Color();
    // In both looks: the selected rows, and the columns on their stops.
    for (TBitmap* B : {Classic, Themed}) {
        SCOPED_TRACE(B == Classic ? "classic" : "themed");
        EXPECT_EQ(CapturePixel(*B, Sel.right - 2, Sel.top + 1), Rgb(clHighlight));
        EXPECT_GT(Ink(*B, G.Formats, 4, 2, Stop - 4 * Cw, Color), 0);      // "mbox for Windows"
        EXPECT_EQ(Ink(*B, G.Formats, 4, Stop - 3 * Cw, Stop - 1, Color), 0);
        EXPECT_GT(Ink(*B, G.Formats, 4, Stop, Stop + 4 * Cw, Color), 0);   // "CRLF"
        EXPECT_EQ(CapturePixel(*B, Rank.right - 2, Rank.top + 1), Rgb(clHighlight));
    }
    // The flat frame around the lists.
    EXPECT_EQ(CapturePixel(*Classic, G.Sources->Left(), G.Sources->Top() + 40), Rgb(clBtnShadow));

    if (!ThemeServices()->ThemesAvailable())
        GTEST_SKIP() << "no visual styles to compare with";
    // Themed: the group rows take the theme's colours, or keep their own
    // when the theme has none (text and back would be one colour); either
    // way the heading's text shows.
    const TColor ThemeBack = GetXPThemeColor(4);
    const TColor Back = ThemeBack != GetXPThemeColor(5) ? ThemeBack : clYellow;
    EXPECT_EQ(CapturePixel(*Themed, Group.right - 2, Group.top + 1), Rgb(Back));
    EXPECT_GT(Ink(*Themed, G.Formats, 0, 2, Group.Width() - 2, Back), 20);
    EXPECT_GT(Ink(*Themed, G.Formats, 3, 2, Group.Width() - 2, Back), 20);
}
