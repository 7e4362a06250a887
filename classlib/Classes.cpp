#include "classlib/Classes.h"

#include "classlib/ResStrings.h"
#include "classlib/Streams.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <numeric>
#include <typeinfo>
#include <unordered_set>
#include <utility>

// ---------------------------------------------------------------------------
// TObject
// ---------------------------------------------------------------------------

void TObject::Free()
{
    BeforeDestruction();
    delete this;
}

std::string TObject::ClassName() const
{
    return TypeName(typeid(*this));
}

std::string TypeName(const std::type_info& Type)
{
    const char* Raw = Type.name();
    int Status = 0;
    char* Demangled = abi::__cxa_demangle(Raw, nullptr, nullptr, &Status);
    std::string Name = (Status == 0 && Demangled) ? Demangled : Raw;
    std::free(Demangled);
    return Name;
}

// ---------------------------------------------------------------------------
// TPersistent
// ---------------------------------------------------------------------------

void TPersistent::Assign(const TPersistent* Source)
{
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    throw EConvertError(Format(LoadResString(SAssignError), "nil", ClassName()));
}

void TPersistent::AssignTo(TPersistent* Dest) const
{
    throw EConvertError(Format(LoadResString(SAssignError), ClassName(), Dest ? Dest->ClassName() : "nil"));
}

// ---------------------------------------------------------------------------
// TComponent
// ---------------------------------------------------------------------------

namespace {

bool SameAsciiText(const std::string& A, const std::string& B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I) {
        unsigned char X = static_cast<unsigned char>(A[I]), Y = static_cast<unsigned char>(B[I]);
        if (X >= 'a' && X <= 'z')
            X = static_cast<unsigned char>(X - 32);
        if (Y >= 'a' && Y <= 'z')
            Y = static_cast<unsigned char>(Y - 32);
        if (X != Y)
            return false;
    }
    return true;
}

bool IsValidIdent(const std::string& S)
{
    if (S.empty())
        return false;
    auto Alpha = [](unsigned char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_'; };
    if (!Alpha(static_cast<unsigned char>(S[0])))
        return false;
    for (unsigned char C : S)
        if (!Alpha(C) && !(C >= '0' && C <= '9'))
            return false;
    return true;
}

// The components a running EndLoading has still to finish, innermost pass
// first. One freed meanwhile (a check group dropping the checks it no
// longer needs) leaves them: its turn would run on a freed object.
struct TLoadingPass {
    std::unordered_set<const TComponent*> Pending;
    TLoadingPass* Outer;
};
TLoadingPass* GLoadingPass = nullptr;

} // namespace

TComponent::TComponent(TComponent* AOwner)
{
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    BeginFree();
    // Reached without Free(): the same teardown, minus overrides of classes
    // already destroyed.
    if (!FDestroyed)
        TComponent::BeforeDestruction();
    for (TLoadingPass* P = GLoadingPass; P; P = P->Outer)
        P->Pending.erase(this);
}

// A component whose teardown is under way may be freed again from inside
// it: an owned component's or a child control's destructor that frees its
// owner or its form. Going on would tear it down and delete it twice; the
// teardown further up the stack finishes it.
void TComponent::Free()
{
    if (BeginFree())
        TObject::Free();
}

void TComponent::BeforeDestruction()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    Destroying();
    while (!FFreeNotifies.empty()) {
        TComponent* Other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        Other->RemoveNotification(this);
        Other->Notification(this, opRemove);
    }
    DestroyOwned();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount())
        throw EListError(Format(LoadResString(SListIndexError), Index));
    return FComponents[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const
{
    if (!FOwner)
        return -1;
    auto It = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
    return It == FOwner->FComponents.end() ? -1 : static_cast<int>(It - FOwner->FComponents.begin());
}

void TComponent::SetName(const std::string& NewName)
{
    if (FName == NewName)
        return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError(Format(LoadResString(SInvalidName), NewName));
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    FName = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName)
{
    if (!AComponent || NewName.empty() || SameAsciiText(CurName, NewName))
        return;
    TComponent* Found = FindComponent(NewName);
    if (Found && Found != AComponent)
        throw EComponentError(Format(LoadResString(SDuplicateName), NewName));
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (!AComponent)
        return;
    if (!AComponent->FName.empty())
        ValidateRename(AComponent, std::string(), AComponent->FName);
    if (AComponent->FOwner)
        AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    if (HasState(csLoading))
        AComponent->MarkLoading();
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner != this)
        return;
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
}

void TComponent::Remove(TComponent* AComponent)
{
    auto It = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (It != FComponents.end())
        FComponents.erase(It);
    AComponent->FOwner = nullptr;
}

TComponent* TComponent::FindComponent(const std::string& AName) const
{
    if (AName.empty())
        return nullptr;
    for (TComponent* C : FComponents)
        if (SameAsciiText(C->FName, AName))
            return C;
    return nullptr;
}

void TComponent::DestroyComponents()
{
    DestroyOwned();
}

void TComponent::DestroyOwned()
{
    // Siblings that hold a reference to each other hear of removals only
    // through the owner, so each one goes through RemoveComponent: a control
    // made before its frame controller would otherwise reach the freed
    // controller from its own destructor.
    while (!FComponents.empty()) {
        TComponent* C = FComponents.back();
        RemoveComponent(C);
        C->Free();
    }
}

void TComponent::Destroying()
{
    if (HasState(csDestroying))
        return;
    SetComponentState(csDestroying);
    for (TComponent* C : FComponents)
        C->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    // Components of one owner already hear of each other through the owner.
    if (FOwner && AComponent->FOwner == FOwner) {
        SetComponentState(csFreeNotification);
        return;
    }
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    if (std::find(AComponent->FFreeNotifies.begin(), AComponent->FFreeNotifies.end(), this) ==
        AComponent->FFreeNotifies.end())
        AComponent->FFreeNotifies.push_back(this);
    SetComponentState(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent)
        return;
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent)
{
    auto It = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (It != FFreeNotifies.end())
        FFreeNotifies.erase(It);
    if (FFreeNotifies.empty())
        ClearComponentState(csFreeNotification);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    // Siblings holding a reference to the component learn of it too. The
    // list may shrink while they react, hence the bound check each round.
    for (int I = ComponentCount() - 1; I >= 0; --I) {
        if (I >= ComponentCount())
            continue;
        FComponents[static_cast<std::size_t>(I)]->Notification(AComponent, Operation);
    }
}

void TComponent::Loaded()
{
    ClearComponentState(csLoading);
}

void TComponent::MarkLoading()
{
    SetComponentState(csLoading | csReading);
    for (TComponent* C : FComponents)
        C->MarkLoading();
}

void TComponent::CollectLoading(std::vector<TComponent*>& Out)
{
    if (HasState(csLoading))
        Out.push_back(this);
    for (TComponent* C : FComponents)
        C->CollectLoading(Out);
}

void TComponent::BeginLoading()
{
    MarkLoading();
}

void TComponent::EndLoading()
{
    std::vector<TComponent*> Loading;
    CollectLoading(Loading);
    TLoadingPass Pass{{Loading.begin(), Loading.end()}, GLoadingPass};
    GLoadingPass = &Pass;
    TScopeExit Done([&Pass] { GLoadingPass = Pass.Outer; });
    for (TComponent* C : Loading)
        C->ClearComponentState(csReading);
    // One component refusing its values does not leave the others loading:
    // each gets its turn, and the first refusal is raised after them.
    std::exception_ptr Refused;
    for (TComponent* C : Loading) {
        if (!Pass.Pending.count(C))
            continue;
        try {
            C->Loaded();
        } catch (...) {
            if (!Refused)
                Refused = std::current_exception();
        }
        if (Pass.Pending.count(C))
            C->ClearComponentState(csLoading);
    }
    if (Refused)
        std::rethrow_exception(Refused);
}

void TComponent::Updating()
{
    SetComponentState(csUpdating);
}

void TComponent::Updated()
{
    ClearComponentState(csUpdating);
}

// ---------------------------------------------------------------------------
// TList
// ---------------------------------------------------------------------------

TList::~TList()
{
    // Without Free(), overrides of Notify are out of reach here; TObjectList
    // clears in its own destructor for that reason.
    FList.clear();
}

void TList::BeforeDestruction()
{
    Clear();
}

void TList::Error(int Index)
{
    throw EListError(Format(LoadResString(SListIndexError), Index));
}

void TList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        Error(Index);
}

int TList::Add(void* Item)
{
    int Result = Count();
    FList.push_back(Item);
    if (Item)
        Notify(Item, lnAdded);
    return Result;
}

void TList::Insert(int Index, void* Item)
{
    if (Index < 0 || Index > Count())
        Error(Index);
    FList.insert(FList.begin() + Index, Item);
    if (Item)
        Notify(Item, lnAdded);
}

void TList::Delete(int Index)
{
    CheckIndex(Index);
    void* Item = FList[static_cast<std::size_t>(Index)];
    FList.erase(FList.begin() + Index);
    if (Item)
        Notify(Item, lnDeleted);
}

int TList::Remove(void* Item)
{
    int Index = IndexOf(Item);
    if (Index >= 0)
        Delete(Index);
    return Index;
}

int TList::IndexOf(void* Item) const
{
    auto It = std::find(FList.begin(), FList.end(), Item);
    return It == FList.end() ? -1 : static_cast<int>(It - FList.begin());
}

void* TList::Extract(void* Item)
{
    int Index = IndexOf(Item);
    if (Index < 0)
        return nullptr;
    FList.erase(FList.begin() + Index);
    Notify(Item, lnExtracted);
    return Item;
}

void TList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    void* Item = FList[static_cast<std::size_t>(CurIndex)];
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, Item);
}

void TList::Sort(const TListSortCompare& Compare)
{
    std::stable_sort(FList.begin(), FList.end(), [&](void* A, void* B) { return Compare(A, B) < 0; });
}

void TList::Clear()
{
    SetCount(0);
    std::vector<void*>().swap(FList);
}

void TList::Pack()
{
    FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end());
}

void* TList::First() const
{
    return Items(0);
}

void* TList::Last() const
{
    return Items(Count() - 1);
}

void TList::SetCount(int NewCount)
{
    if (NewCount < 0)
        throw EListError(Format(LoadResString(SListCapacityError), NewCount));
    if (NewCount > Count()) {
        FList.resize(static_cast<std::size_t>(NewCount), nullptr);
        return;
    }
    for (int I = Count() - 1; I >= NewCount; --I)
        if (I < Count())
            Delete(I);
}

void TList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < Count())
        throw EListError(Format(LoadResString(SListCapacityError), NewCapacity));
    if (NewCapacity > Capacity())
        FList.reserve(static_cast<std::size_t>(NewCapacity));
    else
        FList.shrink_to_fit();
}

void* TList::Items(int Index) const
{
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)];
}

void TList::SetItems(int Index, void* Item)
{
    CheckIndex(Index);
    void* Old = FList[static_cast<std::size_t>(Index)];
    if (Old == Item)
        return;
    FList[static_cast<std::size_t>(Index)] = Item;
    if (Old)
        Notify(Old, lnDeleted);
    if (Item)
        Notify(Item, lnAdded);
}

void TList::Notify(void*, TListNotification) {}

TObjectList::~TObjectList()
{
    Clear();
}

void TObjectList::Notify(void* Ptr, TListNotification Action)
{
    if (FOwnsObjects && Action == lnDeleted)
        static_cast<TObject*>(Ptr)->Free();
}

// ---------------------------------------------------------------------------
// Locale compares
// ---------------------------------------------------------------------------

namespace {

int ByteCompare(const std::string& A, const std::string& B)
{
    int R = A.compare(B);
    return R < 0 ? -1 : (R > 0 ? 1 : 0);
}

std::string UpperCopy(const std::string& S)
{
    std::string U = S;
    if (!U.empty())
        CharUpperBuffA(U.data(), static_cast<DWORD>(U.size()));
    return U;
}

int LocaleCompare(const std::string& S1, const std::string& S2, DWORD Flags)
{
    int R = CompareStringA(LOCALE_USER_DEFAULT, Flags, S1.data(), static_cast<int>(S1.size()), S2.data(),
                           static_cast<int>(S2.size()));
    if (R == CSTR_LESS_THAN)
        return -1;
    if (R == CSTR_GREATER_THAN)
        return 1;
    return 0;
}

} // namespace

int AnsiCompareStr(const std::string& S1, const std::string& S2)
{
    int R = LocaleCompare(S1, S2, 0);
    return R != 0 ? R : ByteCompare(S1, S2);
}

int AnsiCompareText(const std::string& S1, const std::string& S2)
{
    int R = LocaleCompare(S1, S2, NORM_IGNORECASE);
    return R != 0 ? R : ByteCompare(UpperCopy(S1), UpperCopy(S2));
}

bool AnsiSameText(const std::string& S1, const std::string& S2)
{
    return AnsiCompareText(S1, S2) == 0;
}

// ---------------------------------------------------------------------------
// TStrings
// ---------------------------------------------------------------------------

void TStrings::Error(int ResId, int Data)
{
    throw EStringListError(Format(LoadResString(ResId), Data));
}

void TStrings::Put(int Index, const std::string& S)
{
    TObject* Obj = GetObject(Index);
    TStringsUpdate Update(this);
    Delete(Index);
    InsertObject(Index, S, Obj);
}

TObject* TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const std::string& S)
{
    int Result = GetCount();
    Insert(Result, S);
    return Result;
}

int TStrings::AddObject(const std::string& S, TObject* AObject)
{
    int Result = Add(S);
    PutObject(Result, AObject);
    return Result;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings* Strings)
{
    if (!Strings)
        return;
    TStringsUpdate Update(this);
    for (int I = 0; I < Strings->Count(); ++I)
        AddObject(Strings->Get(I), Strings->GetObject(I));
}

void TStrings::Assign(const TPersistent* Source)
{
    if (auto Src = dynamic_cast<const TStrings*>(Source)) {
        if (Src == this)
            return;
        TStringsUpdate Update(this);
        Clear();
        FNameValueSeparator = Src->FNameValueSeparator;
        FDelimiter = Src->FDelimiter;
        FQuoteChar = Src->FQuoteChar;
        FStrictDelimiter = Src->FStrictDelimiter;
        AddStrings(Src);
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::Exchange(int Index1, int Index2)
{
    TStringsUpdate Update(this);
    std::string S1 = Get(Index1), S2 = Get(Index2);
    TObject* O1 = GetObject(Index1);
    TObject* O2 = GetObject(Index2);
    Put(Index1, S2);
    PutObject(Index1, O2);
    Put(Index2, S1);
    PutObject(Index2, O1);
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    if (NewIndex < 0 || NewIndex >= Count())
        Error(SListIndexError, NewIndex);
    TStringsUpdate Update(this);
    std::string S = Get(CurIndex);
    TObject* Obj = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, S, Obj);
}

bool TStrings::Equals(const TStrings* Strings) const
{
    if (!Strings || Strings->Count() != Count())
        return false;
    for (int I = 0; I < Count(); ++I)
        if (Get(I) != Strings->Get(I))
            return false;
    return true;
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const
{
    return AnsiCompareText(S1, S2);
}

int TStrings::IndexOf(const std::string& S) const
{
    for (int I = 0; I < GetCount(); ++I)
        if (CompareStrings(Get(I), S) == 0)
            return I;
    return -1;
}

int TStrings::IndexOfName(const std::string& Name) const
{
    for (int I = 0; I < GetCount(); ++I) {
        std::string S = Get(I);
        std::size_t P = S.find(FNameValueSeparator);
        if (P != std::string::npos && CompareStrings(S.substr(0, P), Name) == 0)
            return I;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const
{
    for (int I = 0; I < GetCount(); ++I)
        if (GetObject(I) == AObject)
            return I;
    return -1;
}

std::string TStrings::Names(int Index) const
{
    std::string S = Get(Index);
    std::size_t P = S.find(FNameValueSeparator);
    return P == std::string::npos ? std::string() : S.substr(0, P);
}

std::string TStrings::Values(const std::string& Name) const
{
    int I = IndexOfName(Name);
    return I < 0 ? std::string() : ValueFromIndex(I);
}

std::string TStrings::ValueFromIndex(int Index) const
{
    std::string S = Get(Index);
    std::size_t P = S.find(FNameValueSeparator);
    return P == std::string::npos ? std::string() : S.substr(P + 1);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value)
{
    int I = IndexOfName(Name);
    if (!Value.empty()) {
        std::string Line = Name + FNameValueSeparator + Value;
        if (I < 0)
            Add(Line);
        else
            PutValueLine(I, Line);
    } else if (I >= 0) {
        Delete(I);
    }
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value)
{
    if (!Value.empty()) {
        if (Index < 0)
            Add(FNameValueSeparator + Value);
        else
            PutValueLine(Index, Names(Index) + FNameValueSeparator + Value);
    } else if (Index >= 0) {
        Delete(Index);
    }
}

void TStrings::PutValueLine(int Index, const std::string& Line)
{
    Put(Index, Line);
}

std::string TStrings::Text() const
{
    std::string R;
    std::size_t Total = 0;
    for (int I = 0; I < GetCount(); ++I)
        Total += Get(I).size() + 2;
    R.reserve(Total);
    for (int I = 0; I < GetCount(); ++I) {
        R += Get(I);
        R += "\r\n";
    }
    return R;
}

void TStrings::SetText(const std::string& Value)
{
    TStringsUpdate Update(this);
    Clear();
    std::size_t P = 0, N = Value.size();
    while (P < N) {
        std::size_t E = Value.find_first_of("\r\n", P);
        if (E == std::string::npos) {
            Add(Value.substr(P));
            break;
        }
        Add(Value.substr(P, E - P));
        P = E + 1;
        if (Value[E] == '\r' && P < N && Value[P] == '\n')
            ++P;
    }
}

std::string TStrings::DelimitedText() const
{
    return JoinDelimited(FDelimiter, FQuoteChar);
}

std::string TStrings::JoinDelimited(char Delim, char Quote) const
{
    const int N = GetCount();
    if (N == 1 && Get(0).empty())
        return std::string(2, Quote);
    std::string R;
    for (int I = 0; I < N; ++I) {
        std::string S = Get(I);
        bool NeedsQuotes = false;
        for (unsigned char C : S) {
            if (C == static_cast<unsigned char>(Quote) || C == static_cast<unsigned char>(Delim) ||
                C == 0 || (!FStrictDelimiter && C <= ' ')) {
                NeedsQuotes = true;
                break;
            }
        }
        if (I > 0)
            R += Delim;
        if (NeedsQuotes) {
            R += Quote;
            for (char C : S) {
                if (C == Quote)
                    R += Quote;
                R += C;
            }
            R += Quote;
        } else {
            R += S;
        }
    }
    return R;
}

void TStrings::SetDelimitedText(const std::string& Value)
{
    SplitDelimited(Value, FDelimiter, FQuoteChar);
}

void TStrings::SplitDelimited(const std::string& Value, char Delim, char Quote)
{
    auto Blank = [this](unsigned char C) { return !FStrictDelimiter && C <= ' '; };
    TStringsUpdate Update(this);
    Clear();
    std::size_t P = 0;
    const std::size_t N = Value.size();
    while (P < N && Blank(static_cast<unsigned char>(Value[P])))
        ++P;
    while (P < N) {
        std::string S;
        if (Value[P] == Quote) {
            // Quoted item: a doubled quote stands for one; an unclosed
            // quote runs to the end of the text.
            ++P;
            while (P < N) {
                if (Value[P] == Quote) {
                    if (P + 1 < N && Value[P + 1] == Quote) {
                        S += Quote;
                        P += 2;
                        continue;
                    }
                    ++P;
                    break;
                }
                S += Value[P++];
            }
        } else {
            std::size_t B = P;
            while (P < N && Value[P] != Delim && !Blank(static_cast<unsigned char>(Value[P])))
                ++P;
            S.assign(Value, B, P - B);
        }
        Add(S);
        while (P < N && Blank(static_cast<unsigned char>(Value[P])))
            ++P;
        if (P < N && Value[P] == Delim) {
            ++P;
            if (P == N)
                Add(std::string());
            while (P < N && Blank(static_cast<unsigned char>(Value[P])))
                ++P;
        }
    }
}

// Always ',' and '"', whatever Delimiter and QuoteChar say.
std::string TStrings::CommaText() const
{
    return JoinDelimited(',', '"');
}

void TStrings::SetCommaText(const std::string& Value)
{
    SplitDelimited(Value, ',', '"');
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount <= 0)
        return;
    --FUpdateCount;
    if (FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromStream(TStream* Stream)
{
    std::int64_t Size = Stream->Size() - Stream->Position();
    std::string Buf;
    if (Size > 0) {
        if (Size > 0x7FFFFFFF)
            throw EReadError(LoadResString(SReadError));
        Buf.resize(static_cast<std::size_t>(Size));
        Stream->ReadBuffer(Buf.data(), static_cast<std::int32_t>(Size));
    }
    SetText(Buf);
}

void TStrings::SaveToStream(TStream* Stream) const
{
    std::string S = Text();
    Stream->WriteBuffer(S.data(), static_cast<std::int32_t>(S.size()));
}

void TStrings::LoadFromFile(const std::string& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

void TStrings::SaveToFile(const std::string& FileName) const
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

// ---------------------------------------------------------------------------
// TStringList
// ---------------------------------------------------------------------------

TStringList::~TStringList()
{
    OnChange = nullptr;
    OnChanging = nullptr;
    if (FOwnsObjects)
        for (TItem& It : FList)
            FreeObject(std::exchange(It.Obj, nullptr));
}

void TStringList::BeforeDestruction()
{
    // No change events from a list on its way out.
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::FreeObject(TObject* Obj)
{
    if (Obj)
        Obj->Free();
}

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= GetCount())
        Error(SListIndexError, Index);
}

std::string TStringList::Get(int Index) const
{
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].S;
}

const std::string& TStringList::StringRef(int Index) const
{
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].S;
}

void TStringList::Put(int Index, const std::string& S)
{
    if (FSorted)
        Error(SSortedListError, 0);
    CheckIndex(Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].S = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const
{
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject* AObject)
{
    CheckIndex(Index);
    TObject* Old = FList[static_cast<std::size_t>(Index)].Obj;
    Changing();
    FList[static_cast<std::size_t>(Index)].Obj = AObject;
    // An owning list that lost track of the old object would leak it.
    if (FOwnsObjects && Old != AObject)
        FreeObject(Old);
    Changed();
}

int TStringList::Add(const std::string& S)
{
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::string& S, TObject* AObject)
{
    int Index;
    if (!FSorted) {
        Index = GetCount();
    } else if (Find(S, Index)) {
        if (FDuplicates == dupIgnore)
            return Index;
        if (FDuplicates == dupError)
            Error(SDuplicateString, 0);
        // Equal strings keep the order they were added in.
        while (Index < GetCount() && CompareStrings(FList[static_cast<std::size_t>(Index)].S, S) == 0)
            ++Index;
    }
    InsertItem(Index, S, AObject);
    return Index;
}

void TStringList::Insert(int Index, const std::string& S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject)
{
    if (FSorted)
        Error(SSortedListError, 0);
    if (Index < 0 || Index > GetCount())
        Error(SListIndexError, Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject)
{
    Changing();
    FList.insert(FList.begin() + Index, TItem{S, AObject});
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    Changing();
    TObject* Obj = FList[static_cast<std::size_t>(Index)].Obj;
    FList.erase(FList.begin() + Index);
    if (FOwnsObjects)
        FreeObject(Obj);
    Changed();
}

void TStringList::Clear()
{
    if (FList.empty())
        return;
    Changing();
    std::vector<TItem> Old;
    Old.swap(FList);
    if (FOwnsObjects)
        for (TItem& It : Old)
            FreeObject(It.Obj);
    Changed();
}

void TStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    // Checked before anything moves: a refused move must not lose the item.
    if (FSorted)
        Error(SSortedListError, 0);
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Changing();
    TItem Item = std::move(FList[static_cast<std::size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(Item));
    Changed();
}

void TStringList::PutValueLine(int Index, const std::string& Line)
{
    if (!FSorted) {
        Put(Index, Line);
        return;
    }
    // A sorted list refuses Put; the line is moved to where its new text
    // sorts instead, keeping its object.
    Changing();
    TItem Item = std::move(FList[static_cast<std::size_t>(Index)]);
    FList.erase(FList.begin() + Index);
    Item.S = Line;
    int At;
    Find(Line, At);
    FList.insert(FList.begin() + At, std::move(Item));
    Changed();
}

int TStringList::IndexOf(const std::string& S) const
{
    if (!FSorted)
        return TStrings::IndexOf(S);
    int Index;
    return Find(S, Index) ? Index : -1;
}

void TStringList::SetText(const std::string& Value)
{
    TStrings::SetText(Value);
}

bool TStringList::Find(const std::string& S, int& Index) const
{
    int L = 0, H = GetCount() - 1;
    bool Found = false;
    while (L <= H) {
        int I = (L + H) / 2;
        int C = CompareStrings(FList[static_cast<std::size_t>(I)].S, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0)
                Found = true;
        }
    }
    Index = L;
    return Found;
}

void TStringList::Sort()
{
    CustomSort([](TStringList* List, int A, int B) {
        return List->CompareStrings(List->FList[static_cast<std::size_t>(A)].S,
                                    List->FList[static_cast<std::size_t>(B)].S);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare)
{
    if (FSorted || GetCount() <= 1)
        return;
    Changing();
    // Sort positions, not items: Compare looks items up by index, so the
    // list stays untouched until the order is known.
    std::vector<int> Order(FList.size());
    std::iota(Order.begin(), Order.end(), 0);
    std::stable_sort(Order.begin(), Order.end(), [&](int A, int B) { return Compare(this, A, B) < 0; });
    std::vector<TItem> Sorted;
    Sorted.reserve(FList.size());
    for (int I : Order)
        Sorted.push_back(std::move(FList[static_cast<std::size_t>(I)]));
    FList.swap(Sorted);
    Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (!StoreChanged(FCaseSensitive, Value))
        return;
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

void TStringList::SetCapacity(int Value)
{
    if (Value > Capacity())
        FList.reserve(static_cast<std::size_t>(Value));
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const
{
    return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}
