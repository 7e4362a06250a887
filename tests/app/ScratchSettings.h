#pragma once
// What a test of the main form swaps for its own while it runs, and puts
// back after: the settings store (an ini file the test names), whether the
// settings count as new, and the message boxes, which are recorded and
// answered instead of shown.
#include <string>
#include <vector>

#include "classlib/Dialogs.h"
#include "foundation/KvAppBase.h"

class TScratchSettings {
public:
    TScratchSettings(const std::string& IniFile, bool New)
        : FOldSettings(AppSettings), FOldNew(SettingsAreNew)
    {
        AppSettings = new TKvAppSettings(IniFile);
        SettingsAreNew = New;
        FOldHook = SetMessageDlgHook([this](const TMessageDlgRequest& R) {
            Boxes.push_back(R.Msg);
            return Answer;
        });
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

    std::vector<std::string> Boxes;
    TModalResult Answer = mrOk;

private:
    TKvAppSettings* FOldSettings;
    bool FOldNew;
    TMessageDlgHook FOldHook;
};
