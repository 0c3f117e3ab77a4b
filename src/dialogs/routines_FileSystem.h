#pragma once
// The folder browser: the system's folder-browse dialog with a create-folder button and
// an edit that shows and takes a typed path.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/Component.h"
#include "platform/StdCtrls.h"

namespace qlry {

class TOpenFolderDialog;

using TCreateFolderEvent = std::function<void(TObject* sender, bool& allow)>;

// Texts from the system's own string resources; fallbacks where a system lacks them.
class TOFDResourceStrings {
public:
    static std::string CreateFolderCaption();  // comdlg32 703
    static std::string NewFolderPrompt();      // shell32 8977
    static std::string BrowseTitle();          // shell32 9248
    // The string, or "" when the library or the string is missing.
    static std::string Load(const char* library, UINT id);
};

class TOFDCreateButton : public TButton {
public:
    TOFDCreateButton(TComponent* owner, TOpenFolderDialog* dialog);
    void Click() override;

private:
    TOpenFolderDialog* dialog_;
};

class TOFDPathEdit : public TEdit {
public:
    TOFDPathEdit(TComponent* owner, TOpenFolderDialog* dialog);

private:
    TOpenFolderDialog* dialog_;
};

class TOpenFolderDialog : public TComponent {
public:
    explicit TOpenFolderDialog(TComponent* owner);
    ~TOpenFolderDialog() override;

    // True when a directory was chosen; it is then in Directory.
    bool Execute();

    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& value) { directory_ = value; }
    bool ShowCreateButton() const { return showCreateButton_; }
    void SetShowCreateButton(bool value) { showCreateButton_ = value; }
    bool ShowPathEdit() const { return showPathEdit_; }
    void SetShowPathEdit(bool value) { showPathEdit_ = value; }
    const std::string& CurrentPath() const { return currentPath_; }

    // The browse window while it is open (for tests and drivers), and the added controls.
    HWND BrowseWindow() const { return browseWindow_; }
    TOFDCreateButton* CreateButton() const { return createButton_; }
    TOFDPathEdit* PathEdit() const { return pathEdit_; }

    TCreateFolderEvent OnCreateFolder;

    // What the browser selects first for a start directory: its deepest existing
    // directory, without a trailing backslash unless it is a root; "" for none.
    static std::string StartSelection(const std::string& directory);

    // The added controls' handlers.
    void CreateFolder();
    void ApplyTypedPath();

private:
    static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);
    static LRESULT CALLBACK BrowseWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Initialize(HWND window);
    void SelectionChanged(LPARAM item);
    void FreeControls();
    void Select(const std::string& path);
    void RetryStartSelection();

    std::string directory_;
    // The start folder until the browser shows it selected.
    std::string startPending_;
    int startRetries_ = 0;
    bool showCreateButton_ = true;
    bool showPathEdit_ = true;
    std::string currentPath_;
    bool reopen_ = false;
    bool selecting_ = false;
    bool typing_ = false;
    HWND browseWindow_ = nullptr;
    HWND treeView_ = nullptr;
    HWND okButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    RECT treeRect_{};
    RECT okRect_{};
    RECT cancelRect_{};
    WNDPROC browseProc_ = nullptr;
    TOFDCreateButton* createButton_ = nullptr;
    TOFDPathEdit* pathEdit_ = nullptr;
};

} // namespace qlry
