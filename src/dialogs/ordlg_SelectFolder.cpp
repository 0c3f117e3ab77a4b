#include "dialogs/ordlg_SelectFolder.h"

#include "dialogs/dlgcmp_TSelectFolder.h"
#include "links/cmp_TProgramManager.h"
#include "model/cmp_TPathSpecifier.h"
#include "model/routines_ExpandPaths.h"
#include "routines/routines_API.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

// Closes a directory search however the listing ends.
class TFindHandle {
public:
    explicit TFindHandle(HANDLE handle) : handle_(handle) {}
    ~TFindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    TFindHandle(const TFindHandle&) = delete;
    TFindHandle& operator=(const TFindHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

void ListSubdirectories(const std::string& directory, TStrings& list) {
    WIN32_FIND_DATAA data{};
    TFindHandle find(FindFirstFileA((AddBackslash(directory) + "*.*").c_str(), &data));
    if (find.Get() == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") list.Add(name);
    } while (FindNextFileA(find.Get(), &data));
}

} // namespace

TSelectFolderForm::TSelectFolderForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmBeforeInstall));
    SetOrder(60);
    SetTarget(MainLinkGroup());
    PublishMethod("FolderListBoxClick", TNotifyEvent([this](TObject*) { FolderListBoxClick(); }));
    PublishMethod("FolderEditChange", TNotifyEvent([this](TObject*) { FolderEditChange(); }));
    PublishMethod("FormResize", TNotifyEvent([this](TObject*) { FormResize(); }));
    LoadPage("TSELECTFOLDERFORM");
    folderEdit_ = FindComponentAs<TEdit>(this, "FolderEdit");
    folderList_ = FindComponentAs<TListBox>(this, "FolderListBox");
}

const TClassInfo& TSelectFolderForm::StaticClassInfo() {
    static const TClassInfo info("TSelectFolderForm", &TBaseInstallForm::StaticClassInfo(),
                                 FactoryOf<TSelectFolderForm>(), {});
    return info;
}

void TSelectFolderForm::SetTarget(TInstallContainer* value) {
    if (value == target_) return;
    if (target_) RemoveFreeNotification(target_);
    target_ = value;
    if (target_) FreeNotification(target_);
}

void TSelectFolderForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove) {
        if (component == target_) target_ = nullptr;
        if (component == folderEdit_) folderEdit_ = nullptr;
        if (component == folderList_) folderList_ = nullptr;
    }
    TBaseInstallForm::Notification(component, operation);
}

void TSelectFolderForm::FillList() {
    if (!folderList_) return;
    TStrings* items = folderList_->Items();
    items->Clear();
    const TWindowsVersion version = GetWindowsVersion();
    if (version == wvWin9x || version == wvWinNT) {
        ListSubdirectories(ProgramsFolder(), *items);
    } else {
        TStringList groups;
        ProgramManager().GetGroups(groups);
        items->AddStrings(groups);
    }
}

void TSelectFolderForm::PrepareForm() {
    if (BackBtn()) BackBtn()->SetVisible(!IsFirstPage());
    FillList();
    std::string folder;
    if (target_ && dynamic_cast<TpsProgramMenu*>(target_->DestDirType()))
        folder = ExtractFileName(RemoveBackslash(target_->DestDir()));
    if (folderEdit_) {
        folderEdit_->SetTextValue(folder);
        if (folder.empty() && folderList_ && folderList_->Items()->Count() > 0)
            folderEdit_->SetTextValue(folderList_->Items()->Strings(0));
    }
    if (ProceedBtn() && ProceedBtn()->Visible() && Visible() && ProceedBtn()->CanFocus()) ProceedBtn()->SetFocus();
}

void TSelectFolderForm::FolderListBoxClick() {
    if (folderList_ && folderEdit_ && folderList_->ItemIndex() >= 0)
        folderEdit_->SetTextValue(folderList_->Items()->Strings(folderList_->ItemIndex()));
}

void TSelectFolderForm::FolderEditChange() {
    if (!target_ || !folderEdit_) return;
    target_->SetDestDirType(TPathSpecifierList::Standard().Find<TpsProgramMenu>());
    std::string folder(1, '\\');
    folder += folderEdit_->Text();
    target_->SetDestDir(folder);
}

void TSelectFolderForm::FormResize() {
    for (auto [name, height] : {std::pair<const char*, int>{"Label1", 18}, {"Label3", 8}, {"Label4", 8}})
        if (auto* spacer = FindComponentAs<TControl>(this, name)) spacer->SetHeight(height);
}

} // namespace qlry
