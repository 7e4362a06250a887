#pragma once
// The open/save form: a places bar, the "Look in" folder combo, a toolbar,
// an optional folder tree beside the file list, and the file-name and type
// boxes. It checks the typed or picked names before it closes with OK.
//
// Sources: RzShellOpenForm.cpp (layout, places, browsing handlers),
// RzShellOpenFormClose.cpp (closing: masks, names, checks).
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "controls/RzButton.h"
#include "controls/RzCmboBx.h"
#include "controls/RzEdit.h"
#include "controls/RzRadChk.h"
#include "controls/RzSplit.h"
#include "shell/RzShellCtrls.h"
#include "shell/RzShellFormLogic.h"

// Options of the open/save form and of the dialog that runs it (bit numbers
// as stored).
enum TRzOpenSaveOption : unsigned {
    osoAllowMultiselect = 1u << 0,
    osoCreatePrompt = 1u << 1,
    osoExtensionDifferent = 1u << 2, // output of the default-extension step
    osoFileMustExist = 1u << 3,
    osoHideReadOnly = 1u << 4,
    osoNoChangeDir = 1u << 5,
    osoNoDereferenceLinks = 1u << 6,
    osoNoReadOnlyReturn = 1u << 7,
    osoNoTestFileCreate = 1u << 8, // carried only
    osoNoValidate = 1u << 9,
    osoOverwritePrompt = 1u << 10,
    osoReadOnly = 1u << 11, // output: the read-only box
    osoPathMustExist = 1u << 12, // carried only
    osoShareAware = 1u << 13, // carried only
    osoShowHelp = 1u << 14,
    osoAllowTree = 1u << 15,
    osoShowTree = 1u << 16,
    osoShowHints = 1u << 17,
    osoHideFoldersInListWhenTreeVisible = 1u << 18,
    osoOleDrag = 1u << 19,
    osoOleDrop = 1u << 20,
    osoShowHidden = 1u << 21,
    osoFilesCanBeFolders = 1u << 22,
};
using TRzOpenSaveOptions = unsigned;
constexpr TRzOpenSaveOptions DefaultOpenSaveOptions =
    osoHideReadOnly | osoAllowTree | osoShowHints | osoOleDrag | osoOleDrop | osoShowHidden;

// The tree's width the first time it opens when none was set.
constexpr int RzOpenFormDefaultTreeWidth = 200;
// The smallest the user may drag the form to.
constexpr int RzOpenFormMinWidth = 463, RzOpenFormMinHeight = 274;
constexpr int RzSizeGripSize = 13;
// Posted to the form when the list's selection changes: the File name box
// is written once the changes of one action are all in.
constexpr UINT RZOF_SELECTIONSETTLED = WM_USER + 104;
// The places-bar policy key under the current user, and its five values.
inline constexpr const char* RzPlacesBarKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Comdlg32\\Placesbar";
constexpr int RzPlaceCount = 5;

// One places-bar entry: a special folder, or a path (Kind csidlNone).
class TRzPlaceData : public TObject {
public:
    explicit TRzPlaceData(TCSIDL SpecialFolder);
    explicit TRzPlaceData(const std::string& Path);
    TCSIDL Kind = csidlNone;
    std::string Caption;
    std::string Path;
    int IconIndex = -1;
};

// The entries the places bar shows: the policy key's "Place0".."Place4"
// when the key exists, else recent files, desktop, documents, computer and
// network.
std::vector<std::unique_ptr<TRzPlaceData>> LoadPlaces();

// Two folder paths alike but for case (the user's locale) and one trailing
// backslash.
bool SameFolderText(const std::string& A, const std::string& B);

class TRzShellOpenSaveForm : public TForm {
public:
    explicit TRzShellOpenSaveForm(TComponent* AOwner);
    ~TRzShellOpenSaveForm() override;
    void BeforeDestruction() override;
    void WndProc(TMessage& Message) override;

    // Controls, owned by the form.
    TRzShellCombo* ShellCombo;
    TRzToolButton* btnUpOneLevel;
    TRzToolButton* btnList;
    TRzToolButton* btnDetails;
    TRzToolButton* btnCreateNewFolder;
    TPanel* PnlEdits;
    TLabel* lblFileName;
    TLabel* lblFilesOfType;
    TRzComboBox* cbxFileTypes;
    TRzEdit* edtFileName;
    TRzBitBtn* btnOpen;
    TRzBitBtn* btnCancel;
    TRzComboBox* cbxFileName;
    TRzCheckBox* chkReadOnly;
    TRzToolButton* btnShowTree;
    TRzBitBtn* btnHelp;
    TPopupMenu* LvPopup;
    TMenuItem *View1Mitm, *LargeIcons1Mitm, *Smallicons1MItm, *List1Mitm, *Details1Mitm, *N1, *New1Mitm,
        *Folder1Mitm, *N2, *Properties1Mitm, *Paste1Mitm, *N3;
    TRzToolButton* btnShowDesktop;
    TRzSplitter* RzSplitter1;
    TRzShellTree* ShellTree;
    TRzShellList* ShellList;
    TImageList* imlPlaces;
    TPanel* PnlJumps;
    TRzToolButton* btnPlace[RzPlaceCount];
    TLabel* lblLookIn;
    TPanel* PnlWork;
    TImageList* imlToolbar;

    // Called by the dialog component.
    TRzOpenSaveOptions Options() const { return FOptions; }
    void SetOptions(TRzOpenSaveOptions Value);
    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& Value);
    void SetFilterIndex(int Value);
    int GetFilterIndex();
    void SetSplitterPos(int Value);
    int GetSplitterPos() const;
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& Value);
    const std::string& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& Value) { FDefaultExt = Value; }
    void SetFileName(const std::string& Value);
    std::string GetFileName() const;
    TStrings* GetSelectedFiles();
    void SetFrameProps(TColor FrameColor, TFrameStyle FrameStyle, bool FrameVisible, TFramingPreference Preference);
    void SetButtonProps(TColor ButtonColor, bool HotTrack, TColor HighlightColor, TColor HotTrackColor,
                        TRzHotTrackColorType HotTrackColorType);
    void SetShowButtonGlyphs(bool Value);
    void SetToolButtonProps(TRzGradientColorStyle GradientColorStyle, TColor SelectionColorStart,
                            TColor SelectionColorStop, TColor SelectionFrameColor, TRzVisualStyle VisualStyle);
    // The dialog's hook for the combo's items; the combo shows every folder.
    TRzShAddItemEvent OnAddComboItem;
    // The form's help context (its Help button) and the dialog's help handler.
    int HelpContext = 0;
    THelpEvent OnDialogHelp;

    TNotifyEvent OnTypeChanged;
    TNotifyEvent OnFolderChanged;
    TNotifyEvent OnSelectionChanged;
    TNotifyEvent OnFormShow;
    TNotifyEvent OnFormClose;

    void SetShowTree(bool Show);
    bool IsActive() const { return FActiveFlag; }
    const std::vector<std::unique_ptr<TRzPlaceData>>& Places() const { return FPlaces; }
    const std::string& TypedMask() const { return FTypedMask; }
    HWND SizeGrip() const { return FSizeGrip; }

    // Handlers bound to the controls.
    void FormCreate(TObject* Sender);
    void FormResize(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void ViewBtnClick(TObject* Sender);
    void ShellListChange(TObject* Sender, TListItem* Item, bool Selected);
    void ShellListFolderChanged(TObject* Sender);
    void ShellTreeChange(TObject*) {}
    void btnUpOneLevelClick(TObject* Sender);
    void btnShowTreeClick(TObject* Sender);
    void btnShowDesktopClick(TObject* Sender);
    void btnPlaceClick(TObject* Sender);
    void btnCreateNewFolderClick(TObject* Sender);
    void btnHelpClick(TObject* Sender);
    void cbxFileTypesSelEndOk(TObject* Sender);
    void edtFileNameChange(TObject* Sender);
    void chkReadOnlyClick(TObject* Sender);
    void Paste1MitmClick(TObject* Sender);
    void Properties1MitmClick(TObject* Sender);

    // Whether the form may close on OK with Text typed (the accepted names
    // are then in GetSelectedFiles); a refusal has told the user why.
    bool ValidateText(const std::string& Text);

protected:
    void CreateWnd() override;
    void DoShow() override;
    void DoHide() override;
    virtual void DoFormClose();
    virtual void DoFolderChanged();
    virtual void DoSelectionChanged();
    virtual void DoFormShow();
    virtual void DoTypeChanged();
    virtual void SetCaptions();
    // The answer to a message of the form (the form's caption on it); the
    // questions answer whether the user said Yes.
    virtual bool ShowFormMessage(TRzFormMessageKind Kind, const std::string& Text);

private:
    void BuildControls();
    // The steps of BuildControls, in its order.
    void BuildPlaces();      // the places bar down the left
    void BuildLookInRow();   // "Look in:", its combo and the toolbar
    void BuildShellViews();  // the splitter with the tree and the list
    void BuildListMenu();    // the list's context menu
    void BuildEditRows();    // file name, file types, read-only and the buttons
    void BuildToolbarImages();
    void UpdatePlacesBar();
    // The selected files' names into the File name box.
    void WriteSelectedNames();
    // A selected file: its item, its name on disk, and its attributes as
    // the listing found them (INVALID_FILE_ATTRIBUTES when it did not say).
    struct TSelectedFile {
        TRzShellListData* Data;
        std::string Name;
        DWORD Attributes;
    };
    // The selected items that are files.
    std::vector<TSelectedFile> SelectedFiles();
    // The name the File name box shows for one selected file.
    static std::string SingleFileBoxName(const TSelectedFile& File);
    // The selected file the File name box names alone, or null.
    TRzShellListData* SelectedFileNamed(const std::string& Name);
    // The names of a selection still settling, written now.
    void FlushSelectedNames();
    bool FolderMatchesPlace(const TRzPlaceData& Place);
    std::string ListFolderPath() const;
    std::string SelectedTypeMask();
    void ApplyTypedMask(const std::string& Text);
    bool ValidateName(const std::string& Name, const std::string& BaseFolder, bool Single,
                      const DWORD* ListedAttributes, std::string& FullName);
    bool MatchListItems(std::string& FullName);
    void GoToFolderPath(const std::string& Path);
    void DblClickOpen(TObject* Sender, bool& Handled);

    std::vector<std::unique_ptr<TRzPlaceData>> FPlaces;
    std::string FDefaultExt;
    TRzOpenSaveOptions FOptions = DefaultOpenSaveOptions;
    std::unique_ptr<TStringList> FParsedNames;
    std::string FFilter;
    std::string FInitialDir;
    std::string FTypedMask;
    bool FActiveFlag = false;
    std::unique_ptr<TStringList> FAcceptedFiles;
    bool FNameFromList = false;
    // A selection change posted and not yet written to the File name box.
    bool FNamesPending = false;
    HWND FSizeGrip = nullptr;
    // The tree pane's width; below 0 until the tree first opens.
    int FSplitterPos = -1;
    // The masks of the type items, by item.
    std::vector<std::string> FTypeMasks;
};
