#pragma once
// TObject, TPersistent, TComponent, TList, TObjectList, TStrings, TStringList.
// Lists and string lists are 0-based; IndexOf answers -1 when not found.

#include "classlib/Cleanup.h"
#include "classlib/SysUtils.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

class TStream;
class TComponent;
class TFiler;
class TReader;
class TPropertyTable;


// Stores a changed value; true when it changed, so that a setter can skip
// its side effects (repaint, relayout, events) otherwise. The value converts
// to the field's type.
template <typename T>
bool StoreChanged(T& Field, const std::type_identity_t<T>& Value)
{
    if (Field == Value)
        return false;
    Field = Value;
    return true;
}

// ---------------------------------------------------------------------------
// TObject
// ---------------------------------------------------------------------------

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // Runs while the whole object is still alive, so overrides of derived
    // classes are reached; Free() calls it and then deletes.
    virtual void BeforeDestruction() {}
    // The one way every caller frees an object; a control overrides it to
    // wait for its own handlers, whatever type the caller's pointer has.
    virtual void Free();

    // The class name without decoration ("TStringList").
    std::string ClassName() const;
};

// Frees an object that may be null and clears the pointer first, so a
// notification during the free never sees a dangling pointer.
// A class's name as ClassName gives it.
std::string TypeName(const std::type_info& Type);

template <typename T>
void FreeAndNil(T*& Obj)
{
    T* Tmp = Obj;
    Obj = nullptr;
    if (Tmp)
        Tmp->Free();
}

// Deleter that goes through Free(), for std::unique_ptr.
struct TObjectFree {
    void operator()(TObject* Obj) const
    {
        if (Obj)
            Obj->Free();
    }
};
template <typename T>
using TOwned = std::unique_ptr<T, TObjectFree>;

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---------------------------------------------------------------------------
// TPersistent
// ---------------------------------------------------------------------------

class TPersistent : public TObject {
public:
    // Copies Source into this object; the default asks Source to AssignTo
    // this, and raises EConvertError "Cannot assign a %s to a %s" when
    // neither side knows how.
    virtual void Assign(const TPersistent* Source);
    // Published properties by name (none by default), and the values
    // stored with a form besides them (classlib/Filer.h).
    virtual const TPropertyTable* Properties() const { return nullptr; }
    virtual void DefineProperties(TFiler*) {}

protected:
    virtual void AssignTo(TPersistent* Dest) const;
};

// ---------------------------------------------------------------------------
// TComponent
// ---------------------------------------------------------------------------

enum TOperation { opInsert, opRemove };

// Bit set of the component state.
enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4, // never set: there is no designer
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFixups = 1u << 7,
    csFreeNotification = 1u << 8,
    csInline = 1u << 9,
    csDesignInstance = 1u << 10,
};
using TComponentState = unsigned;

class EComponentError : public Exception { public: using Exception::Exception; };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    void BeforeDestruction() override;
    // Does nothing once this component's free or destructor has begun.
    void Free() override;
    bool FreeBegun() const { return FFreeBegun; }

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int Index) const;
    int ComponentIndex() const; // position in the owner's list, -1 without owner

    const std::string& Name() const { return FName; }
    virtual void SetName(const std::string& NewName); // EComponentError on bad/duplicate name
    std::intptr_t Tag() const { return FTag; }
    void SetTag(std::intptr_t Value) { FTag = Value; }

    TComponentState ComponentState() const { return FComponentState; }
    bool HasState(TComponentState Flags) const { return (FComponentState & Flags) != 0; } // any of Flags

    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Case-insensitive, among the directly owned components; null when none.
    TComponent* FindComponent(const std::string& AName) const;
    // Frees every owned component, last first.
    void DestroyComponents();

    // Either side gets Notification(other, opRemove) when the other goes away.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // Forms are built in code between these calls: every component created
    // under a loading owner is marked loading too, and EndLoading calls each
    // marked component's Loaded() once, this one first.
    void BeginLoading();
    void EndLoading();

    // Set and clear csUpdating.
    virtual void Updating();
    virtual void Updated();

    // Form storage: the components written as this one's children, in
    // order; the position a child read back had among them; reading this
    // component's properties and children (defined in Filer.cpp).
    using TGetChildProc = std::function<void(TComponent* Child)>;
    virtual void GetChildren(const TGetChildProc&, TComponent* /*Root*/) {}
    virtual void SetChildOrder(TComponent*, int /*Order*/) {}
    virtual void ReadState(TReader* Reader);
    // The windows this component makes of what was read into it: itself
    // when it is one, and items shown as windows of their own.
    virtual int StoredWindowCount() const { return 0; }

protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
    virtual void Loaded(); // clears csLoading
    void SetComponentState(TComponentState Flags) { FComponentState |= Flags; }
    void ClearComponentState(TComponentState Flags) { FComponentState &= ~Flags; }
    // Marks the free begun; false when it already was.
    bool BeginFree() { return !std::exchange(FFreeBegun, true); }
    // Sets the csDestroying flag on this component and the ones it owns.
    void Destroying();
    virtual void ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName);

private:
    friend class TWriter; // marks what it writes csWriting
    void Insert(TComponent* AComponent);
    void Remove(TComponent* AComponent);
    void RemoveNotification(TComponent* AComponent);
    void CollectLoading(std::vector<TComponent*>& Out);
    void MarkLoading();
    void DestroyOwned();

    TComponent* FOwner = nullptr;
    std::string FName;
    std::intptr_t FTag = 0;
    TComponentState FComponentState = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    bool FDestroyed = false;
    bool FFreeBegun = false;
};

// ---------------------------------------------------------------------------
// TList
// ---------------------------------------------------------------------------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

class TList : public TObject {
public:
    TList() = default;
    ~TList() override;
    void BeforeDestruction() override;

    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    int Remove(void* Item); // index it had, -1 when absent
    int IndexOf(void* Item) const;
    void* Extract(void* Item); // removes without lnDeleted; null when absent
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    void Sort(const TListSortCompare& Compare); // stable
    virtual void Clear();
    void Pack(); // drops null items
    void* First() const;
    void* Last() const;

    int Count() const { return static_cast<int>(FList.size()); }
    void SetCount(int NewCount);
    int Capacity() const { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int NewCapacity);
    void* Items(int Index) const;
    void SetItems(int Index, void* Item);
    void* operator[](int Index) const { return Items(Index); }
    void* const* List() const { return FList.data(); }

protected:
    virtual void Notify(void* Ptr, TListNotification Action);
    [[noreturn]] static void Error(int Index);

private:
    void CheckIndex(int Index) const;
    std::vector<void*> FList;
};

// A TList of objects; with OwnsObjects (the default) removing an object frees it.
class TObjectList : public TList {
public:
    explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
    ~TObjectList() override;

    int Add(TObject* Obj) { return TList::Add(Obj); }
    void Insert(int Index, TObject* Obj) { TList::Insert(Index, Obj); }
    int Remove(TObject* Obj) { return TList::Remove(Obj); }
    int IndexOf(TObject* Obj) const { return TList::IndexOf(Obj); }
    TObject* Extract(TObject* Obj) { return static_cast<TObject*>(TList::Extract(Obj)); }
    TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
    void SetItems(int Index, TObject* Obj) { TList::SetItems(Index, Obj); }
    TObject* operator[](int Index) const { return Items(Index); }
    TObject* First() const { return static_cast<TObject*>(TList::First()); }
    TObject* Last() const { return static_cast<TObject*>(TList::Last()); }

    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
    void Notify(void* Ptr, TListNotification Action) override;

private:
    bool FOwnsObjects;
};

// ---------------------------------------------------------------------------
// TStrings
// ---------------------------------------------------------------------------

class TStrings : public TPersistent {
public:
    TStrings() = default;

    // Element access; Index out of range raises EStringListError.
    virtual std::string Get(int Index) const = 0;
    virtual void Put(int Index, const std::string& S);
    virtual TObject* GetObject(int Index) const;
    virtual void PutObject(int Index, TObject* AObject);
    int Count() const { return GetCount(); }
    std::string Strings(int Index) const { return Get(Index); }
    std::string operator[](int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }

    virtual int Add(const std::string& S);
    virtual int AddObject(const std::string& S, TObject* AObject);
    void Append(const std::string& S) { Add(S); }
    virtual void AddStrings(const TStrings* Strings);
    void Assign(const TPersistent* Source) override;
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    bool Equals(const TStrings* Strings) const; // same count and texts, byte for byte

    virtual int IndexOf(const std::string& S) const;
    int IndexOfName(const std::string& Name) const;
    int IndexOfObject(const TObject* AObject) const;

    // "name=value" lines, NameValueSeparator '=' by default.
    std::string Names(int Index) const;
    std::string Values(const std::string& Name) const;
    void SetValue(const std::string& Name, const std::string& Value); // empty Value deletes
    std::string ValueFromIndex(int Index) const;
    void SetValueFromIndex(int Index, const std::string& Value);
    char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char C) { FNameValueSeparator = C; }

    // Lines joined by CRLF (every line ends with one); SetText accepts CR, LF
    // or CRLF line ends. Lines may hold NUL bytes.
    virtual std::string Text() const;
    virtual void SetText(const std::string& Value);
    std::string CommaText() const;
    void SetCommaText(const std::string& Value);
    std::string DelimitedText() const;
    void SetDelimitedText(const std::string& Value);
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char C) { FDelimiter = C; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char C) { FQuoteChar = C; }
    // When set only Delimiter splits DelimitedText (spaces stay in items).
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

    // OnChange/OnChanging of a TStringList fire once for a whole update.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream) const;
    // Stored with a form as "Strings", a list of the lines (Filer.cpp).
    void DefineProperties(TFiler* Filer) override;
    virtual void LoadFromFile(const std::string& FileName);
    virtual void SaveToFile(const std::string& FileName) const;

protected:
    virtual int GetCount() const = 0;
    virtual void SetUpdateState(bool Updating);
    virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
    // Replaces the line of an existing name in SetValue; a sorted list
    // moves it to its place instead of refusing.
    virtual void PutValueLine(int Index, const std::string& Line);
    [[noreturn]] static void Error(int ResId, int Data);

private:
    std::string JoinDelimited(char Delim, char Quote) const;
    void SplitDelimited(const std::string& Value, char Delim, char Quote);

    int FUpdateCount = 0;
    char FNameValueSeparator = '=';
    char FDelimiter = ',';
    char FQuoteChar = '"';
    bool FStrictDelimiter = false;
};

// BeginUpdate for the life of a scope, EndUpdate on every way out of it.
using TStringsUpdate = TUpdateScope<TStrings>;

// ---------------------------------------------------------------------------
// TStringList
// ---------------------------------------------------------------------------

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// <0, 0, >0 like a compare of the items at Index1 and Index2.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    explicit TStringList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
    ~TStringList() override;
    void BeforeDestruction() override;

    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override; // not allowed when Sorted
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    // The string without a copy; the reference lives until the list changes.
    const std::string& StringRef(int Index) const;

    int Add(const std::string& S) override;
    int AddObject(const std::string& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const std::string& S) override; // not allowed when Sorted
    void InsertObject(int Index, const std::string& S, TObject* AObject) override;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
    int IndexOf(const std::string& S) const override;
    void SetText(const std::string& Value) override;

    // Binary search of a sorted list: true and the first match, or false and
    // the index where S would be inserted.
    bool Find(const std::string& S, int& Index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }
    int Capacity() const { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int Value);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // Locale compare the list uses (CompareStringA on the user locale, case
    // insensitive unless CaseSensitive); exposed for CustomSort callers.
    int CompareStrings(const std::string& S1, const std::string& S2) const override;

protected:
    int GetCount() const override { return static_cast<int>(FList.size()); }
    void SetUpdateState(bool Updating) override;
    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int Index, const std::string& S, TObject* AObject);
    void PutValueLine(int Index, const std::string& Line) override;

private:
    struct TItem {
        std::string S;
        TObject* Obj = nullptr;
    };
    void CheckIndex(int Index) const;
    void FreeObject(TObject* Obj);

    std::vector<TItem> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
    TDuplicates FDuplicates = dupIgnore;
};

// Locale-aware compares of the system ANSI code page (CompareStringA on the
// user locale); ties between texts the locale calls equal are broken by bytes
// so the order is total.
int AnsiCompareStr(const std::string& S1, const std::string& S2);
int AnsiCompareText(const std::string& S1, const std::string& S2);
bool AnsiSameText(const std::string& S1, const std::string& S2);
