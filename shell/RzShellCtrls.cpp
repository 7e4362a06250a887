#include "shell/RzShellCtrls.h"

#include <cstring>
#include <memory>
#include <new>

#include "classlib/Forms.h"
#include "shell/RzShellIntf.h"

// ---------------------------------------------------------------------------
// Start-up and shut-down
// ---------------------------------------------------------------------------

namespace {

struct TShellCtrlsUnit {
    int Nesting = 0;
    UINT IdListFormat = 0;
    std::unique_ptr<TMemoryStream> SharedStream;
    bool OleStarted = false;
    DWORD HoverTime = 400;
    int HoverWidth = 2, HoverHeight = 2;

    TShellCtrlsUnit()
    {
        if (Nesting++ != 0)
            return;
        ShellComInitialized();
        IdListFormat = RegisterClipboardFormatA(CFSTR_SHELLIDLIST);
        SharedStream = std::make_unique<TMemoryStream>();
        OleStarted = SUCCEEDED(OleInitialize(nullptr));
        UINT Value = 0;
        if (SystemParametersInfoA(SPI_GETMOUSEHOVERTIME, 0, &Value, 0))
            HoverTime = Value;
        if (SystemParametersInfoA(SPI_GETMOUSEHOVERWIDTH, 0, &Value, 0))
            HoverWidth = static_cast<int>(Value);
        if (SystemParametersInfoA(SPI_GETMOUSEHOVERHEIGHT, 0, &Value, 0))
            HoverHeight = static_cast<int>(Value);
    }
    ~TShellCtrlsUnit()
    {
        if (--Nesting != 0)
            return;
        SharedStream.reset();
        if (OleStarted)
            OleUninitialize();
    }
};

TShellCtrlsUnit& Unit()
{
    static TShellCtrlsUnit U;
    return U;
}
[[maybe_unused]] const bool Started = Unit().Nesting > 0;

} // namespace

UINT ShellIdListFormat() { return Unit().IdListFormat; }
DWORD ShellHoverTime() { return Unit().HoverTime; }
int ShellHoverWidth() { return Unit().HoverWidth; }
int ShellHoverHeight() { return Unit().HoverHeight; }
bool ShellOleInitialized() { return Unit().OleStarted; }
TMemoryStream* ShellSharedStream() { return Unit().SharedStream.get(); }

// ---------------------------------------------------------------------------
// TRzShellLocator
// ---------------------------------------------------------------------------

void TRzShellLocator::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TRzShellLocator::Assign(const TPersistent* Source)
{
    if (!Source) {
        if (FIdList) {
            FIdList.Reset();
            FKind = TRzLocatorKind::IdList;
            Changed();
        }
        return;
    }
    if (auto* Other = dynamic_cast<const TRzShellLocator*>(Source)) {
        if (IsEqual(Other))
            return;
        FKind = Other->FKind;
        FSpecialFolder = Other->FSpecialFolder;
        FIdList = FKind == TRzLocatorKind::IdList ? CopyIdListOrNone(Other->FIdList.Get()) : TPidl();
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

TPidl TRzShellLocator::CopyIdListOrNone(LPCITEMIDLIST Pidl)
{
    return Pidl ? CopyIdList(Pidl) : TPidl();
}

bool TRzShellLocator::IsEqual(const TRzShellLocator* Other) const
{
    if (!Other || Other->FKind != FKind)
        return false;
    if (Other == this)
        return true;
    if (FKind == TRzLocatorKind::IdList)
        return CompareAbsIdLists(FIdList.Get(), Other->FIdList.Get()) == 0;
    return FSpecialFolder == Other->FSpecialFolder;
}

LPCITEMIDLIST TRzShellLocator::IdList() const
{
    if (FKind == TRzLocatorKind::SpecialFolder && !FIdList) {
        const HWND Owner = Application ? Application->Handle() : nullptr;
        ShellGetSpecialFolderPidl(Owner, FSpecialFolder, FIdList);
    }
    return FIdList.Get();
}

void TRzShellLocator::SetIdList(LPCITEMIDLIST Value)
{
    bool Change;
    if (FKind == TRzLocatorKind::SpecialFolder)
        Change = true;
    else if (FIdList) {
        const int C = CompareAbsIdLists(FIdList.Get(), Value);
        Change = C != 0 && C != CompareFailed;
    } else
        Change = Value && Value->mkid.cb != 0;
    FKind = TRzLocatorKind::IdList;
    FSpecialFolder = csidlNone;
    // The desktop is stored as no list at all.
    FIdList = IdListLen(Value) > 2 ? CopyIdList(Value) : TPidl();
    if (Change)
        Changed();
}

void TRzShellLocator::SetSpecialFolder(TCSIDL Value)
{
    const bool Change = FKind != TRzLocatorKind::SpecialFolder || FSpecialFolder != Value;
    FIdList.Reset();
    FKind = TRzLocatorKind::SpecialFolder;
    FSpecialFolder = Value;
    if (Change)
        Changed();
}

std::string TRzShellLocator::PathName() const
{
    return ShellPidlToPath(IdList());
}

void TRzShellLocator::SetPathName(const std::string& Value)
{
    TPidl P;
    if (SUCCEEDED(ShellPathToPidl(Value, P)))
        SetIdList(P.Get());
    else
        SetIdList(nullptr);
}

namespace {
// A stored list must end in its terminator exactly at its length, with every
// item inside it.
bool WellFormedList(const std::string& Bytes)
{
    size_t At = 0;
    while (At + 2 <= Bytes.size()) {
        const size_t Cb = static_cast<unsigned char>(Bytes[At]) | (static_cast<unsigned char>(Bytes[At + 1]) << 8);
        if (Cb == 0)
            return At + 2 == Bytes.size();
        if (Cb < 2 || At + Cb > Bytes.size())
            return false;
        At += Cb;
    }
    return false;
}
} // namespace

void TRzShellLocator::ReadData(TStream* Stream)
{
    unsigned char Kind = 0;
    Stream->ReadBuffer(&Kind, 1);
    if (Kind != 0) {
        unsigned char Id = 0;
        Stream->ReadBuffer(&Id, 1);
        FIdList.Reset();
        FKind = TRzLocatorKind::SpecialFolder;
        FSpecialFolder = Id;
        return;
    }
    std::int32_t Len = 0;
    Stream->ReadBuffer(&Len, 4);
    if (Len == 0) {
        // An empty list was stored for the desktop.
        FIdList.Reset();
        FKind = TRzLocatorKind::SpecialFolder;
        FSpecialFolder = csidlDesktop;
        return;
    }
    if (Len < 2 || Len > Stream->Size() - Stream->Position())
        throw EShellLocatorError("Stored item-ID list overruns its stream");
    std::string Bytes = Stream->ReadString(Len);
    if (!WellFormedList(Bytes))
        throw EShellLocatorError("Stored item-ID list is not terminated");
    auto* P = static_cast<LPITEMIDLIST>(ShellMemAlloc(static_cast<SIZE_T>(Len)));
    if (!P)
        throw std::bad_alloc();
    std::memcpy(P, Bytes.data(), Bytes.size());
    FIdList.Reset(P);
    FKind = TRzLocatorKind::IdList;
    FSpecialFolder = csidlNone;
}

void TRzShellLocator::WriteData(TStream* Stream) const
{
    const unsigned char Kind = static_cast<unsigned char>(FKind);
    Stream->WriteBuffer(&Kind, 1);
    if (FKind == TRzLocatorKind::IdList) {
        const std::int32_t Len = IdListLen(FIdList.Get());
        Stream->WriteBuffer(&Len, 4);
        if (FIdList)
            Stream->WriteBuffer(FIdList.Get(), Len);
    } else
        Stream->WriteBuffer(&FSpecialFolder, 1);
}

// ---------------------------------------------------------------------------
// Details adapter
// ---------------------------------------------------------------------------

TShellFolder2ToShellDetailsAdapter::TShellFolder2ToShellDetailsAdapter(TComPtr<IShellFolder2> ShellFolder)
    : TComObject(IID_IShellDetails), FFolder(std::move(ShellFolder))
{
}

HRESULT STDMETHODCALLTYPE TShellFolder2ToShellDetailsAdapter::GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column,
                                                                           SHELLDETAILS* Details)
{
    SHCOLSTATEF State = 0;
    // Only the columns a folder shows by default: the list asks column by
    // column until one is refused.
    if (SUCCEEDED(FFolder->GetDefaultColumnState(Column, &State)) && !(State & SHCOLSTATE_ONBYDEFAULT))
        return E_INVALIDARG;
    return FFolder->GetDetailsOf(Pidl, Column, Details);
}

HRESULT STDMETHODCALLTYPE TShellFolder2ToShellDetailsAdapter::ColumnClick(UINT)
{
    return E_NOTIMPL;
}

TComPtr<IShellDetails> GetShellDetails(IShellFolder* ShellFolder)
{
    TComPtr<IShellDetails> Details;
    if (!ShellFolder)
        return Details;
    TComPtr<IShellFolder2> ShellFolder2;
    if (SUCCEEDED(ShellFolder->QueryInterface(IID_IShellFolder2, ShellFolder2.PutVoid())) && ShellFolder2) {
        SHELLDETAILS Probe{};
        if (SUCCEEDED(ShellFolder2->GetDetailsOf(nullptr, 0, &Probe))) {
            if (Probe.str.uType == STRRET_WSTR)
                CoTaskMemFree(Probe.str.pOleStr);
            return TComPtr<IShellDetails>::AddRefOf(new TShellFolder2ToShellDetailsAdapter(std::move(ShellFolder2)));
        }
        if (SUCCEEDED(ShellFolder->QueryInterface(IID_IShellDetails, Details.PutVoid())) && Details)
            return Details;
    }
    if (FAILED(ShellFolder->CreateViewObject(nullptr, IID_IShellDetails, Details.PutVoid())))
        Details.Reset();
    return Details;
}
