#pragma once
// The process-wide error log written at a file of the test's while the
// scope lasts; at its end the log is closed, so that its rows are on disk
// and the file can go, and named as before.
#include <string>

#include "classlib/Cleanup.h"
#include "foundation/KvLogs.h"

class TErrorLogAt {
public:
    explicit TErrorLogAt(const std::string& File) : FName(ErrorLogFileName, File) {}
    ~TErrorLogAt() { FreeErrorLog(); }
    TErrorLogAt(const TErrorLogAt&) = delete;
    TErrorLogAt& operator=(const TErrorLogAt&) = delete;

private:
    TRestoreScope<std::string> FName;
};
