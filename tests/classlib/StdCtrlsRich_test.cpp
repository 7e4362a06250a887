// The rich edit of the class library on a real RichEdit20A window: lines in
// and out, a long log past the control's own limit, caret and selection,
// formats streamed as rich text, notifications and the style bits.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <memory>
#include <string>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/Streams.h"

namespace {

std::unique_ptr<TForm, TObjectFree> RichForm()
{
    Application->ShowErrorBoxes = false;
    std::unique_ptr<TForm, TObjectFree> F(new TForm(nullptr));
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, 400, 300);
    F->Show();
    return F;
}

TRichEdit* NewRich(TForm* F)
{
    auto R = new TRichEdit(F);
    R->SetBounds(10, 10, 300, 200);
    R->SetParent(F);
    return R;
}

std::string AllLines(TStrings* L)
{
    std::string S;
    for (int I = 0; I < L->Count(); ++I)
        S += L->Get(I) + "|";
    return S;
}

} // namespace

TEST(RichEditLines, EditsWithAndWithoutAWindow)
{
    auto F = RichForm();
    // Lines given before the control has a window are in the window later.
    auto R = new TRichEdit(F.get());
    R->Lines()->Add("first");
    R->Lines()->Add("second");
    EXPECT_EQ(AllLines(R->Lines()), "first|second|");
    R->SetParent(F.get());
    ASSERT_TRUE(R->HandleAllocated() || R->Handle());
    EXPECT_EQ(AllLines(R->Lines()), "first|second|");

    struct TStep { const char* Name; void (*Run)(TStrings*); const char* Want; };
    const TStep Steps[] = {
        {"add", [](TStrings* L) { L->Add("third"); }, "first|second|third|"},
        {"insert", [](TStrings* L) { L->Insert(0, "zero"); }, "zero|first|second|third|"},
        {"put", [](TStrings* L) { L->Put(2, "2nd"); }, "zero|first|2nd|third|"},
        {"delete", [](TStrings* L) { L->Delete(1); }, "zero|2nd|third|"},
        {"delete last", [](TStrings* L) { L->Delete(2); }, "zero|2nd|"},
        {"clear, add", [](TStrings* L) { L->Clear(); L->Add("only"); }, "only|"},
    };
    for (const TStep& S : Steps) {
        S.Run(R->Lines());
        EXPECT_EQ(AllLines(R->Lines()), S.Want) << S.Name;
    }
    // Text set without a final break: the next line goes on a line of its own.
    R->SetText("a\r\nb");
    R->Lines()->Add("c");
    EXPECT_EQ(AllLines(R->Lines()), "a|b|c|");
    EXPECT_THROW(R->Lines()->Get(3), EStringListError);
    EXPECT_THROW(R->Lines()->Insert(5, "x"), EStringListError);
}

TEST(RichEditLines, ALongLogKeepsEveryLine)
{
    auto F = RichForm();
    auto R = NewRich(F.get());
    R->SetWordWrap(false);
    const std::string Line(60, 'x');
    {
        TStringsUpdate U(R->Lines());
        for (int I = 0; I < 700; ++I)
            R->Lines()->Add(std::to_string(I) + Line);
    }
    // 45,000 characters: beyond the control's default 32K (which Wine does
    // not enforce on inserted text, so the limit itself is read too).
    EXPECT_GT(SendMessageA(R->Handle(), EM_GETLIMITTEXT, 0, 0), 1 << 30);
    ASSERT_EQ(R->Lines()->Count(), 700);
    EXPECT_EQ(R->Lines()->Get(699), "699" + Line);
}

TEST(RichEditSelection, CaretSelectedTextAndNotifications)
{
    auto F = RichForm();
    auto R = NewRich(F.get());
    int SelChanges = 0, Changes = 0;
    R->OnSelectionChange = [&](TObject*) { ++SelChanges; };
    R->OnChange = [&](TObject*) { ++Changes; };
    R->SetText("alpha\r\nbeta\r\ngamma");
    EXPECT_GT(Changes, 0);
    EXPECT_EQ(R->Text(), "alpha\r\nbeta\r\ngamma");

    // Positions count a line break as one: 6 is the start of "beta".
    R->SetSelStart(8);
    EXPECT_EQ(R->CaretPos().x, 2);
    EXPECT_EQ(R->CaretPos().y, 1);
    EXPECT_GT(SelChanges, 0);
    R->SetSelStart(3);
    R->SetSelLength(6);
    EXPECT_EQ(R->SelText(), "ha\r\nbet");
    R->SetSelText("X");
    EXPECT_EQ(AllLines(R->Lines()), "alpXa|gamma|");

    // Unlike a one-line edit, the focus arriving selects nothing.
    R->SetSelStart(4);
    R->Perform(CM_ENTER);
    EXPECT_EQ(R->SelLength(), 0);
    EXPECT_EQ(R->SelStart(), 4);
    R->Perform(CM_EXIT);

    const int Before = Changes;
    R->SetSelStart(0);
    SendMessageA(R->Handle(), WM_CHAR, 'q', 1);
    EXPECT_EQ(R->Lines()->Get(0), "qalpXa");
    EXPECT_GT(Changes, Before);
}

TEST(RichEditFormats, BoldAndIndentsStreamAndSurviveANewWindow)
{
    auto F = RichForm();
    auto R = NewRich(F.get());
    R->Paragraph()->SetFirstIndent(4);
    R->Paragraph()->SetRightIndent(4);
    R->SelAttributes()->SetStyle(fsBold);
    R->SetSelText("Title\r\n");
    R->Paragraph()->SetFirstIndent(12);
    R->SelAttributes()->SetStyle(0);
    R->SetSelText("Body text");
    EXPECT_EQ(AllLines(R->Lines()), "Title|Body text|");

    R->SetSelStart(1);
    EXPECT_EQ(R->SelAttributes()->Style(), static_cast<TFontStyles>(fsBold));
    EXPECT_EQ(R->Paragraph()->FirstIndent(), 4);
    EXPECT_EQ(R->Paragraph()->RightIndent(), 4);
    R->SetSelStart(9);
    EXPECT_EQ(R->SelAttributes()->Style(), 0u);
    EXPECT_EQ(R->Paragraph()->FirstIndent(), 12);

    const std::string Rtf = R->RichText(false);
    EXPECT_EQ(Rtf.compare(0, 5, "{\\rtf"), 0);
    EXPECT_NE(Rtf.find("\\b"), std::string::npos);

    // A new window (a changed style) keeps the formats.
    const HWND Old = R->Handle();
    R->SetScrollBars(ssBoth);
    EXPECT_NE(R->Handle(), Old);
    R->SetSelStart(1);
    EXPECT_EQ(R->SelAttributes()->Style(), static_cast<TFontStyles>(fsBold));
    EXPECT_EQ(AllLines(R->Lines()), "Title|Body text|");

    // Loading: rich text as rich text unless PlainText; other text as text.
    TStringStream In(Rtf);
    R->Lines()->LoadFromStream(&In);
    EXPECT_EQ(AllLines(R->Lines()), "Title|Body text|");
    R->SetPlainText(true);
    TStringStream Raw("{\\rtf1 x}");
    R->Lines()->LoadFromStream(&Raw);
    EXPECT_EQ(AllLines(R->Lines()), "{\\rtf1 x}|");
    TStringStream Out;
    R->Lines()->SaveToStream(&Out);
    EXPECT_EQ(Out.DataString(), "{\\rtf1 x}");
}

TEST(RichEditStyle, TheControlFontIsTheTextFont)
{
    auto F = RichForm();
    auto R = NewRich(F.get());
    R->SetText("some text");
    R->Font()->SetSize(14);
    CHARFORMAT2A C{};
    C.cbSize = sizeof(C);
    SendMessageA(R->Handle(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&C));
    // Twips, from the font's pixel height: 14 points come back as 14.25.
    EXPECT_NEAR(C.yHeight, 14 * 20, 10);
    R->SetSelStart(2);
    C = {};
    C.cbSize = sizeof(C);
    SendMessageA(R->Handle(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&C));
    EXPECT_NEAR(C.yHeight, 14 * 20, 10);
}

TEST(RichEditStyle, WordWrapDecidesTheLineCount)
{
    auto F = RichForm();
    auto R = NewRich(F.get());
    std::string Long;
    for (int I = 0; I < 40; ++I)
        Long += "word ";
    R->SetText(Long);
    EXPECT_GT(R->Lines()->Count(), 1);
    R->SetWordWrap(false);
    EXPECT_EQ(R->Lines()->Count(), 1);
    EXPECT_TRUE(GetWindowLongA(R->Handle(), GWL_STYLE) & ES_AUTOHSCROLL);
    EXPECT_FALSE(GetWindowLongA(R->Handle(), GWL_STYLE) & WS_VSCROLL);
}

TEST(RichEditStyle, TabAndEnterAreAskedForAsSet)
{
    auto F = RichForm();
    auto R = NewRich(F.get());
    for (bool Tabs : {false, true})
        for (bool Returns : {false, true}) {
            SCOPED_TRACE(std::string(Tabs ? "tabs" : "no tabs") + (Returns ? ", returns" : ", no returns"));
            R->SetWantTabs(Tabs);
            R->SetWantReturns(Returns);
            const LRESULT Code = SendMessageA(R->Handle(), WM_GETDLGCODE, 0, 0);
            EXPECT_EQ((Code & DLGC_WANTTAB) != 0, Tabs);
            EXPECT_EQ((Code & DLGC_WANTALLKEYS) != 0, Returns);
            EXPECT_TRUE(Code & DLGC_WANTCHARS) << "typing reaches it either way";
        }
}
