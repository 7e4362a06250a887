#pragma once
// The abstract ini file: sections of "key=value" lines. Subclasses supply
// the string operations; the typed reads and writes are built on them.

#include "classlib/Classes.h"
#include "classlib/Streams.h"

#include <string>

class EIniFileException : public Exception { public: using Exception::Exception; };

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(std::string AFileName) : FFileName(std::move(AFileName)) {}

    const std::string& FileName() const { return FFileName; }

    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) = 0;
    virtual void WriteString(const std::string& Section, const std::string& Ident,
                             const std::string& Value) = 0;
    // Key names of a section / section names / "key=value" lines of a section.
    virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;
    virtual void ReadSections(TStrings* Strings) = 0;
    virtual void ReadSectionValues(const std::string& Section, TStrings* Strings); // from the two above
    virtual void EraseSection(const std::string& Section) = 0;
    virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
    virtual void UpdateFile() = 0;

    // Decimal or "0x"/"$" hexadecimal; Default for a missing or bad value.
    virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    // Any integer text: non-zero is true; writes "1" or "0".
    virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    // Dates and times in the ISO text form "yyyy-mm-dd", "hh:nn:ss",
    // "yyyy-mm-dd hh:nn:ss" (machine independent); Default for bad text.
    virtual TDateTime ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default);
    virtual TDateTime ReadDateTime(const std::string& Section, const std::string& Ident, TDateTime Default);
    virtual TDateTime ReadTime(const std::string& Section, const std::string& Ident, TDateTime Default);
    virtual void WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value);
    virtual void WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value);
    virtual void WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value);
    // '.' as decimal separator on every machine.
    virtual double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
    virtual void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
    // The value as two hex digits per byte; answers the bytes written to Value
    // (at its position), 0 when the key is missing. Bad hex raises EIniFileException.
    virtual int ReadBinaryStream(const std::string& Section, const std::string& Name, TStream* Value);
    virtual void WriteBinaryStream(const std::string& Section, const std::string& Name, TStream* Value);

    virtual bool SectionExists(const std::string& Section);
    virtual bool ValueExists(const std::string& Section, const std::string& Ident);

private:
    std::string FFileName;
};

// An ini file on disk through the system's profile functions; every write
// goes straight to the file.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(std::string AFileName) : TCustomIniFile(std::move(AFileName)) {}
    ~TIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;
};
