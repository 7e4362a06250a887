// The edits and boxes on one form, captured in the classic and the themed
// look: framed edits at rest, hot, focused, read-only and disabled; a
// button edit with both buttons; combo boxes with a flat button at rest and
// hot; a list box with group rows; a URL rich edit with a link; and a
// tabbed list. Each capture is saved beside the test program as a BMP. (The
// tabbed and rank list boxes have a gallery of their own as well.)
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/RzBtnEdt.h"
#include "controls/RzCmboBx.h"
#include "controls/RzEdit.h"
#include "controls/RzLstBox.h"
#include "controls/RzRichUrl.h"
#include "testkit/RzFormTest.h"

namespace {

constexpr int GalleryW = 600, GalleryH = 340;
constexpr TColor GalleryFocusColor = static_cast<TColor>(0x00C0FFFF); // light yellow
const std::string GalleryLink = "http://www.example.com/";

enum TEditState { esRest, esHot, esFocused, esReadOnly, esDisabled, esCount };

struct TEditGallery {
    std::unique_ptr<TForm, TObjectFree> Form;
    std::vector<TRzEdit*> Edits;
    TRzButtonEdit* ButtonEdit = nullptr;
    TRzComboBox* ComboRest = nullptr;
    TRzComboBox* ComboHot = nullptr;
    TRzListBox* List = nullptr;
    TRzRichEditURL* Rich = nullptr;
    TRzTabbedListBox* Tabbed = nullptr;

    TEditGallery() : Form(NewTestForm(GalleryW, GalleryH))
    {
        TForm* F = Form.get();
        F->SetColor(clBtnFace);
        const char* Texts[] = {"At rest", "Hot", "Focused", "Read-only", "Disabled"};
        for (int I = 0; I < esCount; ++I) {
            auto E = new TRzEdit(F);
            E->SetParent(F);
            E->SetBounds(10 + I * 117, 10, 107, 21);
            E->SetFrameHotTrack(true);
            E->SetFrameHotColor(clNavy);
            E->SetFocusColor(GalleryFocusColor);
            E->SetText(Texts[I]);
            Edits.push_back(E);
        }
        Edits[esReadOnly]->SetReadOnly(true);
        Edits[esDisabled]->SetEnabled(false);

        ButtonEdit = new TRzButtonEdit(F);
        ButtonEdit->SetParent(F);
        ButtonEdit->SetBounds(10, 45, 200, 21);
        ButtonEdit->SetFrameVisible(true);
        ButtonEdit->SetText("C:\\Mail\\Export");
        ButtonEdit->SetButtonKind(TButtonKind::bkFolder);
        ButtonEdit->SetAltBtnKind(TButtonKind::bkFind);
        ButtonEdit->SetAltBtnVisible(true);

        for (TRzComboBox** C : {&ComboRest, &ComboHot}) {
            *C = new TRzComboBox(F);
            (*C)->SetParent(F);
            (*C)->SetBounds(C == &ComboRest ? 225 : 410, 45, 175, 21);
            (*C)->SetFlatButtons(true);
            (*C)->SetFrameVisible(true);
            (*C)->SetFrameHotTrack(true);
            (*C)->SetFrameHotColor(clNavy);
            for (const char* Item : {"mbox for Windows", "mbox for Unix", "mbox for Mac"})
                (*C)->Items()->Add(Item);
            (*C)->SetItemIndex(0);
        }

        List = new TRzListBox(F);
        List->SetParent(F);
        List->SetBounds(10, 80, 200, 170);
        List->SetFrameVisible(true);
        List->SetShowGroups(true);
        List->SetUseGradients(false);
        List->SetGroupColor(clYellow);
        for (const char* Row : {"//Mozilla mail programs", "Thunderbird", "SeaMonkey Mail", "//Generic mail formats",
                                "Standard mbox", "Pine mbox"})
            List->Items()->Add(Row);
        List->SetItemIndex(1);

        Rich = new TRzRichEditURL(F);
        Rich->SetParent(F);
        Rich->SetBounds(225, 80, 360, 170);
        Rich->SetFrameVisible(true);
        Rich->SetReadOnly(true);
        Rich->SetReadOnlyColor(clWindow);
        Rich->SetText("This program converts mbox-type files only.\r\n\r\nFor other formats see " + GalleryLink +
                      "\r\nor press F1 for help.");
        Tabbed = new TRzTabbedListBox(F);
        Tabbed->SetParent(F);
        Tabbed->SetBounds(10, 260, 575, 70);
        Tabbed->SetFrameVisible(true);
        for (const char* Row : {"Inbox\t1,204 messages\tDone", "Sent\t88 messages\tDone",
                                "Archive 2019\t15,022 messages\tNo mail found"})
            Tabbed->Items()->Add(Row);
        Tabbed->SetTabStopsMode(tsmAutomatic);

        F->Show();
        Edits[esFocused]->SetFocus();
        Edits[esHot]->Perform(CM_MOUSEENTER);
        ComboHot->Perform(CM_MOUSEENTER);
    }

};

// Pixels of R (form coordinates) that are not Back.
int Ink(TBitmap& B, const TRect& R, TColor Back)
{
    int N = 0;
    for (int Y = R.top; Y < R.bottom; ++Y)
        for (int X = R.left; X < R.right; ++X)
            N += CapturePixel(B, X, Y) != Rgb(Back);
    return N;
}

// An edit's inside, right of its text and clear of any frame.
TColor Inside(TBitmap& B, TControl* C)
{
    const TRect R = ControlOnForm(C);
    return CapturePixel(B, R.right - 6, R.top + R.Height() / 2);
}

} // namespace

TEST(RzEditGallery, EditsButtonEditCombosListAndRichEditInBothLooks)
{
    TEditGallery G;
    ASSERT_TRUE(G.Edits[esFocused]->Focused());
    const TLookCaptures Shots = CaptureBothLooks(G.Form.get(), GalleryW, GalleryH, "edits");
    TBitmap* Classic = Shots.Classic.get();
    TBitmap* Themed = Shots.Themed.get();

    // The colours by state, the same in both looks.
    for (TBitmap* B : {Classic, Themed}) {
        const char* Look = B == Classic ? "classic" : "themed";
        EXPECT_EQ(Inside(*B, G.Edits[esRest]), Rgb(clWindow)) << Look;
        EXPECT_EQ(Inside(*B, G.Edits[esHot]), Rgb(clWindow)) << Look;
        EXPECT_EQ(Inside(*B, G.Edits[esFocused]), Rgb(GalleryFocusColor)) << Look;
        EXPECT_EQ(Inside(*B, G.Edits[esReadOnly]), Rgb(clInfoBk)) << Look;
        EXPECT_EQ(Inside(*B, G.Edits[esDisabled]), Rgb(clBtnFace)) << Look;
    }

    // Classic: the library's frames, thin at rest and bold navy when hot
    // by mouse or by focus.
    const TRect Rest = ControlOnForm(G.Edits[esRest]), Hot = ControlOnForm(G.Edits[esHot]);
    const TRect Focus = ControlOnForm(G.Edits[esFocused]);
    EXPECT_EQ(CapturePixel(*Classic, Rest.left, Rest.top + 10), Rgb(clBtnShadow));
    EXPECT_EQ(CapturePixel(*Classic, Rest.left + 1, Rest.top + 10), Rgb(clWindow));
    EXPECT_EQ(CapturePixel(*Classic, Hot.left, Hot.top + 10), Rgb(clNavy));
    EXPECT_EQ(CapturePixel(*Classic, Hot.left + 1, Hot.top + 10), Rgb(clNavy));
    EXPECT_EQ(CapturePixel(*Classic, Focus.left + 1, Focus.top + 10), Rgb(clNavy));

    // The flat combo button: the edit's colour at rest, a raised face when
    // hot; the hot combo's frame is navy.
    const TRect CR = ControlOnForm(G.ComboRest), CH = ControlOnForm(G.ComboHot);
    const int ButtonW = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(CapturePixel(*Classic, CR.right - ButtonW + 1, CR.top + 4), Rgb(clWindow));
    EXPECT_EQ(CapturePixel(*Classic, CH.right - ButtonW + 1, CH.top + 4), Rgb(clBtnFace));
    EXPECT_EQ(CapturePixel(*Classic, CH.left, CH.top + 10), Rgb(clNavy));

    // What the controls draw themselves, the same in both looks.
    for (TBitmap* B : {Classic, Themed}) {
        SCOPED_TRACE(B == Classic ? "classic" : "themed");
        // The button edit shows two buttons, each with a glyph.
        TRzButtonPair* Pair = G.ButtonEdit->Buttons();
        for (TControl* Btn : {static_cast<TControl*>(Pair->Button()), static_cast<TControl*>(Pair->AltButton())}) {
            ASSERT_TRUE(Btn->Visible());
            const TRect R = ControlOnForm(Btn);
            EXPECT_GT(R.Width(), 8);
            EXPECT_GT(Ink(*B, R, clBtnFace), 10);
        }

        // The list's group rows in their colour, the selected row highlighted.
        const TRect Group = ClientRectOnForm(G.List, G.List->ItemRect(0));
        const TRect Sel = ClientRectOnForm(G.List, G.List->ItemRect(1));
        EXPECT_EQ(CapturePixel(*B, Group.right - 3, Group.top + 1), Rgb(clYellow));
        EXPECT_EQ(CapturePixel(*B, Sel.right - 3, Sel.top + 1), Rgb(clHighlight));

        // The rich edit: its flat frame, and ink where the link is.
        const TRect RR = ControlOnForm(G.Rich);
        if (B == Classic) {
            EXPECT_EQ(CapturePixel(*B, RR.left, RR.top + 40), Rgb(clBtnShadow));
        }
        // A line break counts one character in the control.
        const std::string Before = "This program converts mbox-type files only.\r\rFor other formats see ";
        POINTL P{};
        SendMessageA(G.Rich->Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&P), static_cast<LPARAM>(Before.size()));
        const TRect LinkRect = ClientRectOnForm(G.Rich, Bounds(P.x, P.y, 60, 12));
        EXPECT_GT(Ink(*B, LinkRect, clWindow), 20);

        // The tabbed list: the second column starts on its stop, with nothing
        // drawn in the gap before it.
        const TRect Row = ClientRectOnForm(G.Tabbed, G.Tabbed->ItemRect(2));
        const int Cw = G.Tabbed->CharWidth();
        const int Stop = Row.left + 2 + G.Tabbed->TabStops()->Items(0) * Cw;
        EXPECT_EQ(Ink(*B, TRect(Stop - 2 * Cw, Row.top, Stop - 1, Row.bottom), clWindow), 0);
        EXPECT_GT(Ink(*B, TRect(Stop, Row.top, Stop + 3 * Cw, Row.bottom), clWindow), 10);
    }

    if (!ThemeServices()->ThemesAvailable())
        GTEST_SKIP() << "no visual styles to compare with";
    // Themed: the theme draws the edges, and the hot combo's button is the
    // theme's part instead of the classic raised face.
    int EdgeDiffer = 0;
    for (int Y = Rest.top; Y < Rest.bottom; ++Y)
        EdgeDiffer += CapturePixel(*Classic, Rest.left, Y) != CapturePixel(*Themed, Rest.left, Y);
    EXPECT_GT(EdgeDiffer, 0);
    int ButtonDiffer = 0;
    for (int X = CH.right - ButtonW; X < CH.right - 2; ++X)
        ButtonDiffer += CapturePixel(*Classic, X, CH.top + 4) != CapturePixel(*Themed, X, CH.top + 4);
    EXPECT_GT(ButtonDiffer, 0);
}
