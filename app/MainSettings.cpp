// The main form's settings: the wizard's options read from and written to
// the settings store.
#include "app/Main.h"

#include "app/KvWizardOptions.h"
#include "app/TessalyStart.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzRadChk.h"
#include "controls/RzRadGrp.h"
#include "foundation/KvAppBase.h"

void TfrmTessaly::GetWizardOptions(TWizardOptions& O)
{
    O.CheckForUpdates = cbxCheckForUpdates->Checked();
    O.SourceFormat = GetSelectedSourceFormat();
    O.IncludeSubfolders = grpSourceOptions->GetItemChecked(0);
    O.SkipTrashJunk = grpSourceOptions->GetItemChecked(1);
    O.SourceFolders = SourceFolders;
    O.TargetFormat = GetSelectedTargetFormat();
    O.TargetFolder = edtTargetFolder->Text();
    O.RestoreFolderTree = grpTargetOptions->GetItemChecked(0);
    O.MatchDates = grpTargetOptions->GetItemChecked(1);
    O.Md5FileNames = grpTargetOptions->GetItemChecked(2);
}

void TfrmTessaly::SetWizardOptions(const TWizardOptions& O)
{
    cbxCheckForUpdates->SetChecked(O.CheckForUpdates);
    SelectSourceFormat(O.SourceFormat);
    grpSourceOptions->SetItemChecked(0, O.IncludeSubfolders);
    grpSourceOptions->SetItemChecked(1, O.SkipTrashJunk);
    SourceFolders = O.SourceFolders;
    // The format's click normalises the text it finds; a stored target
    // comes after it and stays as the user left it.
    SelectTargetFormat(O.TargetFormat);
    if (!O.TargetFolder.empty())
        edtTargetFolder->SetText(O.TargetFolder);
    grpTargetOptions->SetItemChecked(0, O.RestoreFolderTree);
    grpTargetOptions->SetItemChecked(1, O.MatchDates);
    grpTargetOptions->SetItemChecked(2, O.Md5FileNames);
}

void TfrmTessaly::LoadSettings()
{
    TKvFormSave::LoadSettings();
    if (SettingsAreNew || !AppSettings)
        return;
    TWizardOptions O;
    GetWizardOptions(O);
    LoadWizardOptions(*AppSettings, O);
    SetWizardOptions(O);
    FCheckForUpdates = O.CheckForUpdates;
    // From now on only the user's clicks on the box act.
    cbxCheckForUpdates->SetTag(1);
}

void TfrmTessaly::SaveSettings()
{
    TKvFormSave::SaveSettings();
    if (!AppSettings)
        return;
    TWizardOptions O;
    GetWizardOptions(O);
    O.CheckForUpdates = FCheckForUpdates;
    SaveWizardOptions(*AppSettings, O, BuildNumber);
}
