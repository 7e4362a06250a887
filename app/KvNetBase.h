#pragma once
// Downloading one address into a file on a worker thread: the component
// TUrlDownload, its thread and the binding-status callback, with the URL
// and cache calls as a replaceable transport (the system's is loaded by
// name). And the update check's reading of the downloaded information file.
#include <windows.h>

#include <urlmon.h>

#include <functional>
#include <memory>
#include <string>

#include "classlib/Classes.h"

// The calls a download makes; a test puts its own in.
struct TUrlTransport {
    std::function<HRESULT(const char* Url, const char* File, IBindStatusCallback* Callback)> DownloadToFile;
    std::function<HRESULT(const char* Url, char* Buffer, DWORD Size, IBindStatusCallback* Callback)> DownloadToCache;
    std::function<BOOL(const char* Url)> DeleteCacheEntry;
};
// URLMON.DLL and wininet.dll, each loaded once on first use; a missing
// function answers -1.
const TUrlTransport& SystemUrlTransport();
// What a new download uses: the system's, unless a program (a test
// program, which must never reach the network) puts another one here.
// Answers the previous one.
TUrlTransport SetDefaultUrlTransport(TUrlTransport Transport);
const TUrlTransport& DefaultUrlTransport();

// The other functions of wininet.dll, bound by name with the download's;
// a call whose function is missing answers -1.
BOOL KvInternetAutodial(DWORD Flags, HWND Parent);
DWORD KvInternetDial(HWND Parent, const char* Connectoid, DWORD Flags, DWORD_PTR* Connection, DWORD Reserved);
BOOL KvInternetGetConnectedState(DWORD* Flags, DWORD Reserved);
BOOL KvDetectAutoProxyUrl(char* ProxyUrl, DWORD Length, DWORD DetectFlags);

class TUrlDownload;
struct TDownloadShared;

using TProgressEvent = std::function<void(TObject* Sender, int Percent, bool& Cancel)>;
using TShowInfoEvent =
    std::function<void(TObject* Sender, bool Aborted, bool IsError, const std::string& Text, HRESULT Code)>;

// Progress × 100 / ProgressMax rounded to the nearest integer, in 64 bits
// (a file past 42 MB would overflow 32); 0 when ProgressMax is 0.
int DownloadPercent(ULONG Progress, ULONG ProgressMax);

class TUrlDownload : public TComponent {
public:
    explicit TUrlDownload(TComponent* AOwner);
    // A download still running is detached: its thread finishes on its own
    // and no event reaches this component any more; nothing waits.
    ~TUrlDownload() override;

    std::string SourceUrl;
    std::string TargetFolder;
    std::string TargetName;
    bool DownloadToCache = false;
    TUrlTransport Transport = DefaultUrlTransport();

    HRESULT Hr() const { return FHr; }
    const std::string& TargetFile() const { return FTargetFile; }
    bool Busy() const { return FBusy; }
    // Preset of every progress event's Cancel.
    bool Cancel = false;
    // The last stop report.
    bool Aborted() const { return FAborted; }
    bool IsError() const { return FIsError; }

    // False while a download runs; else starts one on its own thread.
    bool StartDownload();
    // The file a download of the current settings writes.
    std::string WorkOutTargetFile() const;

    TNotifyEvent OnDownloadBegin;
    TProgressEvent OnProgress;
    TNotifyEvent OnLowResources;
    TShowInfoEvent OnShowInfo;
    TNotifyEvent OnDownloadEnd;

private:
    friend class TDownloadThread;
    friend class TUrlCallBack;
    void EndDownload(HRESULT Result);
    HRESULT FHr = S_OK;
    std::string FTargetFile;
    bool FBusy = false;
    bool FAborted = false;
    bool FIsError = false;
    std::string FInfoText;
    std::shared_ptr<TDownloadShared> FShared;
};

// What the update check knows and shows.
struct TUpdateCheck {
    int BuildNumber = 1600;
    std::string ProductName;
    bool FirstStart = false;
    // The web-site link; the information file may replace both.
    std::string LinkText;
    std::string LinkUrl;
};

// Reads the downloaded information file (section "Application") and offers
// a newer version; silent when Hr is not 0 or the file is missing.
void ProcessUpdateInfo(HRESULT Hr, const std::string& File, TUpdateCheck& Check);
// "%s" replaced by the build number as plain text; empty unless the
// result is an http:// or https:// address.
std::string UpdateAddress(const std::string& Url, int BuildNumber);
