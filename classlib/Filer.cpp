#include "classlib/Filer.h"

#include <algorithm>
#include <climits>
#include <string>
#include <typeinfo>

#include "classlib/Cleanup.h"
#include "classlib/Controls.h"
#include "classlib/Graphics.h"

namespace {

const char Signature[4] = {'T', 'S', 'F', '0'};

std::map<std::string, TComponentFactory>& ClassRegistry()
{
    static std::map<std::string, TComponentFactory> Registry;
    return Registry;
}

bool SameName(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && lstrcmpiA(A.c_str(), B.c_str()) == 0;
}

// An ancestor is compared only when it is of the instance's own class.
const TPersistent* ComparableAncestor(const TPersistent* Instance, const TPersistent* Ancestor)
{
    return Ancestor && typeid(*Ancestor) == typeid(*Instance) ? Ancestor : nullptr;
}

bool HasChild(TComponent* Parent, const TComponent* Child, TComponent* Root)
{
    bool Found = false;
    Parent->GetChildren([&](TComponent* C) { Found = Found || C == Child; }, Root);
    return Found;
}

} // namespace

void RegisterComponentClass(const std::type_info& Class, TComponentFactory Factory)
{
    // Named as ClassName names an instance, so the writer's names find it.
    ClassRegistry()[TypeName(Class)] = std::move(Factory);
}

void TComponent::ReadState(TReader* Reader)
{
    Reader->ReadData(this);
}

void TStrings::DefineProperties(TFiler* Filer)
{
    auto Ancestor = dynamic_cast<const TStrings*>(Filer->Ancestor());
    Filer->DefineProperty(
        "Strings",
        [this](TReader* R) {
            TStringsUpdate Update(this);
            Clear();
            R->ReadListBegin();
            while (!R->EndOfList())
                Add(R->ReadString());
            R->ReadListEnd();
        },
        [this](TWriter* W) {
            W->WriteListBegin();
            for (int I = 0; I < Count(); ++I)
                W->WriteString(Get(I));
            W->WriteListEnd();
        },
        Ancestor ? !Equals(Ancestor) : Count() > 0);
}

void TBitmap::DefineProperties(TFiler* Filer)
{
    auto Ancestor = dynamic_cast<const TBitmap*>(Filer->Ancestor());
    auto Bytes = [](const TBitmap* B) {
        TStringStream S;
        B->SaveToStream(&S);
        return S.DataString();
    };
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* S) { LoadFromStream(S); }, [this](TStream* S) { SaveToStream(S); },
        Ancestor ? Bytes(Ancestor) != Bytes(this) : !Empty());
}

// ===========================================================================
// TWriter
// ===========================================================================

void TWriter::WriteSignature()
{
    FStream->WriteBuffer(Signature, sizeof Signature);
}

void TWriter::WriteStr(const std::string& S)
{
    const std::int32_t N = static_cast<std::int32_t>(S.size());
    FStream->WriteBuffer(&N, sizeof N);
    if (N)
        FStream->WriteBuffer(S.data(), N);
}

void TWriter::WriteValue(TValueType Value)
{
    const unsigned char B = Value;
    FStream->WriteBuffer(&B, 1);
}

void TWriter::WriteInteger(std::int64_t Value)
{
    WriteValue(vaInt);
    FStream->WriteBuffer(&Value, sizeof Value);
}

void TWriter::WriteString(const std::string& Value)
{
    WriteValue(vaString);
    WriteStr(Value);
}

void TWriter::WriteIdent(const std::string& Value)
{
    WriteValue(vaIdent);
    WriteStr(Value);
}

void TWriter::WriteBinary(const std::string& Bytes)
{
    WriteValue(vaBinary);
    WriteStr(Bytes);
}

void TWriter::WriteIntegers(const std::vector<int>& Values)
{
    WriteListBegin();
    for (int V : Values)
        WriteInteger(V);
    WriteListEnd();
}

void TWriter::WriteRootComponent(TComponent* Root, const TComponent* Ancestor)
{
    FRoot = Root;
    FAncestorRoot = Ancestor;
    WriteSignature();
    WriteComponent(Root, Ancestor);
}

void TWriter::WriteComponent(TComponent* Component, const TComponent* Ancestor)
{
    Component->SetComponentState(csWriting);
    TScopeExit Done([Component] { Component->ClearComponentState(csWriting); });
    WriteStr(Component->ClassName());
    WriteStr(Component->Name());
    WriteProperties(Component, Ancestor);
    WriteStr("");
    Component->GetChildren(
        [&](TComponent* Child) {
            // The ancestor's child of the same name, wherever it sits.
            const TComponent* A =
                FAncestorRoot && !Child->Name().empty() ? FAncestorRoot->FindComponent(Child->Name()) : nullptr;
            WriteComponent(Child, A);
        },
        FRoot);
    WriteStr("");
}

void TWriter::WriteProperties(const TPersistent* Instance, const TPersistent* Ancestor)
{
    if (!Instance)
        return;
    Ancestor = ComparableAncestor(Instance, Ancestor);
    if (const TPropertyTable* Table = Instance->Properties()) {
        for (const TPropInfo* P : Table->All()) {
            if (P->Stored && !P->Stored(Instance))
                continue;
            if (P->GetObj) {
                TRestoreScope<std::string> Prefix(FPrefix, FPrefix + P->Name + ".");
                WriteProperties(P->GetObj(Instance), Ancestor ? P->GetObj(Ancestor) : nullptr);
            } else if (P->GetRef && P->SetRef) {
                // By name: the reader links it once every component is in.
                const TComponent* V = P->GetRef(Instance);
                const TComponent* A = Ancestor ? P->GetRef(Ancestor) : nullptr;
                if (V ? !A || A->Name() != V->Name() : A != nullptr) {
                    WritePropName(P->Name);
                    V ? WriteIdent(V->Name()) : WriteValue(vaNull);
                }
            } else if (P->GetStr && P->SetStr) {
                const std::string V = P->GetStr(Instance);
                if (!Ancestor || P->GetStr(Ancestor) != V) {
                    WritePropName(P->Name);
                    WriteString(V);
                }
            } else if (P->GetOrd && P->SetOrd) {
                const TPropOrd V = P->GetOrd(Instance);
                if (!Ancestor || P->GetOrd(Ancestor) != V) {
                    WritePropName(P->Name);
                    WriteInteger(V);
                }
            }
        }
    }
    TRestoreScope<const TPersistent*> Saved(FAncestor, Ancestor);
    // A persistent defines its values on a non-const object; writing
    // changes nothing in it.
    const_cast<TPersistent*>(Instance)->DefineProperties(this);
}

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&, const TWriterProc& WriteData, bool HasData)
{
    if (!HasData || !WriteData)
        return;
    WritePropName(Name);
    WriteData(this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&, const TStreamProc& WriteData,
                                   bool HasData)
{
    if (!HasData || !WriteData)
        return;
    TStringStream Data;
    WriteData(&Data);
    WritePropName(Name);
    WriteBinary(Data.DataString());
}

// ===========================================================================
// TReader
// ===========================================================================

void TReader::ReadSignature()
{
    char S[sizeof Signature];
    FStream->ReadBuffer(S, sizeof S);
    if (std::string(S, sizeof S) != std::string(Signature, sizeof Signature))
        throw EFilerError("Invalid stream format");
}

std::string TReader::ReadStr()
{
    std::int32_t N = 0;
    FStream->ReadBuffer(&N, sizeof N);
    // A length beyond the stream's end is a damaged stream, not a request
    // for that much memory.
    if (N < 0 || N > FStream->Size() - FStream->Position())
        throw EReadError("Stream read error");
    std::string S(static_cast<size_t>(N), '\0');
    if (N)
        FStream->ReadBuffer(S.data(), N);
    return S;
}

TValueType TReader::ReadValue()
{
    unsigned char B = 0;
    FStream->ReadBuffer(&B, 1);
    if (B > vaSet)
        throw EFilerError("Invalid property value");
    return static_cast<TValueType>(B);
}

TValueType TReader::NextValue()
{
    const TValueType V = ReadValue();
    FStream->Seek(-1, soFromCurrent);
    return V;
}

void TReader::CheckValue(TValueType Expected)
{
    if (ReadValue() != Expected)
        throw EFilerError("Invalid property value");
}

std::int64_t TReader::ReadInteger()
{
    switch (ReadValue()) {
    case vaInt: {
        std::int64_t V = 0;
        FStream->ReadBuffer(&V, sizeof V);
        return V;
    }
    case vaFalse:
        return 0;
    case vaTrue:
        return 1;
    default:
        throw EFilerError("Invalid property value");
    }
}

bool TReader::ReadBoolean()
{
    return ReadInteger() != 0;
}

std::string TReader::ReadString()
{
    CheckValue(vaString);
    return ReadStr();
}

std::string TReader::ReadIdent()
{
    switch (ReadValue()) {
    case vaIdent:
        return ReadStr();
    case vaFalse:
        return "False";
    case vaTrue:
        return "True";
    default:
        throw EFilerError("Invalid property value");
    }
}

void TReader::ReadListBegin()
{
    CheckValue(vaList);
    FListItems.push_back(0);
}

bool TReader::EndOfList()
{
    if (NextValue() == vaNull)
        return true;
    if (!FListItems.empty() && ++FListItems.back() > MaxStoredListItems)
        throw EFilerError("List of more than " + std::to_string(MaxStoredListItems) + " values");
    return false;
}

void TReader::ReadListEnd()
{
    CheckValue(vaNull);
    if (!FListItems.empty())
        FListItems.pop_back();
}

std::string TReader::ReadBinary()
{
    CheckValue(vaBinary);
    return ReadStr();
}

std::vector<int> TReader::ReadIntegers()
{
    std::vector<int> Values;
    ReadListBegin();
    while (!EndOfList()) {
        const std::int64_t V = ReadInteger();
        if (V < INT_MIN || V > INT_MAX)
            throw EFilerError("Invalid property value");
        Values.push_back(static_cast<int>(V));
    }
    ReadListEnd();
    return Values;
}

void TReader::SkipValue()
{
    // Without recursion: lists nested a million deep are only bytes.
    int OpenLists = 0;
    do {
        switch (ReadValue()) {
        case vaList:
            ++OpenLists;
            break;
        case vaNull:
            OpenLists = std::max(OpenLists - 1, 0); // a list's end, or a value of its own
            break;
        case vaInt:
            FStream->Seek(sizeof(std::int64_t), soFromCurrent);
            break;
        case vaString:
        case vaIdent:
        case vaBinary:
            ReadStr();
            break;
        case vaSet:
            while (!ReadStr().empty()) {
            }
            break;
        default:
            break;
        }
    } while (OpenLists > 0);
}

void TReader::ReadRootComponent(TComponent* Root)
{
    FRoot = Root;
    ReadSignature();
    ReadStr(); // the class: the root is given
    const std::string Name = ReadStr();
    Root->BeginLoading();
    try {
        try {
            if (!Name.empty() && Name != Root->Name())
                Root->SetName(Name);
            TRestoreScope<TComponent*> Parent(FParent, nullptr);
            FComponents = 0;
            FWindows = 0;
            FListItems.clear();
            FFixups.clear();
            Root->ReadState(this);
            FixupReferences();
        } catch (...) {
            // Loaded runs for what was read however the reading ends; a
            // damaged stream still leaves consistent components behind. The
            // read's own error is the one told.
            try {
                Root->EndLoading();
            } catch (...) {
            }
            throw;
        }
        // A component refusing what it was given only once it has all of
        // it refuses the stream as well.
        Root->EndLoading();
    } catch (const EStreamError&) {
        throw;
    } catch (const Exception& E) {
        // A value a component refuses (bitmap data, a name, a parent) is
        // a damaged stream too, and said so to whoever reads it.
        throw EReadError(E.Message());
    }
}

void TReader::FixupReferences()
{
    // A name that names nothing in the form leaves the reference unset.
    for (const TFixup& F : FFixups) {
        TComponent* C = SameName(F.Name, FRoot->Name()) ? FRoot : FRoot->FindComponent(F.Name);
        if (C)
            F.Prop->SetRef(F.Instance, C);
    }
    FFixups.clear();
}

void TReader::ReadData(TComponent* Instance)
{
    ReadProperty(Instance);
    TRestoreScope<TComponent*> Parent(FParent, Instance);
    TRestoreScope<int> Nesting(FNesting, FNesting + 1);
    for (int Order = 0;; ++Order) {
        const std::string ClassName = ReadStr();
        if (ClassName.empty())
            break;
        if (FNesting >= MaxStoredNesting)
            throw EFilerError("Components nested more than " + std::to_string(MaxStoredNesting) + " deep");
        if (++FComponents > MaxStoredComponents)
            throw EFilerError("More than " + std::to_string(MaxStoredComponents) + " components");
        const std::string Name = ReadStr();
        TComponent* Child = FRoot && !Name.empty() ? FRoot->FindComponent(Name) : nullptr;
        // One already in the form is taken only where it is: taken from
        // elsewhere it could be made its own ancestor.
        if (Child && !HasChild(Instance, Child, FRoot))
            throw EFilerError("Component " + Name + " is not a child of the component being read");
        if (!Child) {
            const auto It = ClassRegistry().find(ClassName);
            if (It == ClassRegistry().end())
                throw EFilerError("Class " + ClassName + " not found");
            Child = It->second(FRoot);
            if (!Name.empty())
                Child->SetName(Name);
        }
        Child->ReadState(this);
        FWindows += Child->StoredWindowCount();
        if (FWindows > MaxStoredWindows)
            throw EFilerError("More than " + std::to_string(MaxStoredWindows) + " windows");
        Instance->SetChildOrder(Child, Order);
    }
}

void TReader::ReadProperty(TPersistent* Instance)
{
    for (std::string Path = ReadStr(); !Path.empty(); Path = ReadStr()) {
        TPersistent* Target = Instance;
        std::string Name = Path;
        // "Object.Property": through the object properties to the owner of
        // the last name.
        for (size_t Dot = Name.find('.'); Dot != std::string::npos; Dot = Name.find('.')) {
            const TPropertyTable* Table = Target ? Target->Properties() : nullptr;
            const TPropInfo* P = Table ? Table->Find(Name.substr(0, Dot)) : nullptr;
            Target = P && P->GetObj ? P->GetObj(Target) : nullptr;
            Name.erase(0, Dot + 1);
        }
        if (!Target)
            throw EFilerError("Property " + Path + " does not exist");
        const TPropertyTable* Table = Target->Properties();
        const TPropInfo* P = Table ? Table->Find(Name) : nullptr;
        if (P && P->SetRef) {
            if (NextValue() == vaNull) {
                ReadValue();
                P->SetRef(Target, nullptr);
            } else {
                FFixups.push_back({Target, P, ReadIdent()});
            }
            continue;
        }
        if (P && P->SetStr) {
            P->SetStr(Target, ReadString());
            continue;
        }
        if (P && P->SetOrd) {
            const TPropOrd V = ReadInteger();
            if (V < P->Bounds.Low || V > P->Bounds.High)
                throw EFilerError("Property " + Path + " value out of range");
            P->SetOrd(Target, V);
            continue;
        }
        TRestoreScope<std::string> Wanted(FPropName, Name);
        TRestoreScope<bool> Read(FPropRead, false);
        Target->DefineProperties(this);
        if (!FPropRead)
            throw EFilerError("Property " + Path + " does not exist");
    }
}

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc&, bool)
{
    if (FPropRead || !ReadData || !SameName(Name, FPropName))
        return;
    FPropRead = true;
    ReadData(this);
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc&, bool)
{
    if (FPropRead || !ReadData || !SameName(Name, FPropName))
        return;
    FPropRead = true;
    TStringStream Data(ReadBinary());
    ReadData(&Data);
}
