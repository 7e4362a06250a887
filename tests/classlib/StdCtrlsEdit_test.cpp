// The edit of the class library by messages to its window: case, password
// character, margins, selection on entry and the validation-error hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "classlib/Clipbrd.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "testkit/TestControls.h"

namespace {

class TProbeMaskEdit : public TCustomMaskEdit {
public:
    using TCustomMaskEdit::TCustomMaskEdit;
    void Fail() { ValidateError(); }
};

void Chars(HWND Wnd, const std::string& Keys)
{
    for (char Ch : Keys)
        SendMessageA(Wnd, WM_CHAR, static_cast<unsigned char>(Ch), 1);
}

} // namespace

TEST(EditOptions, CaseMarginsPasswordAndAutoSelect)
{
    auto F = ShownForm();
    auto E = new TEdit(F.get());
    E->SetParent(F.get());
    struct TCase { TEditCharCase Case; std::string Want; };
    for (const TCase& C : {TCase{ecUpperCase, "ABC"}, TCase{ecLowerCase, "abc"}, TCase{ecNormal, "aBc"}}) {
        E->SetCharCase(C.Case);
        E->SetText("");
        Chars(E->Handle(), "aBc");
        EXPECT_EQ(E->Text(), C.Want) << C.Case;
    }
    E->SetMargins(3, 20);
    int L = 0, R = 0;
    E->GetMargins(L, R);
    EXPECT_EQ(L, 3);
    EXPECT_EQ(R, 20);
    E->RecreateWnd();
    E->GetMargins(L, R);
    EXPECT_EQ(R, 20);
    E->SetPasswordChar('*');
    EXPECT_EQ(SendMessageA(E->Handle(), EM_GETPASSWORDCHAR, 0, 0), '*');

    E->SetText("select me");
    E->SetSelStart(2);
    E->Perform(CM_ENTER);
    EXPECT_EQ(E->SelText(), "select me");
    E->Perform(CM_EXIT);
    E->SetAutoSelect(false);
    E->SetSelStart(2);
    E->Perform(CM_ENTER);
    EXPECT_EQ(E->SelLength(), 0);
    E->Perform(CM_EXIT);
}

// A letter the code page holds only as a look-alike, typed or pasted, is a
// "?" in an edit that asks for exact input, also in its next window; one
// it holds goes in as itself. An edit that does not ask takes the look-alike.
TEST(EditOptions, ExactAnsiInputTakesNoLookAlike)
{
    auto F = ShownForm();
    auto E = new TEdit(F.get());
    E->SetParent(F.get());
    const auto Type = [&](const std::wstring& Keys) {
        SendMessageA(E->Handle(), EM_SETSEL, 0x7FFF, 0x7FFF);
        for (wchar_t Ch : Keys)
            SendMessageW(E->Handle(), WM_CHAR, Ch, 1);
    };
    const auto Paste = [&](const std::wstring& Text) {
        Clipboard().SetAsWideText(Text);
        SendMessageA(E->Handle(), EM_SETSEL, 0x7FFF, 0x7FFF);
        SendMessageA(E->Handle(), WM_PASTE, 0, 0);
    };
    Type(L"\u03A9");
    EXPECT_EQ(E->Text(), "O");
    E->SetText("");
    E->SetExactAnsiInput(true);
    Type(L"\u03A9\uFF11\u00E9a\u0416");
    EXPECT_EQ(E->Text(), "??\xE9" "a?");
    Paste(L"x\u03A9\u00E9\uFF11y");
    EXPECT_EQ(E->Text(), "??\xE9" "a?x?\xE9?y");
    E->RecreateWnd();
    Type(L"\u03A9");
    EXPECT_EQ(E->Text(), "??\xE9" "a?x?\xE9?y?");
    E->SetExactAnsiInput(false);
    Paste(L"\u03A9");
    EXPECT_EQ(E->Text(), "??\xE9" "a?x?\xE9?y?O");
}

TEST(EditValidation, TheHookNamesTheErrorAndBeeps)
{
    auto F = ShownForm();
    auto E = new TProbeMaskEdit(F.get());
    E->SetParent(F.get());
    int Beeps = 0;
    SetBeepHook([&](UINT) { ++Beeps; });
    try {
        E->Fail();
        ADD_FAILURE() << "no error raised";
    } catch (const EDBEditError& X) {
        EXPECT_NE(std::string(X.what()).find("Invalid input value"), std::string::npos);
    }
    E->OnValidateError = [](TObject*, std::string& M) { M = "Digits only"; };
    try {
        E->Fail();
        ADD_FAILURE() << "no error raised";
    } catch (const EDBEditError& X) {
        EXPECT_EQ(std::string(X.what()), "Digits only");
    }
    SetBeepHook(nullptr);
    EXPECT_EQ(Beeps, 2);
}
