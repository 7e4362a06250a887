#pragma once
// The shell dialog components: non-visual components that keep their
// settings while no form exists, make their form for one Execute, fill it,
// run it modally, read the results and the placement back and free it.
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "classlib/Cleanup.h"
#include "classlib/Forms.h"
#include "classlib/Streams.h"
#include "controls/RzButton.h"
#include "controls/RzCommon.h"
#include "shell/RzShellCtrls.h"
#include "shell/RzShellFolderForm.h"
#include "shell/RzShellOpenForm.h"

// ---------------------------------------------------------------------------
// TRzShellDialog: the common base
// ---------------------------------------------------------------------------

class TRzShellDialog : public TComponent {
public:
    explicit TRzShellDialog(TComponent* AOwner);

    // Runs the dialog; true when the user accepted the form with OK.
    // Exception "<class name> already executing" while it runs.
    bool Execute();
    bool Executing() const { return FExecuting; }

    // Where the form opens. Left and top count only with poDesigned; width
    // and height only above 0. Execute leaves the last form's restored
    // rectangle here.
    TPosition FormPosition() const { return FFormPosition; }
    void SetFormPosition(TPosition Value) { FFormPosition = Value; }
    int FormLeft() const { return FFormLeft; }
    void SetFormLeft(int Value) { FFormLeft = Value; }
    int FormTop() const { return FFormTop; }
    void SetFormTop(int Value) { FFormTop = Value; }
    int FormWidth() const { return FFormWidth; }
    void SetFormWidth(int Value) { FFormWidth = Value; }
    int FormHeight() const { return FFormHeight; }
    void SetFormHeight(int Value) { FFormHeight = Value; }
    TWindowState FormWindowState() const { return FFormWindowState; }
    void SetFormWindowState(TWindowState Value) { FFormWindowState = Value; }
    // The form's caption; empty gives the dialog's own.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }

    // Appearance handed to the form's controls.
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value) { FFrameColor = Value; }
    TFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TFrameStyle Value) { FFrameStyle = Value; }
    bool FrameVisible() const { return FFrameVisible; }
    void SetFrameVisible(bool Value) { FFrameVisible = Value; }
    TFramingPreference FramingPreference() const { return FFramingPreference; }
    void SetFramingPreference(TFramingPreference Value) { FFramingPreference = Value; }
    TColor ButtonColor() const { return FButtonColor; }
    void SetButtonColor(TColor Value) { FButtonColor = Value; }
    bool ShowButtonGlyphs() const { return FShowButtonGlyphs; }
    void SetShowButtonGlyphs(bool Value) { FShowButtonGlyphs = Value; }
    TColor HighlightColor() const { return FHighlightColor; }
    void SetHighlightColor(TColor Value) { FHighlightColor = Value; }
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool Value) { FHotTrack = Value; }
    TColor HotTrackColor() const { return FHotTrackColor; }
    void SetHotTrackColor(TColor Value) { FHotTrackColor = Value; }
    TRzHotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
    void SetHotTrackColorType(TRzHotTrackColorType Value) { FHotTrackColorType = Value; }
    TRzGradientColorStyle ToolBtnGradientColorStyle() const { return FToolBtnGradientColorStyle; }
    void SetToolBtnGradientColorStyle(TRzGradientColorStyle Value) { FToolBtnGradientColorStyle = Value; }
    TColor ToolBtnSelectionColorStart() const { return FToolBtnSelectionColorStart; }
    void SetToolBtnSelectionColorStart(TColor Value) { FToolBtnSelectionColorStart = Value; }
    TColor ToolBtnSelectionColorStop() const { return FToolBtnSelectionColorStop; }
    void SetToolBtnSelectionColorStop(TColor Value) { FToolBtnSelectionColorStop = Value; }
    TColor ToolBtnSelectionFrameColor() const { return FToolBtnSelectionFrameColor; }
    void SetToolBtnSelectionFrameColor(TColor Value) { FToolBtnSelectionFrameColor = Value; }
    TRzVisualStyle ToolBtnVisualStyle() const { return FToolBtnVisualStyle; }
    void SetToolBtnVisualStyle(TRzVisualStyle Value) { FToolBtnVisualStyle = Value; }

    // The placement record: left, top, width and height as 32-bit
    // little-endian integers, then the window state and the position mode
    // as one byte each.
    virtual void ReadPlacement(TStream* Stream);
    virtual void WritePlacement(TStream* Stream) const;

    // After the form is filled, before it shows (sender: the dialog).
    TNotifyEvent OnInitialized;
    // When the form shows and hides (sender: the form).
    TNotifyEvent OnFormShow;
    TNotifyEvent OnFormClose;

protected:
    virtual void DoInitialized();
    virtual bool DoExecute() = 0;

    // The placement settings into a form about to run.
    void PlaceForm(TCustomForm* Form) const;
    // The form's restored rectangle, window state and position mode back.
    void ReadFormPlacement(const TCustomForm* Form);
    // The appearance settings in the order the forms take them.
    template <typename TShellForm>
    void StyleForm(TShellForm* Form) const
    {
        Form->SetFrameProps(FFrameColor, FFrameStyle, FFrameVisible, FFramingPreference);
        Form->SetButtonProps(FButtonColor, FHotTrack, FHighlightColor, FHotTrackColor, FHotTrackColorType);
        Form->SetShowButtonGlyphs(FShowButtonGlyphs);
        Form->SetToolButtonProps(FToolBtnGradientColorStyle, FToolBtnSelectionColorStart, FToolBtnSelectionColorStop,
                                 FToolBtnSelectionFrameColor, FToolBtnVisualStyle);
    }
    // The life of one form: the hourglass while it is made and filled, the
    // form remembered in Running while it exists, shown modally, read back
    // whatever the user chose, then freed and forgotten and the cursor put
    // back, on every way out. True for mrOk.
    template <typename TShellForm, typename TCreate, typename TInit, typename TRead>
    bool RunForm(TShellForm*& Running, TCreate Create, TInit Init, TRead Read)
    {
        TScreenCursorScope Hourglass(crHourGlass);
        TOwned<TShellForm> Form(Create());
        Init(Form.get());
        Running = Form.get();
        TScopeExit Forget([&Running] { Running = nullptr; });
        DoInitialized();
        const bool Accepted = Form->ShowModal() == mrOk;
        Read(Form.get());
        return Accepted;
    }

private:
    TPosition FFormPosition = poScreenCenter;
    int FFormLeft = -1, FFormTop = -1, FFormWidth = -1, FFormHeight = -1;
    TWindowState FFormWindowState = wsNormal;
    std::string FTitle;
    TColor FFrameColor = clBtnShadow;
    TFrameStyle FFrameStyle = fsFlat;
    bool FFrameVisible = false;
    TFramingPreference FFramingPreference = fpXPThemes;
    TColor FButtonColor = clBtnFace;
    bool FShowButtonGlyphs = false;
    TColor FHighlightColor = clHighlight;
    bool FHotTrack = false;
    TColor FHotTrackColor = 0x00149BF0;
    TRzHotTrackColorType FHotTrackColorType = htctActual;
    TRzGradientColorStyle FToolBtnGradientColorStyle = gcsSystem;
    TColor FToolBtnSelectionColorStart = clBtnFace;
    TColor FToolBtnSelectionColorStop = clBtnShadow;
    TColor FToolBtnSelectionFrameColor = cl3DDkShadow;
    TRzVisualStyle FToolBtnVisualStyle = vsWinXP;
    bool FExecuting = false;
};

// ---------------------------------------------------------------------------
// The folder dialog
// ---------------------------------------------------------------------------

class TRzCustomSelectFolderDialog : public TRzShellDialog {
public:
    explicit TRzCustomSelectFolderDialog(TComponent* AOwner);

    // The root of the tree; assigning copies the locator.
    TRzShellLocator* BaseFolder() const { return FBaseFolder.get(); }
    void SetBaseFolder(const TRzShellLocator* Value) { FBaseFolder->Assign(Value); }
    // The folder selected when the form opens, and the one accepted with OK.
    TRzShellLocator* SelectedFolder() const { return FSelectedFolder.get(); }
    void SetSelectedFolder(const TRzShellLocator* Value) { FSelectedFolder->Assign(Value); }
    std::string SelectedPathName() const { return FSelectedFolder->PathName(); }
    void SetSelectedPathName(const std::string& Value) { FSelectedFolder->SetPathName(Value); }
    TRzSelectFolderDialogOptions Options() const { return FOptions; }
    void SetOptions(TRzSelectFolderDialogOptions Value) { FOptions = Value; }
    // The running form, none outside Execute.
    TRzSelectFolderForm* Form() const { return FForm; }

    // Filters the tree's items.
    TRzShAddItemEvent OnAddItem;
    // Every change of the tree's selection.
    TRzFolderBrowseSelChangeEvent OnSelChange;

protected:
    virtual TRzSelectFolderForm* CreateForm();
    virtual void InitForm(TRzSelectFolderForm* Form);
    virtual void ReadForm(TRzSelectFolderForm* Form);
    bool DoExecute() override;

private:
    std::unique_ptr<TRzShellLocator> FBaseFolder, FSelectedFolder;
    TRzSelectFolderDialogOptions FOptions = DefaultSelectFolderDialogOptions;
    TRzSelectFolderForm* FForm = nullptr;
};

class TRzSelectFolderDialog : public TRzCustomSelectFolderDialog {
public:
    using TRzCustomSelectFolderDialog::TRzCustomSelectFolderDialog;
};

// ---------------------------------------------------------------------------
// The file dialog (runs the open/save form)
// ---------------------------------------------------------------------------

class TRzFileDialog : public TRzShellDialog {
public:
    explicit TRzFileDialog(TComponent* AOwner);

    TRzOpenSaveOptions Options() const { return FOptions; }
    void SetOptions(TRzOpenSaveOptions Value);
    // Pairs of description and mask, each part ended by "|" but the last.
    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& Value);
    // 1-based; the running form's choice while a form runs.
    int FilterIndex() const;
    void SetFilterIndex(int Value);
    // The tree pane's width; below 0 leaves the form's own.
    int FormSplitterPos() const { return FFormSplitterPos; }
    void SetFormSplitterPos(int Value);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    TStrings* HistoryList() const { return FHistoryList.get(); }
    void SetHistoryList(const TStrings* Value) { FHistoryList->Assign(Value); }
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& Value) { FInitialDir = Value; }
    const std::string& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }

    // The names chosen, in the form's order.
    TStrings* Files() const { return FFiles.get(); }
    // While a form runs, what it has accepted (the edit's text before it
    // shows and after it hides); otherwise the first of Files.
    std::string FileName() const;
    // Files becomes this one name (also in a running form's edit).
    void SetFileName(const std::string& Value);
    // The running form, none outside Execute.
    TRzShellOpenSaveForm* Form() const { return FForm; }

    // The placement record, then whether the tree shows (one byte) and
    // the tree pane's width (32-bit).
    void ReadPlacement(TStream* Stream) override;
    void WritePlacement(TStream* Stream) const override;

    // Filters of the list's, the tree's and the combo's items (the last is
    // only kept: the combo shows every folder).
    void SetOnAddListItem(TRzShAddItemEvent Value);
    void SetOnAddTreeItem(TRzShAddItemEvent Value);
    TRzShAddItemEvent OnAddListItem;
    TRzShAddItemEvent OnAddTreeItem;
    TRzShAddItemEvent OnAddComboItem;
    TNotifyEvent OnFolderChanged;
    TNotifyEvent OnSelectionChanged;
    TNotifyEvent OnTypeChanged;
    THelpEvent OnHelp;

protected:
    virtual TRzShellOpenSaveForm* CreateForm();
    virtual void InitForm(TRzShellOpenSaveForm* Form);
    virtual void ReadForm(TRzShellOpenSaveForm* Form);
    bool DoExecute() override;

private:
    TRzOpenSaveOptions FOptions = DefaultOpenSaveOptions;
    std::string FFilter;
    int FFilterIndex = 1;
    int FFormSplitterPos = -1;
    int FHelpContext = 0;
    std::unique_ptr<TStringList> FHistoryList;
    std::string FInitialDir;
    std::string FDefaultExt;
    std::unique_ptr<TStringList> FFiles;
    TRzShellOpenSaveForm* FForm = nullptr;
};

class TRzCustomOpenDialog : public TRzFileDialog {
public:
    using TRzFileDialog::TRzFileDialog;

protected:
    void InitForm(TRzShellOpenSaveForm* Form) override;
};

class TRzOpenDialog : public TRzCustomOpenDialog {
public:
    using TRzCustomOpenDialog::TRzCustomOpenDialog;
};
