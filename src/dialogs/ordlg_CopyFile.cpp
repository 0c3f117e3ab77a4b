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
    // A report that changes nothing the window shows costs no repaint: files report
    // after every block, most often with the same percentages.
    TShown shown = shown_;
    if (fileStatus) {
        shown = {false, fileStatus->TotalPercentDone, fileStatus->FilePercentDone, fileStatus->FileName};
    } else if (downloadStatus) {
        shown = {true, shown_.totalPercent, downloadStatus->PercentDone, downloadStatus->FileName};
    } else {
        return;
    }
    if (shownOnce_ && shown == shown_) return;
    shownOnce_ = true;
    shown_ = shown;
    // The two pictures share one place; only one of them is seen.
    (shown.downloading ? unzipImage_ : transferImage_)->Hide();
    (shown.downloading ? transferImage_ : unzipImage_)->Show();
    if (!shown.downloading) totalProgress_->SetPosition(shown.totalPercent);
    fileProgress_->SetPosition(shown.filePercent);
    copyingFile_->SetCaption(shown.fileName);
    Repaint();
    ++repaints_;
}

} // namespace qlry
