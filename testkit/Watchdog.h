#pragma once
// A bound on a step that could hang (a free that never ends, a paint that
// runs for minutes): past it the test program ends at once with the step's
// name, failed, instead of holding the run until its time-out.
#include <windows.h>

#include <cstdio>
#include <string>

class TWatchdog {
public:
    TWatchdog(std::string What, DWORD Milliseconds)
        : FWhat(std::move(What)), FBound(Milliseconds), FDone(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        FThread = CreateThread(nullptr, 0, &Watch, this, 0, nullptr);
    }
    ~TWatchdog()
    {
        SetEvent(FDone);
        WaitForSingleObject(FThread, INFINITE);
        CloseHandle(FThread);
        CloseHandle(FDone);
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* Self)
    {
        auto W = static_cast<TWatchdog*>(Self);
        if (WaitForSingleObject(W->FDone, W->FBound) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "Failure: not done within %lu ms: %s\n", static_cast<unsigned long>(W->FBound),
                         W->FWhat.c_str());
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }

    std::string FWhat;
    DWORD FBound;
    HANDLE FDone;
    HANDLE FThread = nullptr;
};
