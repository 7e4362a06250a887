#pragma once
// Form storage: a writer and a reader of components over a stream format of
// our own. A component is stored as its class name, its name, its
// properties (the published ones by name, then those it defines itself) and
// its children; reading creates the children from registered classes and
// calls Loaded on everything read once the whole stream is in.
//
// Layout: the signature "TSF0", then one component:
//   class name, name (strings), properties (name string and value, ended by
//   an empty name), children (components, ended by an empty class name).
// A string is a 32-bit length and its bytes; a value is a type byte and its
// data (TValueType). Integers are 64-bit little-endian.
#include <functional>
#include <map>
#include <string>
#include <typeinfo>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Streams.h"

enum TValueType : unsigned char {
    vaNull,   // ends a list or a set
    vaList,   // values up to vaNull
    vaInt,    // 64-bit integer
    vaString, // 32-bit length and bytes
    vaIdent,  // an identifier, as a string
    vaFalse,
    vaTrue,
    vaBinary, // 32-bit length and bytes
    vaSet,    // identifiers up to an empty one
};

class TWriter;
struct TPropInfo;

// What one stream may ask the reader for. Real forms stay far below; a
// damaged or hostile stream past them is refused before the work is done.
constexpr int MaxStoredNesting = 64;      // components inside one another
constexpr int MaxStoredComponents = 2000; // in one stream: each may be a window, of 10,000 per process
constexpr int MaxStoredListItems = 4096;  // values in one list
constexpr int MaxStoredWindows = 5000;    // made by one stream's components and their items, leaving the
                                          // rest of the 10,000 a process may own to the program
constexpr int MaxStoredFontHeight = 32767; // pixels of a character either way, past any screen: the system
                                           // lays out and draws text of a font whole, whatever shows of it

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;
using TComponentFactory = std::function<TComponent*(TComponent* Owner)>;

// Components a reader may create, by class name (TObject::ClassName).
void RegisterComponentClass(const std::type_info& Class, TComponentFactory Factory);
template <typename T>
void RegisterComponentClass()
{
    RegisterComponentClass(typeid(T), [](TComponent* Owner) -> TComponent* { return new T(Owner); });
}

class TFiler : public TObject {
public:
    explicit TFiler(TStream* Stream) : FStream(Stream) {}

    TStream* Stream() const { return FStream; }
    TComponent* Root() const { return FRoot; }
    // What the object being written is compared with: values equal to the
    // ancestor's are not written. Null when there is none.
    const TPersistent* Ancestor() const { return FAncestor; }

    // A value stored under Name besides the published properties; a writer
    // calls WriteData when HasData, a reader ReadData when Name is read.
    virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                                bool HasData) = 0;
    virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                      const TStreamProc& WriteData, bool HasData) = 0;

protected:
    TStream* FStream;
    TComponent* FRoot = nullptr;
    const TPersistent* FAncestor = nullptr;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;

    void WriteRootComponent(TComponent* Root, const TComponent* Ancestor = nullptr);
    void WriteComponent(TComponent* Component, const TComponent* Ancestor);
    // Properties of one object: published, then defined ones (no end mark).
    void WriteProperties(const TPersistent* Instance, const TPersistent* Ancestor);

    void WriteSignature();
    void WriteStr(const std::string& S); // a bare string (names)
    void WritePropName(const std::string& Name) { WriteStr(FPrefix + Name); }
    void WriteValue(TValueType Value);
    void WriteInteger(std::int64_t Value);
    void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
    void WriteString(const std::string& Value);
    void WriteIdent(const std::string& Value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WriteBinary(const std::string& Bytes);
    // A list of integers.
    void WriteIntegers(const std::vector<int>& Values);

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

private:
    std::string FPrefix; // "Object." while an object property is written
    const TComponent* FAncestorRoot = nullptr;
};

class EFilerError : public EStreamError { public: using EStreamError::EStreamError; };

class TReader : public TFiler {
public:
    using TFiler::TFiler;

    // Reads into an existing Root: its properties and children; Loaded
    // runs for every component read once the stream is in.
    void ReadRootComponent(TComponent* Root);
    // The component whose children are being read.
    TComponent* Parent() const { return FParent; }
    // Properties up to the end mark, then children up to theirs.
    void ReadData(TComponent* Instance);
    // Properties of one object up to the end mark.
    void ReadProperty(TPersistent* Instance);

    void ReadSignature();
    std::string ReadStr();
    TValueType ReadValue();
    TValueType NextValue();
    std::int64_t ReadInteger();
    bool ReadBoolean();
    std::string ReadString();
    std::string ReadIdent();
    void ReadListBegin();
    // Counts the values of the list against MaxStoredListItems.
    bool EndOfList();
    void ReadListEnd();
    std::string ReadBinary();
    // A list of integers, each within the int range.
    std::vector<int> ReadIntegers();
    void SkipValue();

    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;

private:
    // A reference read by name, set once the whole stream is in.
    struct TFixup {
        TPersistent* Instance;
        const TPropInfo* Prop;
        std::string Name;
    };
    void FixupReferences();
    void ReadComponent(TComponent* Parent, int Order);
    void CheckValue(TValueType Expected);

    TComponent* FParent = nullptr;
    int FNesting = 0;            // components being read inside one another
    int FComponents = 0;         // read from the stream so far
    int FWindows = 0;            // that the components read so far make
    std::vector<int> FListItems; // values seen in each list being read
    std::string FPropName;  // the defined property being looked for
    bool FPropRead = false; // whether DefineProperties read it
    std::vector<TFixup> FFixups;
};
