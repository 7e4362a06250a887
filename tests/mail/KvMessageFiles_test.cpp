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
    const std::string short246 = "C:\\" + std::string(243, 's');
    const std::string long247 = "C:\\" + std::string(244, 'l');
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
        // The last folder length under the short limit leaves two characters;
        // one more and the long limit holds the whole name.
        {short246, "Subject: abcdef\r\n\r\n", "eml", false, short246 + "\\ab.eml"},
        {long247, "Subject: abcdef\r\n\r\n", "eml", false, long247 + "\\abcdef.eml"},
        // Under the long limit a name stays within 255 characters, "[n]" included.
        {long247, "Subject: " + std::string(246, 'n') + "\r\n\r\n", "eml", false,
         long247 + "\\" + std::string(245, 'n') + ".eml"},
        // A cut that leaves only blanks and dots names the message as one without a subject.
        {folder, "Subject: " + std::string(300, '.') + "b\r\n\r\n", "eml", false, folder + "\\NoName.eml"},
    };
    for (const auto& c : cases) {
        std::string base;
        EXPECT_EQ(TMessageFiles::NameFor(c.Folder, c.Header, c.Header, c.Digest, c.Ext, base), c.Name) << c.Header;
    }
    EXPECT_EQ(AttachedMessageFileName(""), "Attached Email.eml");
    EXPECT_EQ(AttachedMessageFileName(std::string(80, 's')), std::string(73, 's') + "....eml");
    EXPECT_EQ(AttachedMessageFileName(std::string(75, 's')), std::string(75, 's') + ".eml");
    EXPECT_EQ(AttachedMessageFileName(std::string(76, 's')), std::string(73, 's') + "....eml");
    EXPECT_EQ(AttachedMessageFileName("a:b"), "a-b.eml");

    // A giant subject line is read only as far as a name needs; the lines
    // after it stay whole.
    const std::string line(9000, 'x');
    EXPECT_EQ(MessageNameHeader("X: 1\r\nSubject: " + line + "\r\nDate: d\r\n\r\nbody", 0),
              "X: 1\r\n" + ("Subject: " + line).substr(0, 8192) + "\r\nDate: d\r\n");
    EXPECT_EQ(MessageFileTime("Subject: x\r\n\r\n"), 0);
    EXPECT_DOUBLE_EQ(MessageFileTime("Date: Mon, 1 Jan 2001 10:00:00 +0000\r\n\r\n"),
                     EncodeDateTime(2001, 1, 1, 10, 0, 0, 0));
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
        // As a run does: a name found taken is compared, then numbered;
        // the files it numbers are known to the next compare unread.
        if (save(bytes)(name, error) == TNewFileOutcome::Exists) {
            EXPECT_FALSE(files.WrittenBefore(name, bytes, nullptr));
            EXPECT_EQ(files.SaveNumbered(dir.Path(), name, save(bytes), error), TNewFileOutcome::Written);
        }
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{dir.File("m.eml"), dir.File("m[1].eml"), dir.File("m[2].eml")}));
    EXPECT_EQ(TTestFolder::Read(dir.File("m[2].eml")), "three");
    EXPECT_TRUE(files.WrittenBefore(dir.File("m.eml"), "two", nullptr));
    EXPECT_FALSE(files.WrittenBefore(dir.File("m.eml"), "tw", nullptr));
    EXPECT_TRUE(files.WrittenBefore(dir.File("m.eml"), "", [](const TPieceSink& Sink) {
        return Sink("th") && Sink("ree");
    }));
    // A message whose pieces could not all be read is not the file's.
    EXPECT_FALSE(files.WrittenBefore(dir.File("m.eml"), "", [](const TPieceSink& Sink) {
        Sink("three");
        return false;
    }));
    // A file holding more than the message is another message.
    EXPECT_FALSE(files.WrittenBefore(dir.File("m.eml"), "", [](const TPieceSink& Sink) { return Sink("th"); }));
    // The search ends at the first number missing.
    DeleteFileA(dir.File("m[1].eml").c_str());
    EXPECT_FALSE(TMessageFiles().WrittenBefore(dir.File("m.eml"), "three", nullptr));

    // Once cleared, numbering looks at the folder again and takes the free number.
    files.Clear();
    std::string name = dir.File("m.eml");
    unsigned long error = 0;
    EXPECT_EQ(files.SaveNumbered(dir.Path(), name, save("four"), error), TNewFileOutcome::Written);
    EXPECT_EQ(name, dir.File("m[1].eml"));

    // Files past the read step compare whole, to their last byte.
    std::string big(70000, 'b');
    ASSERT_TRUE(TTestFolder::Put(dir.File("big.eml"), big));
    EXPECT_TRUE(files.WrittenBefore(dir.File("big.eml"), big, nullptr));
    EXPECT_TRUE(files.WrittenBefore(dir.File("big.eml"), "", [&](const TPieceSink& Sink) { return Sink(big); }));
    big.back() = 'c';
    EXPECT_FALSE(files.WrittenBefore(dir.File("big.eml"), big, nullptr));
    EXPECT_FALSE(files.WrittenBefore(dir.File("big.eml"), "", [&](const TPieceSink& Sink) { return Sink(big); }));
}

// A folder in the way ends the numbering, and so does a name past the path limit.
TEST(KvMessageFiles, NumberingStopsAtAFolderOrThePathLimit)
{
    TTestFolder dir("msgfolders");
    TMessageFiles files;
    unsigned long error = 0;
    int calls = 0;
    const auto taken = [&](const std::string&, unsigned long&) {
        ++calls;
        return TNewFileOutcome::Exists;
    };
    ASSERT_TRUE(CreateDirectoryA(dir.File("f.eml").c_str(), nullptr));
    std::string name = dir.File("f.eml");
    EXPECT_EQ(files.SaveNumbered(dir.Path(), name, taken, error), TNewFileOutcome::Failed);
    EXPECT_EQ(error, static_cast<unsigned long>(ERROR_FILE_EXISTS));
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(CreateDirectoryA(dir.File("g[2].eml").c_str(), nullptr));
    name = dir.File("g.eml");
    error = 0;
    EXPECT_EQ(files.SaveNumbered(dir.Path(), name, taken, error), TNewFileOutcome::Failed);
    EXPECT_EQ(name, dir.File("g[2].eml"));
    EXPECT_EQ(error, static_cast<unsigned long>(ERROR_FILE_EXISTS));

    // In a folder of 246 characters "nnnnn[9].eml" fits below MAX_PATH, "[10]"
    // does not, nor a name of six characters with "[1]".
    const std::string folder = "C:\\" + std::string(243, 's');
    for (const auto& [base, tries] : {std::pair<std::string, int>{"nnnnn", 9}, {"nnnnnn", 0}}) {
        calls = 0;
        name = folder + "\\" + base + ".eml";
        EXPECT_EQ(files.SaveNumbered(folder, name, taken, error), TNewFileOutcome::Failed) << base;
        EXPECT_EQ(calls, tries) << base;
        EXPECT_EQ(error, static_cast<unsigned long>(ERROR_FILENAME_EXCED_RANGE)) << base;
    }
}

}  // namespace
