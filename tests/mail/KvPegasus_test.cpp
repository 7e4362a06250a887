#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "mail/KvMailFolders.h"
#include "mail/KvPegasus.h"

namespace {

// A store with two trays: "My mailbox" on top, "Work" below it, "Projects"
// below "Work", and lines that must not read.
const char Hierarchy[] =
    "0,0,\"TOP0001:My mailbox\",\"\",\"My mailbox\"\r\n"
    "1,1,\"FOL0002:Work\",\"My mailbox:x\",\"Work\"\r\n"
    "2,1,\"FOL0003\",\"FOL0002:y\",\"Projects, old\"\r\n"
    "1,1,\"FOL0004\",\"NOSUCH:z\",\"Orphan\"\r\n"
    "1,1,\"FOL0005\",\"FOL0006\",\"Under nameless\"\r\n"
    "1,1,\"FOL0006\",\"My mailbox\",\"\"\r\n"
    "x,1,\"FOL0007\",\"\",\"Bad level\"\r\n"
    "1,1,\"\",\"\",\"Empty key\"\r\n"
    "\r\n";

class KvPegasusStore : public ::testing::Test {
protected:
    TTestFolder Dir{"pegasus"};
    void SetUp() override { SaveStringToFile(Dir.File("HIERARCH.PM"), Hierarchy); }
};

TEST_F(KvPegasusStore, ItemsAreKeyedAndUnreadableLinesDropped)
{
    TPmHierarch h(Dir.File("HIERARCH.PM"));
    ASSERT_EQ(6, h.Count());
    const struct {
        const char* Key;
        int Level;
        const char* Id;
        const char* Rest;
        const char* ParentId;
        const char* Name;
    } cases[] = {
        {"My mailbox", 0, "TOP0001", "My mailbox", "", "My mailbox"},
        {"FOL0002", 1, "FOL0002", "Work", "My mailbox", "Work"},
        {"FOL0003", 2, "FOL0003", "", "FOL0002", "Projects, old"},
        {"FOL0006", 1, "FOL0006", "", "My mailbox", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Key);
        const TPmHierarchItem* item = h.Find(c.Key);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(c.Level, item->Level);
        EXPECT_EQ(c.Id, item->Id);
        EXPECT_EQ(c.Rest, item->Rest);
        EXPECT_EQ(c.ParentId, item->ParentId);
        EXPECT_EQ(c.Name, item->DisplayName);
    }
    EXPECT_EQ(nullptr, h.Find("FOL0007"));
    EXPECT_EQ(nullptr, h.Find("TOP0001"));  // level 0 goes by its rest
}

TEST_F(KvPegasusStore, FolderPathsFollowTheParents)
{
    TPmHierarch h(Dir.File("HIERARCH.PM"));
    const struct {
        const char* Key;
        const char* Path;
    } cases[] = {
        {"FOL0003", "My mailbox/Work/Projects, old"},
        {"FOL0002", "My mailbox/Work"},
        {"FOL0004", "Orphan"},            // parent not in the file
        {"FOL0005", "Under nameless"},    // parent without a name
        {"NOPE", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Path, PegasusFolderPath(h, c.Key, "/")) << c.Key;
}

TEST_F(KvPegasusStore, FolderNamesOfMailboxFiles)
{
    const struct {
        const char* File;
        const char* Name;
    } cases[] = {
        {"FOL0003.PMM", "My mailbox\\Work\\Projects, old"},
        {"fol0002.pmm", "My mailbox\\Work"},
        {"NEWMAIL.CNM", "My mailbox\\New mail"},
        {"UNKNOWN.PMM", ""},
    };
    const int loadsBefore = PegasusHierarchyLoads();
    for (const auto& c : cases)
        EXPECT_EQ(c.Name, PegasusFolderName(Dir.File(c.File), "\\")) << c.File;
    // One folder, one read of its hierarchy file.
    EXPECT_EQ(loadsBefore + 1, PegasusHierarchyLoads());

    // The folder-name hook of the message objects reaches the same names.
    ASSERT_NE(nullptr, GPegasusFolderNameHook);
    std::string location;
    std::string name;
    GetFolderLocationAndName(Dir.File("FOL0003.PMM"), mbkPegasusPlain, location, name);
    EXPECT_EQ("My mailbox\\Work\\Projects, old", name);
}

TEST(KvPegasus, FoldersWithoutOrWithUnnamedHierarchy)
{
    TTestFolder none("pegasus_none");
    EXPECT_EQ("", PegasusFolderName(none.File("FOL0001.PMM"), "\\"));

    TTestFolder bare("pegasus_bare");
    SaveStringToFile(bare.File("HIERARCH.PM"), "1,1,\"FOL0001\",\"\",\"\"\r\n");
    EXPECT_EQ("New mail", PegasusFolderName(bare.File("X.CNM"), "\\"));

    // A ring of parents ends instead of running forever.
    TTestFolder ring("pegasus_ring");
    SaveStringToFile(ring.File("HIERARCH.PM"),
                     "1,1,\"A\",\"B\",\"Alpha\"\r\n1,1,\"B\",\"A\",\"Beta\"\r\n");
    const std::string path = PegasusFolderName(ring.File("A.PMM"), "/");
    EXPECT_EQ("Alpha/Beta/Alpha", path);
}

}  // namespace
