#include "classlib/Registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A key of our own under HKCU, removed before and after.
class RegistryTest : public ::testing::Test {
protected:
    const std::string Base = "Software\\TessalyTest\\Core" + std::to_string(GetCurrentProcessId());
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        Clean();
        // The shared parent goes only when no other test keeps a key there.
        TRegistry R;
        if (R.OpenKey("\\Software\\TessalyTest", false) && !R.HasSubKeys()) {
            R.CloseKey();
            R.DeleteKey("\\Software\\TessalyTest");
        }
    }
    void Clean()
    {
        TRegistry R;
        R.DeleteKey("\\" + Base);
    }
};

TEST_F(RegistryTest, KeysValuesAndTypes)
{
    TRegistry R;
    EXPECT_EQ(R.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(R.OpenKey(Base, false));
    ASSERT_TRUE(R.OpenKey(Base, true));
    EXPECT_EQ(R.CurrentPath(), Base);

    const std::string Bin("\x00\x01\xFF", 3);
    R.WriteString("Str", "hello");
    R.WriteExpandString("Exp", "%TEMP%\\x");
    R.WriteInteger("Int", -2);
    R.WriteBool("Flag", true);
    R.WriteBinaryData("Bin", Bin.data(), 3);
    R.WriteString("Empty", "");

    EXPECT_EQ(R.ReadString("Str"), "hello");
    EXPECT_EQ(R.ReadString("Exp"), "%TEMP%\\x"); // not expanded
    EXPECT_EQ(R.ReadString("Empty"), "");
    EXPECT_EQ(R.ReadString("Missing"), "");
    EXPECT_EQ(R.ReadInteger("Int"), -2);
    EXPECT_TRUE(R.ReadBool("Flag"));
    EXPECT_EQ(R.ReadBinaryData("Bin"), Bin);
    char Small[2];
    EXPECT_THROW(R.ReadBinaryData("Bin", Small, 2), ERegistryException);
    char Fits[8];
    EXPECT_EQ(R.ReadBinaryData("Bin", Fits, 8), 3);

    struct TypeCase {
        const char* Name;
        TRegDataType Type;
        int Size;
    } Types[] = {
        {"Str", rdString, 6}, {"Exp", rdExpandString, 9}, {"Int", rdInteger, 4}, {"Bin", rdBinary, 3},
        {"Missing", rdUnknown, -1},
    };
    for (const TypeCase& C : Types) {
        EXPECT_EQ(R.GetDataType(C.Name), C.Type) << C.Name;
        EXPECT_EQ(R.GetDataSize(C.Name), C.Size) << C.Name;
    }
    try {
        R.ReadInteger("Str");
        FAIL();
    } catch (const ERegistryException& E) {
        EXPECT_EQ(E.Message(), "Invalid data type for 'Str'");
    }
    EXPECT_THROW(R.ReadString("Int"), ERegistryException);
    EXPECT_THROW(R.ReadBinaryData("Str"), ERegistryException);
    EXPECT_THROW(R.ReadInteger("Missing"), ERegistryException);

    TStringList Names;
    R.GetValueNames(&Names);
    Names.Sort();
    EXPECT_EQ(Names.CommaText(), "Bin,Empty,Exp,Flag,Int,Str");
    EXPECT_TRUE(R.DeleteValue("Flag"));
    EXPECT_FALSE(R.ValueExists("Flag"));
    EXPECT_FALSE(R.DeleteValue("Flag"));

    // Relative keys go below the open one, absolute ones from the root.
    EXPECT_FALSE(R.HasSubKeys());
    ASSERT_TRUE(R.OpenKey("Sub\\Deeper", true));
    EXPECT_EQ(R.CurrentPath(), Base + "\\Sub\\Deeper");
    R.WriteString("Leaf", "x");
    ASSERT_TRUE(R.OpenKey("\\" + Base, false));
    EXPECT_TRUE(R.HasSubKeys());
    EXPECT_TRUE(R.KeyExists("Sub\\Deeper"));
    EXPECT_TRUE(R.KeyExists("\\" + Base + "\\Sub"));
    R.CreateKey("Second");
    TStringList Keys;
    R.GetKeyNames(&Keys);
    Keys.Sort();
    EXPECT_EQ(Keys.CommaText(), "Second,Sub");
    EXPECT_TRUE(R.DeleteKey("Sub")); // with its sub-keys
    EXPECT_FALSE(R.KeyExists("Sub"));
    R.CloseKey();
    EXPECT_EQ(R.CurrentPath(), "");

    TRegistry ReadOnly;
    ASSERT_TRUE(ReadOnly.OpenKeyReadOnly(Base));
    EXPECT_EQ(ReadOnly.ReadString("Str"), "hello");
    EXPECT_THROW(ReadOnly.WriteString("Str", "no"), ERegistryException);
}

TEST_F(RegistryTest, IniFileOverTheRegistry)
{
    {
        TRegistryIniFile Ini(Base);
        Ini.WriteString("Window", "Title", "Main");
        Ini.WriteInteger("Window", "Left", 120);
        Ini.WriteBool("Window", "Max", true);
        Ini.WriteString("Paths", "Last", "C:\\mail");
        EXPECT_EQ(Ini.ReadString("Window", "Title", "?"), "Main");
        EXPECT_EQ(Ini.ReadString("Window", "Left", "?"), "120"); // a DWORD read as text
        EXPECT_EQ(Ini.ReadInteger("Window", "Left", 0), 120);
        EXPECT_EQ(Ini.ReadInteger("Window", "Title", -1), -1);
        EXPECT_TRUE(Ini.ReadBool("Window", "Max", false));
        EXPECT_EQ(Ini.ReadString("Window", "None", "dflt"), "dflt");
        EXPECT_EQ(Ini.ReadString("NoSection", "None", "dflt"), "dflt");

        TStringList L;
        Ini.ReadSections(&L);
        L.Sort();
        EXPECT_EQ(L.CommaText(), "Paths,Window");
        Ini.ReadSectionValues("Paths", &L);
        EXPECT_EQ(L.CommaText(), "Last=C:\\mail");
        EXPECT_TRUE(Ini.ValueExists("Window", "Left"));
        Ini.DeleteKey("Window", "Left");
        EXPECT_FALSE(Ini.ValueExists("Window", "Left"));
        Ini.EraseSection("Paths");
        EXPECT_FALSE(Ini.SectionExists("Paths"));
        EXPECT_TRUE(Ini.SectionExists("Window"));
    }
    // Stored where a plain registry reader finds it.
    TRegistry R;
    ASSERT_TRUE(R.OpenKeyReadOnly(Base + "\\Window"));
    EXPECT_EQ(R.ReadString("Title"), "Main");
    EXPECT_EQ(R.ReadString("Max"), "1");

    // A read-only store does not create its key.
    TRegistryIniFile Absent(Base + "\\Nope", KEY_READ);
    EXPECT_EQ(Absent.ReadString("S", "K", "d"), "d");
    EXPECT_FALSE(R.KeyExists("\\" + Base + "\\Nope"));
}

} // namespace
