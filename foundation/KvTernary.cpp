#include "foundation/KvTernary.h"

#include <algorithm>

#include "classlib/SysUtils.h"
#include "foundation/KvSearch.h"

// The key's end is a split value of its own (-1, below every byte), so keys
// may hold zero bytes without being cut short there.
struct TTernaryNode {
    explicit TTernaryNode(int ASplit) : Split(ASplit) {}
    TTernaryNode* Lo = nullptr;
    TTernaryNode* Eq = nullptr;
    TTernaryNode* Hi = nullptr;
    int Split;
    bool IsEnd = false;
    std::int32_t Value = 0;
};

namespace {

constexpr int KeyEnd = -1;

int KeyChar(const std::string& Key, std::size_t Pos)
{
    return Pos < Key.size() ? static_cast<unsigned char>(Key[Pos]) : KeyEnd;
}

}  // namespace

TTernaryTree::TTernaryTree() = default;

TTernaryTree::~TTernaryTree()
{
    Clear();
}

void TTernaryTree::Clear()
{
    // Iterative, so a long key cannot exhaust the stack.
    std::vector<TTernaryNode*> Pending;
    if (FRoot)
        Pending.push_back(FRoot);
    while (!Pending.empty()) {
        TTernaryNode* N = Pending.back();
        Pending.pop_back();
        for (TTernaryNode* Child : {N->Lo, N->Eq, N->Hi})
            if (Child)
                Pending.push_back(Child);
        delete N;
    }
    FRoot = nullptr;
    FCount = 0;
}

std::string TTernaryTree::Folded(const std::string& Key) const
{
    return FIgnoreCase ? TableLowerCase(Key) : Key;
}

void TTernaryTree::Add(const std::string& Key, std::int32_t Value)
{
    if (Key.empty())
        throw Exception("Insert: empty string");
    const std::string K = Folded(Key);
    TTernaryNode** Link = &FRoot;
    std::size_t Pos = 0;
    for (;;) {
        const int C = KeyChar(K, Pos);
        if (!*Link)
            *Link = new TTernaryNode(C);
        TTernaryNode* N = *Link;
        if (C < N->Split) {
            Link = &N->Lo;
        } else if (C > N->Split) {
            Link = &N->Hi;
        } else if (C != KeyEnd) {
            Link = &N->Eq;
            ++Pos;
        } else {
            if (N->IsEnd)
                throw Exception("Insert: duplicate string");
            N->IsEnd = true;
            N->Value = Value;
            ++FCount;
            return;
        }
    }
}

bool TTernaryTree::Find(const std::string& Key, std::int32_t& Value) const
{
    if (Key.empty())
        return false;
    const std::string K = Folded(Key);
    const TTernaryNode* N = FRoot;
    std::size_t Pos = 0;
    while (N) {
        const int C = KeyChar(K, Pos);
        if (C < N->Split) {
            N = N->Lo;
        } else if (C > N->Split) {
            N = N->Hi;
        } else if (C != KeyEnd) {
            N = N->Eq;
            ++Pos;
        } else {
            if (N->IsEnd)
                Value = N->Value;
            return N->IsEnd;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// TKvTwoWayList
// ---------------------------------------------------------------------------

TKvTwoWayList::TKvTwoWayList(const std::string& Text, char Delimiter, int Count)
    : FCount(Count >= 0 ? Count : static_cast<int>(std::count(Text.begin(), Text.end(), Delimiter)) + 1),
      FTree(std::make_unique<TKvTernaryTree>())
{
    FNames.resize(static_cast<std::size_t>(FCount));
    std::size_t Start = 0;
    for (std::size_t P = Text.find(Delimiter); P != std::string::npos; P = Text.find(Delimiter, Start)) {
        AddName(Text.substr(Start, P - Start));
        Start = P + 1;
    }
    if (Start < Text.size())
        AddName(Text.substr(Start));
}

TKvTwoWayList::~TKvTwoWayList() = default;

int TKvTwoWayList::AddName(const std::string& Name)
{
    const int Index = FTree->Count();
    FTree->Add(Name, Index);
    // A list sized too small grows rather than writing past its end.
    if (static_cast<std::size_t>(Index) >= FNames.size()) {
        FNames.resize(static_cast<std::size_t>(Index) + 1);
        FCount = Index + 1;
    }
    FNames[static_cast<std::size_t>(Index)] = Name;
    return Index;
}

bool TKvTwoWayList::IndexOf(const std::string& Name, int& Index) const
{
    std::int32_t V = -1;
    const bool Found = FTree->Find(Name, V);
    Index = Found ? V : -1;
    return Found;
}

std::string TKvTwoWayList::Names(int Index) const
{
    if (Index < 0 || static_cast<std::size_t>(Index) >= FNames.size())
        return std::string();
    return FNames[static_cast<std::size_t>(Index)];
}
