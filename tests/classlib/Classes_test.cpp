#include "classlib/Classes.h"
#include "classlib/Streams.h"

#include "testkit/TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

std::string Joined(const TStrings& L)
{
    std::string R;
    for (int I = 0; I < L.Count(); ++I) {
        if (I)
            R += '|';
        R += L.Get(I);
    }
    return R;
}

// Counts its own frees into a shared log.
class TTracked : public TObject {
public:
    TTracked(std::vector<std::string>& Log, std::string Name) : FLog(Log), FName(std::move(Name)) {}
    ~TTracked() override { FLog.push_back("free " + FName); }

private:
    std::vector<std::string>& FLog;
    std::string FName;
};

TEST(ClassesStringList, SortedInsertsAndDuplicateModes)
{
    struct Case {
        TDuplicates Dup;
        std::string Want;
        bool Throws;
    } Cases[] = {
        {dupIgnore, "apple|Banana|cherry", false},
        {dupAccept, "apple|Banana|banana|cherry", false},
        {dupError, "apple|Banana|cherry", true},
    };
    for (const Case& C : Cases) {
        TStringList L;
        L.SetSorted(true);
        L.SetDuplicates(C.Dup);
        L.Add("cherry");
        L.Add("Banana");
        L.Add("apple");
        bool Threw = false;
        try {
            int At = L.Add("banana");
            if (C.Dup == dupIgnore) {
                EXPECT_EQ(At, 1);
            }
        } catch (const EStringListError& E) {
            Threw = true;
            EXPECT_EQ(E.Message(), "Duplicates not allowed");
        }
        EXPECT_EQ(Threw, C.Throws);
        EXPECT_EQ(Joined(L), C.Want);
    }

    TStringList L;
    L.SetSorted(true);
    for (const char* S : {"m", "c", "x", "a", "q", "b"})
        L.Add(S);
    EXPECT_EQ(Joined(L), "a|b|c|m|q|x");
    int Index;
    EXPECT_TRUE(L.Find("M", Index));
    EXPECT_EQ(Index, 3);
    EXPECT_FALSE(L.Find("n", Index));
    EXPECT_EQ(Index, 4);
    EXPECT_FALSE(L.Find("zz", Index));
    EXPECT_EQ(Index, 6);
    EXPECT_EQ(L.IndexOf("Q"), 4);
    EXPECT_THROW(L.Insert(0, "z"), EStringListError);
    EXPECT_THROW(L.Put(0, "z"), EStringListError);
    // A refused move must not lose the item.
    EXPECT_THROW(L.Move(0, 3), EStringListError);
    EXPECT_EQ(Joined(L), "a|b|c|m|q|x");

    L.SetCaseSensitive(true);
    EXPECT_EQ(L.IndexOf("Q"), -1);
    EXPECT_EQ(L.IndexOf("q"), 4);

    TStringList U;
    for (const char* S : {"b", "C", "a"})
        U.Add(S);
    EXPECT_EQ(U.IndexOf("c"), 1);
    U.Sort();
    EXPECT_EQ(Joined(U), "a|b|C");
    U.CustomSort([](TStringList* List, int A, int B) { return -List->CompareStrings(List->Get(A), List->Get(B)); });
    EXPECT_EQ(Joined(U), "C|b|a");
    try {
        U.Get(3);
        FAIL();
    } catch (const EStringListError& E) {
        EXPECT_EQ(E.Message(), "List index out of bounds (3)");
    }
}

TEST(ClassesStringList, NamesAndValues)
{
    for (bool Sorted : {false, true}) {
        TStringList L;
        L.SetSorted(Sorted);
        L.Add("Name=Alice");
        L.Add("path=C:\\x=y");
        L.Add("novalue");
        L.Add("empty=");
        EXPECT_EQ(L.Values("NAME"), "Alice");
        EXPECT_EQ(L.Values("path"), "C:\\x=y");
        EXPECT_EQ(L.Values("novalue"), "");
        EXPECT_EQ(L.Values("missing"), "");
        int I = L.IndexOfName("Path");
        ASSERT_GE(I, 0);
        EXPECT_EQ(L.Names(I), "path");
        EXPECT_EQ(L.ValueFromIndex(I), "C:\\x=y");
        EXPECT_EQ(L.Names(L.IndexOf("novalue")), "");

        L.SetValue("name", "Bob");   // replaces in place (sorted: re-placed)
        L.SetValue("zeta", "last");  // appends
        L.SetValue("empty", "");     // deletes
        L.SetValue("missing", "");   // nothing
        EXPECT_EQ(L.Values("name"), "Bob");
        EXPECT_EQ(L.Values("zeta"), "last");
        EXPECT_EQ(L.IndexOfName("empty"), -1);
        EXPECT_EQ(L.Count(), 4) << Joined(L);
        EXPECT_EQ(Joined(L), Sorted ? "name=Bob|novalue|path=C:\\x=y|zeta=last"
                                    : "name=Bob|path=C:\\x=y|novalue|zeta=last");
    }
    TStringList L;
    L.SetNameValueSeparator(':');
    L.Add("Subject: hi");
    EXPECT_EQ(L.Values("subject"), " hi");
}

TEST(ClassesStringList, TextLineEndsAndNulBytes)
{
    const std::string Nul("x\0y", 3);
    struct Case {
        std::string In, Want;
        int Count;
    } Cases[] = {
        {"a\r\nb\r\n", "a|b", 2},
        {"a\nb", "a|b", 2},
        {"a\rb\r", "a|b", 2},
        {"a\r\n\r\nb", "a||b", 3},
        {"a\n\rb", "a||b", 3},
        {"", "", 0},
        {"\r\n", "", 1},
        {Nul + "\n" + Nul, Nul + "|" + Nul, 2},
    };
    for (const Case& C : Cases) {
        TStringList L;
        L.SetText(C.In);
        EXPECT_EQ(L.Count(), C.Count);
        EXPECT_EQ(Joined(L), C.Want);
    }
    TStringList L;
    L.Add("one");
    L.Add(Nul);
    L.Add("");
    EXPECT_EQ(L.Text(), "one\r\n" + Nul + "\r\n\r\n");
    EXPECT_EQ(L.IndexOf(Nul), 1);
    EXPECT_EQ(L.IndexOf("x"), -1);
}

TEST(ClassesStringList, CommaAndDelimitedText)
{
    struct Case {
        std::string In, Want, Back;
    } Cases[] = {
        {"a,b,c", "a|b|c", "a,b,c"},
        {"a b,c", "a|b|c", "a,b,c"},
        {"\"a b\",\"c\"\"d\"", "a b|c\"d", "\"a b\",\"c\"\"d\""},
        {"  a ,  b  ", "a|b", "a,b"},
        {"a,", "a|", "a,"},
        {"a,,b", "a||b", "a,,b"},
        {"\"\"", "", "\"\""},
        {"\"unclosed", "unclosed", "unclosed"},
    };
    for (const Case& C : Cases) {
        TStringList L;
        L.SetCommaText(C.In);
        EXPECT_EQ(Joined(L), C.Want) << C.In;
        EXPECT_EQ(L.CommaText(), C.Back) << C.In;
    }
    TStringList L;
    L.SetDelimiter(';');
    L.SetQuoteChar('\'');
    L.SetStrictDelimiter(true);
    L.SetDelimitedText("a b;'c;d'; e");
    EXPECT_EQ(Joined(L), "a b|c;d| e");
    EXPECT_EQ(L.DelimitedText(), "a b;'c;d'; e");
    // Strict splitting stays in force for the comma form.
    EXPECT_EQ(L.CommaText(), "a b,c;d, e");
}

TEST(ClassesStringList, ChangeEventsFireOncePerUpdate)
{
    TStringList L;
    int Changes = 0, Changings = 0;
    L.OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, &L);
        ++Changes;
    };
    L.OnChanging = [&](TObject*) { ++Changings; };
    L.Add("a");
    L.Add("b");
    L.Delete(0);
    EXPECT_EQ(Changes, 3);
    EXPECT_EQ(Changings, 3);

    Changes = Changings = 0;
    L.BeginUpdate();
    L.BeginUpdate();
    for (int I = 0; I < 10; ++I)
        L.Add("x");
    L.EndUpdate();
    EXPECT_EQ(Changes, 0);
    L.EndUpdate();
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Changings, 1);

    Changes = 0;
    L.SetText("1\r\n2\r\n3");
    EXPECT_EQ(Changes, 1);
    L.SetCommaText("1,2");
    EXPECT_EQ(Changes, 2);
    TStringList Other;
    Other.Add("z");
    L.Assign(&Other);
    EXPECT_EQ(Changes, 3);
    EXPECT_TRUE(L.Equals(&Other));
    Changes = 0;
    L.Clear();
    L.Clear(); // already empty: no event
    EXPECT_EQ(Changes, 1);
}

TEST(ClassesStringList, OwnedObjectsAreFreed)
{
    std::vector<std::string> Log;
    {
        TStringList L(true);
        L.AddObject("a", new TTracked(Log, "a"));
        L.AddObject("b", new TTracked(Log, "b"));
        L.AddObject("c", new TTracked(Log, "c"));
        L.Delete(0);
        EXPECT_EQ(Log, std::vector<std::string>{"free a"});
        L.PutObject(0, new TTracked(Log, "b2"));
        EXPECT_EQ(Log.back(), "free b");
        EXPECT_EQ(L.IndexOfObject(L.GetObject(1)), 1);
        L.Exchange(0, 1);
        EXPECT_EQ(Joined(L), "c|b");
    }
    EXPECT_EQ(Log.size(), 4u);
    Log.clear();
    {
        TStringList L; // not owning
        TTracked T(Log, "kept");
        L.AddObject("k", &T);
        L.Clear();
    }
    EXPECT_EQ(Log, std::vector<std::string>{"free kept"});
}

TEST(ClassesStringList, FileRoundTrip)
{
    TTestFolder Dir("strlist");
    const std::string Nul("n\0l", 3);
    TStringList L;
    L.Add("first");
    L.Add(Nul);
    L.Add("\xE9t\xE9");
    L.SaveToFile(Dir.File("list.txt"));

    TMemoryStream M;
    M.LoadFromFile(Dir.File("list.txt"));
    EXPECT_EQ(std::string(static_cast<const char*>(M.Memory()), static_cast<std::size_t>(M.Size())),
              "first\r\n" + Nul + "\r\n\xE9t\xE9\r\n");

    TStringList Back;
    Back.LoadFromFile(Dir.File("list.txt"));
    EXPECT_TRUE(Back.Equals(&L));
    EXPECT_THROW(Back.LoadFromFile(Dir.File("missing.txt")), EFOpenError);
}

// The least a string list must supply; everything else comes from TStrings.
class TVectorStrings : public TStrings {
public:
    std::string Get(int Index) const override { return Items.at(static_cast<std::size_t>(Index)); }
    void Clear() override { Items.clear(); }
    void Delete(int Index) override { Items.erase(Items.begin() + Index); }
    void Insert(int Index, const std::string& S) override { Items.insert(Items.begin() + Index, S); }
    std::vector<std::string> Items;

protected:
    int GetCount() const override { return static_cast<int>(Items.size()); }
};

TEST(ClassesStrings, BaseOperationsOverAMinimalList)
{
    TVectorStrings L;
    L.SetText("b=2\nA=1\nc");
    L.Put(2, "C=3");
    L.Exchange(0, 1);
    L.Move(2, 0);
    EXPECT_EQ(Joined(L), "C=3|A=1|b=2");
    EXPECT_EQ(L.IndexOf("a=1"), 1);
    EXPECT_EQ(L.Values("B"), "2");
    L.SetValue("a", "9");
    L.SetValue("c", "");
    EXPECT_EQ(L.Text(), "a=9\r\nb=2\r\n"); // the name as the caller spelt it
    TStringList Copy;
    Copy.Assign(&L);
    EXPECT_TRUE(Copy.Equals(&L));
    L.AddStrings(&Copy);
    EXPECT_EQ(L.CommaText(), "a=9,b=2,a=9,b=2");
    EXPECT_EQ(L.IndexOfObject(nullptr), 0);
}

// ---------------------------------------------------------------------------

class TLogged : public TComponent {
public:
    TLogged(TComponent* AOwner, std::vector<std::string>& Log, const std::string& AName)
        : TComponent(AOwner), FLog(Log)
    {
        SetName(AName);
    }
    ~TLogged() override { FLog.push_back("destroy " + Name()); }
    void BeforeDestruction() override
    {
        FLog.push_back("before " + Name() + (HasState(csDestroying) ? " destroying" : ""));
        TComponent::BeforeDestruction();
    }
    int LoadedCount = 0;
    bool WasReadingInLoaded = true;
    TComponent* Watched = nullptr;
    std::function<void()> WhenLoaded;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove) {
            FLog.push_back(Name() + " sees remove " + AComponent->Name());
            if (AComponent == Watched)
                Watched = nullptr;
        }
    }
    void Loaded() override
    {
        TComponent::Loaded();
        ++LoadedCount;
        WasReadingInLoaded = HasState(csReading);
        if (WhenLoaded)
            WhenLoaded();
    }

private:
    std::vector<std::string>& FLog;
};

TEST(ClassesComponent, OwnerFreesWhatItOwnsLastFirst)
{
    std::vector<std::string> Log;
    auto* Form = new TLogged(nullptr, Log, "Form");
    auto* A = new TLogged(Form, Log, "A");
    new TLogged(Form, Log, "B");
    new TLogged(A, Log, "A1");
    EXPECT_EQ(Form->ComponentCount(), 2);
    EXPECT_EQ(Form->FindComponent("b")->Name(), "B");
    EXPECT_EQ(Form->FindComponent("A1"), nullptr); // only direct children
    EXPECT_EQ(A->Owner(), Form);
    EXPECT_EQ(A->ComponentIndex(), 0);
    Form->Free();
    // Which components hear of each removal is another test's matter.
    std::erase_if(Log, [](const std::string& S) { return S.find(" sees ") != std::string::npos; });
    const std::vector<std::string> Want = {
        "before Form",
        "before B destroying", "destroy B",
        "before A destroying", "before A1 destroying", "destroy A1", "destroy A",
        "destroy Form"};
    EXPECT_EQ(Log, Want);
}

// An owned component's destructor that frees its owner, whose free or
// delete is under way, frees nothing a second time.
TEST(ClassesComponent, AFreeOfAnOwnerBeingFreedDoesNothing)
{
    struct TFreesOwner : TLogged {
        using TLogged::TLogged;
        ~TFreesOwner() override { Frees->Free(); }
        TComponent* Frees = nullptr;
    };
    for (bool Delete : {false, true}) {
        std::vector<std::string> Log;
        auto* Form = new TLogged(nullptr, Log, "Form");
        (new TFreesOwner(Form, Log, "A"))->Frees = Form;
        if (Delete)
            delete Form;
        else
            Form->Free();
        EXPECT_EQ(std::count(Log.begin(), Log.end(), "destroy Form"), 1) << Delete;
        EXPECT_EQ(std::count(Log.begin(), Log.end(), "destroy A"), 1) << Delete;
    }
}

TEST(ClassesComponent, NamesAreCheckedWithinTheOwner)
{
    std::vector<std::string> Log;
    TOwned<TLogged> Form(new TLogged(nullptr, Log, "Form"));
    auto* A = new TLogged(Form.get(), Log, "Edit1");
    EXPECT_THROW(new TLogged(Form.get(), Log, "EDIT1"), EComponentError);
    EXPECT_EQ(Form->ComponentCount(), 1);
    EXPECT_THROW(A->SetName("1abc"), EComponentError);
    EXPECT_THROW(A->SetName("a b"), EComponentError);
    A->SetName("edit1"); // same name, other case
    A->SetName("");
    A->SetName("Edit2");
    EXPECT_EQ(Form->FindComponent("EDIT2"), A);
    A->SetTag(-5);
    EXPECT_EQ(A->Tag(), -5);
    EXPECT_EQ(A->ClassName(), "(anonymous namespace)::TLogged");
}

TEST(ClassesComponent, FreeNotificationWorksBothWays)
{
    std::vector<std::string> Log;
    TOwned<TLogged> X(new TLogged(nullptr, Log, "X"));
    auto* Y = new TLogged(nullptr, Log, "Y");
    X->Watched = Y;
    Y->Watched = X.get();
    X->FreeNotification(Y);
    Y->Free();
    EXPECT_EQ(X->Watched, nullptr);
    EXPECT_NE(std::find(Log.begin(), Log.end(), "X sees remove Y"), Log.end());

    // The other direction, and nothing dangles after removal.
    Log.clear();
    auto* Z = new TLogged(nullptr, Log, "Z");
    Z->FreeNotification(X.get());
    Z->Watched = X.get();
    Z->RemoveFreeNotification(X.get());
    Z->Free();
    X.reset();
    EXPECT_EQ(std::count_if(Log.begin(), Log.end(), [](const std::string& S) { return S.find("sees") != std::string::npos; }), 0);

    // Deleting without Free still unhooks the partner.
    auto* P = new TLogged(nullptr, Log, "P");
    auto* Q = new TLogged(nullptr, Log, "Q");
    P->Watched = Q;
    Q->FreeNotification(P);
    delete Q;
    EXPECT_EQ(P->Watched, nullptr);
    P->Free();
}

TEST(ClassesComponent, SiblingsHearOfRemoval)
{
    std::vector<std::string> Log;
    TOwned<TLogged> Form(new TLogged(nullptr, Log, "Form"));
    auto* Label = new TLogged(Form.get(), Log, "Label");
    auto* Edit = new TLogged(Form.get(), Log, "Edit");
    Label->Watched = Edit;
    Label->FreeNotification(Edit);
    Edit->Free();
    EXPECT_EQ(Label->Watched, nullptr);
    EXPECT_EQ(Form->ComponentCount(), 1);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "Label sees remove Edit"), 1);
}

TEST(ClassesComponent, SiblingsHearOfRemovalWhileTheOwnerIsFreed)
{
    // The owner frees the later sibling first: the earlier one, which holds a
    // reference to it, must be told before it reaches it from its destructor.
    for (bool WatcherAsks : {true, false}) {
        std::vector<std::string> Log;
        auto* Form = new TLogged(nullptr, Log, "Form");
        auto* Label = new TLogged(Form, Log, "Label");
        auto* Edit = new TLogged(Form, Log, "Edit");
        Label->Watched = Edit;
        if (WatcherAsks)
            Label->FreeNotification(Edit);
        else
            Edit->FreeNotification(Label);
        Form->Free();
        EXPECT_EQ(std::count(Log.begin(), Log.end(), "Label sees remove Edit"), 1) << WatcherAsks;
        const auto DestroyEdit = std::find(Log.begin(), Log.end(), "destroy Edit");
        const auto Seen = std::find(Log.begin(), Log.end(), "Label sees remove Edit");
        EXPECT_LT(Seen - Log.begin(), DestroyEdit - Log.begin()) << WatcherAsks;
    }
}

TEST(ClassesComponent, LoadingCallsLoadedOncePerComponent)
{
    std::vector<std::string> Log;
    TOwned<TLogged> Form(new TLogged(nullptr, Log, "Form"));
    auto* Before = new TLogged(Form.get(), Log, "Before");
    Form->BeginLoading();
    EXPECT_TRUE(Form->HasState(csLoading));
    EXPECT_TRUE(Before->HasState(csLoading | csReading));
    auto* Panel = new TLogged(Form.get(), Log, "Panel");
    auto* Inner = new TLogged(Panel, Log, "Inner");
    EXPECT_TRUE(Inner->HasState(csLoading));
    EXPECT_EQ(Panel->LoadedCount, 0);
    Form->EndLoading();
    for (TLogged* C : {Form.get(), Before, Panel, Inner}) {
        EXPECT_EQ(C->LoadedCount, 1) << C->Name();
        EXPECT_FALSE(C->WasReadingInLoaded);
        EXPECT_FALSE(C->HasState(csLoading | csReading)) << C->Name();
        EXPECT_FALSE(C->HasState(csDesigning));
    }
    // A component made afterwards is not loading.
    auto* Late = new TLogged(Form.get(), Log, "Late");
    EXPECT_FALSE(Late->HasState(csLoading));
    Form->EndLoading();
    EXPECT_EQ(Panel->LoadedCount, 1);

    // One freed by an earlier one's Loaded is skipped, even when a new one
    // has taken its memory by then, as the heap hands a freed block out again.
    alignas(TLogged) unsigned char Room[sizeof(TLogged)];
    auto* Doomed = new (Room) TLogged(Form.get(), Log, "Doomed");
    TLogged* Reborn = nullptr;
    Form->WhenLoaded = [&] {
        Doomed->~TLogged();
        Reborn = new (Room) TLogged(Form.get(), Log, "Reborn");
    };
    Form->BeginLoading();
    Form->EndLoading();
    Form->WhenLoaded = nullptr;
    ASSERT_NE(Reborn, nullptr);
    EXPECT_EQ(Reborn->LoadedCount, 0);
    Reborn->~TLogged();
}

// ---------------------------------------------------------------------------

TEST(ClassesList, IndexOperationsAndErrors)
{
    int V[5] = {0, 1, 2, 3, 4};
    TList L;
    for (int& X : V)
        L.Add(&X);
    L.Move(0, 4);
    L.Exchange(0, 1);
    L.Insert(0, nullptr);
    EXPECT_EQ(L.Remove(&V[3]), 3);
    L.Pack();
    std::string Order;
    for (int I = 0; I < L.Count(); ++I)
        Order += std::to_string(*static_cast<int*>(L.Items(I)));
    EXPECT_EQ(Order, "2140");
    EXPECT_EQ(L.Extract(&V[1]), &V[1]);
    EXPECT_EQ(L.Extract(&V[1]), nullptr);
    L.Sort([](void* A, void* B) { return *static_cast<int*>(A) - *static_cast<int*>(B); });
    EXPECT_EQ(L.First(), &V[0]);
    EXPECT_EQ(L.Last(), &V[4]);
    try {
        L.Delete(3);
        FAIL();
    } catch (const EListError& E) {
        EXPECT_EQ(E.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(L.Insert(-1, nullptr), EListError);
    L.Clear();
    EXPECT_THROW(L.First(), EListError);
    L.SetCapacity(100);
    EXPECT_GE(L.Capacity(), 100);
}

TEST(ClassesList, ObjectListOwnsItsObjects)
{
    std::vector<std::string> Log;
    {
        TObjectList L;
        auto* A = new TTracked(Log, "a");
        auto* B = new TTracked(Log, "b");
        L.Add(A);
        L.Add(B);
        L.Add(new TTracked(Log, "c"));
        EXPECT_EQ(L.Extract(A), A);
        EXPECT_TRUE(Log.empty());
        L.Remove(B);
        EXPECT_EQ(Log, std::vector<std::string>{"free b"});
        delete A;
    }
    EXPECT_EQ(Log.size(), 3u);
    Log.clear();
    auto* L = new TObjectList(false);
    TTracked T(Log, "t");
    L->Add(&T);
    L->Free();
    EXPECT_TRUE(Log.empty());
}

TEST(ClassesPersistent, AssignOfUnrelatedClassesFails)
{
    TStringList L;
    TComponent C(nullptr);
    try {
        L.Assign(&C);
        FAIL();
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), "Cannot assign a TComponent to a TStringList");
    }
    EXPECT_THROW(L.Assign(nullptr), EConvertError);
}

} // namespace
