#include "shell/RzShellCtrls.h"

#include <gtest/gtest.h>

#include "testkit/TestFolder.h"

namespace {

struct TChangeCount {
    int N = 0;
    TNotifyEvent Event() { return [this](TObject*) { ++N; }; }
};

std::string Stored(const TRzShellLocator& L)
{
    TStringStream S;
    L.WriteData(&S);
    return S.DataString();
}

TPidl PidlOf(const std::string& Path)
{
    TPidl P;
    EXPECT_HRESULT_SUCCEEDED(ShellPathToPidl(Path, P));
    return P;
}

} // namespace

TEST(ShellStartUp, FormatsOleAndHoverValues)
{
    EXPECT_EQ(ShellIdListFormat(), RegisterClipboardFormatA("Shell IDList Array"));
    EXPECT_NE(ShellIdListFormat(), 0u);
    EXPECT_TRUE(ShellOleInitialized());
    EXPECT_GT(ShellHoverTime(), 0u);
    EXPECT_GT(ShellHoverWidth(), 0);
    EXPECT_GT(ShellHoverHeight(), 0);
    ASSERT_NE(ShellSharedStream(), nullptr);
}

TEST(ShellLocator, ChangesAreNotifiedOnlyWhenSomethingChanged)
{
    TTestFolder Dir("shloc");
    TPidl A = PidlOf(Dir.Path());
    TRzShellLocator L;
    TChangeCount C;
    L.OnChange = C.Event();

    L.SetIdList(A.Get());
    EXPECT_EQ(C.N, 1);
    EXPECT_EQ(L.PathName(), Dir.Path());
    TPidl Same = PidlOf(Dir.Path());
    L.SetIdList(Same.Get());
    EXPECT_EQ(C.N, 1) << "an equal list is no change";

    TRzShellLocator Other;
    Other.SetIdList(Same.Get());
    L.Assign(&Other);
    EXPECT_EQ(C.N, 1) << "assigning an equal locator sends nothing";

    L.SetSpecialFolder(csidlDesktop);
    EXPECT_EQ(C.N, 2);
    L.SetSpecialFolder(csidlDesktop);
    EXPECT_EQ(C.N, 2);
    EXPECT_NE(L.IdList(), nullptr); // the desktop's list, fetched once
    // The empty list on a special folder: one change, kind list, no list.
    const ITEMIDLIST Empty{};
    L.SetIdList(&Empty);
    EXPECT_EQ(C.N, 3);
    EXPECT_EQ(L.Kind(), TRzLocatorKind::IdList);
    EXPECT_EQ(L.IdList(), nullptr);
    L.SetIdList(nullptr);
    EXPECT_EQ(C.N, 3);

    // A path that does not parse leaves the locator empty.
    L.SetPathName(Dir.Path());
    EXPECT_EQ(C.N, 4);
    L.SetPathName(Dir.File("missing\\deeper"));
    EXPECT_EQ(C.N, 5);
    EXPECT_EQ(L.Kind(), TRzLocatorKind::IdList);
    EXPECT_EQ(L.IdList(), nullptr);

    L.SetSpecialFolder(csidlDrives);
    ASSERT_NE(L.IdList(), nullptr);
    L.Assign(nullptr);
    EXPECT_EQ(C.N, 7) << "clearing a fetched special-folder list is a change";
    EXPECT_EQ(L.Kind(), TRzLocatorKind::IdList);
    L.Assign(nullptr);
    EXPECT_EQ(C.N, 7);

    TStringList NotALocator;
    EXPECT_THROW(L.Assign(&NotALocator), EConvertError);

    Other.SetSpecialFolder(csidlDrives);
    L.Assign(&Other);
    EXPECT_EQ(L.Kind(), TRzLocatorKind::SpecialFolder);
    EXPECT_EQ(L.SpecialFolder(), csidlDrives);
    EXPECT_TRUE(L.IsEqual(&Other));
    EXPECT_TRUE(L.IsEqual(&L));
}

TEST(ShellLocator, StreamFormRoundTrips)
{
    TTestFolder Dir("shlocs");
    TPidl A = PidlOf(Dir.Path());
    TRzShellLocator L;
    EXPECT_FALSE(L.HasData());
    EXPECT_EQ(Stored(L), std::string("\0\0\0\0\0", 5));

    L.SetIdList(A.Get());
    ASSERT_TRUE(L.HasData());
    const std::string Bytes = Stored(L);
    const int Len = IdListLen(A.Get());
    ASSERT_EQ(Bytes.size(), 5u + static_cast<size_t>(Len));
    EXPECT_EQ(Bytes[0], 0);
    EXPECT_EQ(static_cast<unsigned char>(Bytes[1]) | static_cast<unsigned char>(Bytes[2]) << 8, Len);
    EXPECT_EQ(Bytes.substr(5), std::string(reinterpret_cast<const char*>(A.Get()), static_cast<size_t>(Len)));

    TRzShellLocator Back;
    TStringStream In(Bytes);
    Back.ReadData(&In);
    EXPECT_TRUE(Back.IsEqual(&L));
    EXPECT_EQ(Back.PathName(), Dir.Path());

    TRzShellLocator Special;
    Special.SetSpecialFolder(csidlDrives);
    EXPECT_EQ(Stored(Special), std::string("\x01\x11", 2));
    TStringStream In2(Stored(Special));
    Back.ReadData(&In2);
    EXPECT_EQ(Back.Kind(), TRzLocatorKind::SpecialFolder);
    EXPECT_EQ(Back.SpecialFolder(), csidlDrives);

    // A form that stored an empty list reads back the desktop folder.
    TStringStream Empty(std::string("\0\0\0\0\0", 5));
    Back.ReadData(&Empty);
    EXPECT_EQ(Back.Kind(), TRzLocatorKind::SpecialFolder);
    EXPECT_EQ(Back.SpecialFolder(), csidlDesktop);
}

TEST(ShellLocator, MalformedStoredListsAreRefused)
{
    auto Stream = [](std::int32_t Len, const std::string& Body) {
        std::string S(1, '\0');
        S.append(reinterpret_cast<const char*>(&Len), 4);
        return S + Body;
    };
    const std::string Good = std::string("\x04\0ab\0\0", 6);
    struct {
        const char* Name;
        std::string Bytes;
    } Bad[] = {
        {"length past the stream", Stream(600, Good)},
        {"negative length", Stream(-4, Good)},
        {"no terminator", Stream(4, std::string("\x04\0ab", 4))},
        {"item past the length", Stream(6, std::string("\x09\0ab\0\0", 6))},
        {"item count below two", Stream(6, std::string("\x01\0ab\0\0", 6))},
        {"bytes after the terminator", Stream(8, Good + std::string("\0\0", 2))},
    };
    TTestFolder Dir("shlocb");
    TPidl A = PidlOf(Dir.Path());
    for (auto& C : Bad) {
        TRzShellLocator L;
        L.SetIdList(A.Get());
        TStringStream S(C.Bytes);
        EXPECT_THROW(L.ReadData(&S), EShellLocatorError) << C.Name;
        EXPECT_EQ(L.PathName(), Dir.Path()) << C.Name << ": the locator keeps what it had";
    }
    TRzShellLocator L;
    TStringStream S(Stream(6, Good));
    L.ReadData(&S);
    EXPECT_EQ(IdListLen(L.IdList()), 6);
}

// ---------------------------------------------------------------------------
// Details adapter
// ---------------------------------------------------------------------------

namespace {

// A folder with three columns; column 2 is not shown by default.
class TFakeFolder : public TComObject<IShellFolder2> {
public:
    TFakeFolder() : TComObject(IID_IShellFolder2) {}
    std::vector<UINT> DetailCalls;
    bool FailProbe = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Riid, void** Obj) override
    {
        if (IsEqualIID(Riid, IID_IShellFolder)) {
            *Obj = static_cast<IShellFolder*>(this);
            AddRef();
            return S_OK;
        }
        return TComObject::QueryInterface(Riid, Obj);
    }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void** Obj) override
    {
        *Obj = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultSearchGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumSearches(IEnumExtraSearch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultColumn(DWORD, ULONG*, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultColumnState(UINT Column, SHCOLSTATEF* State) override
    {
        if (Column > 2)
            return E_INVALIDARG; // unknown: the call goes through
        *State = SHCOLSTATE_TYPE_STR | (Column == 2 ? 0 : SHCOLSTATE_ONBYDEFAULT);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDetailsEx(PCUITEMID_CHILD, const SHCOLUMNID*, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDetailsOf(PCUITEMID_CHILD, UINT Column, SHELLDETAILS* Details) override
    {
        if (FailProbe)
            return E_FAIL;
        DetailCalls.push_back(Column);
        Details->str.uType = STRRET_CSTR;
        lstrcpyA(Details->str.cStr, ("col" + std::to_string(Column)).c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MapColumnToSCID(UINT, SHCOLUMNID*) override { return E_NOTIMPL; }
};

} // namespace

TEST(ShellDetails, AdapterRefusesColumnsNotOnByDefault)
{
    auto* Raw = new TFakeFolder;
    auto ShellFolder = TComPtr<IShellFolder2>::AddRefOf(Raw);
    TComPtr<IShellDetails> D = GetShellDetails(static_cast<IShellFolder*>(Raw));
    ASSERT_TRUE(D);
    Raw->DetailCalls.clear(); // the probe of column 0
    struct {
        UINT Column;
        HRESULT Result;
        const char* Text;
    } Cases[] = {{0, S_OK, "col0"}, {1, S_OK, "col1"}, {2, E_INVALIDARG, ""}, {3, S_OK, "col3"}};
    for (auto& C : Cases) {
        SHELLDETAILS Det{};
        EXPECT_EQ(D->GetDetailsOf(nullptr, C.Column, &Det), C.Result) << C.Column;
        if (SUCCEEDED(C.Result)) {
            EXPECT_EQ(StrRetToText(Det.str, nullptr), C.Text);
        }
    }
    EXPECT_EQ(Raw->DetailCalls, (std::vector<UINT>{0, 1, 3}));
    EXPECT_EQ(D->ColumnClick(0), E_NOTIMPL);
    TComPtr<IShellFolder> NotDetails;
    EXPECT_EQ(D.As(IID_IShellFolder, NotDetails), E_NOINTERFACE);
    EXPECT_EQ(NotDetails.Get(), nullptr);

    // A folder whose probe fails and that offers no details at all.
    Raw->FailProbe = true;
    EXPECT_FALSE(GetShellDetails(static_cast<IShellFolder*>(Raw)));
    EXPECT_FALSE(GetShellDetails(nullptr));
}

TEST(ShellDetails, RealFolderColumns)
{
    TTestFolder Dir("shdet");
    Dir.Write("data.bin", std::string(3000, 'x'));
    TPidl P = PidlOf(Dir.Path());
    TComPtr<IShellFolder> ShellFolder;
    ASSERT_HRESULT_SUCCEEDED(ShellBindToFolder(P.Get(), ShellFolder));
    TComPtr<IShellDetails> D = GetShellDetails(ShellFolder.Get());
    ASSERT_TRUE(D);
    TPidl Item;
    ULONG Eaten = 0;
    wchar_t Name[] = L"data.bin";
    ASSERT_HRESULT_SUCCEEDED(ShellFolder->ParseDisplayName(nullptr, nullptr, Name, &Eaten, Item.Put(), nullptr));
    SHELLDETAILS Det{};
    ASSERT_HRESULT_SUCCEEDED(D->GetDetailsOf(Item.Get(), 0, &Det));
    EXPECT_EQ(StrRetToText(Det.str, Item.Get()).rfind("data", 0), 0u);
    int Columns = 0;
    for (UINT C = 0; C < 20 && SUCCEEDED(D->GetDetailsOf(nullptr, C, &Det)); ++C) {
        StrRetToText(Det.str, nullptr);
        ++Columns;
    }
    EXPECT_GE(Columns, 4);
}
