// Form storage of the controls: a form holding each of them written and
// read back, the storing rules, and streams written by hand that hold the
// property names of older versions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "classlib/ActnList.h"

#include "controls/RzBtnEdt.h"
#include "controls/RzButton.h"
#include "controls/RzCmboBx.h"
#include "controls/RzEdit.h"
#include "controls/RzLabel.h"
#include "controls/RzLstBox.h"
#include "controls/RzPanel.h"
#include "controls/RzPrgres.h"
#include "controls/RzRadChk.h"
#include "controls/RzRadGrp.h"
#include "controls/RzRichUrl.h"
#include "controls/RzSplit.h"
#include "controls/RzStatus.h"
#include "controls/RzTabs.h"
#include "testkit/StoredProps.h"
#include "testkit/RzFormTest.h"
#include "testkit/Watchdog.h"

namespace {

template <typename T>
T* Add(TForm* F, TWinControl* Parent, const char* Name)
{
    auto C = new T(F);
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TControl, T>)
        C->SetParent(Parent);
    return C;
}

void RegisterControls()
{
    static const bool Done = [] {
        RegisterComponentClass<TRzFrameController>();
        RegisterComponentClass<TRzPanel>();
        RegisterComponentClass<TRzSplitter>();
        RegisterComponentClass<TRzEdit>();
        RegisterComponentClass<TRzComboBox>();
        RegisterComponentClass<TRzListBox>();
        RegisterComponentClass<TRzTabbedListBox>();
        RegisterComponentClass<TRzButton>();
        RegisterComponentClass<TRzBitBtn>();
        RegisterComponentClass<TRzCheckBox>();
        RegisterComponentClass<TRzLabel>();
        RegisterComponentClass<TRzCheckGroup>();
        RegisterComponentClass<TRzPageControl>();
        RegisterComponentClass<TRzButtonEdit>();
        RegisterComponentClass<TRzControlButton>();
        RegisterComponentClass<TRzProgressBar>();
        RegisterComponentClass<TRzStatusPane>();
        RegisterComponentClass<TRzStatusBar>();
        RegisterComponentClass<TRzGroupBox>();
        RegisterComponentClass<TRzRichEdit>();
        RegisterComponentClass<TRzToolButton>();
        RegisterComponentClass<TRzRankListBox>();
        RegisterComponentClass<TRzCustomImageComboBox>();
        RegisterComponentClass<TRzURLLabel>();
        RegisterComponentClass<TRzTabControl>();
        return true;
    }();
    (void)Done;
}

// A form with one of each control, every one off its defaults somewhere.
void Build(TForm* F)
{
    auto FC = Add<TRzFrameController>(F, F, "Frames");
    FC->SetFrameColor(clNavy);
    FC->SetFrameHotTrack(true);
    auto Panel = Add<TRzPanel>(F, F, "Panel");
    Panel->SetBounds(0, 0, 300, 30);
    Panel->SetBorderOuter(fsFlat);
    Panel->SetVisualStyle(vsGradient);
    auto S = Add<TRzSplitter>(F, F, "Split");
    S->SetBounds(0, 40, 300, 120);
    S->SetPosition(90);
    S->SetHotSpotVisible(true);
    S->SetHotSpotColor(clYellow);
    S->LowerRight()->SetColor(clAqua);
    S->UpperLeft()->SetDockSite(true);
    auto Edit = Add<TRzEdit>(F, S->UpperLeftPane(), "Edit");
    Edit->SetText("mbox");
    Edit->SetFrameStyle(fsGroove);
    Edit->SetFocusColor(clInfoBk);
    // Tab orders that fall in control order: 2, 1, 0 in a pane and a panel.
    Add<TRzEdit>(F, S->UpperLeftPane(), "Edit2");
    Add<TRzEdit>(F, S->UpperLeftPane(), "Edit3")->SetTabOrder(0);
    Edit->SetTabOrder(2);
    for (const char* Name : {"Tab2", "Tab1", "Tab0"})
        Add<TRzEdit>(F, Panel, Name)->SetTabOrder(0);
    auto List = Add<TRzListBox>(F, S->LowerRightPane(), "List");
    List->SetFrameVisible(true);
    List->SetFrameController(FC);
    Panel->SetFrameController(FC);
    List->GroupFont()->SetColor(clPurple);
    auto Tabbed = Add<TRzTabbedListBox>(F, F, "Tabbed");
    Tabbed->TabStops()->Add(40);
    Tabbed->TabStops()->Add(120);
    auto Combo = Add<TRzComboBox>(F, F, "Combo");
    Combo->SetFrameHotColor(clRed);
    Combo->SetText("inbox");
    Add<TRzButton>(F, F, "Button")->SetCaption("Go");
    Add<TRzBitBtn>(F, F, "Ok")->SetKind(bkOK);
    auto Check = Add<TRzCheckBox>(F, F, "Check");
    Check->SetHotTrack(true);
    auto Label = Add<TRzLabel>(F, F, "Label");
    Label->SetAngle(90);
    Label->Font()->SetName("Courier New");
    Label->Font()->SetHeight(-15);
    Label->Font()->SetStyle(fsBold | fsItalic);
    Label->Font()->SetCharset(GREEK_CHARSET);
    const auto SetGlyph = [](TBitmap* G) {
        G->SetSize(6, 3);
        G->ScanLine(2)[5] = 0x00123456;
    };
    auto Glyphed = Add<TRzBitBtn>(F, F, "Glyphed");
    SetGlyph(Glyphed->Glyph());
    SetGlyph(Check->CustomGlyphs());
    SetGlyph(Add<TRzControlButton>(F, F, "Spin")->Glyph());
    TBitmap Glyph;
    SetGlyph(&Glyph);
    auto ButtonEdit = Add<TRzButtonEdit>(F, F, "ButtonEdit");
    ButtonEdit->SetButtonGlyph(&Glyph);
    ButtonEdit->SetAltBtnGlyph(&Glyph);
    ButtonEdit->SetAltBtnVisible(true);
    ButtonEdit->SetAltBtnWidth(31);
    ButtonEdit->SetButtonHint("Browse");
    ButtonEdit->SetButtonShortCut(VK_F2);
    ButtonEdit->SetAllowKeyEdit(!ButtonEdit->AllowKeyEdit());
    Glyphed->SetNumGlyphs(1);
    auto Group = Add<TRzCheckGroup>(F, F, "Group");
    Group->Items()->SetCommaText("mbox,eml,txt");
    Group->SetColumns(2);
    Group->SetItemState(0, cbChecked);
    Group->SetItemState(2, cbGrayed);
    Group->ItemFont()->SetStyle(fsUnderline);
    Group->CaptionFont()->SetHeight(-20);
    SetGlyph(Group->CustomGlyphs());
    auto Pages = Add<TRzPageControl>(F, F, "Pages");
    Pages->SetBounds(0, 170, 300, 100);
    for (const char* Name : {"One", "Two", "Three"}) {
        auto P = Add<TRzTabSheet>(F, Pages, Name);
        P->SetPageControl(Pages);
        P->SetCaption(Name);
    }
    static_cast<TRzTabSheet*>(F->FindComponent("Three"))->SetPageIndex(0);
    static_cast<TRzTabSheet*>(F->FindComponent("Two"))->SetImageIndex(4);
    Pages->SetActivePage(static_cast<TRzTabSheet*>(F->FindComponent("Two")));
    Add<TRzPanel>(F, Pages->ActivePage(), "OnPage")->SetAlign(alClient);
    Add<TRzPanel>(F, Pages, "BesideThePages")->SetBounds(250, 0, 40, 20);
    // Padded boxes, each with an aligned child.
    for (TWinControl* Box : std::initializer_list<TWinControl*>{Pages->ActivePage(), S->LowerRightPane(), Panel})
        Box->SetPadding(TRect(3, 4, 5, 6));
    List->SetAlign(alClient);
    static_cast<TControl*>(F->FindComponent("Tab0"))->SetAlign(alClient);
    Add<TRzProgressBar>(F, F, "Progress")->SetBarColorStop(clRed);
    Add<TRzStatusPane>(F, Add<TRzStatusBar>(F, F, "Status"), "StatusPane")->SetCaption("Ready");
    Add<TRzGroupBox>(F, F, "Box")->SetGroupStyle(gsBanner);
    Add<TRzRichEdit>(F, F, "Rich")->Lines()->SetText("one\ntwo\n");
    Add<TRzToolButton>(F, F, "Tool")->SetVisualStyle(vsGradient);
    Add<TRzRankListBox>(F, F, "Rank")->Items()->SetCommaText("a,b");
    Add<TRzCustomImageComboBox>(F, F, "Images")->SetItemIndent(20);
    Add<TRzURLLabel>(F, F, "Url")->SetURL("https://example.org/");
    Add<TRzTabControl>(F, F, "Tabs")->SetTabOrientation(toBottom);
}

// A value as stored: ordinals and texts as text, objects as their bytes.
std::string StoredValue(const TPersistent* O, const TPropInfo* P)
{
    if (P->GetOrd)
        return std::to_string(P->GetOrd(O));
    if (P->GetStr)
        return P->GetStr(O);
    if (P->GetRef)
        return P->GetRef(O) ? P->GetRef(O)->Name() : "";
    TStringStream S;
    TWriter W(&S);
    W.WriteProperties(P->GetObj(O), nullptr);
    return S.DataString();
}

// Moves a value off its default: Given when the row names one, else the
// first neighbour the setter keeps.
void SetOffDefault(TPersistent* O, const TPropInfo* P, const std::string& Given)
{
    if (P->SetOrd) {
        const TPropOrd Was = P->GetOrd(O);
        for (TPropOrd V : {Given.empty() ? (Was ? Was - 1 : 1) : std::stoll(Given, nullptr, 0), Was + 1, Was + 2})
            if (P->SetOrd(O, V); P->GetOrd(O) != Was)
                return;
    } else if (P->SetStr) {
        P->SetStr(O, Given.empty() ? "z" + P->Name : Given);
    } else if (P->GetObj) {
        TPersistent* Obj = P->GetObj(O);
        if (auto Strings = dynamic_cast<TStrings*>(Obj))
            Strings->SetText(Given.empty() ? "a\nb\n" : Given);
        else if (auto Bitmap = dynamic_cast<TBitmap*>(Obj))
            Bitmap->SetSize(18, 2);
        else if (auto Integers = dynamic_cast<TRzIntegerList*>(Obj))
            Integers->Add(7);
        else if (Obj->Properties())
            for (const TPropInfo* Q : Obj->Properties()->All())
                SetOffDefault(Obj, Q, "");
    }
}

template <typename T>
TComponent* Make(TForm* F)
{
    return Add<T>(F, F, "C");
}

// Every setting a control publishes, in an order where none undoes another;
// "Name=Value" where the neighbouring value would not do. Events are not
// stored.
struct TPublished {
    TComponent* (*New)(TForm*);
    std::string Names;
};

// The tab control's settings, published by both kinds.
const std::string TabSettings = "AlignTabs ParentBackgroundColor BackgroundColor BoldCurrentTab ButtonColor Color "
    "UseColoredTabs CutCornerSize DragIndicatorColor FlatColor FlatColorAdjustment ImageAlignment "
    "ImageAlignmentVertical ImageMargin ImagePosition HotTrack HotTrackColor HotTrackColorSource HotTrackColorType "
    "HotTrackStyle Images Margin MultiLine RowIndent RowOverlap ShowCardFrame ShowCloseButton "
    "ShowCloseButtonOnActiveTab ShowMenuButton SortTabMenu ShowFocusRect ShowShadow SoftCorners TabOverlap "
    "TextOrientation TabColors TabHeight TabHints TabOrientation TabSequence TabStyle TabWidth TextColors "
    "TextAlignment TextAlignmentVertical Transparent UseGradients AllowTabDragging TabStop";

// The frame settings of the framed edits and lists.
const std::string Framed = "DisabledColor FocusColor=65280 FrameColor FrameHotColor FrameHotStyle FrameVisible "
    "FrameHotTrack FrameSides FrameStyle FramingPreference FrameController FrameControllerNotifications TabOnEnter ";

const TPublished PublishedSettings[] = {
    {Make<TRzFrameController>, "Color DisabledColor ReadOnlyColor=255 ReadOnlyColorOnFocus FlatButtonColor "
        "FlatButtons FocusColor=65280 FrameColor FrameHotColor FrameHotStyle FrameVisible FrameHotTrack FrameSides "
        "FrameStyle FramingPreference"},
    {Make<TRzFrameController>, "ParentColor"},
    {Make<TRzPanel>, "Alignment AlignmentVertical BorderOuter BorderInner BorderSides BorderColor BorderHighlight "
        "BorderShadow BorderWidth BevelWidth Color FlatColor FlatColorAdjustment GradientColorStyle "
        "GradientColorStart GradientColorStop GradientDirection GridColor GridStyle GridXSize GridYSize ShowGrid "
        "PaintClientArea Transparent TextMargin TextMarginVertical WordWrap VisualStyle ShowDockClientCaptions "
        "FrameController FrameControllerNotifications Caption FullRepaint Padding"},
    {Make<TRzProgressBar>, "TotalParts PartsComplete ShowPercent ShowParts BarStyle BackColor BackColorStop "
        "BarColor BarColorStop GradientDirection NumSegments InteriorOffset=3 BorderOuter BorderInner BorderWidth "
        "BorderColor BevelWidth FlatColor FlatColorAdjustment ThemeAware FrameController "
        "FrameControllerNotifications Width Height Orientation"},
    {Make<TRzProgressBar>, "Percent"},
    {Make<TRzStatusPane>, "Caption Alignment CaptionOffset DefaultWidth AutoHint Blinking BlinkColor FrameStyle "
        "BorderWidth FlatColor FlatColorAdjustment ParentFillColor FillColor Transparent ParentColor Color Width "
        "Height FrameController FrameControllerNotifications"},
    {Make<TRzStatusPane>, "AutoSize"},
    {Make<TRzGroupBox>, "GroupStyle BannerHeight CaptionFont ShowCheckBox Checked EnableControlsOnCheck Alignment "
        "BorderOuter BorderInner Height"},
    {Make<TRzStatusBar>, "Align AutoStyle AutoScalePanes ShowSizeGrip SimpleStatus SimpleCaption SimpleFrameStyle "
        "BorderInner BorderOuter BorderSides Color Height"},
    {Make<TRzComboBox>, Framed + "Color Style=3 Sorted Items DropDownCount MaxLength CharCase ItemHeight "
        "AutoDropDown AutoCloseUp AllowEdit AutoComplete BeepOnInvalidKey DropDownWidth FlatButtons FlatButtonColor "
        "KeepSearchCase ReadOnly ReadOnlyColor ReadOnlyColorOnFocus TextHint Values ItemIndex=1"},
    {Make<TRzComboBox>, "Text"},
    {Make<TRzComboBox>, "Style=1 Text"},
    {Make<TRzCustomImageComboBox>, "ItemIndent AutoSizeItemHeight Images"},
    {Make<TRzListBox>, Framed + "Style MultiSelect ExtendedSelect Sorted Items ItemIndex Columns IntegralHeight "
        "ItemHeight TabWidth BorderStyle IncrementalSearch BeepOnInvalidKey ShowItemHints HorzScrollBar "
        "OwnerDrawIndent ShowGroups GroupPrefix GroupColor GroupColorFromTheme GroupFont UseGradients Color"},
    {Make<TRzTabbedListBox>, "TabStopsMode"},
    {Make<TRzTabbedListBox>, "TabStops"},
    {Make<TRzRankListBox>, "ShowItemHints ModifierKey MoveOnDrag"},
    {Make<TRzCheckBox>, "AllowGrayed State Alignment AutoSize WordWrap UseCustomGlyphs CustomGlyphs "
        "CustomGlyphImages TransparentColor WinMaskColor FillColor FocusColor DisabledColor FrameColor ReadOnly "
        "ReadOnlyColor ReadOnlyColorOnFocus HotTrackStyle TabOnEnter FrameController FrameControllerNotifications "
        "AlignmentVertical HotTrack HotTrackColor HotTrackColorType HighlightColor LightTextStyle TextStyle "
        "TextHighlightColor TextShadowColor TextShadowDepth ThemeAware Transparent"},
    {Make<TRzCheckBox>, "Checked"},
    {Make<TRzCheckGroup>, "Items Columns ItemFont ItemHeight StartXPos StartYPos VerticalSpacing SpaceEvenly "
        "AllowGrayed ReadOnly ReadOnlyColor ReadOnlyColorOnFocus ItemFrameColor ItemHighlightColor ItemHotTrack "
        "ItemHotTrackColor ItemHotTrackColorType LightTextStyle TextStyle TextHighlightColor TextShadowColor "
        "TextShadowDepth UseCustomGlyphs CustomGlyphs CustomGlyphImages TransparentColor WinMaskColor TabOnEnter"},
    {Make<TRzButton>, "Alignment AlignmentVertical GroupIndex AllowAllUp Down Cancel Color Default DropDownOnEnter "
        "FrameColor Height HighlightColor HotTrack HotTrackColor HotTrackColorType LightTextStyle ModalResult "
        "ShowDownPattern ShowFocusRect TabStop TextHighlightColor TextShadowColor TextShadowDepth TextStyle "
        "ThemeAware Width"},
    {Make<TRzButton>, "ParentColor"},
    {Make<TRzBitBtn>, "Glyph NumGlyphs Images ImageIndex DisabledIndex Layout Margin Spacing Caption Cancel "
        "Default ModalResult"},
    {Make<TRzBitBtn>, "Kind"},
    {Make<TRzToolButton>, "Alignment DisabledIndex DownIndex DropDownMenu Flat GradientColorStyle Height Width "
        "HotIndex ImageIndex Images Layout SelectionColorStart SelectionColorStop SelectionFrameColor ShowCaption "
        "ToolStyle Transparent UseToolbarButtonSize UseToolbarVisualStyle VisualStyle Caption"},
    {Make<TRzToolButton>, "GroupIndex AllowAllUp Down UseToolbarButtonLayout UseToolbarShowCaption"},
    {Make<TRzControlButton>, "Delay Flat Glyph InitialDelay NumGlyphs RepeatClicks Style"},
    {Make<TRzEdit>, Framed + "Text Alignment Color ReadOnly ReadOnlyColor ReadOnlyColorOnFocus TextHint "
        "TextHintVisibleOnFocus AutoSelect CharCase HideSelection MaxLength PasswordChar"},
    {Make<TRzRichEdit>, Framed + "Lines PlainText ScrollBars WordWrap HideSelection Color ReadOnly ReadOnlyColor "
        "ReadOnlyColorOnFocus"},
    {Make<TRzButtonEdit>, "Alignment AllowKeyEdit BeepOnInvalidKey ButtonKind AltBtnKind ButtonGlyph AltBtnGlyph "
        "ButtonNumGlyphs=3 AltBtnNumGlyphs=3 ButtonHint AltBtnHint ButtonShortCut AltBtnShortCut ButtonVisible "
        "AltBtnVisible ButtonWidth AltBtnWidth Enabled FlatButtons FlatButtonColor HideButtonsOnReadOnly"},
    {Make<TRzTabControl>, TabSettings},
    {Make<TRzTabControl>, "ShowFullFrame"},
    {Make<TRzPageControl>, TabSettings + " SaveResources DblClickUndocks"},
    {[](TForm* F) -> TComponent* {
         auto Page = Add<TRzTabSheet>(F, Add<TRzPageControl>(F, F, "Pages"), "C");
         Page->SetPageControl(static_cast<TRzPageControl*>(F->FindComponent("Pages")));
         return Page;
     },
     "Color DisabledIndex ImageIndex TabEnabled TabVisible Padding"},
    {Make<TRzLabel>, "Rotation=2 Angle Blinking BlinkColor BevelWidth BorderInner BorderOuter BorderSides "
        "BorderColor BorderHighlight BorderShadow BorderWidth CondenseCaption FlatColor FlatColorAdjustment "
        "FrameController FrameControllerNotifications CenterPoint FlyByColor FlyByEnabled Layout LightTextStyle "
        "HighlightColor ShadowColor ShadowDepth TextMargin TextStyle"},
    {Make<TRzURLLabel>, "URL Visited UnvisitedColor VisitedColor"},
    {Make<TRzSplitter>, "Orientation UsePercent Percent PercentMin PercentMax SelectedPane SplitterStyle "
        "RealTimeDrag LockBar UpperLeft LowerRight HotSpotVisible HotSpotColor HotSpotDotColor HotSpotFrameColor "
        "HotSpotHighlight HotSpotIgnoreMargins HotSpotDirection HotSpotSizePercent GradientColorAdjustment "
        "GradientPath ParentColor BorderWidth"},
    {Make<TRzSplitter>, "MarginMin MarginMax"},
    {Make<TRzSplitter>, "FixedPane"},
    {Make<TRzSplitter>, "Position"},
    {Make<TRzSplitter>, "SplitterWidth"},
    {Make<TRzSplitter>, "Orientation SplitterWidth Position"},
};

// Reads a component named C of Class, with what Props writes, into F.
void ReadOne(TForm* F, const std::string& Class, const std::function<void(TWriter&)>& Props)
{
    ReadForm(HandWritten("TForm", [&](TWriter& W) {
                 W.WriteStr("");
                 W.WriteStr(Class);
                 W.WriteStr("C");
                 Props(W);
                 W.WriteStr("");
                 W.WriteStr("");
             }), F);
}

void ShowAndPump(TForm* F)
{
    F->Show();
    Application->ProcessMessages();
}

// Ends a form by Free() or by delete, and handles what that posted.
void FreeForm(TForm* F, bool Delete)
{
    if (Delete)
        delete F;
    else
        F->Free();
    Application->ProcessMessages();
}

} // namespace

// Each published setting moved off its default comes back from a form
// written and read; one missing from a control's table fails here.
TEST(RzStore, EveryPublishedSettingReadsBack)
{
    RegisterControls();
    for (const TPublished& Row : PublishedSettings) {
        TOwned<TForm> A(NewTestForm(320, 280)), Fresh(NewTestForm(320, 280)), B(NewTestForm(320, 280));
        TComponent *C = Row.New(A.get()), *Default = Row.New(Fresh.get());
        SCOPED_TRACE(C->ClassName());
        std::vector<std::pair<const TPropInfo*, std::string>> Props;
        std::istringstream Names(Row.Names);
        for (std::string Name; Names >> Name;) {
            const size_t Eq = Name.find('=');
            const TPropInfo* P = C->Properties()->Find(Name.substr(0, Eq));
            EXPECT_NE(P, nullptr) << C->ClassName() << "." << Name << " is not in the table";
            if (P && !P->GetRef) {
                SetOffDefault(C, P, Eq == std::string::npos ? "" : Name.substr(Eq + 1));
                Props.emplace_back(P, "");
            }
        }
        for (auto& [P, Value] : Props)
            Value = StoredValue(C, P);
        ReadForm(WriteForm(A.get()), B.get());
        TComponent* Read = B->FindComponent("C");
        ASSERT_NE(Read, nullptr);
        for (const auto& [P, Value] : Props) {
            EXPECT_NE(Value, StoredValue(Default, P)) << C->ClassName() << "." << P->Name << " kept its default";
            EXPECT_EQ(StoredValue(Read, P), Value) << C->ClassName() << "." << P->Name << " read back";
        }
    }
}

TEST(RzStore, AFormOfEachControlReadsBackAsWritten)
{
    RegisterControls();
    TOwned<TForm> A(NewTestForm(320, 280));
    Build(A.get());
    auto S = static_cast<TRzSplitter*>(A->FindComponent("Split"));
    S->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MousePos(S->HotSpotRect().left + 1, 60));
    S->Perform(WM_LBUTTONUP, 0, MousePos(S->HotSpotRect().left + 1, 60));
    ASSERT_TRUE(S->HotSpotClosed());
    const std::string Bytes = WriteForm(A.get());
    TOwned<TForm> B(NewTestForm(320, 280));
    ReadForm(Bytes, B.get());
    for (int I = 0; I < A->ComponentCount(); ++I) {
        TComponent* C = A->Components(I);
        SCOPED_TRACE(C->Name());
        TComponent* D = B->FindComponent(C->Name());
        ASSERT_NE(D, nullptr);
        EXPECT_EQ(D->ClassName(), C->ClassName());
        ExpectSameStored(C, D);
    }
    auto T = static_cast<TRzSplitter*>(B->FindComponent("Split"));
    EXPECT_EQ(B->FindComponent("Edit")->Owner(), B.get());
    EXPECT_EQ(static_cast<TControl*>(B->FindComponent("Edit"))->Parent(), T->UpperLeftPane());
    EXPECT_EQ(static_cast<TControl*>(B->FindComponent("List"))->Parent(), T->LowerRightPane());
    EXPECT_TRUE(T->HotSpotClosed());
    for (const char* Name : {"OnPage", "List", "Tab0"}) {
        auto C = static_cast<TControl*>(B->FindComponent(Name));
        const TRect R = C->Parent()->ClientRect();
        EXPECT_EQ(C->BoundsRect(), TRect(R.left + 3, R.top + 4, R.right - 5, R.bottom - 6)) << Name;
    }
    EXPECT_EQ(T->BarRect(), S->BarRect());
    EXPECT_EQ(T->UpperLeftPane()->Width(), S->UpperLeftPane()->Width());
    // The controller is written after the controls that name it.
    EXPECT_LT(Bytes.find(std::string("\x0f\0\0\0FrameController", 19)), Bytes.find("TRzFrameController"));
    EXPECT_EQ(static_cast<TRzListBox*>(B->FindComponent("List"))->FrameController(), B->FindComponent("Frames"));
    EXPECT_EQ(static_cast<TRzPanel*>(B->FindComponent("Panel"))->FrameController(), B->FindComponent("Frames"));
    EXPECT_EQ(static_cast<TControl*>(B->FindComponent("Label"))->Font()->Name(), "Courier New");
    auto Combo = static_cast<TRzComboBox*>(B->FindComponent("Combo"));
    Combo->HandleNeeded();
    char Typed[16] = {};
    GetWindowTextA(Combo->EditHandle(), Typed, sizeof Typed);
    EXPECT_STREQ(Typed, "inbox");
    auto Edits = static_cast<TRzButtonEdit*>(B->FindComponent("ButtonEdit"));
    EXPECT_EQ(Edits->AltBtnWidth(), 31);
    EXPECT_TRUE(Edits->AltBtnVisible());
    EXPECT_EQ(Edits->ButtonHint(), "Browse");
    EXPECT_EQ(Edits->ButtonShortCut(), VK_F2);
    EXPECT_EQ(Edits->AllowKeyEdit(), static_cast<TRzButtonEdit*>(A->FindComponent("ButtonEdit"))->AllowKeyEdit());
    auto Glyph = static_cast<TRzBitBtn*>(B->FindComponent("Glyphed"))->Glyph();
    ASSERT_EQ(Glyph->Width(), 6);
    EXPECT_EQ(Glyph->ScanLine(2)[5], 0x00123456u);
    EXPECT_EQ(Glyph->ScanLine(0)[0], 0x00FFFFFFu);
    const std::pair<const char*, TBitmap* (*)(TComponent*)> Glyphs[] = {
        {"Check", [](TComponent* C) { return static_cast<TRzCheckBox*>(C)->CustomGlyphs(); }},
        {"Group", [](TComponent* C) { return static_cast<TRzCheckGroup*>(C)->CustomGlyphs(); }},
        {"Spin", [](TComponent* C) { return static_cast<TRzControlButton*>(C)->Glyph(); }},
        {"ButtonEdit", [](TComponent* C) { return static_cast<TRzButtonEdit*>(C)->ButtonGlyph(); }},
        {"ButtonEdit", [](TComponent* C) { return static_cast<TRzButtonEdit*>(C)->AltBtnGlyph(); }},
    };
    for (const auto& [Name, Get] : Glyphs) {
        SCOPED_TRACE(Name);
        TBitmap* G = Get(B->FindComponent(Name));
        ASSERT_EQ(G->Width(), 6);
        EXPECT_EQ(G->ScanLine(2)[5], 0x00123456u);
    }
    auto Ok = static_cast<TRzBitBtn*>(B->FindComponent("Ok"));
    EXPECT_EQ(Ok->Caption(), static_cast<TRzBitBtn*>(A->FindComponent("Ok"))->Caption());
    EXPECT_EQ(Ok->ModalResult(), mrOk);
    auto Group = static_cast<TRzCheckGroup*>(B->FindComponent("Group"));
    EXPECT_EQ(Group->Items()->CommaText(), "mbox,eml,txt");
    EXPECT_EQ(Group->CheckStates(), (std::vector<int>{cbChecked, cbUnchecked, cbGrayed}));
    auto Tabbed = static_cast<TRzTabbedListBox*>(B->FindComponent("Tabbed"));
    EXPECT_EQ(Tabbed->TabStops()->Integers(), (std::vector<int>{40, 120}));
    auto Pages = static_cast<TRzPageControl*>(B->FindComponent("Pages"));
    ASSERT_EQ(Pages->PageCount(), 3);
    EXPECT_EQ(Pages->Pages(0)->Name(), "Three");
    EXPECT_EQ(Pages->Pages(2)->Name(), "Two");
    EXPECT_EQ(Pages->ActivePage()->Name(), "Two");
    EXPECT_TRUE(Pages->ActivePage()->Visible());
    // A control that is no page keeps its place beside them.
    auto Beside = dynamic_cast<TControl*>(B->FindComponent("BesideThePages"));
    ASSERT_NE(Beside, nullptr);
    EXPECT_EQ(Beside->Parent(), Pages);
    // Under a frame controller the values it governs stay out of the form.
    auto Edit = static_cast<TRzEdit*>(A->FindComponent("Edit"));
    auto EditProps = [Edit] {
        TStringStream Out;
        TWriter W(&Out);
        W.WriteProperties(Edit, nullptr);
        return Out.DataString();
    };
    const std::string FrameStyle("\x0a\0\0\0FrameStyle", 14);
    EXPECT_NE(EditProps().find(FrameStyle), std::string::npos);
    Edit->SetFrameController(static_cast<TRzFrameController*>(A->FindComponent("Frames")));
    EXPECT_EQ(EditProps().find(FrameStyle), std::string::npos);
}

// The combo box stores its text only in the styles where it is typed.
TEST(RzStore, AComboStoresItsTextOnlyWhereTyped)
{
    TOwned<TForm> F(NewTestForm(320, 280));
    auto Combo = Add<TRzComboBox>(F.get(), F.get(), "Combo");
    Combo->SetText("inbox");
    const auto Written = [Combo](TComboBoxStyle Style) {
        Combo->SetStyle(Style);
        TStringStream Out;
        TWriter W(&Out);
        W.WriteProperties(Combo, nullptr);
        return Out.DataString().find("inbox") != std::string::npos;
    };
    EXPECT_TRUE(Written(csSimple));
    EXPECT_FALSE(Written(csDropDownList));
}

// A rich edit's text comes back byte for byte, with its window or without,
// whether or not its last line ends in a break.
TEST(RzStore, ARichEditsTextReadsBackAsWritten)
{
    RegisterControls();
    for (const bool Windowed : {false, true})
        for (const char* Text : {"mbox", "", "one\r\ntwo\r\n", "one\r\n\r\ntwo"}) {
            SCOPED_TRACE(testing::Message() << Windowed << " " << testing::PrintToString(std::string(Text)));
            TOwned<TForm> A(NewTestForm(320, 280));
            auto Rich = Add<TRzRichEdit>(A.get(), A.get(), "Rich");
            Rich->SetText(Text);
            for (int Trip = 0; Trip < 2; ++Trip) {
                TOwned<TForm> B(NewTestForm(320, 280));
                auto Read = Add<TRzRichEdit>(B.get(), B.get(), "Rich");
                if (Windowed)
                    Read->HandleNeeded();
                ReadForm(WriteForm(A.get()), B.get());
                EXPECT_EQ(Read->Text(), Text) << "trip " << Trip;
                A = std::move(B);
            }
        }
}

// Every retired name each control reads: its value, written as a number, a
// Boolean, an identifier, a set ("[...]") or a text ("'...'"), lands in the
// setting named, or is dropped and leaves the control as it was.
TEST(RzStore, EachRetiredNameIsReadIntoItsSettingOrDropped)
{
    RegisterControls();
    struct TRow {
        TComponent* (*New)(TForm*);
        const char* Old;
        const char* Value;
        const char* Setting;
        TPropOrd Expected;
    } const Rows[] = {
        {Make<TRzFrameController>, "FrameFlat", "True", "FrameHotTrack", 1},
        {Make<TRzFrameController>, "FrameFocusStyle", "fsGroove", "FrameHotStyle", fsGroove},
        {Make<TRzFrameController>, "FrameFlatStyle", "fsFlat", "", 0},
        {Make<TRzPanel>, "FrameSides", "[sdLeft]", "", 0},
        {Make<TRzPanel>, "ThemeAware", "False", "", 0},
        {Make<TRzPanel>, "UseGradients", "True", "VisualStyle", vsGradient},
        {Make<TRzComboBox>, "FrameFlat", "True", "FrameHotTrack", 1},
        {Make<TRzComboBox>, "FrameFocusStyle", "fsGroove", "FrameHotStyle", fsGroove},
        {Make<TRzComboBox>, "FrameFlatStyle", "fsFlat", "", 0},
        {Make<TRzListBox>, "HorzExtent", "300", "", 0},
        {Make<TRzListBox>, "FrameFlat", "True", "FrameHotTrack", 1},
        {Make<TRzListBox>, "FrameFocusStyle", "fsGroove", "FrameHotStyle", fsGroove},
        {Make<TRzListBox>, "FrameFlatStyle", "fsFlat", "", 0},
        {Make<TRzCheckBox>, "Flat", "True", "HotTrack", 1},
        {Make<TRzButton>, "FrameFlat", "True", "HotTrack", 1},
        {Make<TRzToolButton>, "GradientColorDefault", "clRed", "", 0},
        {Make<TRzToolButton>, "ThemeAware", "False", "", 0},
        {Make<TRzToolButton>, "GradientColorStart", "255", "SelectionColorStart", 255},
        {Make<TRzToolButton>, "GradientColorStop", "clBtnFace", "SelectionColorStop", clBtnFace},
        {Make<TRzToolButton>, "FrameColor", "clNavy", "SelectionFrameColor", clNavy},
        {Make<TRzToolButton>, "UseGradients", "True", "VisualStyle", vsGradient},
        {Make<TRzEdit>, "FrameFlat", "True", "FrameHotTrack", 1},
        {Make<TRzEdit>, "FrameFocusStyle", "fsGroove", "FrameHotStyle", fsGroove},
        {Make<TRzEdit>, "FrameFlatStyle", "fsFlat", "", 0},
        {Make<TRzRichEdit>, "FrameFlat", "True", "FrameHotTrack", 1},
        {Make<TRzRichEdit>, "FrameFocusStyle", "fsGroove", "FrameHotStyle", fsGroove},
        {Make<TRzRichEdit>, "FrameFlatStyle", "fsFlat", "", 0},
        {Make<TRzButtonEdit>, "ButtonShortCutText", "'Ctrl+F2'", "ButtonShortCut", scCtrl | VK_F2},
        {Make<TRzButtonEdit>, "AltBtnShortCutText", "'F3'", "AltBtnShortCut", VK_F3},
        {Make<TRzButtonEdit>, "FlatButtonParentColor", "True", "", 0},
        {Make<TRzLabel>, "FrameSides", "[sdLeft,sdTop]", "", 0},
        {Make<TRzSplitter>, "PositionMin", "20", "MarginMin", 20},
        {Make<TRzSplitter>, "PositionMax", "30", "MarginMax", 30},
    };
    const auto Write = [](TWriter& W, const std::string& V) {
        if (V == "True" || V == "False") {
            W.WriteBoolean(V == "True");
        } else if (V[0] == '\'') {
            W.WriteString(V.substr(1, V.size() - 2));
        } else if (V[0] == '[') {
            W.WriteValue(vaSet);
            std::istringstream Items(V.substr(1, V.size() - 2));
            for (std::string Item; std::getline(Items, Item, ',');)
                W.WriteStr(Item);
            W.WriteStr("");
        } else if (isdigit(static_cast<unsigned char>(V[0]))) {
            W.WriteInteger(std::stoi(V));
        } else {
            W.WriteIdent(V);
        }
    };
    for (const TRow& Row : Rows) {
        TOwned<TForm> F(NewTestForm(200, 100)), Fresh(NewTestForm(200, 100));
        TComponent *C = Row.New(F.get()), *Plain = Row.New(Fresh.get());
        SCOPED_TRACE(std::string(C->ClassName()) + " " + Row.Old);
        EXPECT_NO_THROW(ReadForm(HandWritten(C->ClassName(), [&](TWriter& W) {
            W.WriteStr(Row.Old);
            Write(W, Row.Value);
        }), C));
        if (*Row.Setting)
            EXPECT_EQ(C->Properties()->Find(Row.Setting)->GetOrd(C), Row.Expected);
        else
            EXPECT_EQ(WriteForm(C), WriteForm(Plain)) << "a dropped value changed the control";
    }
}

// The tab control finishes what loading only kept: the TabIndex read is
// selected, past the tabs the last one that can be.
TEST(RzStore, ATabControlSelectsTheTabIndexItRead)
{
    for (const int Stored : {0, 3}) {
        TOwned<TForm> F(NewTestForm(300, 100));
        auto Tabs = Add<TRzTabControl>(F.get(), F.get(), "Tabs");
        for (int I = 0; I < 2; ++I)
            Tabs->Tabs()->Add(new TRzTabData);
        ReadForm(HandWritten("TRzTabControl", [&](TWriter& W) {
                     W.WriteStr("TabIndex");
                     W.WriteInteger(Stored);
                 }), Tabs);
        EXPECT_EQ(Tabs->TabIndex(), std::min(Stored, 1));
    }
}

// Once loaded the tab control keeps its own hint for when a tab's goes, and
// vertical text turns a raster face into one that can turn.
TEST(RzStore, ATabControlKeepsTheHintItReadAndTurnsARasterFaceIntoVerdana)
{
    const TOwnRasterFont Own;
    ASSERT_TRUE(Own.Added());
    TOwned<TForm> F(NewTestForm(300, 100));
    auto Tabs = Add<TRzTabControl>(F.get(), F.get(), "Tabs");
    ReadForm(HandWritten("TRzTabControl", [](TWriter& W) {
                 W.WriteStr("Hint"); W.WriteString("Folders");
                 W.WriteStr("Font.Name"); W.WriteString(TOwnRasterFont::Face);
                 W.WriteStr("TabHints"); W.WriteBoolean(true);
                 W.WriteStr("TextOrientation"); W.WriteInteger(orVertical);
             }), Tabs);
    EXPECT_EQ(Tabs->Font()->Name(), "Verdana");
    SetCursorPos(600, 400); // away from the tabs
    Tabs->HoverTimerTick();
    EXPECT_EQ(Tabs->Hint(), "Folders");
}

// The values of retired names are read and mapped, or read and dropped.
TEST(RzStore, OlderPropertyNamesAreReadAndMappedOrDropped)
{
    RegisterControls();
    auto Old = [](TWriter& W, const char* Name, auto Write) {
        W.WriteStr(Name);
        Write(W);
    };
    auto True = [](TWriter& W) { W.WriteBoolean(true); };
    auto Ident = [](const char* I) { return [I](TWriter& W) { W.WriteIdent(I); }; };
    auto Set = [](TWriter& W) {
        W.WriteValue(vaSet);
        W.WriteStr("sdLeft");
        W.WriteStr("");
    };
    auto Int = [](int V) { return [V](TWriter& W) { W.WriteInteger(V); }; };

    TOwned<TRzFrameController> FC(new TRzFrameController(nullptr));
    ReadForm(HandWritten("TRzFrameController", [&](TWriter& W) {
                 Old(W, "FrameFlat", True);
                 Old(W, "FrameFlatStyle", Ident("fsFlat"));
             }), FC.get());
    EXPECT_TRUE(FC->FrameHotTrack());
    EXPECT_EQ(FC->FrameStyle(), fsStatus);
    EXPECT_EQ(FC->FrameHotStyle(), fsLowered);

    TOwned<TForm> F(NewTestForm(200, 100));
    auto Edit = Add<TRzEdit>(F.get(), F.get(), "E");
    ReadForm(HandWritten("TRzEdit", [&](TWriter& W) {
                 Old(W, "FrameFlat", True);
                 Old(W, "FrameFocusStyle", Ident("fsButtonUp"));
                 Old(W, "FrameFlatStyle", Ident("fsFlat"));
             }), Edit);
    EXPECT_TRUE(Edit->FrameHotTrack());
    EXPECT_EQ(Edit->FrameStyle(), fsStatus);
    EXPECT_EQ(Edit->FrameHotStyle(), fsButtonUp);

    auto Panel = Add<TRzPanel>(F.get(), F.get(), "P");
    ReadForm(HandWritten("TRzPanel", [&](TWriter& W) {
                 Old(W, "FrameSides", Set);
                 Old(W, "ThemeAware", True);
                 Old(W, "UseGradients", True);
             }), Panel);
    EXPECT_EQ(Panel->VisualStyle(), vsGradient);

    auto List = Add<TRzListBox>(F.get(), F.get(), "L");
    ReadForm(HandWritten("TRzListBox", [&](TWriter& W) { Old(W, "HorzExtent", Int(300)); }), List);
    EXPECT_EQ(List->HorzExtent(), 0);

    auto Button = Add<TRzButton>(F.get(), F.get(), "B");
    ReadForm(HandWritten("TRzButton", [&](TWriter& W) { Old(W, "FrameFlat", True); }), Button);
    EXPECT_TRUE(Button->HotTrack());

    auto Label = Add<TRzLabel>(F.get(), F.get(), "Lb");
    ReadForm(HandWritten("TRzLabel", [&](TWriter& W) { Old(W, "FrameSides", Set); }), Label);

    auto S = Add<TRzSplitter>(F.get(), F.get(), "S");
    ReadForm(HandWritten("TRzSplitter", [&](TWriter& W) {
                 Old(W, "PositionMin", Int(20));
                 Old(W, "PositionMax", Int(30));
             }), S);
    EXPECT_EQ(S->MarginMin(), 20);
    EXPECT_EQ(S->MarginMax(), 30);
    // Loaded applies its rules to what was read: a pane of its own colour
    // is not transparent, whatever was stored.
    auto Pane = Add<TRzStatusPane>(F.get(), F.get(), "Sp");
    ReadForm(HandWritten("TRzStatusPane", [&](TWriter& W) {
                 Old(W, "ParentColor", [](TWriter& V) { V.WriteInteger(0); });
                 Old(W, "Transparent", True);
             }), Pane);
    EXPECT_FALSE(Pane->Transparent());
    // An old name is never written back.
    const std::string Again = WriteForm(Panel);
    for (const char* Name : {"UseGradients", "ThemeAware", "FrameSides"})
        EXPECT_EQ(Again.find(Name), std::string::npos) << Name;
    // The blink rate is the program's: a form neither stores it nor sets it.
    Pane->SetBlinkIntervalOff(123);
    Pane->SetBlinkIntervalOn(123);
    TScopeExit Rate([Pane] {
        Pane->SetBlinkIntervalOff(500);
        Pane->SetBlinkIntervalOn(500);
    });
    for (TComponent* C : std::initializer_list<TComponent*>{Pane, Label}) {
        SCOPED_TRACE(C->ClassName());
        EXPECT_EQ(WriteForm(C).find("BlinkInterval"), std::string::npos);
        ReadForm(HandWritten(C->ClassName(), [&](TWriter& W) {
                     Old(W, "BlinkIntervalOff", Int(500));
                     Old(W, "BlinkIntervalOn", Int(77));
                 }), C);
        EXPECT_EQ(Pane->BlinkIntervalOff(), 123);
        EXPECT_EQ(Label->BlinkIntervalOn(), 123);
    }
}

// "Min" and "Max" only when not 0; "Integers" when it differs from the
// ancestor's, or without one when not empty; reading keeps the list's rules.
TEST(RzStore, IntegerListStoresAgainstItsAncestor)
{
    auto Written = [](const TRzIntegerList& L, const TRzIntegerList* Ancestor) {
        TStringStream S;
        TWriter W(&S);
        W.WriteProperties(&L, Ancestor);
        std::string Names;
        for (const char* N : {"Min", "Max", "Integers"})
            if (S.DataString().find(N) != std::string::npos)
                Names += std::string(Names.empty() ? "" : " ") + N;
        return std::pair{Names, S.DataString()};
    };
    TRzIntegerList Empty, Ranged, Same;
    Ranged.SetMax(9);
    Ranged.Add(5);
    Ranged.Add(3);
    Same.Add(5);
    Same.Add(3);
    EXPECT_EQ(Written(Empty, nullptr).first, "");
    EXPECT_EQ(Written(Ranged, nullptr).first, "Max Integers");
    EXPECT_EQ(Written(Ranged, &Same).first, "Max");
    EXPECT_EQ(Written(Same, &Empty).first, "Integers");
    EXPECT_EQ(Written(Empty, &Same).first, "Integers");

    TRzIntegerList Sorted;
    Sorted.SetSorted(true);
    Sorted.Add(8);
    TStringStream S(Written(Same, nullptr).second + std::string(4, '\0'));
    TReader R(&S);
    R.ReadProperty(&Sorted);
    EXPECT_EQ(Sorted.Integers(), (std::vector<int>{3, 5}));
}

// Values that follow a default or a parent stay out of the form.
TEST(RzStore, StoredOnlyWhenTheirOwn)
{
    TOwned<TForm> F(NewTestForm(200, 100));
    auto Plain = Add<TRzListBox>(F.get(), F.get(), "Plain");
    auto Grouped = Add<TRzListBox>(F.get(), F.get(), "Grouped");
    Grouped->SetGroupPrefix("##");
    Grouped->Font()->SetHeight(-14);
    Grouped->GroupFont()->SetHeight(-20);
    auto Inherits = Add<TRzStatusPane>(F.get(), F.get(), "Inherits");
    auto Own = Add<TRzStatusPane>(F.get(), F.get(), "Own");
    Own->SetFillColor(clLime);
    auto Pages = Add<TRzPageControl>(F.get(), F.get(), "Pages");
    auto Ok = Add<TRzBitBtn>(F.get(), F.get(), "Ok");
    Ok->SetKind(bkOK);
    auto Custom = Add<TRzBitBtn>(F.get(), F.get(), "Custom");
    Custom->SetModalResult(mrCancel);
    TAction Action(nullptr);
    auto OwnCheck = Add<TRzCheckBox>(F.get(), F.get(), "OwnCheck");
    auto Acted = Add<TRzCheckBox>(F.get(), F.get(), "Acted");
    Acted->SetAction(&Action);
    auto Tool = Add<TRzToolButton>(F.get(), F.get(), "Tool");
    Tool->SetAction(&Action);
    auto Lookup = Add<TRzButtonEdit>(F.get(), F.get(), "Lookup");
    auto Group = Add<TRzCheckGroup>(F.get(), F.get(), "Group");
    Group->ItemFont()->SetHeight(-20);
    auto Spaced = Add<TRzCheckGroup>(F.get(), F.get(), "Spaced");
    Spaced->SetItemHeight(40);
    auto One = Add<TRzCheckGroup>(F.get(), F.get(), "One");
    One->Items()->SetText("a");
    auto Frames = Add<TRzFrameController>(F.get(), F.get(), "Frames");
    Frames->SetParentColor(true);
    auto OwnFrames = Add<TRzFrameController>(F.get(), F.get(), "OwnFrames");
    OwnFrames->SetColor(clRed);
    auto Governed = Add<TRzEdit>(F.get(), F.get(), "Governed");
    auto GovernedCombo = Add<TRzComboBox>(F.get(), F.get(), "GovernedCombo");
    auto GovernedRich = Add<TRzRichEdit>(F.get(), F.get(), "GovernedRich");
    auto GovernedLookup = Add<TRzButtonEdit>(F.get(), F.get(), "GovernedLookup");
    for (auto Control : std::initializer_list<TControl*>{Governed, GovernedCombo, GovernedRich, GovernedLookup})
        Control->Properties()->Find("FrameController")->SetRef(Control, Frames);
    auto Disabled = Add<TRzEdit>(F.get(), F.get(), "Disabled");
    Disabled->SetEnabled(false);
    auto Focused = Add<TRzEdit>(F.get(), F.get(), "Focused");
    Focused->SetFocusColor(clYellow);
    auto OwnTool = Add<TRzToolButton>(F.get(), F.get(), "OwnTool");
    auto Tabs = Add<TRzTabControl>(F.get(), F.get(), "Tabs");
    Tabs->SetBackgroundColor(clRed);
    auto Padded = Add<TRzPanel>(F.get(), F.get(), "Padded");
    Padded->SetPadding(TRect(2, 0, 0, 0));
    // The second button's glyph: the kind's own picture stays out, one
    // given by hand goes in.
    auto AltKind = Add<TRzButtonEdit>(F.get(), F.get(), "AltKind");
    AltKind->SetAltBtnKind(TButtonKind::bkFind);
    ASSERT_FALSE(AltKind->AltBtnGlyph()->Empty());
    auto AltOwn = Add<TRzButtonEdit>(F.get(), F.get(), "AltOwn");
    TBitmap Picture(16, 16);
    AltOwn->SetAltBtnGlyph(&Picture);
    struct TRow {
        TPersistent* Instance;
        const char* Name;
        bool Written;
    } Rows[] = {
        {Plain, "GroupPrefix", false}, {Grouped, "GroupPrefix", true}, {Inherits, "FillColor", false},
        {Own, "FillColor", true},      {Pages, "FixedDimension", true}, {Ok, "Caption", false},
        {Ok, "ModalResult", false},    {Ok, "Kind", true},               {Custom, "ModalResult", true},
        {OwnCheck, "Checked", true},   {Acted, "Checked", false},        {Tool, "ImageIndex", false},
        {Plain, "Font.Height", false}, {Grouped, "Font.Height", true},  {Plain, "GroupFont.Height", false},
        {Grouped, "GroupFont.Height", true}, {Ok, "Glyph.Data", false}, {OwnCheck, "CustomGlyphs.Data", false},
        {Lookup, "ButtonGlyph.Data", false}, {Group, "ItemHeight", false}, {Spaced, "ItemHeight", true},
        {Group, "CheckStates", false}, {One, "CheckStates", true}, {Frames, "Color", false}, {OwnFrames, "Color", true},
        {Lookup, "ReadOnlyColor", true}, {Governed, "ReadOnlyColor", false}, {Governed, "ReadOnlyColorOnFocus", false},
        {Lookup, "FlatButtons", true}, {Governed, "FlatButtons", false}, {GovernedCombo, "FlatButtons", false},
        {GovernedCombo, "FlatButtonColor", false}, {GovernedCombo, "ReadOnlyColor", false},
        {GovernedRich, "ReadOnlyColorOnFocus", false}, {Lookup, "FlatButtonColor", true},
        {GovernedLookup, "FlatButtonColor", false}, {Lookup, "Color", true}, {Disabled, "Color", false},
        {Lookup, "FocusColor", false}, {Focused, "FocusColor", true}, {OwnTool, "Down", true}, {Tool, "Down", false},
        {Pages, "BackgroundColor", false}, {Tabs, "BackgroundColor", true}, {Padded, "Padding.Left", true},
        {Padded, "Padding.Top", false}, {Plain, "BorderStyle", false}, {Lookup, "AltBtnGlyph.Data", false},
        {AltKind, "AltBtnGlyph.Data", false}, {AltOwn, "AltBtnGlyph.Data", true},
    };
    for (const TRow& Row : Rows) {
        SCOPED_TRACE(std::string(static_cast<TComponent*>(Row.Instance)->Name()) + " " + Row.Name);
        TStringStream S;
        TWriter W(&S);
        W.WriteProperties(Row.Instance, nullptr);
        const std::string Key = std::string(1, static_cast<char>(strlen(Row.Name))) + std::string(3, '\0') + Row.Name;
        EXPECT_EQ(S.DataString().find(Key) != std::string::npos, Row.Written);
    }
}

// A stream that would crash, hang or loop the program is refused.
TEST(RzStore, HostileStreamsAreRefused)
{
    RegisterControls();
    TOwned<TForm> F(NewTestForm(200, 100));
    const auto Past = static_cast<TBitBtnKind>(bkAll + 1);
    auto Ok = Add<TRzBitBtn>(F.get(), F.get(), "Ok");
    EXPECT_THROW(ReadForm(HandWritten("TRzBitBtn", [](TWriter& W) { W.WriteStr("Kind"); W.WriteInteger(bkAll + 1); }), Ok),
                 EFilerError);
    Ok->SetKind(Past);
    EXPECT_EQ(Ok->GetKind(), bkCustom);
    EXPECT_EQ(KindCaption(Past), "");
    EXPECT_EQ(KindGlyph(Past), nullptr);
    // Sets with a bit past their members, a padding below 0 and a side no
    // padding has.
    for (const auto& [Name, Value] : {std::pair{"BorderSides", sdAllSides + 1}, {"FrameControllerNotifications",
                                      fcnAll + 1}, {"Padding.Left", -1}, {"Padding.Side", 1}})
        EXPECT_THROW(ReadForm(HandWritten("TRzPanel", [&](TWriter& W) { W.WriteStr(Name); W.WriteInteger(Value); }),
                              Add<TRzPanel>(F.get(), F.get(), "")),
                     EFilerError) << Name;
    // A form's border style on a list box.
    EXPECT_THROW(ReadForm(HandWritten("TRzListBox", [](TWriter& W) { W.WriteStr("BorderStyle"); W.WriteInteger(2); }),
                          Add<TRzListBox>(F.get(), F.get(), "")),
                 EFilerError);
    // Check groups whose items, each a window, make more windows together
    // than a stream may: at the limit the form loads, one past it is refused.
    const auto Groups = [](std::initializer_list<int> Items) {
        return HandWritten("TForm", [&](TWriter& W) {
            W.WriteStr("");
            int Index = 0;
            for (const int Count : Items) {
                W.WriteStr("TRzCheckGroup");
                W.WriteStr("G" + std::to_string(Index++));
                W.WriteStr("Items.Strings");
                W.WriteListBegin();
                for (int I = 0; I < Count; ++I)
                    W.WriteString("i");
                W.WriteListEnd();
                W.WriteStr("");
                W.WriteStr("");
            }
        });
    };
    // What each counts: itself when a window, and the windows of its own.
    {
        TOwned<TForm> Counted(NewTestForm(200, 100));
        auto Group = Add<TRzCheckGroup>(Counted.get(), Counted.get(), "Group");
        Group->Items()->SetText("a\nb\nc\n");
        const std::pair<TComponent*, int> Counts[] = {
            {Add<TRzFrameController>(Counted.get(), Counted.get(), "Frames"), 0},
            {Add<TRzLabel>(Counted.get(), Counted.get(), "Label"), 0},
            {Add<TRzPanel>(Counted.get(), Counted.get(), "Panel"), 1},
            {Add<TRzButtonEdit>(Counted.get(), Counted.get(), "Edit"), 2},
            {Add<TRzSplitter>(Counted.get(), Counted.get(), "Split"), 3},
            {Add<TRzPageControl>(Counted.get(), Counted.get(), "Pages"), 4},
            {Add<TRzTabControl>(Counted.get(), Counted.get(), "Tabs"), 4},
            {Add<TRzCheckGroup>(Counted.get(), Counted.get(), "Empty"), 1},
            {Group, 4},
        };
        for (const auto& [C, Windows] : Counts)
            EXPECT_EQ(C->StoredWindowCount(), Windows) << C->Name();
    }
    {
        TOwned<TForm> Limit(NewTestForm(200, 100));
        EXPECT_NO_THROW(ReadForm(Groups({MaxStoredListItems - 1, MaxStoredWindows - MaxStoredListItems - 1}),
                                 Limit.get()));
        EXPECT_EQ(static_cast<TRzCheckGroup*>(Limit->FindComponent("G1"))->ItemCount(),
                  MaxStoredWindows - MaxStoredListItems - 1);
    }
    {
        TOwned<TForm> Over(NewTestForm(200, 100));
        try {
            ReadForm(Groups({MaxStoredListItems - 1, MaxStoredWindows - MaxStoredListItems}), Over.get());
            ADD_FAILURE() << "a stream past the window limit was read";
        } catch (const EFilerError& E) {
            EXPECT_NE(E.Message().find("windows"), std::string::npos) << E.Message();
        }
    }
    // A pane list that names the splitter or a control around it.
    auto Around = Add<TRzPanel>(F.get(), F.get(), "Around");
    auto S = Add<TRzSplitter>(F.get(), Around, "S");
    for (const char* Name : {"S", "Around"})
        EXPECT_THROW(ReadForm(HandWritten("TRzSplitter", [&](TWriter& W) {
                                  W.WriteStr("LowerRightControls");
                                  W.WriteListBegin();
                                  W.WriteString(Name);
                                  W.WriteListEnd();
                              }), S),
                     EFilerError) << Name;
}

// A stored size of two thousand million pixels reads, and painting costs
// no more than the part that shows: each control paints a small surface
// whole, the hot and gradient looks included.
TEST(RzStore, HugeStoredSizesPaintOnlyWhatShows)
{
    RegisterControls();
    // The pixels of a 60 x 40 surface each paints, up to three corner pixels
    // a hot-track look leaves: a control button is 17 wide and a tool button
    // 25 high, with nothing under the mouse a tool button of the gradient
    // look paints nothing, and an edit paints its own window, not the surface.
    struct TRow {
        const char* Class;
        const char* Size;
        const char* Look;
        int Value;
        int Painted;
    } const Rows[] = {
        {"TRzButton", "Height", "HotTrack", 1, 60 * 40},
        {"TRzBitBtn", "Height", "HotTrack", 1, 60 * 40},
        {"TRzControlButton", "Height", "Flat", 1, 17 * 40},
        {"TRzButtonEdit", "Height", "FlatButtons", 1, 0},
        {"TRzToolButton", "Width", "VisualStyle", vsGradient, 60 * 25},
        {"TRzProgressBar", "Width", "BarStyle", bsGradient, 60 * 24},
        {"TRzProgressBar", "Height", "Orientation", orVertical, 60 * 40},
    };
    for (const bool Themed : {false, true}) {
        TLookScope Look(Themed);
        for (const TRow& Row : Rows)
            for (const bool Hot : {false, true}) {
                SCOPED_TRACE(testing::Message() << Row.Class << " " << Row.Size << " themed " << Themed << " hot " << Hot);
                TOwned<TForm> F(NewTestForm(200, 100));
                ReadOne(F.get(), Row.Class, [&](TWriter& W) {
                    W.WriteStr(Row.Look);
                    W.WriteInteger(Row.Value);
                    W.WriteStr(Row.Size);
                    W.WriteInteger(INT_MAX);
                });
                auto C = static_cast<TControl*>(F->FindComponent("C"));
                ASSERT_NE(C, nullptr);
                EXPECT_EQ(std::string(Row.Size) == "Width" ? C->Width() : C->Height(), INT_MAX);
                if (Hot)
                    C->Perform(CM_MOUSEENTER, 0, 0);
                TTestSurface Img(60, 40);
                EXPECT_NO_THROW(PaintControl(C, Img));
                const int Painted = Img.CountNot(TTestSurface::Sentinel, 0, 0, 60, 40);
                const int Expected = Hot || std::string(Row.Class) != "TRzToolButton" ? Row.Painted : 0;
                EXPECT_LE(Painted, Expected);
                EXPECT_GE(Painted, Expected - 3);
            }
    }
}

// A button streamed INT_MAX high or wide shows its corner as a small one
// does, and Free() or delete (each size one in each look) ends its form
// within a bound.
TEST(RzStore, HugeStoredButtonsShowAndFree)
{
    RegisterControls();
    for (const bool Themed : {false, true}) {
        TLookScope Look(Themed);
        for (const char* Class : {"TRzButton", "TRzBitBtn", "TRzToolButton", "TRzControlButton"})
            for (const std::string Size : {"Width", "Height"}) {
                const bool Delete = Themed == (Size == "Height");
                SCOPED_TRACE(testing::Message() << Class << " " << Size << " themed " << Themed << " delete " << Delete);
                TWatchdog Bound(Class + (" " + Size) + " shown and freed", 20000);
                const auto Shown = [&](int Value) {
                    TForm* F = NewTestForm(200, 100);
                    ReadOne(F, Class, [&](TWriter& W) { W.WriteStr(Size); W.WriteInteger(Value); });
                    ShowAndPump(F);
                    return F;
                };
                // Past the form's edge either way: all that shows is alike.
                TOwned<TForm> Small(Shown(1000));
                TForm* F = Shown(INT_MAX);
                const int W = Small->ClientWidth(), H = Small->ClientHeight();
                auto A = CaptureForm(Small.get(), W, H);
                auto B = CaptureForm(F, W, H);
                for (int Y = 0; Y < H; ++Y)
                    for (int X = 0; X < W; ++X)
                        ASSERT_EQ(CapturePixel(*A, X, Y), CapturePixel(*B, X, Y)) << X << ", " << Y;
                EXPECT_FALSE(F->IsDispatching());
                HWND Wnd = F->Handle();
                FreeForm(F, Delete);
                EXPECT_FALSE(IsWindow(Wnd));
            }
    }
}

// Font heights in the millions, given in code, and the largest a stream
// may carry, read back, paint within a bound.
TEST(RzStore, HugeFontHeightsPaintWithinABound)
{
    RegisterControls();
    TOwned<TForm> A(NewTestForm(320, 280));
    Build(A.get());
    for (const int Height : {-MaxStoredFontHeight, -4000000, -16777227, -60000000}) {
        SCOPED_TRACE(testing::Message() << "font height " << Height);
        for (int I = 0; I < A->ComponentCount(); ++I)
            if (auto C = dynamic_cast<TControl*>(A->Components(I)))
                C->Font()->SetHeight(Height);
        TOwned<TForm> F(NewTestForm(320, 280));
        TForm* Shown = A.get();
        if (Height == -MaxStoredFontHeight) {
            ReadForm(WriteForm(A.get()), F.get());
            Shown = F.get();
        }
        for (int I = 0; I < Shown->ComponentCount(); ++I) {
            auto C = dynamic_cast<TControl*>(Shown->Components(I));
            EXPECT_TRUE(!C || C->Font()->Height() == Height) << Shown->Components(I)->Name();
        }
        for (const bool Themed : {false, true}) {
            TLookScope Look(Themed);
            TWatchdog Bound("a form whose fonts are " + std::to_string(Height) + " pixels high painted", 10000);
            ShowAndPump(Shown);
            CaptureForm(Shown, 320, 280);
        }
    }
}

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM Count)
{
    ++*reinterpret_cast<int*>(Count);
    return TRUE;
}

BOOL CALLBACK CountWindowAndInside(HWND Wnd, LPARAM Count)
{
    CountWindow(Wnd, Count);
    EnumChildWindows(Wnd, &CountWindow, Count);
    return TRUE;
}

int ThreadWindowCount()
{
    int Count = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindowAndInside, reinterpret_cast<LPARAM>(&Count));
    return Count;
}

} // namespace

// The windows counted for each stored class are those a shown form makes.
TEST(RzStore, StoredWindowCountsAreTheWindowsAShownFormMakes)
{
    RegisterControls();
    // A class, and the combo box stored with the simple style.
    for (const std::string Entry : {"TRzPanel", "TRzSplitter", "TRzEdit", "TRzComboBox", "TRzComboBox csSimple",
                                    "TRzListBox", "TRzTabbedListBox", "TRzButton", "TRzBitBtn", "TRzCheckBox",
                                    "TRzLabel", "TRzCheckGroup", "TRzPageControl", "TRzButtonEdit", "TRzControlButton",
                                    "TRzProgressBar", "TRzStatusPane", "TRzStatusBar", "TRzGroupBox", "TRzRichEdit",
                                    "TRzToolButton", "TRzRankListBox", "TRzCustomImageComboBox", "TRzURLLabel",
                                    "TRzTabControl", "TRzFrameController"})
        for (const bool Themed : {false, true}) {
            SCOPED_TRACE(testing::Message() << Entry << " themed " << Themed);
            const std::string Class = Entry.substr(0, Entry.find(' '));
            TLookScope Look(Themed);
            const int Before = ThreadWindowCount();
            {
                TOwned<TForm> F(NewTestForm(200, 100));
                ShowAndPump(F.get());
                const int Empty = ThreadWindowCount();
                ReadOne(F.get(), Class, [&](TWriter& W) {
                    if (Class != Entry) {
                        W.WriteStr("Style");
                        W.WriteInteger(csSimple);
                    }
                    if (Class == "TRzCheckGroup") {
                        W.WriteStr("Items.Strings");
                        W.WriteListBegin();
                        for (const char* Item : {"a", "b", "c"})
                            W.WriteString(Item);
                        W.WriteListEnd();
                    }
                });
                ShowAndPump(F.get());
                int Counted = 0;
                for (int I = 0; I < F->ComponentCount(); ++I)
                    Counted += F->Components(I)->StoredWindowCount();
                // Tab controls count their at most 3 button windows.
                const bool Tabs = Class == "TRzPageControl" || Class == "TRzTabControl";
                EXPECT_EQ(ThreadWindowCount() - Empty + (Tabs ? 3 : 0), Counted);
            }
            EXPECT_EQ(ThreadWindowCount(), Before);
        }
}

// Damaged copies of a real form (flipped bytes, cut lengths, raised lengths
// and values), the same ones every run, one after another in one process:
// each is read or refused as a damaged stream, the form read into is freed
// either way, and a good copy is then read and freed, so that anything a
// refused read leaves behind is met by the next form. The damaged copy is
// also read over the good one, taking the components it finds there (seed
// 39 cuts a check group's items, so its loading frees checks still waiting
// to finish loading). Beside each, a copy with one integer value set to a
// hostile one. Each copy read, and the first refused one of each seed, is
// shown and freed while shown, by Free() or delete, within a bound.
TEST(RzStore, DamagedCopiesOfAFormAreReadOrRefused)
{
    RegisterControls();
    TOwned<TForm> A(NewTestForm(320, 280));
    Build(A.get());
    const std::string Good = WriteForm(A.get());
    // Where an integer value follows its property's name.
    std::vector<size_t> Values;
    for (size_t At = 0; At + 4 < Good.size(); ++At) {
        std::int32_t N = 0;
        std::memcpy(&N, Good.data() + At, sizeof N);
        const size_t Value = At + 4 + static_cast<size_t>(N) + 1;
        if (N > 0 && N < 40 && Value + 8 <= Good.size() && Good[Value - 1] == vaInt &&
            std::all_of(Good.begin() + At + 4, Good.begin() + Value - 1, [](char C) { return std::isalpha(C) || C == '.'; }))
            Values.push_back(Value);
    }
    ASSERT_GT(Values.size(), 100u);
    const std::int64_t Hostile[] = {INT_MAX, INT_MIN, -16777227, -60000000, 1 << 24, -1, 0, MaxStoredListItems + 1};
    int Read = 0;
    const auto Try = [&](const std::string& Bytes, bool Shown, bool Delete) {
        {
            TForm* B = NewTestForm(320, 280);
            TWatchdog Bound("a damaged copy shown and freed", 20000);
            try {
                ReadForm(Bytes, B);
                ++Read;
                ShowAndPump(B);
            } catch (const EStreamError&) {
                if (Shown)
                    ShowAndPump(B);
            }
            FreeForm(B, Delete);
        }
        TOwned<TForm> G(NewTestForm(320, 280));
        ReadForm(Good, G.get());
        if (Shown)
            ShowAndPump(G.get());
        // Read again over the good one, whose components it finds.
        try {
            ReadForm(Bytes, G.get());
        } catch (const EStreamError&) {
        }
    };
    for (const unsigned Seed : {37u, 39u, 4560u}) {
        std::mt19937 Random(Seed), Setter(Seed);
        const auto Pick = [&](size_t N) { return static_cast<size_t>(Random() % N); };
        for (int I = 0; I < 60; ++I) {
            std::string Bytes = Good;
            const size_t At = Pick(Bytes.size() - 8);
            switch (I % 4) {
            case 0: Bytes[At] = static_cast<char>(Bytes[At] ^ (1 + Pick(255))); break;
            case 1: Bytes.resize(At); break;
            case 2: { // the next small length or value raised far past it
                size_t L = At;
                while (L + 4 < Bytes.size() && !(Bytes[L] && !Bytes[L + 1] && !Bytes[L + 2] && !Bytes[L + 3]))
                    ++L;
                Bytes[L + 2] = static_cast<char>(1 + Pick(255));
                break;
            }
            default: {
                const std::int64_t Big = std::int64_t(1) << Pick(63);
                Bytes.replace(At, sizeof Big, reinterpret_cast<const char*>(&Big), sizeof Big);
            }
            }
            SCOPED_TRACE(testing::Message() << "seed " << Seed << " copy " << I << " at " << At);
            Try(Bytes, I == 1, I % 2 == 0);
            std::string Set = Good;
            const size_t Where = Values[Setter() % Values.size()];
            const std::int64_t V = Hostile[Setter() % std::size(Hostile)];
            Set.replace(Where, sizeof V, reinterpret_cast<const char*>(&V), sizeof V);
            SCOPED_TRACE(testing::Message() << "value at " << Where << " set to " << V);
            Try(Set, false, I % 2 == 1);
        }
    }
    EXPECT_GT(Read, 0);
}

// A form whose reading is refused inside a splitter (in its own values, in
// its list of pane children, in a child, in a splitter inside a pane),
// then a good form read, checked and freed: nothing of the refused one
// reaches it.
TEST(RzStore, AReadRefusedInsideASplitterLeavesTheNextFormWhole)
{
    RegisterControls();
    TOwned<TForm> A(NewTestForm(320, 280));
    Build(A.get());
    Add<TRzSplitter>(A.get(), static_cast<TRzSplitter*>(A->FindComponent("Split"))->LowerRightPane(), "Inner");
    const std::string Good = WriteForm(A.get());
    const auto After = [&](const std::string& Mark) { return Good.find(Mark, Good.find("TRzSplitter")) + 2; };
    for (const char* Mark : {"HotSpotColor", "UpperLeftControls", "LowerRightControls", "FocusColor", "TRzListBox",
                             "Inner"}) {
        SCOPED_TRACE(Mark);
        for (const bool Cut : {true, false}) {
            std::string Bytes = Good;
            if (Cut)
                Bytes.resize(After(Mark));
            else
                Bytes[After(Mark) - 3] = '\x7f'; // its name's length far past the end
            {
                TOwned<TForm> B(NewTestForm(320, 280));
                EXPECT_THROW(ReadForm(Bytes, B.get()), EStreamError);
                EXPECT_FALSE(B->HasState(csLoading));
            }
            TOwned<TForm> G(NewTestForm(320, 280));
            ReadForm(Good, G.get());
            auto S = static_cast<TRzSplitter*>(G->FindComponent("Split"));
            ASSERT_NE(S, nullptr);
            EXPECT_EQ(static_cast<TControl*>(G->FindComponent("Edit"))->Parent(), S->UpperLeftPane());
            EXPECT_EQ(static_cast<TControl*>(G->FindComponent("List"))->Parent(), S->LowerRightPane());
            EXPECT_EQ(static_cast<TControl*>(G->FindComponent("Inner"))->Parent(), S->LowerRightPane());
            EXPECT_EQ(S->UpperLeftPane()->ControlCount(), 3);
        }
    }
}
