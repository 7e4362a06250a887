// Form storage: published and defined properties, children, Loaded after
// the whole stream, ancestors, and damaged streams refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "testkit/StoredProps.h"

namespace {

// Stores a list of numbers, a blob of its own and a reference; notes what
// Loaded saw.
class TProbe : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::int64_t> Numbers;
    std::string Blob;
    std::string SeenAtLoaded;
    TComponent* Other = nullptr;
    TComponent* GetOther() const { return Other; }
    void SetOther(TComponent* Value) { Other = Value; }
    const TPropertyTable* Properties() const override
    {
        static const TPropertyTable Table(nullptr, {RefProp("Other", &TProbe::GetOther, &TProbe::SetOther)});
        return &Table;
    }
    void DefineProperties(TFiler* Filer) override
    {
        Filer->DefineProperty(
            "Numbers",
            [this](TReader* R) {
                R->ReadListBegin();
                while (!R->EndOfList())
                    Numbers.push_back(R->ReadInteger());
                R->ReadListEnd();
            },
            [this](TWriter* W) {
                W->WriteListBegin();
                for (auto N : Numbers)
                    W->WriteInteger(N);
                W->WriteListEnd();
            },
            !Numbers.empty());
        Filer->DefineBinaryProperty(
            "Blob", [this](TStream* S) { Blob = S->ReadString(static_cast<int>(S->Size())); },
            [this](TStream* S) { S->WriteString(Blob); }, !Blob.empty());
    }

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        if (Blob == "refuse")
            throw Exception("refused once loaded");
        // The sibling panel is read by now, whatever the order.
        if (auto P = dynamic_cast<TPanel*>(Owner()->FindComponent("Box")))
            SeenAtLoaded = P->Caption();
    }
};

// A window that makes a thousand windows of its items, as a check group
// of 999 items does.
class TThousandWindows : public TPanel {
public:
    using TPanel::TPanel;
    int StoredWindowCount() const override { return TPanel::StoredWindowCount() + 999; }
};

struct TRegistered {
    TRegistered()
    {
        RegisterComponentClass<TThousandWindows>();
        RegisterComponentClass<TPanel>();
        RegisterComponentClass<TLabel>();
        RegisterComponentClass<TProbe>();
    }
};

void Fill(TForm* F)
{
    auto P = new TPanel(F);
    P->SetName("Box");
    P->SetParent(F);
    P->SetBounds(7, 9, 120, 44);
    P->SetCaption("Inbox");
    P->SetColor(clYellow);
    auto L = new TLabel(F);
    L->SetName("Note");
    L->SetParent(P);
    L->SetCaption("2 files");
    L->SetLeft(3);
    auto Pr = new TProbe(F);
    Pr->SetName("Probe");
    Pr->Numbers = {5, -1, 1LL << 40};
    Pr->Blob = std::string("\0\1\2", 3);
    Pr->Other = F;
}

// A form of the children Fill writes, each with its own ends.
template <typename F>
std::string WithChildren(F Fill)
{
    TStringStream S;
    TWriter W(&S);
    W.WriteSignature();
    for (const char* Root : {"TForm", "", ""}) // class, name, end of properties
        W.WriteStr(Root);
    Fill(W);
    W.WriteStr("");
    return S.DataString();
}

} // namespace

TEST(Filer, ARoundTripRestoresPropertiesChildrenAndDefinedValues)
{
    static TRegistered Once;
    TOwned<TForm> A(new TForm(nullptr));
    A->SetName("Main");
    Fill(A.get());
    const std::string Bytes = WriteForm(A.get());
    TOwned<TForm> B(new TForm(nullptr));
    ReadForm(Bytes, B.get());
    EXPECT_EQ(B->Name(), "Main");
    auto P = dynamic_cast<TPanel*>(B->FindComponent("Box"));
    auto L = dynamic_cast<TLabel*>(B->FindComponent("Note"));
    auto Pr = dynamic_cast<TProbe*>(B->FindComponent("Probe"));
    ASSERT_TRUE(P && L && Pr);
    EXPECT_EQ(P->Parent(), B.get());
    EXPECT_EQ(L->Parent(), P);
    ExpectSameStored(A->FindComponent("Box"), P);
    ExpectSameStored(A->FindComponent("Note"), L);
    EXPECT_EQ(P->BoundsRect(), TRect(7, 9, 127, 53));
    EXPECT_EQ(Pr->Numbers, (std::vector<std::int64_t>{5, -1, 1LL << 40}));
    EXPECT_EQ(Pr->Blob, std::string("\0\1\2", 3));
    EXPECT_EQ(Pr->SeenAtLoaded, "Inbox");
    EXPECT_EQ(Pr->Other, B.get()) << "a reference to the root form";
    EXPECT_FALSE(P->HasState(csLoading | csReading));

    // Against an ancestor only what differs is written.
    TOwned<TForm> C(new TForm(nullptr));
    C->SetName("Main");
    Fill(C.get());
    static_cast<TPanel*>(C->FindComponent("Box"))->SetCaption("Outbox");
    TStringStream S;
    TWriter W(&S);
    W.WriteRootComponent(C.get(), A.get());
    EXPECT_NE(S.DataString().find("Outbox"), std::string::npos);
    EXPECT_EQ(S.DataString().find("Other"), std::string::npos) << "the same reference is written";
    // A reference that differs from the ancestor's only by name is written.
    static_cast<TProbe*>(C->FindComponent("Probe"))->Other = C->FindComponent("Box");
    TStringStream Named;
    TWriter(&Named).WriteRootComponent(C.get(), A.get());
    TStringStream Value;
    TWriter V(&Value);
    V.WriteStr("Other");
    V.WriteIdent("Box");
    EXPECT_NE(Named.DataString().find(Value.DataString()), std::string::npos);
    EXPECT_EQ(S.DataString().find("Color"), std::string::npos);
    EXPECT_LT(S.DataString().size(), Bytes.size() / 2);
}

TEST(Filer, DamagedStreamsAreRefused)
{
    static TRegistered Once;
    struct TRow {
        const char* Why;
        std::string Bytes;
    };
    const std::string Good = HandWritten("TForm", [](TWriter& W) {
        W.WriteStr("Caption");
        W.WriteString("x");
    });
    const auto Ord = [](const char* Name, std::int64_t V) {
        return HandWritten("TForm", [&](TWriter& W) { W.WriteStr(Name); W.WriteInteger(V); });
    };
    const std::string Probe = TypeName(typeid(TProbe)), E;
    const auto Components = [&](int Count) {
        return WithChildren([&](TWriter& W) {
            for (int I = 0; I < Count; ++I)
                for (const std::string& S : {Probe, E, E, E})
                    W.WriteStr(S);
        });
    };
    const auto Listed = [&](int Count) {
        return WithChildren([&](TWriter& W) {
            for (const std::string& S : {Probe, E, std::string("Numbers")})
                W.WriteStr(S);
            W.WriteIntegers(std::vector<int>(Count));
            W.WriteStr("");
            W.WriteStr("");
        });
    };
    // Windows up to Count: thousands made by items, the rest panels, and a
    // component that is no window.
    const auto Windowed = [&](int Count) {
        return WithChildren([&](TWriter& W) {
            for (int I = 0; I < Count; I += I + 1000 <= Count ? 1000 : 1) {
                const std::string Class = TypeName(I + 1000 <= Count ? typeid(TThousandWindows) : typeid(TPanel));
                for (const std::string& S : {Class, E, E, E})
                    W.WriteStr(S);
            }
            for (const std::string& S : {Probe, E, E, E})
                W.WriteStr(S);
        });
    };
    std::string Huge = Good;
    Huge[20] = '\x7f'; // the first property name's length far past the end
    // A component that refuses its values only once it has all of them.
    TOwned<TForm> Refusing(new TForm(nullptr));
    Fill(Refusing.get());
    static_cast<TProbe*>(Refusing->FindComponent("Probe"))->Blob = "refuse";
    (new TProbe(Refusing.get()))->SetName("After"); // still gets its turn
    const std::string Refused = WriteForm(Refusing.get());
    const TRow Rows[] = {
        {"signature", "XXXX" + Good.substr(4)},
        {"length past the end", Huge},
        {"cut short", Good.substr(0, Good.size() - 6)},
        {"unknown property", HandWritten("TForm", [](TWriter& W) { W.WriteStr("NoSuch"); W.WriteInteger(1); })},
        {"wrong value type", HandWritten("TForm", [](TWriter& W) { W.WriteStr("Caption"); W.WriteInteger(1); })},
        {"enumeration past its last", Ord("Align", alCustom + 1)},
        {"Boolean of 2", Ord("Visible", 2)},
        {"a set with a bit past its members", Ord("Font.Style", fsStrikeOut << 1)},
        {"integer past int", Ord("Left", 1LL << 32)},
        {"integer one past int", Ord("Left", 1LL << 31)},
        {"integer one below int", Ord("Left", -(1LL << 31) - 1)},
        {"a font taller than any screen", Ord("Font.Height", -32768)},
        {"a font taller than any screen, upward", Ord("Font.Height", 32768)},
        {"nested past the limit", WithChildren([](TWriter& W) {
             for (int I = 0; I <= MaxStoredNesting; ++I)
                 for (const char* S : {"TPanel", "", ""})
                     W.WriteStr(S);
             for (int I = 0; I <= MaxStoredNesting; ++I)
                 W.WriteStr("");
         })},
        {"more components than the limit", Components(MaxStoredComponents + 1)},
        {"a child named like its ancestor", WithChildren([](TWriter& W) {
             for (const char* S : {"TPanel", "A", "", "TPanel", "B", "", "TPanel", "A", ""})
                 W.WriteStr(S);
         })},
        {"a name no component takes", WithChildren([](TWriter& W) {
             for (const char* S : {"TLabel", "no name", "", ""})
                 W.WriteStr(S);
         })},
        {"a list past the limit", Listed(MaxStoredListItems + 1)},
        {"more windows than the limit", Windowed(MaxStoredWindows + 1)},
        {"a component refusing once loaded", Refused},
        {"cut short after a component refusing once loaded", Refused.substr(0, Refused.size() - 1)},
    };
    for (const TRow& Row : Rows) {
        SCOPED_TRACE(Row.Why);
        TOwned<TForm> F(new TForm(nullptr));
        EXPECT_THROW(ReadForm(Row.Bytes, F.get()), EStreamError);
        EXPECT_FALSE(F->HasState(csLoading));
        for (int I = 0; I < F->ComponentCount(); ++I)
            EXPECT_FALSE(F->Components(I)->HasState(csLoading)) << F->Components(I)->Name();
    }
    // At the limits themselves the stream loads.
    for (const std::string& Bytes :
         {Components(MaxStoredComponents), Listed(MaxStoredListItems), Windowed(MaxStoredWindows),
          Ord("Font.Height", -32767), Ord("Font.Height", 32767)}) {
        TOwned<TForm> F(new TForm(nullptr));
        F->SetName("Kept");
        EXPECT_NO_THROW(ReadForm(Bytes, F.get()));
        EXPECT_EQ(F->Name(), "Kept") << "a stream without the root's name keeps it";
    }
}

// Skipping lists nested a hundred thousand deep does not recurse.
TEST(Filer, DeepListsAreSkippedWithoutRecursion)
{
    TStringStream Deep(std::string(100000, vaList) + std::string(100000, vaNull));
    TReader(&Deep).SkipValue();
    EXPECT_EQ(Deep.Position(), Deep.Size());
}

// Bitmap data claiming more pixels than it holds is refused.
TEST(Filer, ShortBitmapDataIsRefused)
{
    TBitmap Big(300, 200), Small;
    TStringStream Data;
    Big.SaveToStream(&Data);
    TStringStream Cut(Data.DataString().substr(0, 1000));
    EXPECT_THROW(Small.LoadFromStream(&Cut), EInvalidGraphic);
    EXPECT_TRUE(Small.Empty());
}

// Bitmap data stored bottom-up (a positive height) reads the right way up.
TEST(Filer, BottomUpBitmapDataReadsTheRightWayUp)
{
    TBitmap Two(1, 2);
    Two.ScanLine(0)[0] = 0x111111;
    Two.ScanLine(1)[0] = 0x222222;
    TStringStream TopDown;
    Two.SaveToStream(&TopDown);
    std::string Up = TopDown.DataString();
    ASSERT_EQ(Up.size(), 62u);
    const std::int32_t Height = 2;
    std::memcpy(&Up[22], &Height, 4);
    std::rotate(Up.begin() + 54, Up.begin() + 58, Up.end());
    TStringStream BottomUp(Up);
    TBitmap Read;
    Read.LoadFromStream(&BottomUp);
    EXPECT_EQ(Read.ScanLine(0)[0], 0x111111u);
    EXPECT_EQ(Read.ScanLine(1)[0], 0x222222u);
}

TEST(Filer, OwnFontsAreStoredAndTabOrdersComeBackNumberedFromZero)
{
    static TRegistered Once;
    // A font of the control's own goes with it; one that follows the
    // parent's stays the parent's.
    TOwned<TForm> A(new TForm(nullptr));
    Fill(A.get());
    auto Note = static_cast<TLabel*>(A->FindComponent("Note"));
    Note->Font()->SetColor(clRed);
    ASSERT_FALSE(Note->ParentFont());
    TOwned<TForm> B(new TForm(nullptr));
    ReadForm(WriteForm(A.get()), B.get());
    auto ReadNote = static_cast<TLabel*>(B->FindComponent("Note"));
    auto ReadBox = static_cast<TPanel*>(B->FindComponent("Box"));
    EXPECT_EQ(ReadNote->Font()->Color(), clRed);
    EXPECT_FALSE(ReadNote->ParentFont());
    EXPECT_TRUE(ReadBox->ParentFont());
    B->Font()->SetName("Courier New");
    EXPECT_EQ(ReadBox->Font()->Name(), "Courier New") << "still follows the form";

    // Stored orders with gaps (a control removed in between) are numbered
    // 0, 1, 2 in their order once all the children are in.
    const std::string Gaps = WithChildren([](TWriter& W) {
        for (auto [Name, Order] : {std::pair{"First", 7}, {"Second", 2}, {"Third", 4}}) {
            for (const char* S : {"TPanel", Name, "TabOrder"})
                W.WriteStr(S);
            W.WriteInteger(Order);
            W.WriteStr("");
            W.WriteStr("");
        }
    });
    TOwned<TForm> C(new TForm(nullptr));
    ReadForm(Gaps, C.get());
    const auto Order = [&](const char* Name) { return static_cast<TPanel*>(C->FindComponent(Name))->TabOrder(); };
    EXPECT_EQ(Order("Second"), 0);
    EXPECT_EQ(Order("Third"), 1);
    EXPECT_EQ(Order("First"), 2);
}

// The True and False values that defined properties and older streams hold
// read as ordinals too.
TEST(Filer, TrueAndFalseValuesReadAsOrdinals)
{
    for (bool Value : {true, false}) {
        TOwned<TForm> F(new TForm(nullptr));
        F->SetShowHint(!Value);
        ReadForm(HandWritten("TForm", [&](TWriter& W) { W.WriteStr("ShowHint"); W.WriteBoolean(Value); }), F.get());
        EXPECT_EQ(F->ShowHint(), Value);
    }
}
