#pragma once
// What a test of the main form swaps for its own while it runs, and puts
// back after: the settings store (an ini file the test names), whether the
// settings count as new, the message boxes, which are recorded and answered
// (or made to throw) instead of shown, and the beeps, which are recorded
// instead of sounded.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/Dialogs.h"
#include "classlib/SysUtils.h"
#include "foundation/KvAppBase.h"
#include "foundation/KvSystem.h"

class TScratchSettings {
public:
    TScratchSettings(const std::string& IniFile, bool New)
        : FOldSettings(AppSettings), FOldNew(SettingsAreNew)
    {
        AppSettings = new TKvAppSettings(IniFile);
        SettingsAreNew = New;
        FOldHook = SetMessageDlgHook([this](const TMessageDlgRequest& R) {
            Requests.push_back(R);
            Boxes.push_back(R.Msg);
            if (Throw)
                throw Exception("thrown by the box");
            return Answer;
        });
        GHooks.Beep = [this](UINT Sound) { Beeps.push_back(Sound); };
    }
    ~TScratchSettings()
    {
        SetMessageDlgHook(FOldHook);
        delete AppSettings;
        AppSettings = FOldSettings;
        SettingsAreNew = FOldNew;
    }
    TScratchSettings(const TScratchSettings&) = delete;
    TScratchSettings& operator=(const TScratchSettings&) = delete;

    // The boxes' texts, and the whole requests, in the order asked.
    std::vector<std::string> Boxes;
    std::vector<TMessageDlgRequest> Requests;
    std::vector<UINT> Beeps;
    TModalResult Answer = mrOk;
    // A box throws instead of answering while this is set.
    bool Throw = false;

private:
    TKvAppSettings* FOldSettings;
    bool FOldNew;
    THooksScope FHooks;
    TMessageDlgHook FOldHook;
};
