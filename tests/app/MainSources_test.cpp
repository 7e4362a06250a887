// The source list: names dropped, pasted, removed, reordered and copied.
#include "tests/app/WizardFixture.h"

TEST_F(WizardTest, DroppedNamesAreReadWholeAndNotRepeated)
{
    const std::string Long = "C:\\" + std::string(150, 'a') + "\\" + std::string(146, 'b');
    ASSERT_EQ(Long.size(), 300u);
    Form->SelectSourceFormat(mftMbox);
    Form->Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\x\\Zeta", Long, "C:\\x\\alpha"})), 0);
    EXPECT_EQ(Form->PageIndex(), pgSource);
    const std::vector<std::string> Expected{"C:\\" + std::string(150, 'a') + "\\" + std::string(146, 'b'),
                                            "C:\\x\\alpha", "C:\\x\\Zeta"};
    EXPECT_EQ(Sources(), Expected);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 2);
    EXPECT_TRUE(Form->btnRemove->Enabled());
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(I)), mftMbox);

    // The same name again (in another case) only takes the new format.
    Form->SelectSourceFormat(mftPine);
    Form->lstSourceFiles->SetItemIndex(0);
    Form->Perform(WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\X\\ALPHA"})), 0);
    EXPECT_EQ(Sources(), Expected);
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(1)), mftPine);
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(0)), mftMbox);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 0);
}

TEST_F(WizardTest, DeleteAndMessageRemoveSourceEntries)
{
    for (const char* N : {"C:\\a", "C:\\b", "C:\\c", "C:\\d"})
        AddSource(N, mftMbox);
    Form->ShowPage(pgSource);
    Form->lstSourceFiles->SetItemIndex(1);
    // Delete posts the removal, which runs after the key's handler.
    SendMessageA(Form->lstSourceFiles->Handle(), WM_KEYUP, VK_DELETE, 0);
    EXPECT_EQ(Sources().size(), 4u);
    Pump();
    EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\a", "C:\\c", "C:\\d"}));
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 1);

    // Nothing selected: the message carries -1 and removes nothing.
    Form->lstSourceFiles->SetItemIndex(-1);
    SendMessageA(Form->lstSourceFiles->Handle(), WM_KEYUP, VK_DELETE, 0);
    Pump();
    PostMessageA(Form->Handle(), KM_REMOVESOURCE, ControlParam(Form->lstSourceFiles), -1);
    PostMessageA(Form->Handle(), KM_REMOVESOURCE, ControlParam(Form->lstSourceFiles), 7);
    // Another control's message is not about the list.
    PostMessageA(Form->Handle(), KM_REMOVESOURCE, ControlParam(Form->lbxSourceFormat), 0);
    Pump();
    EXPECT_EQ(Sources().size(), 3u);

    // The last line removed selects the new last line; an empty list
    // disables Remove.
    Form->lstSourceFiles->SetItemIndex(2);
    Form->btnRemoveClick(nullptr);
    EXPECT_EQ(Form->lstSourceFiles->ItemIndex(), 1);
    Form->btnRemoveClick(nullptr);
    Form->btnRemoveClick(nullptr);
    EXPECT_TRUE(Sources().empty());
    EXPECT_FALSE(Form->btnRemove->Enabled());
}

TEST_F(WizardTest, PasteCopyAndClearTheSourceList)
{
    Form->SelectSourceFormat(mftEudoraToc);
    Clipboard().SetAsText("mailbox:///C|/Mail/Inbox");
    Form->pmnSourceFilesPopup(nullptr);
    EXPECT_TRUE(Form->smnPaste->Enabled());
    EXPECT_FALSE(Form->smnCopy->Enabled());
    Form->smnPasteClick(nullptr);
    ASSERT_EQ(Sources(), std::vector<std::string>{"C:\\Mail\\Inbox"});
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(0)), mftThunderbird);

    const std::string Box = Dir.Write("In.toc", "x");
    Clipboard().SetAsText(Box + "\r\nnot a file\r\n");
    Form->smnPasteClick(nullptr);
    EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\Mail\\Inbox", Box}));
    EXPECT_EQ(MailFormatOfObject(Form->lstSourceFiles->Items()->Objects(1)), mftEudoraToc);

    Form->lstSourceFiles->SetItemIndex(0);
    Form->smnCopyClick(nullptr);
    EXPECT_EQ(Clipboard().AsText(), "C:\\Mail\\Inbox");
    Form->smnCopyAllClick(nullptr);
    EXPECT_EQ(Clipboard().AsText(), "C:\\Mail\\Inbox\r\n" + Box + "\r\n");
    Form->pmnSourceFilesPopup(nullptr);
    EXPECT_TRUE(Form->smnCopy->Enabled());
    EXPECT_TRUE(Form->smnClearList->Enabled());
    Form->smnClearListClick(nullptr);
    EXPECT_TRUE(Sources().empty());
    EXPECT_FALSE(Form->btnRemove->Enabled());
}

TEST_F(WizardTest, TheSourceListIsReorderedByDragging)
{
    for (const char* N : {"C:\\a", "C:\\b", "C:\\c"})
        AddSource(N, mftMbox);
    Form->ShowPage(pgSource);
    TRzRankListBox* List = Form->lstSourceFiles;
    const TRect First = List->ItemRect(0), Last = List->ItemRect(2);
    const HWND Wnd = List->Handle();
    SendMessageA(Wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(First.left + 5, First.top + 2));
    SendMessageA(Wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(Last.left + 5, Last.top + 2));
    SendMessageA(Wnd, WM_LBUTTONUP, 0, MAKELPARAM(Last.left + 5, Last.top + 2));
    EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\b", "C:\\c", "C:\\a"}));
    EXPECT_EQ(List->ItemIndex(), 2);
    EXPECT_TRUE(Form->btnRemove->Enabled());
}

// A long source item's hint goes with a page change, the focus leaving the
// list, a key in it and a scroll.
TEST_F(WizardTest, TheSourceItemHintLeavesWithTheList)
{
    AddSource("C:\\" + std::string(300, 'n'), mftMbox);
    const std::function<void()> Actions[] = {
        [&] { Form->ShowPage(pgTarget); },
        [&] { Form->btnAddFiles->SetFocus(); },
        [&] { PostMessageA(Form->lstSourceFiles->Handle(), WM_KEYDOWN, VK_END, 1); },
        [&] { PostMessageA(Form->lstSourceFiles->Handle(), WM_HSCROLL, SB_LINERIGHT, 0); },
    };
    for (const auto& Act : Actions) {
        Form->ShowPage(pgSource);
        Form->lstSourceFiles->SetFocus();
        const TRect R = Form->lstSourceFiles->ItemRect(0);
        PostMessageA(Form->lstSourceFiles->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(R.left + 5, R.top + 2));
        Pump();
        ASSERT_TRUE(Form->lstSourceFiles->ItemHintWindow() && Form->lstSourceFiles->ItemHintWindow()->Active());
        Act();
        Pump();
        EXPECT_FALSE(Form->lstSourceFiles->ItemHintWindow()->Active());
    }
}

TEST_F(WizardTest, PastedLinesNotAddedAreNamedAndASavedSelectionSaysSo)
{
    const std::string Box = Dir.Write("Inbox", MessageOf(1));
    Clipboard().SetAsText("hello\r\n" + Box + "\r\n \r\nC:\\nowhere\\x");
    Form->smnPasteClick(nullptr);
    EXPECT_EQ(Sources(), std::vector<std::string>{Box});
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].DlgType, mtWarning);
    const std::string Msg = Boxes[0].Msg;
    EXPECT_EQ(Msg.substr(Msg.find("not added:")), "not added:\r\nhello\r\nC:\\nowhere\\x");

    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    Form->ShowPage(pgStart);
    EXPECT_EQ(SaveLogAs(Dir.File("log.txt")).second, "");
    Form->edtProcessing->SetSelStart(0);
    Form->edtProcessing->SetSelLength(5);
    EXPECT_EQ(SaveLogAs(Dir.File("log.txt")).second, "Save the Selected Log Text As");
    EXPECT_EQ(TTestFolder::Read(Dir.File("log.txt")), "Ready");
}

TEST_F(WizardTest, CtrlCCtrlVAndDeleteInTheSourceList)
{
    const std::string Box = Dir.Write("Inbox", MessageOf(1));
    Form->ShowPage(pgSource);
    Form->lstSourceFiles->SetFocus();
    Clipboard().SetAsText(Box);
    PressKey('V', true);
    ASSERT_EQ(Sources(), std::vector<std::string>{Box});
    Clipboard().SetAsText("");
    PressKey('C', true);
    EXPECT_EQ(Clipboard().AsText(), Box);
    PressKey(VK_DELETE);
    Pump();
    EXPECT_TRUE(Sources().empty());
}

// Pasted names the code page cannot hold go in by their short forms, a
// folder with the format's own pattern; the run converts them.
TEST_F(WizardTest, CtrlVTakesNamesOutsideTheCodePage)
{
    const std::wstring Mail = AnsiToWideStr(Dir.Path()) + L"\\\u53d7\u4fe1\u7bb1";
    ASSERT_TRUE(CreateDirectoryW(Mail.c_str(), nullptr));
    ASSERT_TRUE(TTestFolder::Put(Mail + L"\\\u041f\u043e\u0447\u0442\u0430", MessageOf(1)));
    Form->ShowPage(pgSource);
    Form->SelectSourceFormat(mftMbox);
    Form->lstSourceFiles->SetFocus();
    Clipboard().SetAsWideText(Mail + L"\\\r\n" + Mail + L"\\\u041f\u043e\u0447\u0442\u0430");
    PressKey('V', true);
    EXPECT_TRUE(Boxes.empty()) << Boxes.front().Msg;
    const std::string ShortMail = OpenableAnsiPath(Mail);
    ASSERT_EQ(Sources(), (std::vector<std::string>{ShortMail + "\\*.*",
                                                    OpenableAnsiPath(Mail + L"\\\u041f\u043e\u0447\u0442\u0430")}));
    Form->lstSourceFiles->Items()->Delete(1);
    Form->SelectTargetFormat(mftEml);
    Form->edtTargetFolder->SetText(Dir.File("out") + "\\");
    Form->ShowPage(pgStart);
    Form->btnNextClick(nullptr);
    EXPECT_NE(Form->edtProcessing->Text().find("1 mailboxes processed, 1 messages converted"), std::string::npos)
        << Form->edtProcessing->Text();
}
