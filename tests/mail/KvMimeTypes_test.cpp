#include <gtest/gtest.h>

#include <string>

#include "foundation/KvFiles.h"
#include "mail/KvMimeTypes.h"
#include "testkit/TestFolder.h"

namespace {

// Points the data-file lookup at a scratch folder for the life of a test.
class KvMimeTypesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSavedData = DataFolder;
        FSavedUseUser = UseUserFolder;
        DataFolder = FFolder.Path() + "\\";
        UseUserFolder = false;
    }
    void TearDown() override
    {
        DataFolder = FSavedData;
        UseUserFolder = FSavedUseUser;
    }
    void WriteDataFile(const std::string& Name, const std::string& Text)
    {
        ASSERT_EQ(std::int64_t(Text.size()), SaveStringToFile(FFolder.File(Name), Text));
    }
    static std::string TypeOf(TMimeTypeObj& Obj, const std::string& Ext)
    {
        std::string type = "old";
        Obj.MimeTypeOfExt(Ext, type);
        return type;
    }
    static std::string ExtOf(TMimeTypeObj& Obj, const std::string& Type)
    {
        std::string ext = "old";
        Obj.ExtOfMimeType(Type, ext);
        return ext;
    }

    TTestFolder FFolder{"mimetypes"};
    std::string FSavedData;
    bool FSavedUseUser = false;
};

TEST_F(KvMimeTypesTest, BuiltInPairsWithoutDataFiles)
{
    TMimeTypeObj types;
    const struct {
        const char* Ext;
        const char* Type;
    } exts[] = {
        {"ai", "application/postscript"}, {"jpg", "image/jpeg"}, {"JPG", "image/jpeg"},
        {"jfif", "image/pipeg"}, {"eml", "message/rfc822"}, {"msg", "message/rfc822"},
        {"wmf", "audio/x-msmetafile"}, {"zip", "application/zip"}, {"xla", "application/vnd.ms-excel"},
        {"uue", "text/x-uuencode"}, {"txt", "text/plain"}, {"mp3", ""}, {"", ""}, {".jpg", ""},
    };
    for (const auto& c : exts)
        EXPECT_EQ(c.Type, TypeOf(types, c.Ext)) << c.Ext;

    const struct {
        const char* Type;
        const char* Ext;
    } types2[] = {
        {"application/x-msmetafile", "wmf"}, {"text/enriched", "rtf"}, {"text/x-cdsi-msrtf", "rtf"},
        {"application/vnd.ms-powerpoint", "ppt"}, {"image/jpeg", "jpg"}, {"IMAGE/JPEG", "jpg"},
        {"audio/midi", "mid"}, {"audio/mpeg", "mp3"}, {"application/x-zip-compressed", "zip"},
        {"video/x-sgi-movie", "movie"}, {"text/plain", "txt"}, {"image/png", ""},
        {"audio/x-msmetafile", ""}, {"", ""},
    };
    for (const auto& c : types2)
        EXPECT_EQ(c.Ext, ExtOf(types, c.Type)) << c.Type;
}

TEST_F(KvMimeTypesTest, DataFilesReplaceTheBuiltInPairs)
{
    WriteDataFile("Ext-Mime.dat",
                  "; extensions\r\n"
                  "\r\n"
                  "foo\tapplication/x-foo\r\n"
                  "x\ta\tb\r\n"
                  "\tno-key\r\n"
                  "no tab here\r\n"
                  "foo\tapplication/second\r\n"
                  "bar\t\r\n");
    WriteDataFile("Mime-Ext.dat", "; only comments\r\n;text/plain\ttext\r\n\r\n");
    TMimeTypeObj types;
    const struct {
        const char* Ext;
        const char* Type;
    } cases[] = {
        {"foo", "application/x-foo"}, {"FOO", "application/x-foo"}, {"x", "a\tb"},
        {"bar", ""}, {"jpg", ""}, {"txt", ""}, {"", ""}, {"no tab here", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Type, TypeOf(types, c.Ext)) << c.Ext;
    // A file that gives no pair leaves the built-in pairs in force.
    EXPECT_EQ("txt", ExtOf(types, "text/plain"));
    EXPECT_EQ("eml", ExtOf(types, "message/rfc822"));
}

TEST_F(KvMimeTypesTest, TablesAreFilledOnFirstUseOnly)
{
    TMimeTypeObj types;
    EXPECT_EQ("image/gif", TypeOf(types, "gif"));
    WriteDataFile("Ext-Mime.dat", "gif\timage/other\r\n");
    WriteDataFile("Mime-Ext.dat", "image/gif\tgiff\r\n");
    EXPECT_EQ("image/gif", TypeOf(types, "gif"));
    EXPECT_EQ("giff", ExtOf(types, "image/gif"));

    TMimeTypeObj fresh;
    EXPECT_EQ("image/other", TypeOf(fresh, "gif"));
    EXPECT_EQ(&MimeTypes(), &MimeTypes());
}

}  // namespace
