#pragma once
// Helpers that build mailbox trees on disk and read the converted ones back.

#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "app/KvConvertDriver.h"
#include "classlib/SysUtils.h"
#include "foundation/KvLogs.h"
#include "testkit/TestFolder.h"

// Files below Folder by relative path, with their bytes.
inline std::map<std::string, std::string> TreeFiles(const std::string& Folder)
{
    std::map<std::string, std::string> files;
    TTestFolder::ForEachFileBelow(Folder, [&](const std::string& Path, const std::string& Relative,
                                              const WIN32_FIND_DATAA&) { files[Relative] = TTestFolder::Read(Path); });
    return files;
}

// Writes Bytes to Path, making its folders first.
inline void PutFile(const std::string& Path, const std::string& Bytes)
{
    TTestFolder::Put(Path, Bytes);
}

// One driver over a plain host in a scratch folder, with the wizard's
// choices as fields and the log kept.
struct TConvertRun {
    TTestFolder Dir{"convert"};
    TPlainConvertHost Host;
    TConvertDriver Driver{Host};

    TConvertRun() { Driver.SkipFoldersFile = Dir.File("SkipFolders.dat"); }

    std::string Src(const std::string& Name) const { return Dir.File("src\\" + Name); }
    std::string Out() const { return Dir.File("out"); }

    void Add(const std::string& Entry, TMailFormat Format)
    {
        Host.Sources.AddObject(Entry, MailFormatToObject(Format));
    }
    void Target(TMailFormat Format, const std::string& Text)
    {
        Host.Choices.TargetFormat = Format;
        Host.Choices.TargetText = Text;
    }
    void Start()
    {
        Host.Log.clear();
        Driver.StartConversion();
    }
    // The counts line; the error log's path may follow the closing line.
    std::string Summary() const
    {
        for (size_t i = Host.Log.size(); i-- > 0;)
            if (Host.Log[i].find(" mailboxes processed, ") != std::string::npos)
                return Host.Log[i];
        return std::string();
    }
    bool Logged(const std::string& Line) const
    {
        for (const std::string& l : Host.Log)
            if (l == Line)
                return true;
        return false;
    }
    // The log lines that start with Prefix.
    std::vector<std::string> Lines(const std::string& Prefix) const
    {
        std::vector<std::string> found;
        for (const std::string& l : Host.Log)
            if (l.compare(0, Prefix.size(), Prefix) == 0)
                found.push_back(l);
        return found;
    }
    std::string LogText() const
    {
        std::string s;
        for (const std::string& l : Host.Log)
            s += l + "|";
        return s;
    }
};

inline std::string Counters(int Boxes, int Msgs, int Dups, int Errors)
{
    return Format("%d mailboxes processed, %d messages converted, %d duplicates skipped, %d errors.", Boxes, Msgs,
                  Dups, Errors);
}

// Message N of the hostile runs: a whole message with its separator.
inline std::string Message(int N, const std::string& Br = "\n")
{
    const std::string n = std::to_string(N);
    return "From a@b Mon Jan  5 10:00:00 2009" + Br + "From: a@b" + Br + "Subject: note " + n + Br +
           "Date: Mon, 05 Jan 2009 10:00:00 +0000" + Br + "Message-ID: <m" + n + "@b>" + Br + "Content-Type: text/plain" + Br + Br + "Body " + n +
           "." + Br + Br;
}

// How often Part stands in Text.
inline int CountOf(const std::string& Text, const std::string& Part)
{
    int n = 0;
    for (size_t p = Text.find(Part); p != std::string::npos; p = Text.find(Part, p + 1))
        ++n;
    return n;
}

// An mbox of the messages Numbers.
inline std::string Mbox(std::initializer_list<int> Numbers)
{
    std::string s;
    for (const int n : Numbers)
        s += Message(n);
    return s;
}

// The error log's rows after its header, each split into its columns; the
// log is closed first, so that its rows are on disk.
inline std::vector<std::vector<std::string>> ErrorRows(const std::string& File)
{
    FreeErrorLog();
    std::vector<std::vector<std::string>> rows;
    const std::string log = TTestFolder::Read(File);
    for (size_t p = log.find("\r\n"), q; p != std::string::npos && (q = log.find("\r\n", p + 2)) != std::string::npos;
         p = q) {
        std::vector<std::string> columns;
        const std::string line = log.substr(p + 2, q - p - 2);
        for (size_t a = 0, b = 0; b != std::string::npos; a = b + 1) {
            b = line.find('\t', a);
            columns.push_back(line.substr(a, b == std::string::npos ? b : b - a));
        }
        rows.push_back(columns);
    }
    return rows;
}
