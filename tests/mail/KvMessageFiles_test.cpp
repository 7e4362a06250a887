#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "foundation/KvFiles.h"
#include "mail/KvMessageFiles.h"
#include "testkit/TestFolder.h"

namespace {

TEST(KvMessageFiles, NamesForAMessageInAFolder)
{
    const std::string folder = "C:\\out";
    const std::string deep = "C:\\" + std::string(200, 'd');
    const struct {
        std::string Folder, Header, Ext;
        bool Digest;
        std::string Name;
    } cases[] = {
        {folder, "Subject: Hello\r\n\r\n", "eml", false, folder + "\\Hello.eml"},
        {folder, "Subject: a/b: c?\r\n\r\n", "txt", false, folder + "\\a-b- c.txt"},
        {folder, "Subject: x\r\n\r\n", "", false, folder + "\\x"},
        {folder, "Message-ID: <m@x>\r\n\r\n", "eml", true, folder + "\\" + std::string("902e9bbccc50873dda43b3d3255eafca") + ".eml"},
        // Cut so that the path and a "[n]" stay below MAX_PATH, never to end in a blank.
        {deep, "Subject: " + std::string(44, 'w') + " " + std::string(40, 'v') + "\r\n\r\n", "eml", false,
         deep + "\\" + std::string(44, 'w') + ".eml"},
        // One character more than the path takes with the room for "[n]".
        {folder, "Subject: " + std::string(243, 'p') + "\r\n\r\n", "eml", false,
         folder + "\\" + std::string(242, 'p') + ".eml"},
    };
    for (const auto& c : cases) {
        std::string base;
        EXPECT_EQ(TMessageFiles::NameFor(c.Folder, c.Header, c.Header, c.Digest, c.Ext, base), c.Name) << c.Header;
    }
    EXPECT_EQ(AttachedMessageFileName(""), "Attached Email.eml");
    EXPECT_EQ(AttachedMessageFileName(std::string(80, 's')), std::string(73, 's') + "....eml");
}

TEST(KvMessageFiles, SavingNumbersPastTakenNamesAndFindsTheSameBytes)
{
    TTestFolder dir("msgfiles");
    TMessageFiles files;
    const auto save = [&](const std::string& Bytes) {
        return [&, Bytes](const std::string& Name, unsigned long& Error) {
            return WriteBufferToNewFile(Bytes.data(), Bytes.size(), Name, 0, &Error);
        };
    };
    std::vector<std::string> names;
    for (const char* bytes : {"one", "two", "three"}) {
        std::string name = dir.File("m.eml");
        unsigned long error = 0;
        if (save(bytes)(name, error) == TNewFileOutcome::Exists) {
            EXPECT_EQ(files.SaveNumbered(dir.Path(), name, save(bytes), error), TNewFileOutcome::Written);
        }
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{dir.File("m.eml"), dir.File("m[1].eml"), dir.File("m[2].eml")}));
    EXPECT_EQ(TTestFolder::Read(dir.File("m[2].eml")), "three");
    EXPECT_TRUE(TMessageFiles::WrittenBefore(dir.File("m.eml"), "two", nullptr));
    EXPECT_FALSE(TMessageFiles::WrittenBefore(dir.File("m.eml"), "tw", nullptr));
    EXPECT_TRUE(TMessageFiles::WrittenBefore(dir.File("m.eml"), "", [](const TPieceSink& Sink) {
        return Sink("th") && Sink("ree");
    }));
}

}  // namespace
