#include "foundation/KvLists.h"

#include <algorithm>
#include <memory>

#include "classlib/ResStrings.h"

using KvLists::TStringObj;

namespace {

std::string SecondOf(const TStringList& List, int Index)
{
    if (Index < 0 || Index >= List.Count())
        return std::string();
    const auto* Obj = dynamic_cast<const TStringObj*>(List.GetObject(Index));
    return Obj ? Obj->Text : std::string();
}

// Adds S with its second string; the new object is freed when the list
// raises (duplicate error) or keeps an older item in place of S.
int AddWithSecond(TStringList& List, const std::string& S, const std::string& Second)
{
    auto Obj = std::make_unique<TStringObj>(Second);
    const int Index = List.AddObject(S, Obj.get());
    if (Index >= 0 && Index < List.Count() && List.GetObject(Index) == Obj.get())
        Obj.release();
    return Index;
}

}  // namespace

// ---------------------------------------------------------------------------
// TTableList
// ---------------------------------------------------------------------------

TTableList::TTableList() : TStringList(true) {}

int TTableList::AddPair(const std::string& S, const std::string& Second)
{
    return AddWithSecond(*this, S, Second);
}

std::string TTableList::ValueOf(const std::string& S) const
{
    return SecondOf(*this, IndexOf(S));
}

std::string TTableList::GetSecond(int Index) const
{
    return SecondOf(*this, Index);
}

// ---------------------------------------------------------------------------
// TDoubleStringList
// ---------------------------------------------------------------------------

TDoubleStringList::TDoubleStringList() : TStringList(true)
{
    SetDuplicates(dupError);
    SetSorted(true);
}

int TDoubleStringList::AddPair(const std::string& S, const std::string& Second)
{
    return AddWithSecond(*this, S, Second);
}

std::string TDoubleStringList::GetSecond(int Index) const
{
    return SecondOf(*this, Index);
}

std::string TDoubleStringList::ValueOf(const std::string& S) const
{
    return SecondOf(*this, IndexOf(S));
}

// ---------------------------------------------------------------------------
// TIndexedList
// ---------------------------------------------------------------------------

TIndexedList::~TIndexedList()
{
    // TList's own destructor can no longer reach Notify, which frees items.
    Clear();
}

void TIndexedList::Notify(void* Ptr, TListNotification Action)
{
    if (Action == lnDeleted)
        delete static_cast<TIndexObj*>(Ptr);
    TList::Notify(Ptr, Action);
}

int TIndexedList::CompareKeys(std::int32_t A, std::int32_t B) const
{
    return A < B ? -1 : (A > B ? 1 : 0);
}

// Keys are compared, never subtracted: the difference of two keys far apart
// overflows 32 bits and would send the search the wrong way.
bool TIndexedList::Find(std::int32_t Key, int& Index) const
{
    void* const* First = List();
    void* const* Last = First + Count();
    void* const* It = std::lower_bound(First, Last, Key, [this](void* Item, std::int32_t K) {
        return CompareKeys(static_cast<TIndexObj*>(Item)->Key, K) < 0;
    });
    Index = static_cast<int>(It - First);
    return It != Last && CompareKeys(static_cast<TIndexObj*>(*It)->Key, Key) == 0;
}

int TIndexedList::IndexOfKey(std::int32_t Key) const
{
    if (FSorted) {
        int Index = 0;
        return Find(Key, Index) ? Index : -1;
    }
    for (int I = 0; I < Count(); ++I)
        if (CompareKeys(IndexObj(I)->Key, Key) == 0)
            return I;
    return -1;
}

int TIndexedList::Add(std::int32_t Key, std::intptr_t Data)
{
    int Index = Count();
    if (FSorted && Count() > 0 && Find(Key, Index)) {
        if (FDuplicates == dupIgnore)
            return -1;
        if (FDuplicates == dupError)
            throw EListError(LoadResString(SDuplicateString));
    }
    auto Obj = std::make_unique<TIndexObj>(Key, Data);
    Insert(Index, Obj.get());
    Obj.release();
    return Index;
}

void TIndexedList::SetSorted(bool Value)
{
    if (FUpdateCount > 0 || Value == FSorted)
        return;
    if (Value && Count() > 1)
        Sort();
    FSorted = Value;
}

// Stable: items of equal keys keep the order they were added in, so the
// one Find comes to first is the one added first.
void TIndexedList::Sort()
{
    TList::Sort([this](void* A, void* B) {
        return CompareKeys(static_cast<TIndexObj*>(A)->Key, static_cast<TIndexObj*>(B)->Key);
    });
}
