// The edit of the class library by messages to its window: case, password
// character, margins, selection on entry and the validation-error hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

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
