#pragma once
// A scratch mail store for the re-embedding tests: files put beside the
// mailbox, a message rebuilt for a format kind with the error log caught.

#include <windows.h>

#include <string>

#include "testkit/ErrorLogAt.h"
#include "testkit/TestFolder.h"
#include "foundation/KvFiles.h"
#include "foundation/KvLists.h"
#include "foundation/KvLogs.h"
#include "mail/KvMsgParts.h"
#include "mail/KvNamedFiles.h"
#include "mail/KvReEmbed.h"

class TReEmbedStore {
public:
    explicit TReEmbedStore(const char* Tag) : Dir(Tag) {}

    // Name may hold sub-folders; they are made first.
    void Put(const std::string& Name, const std::string& Bytes)
    {
        const std::string path = Dir.File(Name);
        for (size_t p = path.find('\\', Dir.Path().size() + 1); p != std::string::npos; p = path.find('\\', p + 1))
            CreateDirectoryA(path.substr(0, p).c_str(), nullptr);
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(f, Bytes.data(), static_cast<DWORD>(Bytes.size()), &put, nullptr);
        CloseHandle(f);
    }

    // Rebuilds Text as a message of Kind stored in the folder and answers
    // the message written; Logged gets the error log.
    // Folder: the mailbox folder below the store's, when not the store's.
    std::string Rebuild(const std::string& Text, TMailboxKind Kind, TMessageParts& Parts,
                        TDoubleStringList* Preloaded = nullptr, bool Finfo = false, const std::string& Folder = "")
    {
        TNamedFileJudge Judge;
        CatchLog([&] { RebuildPartsByKind(Parts, Text, Dir.Path() + "\\" + Folder, Finfo, Preloaded, Kind, Judge); });
        std::string out;
        Parts.RenderMessage(0, 1, out);
        return out;
    }

    // The same with the mailbox in Folder below the store's.
    std::string RebuildIn(const std::string& Text, TMailboxKind Kind, TMessageParts& Parts, const std::string& Folder)
    {
        return Rebuild(Text, Kind, Parts, nullptr, false, Folder);
    }

    // Runs Action with the error log's rows caught in Logged.
    template <typename TAction>
    void CatchLog(TAction Action)
    {
        const std::string log = Dir.File("errors.txt");
        DeleteFileA(log.c_str());
        {
            const TErrorLogAt errorLog(log);
            Action();
        }
        Logged = LoadFileToString(log);
    }

    TTestFolder Dir;
    std::string Logged;
};
