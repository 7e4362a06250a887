// The dialog components' own rules: the re-entry guards, the form freed and
// the cursor put back on every way out, and the placement record.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/Streams.h"
#include "classlib/SysUtils.h"
#include "shell/RzShellDialogs.h"
#include "testkit/TestFolder.h"
#include "testkit/ModalScript.h"

using namespace modal_test;

// A folder form that reports its end (outside any namespace: its window
// class is its plain name).
class TCountedFolderForm : public TRzSelectFolderForm {
public:
    TCountedFolderForm(TComponent* AOwner, int& Alive) : TRzSelectFolderForm(AOwner), FAlive(Alive) { ++FAlive; }
    ~TCountedFolderForm() override { --FAlive; }

private:
    int& FAlive;
};

// A folder dialog with its form made here, InitForm able to fail, and the
// inner execute step open to the test.
class TProbeFolderDialog : public TRzSelectFolderDialog {
public:
    using TRzSelectFolderDialog::TRzSelectFolderDialog;
    bool FailInit = false;
    int FormsAlive = 0;
    TCursor CursorInInit = crDefault;
    bool InnerExecute() { return DoExecute(); }

protected:
    TRzSelectFolderForm* CreateForm() override { return new TCountedFolderForm(Application, FormsAlive); }
    void InitForm(TRzSelectFolderForm* Form) override
    {
        TRzSelectFolderDialog::InitForm(Form);
        CursorInInit = Screen->Cursor();
        if (FailInit)
            throw Exception("init failed");
    }
};

namespace {

class TShellDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->ShowErrorBoxes = false;
        TRzShellLocator Base;
        Base.SetPathName(Dir.Path());
        Dlg.SetBaseFolder(&Base);
    }
    TTestFolder Dir{"sdc"};
    TProbeFolderDialog Dlg{nullptr};
};

} // namespace

TEST_F(TShellDialogTest, ExecuteInsideItsOwnFormRaisesAndChangesNothing)
{
    struct Case {
        const char* What;
        bool Inner;
        const char* Message;
    };
    const Case Cases[] = {
        {"Execute again", false, "TProbeFolderDialog already executing"},
        {"the execute step with a form running", true, "TRzSelectFolderDialog form already active"},
    };
    for (const Case& K : Cases) {
        std::string Raised;
        TRzSelectFolderForm* Running = nullptr;
        Dlg.OnFormShow = [&](TObject* Sender) {
            Running = Dlg.Form();
            EXPECT_EQ(Sender, Running) << "sender: the form";
            try {
                K.Inner ? Dlg.InnerExecute() : Dlg.Execute();
            } catch (const Exception& E) {
                Raised = E.what();
            }
        };
        TModalScript Script("TCountedFolderForm", {[](TCustomForm* F) { F->SetModalResult(mrCancel); }});
        EXPECT_FALSE(Dlg.Execute()) << K.What;
        EXPECT_EQ(Raised, K.Message) << K.What;
        EXPECT_NE(Running, nullptr) << K.What;
        EXPECT_EQ(Dlg.FormsAlive, 0) << K.What << ": only the one form was made, and it is gone";
        EXPECT_FALSE(Dlg.Executing()) << K.What;
    }
}

TEST_F(TShellDialogTest, AFailingInitFreesTheFormAndPutsBackTheCursor)
{
    Screen->SetCursor(crDrag);
    Dlg.FailInit = true;
    EXPECT_THROW(Dlg.Execute(), Exception);
    EXPECT_EQ(Dlg.CursorInInit, crHourGlass) << "the hourglass while the form is made";
    EXPECT_EQ(Screen->Cursor(), crDrag);
    EXPECT_EQ(Dlg.FormsAlive, 0);
    EXPECT_EQ(Dlg.Form(), nullptr);
    EXPECT_FALSE(Dlg.Executing());

    // The dialog is usable again, and the events come in their order.
    Dlg.FailInit = false;
    std::vector<std::string> Events;
    Dlg.OnInitialized = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &Dlg);
        Events.push_back("initialized");
    };
    Dlg.OnFormShow = [&](TObject*) { Events.push_back("show"); };
    Dlg.OnFormClose = [&](TObject*) { Events.push_back("close"); };
    TModalScript Script("TCountedFolderForm", {[](TCustomForm* F) { F->SetModalResult(mrCancel); }});
    EXPECT_FALSE(Dlg.Execute());
    EXPECT_EQ(Events, (std::vector<std::string>{"initialized", "show", "close"}));
    EXPECT_EQ(Screen->Cursor(), crDrag);
    Screen->SetCursor(crDefault);
}

TEST(TShellDialog, TwoFolderDialogsRunOneInsideTheOther)
{
    // The wizard owns two folder dialogs; one may be opened from an event
    // of the other, each with its own form.
    Application->ShowErrorBoxes = false;
    TTestFolder Dir("sdn");
    TRzSelectFolderDialog Outer(nullptr), Inner(nullptr);
    Outer.SetSelectedPathName(Dir.Path());
    Inner.SetSelectedPathName(Dir.Path());
    Inner.SetTitle("Inner");
    bool InnerResult = true;
    std::string Error;
    Inner.OnFormShow = [](TObject* Form) {
        PostMessageA(static_cast<TCustomForm*>(Form)->Handle(), WM_CLOSE, 0, 0);
    };
    Outer.OnFormShow = [&](TObject* Form) {
        try {
            InnerResult = Inner.Execute();
        } catch (const Exception& E) {
            Error = E.what();
        }
        static_cast<TCustomForm*>(Form)->SetModalResult(mrOk);
    };
    EXPECT_TRUE(Outer.Execute());
    EXPECT_EQ(Error, "");
    EXPECT_FALSE(InnerResult);
}

TEST(TShellDialog, PlacementRecordIsLittleEndianWithTwoBytesAfter)
{
    TRzSelectFolderDialog A(nullptr);
    A.SetFormLeft(-1);
    A.SetFormTop(0x01020304);
    A.SetFormWidth(640);
    A.SetFormHeight(480);
    A.SetFormWindowState(wsMaximized);
    A.SetFormPosition(poDesigned);
    TMemoryStream S;
    A.WritePlacement(&S);
    const unsigned char Expected[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x80, 0x02, 0x00,
                                      0x00, 0xE0, 0x01, 0x00, 0x00, wsMaximized, poDesigned};
    ASSERT_EQ(S.Size(), static_cast<std::int64_t>(sizeof(Expected)));
    EXPECT_EQ(std::memcmp(S.Memory(), Expected, sizeof(Expected)), 0);

    TRzSelectFolderDialog B(nullptr);
    S.SetPosition(0);
    B.ReadPlacement(&S);
    EXPECT_EQ(B.FormLeft(), -1);
    EXPECT_EQ(B.FormTop(), 0x01020304);
    EXPECT_EQ(B.FormWidth(), 640);
    EXPECT_EQ(B.FormHeight(), 480);
    EXPECT_EQ(B.FormWindowState(), wsMaximized);
    EXPECT_EQ(B.FormPosition(), poDesigned);

    // A cut record raises and leaves the dialog as it was.
    TMemoryStream Short;
    Short.WriteBuffer(Expected, 10);
    Short.SetPosition(0);
    TRzSelectFolderDialog C(nullptr);
    EXPECT_ANY_THROW(C.ReadPlacement(&Short));
    EXPECT_EQ(C.FormTop(), -1);
    EXPECT_EQ(C.FormPosition(), poScreenCenter);
}

TEST(TShellDialog, DefaultsOfTheFolderDialog)
{
    TRzSelectFolderDialog D(nullptr);
    EXPECT_EQ(D.Options(), 706);
    EXPECT_EQ(D.FormPosition(), poScreenCenter);
    EXPECT_EQ(D.FormWidth(), -1);
    EXPECT_EQ(D.HotTrackColor(), static_cast<TColor>(0x149BF0));
    EXPECT_EQ(D.ToolBtnVisualStyle(), vsWinXP);
    EXPECT_EQ(D.Form(), nullptr);
    // The path view goes through the locator.
    D.SetSelectedPathName("C:\\");
    EXPECT_EQ(D.SelectedPathName(), "C:\\");
}
