#pragma once
// Transports for the download component that never touch the network.
#include <windows.h>
#include <urlmon.h>

#include <string>
#include <vector>

#include "app/KvNetBase.h"

namespace {

// A transport that never touches the network: it reports what a binding
// would and answers Result.
inline TUrlTransport FakeTransport(HRESULT Result, const std::string& Bytes, std::vector<std::string>* Deleted = nullptr)
{
    TUrlTransport T;
    T.DeleteCacheEntry = [Deleted](const char* Url) {
        if (Deleted)
            Deleted->push_back(Url);
        return TRUE;
    };
    T.DownloadToFile = [Result, Bytes](const char*, const char* File, IBindStatusCallback* Cb) {
        Cb->OnStartBinding(0, nullptr);
        if (Cb->OnProgress(1, 2, 0, nullptr) == E_ABORT) {
            Cb->OnStopBinding(E_ABORT, nullptr);
            return E_ABORT;
        }
        if (Result == S_OK) {
            HANDLE H = CreateFileA(File, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD Written = 0;
            WriteFile(H, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr);
            CloseHandle(H);
        }
        Cb->OnStopBinding(Result, nullptr);
        return Result;
    };
    return T;
}

// What the system transport answers without a network: the host is not
// found, after the binding started.
constexpr HRESULT OfflineResult = static_cast<HRESULT>(0x800C0008);
inline TUrlTransport OfflineTransport()
{
    return FakeTransport(OfflineResult, "");
}

} // namespace
