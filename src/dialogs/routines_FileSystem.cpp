#include "dialogs/routines_FileSystem.h"

#include <shlobj.h>

#include <cctype>
#include <vector>

#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Exceptions.h"
#include "platform/Format.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {
constexpr UINT_PTR startSelectionTimer = 0x51A7;
}

namespace {

constexpr const char* BrowserObjectProperty = "QlryFolderDialog";

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::toupper(static_cast<unsigned char>(*text)) != std::toupper(static_cast<unsigned char>(*prefix)))
            return false;
    return true;
}

RECT RectIn(HWND parent, HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

struct TChildSearch {
    HWND tree = nullptr;
    std::vector<HWND> buttons;
};

BOOL CALLBACK VisitBrowseChild(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TChildSearch*>(data);
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (!search->tree && StartsWithNoCase(className, "SYSTREE")) search->tree = window;
    else if (StartsWithNoCase(className, "BUTTON") && !FindControl(window)) search->buttons.push_back(window);
    return TRUE;
}

// Releases the item list the browser returns.
class TItemList {
public:
    explicit TItemList(LPITEMIDLIST list) : list_(list) {}
    ~TItemList() {
        if (list_) CoTaskMemFree(list_);
    }
    TItemList(const TItemList&) = delete;
    TItemList& operator=(const TItemList&) = delete;
    LPITEMIDLIST Get() const { return list_; }

private:
    LPITEMIDLIST list_;
};

std::string PathOfItem(LPCITEMIDLIST item) {
    char path[MAX_PATH + 1] = {};
    if (!item || !SHGetPathFromIDListA(item, path)) return std::string();
    return path;
}

} // namespace

// --- Texts -----------------------------------------------------------------------------

std::string TOFDResourceStrings::Load(const char* library, UINT id) {
    HMODULE module = LoadLibraryA(library);
    if (!module) return std::string();
    std::vector<char> buffer(4096);
    int length = LoadStringA(module, id, buffer.data(), static_cast<int>(buffer.size()));
    FreeLibrary(module);
    return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

std::string TOFDResourceStrings::CreateFolderCaption() {
    std::string text = Load("comdlg32.dll", 703);
    return text.empty() ? "Create New Folder" : text;
}

std::string TOFDResourceStrings::NewFolderPrompt() {
    std::string text = Load("shell32.dll", 8977);
    return text.empty() ? "New folder name:" : text;
}

std::string TOFDResourceStrings::BrowseTitle() {
    std::string text = Load("shell32.dll", 9248);
    if (text.empty()) return "Select a folder";
    try {
        return Format(text, {std::string()});
    } catch (const Exception&) {
        return text;
    }
}

// --- Added controls --------------------------------------------------------------------

TOFDCreateButton::TOFDCreateButton(TComponent* owner, TOpenFolderDialog* dialog) : TButton(owner), dialog_(dialog) {}

void TOFDCreateButton::Click() {
    TButton::Click();
    dialog_->CreateFolder();
}

TOFDPathEdit::TOFDPathEdit(TComponent* owner, TOpenFolderDialog* dialog) : TEdit(owner), dialog_(dialog) {
    OnKeyUp = [this](TObject*, WORD&, TShiftState) { dialog_->ApplyTypedPath(); };
}

// --- TOpenFolderDialog -----------------------------------------------------------------

TOpenFolderDialog::TOpenFolderDialog(TComponent* owner) : TComponent(owner) {}

TOpenFolderDialog::~TOpenFolderDialog() { FreeControls(); }

void TOpenFolderDialog::FreeControls() {
    if (createButton_) createButton_->Free();
    if (pathEdit_) pathEdit_->Free();
    createButton_ = nullptr;
    pathEdit_ = nullptr;
}

std::string TOpenFolderDialog::StartSelection(const std::string& directory) {
    std::string path = Trim(directory).empty() ? std::string() : directory;
    while (!path.empty() && !DirectoryExists(path)) {
        const std::string::size_type slash = path.find_last_of('\\');
        std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash);
        // "C:" names the drive's current directory; the root is meant.
        if (parent.size() == 2 && parent[1] == ':') parent += '\\';
        // A drive that is not there has no directory to fall back to.
        if (parent == path) parent.clear();
        path = parent;
    }
    if (path.empty()) return path;
    return path.size() > 3 ? RemoveBackslash(path) : AddBackslash(path);
}

bool TOpenFolderDialog::Execute() {
    reopen_ = false;
    FreeControls();
    browseWindow_ = treeView_ = okButton_ = cancelButton_ = nullptr;

    const std::string title = TOFDResourceStrings::BrowseTitle();
    char displayName[MAX_PATH + 1] = {};
    BROWSEINFOA info{};
    info.hwndOwner = GetActiveWindow();
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = &TOpenFolderDialog::BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    bool result = false;
    {
        TItemList item(SHBrowseForFolderA(&info));
        if (item.Get() && showPathEdit_) {
            if (!Trim(currentPath_).empty() && !ForceDirectories(currentPath_)) RaiseLastOSError();
            directory_ = currentPath_;
            result = true;
        } else if (item.Get()) {
            directory_ = PathOfItem(item.Get());
            result = true;
        }
    }
    browseWindow_ = treeView_ = okButton_ = cancelButton_ = nullptr;
    FreeControls();
    if (reopen_) {
        directory_ = currentPath_;
        return Execute();
    }
    return result;
}

int CALLBACK TOpenFolderDialog::BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data) {
    auto* self = reinterpret_cast<TOpenFolderDialog*>(data);
    CallbackGuard(self, [&] {
        if (message == BFFM_INITIALIZED) self->Initialize(window);
        else if (message == BFFM_SELCHANGED) self->SelectionChanged(lParam);
    });
    return 0;
}

LRESULT CALLBACK TOpenFolderDialog::BrowseWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<TOpenFolderDialog*>(GetPropA(window, BrowserObjectProperty));
    WNDPROC previous = self ? self->browseProc_ : DefWindowProcA;
    LRESULT result = 0;
    // Our controls' notifications go back to them; the dialog never sees them.
    if (ReflectChildNotification(message, wParam, lParam, result)) return result;
    if (message == WM_TIMER && wParam == startSelectionTimer && self) {
        CallbackGuard(self, [&] { self->RetryStartSelection(); });
        return 0;
    }
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropA(window, BrowserObjectProperty);
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

void TOpenFolderDialog::Initialize(HWND window) {
    browseWindow_ = window;
    TChildSearch search;
    EnumChildWindows(window, VisitBrowseChild, reinterpret_cast<LPARAM>(&search));
    treeView_ = search.tree;
    if (!search.buttons.empty()) okButton_ = search.buttons[0];
    if (search.buttons.size() > 1) cancelButton_ = search.buttons[1];
    if (treeView_) treeRect_ = RectIn(window, treeView_);
    if (okButton_) okRect_ = RectIn(window, okButton_);
    if (cancelButton_) cancelRect_ = RectIn(window, cancelButton_);

    SetPropA(window, BrowserObjectProperty, this);
    browseProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TOpenFolderDialog::BrowseWindowProc)));
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));

    if (showCreateButton_) {
        RECT rect{20, 230, 140, 253};
        if (okButton_ && cancelButton_) {
            const int shift = cancelRect_.left - okRect_.left;
            rect = RECT{okRect_.left - shift, okRect_.top - 22, okRect_.right - shift, okRect_.bottom - 22};
        }
        const int left = treeView_ ? treeRect_.left : rect.left;
        createButton_ = new TOFDCreateButton(this, this);
        createButton_->SetParentWindow(window);
        createButton_->SetBounds(left, rect.top, rect.right - left, rect.bottom - rect.top);
        createButton_->SetCaption(TOFDResourceStrings::CreateFolderCaption());
        createButton_->HandleNeeded();
        if (dialogFont) SendMessageA(createButton_->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), TRUE);
    }
    if (showPathEdit_) {
        RECT rect{20, 230, 140, 253};
        if (treeView_) {
            treeRect_.bottom -= 60;
            SetWindowPos(treeView_, nullptr, 0, 0, treeRect_.right - treeRect_.left, treeRect_.bottom - treeRect_.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (okButton_ && treeView_) rect = RECT{treeRect_.left, treeRect_.bottom + 15, treeRect_.right, treeRect_.bottom + 28};
        pathEdit_ = new TOFDPathEdit(this, this);
        pathEdit_->SetParentWindow(window);
        pathEdit_->SetBounds(rect.left, rect.top, rect.right - rect.left, pathEdit_->Height());
        pathEdit_->HandleNeeded();
        if (dialogFont) SendMessageA(pathEdit_->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), TRUE);
    }
    if (treeView_)
        SetWindowLongPtrA(treeView_, GWL_STYLE, GetWindowLongPtrA(treeView_, GWL_STYLE) | TVS_SHOWSELALWAYS);

    selecting_ = true;
    const std::string start = StartSelection(directory_);
    if (!start.empty()) Select(start);
    selecting_ = false;
    // Wine's browser sometimes loses the start selection while it is still filling its
    // tree; it is asked again for a short while, until the folder shows selected.
    startPending_ = start;
    startRetries_ = 0;
    if (!start.empty()) SetTimer(window, startSelectionTimer, 250, nullptr);
}

void TOpenFolderDialog::RetryStartSelection() {
    const bool shown = SameText(RemoveBackslash(currentPath_), RemoveBackslash(startPending_));
    if (startPending_.empty() || shown || ++startRetries_ > 8) {
        KillTimer(browseWindow_, startSelectionTimer);
        startPending_.clear();
        return;
    }
    selecting_ = true;
    Select(startPending_);
    selecting_ = false;
}

void TOpenFolderDialog::Select(const std::string& path) {
    if (browseWindow_)
        SendMessageA(browseWindow_, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

void TOpenFolderDialog::SelectionChanged(LPARAM item) {
    currentPath_ = PathOfItem(reinterpret_cast<LPCITEMIDLIST>(item));
    if (pathEdit_ && !typing_) pathEdit_->SetTextValue(currentPath_);
    if (okButton_ && createButton_) createButton_->SetVisible(IsWindowEnabled(okButton_) != FALSE);
}

void TOpenFolderDialog::ApplyTypedPath() {
    if (selecting_ || !pathEdit_) return;
    typing_ = true;
    const std::string typed = pathEdit_->Text();
    Select(typed);
    currentPath_ = typed;
    typing_ = false;
}

void TOpenFolderDialog::CreateFolder() {
    bool allow = true;
    if (OnCreateFolder) OnCreateFolder(this, allow);
    if (!allow) return;
    if (!pathEdit_ || DirectoryExists(pathEdit_->Text())) {
        std::string name;
        if (!InputQuery(TOFDResourceStrings::CreateFolderCaption(), TOFDResourceStrings::NewFolderPrompt(), name))
            return;
        currentPath_ = AddBackslash(currentPath_) + name;
    }
    if (!ForceDirectories(currentPath_)) RaiseLastOSError();
    reopen_ = true;
    if (okButton_) PostMessageA(okButton_, BM_CLICK, 0, 0);
}

} // namespace qlry
