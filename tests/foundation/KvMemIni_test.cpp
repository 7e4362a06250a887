#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "classlib/Classes.h"
#include "foundation/KvMemIni.h"
#include "testkit/TestFolder.h"

namespace {

const char* const SampleIni =
    "\xEF\xBB\xBForphan=1\r\n"
    "[Main]\r\n"
    "  Width  =  640  \r\n"
    "; a comment\r\n"
    "\r\n"
    "Title=\"Quoted\"\r\n"
    "BareLine\r\n"
    "Width=800\r\n"
    "[ Extra ]\r\n"
    "a=1\r\n"
    "[main]\r\n"
    "Height=480\r\n";

}  // namespace

TEST(KvMemIniTest, LoadsTrimsAndWritesBackWithoutComments)
{
    TTestFolder Dir("KvMemIni");
    const std::string File = Dir.Write("a.ini", SampleIni);
    {
        TMemIniFile Ini(File);
        struct {
            const char* Section;
            const char* Ident;
            const char* Expected;
        } Cases[] = {
            {"Main", "Width", "640"},        // first of two lines with that key, trimmed
            {"MAIN", "width", "640"},        // sections and keys in any case
            {"Main", "Title", "\"Quoted\""}, // stored quotes stay
            {"Extra", "a", "1"},             // the section name is trimmed
            {"Main", "Height", "dflt"},      // the repeated section is not searched
            {"Main", "BareLine", "dflt"},    // a line without "=" holds no value
            {"Main", "orphan", "dflt"},      // lines before the first section are dropped
            {"None", "x", "dflt"},
        };
        for (const auto& C : Cases)
            EXPECT_EQ(Ini.ReadString(C.Section, C.Ident, "dflt"), C.Expected)
                << C.Section << "/" << C.Ident;

        TStringList List;
        Ini.ReadSections(&List);
        EXPECT_EQ(List.Text(), "Main\r\nExtra\r\nmain\r\n");
        Ini.ReadSection("main", &List);
        EXPECT_EQ(List.Text(), "Width\r\nTitle\r\nBareLine\r\nWidth\r\n");
        Ini.ReadSectionValues("Main", &List);
        EXPECT_EQ(List.Text(), "Width=640\r\nTitle=\"Quoted\"\r\nBareLine\r\nWidth=800\r\n");
        Ini.ReadSections("ma", &List);
        EXPECT_EQ(List.Text(), "Main\r\nmain\r\n");
        EXPECT_FALSE(Ini.Modified());
    }
    // Nothing changed: the destruction leaves the file as it was.
    EXPECT_EQ(TTestFolder::Read(File), SampleIni);

    TMemIniFile Ini(File);
    Ini.WriteString("Extra", "b", "2");
    EXPECT_TRUE(Ini.Modified());
    Ini.UpdateFile();
    EXPECT_FALSE(Ini.Modified());
    EXPECT_EQ(TTestFolder::Read(File),
              "[Main]\r\nWidth=640\r\nTitle=\"Quoted\"\r\nBareLine\r\nWidth=800\r\n\r\n"
              "[Extra]\r\na=1\r\nb=2\r\n\r\n"
              "[main]\r\nHeight=480\r\n\r\n");
}

TEST(KvMemIniTest, ByteOrderMarkBeforeTheFirstHeader)
{
    TTestFolder Dir("KvMemIni");
    TMemIniFile Ini(Dir.Write("bom.ini", "\xEF\xBB\xBF[S]\nk=v\n[T]\n\xEF\xBB\xBFx=1\n"));
    EXPECT_EQ(Ini.ReadString("S", "k", ""), "v");
    // Only the file's first bytes are a byte-order mark; elsewhere they are text.
    EXPECT_EQ(Ini.ReadString("T", "x", "none"), "none");
    EXPECT_EQ(Ini.ReadString("T", "\xEF\xBB\xBFx", "none"), "1");
}

TEST(KvMemIniTest, DefaultLosesOnePairOfQuotes)
{
    TMemIniFile Ini("");
    struct {
        const char* Default;
        const char* Expected;
    } Cases[] = {
        {"\"abc\"", "abc"}, {"\"\"", ""},    {"\"", "\""},       {"\"a", "\"a"},
        {"a\"", "a\""},     {"plain", "plain"}, {"\"\"x\"\"", "\"x\""}, {"", ""},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Ini.ReadString("S", "Missing", C.Default), C.Expected) << C.Default;
}

TEST(KvMemIniTest, WritesEraseAndDeleteChangeTheFile)
{
    TTestFolder Dir("KvMemIni");
    const std::string File = Dir.Write("b.ini", "[A]\r\nk=1\r\nK=2\r\n[B]\r\nx=1\r\n[A]\r\nk=3\r\n");
    {
        TMemIniFile Ini(File);
        Ini.DeleteKey("A", "missing");
        Ini.DeleteKey("missing", "k");
        Ini.EraseSection("missing");
        EXPECT_FALSE(Ini.Modified()) << "nothing found, nothing changed";

        Ini.WriteString("a", "K", "one");   // replaces the first "k" line only
        Ini.WriteString("New", "n", "v");   // a new section goes to the end
        Ini.DeleteKey("B", "X");
        Ini.EraseSection("a");              // only the first [A] goes
        EXPECT_TRUE(Ini.Modified());
        EXPECT_EQ(Ini.ReadString("A", "k", "-"), "3");
        EXPECT_EQ(Ini.GetText(), "[B]\r\n\r\n[A]\r\nk=3\r\n\r\n[New]\r\nn=v\r\n\r\n");
    }
    // Destroyed while modified: the file holds the changes.
    EXPECT_EQ(TTestFolder::Read(File), "[B]\r\n\r\n[A]\r\nk=3\r\n\r\n[New]\r\nn=v\r\n\r\n");

    TMemIniFile Ini(File);
    TStringList Values;
    Values.SetText("p=1\r\nbare\r\nq=a=b\r\n");
    Ini.WriteSectionValues("A", &Values, false);
    EXPECT_EQ(Ini.GetText(), "[B]\r\n\r\n[A]\r\nk=3\r\np=1\r\nbare=\r\nq=a=b\r\n\r\n[New]\r\nn=v\r\n\r\n");
    Ini.WriteSectionValues("A", &Values, true);
    EXPECT_EQ(Ini.GetText(), "[B]\r\n\r\n[New]\r\nn=v\r\n\r\n[A]\r\np=1\r\nbare=\r\nq=a=b\r\n\r\n");
    EXPECT_EQ(Ini.ReadString("A", "q", ""), "a=b");
}

TEST(KvMemIniTest, ReadOnlyKeepsChangesInMemoryOnly)
{
    TTestFolder Dir("KvMemIni");
    const std::string Original = "[S]\r\nk=1\r\n";
    const std::string File = Dir.Write("c.ini", Original);
    {
        TMemIniFile Ini(File, true);
        Ini.WriteString("S", "k", "2");
        Ini.WriteString("T", "x", "y");
        EXPECT_EQ(Ini.ReadString("S", "k", ""), "2");
        EXPECT_FALSE(Ini.Modified());
        Ini.UpdateFile();
    }
    EXPECT_EQ(TTestFolder::Read(File), Original);
}

TEST(KvMemIniTest, MissingFileStartsEmptyAndIsCreatedOnSave)
{
    TTestFolder Dir("KvMemIni");
    const std::string File = Dir.File("new.ini");
    {
        TMemIniFile Ini(File);
        TStringList List;
        Ini.ReadSections(&List);
        EXPECT_EQ(List.Count(), 0);
        EXPECT_EQ(GetFileAttributesA(File.c_str()), INVALID_FILE_ATTRIBUTES);
        Ini.WriteString("S", "k", "v");
    }
    EXPECT_EQ(TTestFolder::Read(File), "[S]\r\nk=v\r\n\r\n");

    // A save that cannot happen is not taken for done.
    TMemIniFile Lost(Dir.File("no such folder\\x.ini"));
    Lost.WriteString("S", "k", "v");
    Lost.UpdateFile();
    EXPECT_TRUE(Lost.Modified());
}

TEST(KvMemIniTest, TypedReadsGoThroughTheStrings)
{
    TTestFolder Dir("KvMemIni");
    const std::string File = Dir.Write("d.ini", "[S]\r\nn = 42\r\nb=1\r\nh=0x1F\r\n");
    TMemIniFile Ini(File, true);
    EXPECT_EQ(Ini.ReadInteger("S", "n", 0), 42);
    EXPECT_EQ(Ini.ReadInteger("S", "h", 0), 31);
    EXPECT_EQ(Ini.ReadInteger("S", "missing", 7), 7);
    EXPECT_TRUE(Ini.ReadBool("S", "b", false));
    EXPECT_TRUE(Ini.ValueExists("S", "N"));
    EXPECT_FALSE(Ini.ValueExists("S", "x"));
    EXPECT_TRUE(Ini.SectionExists("s"));
}
