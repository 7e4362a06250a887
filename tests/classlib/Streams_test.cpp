#include "classlib/Streams.h"

#include "testkit/TestFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Pattern(std::size_t N)
{
    std::string S(N, '\0');
    for (std::size_t I = 0; I < N; ++I)
        S[I] = static_cast<char>((I * 7 + I / 251) & 0xFF);
    return S;
}

TEST(StreamsMemory, PositionsSizesAndGaps)
{
    TMemoryStream M;
    M.WriteString("hello world");
    EXPECT_EQ(M.Position(), 11);
    EXPECT_EQ(M.Seek(-5, soFromEnd), 6);
    EXPECT_EQ(M.ReadString(100), "world");
    EXPECT_EQ(M.Seek(-11, soFromCurrent), 0);
    // Writing past the end fills the gap with zeros.
    M.SetPosition(14);
    M.WriteString("!");
    EXPECT_EQ(M.Size(), 15);
    EXPECT_EQ(std::string(static_cast<const char*>(M.Memory()), 15), std::string("hello world\0\0\0!", 15));
    M.SetSize(5);
    EXPECT_EQ(M.Position(), 5);
    M.SetSize(8);
    EXPECT_EQ(std::string(static_cast<const char*>(M.Memory()), 8), std::string("hello\0\0\0", 8));
    char Buf[4];
    M.SetPosition(6);
    EXPECT_THROW(M.ReadBuffer(Buf, 4), EReadError);
    try {
        M.SetPosition(8);
        M.ReadBuffer(Buf, 1);
    } catch (const EFileError& E) { // stream errors are file errors
        EXPECT_EQ(E.Message(), "Stream read error");
    }
    M.Clear();
    EXPECT_EQ(M.Size(), 0);
    EXPECT_EQ(M.Position(), 0);
    EXPECT_EQ(M.Memory(), nullptr);
}

TEST(StreamsString, OverwritesInPlaceAndClampsSeeks)
{
    TStringStream S(std::string("abc\0def", 7));
    EXPECT_EQ(S.Size(), 7);
    S.SetPosition(2);
    S.WriteString("XY");
    // The bytes after the written ones stay.
    EXPECT_EQ(S.DataString(), std::string("abXYdef", 7));
    EXPECT_EQ(S.Seek(100, soFromBeginning), 7);
    EXPECT_EQ(S.Seek(-100, soFromCurrent), 0);
    S.Seek(0, soFromEnd);
    S.WriteString("gh");
    EXPECT_EQ(S.DataString(), "abXYdefgh");
    S.SetSize(3);
    EXPECT_EQ(S.DataString(), "abX");
    EXPECT_EQ(S.Position(), 3);
}

TEST(StreamsFile, PositionsBeyondFourGigabytes)
{
    TTestFolder Dir("bigfile");
    const std::int64_t Big = (std::int64_t(5) << 30) + 3; // sparse on the host file system
    {
        TFileStream F(Dir.File("big.bin"), fmCreate);
        F.SetSize(Big);
        EXPECT_EQ(F.Size(), Big);
        EXPECT_EQ(F.Position(), 0);
        const std::int64_t At = (std::int64_t(4) << 30) + 10;
        EXPECT_EQ(F.Seek(At, soFromBeginning), At);
        F.WriteString("xyz");
        EXPECT_EQ(F.Position(), At + 3);
        EXPECT_EQ(F.Seek(-3, soFromCurrent), At);
        EXPECT_EQ(F.ReadString(3), "xyz");
        EXPECT_EQ(F.Seek(-1, soFromEnd), Big - 1);
        EXPECT_EQ(F.Seek(0, soFromBeginning), 0);
        F.SetSize(100);
    }
    TFileStream F(Dir.File("big.bin"), fmOpenRead);
    EXPECT_EQ(F.Size(), 100);
}

TEST(StreamsFile, ShareModesDecideWhoElseMayOpen)
{
    TTestFolder Dir("share");
    const std::string Path = Dir.File("shared.txt");
    {
        TFileStream F(Path, fmCreate);
        F.WriteString("data");
    }
    struct Case {
        unsigned First, Second;
        bool SecondOpens;
    } Cases[] = {
        {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyNone, false},
        {fmOpenRead | fmShareCompat, fmOpenRead | fmShareDenyNone, false},
        {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
        {fmOpenRead | fmShareDenyWrite, fmOpenWrite | fmShareDenyNone, false},
        {fmOpenRead | fmShareDenyNone, fmOpenReadWrite | fmShareDenyNone, true},
        {fmOpenReadWrite | fmShareDenyRead, fmOpenRead | fmShareDenyNone, false},
        {fmOpenReadWrite | fmShareDenyRead, fmOpenWrite | fmShareDenyNone, true},
        {fmOpenWrite | fmShareDenyNone, fmOpenRead | fmShareDenyWrite, false},
    };
    for (const Case& C : Cases) {
        TFileStream First(Path, C.First);
        bool Opened = false;
        try {
            TFileStream Second(Path, C.Second);
            Opened = true;
        } catch (const EFOpenError& E) {
            EXPECT_EQ(E.Message().rfind("Cannot open file \"" + Path + "\". ", 0), 0u) << E.Message();
            EXPECT_EQ(E.ErrorCode, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        EXPECT_EQ(Opened, C.SecondOpens) << std::hex << C.First << " then " << C.Second;
    }
    {
        // A file being created is exclusive unless a share mode is given.
        TFileStream Creating(Dir.File("new.txt"), fmCreate);
        EXPECT_THROW(TFileStream(Dir.File("new.txt"), fmOpenRead | fmShareDenyNone), EFOpenError);
    }
    {
        TFileStream Creating(Dir.File("new.txt"), fmCreate | fmShareDenyWrite);
        TFileStream Reader(Dir.File("new.txt"), fmOpenRead | fmShareDenyNone);
        Creating.WriteString("seen");
        EXPECT_EQ(Reader.ReadString(10), "seen");
    }
    EXPECT_THROW(TFileStream(Dir.File("missing.txt"), fmOpenRead), EFOpenError);
    try {
        TFileStream(Dir.File("no\\such\\dir.txt"), fmCreate);
        FAIL();
    } catch (const EFCreateError& E) {
        EXPECT_EQ(E.Message().rfind("Cannot create file \"" + Dir.File("no\\such\\dir.txt") + "\". ", 0), 0u);
    }
    // fmCreate truncates.
    {
        TFileStream F(Path, fmCreate);
    }
    EXPECT_EQ(TTestFolder::Read(Path, "<missing>"), "");
    TFileStream ReadOnly(Path, fmOpenRead);
    EXPECT_THROW(ReadOnly.WriteString("x"), EWriteError);
}

TEST(StreamsCopy, CopyFromWholeAndPart)
{
    TTestFolder Dir("copy");
    const std::string Data = Pattern(200000); // spans several copy buffers
    TMemoryStream Src;
    Src.WriteString(Data);
    Src.SetPosition(12345);
    {
        TFileStream Dst(Dir.File("all.bin"), fmCreate);
        // Count 0 copies the whole source, from its start.
        EXPECT_EQ(Dst.CopyFrom(&Src, 0), 200000);
    }
    EXPECT_EQ(TTestFolder::Read(Dir.File("all.bin")), Data);

    Src.SetPosition(70000);
    TStringStream Part;
    Part.WriteString("<");
    EXPECT_EQ(Part.CopyFrom(&Src, 65537), 65537);
    EXPECT_EQ(Part.DataString(), "<" + Data.substr(70000, 65537));
    EXPECT_EQ(Src.Position(), 70000 + 65537);

    Src.SetPosition(199990);
    EXPECT_THROW(Part.CopyFrom(&Src, 11), EReadError);

    TMemoryStream Back;
    Back.LoadFromFile(Dir.File("all.bin"));
    EXPECT_EQ(Back.Position(), 0);
    EXPECT_EQ(Back.Size(), 200000);
    Back.SaveToFile(Dir.File("again.bin"));
    EXPECT_EQ(TTestFolder::Read(Dir.File("again.bin")), Data);
}

} // namespace
