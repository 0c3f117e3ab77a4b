#include "dialogs/ordlg_CopyFile.h"

namespace qlry {

TCopyFileForm::TCopyFileForm(TComponent* owner) : TBaseDuringCopyForm(owner) {
    SetDM(FindDialogManager(dmDuringCopyFiles));
    PublishMethod("CancelBtnClick", TNotifyEvent([this](TObject*) { CancelCopy(); }));
    InitFromDescription("TCOPYFILEFORM");
    fileProgress_ = FindComponentAs<TProgressBar>(this, "ProgressBar1");
    totalProgress_ = FindComponentAs<TProgressBar>(this, "ProgressBar2");
    copyingFile_ = FindComponentAs<TLabel>(this, "lblCopyingFile");
    transferImage_ = FindComponentAs<TImage>(this, "TransferBitmap");
    unzipImage_ = FindComponentAs<TImage>(this, "UnZipImage");
}

const TClassInfo& TCopyFileForm::StaticClassInfo() {
    static const TClassInfo info("TCopyFileForm", &TBaseDuringCopyForm::StaticClassInfo(), FactoryOf<TCopyFileForm>(),
                                 {});
    return info;
}

void TCopyFileForm::UpdateStatus(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus) {
    if (fileStatus) {
        transferImage_->Hide();
        unzipImage_->Show();
        totalProgress_->SetPosition(fileStatus->TotalPercentDone);
        fileProgress_->SetPosition(fileStatus->FilePercentDone);
        copyingFile_->SetCaption(fileStatus->FileName);
    } else if (downloadStatus) {
        // The two pictures share one place; only one of them is seen.
        unzipImage_->Hide();
        transferImage_->Show();
        fileProgress_->SetPosition(downloadStatus->PercentDone);
        copyingFile_->SetCaption(downloadStatus->FileName);
    }
    Repaint();
}

} // namespace qlry
