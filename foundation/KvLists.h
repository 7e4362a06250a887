#pragma once
// Keyed lists of the mail engine: string lists that own a second string per
// item, and an integer-keyed list with binary search.

#include <cstdint>
#include <string>

#include "classlib/Classes.h"

namespace KvLists {
// The second string of a list item; owned by the list that carries it.
class TStringObj : public TObject {
public:
    explicit TStringObj(std::string AText = std::string()) : Text(std::move(AText)) {}
    std::string Text;
};
}  // namespace KvLists

// A string list whose items each carry a second string. Options are the
// string list's defaults (unsorted, duplicates accepted).
class TTableList : public TStringList {
public:
    TTableList();

    int AddPair(const std::string& S, const std::string& Second);
    // The second string of the first item equal to S, or empty.
    std::string ValueOf(const std::string& S) const;
    // Empty when Index is outside 0 .. Count-1.
    std::string GetSecond(int Index) const;
};

// A sorted string list of unique items, each with a second string; adding an
// item that is already there raises EStringListError.
class TDoubleStringList : public TStringList {
public:
    TDoubleStringList();

    int AddPair(const std::string& S, const std::string& Second);
    // Empty when Index is outside 0 .. Count-1.
    std::string GetSecond(int Index) const;
    // The second string of the item equal to S, or empty.
    std::string ValueOf(const std::string& S) const;
};

// One item of a TIndexedList; Data is not owned.
class TIndexObj : public TObject {
public:
    TIndexObj(std::int32_t AKey, std::intptr_t AData) : Key(AKey), Data(AData) {}
    std::int32_t Key;
    std::intptr_t Data;
};

// A list of TIndexObj (owned) keyed by a signed 32-bit integer.
class TIndexedList : public TList {
public:
    TIndexedList() = default;
    ~TIndexedList() override;

    // The index of the new item; -1 when the key was there and Duplicates is
    // dupIgnore; dupError raises EListError.
    int Add(std::int32_t Key, std::intptr_t Data);
    // Binary search of a sorted list: true and the first item with Key, or
    // false and the index where Key would go (0 for an empty list).
    bool Find(std::int32_t Key, int& Index) const;
    // Find on a sorted list, a scan on an unsorted one; -1 when absent.
    int IndexOfKey(std::int32_t Key) const;
    void Sort();

    TIndexObj* IndexObj(int Index) const { return static_cast<TIndexObj*>(Items(Index)); }
    std::int32_t Key(int Index) const { return IndexObj(Index)->Key; }
    std::intptr_t Data(int Index) const { return IndexObj(Index)->Data; }

    bool Sorted() const { return FSorted; }
    // Ignored while updating or when unchanged; switching on sorts.
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate()
    {
        if (FUpdateCount > 0)
            --FUpdateCount;
    }
    int UpdateCount() const { return FUpdateCount; }

    // -1, 0 or 1 as A is below, equal to or above B.
    virtual int CompareKeys(std::int32_t A, std::int32_t B) const;

protected:
    void Notify(void* Ptr, TListNotification Action) override;

private:
    TDuplicates FDuplicates = dupIgnore;
    bool FSorted = false;
    int FUpdateCount = 0;
};
