// Actions and the controls that follow them: values copied through the
// link, the defaults-only rule while loading, execution and teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ActnList.h"
#include "classlib/Controls.h"

namespace {

class TPlainControl : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
};

TAction* MakeAction(TComponent* Owner = nullptr)
{
    auto* A = new TAction(Owner);
    A->SetCaption("&Save");
    A->SetHint("Saves the list");
    return A;
}

} // namespace

TEST(Actions, ControlTakesTheActionsValuesAndFollowsItsChanges)
{
    TOwned<TAction> A(MakeAction());
    TOwned<TPlainControl> C(new TPlainControl(nullptr));
    C->SetCaption("old");
    C->SetAction(A.get());
    EXPECT_EQ(C->Action(), A.get());
    EXPECT_EQ(C->Caption(), "&Save");
    EXPECT_EQ(C->Hint(), "Saves the list");
    EXPECT_EQ(A->ClientCount(), 1);

    A->SetCaption("Save &as");
    A->SetEnabled(false);
    A->SetVisible(false);
    A->SetHint("");
    EXPECT_EQ(C->Caption(), "Save &as");
    EXPECT_FALSE(C->Enabled());
    EXPECT_FALSE(C->Visible());
    EXPECT_EQ(C->Hint(), "");

    C->SetAction(nullptr);
    EXPECT_EQ(A->ClientCount(), 0);
    A->SetCaption("ignored");
    EXPECT_EQ(C->Caption(), "Save &as");
}

TEST(Actions, WhileLoadingOnlyDefaultValuesAreReplaced)
{
    const struct { std::string Caption; bool Enabled; std::string Hint; std::string WantCaption; bool WantEnabled; std::string WantHint; } Cases[] = {
        {"", true, "", "&Save", false, "Saves the list"},
        {"btnSave", true, "", "&Save", false, "Saves the list"}, // caption equal to the name is a default
        {"Keep", true, "mine", "Keep", false, "mine"},
        {"Keep", false, "", "Keep", false, "Saves the list"},
    };
    for (const auto& K : Cases) {
        SCOPED_TRACE(K.Caption);
        TOwned<TAction> A(MakeAction());
        A->SetEnabled(false);
        TOwned<TPlainControl> C(new TPlainControl(nullptr));
        C->SetName("btnSave");
        C->SetCaption(K.Caption);
        C->SetEnabled(K.Enabled);
        C->SetHint(K.Hint);
        A->BeginLoading();
        C->SetAction(A.get());
        A->EndLoading();
        EXPECT_EQ(C->Caption(), K.WantCaption);
        EXPECT_EQ(C->Enabled(), K.WantEnabled);
        EXPECT_EQ(C->Hint(), K.WantHint);
    }
}

TEST(Actions, ClickRunsTheActionUnlessTheControlHasItsOwnHandler)
{
    std::vector<std::string> Log;
    TOwned<TAction> A(MakeAction());
    TOwned<TPlainControl> C(new TPlainControl(nullptr));
    A->OnExecute = [&](TObject* Sender) {
        EXPECT_EQ(Sender, A.get());
        EXPECT_EQ(A->ActionComponent(), C.get());
        Log.push_back("execute");
    };
    C->SetAction(A.get());
    C->Click();
    EXPECT_EQ(A->ActionComponent(), nullptr);

    A->SetEnabled(false);
    C->Click();
    EXPECT_FALSE(A->Execute());

    A->SetEnabled(true);
    C->OnClick = [&](TObject*) { Log.push_back("own"); };
    C->Click();
    EXPECT_EQ(Log, (std::vector<std::string>{"execute", "own"}));
}

TEST(Actions, EitherSideMayGoFirst)
{
    auto* A = MakeAction();
    TOwned<TPlainControl> C(new TPlainControl(nullptr));
    C->SetAction(A);
    A->Free();
    EXPECT_EQ(C->Action(), nullptr);
    C->Click(); // nothing to run, nothing to crash

    TOwned<TAction> B(MakeAction());
    {
        TOwned<TPlainControl> D(new TPlainControl(nullptr));
        TOwned<TPlainControl> E(new TPlainControl(nullptr));
        D->SetAction(B.get());
        E->SetAction(B.get());
        EXPECT_EQ(B->ClientCount(), 2);
    }
    EXPECT_EQ(B->ClientCount(), 0);
    B->SetCaption("after the controls");
}

TEST(Actions, LinkPassesAValueOnOnlyWhileTheClientShowsTheOldOne)
{
    TOwned<TAction> A(MakeAction());
    TOwned<TPlainControl> C(new TPlainControl(nullptr));
    TControlActionLink Link(C.get());
    Link.SetAction(A.get());
    C->SetCaption("&Save");
    EXPECT_TRUE(Link.IsCaptionLinked());
    Link.SetCaption("one");
    EXPECT_EQ(C->Caption(), "one");
    EXPECT_FALSE(Link.IsCaptionLinked()) << "the action still says &Save";
    Link.SetCaption("two");
    EXPECT_EQ(C->Caption(), "one");
}
