#include "controls/RzIntLst.h"

#include <algorithm>
#include <utility>

#include "classlib/ResStrings.h"

namespace {

enum : int {
    SRzValueOutOfRange = 31800,
    SRzMinBelow = 31801,
    SRzMaxAbove = 31802,
};

const TResStringRegistrar IntListTexts{
    {SRzValueOutOfRange, "Value must be within %d..%d"},
    // The carriage return splits the message into two lines in a message box.
    {SRzMinBelow, "Unable to set new minimum value.\rList contains values below %d"},
    {SRzMaxAbove, "Unable to set new maximum value.\rList contains values above %d"},
};

} // namespace

int TRzIntegerList::Items(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TRzIntegerList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Format(LoadResString(SListIndexError), Index));
}

void TRzIntegerList::CheckRange(int Value) const
{
    if (RangeInForce() && (Value < FMin || Value > FMax))
        throw EOutOfRange(Format(LoadResString(SRzValueOutOfRange), FMin, FMax));
}

bool TRzIntegerList::Find(int Value, int& Index) const
{
    bool Result = false;
    int L = 0, H = Count() - 1;
    while (L <= H) {
        const int I = static_cast<int>(static_cast<unsigned>(L + H) >> 1);
        const int V = FItems[static_cast<size_t>(I)];
        if (V < Value) {
            L = I + 1;
        } else {
            H = I - 1;
            if (V == Value) {
                Result = true;
                // Under accept the search goes on left to the first equal
                // value; otherwise it stops here.
                if (FDuplicates != dupAccept)
                    L = I;
            }
        }
    }
    Index = L;
    return Result;
}

void TRzIntegerList::Put(int Index, int Value)
{
    CheckIndex(Index);
    CheckRange(Value);
    FItems[static_cast<size_t>(Index)] = Value;
}

// Equal integers cannot be told apart, so the order among them is no one's.
void TRzIntegerList::Sort()
{
    if (!FSorted)
        std::sort(FItems.begin(), FItems.end());
}

int TRzIntegerList::Add(int Value)
{
    int Index = Count();
    if (FSorted && Find(Value, Index)) {
        switch (FDuplicates) {
        case dupIgnore: return Index;
        case dupError: throw EListError(LoadResString(SDuplicateString));
        case dupAccept: break;
        }
    }
    InsertItem(Index, Value);
    return Index;
}

void TRzIntegerList::AddIntegers(const TRzIntegerList* List)
{
    for (int I = 0; I < List->Count(); ++I)
        Add(List->Items(I));
}

void TRzIntegerList::Clear()
{
    FItems.clear();
}

void TRzIntegerList::Delete(int Index)
{
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
}

void TRzIntegerList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
}

int TRzIntegerList::IndexOf(int Value) const
{
    if (FSorted) {
        int Index = 0;
        return Find(Value, Index) ? Index : -1;
    }
    for (int I = 0; I < Count(); ++I)
        if (FItems[static_cast<size_t>(I)] == Value)
            return I;
    return -1;
}

void TRzIntegerList::Insert(int Index, int Value)
{
    if (FSorted)
        throw EListError(LoadResString(SSortedListError));
    if (Index < 0 || Index > Count())
        throw EListError(Format(LoadResString(SListIndexError), Index));
    InsertItem(Index, Value);
}

void TRzIntegerList::InsertItem(int Index, int Value)
{
    CheckRange(Value);
    // Ignore holds for unsorted lists too: a value present is not added.
    if (FDuplicates == dupIgnore && IndexOf(Value) >= 0)
        return;
    FItems.insert(FItems.begin() + Index, Value);
}

void TRzIntegerList::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    const int Value = FItems[static_cast<size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, Value);
}

void TRzIntegerList::SetMin(int Value)
{
    if (Value == FMin)
        return;
    for (int V : FItems)
        if (V < Value)
            throw EOutOfRange(Format(LoadResString(SRzMinBelow), Value));
    FMin = Value;
    if (FMin > FMax)
        FMax = FMin;
}

void TRzIntegerList::SetMax(int Value)
{
    if (Value == FMax)
        return;
    for (int V : FItems)
        if (V > Value)
            throw EOutOfRange(Format(LoadResString(SRzMaxAbove), Value));
    FMax = Value;
    if (FMax < FMin)
        FMin = FMax;
}

void TRzIntegerList::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TRzIntegerList::Assign(const TPersistent* Source)
{
    if (auto* Other = dynamic_cast<const TRzIntegerList*>(Source)) {
        if (Other == this)
            return;
        Clear();
        AddIntegers(Other);
        return;
    }
    TPersistent::Assign(Source);
}

std::vector<int> TRzIntegerList::Integers() const
{
    return FItems;
}

void TRzIntegerList::ReadIntegers(const std::vector<int>& Values)
{
    Clear();
    for (int V : Values)
        Add(V);
}

bool TRzIntegerList::IntegersStored(const TRzIntegerList* Ancestor) const
{
    if (Ancestor)
        return Ancestor->FItems != FItems;
    return !FItems.empty();
}

void TRzIntegerList::DefineProperties(TFiler* Filer)
{
    TPersistent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Min", [this](TReader* R) { SetMin(static_cast<int>(R->ReadInteger())); },
        [this](TWriter* W) { W->WriteInteger(FMin); }, FMin != 0);
    Filer->DefineProperty(
        "Max", [this](TReader* R) { SetMax(static_cast<int>(R->ReadInteger())); },
        [this](TWriter* W) { W->WriteInteger(FMax); }, FMax != 0);
    Filer->DefineProperty(
        "Integers",
        [this](TReader* R) { ReadIntegers(R->ReadIntegers()); }, [this](TWriter* W) { W->WriteIntegers(FItems); },
        IntegersStored(dynamic_cast<const TRzIntegerList*>(Filer->Ancestor())));
}
