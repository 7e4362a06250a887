#include "shell/RzShellUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include <commctrl.h>
#include <dbt.h>

#include "shell/RzShellIntf.h"
#include "testkit/ShellWalk.h"
#include "testkit/TestFolder.h"
#include "testkit/PixelProbe.h"

namespace {

// An item-ID list from item payloads: each item gets its two count bytes.
std::string PidlBytes(std::initializer_list<std::string> Items)
{
    std::string B;
    for (const std::string& I : Items) {
        const size_t N = I.size() + 2;
        B += static_cast<char>(N & 0xFF);
        B += static_cast<char>(N >> 8);
        B += I;
    }
    B += std::string(2, '\0');
    return B;
}

LPCITEMIDLIST AsPidl(const std::string& Bytes) { return reinterpret_cast<LPCITEMIDLIST>(Bytes.data()); }

std::string BytesOf(LPCITEMIDLIST Pidl)
{
    return Pidl ? std::string(reinterpret_cast<const char*>(Pidl), static_cast<size_t>(IdListLen(Pidl)))
                : std::string("<null>");
}

TPidl ParsePath(const std::string& Path)
{
    TPidl P;
    EXPECT_HRESULT_SUCCEEDED(ShellPathToPidl(Path, P)) << Path;
    return P;
}

} // namespace

TEST(PidlBytes, LengthsCopiesAndJoins)
{
    const std::string A = PidlBytes({"ab", "cde"});
    const std::string B = PidlBytes({"xyz1"});
    const std::string Empty = PidlBytes({});
    EXPECT_EQ(IdListLen(nullptr), 0);
    EXPECT_EQ(IdListSize(nullptr), 0);
    EXPECT_EQ(IdListLen(AsPidl(Empty)), 2);
    EXPECT_EQ(IdListSize(AsPidl(Empty)), 2);
    EXPECT_EQ(IdListLen(AsPidl(A)), 4 + 5 + 2);
    EXPECT_EQ(IdListSize(AsPidl(A)), IdListLen(AsPidl(A)));

    TPidl C = CopyIdList(AsPidl(A));
    EXPECT_EQ(BytesOf(C.Get()), A);
    TPidl J = ConcatIdLists(AsPidl(A), AsPidl(B));
    EXPECT_EQ(BytesOf(J.Get()), PidlBytes({"ab", "cde", "xyz1"}));
    TPidl J2 = ConcatIdLists(nullptr, AsPidl(B));
    EXPECT_EQ(BytesOf(J2.Get()), B);
    TPidl E = CopyIdList(nullptr);
    EXPECT_EQ(BytesOf(E.Get()), Empty);

    // A caller's own allocator serves the copy.
    TComPtr<IMalloc> M;
    ASSERT_HRESULT_SUCCEEDED(CoGetMalloc(1, M.Put()));
    LPITEMIDLIST Own = CopyIdList(M.Get(), AsPidl(B));
    EXPECT_EQ(BytesOf(Own), B);
    M->Free(Own);
    EXPECT_EQ(HResultCode(HRESULT(0x80070005)), 5);

    // The shell allocator: what it gives, the task allocator takes back.
    void* Block = ShellMemAlloc(64);
    ASSERT_NE(Block, nullptr);
    EXPECT_EQ(ShellMalloc()->GetSize(Block), SIZE_T(64));
    ShellMemFree(Block);
    ShellMemFree(nullptr);
    EXPECT_TRUE(ShellComInitialized());
}

TEST(PidlBytes, ByteComparison)
{
    struct {
        std::string A, B;
        int Sign;
    } Cases[] = {
        {PidlBytes({"ab"}), PidlBytes({"ab"}), 0},
        {PidlBytes({"ab"}), PidlBytes({"ac"}), -1},
        {PidlBytes({"b"}), PidlBytes({"ab"}), -1}, // the count byte differs first
        {PidlBytes({"ab"}), PidlBytes({"ab", "c"}), -1},
        {PidlBytes({"ab", "c"}), PidlBytes({"ab"}), 1},
    };
    for (auto& C : Cases) {
        const int R = CompareIdListBytes(AsPidl(C.A), AsPidl(C.B));
        EXPECT_EQ((R > 0) - (R < 0), C.Sign) << C.A.size() << " vs " << C.B.size();
    }
    EXPECT_EQ(CompareIdListBytes(AsPidl(PidlBytes({"ab"})), AsPidl(PidlBytes({"ac"}))), 'b' - 'c');
}

TEST(PidlBytes, ItemArray)
{
    const std::string A = PidlBytes({"one", "two", "three"});
    TRzIdListArray Arr(AsPidl(A));
    EXPECT_EQ(Arr.Count(), 3);
    EXPECT_EQ(BytesOf(Arr.CopyFirst(1)), PidlBytes({"one", "two"}));
    EXPECT_EQ(BytesOf(Arr.CopyFirst(0)), A);
    EXPECT_EQ(BytesOf(Arr.CopyFirst(3)), PidlBytes({}));
    EXPECT_EQ(Arr.CopyFirst(4), nullptr);
    EXPECT_EQ(BytesOf(Arr.Item(0)), PidlBytes({"one"}));
    EXPECT_EQ(BytesOf(Arr.Item(2)), PidlBytes({"three"}));
    EXPECT_EQ(Arr.Item(3), nullptr);
    EXPECT_EQ(Arr.Item(-1), nullptr);

    const std::string Empty = PidlBytes({});
    TRzIdListArray E(AsPidl(Empty));
    EXPECT_EQ(E.Count(), 0);
    EXPECT_EQ(BytesOf(E.Item(0)), Empty);
    EXPECT_EQ(E.Item(1), nullptr);
    TRzIdListArray N(nullptr);
    EXPECT_EQ(N.Count(), 0);
    EXPECT_EQ(N.Item(0), nullptr);
    EXPECT_EQ(N.CopyFirst(0), nullptr);
}

TEST(ShellNamespace, PathRoundTripsAndLongPaths)
{
    TTestFolder Dir("shpath");
    const std::string File = Dir.Write("note.txt", "x");
    CreateDirectoryA(Dir.File("sub").c_str(), nullptr);
    for (const std::string& P : {Dir.Path(), File, Dir.File("sub")}) {
        TPidl Pidl = ParsePath(P);
        ASSERT_TRUE(Pidl) << P;
        EXPECT_EQ(ShellPidlToPath(Pidl.Get()), P);
    }
    // A path past MAX_PATH fails instead of being cut to name another
    // file: its first 260 characters name a file that exists.
    const std::string Long = Dir.Path() + "\\" + std::string(300 - Dir.Path().size() - 1, 'a');
    ASSERT_EQ(Long.size(), 300u);
    ASSERT_TRUE(TTestFolder::Put(Long.substr(0, MAX_PATH), "other"));
    TPidl Bad;
    EXPECT_EQ(ShellPathToPidl(Long, Bad), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(Bad);
    TPidl Missing;
    EXPECT_HRESULT_FAILED(ShellPathToPidl(Dir.File("nothere\\x"), Missing));
    EXPECT_FALSE(Missing);
    EXPECT_EQ(ShellPidlToPath(nullptr), ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory));
}

TEST(ShellNamespace, PathsOfItemsNamedOutsideTheCodePageOrPastMaxPathOpenThem)
{
    TTestFolder Dir("shwide");
    const std::wstring Root = std::wstring(Dir.Path().begin(), Dir.Path().end());
    const std::wstring Deep(230 - Root.size() - 1, L'd');
    const std::vector<std::vector<std::wstring>> Walks = {
        {L"\u041f\u043e\u0447\u0442\u0430", L"box.mbox"},
        {L"\u53d7\u4fe1\u7bb1", L"\u53d7\u4fe1.mbox"},
        // The shell lists folders up to 255 characters long; their items
        // pass MAX_PATH.
        {Deep, L"short_mailbox_name_past_the_limit.mbox"},
        {Deep, L"\u0410\u0440\u0445\u0438\u0432 2020 past the limit of the path.mbox"},
    };
    for (const auto& Walk : Walks) {
        std::wstring Wide = L"\\\\?\\" + Root;
        for (size_t I = 0; I + 1 < Walk.size(); ++I) {
            Wide += L"\\" + Walk[I];
            CreateDirectoryW(Wide.c_str(), nullptr);
        }
        Wide += L"\\" + Walk.back();
        {
            const TKernelHandle File(CreateFileW(Wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            DWORD Put = 0;
            ASSERT_TRUE(WriteFile(File.Get(), "From a\r\n", 8, &Put, nullptr));
        }
        const TPidl File = ShellWalkToPidl(Dir.Path(), Walk);
        ASSERT_TRUE(File);
        EXPECT_EQ(ShellPidlToWidePath(File.Get()), Wide.substr(4));
        // The path handed on opens that very file, by a form the ANSI
        // calls take; the long name comes back from it whole.
        const std::string Path = ShellPidlToPath(File.Get());
        EXPECT_EQ(Path.find('?'), std::string::npos) << Path;
        EXPECT_EQ(TTestFolder::Read(std::wstring(Path.begin(), Path.end())), "From a\r\n") << Path;
        if (Path.size() < MAX_PATH) {
            std::wstring Long(32768, L'\0');
            Long.resize(GetLongPathNameW(std::wstring(Path.begin(), Path.end()).c_str(), Long.data(), 32768));
            EXPECT_EQ(Long, Wide.substr(4));
        }
    }
    // An item outside the file system has no path.
    TPidl Drives;
    ASSERT_HRESULT_SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, csidlDrives, Drives));
    EXPECT_EQ(ShellPidlToPath(Drives.Get()), "");
}

TEST(ShellNamespace, ComparingAndSpecialFolders)
{
    TTestFolder Dir("shcmp");
    TPidl A = ParsePath(Dir.Path());
    TPidl A2 = ParsePath(Dir.Path() + "\\");
    TPidl File = ParsePath(Dir.Write("f.txt", ""));
    const std::string Empty = PidlBytes({});
    EXPECT_EQ(CompareAbsIdLists(nullptr, nullptr), 0);
    EXPECT_EQ(CompareAbsIdLists(AsPidl(Empty), AsPidl(Empty)), 0);
    EXPECT_EQ(CompareAbsIdLists(AsPidl(Empty), A.Get()), -1);
    EXPECT_EQ(CompareAbsIdLists(A.Get(), AsPidl(Empty)), -1);
    EXPECT_EQ(CompareAbsIdLists(nullptr, A.Get()), -1);
    EXPECT_EQ(CompareAbsIdLists(A.Get(), A2.Get()), 0);
    EXPECT_NE(CompareAbsIdLists(A.Get(), File.Get()), 0);

    EXPECT_EQ(ShellGetSpecialFolderIdFromPidl(A.Get()), csidlNone);
    TPidl Drives;
    ASSERT_HRESULT_SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, csidlDrives, Drives));
    EXPECT_EQ(ShellGetSpecialFolderIdFromPidl(Drives.Get()), csidlDrives);
    // Identifiers are masked to 7 bits before Windows sees them.
    TPidl Masked;
    ASSERT_HRESULT_SUCCEEDED(ShellGetSpecialFolderPidl(nullptr, csidlDrives | 128, Masked));
    EXPECT_EQ(CompareAbsIdLists(Masked.Get(), Drives.Get()), 0);
    EXPECT_FALSE(ShellGetSpecialFolderPath(nullptr, csidlDesktopDirectory).empty());
    EXPECT_TRUE(ShellGetSpecialFolderPath(nullptr, csidlDrives).empty());
}

TEST(ShellNamespace, FoldersNamesAndIcons)
{
    TTestFolder Dir("shname");
    const std::string FilePath = Dir.Write("Report.txt", "abc");
    TPidl Abs = ParsePath(FilePath);
    EXPECT_EQ(ShellGetDisplayNameFromPidl(Abs.Get()).rfind("Report", 0), 0u);

    TComPtr<IShellFolder> ShellFolder;
    TPidl DirPidl = ParsePath(Dir.Path());
    ASSERT_HRESULT_SUCCEEDED(ShellBindToFolder(DirPidl.Get(), ShellFolder));
    TRzIdListArray Arr(Abs.Get());
    LPITEMIDLIST Last = Arr.Item(Arr.Count() - 1);
    EXPECT_EQ(ShellGetDisplayNameFromFolder(ShellFolder.Get(), Last, TRzNameKind::ForParsing), FilePath);
    EXPECT_EQ(ShellGetDisplayNameFromFolder(nullptr, Abs.Get(), TRzNameKind::ForParsing), FilePath);
    EXPECT_EQ(ShellGetDisplayNameFromFolder(ShellFolder.Get(), Last, TRzNameKind::ForEditing).rfind("Report", 0), 0u);

    TComPtr<IShellFolder> Desktop, Same;
    ASSERT_HRESULT_SUCCEEDED(ShellBindToFolder(nullptr, Desktop));
    ASSERT_HRESULT_SUCCEEDED(ShellGetDesktopFolder(Same));
    EXPECT_EQ(Desktop.Get(), Same.Get());
    EXPECT_FALSE(ShellGetDisplayNameFromPidl(nullptr).empty());

    // Icons: indexes into the shared system lists.
    HIMAGELIST Small = ShellGetSystemImageList(TRzImageListSize::Small);
    HIMAGELIST Large = ShellGetSystemImageList(TRzImageListSize::Large);
    ASSERT_NE(Small, nullptr);
    ASSERT_NE(Large, nullptr);
    EXPECT_NE(Small, Large);
    int IconCX = 0, IconCY = 0;
    ImageList_GetIconSize(Small, &IconCX, &IconCY);
    EXPECT_EQ(IconCX, 16);
    EXPECT_TRUE(ShellOverlayIconsInstalled());
    const int Count = ImageList_GetImageCount(Small);
    EXPECT_EQ(ShellGetSystemImageList(TRzImageListSize::Small), Small);
    EXPECT_EQ(ImageList_GetImageCount(Small), Count) << "overlays are installed once";
    const int FromPidl = ShellGetIconIndexFromPidl(Abs.Get(), SHGFI_SMALLICON);
    const int FromPath = ShellGetIconIndexFromPath(FilePath, SHGFI_SMALLICON);
    EXPECT_GE(FromPidl, 0);
    EXPECT_LT(FromPidl, ImageList_GetImageCount(Small));
    EXPECT_EQ(FromPidl, FromPath);
    EXPECT_GE(ShellGetSpecialIconIndex(csidlDrives, SHGFI_SMALLICON), 0);
    EXPECT_THROW(ShellGetSpecialIconIndex(49, 0), EOleSysError);
}

TEST(ShellNamespace, IconsCachedAfterTheOverlaysShowAtTheirIndex)
{
    // The shell keeps more system lists than the small and the large one,
    // all in step by index; an icon it caches after the overlays went in
    // must still be found at the index it hands out.
    HIMAGELIST Small = ShellGetSystemImageList(TRzImageListSize::Small);
    ASSERT_TRUE(ShellOverlayIconsInstalled());
    // The shell's icon cache, by its ordinal (wide text on NT).
    using TCachedIndex = int(WINAPI*)(LPCWSTR, int, UINT);
    const auto CachedIndex = reinterpret_cast<TCachedIndex>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), MAKEINTRESOURCEA(72))));
    ASSERT_NE(CachedIndex, nullptr);
    wchar_t User32[MAX_PATH] = {};
    GetSystemDirectoryW(User32, MAX_PATH);
    lstrcatW(User32, L"\\user32.dll");
    const HMODULE User = GetModuleHandleA("user32.dll");
    const int Ids[] = {32513, 32514, 32515, 32516}; // hand, question, exclamation, asterisk
    std::vector<std::vector<std::uint32_t>> Expected, Shown;
    for (int Id : Ids) {
        const int Index = CachedIndex(User32, -Id, 0);
        ASSERT_GE(Index, 0) << Id;
        ASSERT_LT(Index, ImageList_GetImageCount(Small)) << Id;
        const HICON Icon = static_cast<HICON>(LoadImageA(User, MAKEINTRESOURCEA(Id), IMAGE_ICON, 16, 16, 0));
        ASSERT_NE(Icon, nullptr) << Id;
        Expected.push_back(IconPixels(16, [&](HDC DC) { DrawIconEx(DC, 0, 0, Icon, 16, 16, 0, nullptr, DI_NORMAL); }));
        Shown.push_back(IconPixels(16, [&](HDC DC) { ImageList_Draw(Small, Index, DC, 0, 0, ILD_NORMAL); }));
        DestroyIcon(Icon);
    }
    // Each index shows its own icon (edges may blend differently), not
    // another's.
    for (size_t I = 0; I < Shown.size(); ++I) {
        size_t Best = 0;
        for (size_t J = 1; J < Expected.size(); ++J)
            if (MatchingPixels(Shown[I], Expected[J]) > MatchingPixels(Shown[I], Expected[Best]))
                Best = J;
        EXPECT_EQ(Best, I) << "icon " << Ids[I];
        EXPECT_GT(MatchingPixels(Shown[I], Expected[I]), 192) << "icon " << Ids[I];
    }
}

TEST(ShellNamespace, DriveValidationIsSuspendable)
{
    const int Before = ShellDriveValidationCount();
    ShellSuspendDriveValidation();
    ShellValidateDrives();
    EXPECT_EQ(ShellDriveValidationCount(), Before);
    ShellResumeDriveValidation();
    ShellValidateDrives();
    EXPECT_EQ(ShellDriveValidationCount(), Before + 1);
}

TEST(ShellNamespace, ShortcutRoundTrip)
{
    TTestFolder Dir("shlink");
    const std::string Target = Dir.Write("target.txt", "hello");
    const std::string LinkFile = Dir.File("target.lnk");
    {
        TComPtr<IShellLinkA> Link;
        ASSERT_HRESULT_SUCCEEDED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, Link.PutVoid()));
        Link->SetPath(Target.c_str());
        Link->SetArguments("-x 1");
        Link->SetDescription("A test link");
        Link->SetWorkingDirectory(Dir.Path().c_str());
        Link->SetShowCmd(SW_SHOWMAXIMIZED);
        Link->SetHotkey(MAKEWORD('K', HOTKEYF_CONTROL));
        TComPtr<IPersistFile> File;
        ASSERT_HRESULT_SUCCEEDED(Link.As(IID_IPersistFile, File));
        std::wstring W(LinkFile.begin(), LinkFile.end());
        ASSERT_HRESULT_SUCCEEDED(File->Save(W.c_str(), TRUE));
    }
    TRzShortcut S;
    ASSERT_HRESULT_SUCCEEDED(ShellResolveShortcut(LinkFile, S, true));
    EXPECT_EQ(S.Path, Target);
    EXPECT_EQ(S.Arguments, "-x 1");
    EXPECT_EQ(S.Description, "A test link");
    EXPECT_EQ(S.WorkingDirectory, Dir.Path());
    // Wine's links keep no show command of their own: it reads back normal.
    EXPECT_TRUE(S.ShowCmd == SW_SHOWMAXIMIZED || S.ShowCmd == SW_SHOWNORMAL) << S.ShowCmd;
    EXPECT_EQ(S.HotKey, MAKEWORD('K', HOTKEYF_CONTROL));
    EXPECT_EQ(S.Valid, sfPath | sfDescription | sfArguments | sfIcon | sfWorkingDirectory | sfShowCmd);
    EXPECT_EQ(S.FindData.nFileSizeLow, 5u);
    ASSERT_TRUE(S.IdList);
    EXPECT_EQ(ShellPidlToPath(S.IdList.Get()), Target);

    TRzShortcut NoList;
    ASSERT_HRESULT_SUCCEEDED(ShellResolveShortcut(LinkFile, NoList, false));
    EXPECT_FALSE(NoList.IdList);
    TRzShortcut Missing;
    EXPECT_HRESULT_FAILED(ShellResolveShortcut(Dir.File("none.lnk"), Missing, false));
    EXPECT_EQ(ShellResolveShortcut(std::string(300, 'a'), Missing, false),
              HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
}

TEST(ShellNamespace, VersionsAndNetDrives)
{
    TRzFileVersion V;
    ASSERT_TRUE(GetFileVersion("comctl32.dll", V));
    EXPECT_EQ(V.MS, ComCtlVersion().MS);
    EXPECT_TRUE(VersionAtLeast(Shell32Version(), 4, 0));
    EXPECT_FALSE(GetFileVersion("no-such-module.dll", V));
    EXPECT_EQ(ShellOsVersion().dwOSVersionInfoSize, 148u);
    // C: is a local disk: no network use of that name exists.
    EXPECT_FALSE(NetDriveConnected('C'));
}

TEST(ShellText, TrailingCharsAndTrimming)
{
    struct {
        std::string In, Out;
    } Ensure[] = {{"C:", "C:\\"}, {"C:\\", "C:\\"}, {"", ""}, {"a\\b", "a\\b\\"}};
    for (auto& C : Ensure)
        EXPECT_EQ(EnsureTrailingChar(C.In, '\\'), C.Out) << C.In;
    struct {
        std::string In, Out;
    } Trim[] = {{"abc \t\r\n", "abc"}, {" \t\r\n", ""}, {"", ""}, {"a b", "a b"}, {std::string("x\0\x01", 3), "x"}};
    for (auto& C : Trim)
        EXPECT_EQ(TrimRightDB(C.In), C.Out) << C.In;
    std::string Dest;
    int I = 1;
    AppendCharDB(I, "ab", Dest);
    AppendCharDB(I, "ab", Dest);
    EXPECT_EQ(Dest, "ab");
    EXPECT_EQ(I, 3);
}

TEST(ShellText, FormatStrPosArguments)
{
    EXPECT_EQ(FormatStrPos("Unable to create the folder '%2'\n\n%1", {"Access denied", "New Folder"}),
              "Unable to create the folder 'New Folder'\r\n\r\nAccess denied"); // FormatMessage's line ends
    EXPECT_EQ(FormatStrPos("", {"x"}), "");
    std::vector<std::string> Fifty;
    for (int I = 1; I <= 50; ++I)
        Fifty.push_back("a" + std::to_string(I));
    EXPECT_EQ(FormatStrPos("%1-%50", Fifty), "a1-a50");
    std::vector<std::string> FiftyOne = Fifty;
    FiftyOne.push_back("a51");
    EXPECT_THROW(FormatStrPos("%1", FiftyOne), Exception);
    // Inserts the caller did not give read as empty texts, never as stray
    // memory.
    EXPECT_EQ(FormatStrPos("[%1][%7][%99]", {"x"}), "[x][][]");
}

// ---------------------------------------------------------------------------
// TRzPidlList
// ---------------------------------------------------------------------------

namespace {
struct TPidlListFixture : ::testing::Test {
    TTestFolder Dir{"shlist"};
    TComPtr<IShellFolder> Folder;
    std::vector<TPidl> Items; // relative lists of b, a, c
    void SetUp() override
    {
        for (const char* N : {"b.txt", "a.txt", "c.txt"})
            Dir.Write(N, "");
        TPidl D = ParsePath(Dir.Path());
        ASSERT_HRESULT_SUCCEEDED(ShellBindToFolder(D.Get(), Folder));
        for (const char* N : {"b.txt", "a.txt", "c.txt"}) {
            std::wstring W(N, N + strlen(N));
            TPidl P;
            ULONG Eaten = 0;
            ASSERT_HRESULT_SUCCEEDED(Folder->ParseDisplayName(nullptr, nullptr, W.data(), &Eaten, P.Put(), nullptr));
            Items.push_back(std::move(P));
        }
    }
};
} // namespace

TEST_F(TPidlListFixture, DuplicateRulesUnderAFolderComparer)
{
    struct {
        TDuplicates Rule;
        int CountAfter;
        bool Raises;
    } Cases[] = {{dupIgnore, 3, false}, {dupAccept, 4, false}, {dupError, 3, true}};
    for (auto& C : Cases) {
        TRzPidlList L;
        L.SetShellFolder(Folder.Get());
        L.SetDuplicates(C.Rule);
        L.SetSorted(true);
        for (size_t I = 0; I < Items.size(); ++I)
            L.AddObject(Items[I].Get(), static_cast<std::intptr_t>(I));
        // Sorted by the folder's name order: a, b, c.
        EXPECT_EQ(L.Objects(0), 1);
        EXPECT_EQ(L.Objects(1), 0);
        EXPECT_EQ(L.Objects(2), 2);
        TPidl Again = CopyIdList(Items[0].Get()); // b, equal by the folder
        if (C.Raises) {
            EXPECT_THROW(L.Add(Again.Get()), Exception);
        } else {
            const int At = L.Add(Again.Get());
            EXPECT_EQ(At, C.Rule == dupIgnore ? 1 : At);
            EXPECT_EQ(L.Pidls(At) == Again.Get(), C.Rule == dupAccept);
        }
        EXPECT_EQ(L.Count(), C.CountAfter) << int(C.Rule);
        EXPECT_EQ(L.IndexOf(Items[2].Get()), C.CountAfter - 1);
    }
}

TEST_F(TPidlListFixture, UnsortedListsAndOwnedPidls)
{
    TRzPidlList L;
    for (auto& P : Items)
        L.Add(P.Get());
    EXPECT_EQ(L.Pidls(0), Items[0].Get());
    TPidl Copy = CopyIdList(Items[1].Get());
    EXPECT_EQ(L.IndexOf(Copy.Get()), 1); // byte comparison without a folder
    int At = -1;
    EXPECT_TRUE(L.Find(Copy.Get(), At));
    EXPECT_EQ(At, 1);
    L.Delete(0);
    EXPECT_EQ(L.Count(), 2);
    L.SetCapacity(40);
    EXPECT_GE(L.Capacity(), 40);
    EXPECT_EQ(L.Count(), 2);
    EXPECT_THROW(L.Pidls(5), EListError);

    // With an allocator the list frees what it holds: handing it copies is
    // all a caller does.
    TRzPidlList Owned;
    Owned.SetMalloc(ShellMalloc());
    for (auto& P : Items)
        Owned.Add(CopyIdList(P.Get()).Detach());
    Owned.Delete(1);
    Owned.Clear();
    EXPECT_EQ(Owned.Count(), 0);
}

// ---------------------------------------------------------------------------
// Device-change dispatch
// ---------------------------------------------------------------------------

namespace {
struct TDeviceLog {
    std::vector<std::pair<int, WPARAM>> Calls;
    int Id = 0;
    static void Handle(void* Data, TMessage& M)
    {
        auto* Self = static_cast<TDeviceLog*>(Data);
        Self->Calls.push_back({Self->Id, M.WParam});
    }
};

void PumpPosted(HWND Wnd)
{
    MSG Msg;
    while (PeekMessageA(&Msg, Wnd, 0, 0, PM_REMOVE))
        DispatchMessageA(&Msg);
}
} // namespace

TEST(DeviceChange, BroadcastReachesHandlersInOrderAfterThePost)
{
    TRzDeviceChangeHandler* H = DeviceChangeHandler();
    ASSERT_EQ(H, DeviceChangeHandler());
    // A top-level window, so system broadcasts reach it.
    EXPECT_EQ(GetParent(H->Handle()), nullptr);
    EXPECT_EQ(GetAncestor(H->Handle(), GA_PARENT), GetDesktopWindow());
    TDeviceLog Log1, Log2;
    Log1.Id = 1;
    Log2.Id = 2;
    const TRzDeviceChangeMethod M1{&TDeviceLog::Handle, &Log1}, M2{&TDeviceLog::Handle, &Log2};
    H->Register(M1);
    H->Register(M2);
    SendMessageA(H->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_TRUE(Log1.Calls.empty()) << "handlers run from the posted copy";
    PumpPosted(H->Handle());
    ASSERT_EQ(Log1.Calls.size(), 1u);
    ASSERT_EQ(Log2.Calls.size(), 1u);
    EXPECT_EQ(Log1.Calls[0].second, WPARAM(DBT_DEVICEARRIVAL));

    H->Unregister(M1);
    H->Unregister(TRzDeviceChangeMethod{&TDeviceLog::Handle, &Log1}); // no longer there: nothing
    SendMessageA(H->Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    PumpPosted(H->Handle());
    EXPECT_EQ(Log1.Calls.size(), 1u);
    ASSERT_EQ(Log2.Calls.size(), 2u);
    EXPECT_EQ(Log2.Calls[1].second, WPARAM(DBT_DEVICEREMOVECOMPLETE));
    H->Unregister(M2);
    EXPECT_EQ(H->HandlerCount(), 0);
}
