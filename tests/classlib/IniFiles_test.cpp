#include "classlib/IniFiles.h"

#include "testkit/TestFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// The least an ini file must supply: strings in a map, keys in write order.
class TMapIni : public TCustomIniFile {
public:
    TMapIni() : TCustomIniFile("map.ini") {}

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) override
    {
        auto It = FData.find(Section + "\x01" + Ident);
        return It == FData.end() ? Default : It->second;
    }
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override
    {
        FData[Section + "\x01" + Ident] = Value;
    }
    void ReadSection(const std::string& Section, TStrings* Strings) override
    {
        Strings->Clear();
        for (auto& [K, V] : FData)
            if (K.compare(0, Section.size() + 1, Section + "\x01") == 0)
                Strings->Add(K.substr(Section.size() + 1));
    }
    void ReadSections(TStrings*) override {}
    void ReadSectionValues(const std::string&, TStrings*) override {}
    void EraseSection(const std::string&) override {}
    void DeleteKey(const std::string& Section, const std::string& Ident) override
    {
        FData.erase(Section + "\x01" + Ident);
    }
    void UpdateFile() override {}

    std::map<std::string, std::string> FData;
};

TEST(IniFilesBase, TypedReadsOverStrings)
{
    TMapIni Ini;
    struct IntCase {
        const char* Text;
        int Want;
    } Ints[] = {
        {"42", 42}, {"-7", -7}, {"0x1F", 31}, {"0X10", 16}, {"$FF", 255}, {"abc", -1}, {"", -1}, {"4 2", -1},
    };
    for (const IntCase& C : Ints) {
        Ini.WriteString("S", "I", C.Text);
        EXPECT_EQ(Ini.ReadInteger("S", "I", -1), C.Want) << C.Text;
    }
    EXPECT_EQ(Ini.ReadInteger("S", "missing", 9), 9);
    Ini.WriteInteger("S", "I", -12);
    EXPECT_EQ(Ini.FData["S\x01I"], "-12");

    struct BoolCase {
        const char* Text;
        bool Default, Want;
    } Bools[] = {
        {"1", false, true}, {"0", true, false}, {"2", false, true}, {"yes", true, true}, {"yes", false, false},
    };
    for (const BoolCase& C : Bools) {
        Ini.WriteString("S", "B", C.Text);
        EXPECT_EQ(Ini.ReadBool("S", "B", C.Default), C.Want) << C.Text;
    }
    Ini.WriteBool("S", "B", true);
    EXPECT_EQ(Ini.FData["S\x01" "B"], "1");
    Ini.WriteBool("S", "B", false);
    EXPECT_EQ(Ini.FData["S\x01" "B"], "0");

    Ini.WriteFloat("S", "F", 2.5);
    EXPECT_EQ(Ini.FData["S\x01" "F"], "2.5");
    EXPECT_EQ(Ini.ReadFloat("S", "F", 0), 2.5);
    Ini.WriteString("S", "F", "2,5");
    EXPECT_EQ(Ini.ReadFloat("S", "F", -1), -1);

    const TDateTime When = EncodeDateTime(2019, 7, 8, 9, 10, 11, 0);
    Ini.WriteDateTime("S", "DT", When);
    EXPECT_EQ(Ini.FData["S\x01" "DT"], "2019-07-08 09:10:11");
    EXPECT_EQ(Ini.ReadDateTime("S", "DT", 0), When);
    EXPECT_EQ(Ini.ReadDate("S", "DT", 0), EncodeDate(2019, 7, 8));
    EXPECT_EQ(DateTimeToIsoStr(Ini.ReadTime("S", "DT", 0)), "1899-12-30 09:10:11");
    Ini.WriteDate("S", "D", When);
    EXPECT_EQ(Ini.FData["S\x01" "D"], "2019-07-08");
    Ini.WriteTime("S", "T", When);
    EXPECT_EQ(Ini.FData["S\x01" "T"], "09:10:11");
    Ini.WriteString("S", "DT", "not a date");
    EXPECT_EQ(Ini.ReadDateTime("S", "DT", 1.5), 1.5);

    EXPECT_TRUE(Ini.SectionExists("S"));
    EXPECT_FALSE(Ini.SectionExists("Other"));
    EXPECT_TRUE(Ini.ValueExists("S", "dt"));
    EXPECT_FALSE(Ini.ValueExists("S", "nope"));
}

TEST(IniFilesBase, BinaryStreamsAsHexText)
{
    TMapIni Ini;
    TStringStream In(std::string("\x00\x01\xAB\xFFz", 5));
    In.SetPosition(1); // from the current position on
    Ini.WriteBinaryStream("Bin", "V", &In);
    EXPECT_EQ(Ini.FData["Bin\x01V"], "01ABFF7A");

    TMemoryStream Out;
    Out.WriteString("<");
    EXPECT_EQ(Ini.ReadBinaryStream("Bin", "V", &Out), 4);
    EXPECT_EQ(std::string(static_cast<const char*>(Out.Memory()), 5), "<\x01\xAB\xFFz");
    EXPECT_EQ(Ini.ReadBinaryStream("Bin", "missing", &Out), 0);
    for (const char* Bad : {"0G", "ABC"}) {
        Ini.WriteString("Bin", "V", Bad);
        EXPECT_THROW(Ini.ReadBinaryStream("Bin", "V", &Out), EIniFileException) << Bad;
    }
}

TEST(IniFilesProfile, ReadsAndWritesTheFile)
{
    TTestFolder Dir("ini");
    const std::string Path = Dir.File("t.ini");
    {
        TFileStream F(Path, fmCreate);
        F.WriteString("[Main]\r\nName=Tess\r\nCount=0x20\r\n[Other]\r\nA=1\r\n");
    }
    TIniFile Ini(Path);
    EXPECT_EQ(Ini.ReadString("Main", "Name", "?"), "Tess");
    EXPECT_EQ(Ini.ReadInteger("Main", "Count", 0), 32);
    EXPECT_EQ(Ini.ReadString("Main", "None", "dflt"), "dflt");
    TStringList L;
    Ini.ReadSections(&L);
    EXPECT_EQ(L.CommaText(), "Main,Other");
    Ini.ReadSectionValues("Main", &L);
    EXPECT_EQ(L.CommaText(), "Name=Tess,Count=0x20");
    Ini.WriteString("Main", "Name", std::string(3000, 'x')); // longer than the first buffer
    EXPECT_EQ(Ini.ReadString("Main", "Name", "").size(), 3000u);
    Ini.DeleteKey("Main", "Count");
    EXPECT_FALSE(Ini.ValueExists("Main", "Count"));
    Ini.EraseSection("Other");
    EXPECT_FALSE(Ini.SectionExists("Other"));
    Ini.UpdateFile();
}

} // namespace
