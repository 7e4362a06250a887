#include "app/KvNetBase.h"

#include "app/KvHelpBase.h"
#include "classlib/SysUtils.h"
#include "classlib/Threads.h"
#include "foundation/KvMemIni.h"
#include "foundation/KvSystem.h"

#include <atomic>
#include <cstring>

// ---------------------------------------------------------------------------
// The system transport
// ---------------------------------------------------------------------------

namespace {

struct TLibrary {
    HMODULE Module = nullptr;
    explicit TLibrary(const char* Name) : Module(LoadLibraryA(Name)) {}
    ~TLibrary()
    {
        if (Module)
            FreeLibrary(Module);
    }
    template <typename F> F Proc(const char* Name) const
    {
        return Module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, Name))) : nullptr;
    }
};

const TLibrary& Urlmon()
{
    static TLibrary L("URLMON.DLL");
    return L;
}

const TLibrary& Wininet()
{
    static TLibrary L("wininet.dll");
    return L;
}

using TToFile = HRESULT(WINAPI*)(IUnknown*, LPCSTR, LPCSTR, DWORD, IBindStatusCallback*);
using TToCache = HRESULT(WINAPI*)(IUnknown*, LPCSTR, LPSTR, DWORD, DWORD, IBindStatusCallback*);
using TDeleteEntry = BOOL(WINAPI*)(LPCSTR);
using TAutodial = BOOL(WINAPI*)(DWORD, HWND);
using TDial = DWORD(WINAPI*)(HWND, LPSTR, DWORD, DWORD_PTR*, DWORD);
using TConnectedState = BOOL(WINAPI*)(LPDWORD, DWORD);
using TDetectProxy = BOOL(WINAPI*)(LPSTR, DWORD, DWORD);

// The answer of a call whose function the library lacks.
constexpr int MissingFunction = -1;

} // namespace

BOOL KvInternetAutodial(DWORD Flags, HWND Parent)
{
    auto P = Wininet().Proc<TAutodial>("InternetAutodial");
    return P ? P(Flags, Parent) : MissingFunction;
}

DWORD KvInternetDial(HWND Parent, const char* Connectoid, DWORD Flags, DWORD_PTR* Connection, DWORD Reserved)
{
    auto P = Wininet().Proc<TDial>("InternetDial");
    return P ? P(Parent, const_cast<LPSTR>(Connectoid), Flags, Connection, Reserved)
             : static_cast<DWORD>(MissingFunction);
}

BOOL KvInternetGetConnectedState(DWORD* Flags, DWORD Reserved)
{
    auto P = Wininet().Proc<TConnectedState>("InternetGetConnectedState");
    return P ? P(Flags, Reserved) : MissingFunction;
}

BOOL KvDetectAutoProxyUrl(char* ProxyUrl, DWORD Length, DWORD DetectFlags)
{
    auto P = Wininet().Proc<TDetectProxy>("DetectAutoProxyUrl");
    return P ? P(ProxyUrl, Length, DetectFlags) : MissingFunction;
}

const TUrlTransport& SystemUrlTransport()
{
    static const TUrlTransport T{
        [](const char* Url, const char* File, IBindStatusCallback* Cb) -> HRESULT {
            auto P = Urlmon().Proc<TToFile>("URLDownloadToFileA");
            return P ? P(nullptr, Url, File, 0, Cb) : MissingFunction;
        },
        [](const char* Url, char* Buffer, DWORD Size, IBindStatusCallback* Cb) -> HRESULT {
            auto P = Urlmon().Proc<TToCache>("URLDownloadToCacheFileA");
            return P ? P(nullptr, Url, Buffer, Size, 0, Cb) : MissingFunction;
        },
        [](const char* Url) -> BOOL {
            auto P = Wininet().Proc<TDeleteEntry>("DeleteUrlCacheEntry");
            return P ? P(Url) : FALSE;
        },
    };
    return T;
}

namespace {

TUrlTransport& DefaultTransport()
{
    static TUrlTransport T = SystemUrlTransport();
    return T;
}

} // namespace

TUrlTransport SetDefaultUrlTransport(TUrlTransport Transport)
{
    std::swap(DefaultTransport(), Transport);
    return Transport;
}

const TUrlTransport& DefaultUrlTransport()
{
    return DefaultTransport();
}

int DownloadPercent(ULONG Progress, ULONG ProgressMax)
{
    if (ProgressMax == 0)
        return 0;
    const unsigned long long Max = ProgressMax;
    return static_cast<int>((static_cast<unsigned long long>(Progress) * 100 + Max / 2) / Max);
}

// ---------------------------------------------------------------------------
// Thread and callback
// ---------------------------------------------------------------------------

// What the component and its thread share. The owner pointer is read and
// cleared only on the GUI thread, where every synchronised call runs, so a
// component that went away mid-download simply gets no more events.
struct TDownloadShared {
    TUrlDownload* Owner = nullptr;
};

class TUrlCallBack : public IBindStatusCallback {
public:
    explicit TUrlCallBack(std::shared_ptr<TDownloadShared> Shared) : FShared(std::move(Shared)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Riid, void** Object) override
    {
        if (IsEqualIID(Riid, __uuidof(IUnknown)) || IsEqualIID(Riid, __uuidof(IBindStatusCallback))) {
            *Object = static_cast<IBindStatusCallback*>(this);
            AddRef();
            return S_OK;
        }
        *Object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG N = --FRefs;
        if (N == 0)
            delete this;
        return N;
    }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override
    {
        FBeginSeen = true;
        return Sync([](TUrlDownload* D) {
            if (D->OnDownloadBegin)
                D->OnDownloadBegin(D);
        });
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override
    {
        return Sync([](TUrlDownload* D) {
            if (D->OnLowResources)
                D->OnLowResources(D);
        });
    }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG Progress, ULONG ProgressMax, ULONG, LPCWSTR) override
    {
        const int Percent = DownloadPercent(Progress, ProgressMax);
        bool Stop = false;
        const HRESULT R = Sync([&](TUrlDownload* D) {
            bool Cancel = D->Cancel;
            if (D->OnProgress)
                D->OnProgress(D, Percent, Cancel);
            Stop = Cancel;
        });
        return Stop ? E_ABORT : R;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT Result, LPCWSTR) override
    {
        FStopResult = Result;
        const bool Aborted = Result == E_ABORT;
        const bool IsError = !Aborted && Result != S_OK && Result != S_FALSE;
        const std::string Text = IsError ? SysErrorMessage(static_cast<DWORD>(Result)) : std::string();
        return Sync([&](TUrlDownload* D) {
            D->FAborted = Aborted;
            D->FIsError = IsError;
            D->FInfoText = Text;
            if (D->OnShowInfo)
                D->OnShowInfo(D, Aborted, IsError, Text, Result);
        });
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    // No event after this: the download call has returned.
    void Detach() { FDetached = true; }
    std::exception_ptr Caught() const { return FCaught; }

private:
    virtual ~TUrlCallBack() = default;
    // Runs Event on the GUI thread for a component still attached. An
    // exception it raises stops the download and is raised again in the
    // thread once the download call has returned.
    template <typename F> HRESULT Sync(F&& Event)
    {
        if (FDetached || FCaught)
            return FCaught ? E_ABORT : S_OK;
        try {
            auto Shared = FShared;
            TThread::Synchronize([&] {
                if (Shared->Owner)
                    Event(Shared->Owner);
            });
        } catch (...) {
            FCaught = std::current_exception();
            return E_ABORT;
        }
        return S_OK;
    }
    std::shared_ptr<TDownloadShared> FShared;
    std::atomic<ULONG> FRefs{1};
    bool FBeginSeen = false;
    bool FDetached = false;
    HRESULT FStopResult = S_OK;
    std::exception_ptr FCaught;
};

class TDownloadThread : public TThread {
public:
    TDownloadThread(std::shared_ptr<TDownloadShared> Shared, std::string Url, std::string File, bool ToCache,
                    TUrlTransport Transport)
        : FShared(std::move(Shared)), FUrl(std::move(Url)), FFile(std::move(File)), FToCache(ToCache),
          FTransport(std::move(Transport))
    {
        SetFreeOnTerminate(true);
    }

protected:
    void Execute() override
    {
        NameThreadForDebugging("TDownloadThread");
        const bool ComStarted = SUCCEEDED(CoInitialize(nullptr));
        auto* Callback = new TUrlCallBack(FShared);
        HRESULT Result = E_FAIL;
        std::exception_ptr Failure;
        try {
            if (FTransport.DeleteCacheEntry)
                FTransport.DeleteCacheEntry(FUrl.c_str());
            if (FToCache) {
                char Buffer[MAX_PATH] = {};
                Result = FTransport.DownloadToCache ? FTransport.DownloadToCache(FUrl.c_str(), Buffer, MAX_PATH, Callback)
                                                    : HRESULT(-1);
                if (Result == S_OK) {
                    const std::string CacheFile = Buffer;
                    auto Shared = FShared;
                    Synchronize([&] {
                        if (Shared->Owner)
                            Shared->Owner->FTargetFile = CacheFile;
                    });
                }
            } else {
                Result = FTransport.DownloadToFile ? FTransport.DownloadToFile(FUrl.c_str(), FFile.c_str(), Callback)
                                                   : HRESULT(-1);
            }
            if (Result == E_OUTOFMEMORY)
                throw Exception(SysErrorMessage(static_cast<DWORD>(E_OUTOFMEMORY)));
            if (Callback->Caught())
                std::rethrow_exception(Callback->Caught());
        } catch (...) {
            Failure = std::current_exception();
            if (Result == S_OK)
                Result = E_FAIL;
        }
        // The end always runs, so the component is never left busy and its
        // end event always fires.
        Callback->Detach();
        Callback->Release();
        if (ComStarted)
            CoUninitialize();
        auto Shared = FShared;
        try {
            Synchronize([&] {
                if (Shared->Owner)
                    Shared->Owner->EndDownload(Result);
            });
        } catch (...) {
            if (!Failure)
                Failure = std::current_exception();
        }
        if (Failure)
            std::rethrow_exception(Failure);
    }

private:
    std::shared_ptr<TDownloadShared> FShared;
    std::string FUrl, FFile;
    bool FToCache;
    TUrlTransport FTransport;
};

// ---------------------------------------------------------------------------
// TUrlDownload
// ---------------------------------------------------------------------------

TUrlDownload::TUrlDownload(TComponent* AOwner) : TComponent(AOwner) {}

TUrlDownload::~TUrlDownload()
{
    if (FShared)
        FShared->Owner = nullptr;
}

std::string TUrlDownload::WorkOutTargetFile() const
{
    if (DownloadToCache)
        return std::string();
    auto WithSlash = [](const std::string& F) { return F.empty() || F.back() == '\\' ? F : F + "\\"; };
    if (!TargetName.empty())
        return !TargetFolder.empty() && TargetName.find('\\') == std::string::npos
                   ? WithSlash(TargetFolder) + TargetName
                   : TargetName;
    const size_t Cut = SourceUrl.find_last_of("/\\");
    return WithSlash(TargetFolder) + (Cut == std::string::npos ? SourceUrl : SourceUrl.substr(Cut + 1));
}

bool TUrlDownload::StartDownload()
{
    FHr = E_FAIL;
    if (FBusy)
        return false;
    FAborted = FIsError = false;
    FInfoText.clear();
    FTargetFile = WorkOutTargetFile();
    if (FShared)
        FShared->Owner = nullptr;  // a finished thread may still hold the old one
    FShared = std::make_shared<TDownloadShared>();
    FShared->Owner = this;
    FBusy = true;
    auto* Thread = new TDownloadThread(FShared, SourceUrl, FTargetFile, DownloadToCache, Transport);
    Thread->Start();
    return true;
}

void TUrlDownload::EndDownload(HRESULT Result)
{
    FHr = Result;
    FBusy = false;
    if (OnDownloadEnd)
        OnDownloadEnd(this);
}

// ---------------------------------------------------------------------------
// The update information file
// ---------------------------------------------------------------------------

namespace {

bool StartsWithNoCase(const std::string& Text, const char* Prefix)
{
    const size_t N = strlen(Prefix);
    return Text.size() >= N && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, Text.c_str(), static_cast<int>(N),
                                              Prefix, static_cast<int>(N)) == CSTR_EQUAL;
}

// The message's "%s" replaced by Value, as plain text.
std::string FillText(const std::string& Template, const std::string& Value)
{
    std::string Result = Template;
    const size_t At = Result.find("%s");
    if (At != std::string::npos)
        Result.replace(At, 2, Value);
    return Result;
}

} // namespace

std::string UpdateAddress(const std::string& Url, int BuildNumber)
{
    std::string Result = Url;
    const std::string Build = std::to_string(BuildNumber);
    for (size_t At = Result.find("%s"); At != std::string::npos; At = Result.find("%s", At + Build.size()))
        Result.replace(At, 2, Build);
    if (!StartsWithNoCase(Result, "http://") && !StartsWithNoCase(Result, "https://"))
        return std::string();
    return Result;
}

void ProcessUpdateInfo(HRESULT Hr, const std::string& File, TUpdateCheck& Check)
{
    if (Hr != S_OK || GetFileAttributesA(File.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    TMemIniFile Ini(File, true);
    const char* const Section = "Application";
    const std::string LinkText = Ini.ReadString(Section, "LinkText", "");
    if (!LinkText.empty()) {
        Check.LinkText = LinkText;
        const std::string LinkUrl = UpdateAddress(Ini.ReadString(Section, "LinkUrl", ""), Check.BuildNumber);
        if (!LinkUrl.empty())
            Check.LinkUrl = LinkUrl;
    }
    const int Version = Ini.ReadInteger(Section, "Version", 0);
    if (Version <= Check.BuildNumber) {
        if (Check.FirstStart)
            KvInformation(FillText("Your copy of %s is up-to-date.", Check.ProductName));
        return;
    }
    const std::string VersionText = Ini.ReadString(Section, "VersionText", "");
    if (VersionText.empty())
        return;
    if (!KvConfirm(FillText("Version %s is now available. Would you like to download it?", VersionText)))
        return;
    const std::string Stored = Ini.ReadString(Section, "UpdateUrl", "");
    const std::string Address = Stored.empty() ? UpdateAddress(Check.LinkUrl, Check.BuildNumber)
                                               : UpdateAddress(Stored, Check.BuildNumber);
    if (!Address.empty())
        ShellOpen(Address);
}
