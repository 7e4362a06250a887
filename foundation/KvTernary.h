#pragma once
// A ternary search tree mapping byte strings to 32-bit values, and the
// two-way name list built on it (name to index, index to name).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"

struct TTernaryNode;

class TTernaryTree : public TObject {
public:
    TTernaryTree();
    ~TTernaryTree() override;

    // Raises Exception "Insert: duplicate string" for a key already present,
    // and "Insert: empty string" for an empty key, which no lookup could
    // ever find.
    void Add(const std::string& Key, std::int32_t Value);
    // False for an empty or absent key.
    bool Find(const std::string& Key, std::int32_t& Value) const;
    void Clear();

    int Count() const { return FCount; }
    bool IgnoreCase() const { return FIgnoreCase; }
    // Only meaningful while the tree is empty: keys already added keep the
    // form they were stored in.
    void SetIgnoreCase(bool Value) { FIgnoreCase = Value; }

private:
    std::string Folded(const std::string& Key) const;

    int FCount = 0;
    bool FIgnoreCase = true;
    TTernaryNode* FRoot = nullptr;
};

class TKvTernaryTree : public TTernaryTree {};

class TKvTwoWayList : public TObject {
public:
    // Count -1: one more than the number of delimiters in Text. A trailing
    // delimiter adds no name; an empty piece elsewhere raises.
    TKvTwoWayList(const std::string& Text, char Delimiter, int Count = -1);
    ~TKvTwoWayList() override;

    // The index given to the new name.
    int AddName(const std::string& Name);
    // Index -1 when the name is absent.
    bool IndexOf(const std::string& Name, int& Index) const;
    // Empty for an index no name holds.
    std::string Names(int Index) const;

    int Count() const { return FCount; }
    // The names added so far.
    int NameCount() const { return FTree->Count(); }

private:
    int FCount;
    std::unique_ptr<TKvTernaryTree> FTree;
    std::vector<std::string> FNames;
};
