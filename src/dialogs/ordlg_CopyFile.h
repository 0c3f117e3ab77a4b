#pragma once
#include <string>
// The copy-progress window: the file being processed and two progress bars.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/ComCtrls.h"
#include "platform/StdCtrls.h"

namespace qlry {

class TCopyFileForm : public TBaseDuringCopyForm {
public:
    explicit TCopyFileForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void UpdateStatus(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus) override;

    TProgressBar* FileProgress() const { return fileProgress_; }
    TProgressBar* TotalProgress() const { return totalProgress_; }
    TLabel* CopyingFileLabel() const { return copyingFile_; }
    TImage* TransferImage() const { return transferImage_; }
    // How often the window was repainted for a report.
    int Repaints() const { return repaints_; }

private:
    struct TShown {
        bool downloading = false;
        int totalPercent = -1;
        int filePercent = -1;
        std::string fileName;
        bool operator==(const TShown&) const = default;
    };
    TShown shown_;
    bool shownOnce_ = false;
    int repaints_ = 0;
    TProgressBar* fileProgress_ = nullptr;
    TProgressBar* totalProgress_ = nullptr;
    TLabel* copyingFile_ = nullptr;
    TImage* transferImage_ = nullptr;
    TImage* unzipImage_ = nullptr;
};

} // namespace qlry
