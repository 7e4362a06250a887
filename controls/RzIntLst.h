#pragma once
// A list of integers with an optional value range, optional sorting and a
// duplicates policy; tab stops and stored check states use it.
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Filer.h"
#include "classlib/SysUtils.h"

class TRzIntegerList : public TPersistent {
public:
    TRzIntegerList() = default;
    ~TRzIntegerList() override = default;
    void Assign(const TPersistent* Source) override;

    int Count() const { return static_cast<int>(FItems.size()); }
    int Items(int Index) const;
    void SetItems(int Index, int Value) { Put(Index, Value); }
    int operator[](int Index) const { return Items(Index); }

    // Sorted: the first position holding Value (true), or where it would go.
    virtual bool Find(int Value, int& Index) const;
    // Overwrites in place after the range check; order is not kept.
    virtual void Put(int Index, int Value);
    virtual void Sort();
    // The position of the new value, or of the present one when ignored.
    virtual int Add(int Value);
    virtual void AddIntegers(const TRzIntegerList* List);
    virtual void Clear();
    virtual void Delete(int Index);
    virtual void Exchange(int Index1, int Index2);
    virtual int IndexOf(int Value) const;
    virtual void Insert(int Index, int Value);
    virtual void Move(int CurIndex, int NewIndex);

    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);

    // The values as a stored form holds them under "Integers".
    std::vector<int> Integers() const;
    // Reading "Integers": clears and Adds each value, so the range, the
    // sorting and the duplicates policy apply while loading.
    void ReadIntegers(const std::vector<int>& Values);
    // "Integers" is written when the list differs from the ancestor's (or,
    // without one, when it is not empty).
    bool IntegersStored(const TRzIntegerList* Ancestor) const;
    // Stored with a form: "Min" and "Max" when not 0, "Integers" as above.
    void DefineProperties(TFiler* Filer) override;

protected:
    virtual void InsertItem(int Index, int Value);

private:
    bool RangeInForce() const { return FMin != FMax; }
    void CheckIndex(int Index) const;
    void CheckRange(int Value) const;

    std::vector<int> FItems;
    TDuplicates FDuplicates = dupIgnore;
    int FMin = 0;
    int FMax = 0;
    bool FSorted = false;
};
