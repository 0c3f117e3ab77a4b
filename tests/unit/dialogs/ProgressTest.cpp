// The windows of the installation itself: copy progress, status lines, the next disk.
#include <windows.h>
#include <commctrl.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "DialogsTestSupport.h"
#include "platform/SysUtils.h"
#include "dialogs/dlgcmp_TChangeDiskDlg.h"
#include "dialogs/dlgcmp_TCopyFile.h"
#include "dialogs/dlgcmp_TInstallStatusDlg.h"
#include "dialogs/ordlg_ChangeDisk.h"
#include "dialogs/ordlg_CopyFile.h"
#include "dialogs/ordlg_InstallStatus.h"
#include "engine/exceptions_Quillory.h"
#include "platform/Lists.h"
#include "translate/cmp_TTranslator.h"

using namespace qlry;
using namespace qlry::test;

namespace {

int CopyFormsAlive() {
    int count = 0;
    for (int i = 0; i < Screen()->FormCount(); ++i)
        if (dynamic_cast<TCopyFileForm*>(Screen()->Forms(i))) ++count;
    return count;
}

TFileStatusParameter FileStatus(const std::string& name, int filePercent, int totalPercent) {
    TFileStatusParameter status;
    status.FileName = name;
    status.FilePercentDone = filePercent;
    status.TotalPercentDone = totalPercent;
    return status;
}

} // namespace

TEST_F(DialogsTest, TheCopyWindowFollowsFileAndDownloadReportsUntilTheRunEnds) {
    AddManager("dmCopy", dmDuringCopyFiles);
    auto* dialog = Add<TCopyFileDlg>("CopyFile");
    TFileStatusParameter first = FileStatus("app.exe", 40, 10);
    engine->BroadcastInformationEvent(engine, ieFileStatus, &first);
    auto* form = dynamic_cast<TCopyFileForm*>(dialog->Form());
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->FileProgress()->Position(), 40);
    EXPECT_EQ(form->TotalProgress()->Position(), 10);
    EXPECT_EQ(form->CopyingFileLabel()->Caption(), "app.exe");
    EXPECT_FALSE(form->TransferImage()->Visible());

    TDownloadStatusParameter download("files.1", 100, 300, 400);
    engine->BroadcastInformationEvent(engine, ieDownloadStatus, &download);
    EXPECT_TRUE(form->TransferImage()->Visible());
    EXPECT_EQ(form->FileProgress()->Position(), 75);
    EXPECT_EQ(form->TotalProgress()->Position(), 10);  // a download moves only the file bar
    EXPECT_EQ(form->CopyingFileLabel()->Caption(), "files.1");
    application.ProcessMessages();
    Sleep(700);
    application.ProcessMessages();
    SaveScreenshot(form->Handle(), "copy_progress");

    TFileStatusParameter second = FileStatus("readme.txt", 100, 55);
    engine->BroadcastInformationEvent(engine, ieFileStatus, &second);
    EXPECT_EQ(dialog->Form(), form);  // the same window, no second one
    EXPECT_EQ(CopyFormsAlive(), 1);
    EXPECT_FALSE(form->TransferImage()->Visible());
    EXPECT_EQ(form->TotalProgress()->Position(), 55);
    // Reports that change nothing on the screen cost no repaint.
    int repaints = form->Repaints();
    for (int i = 0; i < 50; ++i) engine->BroadcastInformationEvent(engine, ieFileStatus, &second);
    EXPECT_EQ(form->Repaints(), repaints);
    TFileStatusParameter third = FileStatus("readme.txt", 100, 56);
    engine->BroadcastInformationEvent(engine, ieFileStatus, &third);
    EXPECT_EQ(form->Repaints(), repaints + 1);

    engine->BroadcastInformationEvent(engine, ieProcessingDone, nullptr);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    TDialogManager* manager = FindDialogManager(dmDuringCopyFiles);
    EXPECT_TRUE(manager->DuringCopyForms().empty());
    // The next phase opens a window of its own.
    engine->BroadcastInformationEvent(engine, ieFileStatus, &first);
    EXPECT_NE(dialog->Form(), form);
    EXPECT_EQ(manager->DuringCopyForms().size(), 1u);
    engine->BroadcastInformationEvent(engine, ieProcessingDone, nullptr);
}

TEST_F(DialogsTest, CancelInTheCopyWindowStopsTheExtractionOnceTheEngineAgrees) {
    AddManager("dmCopy", dmDuringCopyFiles);
    auto* dialog = Add<TCopyFileDlg>("CopyFile");
    TFileStatusParameter status = FileStatus("app.exe", 1, 1);
    engine->BroadcastInformationEvent(engine, ieFileStatus, &status);
    auto* form = dynamic_cast<TCopyFileForm*>(dialog->Form());
    ASSERT_NE(form, nullptr);
    HWND cancel = FindVisibleControl(form->Handle(), "CancelBtn");
    ASSERT_NE(cancel, nullptr);
    SharedCompressor().SetAbort(false);
    bool quit = false;
    engine->OnUserAbort = [&](TCustomInstall*, bool& quitOut) { quitOut = quit; };
    SendMessageA(cancel, BM_CLICK, 0, 0);
    EXPECT_FALSE(SharedCompressor().Abort());
    EXPECT_FALSE(engine->Aborted());
    quit = true;
    SendMessageA(cancel, BM_CLICK, 0, 0);
    EXPECT_TRUE(SharedCompressor().Abort());
    EXPECT_TRUE(engine->Aborted());
    EXPECT_TRUE(IsWindowVisible(form->Handle()));  // open until the run ends
    SharedCompressor().SetAbort(false);
    engine->BroadcastInformationEvent(engine, ieProcessingDone, nullptr);
}

TEST_F(DialogsTest, ManagersRefuseReportsWithoutTheirParameter) {
    TDialogManager* manager = AddManager("dmCopy", dmDuringCopyFiles);
    TMessageParameter wrong("x");
    TFileStatusParameter status;
    EXPECT_EQ(MessageOf<IException>([&] { manager->InformationEvent(engine, ieFileStatus, nullptr); }),
              "dmCopy got a nil PO parameter");
    EXPECT_EQ(MessageOf<IException>([&] { manager->InformationEvent(engine, ieDownloadStatus, nullptr); }),
              "dmCopy got a nil PO parameter");
    EXPECT_EQ(MessageOf<IException>([&] { manager->InformationEvent(engine, ieFileStatus, &wrong); }),
              "The PO object passed to dmCopy is not a TFileStatusParameter object");
    EXPECT_EQ(MessageOf<IException>([&] { manager->InformationEvent(engine, ieDownloadStatus, &status); }),
              "The PO object passed to dmCopy is not a TDownloadStatusParameter object");
    EXPECT_EQ(MessageOf<Exception>([&] { manager->AddDialog(nullptr); }),
              "Cannot add a NIL Dialog to the Dialog Manager dmCopy");
}

TEST_F(DialogsTest, TheStatusWindowShowsTheLastLineOfItsStack) {
    auto* status = Add<TInstallStatusDlg>("Status");
    const std::string first = "Reading file information...";
    engine->ShowStatusMessage(first);
    engine->ShowStatusMessage("Installing shell links...");
    auto* form = dynamic_cast<TInstallStatusForm*>(status->Form());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->MessageLabel()->Caption(), "Installing shell links...");
    engine->HideStatusMessage();
    EXPECT_EQ(status->Message(), first);
    EXPECT_EQ(form->MessageLabel()->Caption(), first);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    // As wide as its text and the margins, centred across the screen.
    const int textWidth = TextExtentOf(*form->Font(), first).cx;
    EXPECT_EQ(form->Width(), textWidth + form->BackPanel()->Left() + form->MessagePanel()->Left() +
                                 form->MessageLabel()->Left() + 25);
    EXPECT_NEAR(form->Left(), (GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2, 1);
    application.ProcessMessages();
    Sleep(700);
    application.ProcessMessages();
    SaveScreenshot(form->Handle(), "status");

    engine->HideStatusMessage();
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    engine->HideStatusMessage();  // an empty stack only hides it again
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(status->Lines().Count(), 0);
    engine->ShowStatusMessage("Installing INI files...");
    EXPECT_EQ(status->Form(), form);  // the window is used again
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    engine->HideStatusMessage();

    TFileStatusParameter wrong;
    EXPECT_EQ(MessageOf<IException>([&] { status->InformationEvent(engine, ecShowStatusMessage, nullptr); }),
              "Status got a nil PO parameter");
    EXPECT_EQ(MessageOf<IException>([&] { status->InformationEvent(engine, ecShowStatusMessage, &wrong); }),
              "The PO object passed to Status is not a TMessageParameter object");
}

namespace {

// The text of the folder selected in a folder browser's tree.
std::string SelectedFolderText(HWND browser) {
    HWND tree = browser ? FindWindowExA(browser, nullptr, "SysTreeView32", nullptr) : nullptr;
    if (!tree) return "";
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return "";
    char text[MAX_PATH] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

} // namespace

TEST_F(DialogsTest, TheChangeDiskWindowAnswersWithTheChosenPathOrAbortsTheInstallation) {
    ScratchDir scratch;
    AddManager("dmDisk", dmChangeDisk);
    Add<TChangeDiskDlg>("ChangeDisk");
    auto* file = new TInstallFile(&owner);
    file->SetName("AppExe");
    TDiskParameter disk;
    disk.DiskNumber = 2;
    disk.Path = scratch.File("disk2");  // not there: the browser opens at its parent
    TList request;
    request.Add(static_cast<TObject*>(file));
    request.Add(static_cast<TObject*>(&disk));

    std::string prompt, pathShown, pathAfterBrowse;
    auto window = [] { return FindTopWindow("Setup needs the next disk"); };
    RunScripted([&] { engine->BroadcastInformationEvent(engine, ieNewDisk, &request); },
                {[&] { return window() != nullptr; },
                 [&] {
                     auto* form = dynamic_cast<TChangeDiskForm*>(FindControl(window()));
                     prompt = form ? form->PromptDiskLabel()->Caption() : "";
                     pathShown = WindowText(FindVisibleControl(window(), "PathEdit"));
                     SaveScreenshot(window(), "change_disk");
                     Click(FindVisibleControl(window(), "BrowseBtn"));
                     return true;
                 },
                 [] { return FindSystemDialog() != nullptr; },
                 // The browser selects its start folder once it has filled its tree.
                 [&] { return SelectedFolderText(FindSystemDialog()) == ExtractFileName(scratch.Path()); },
                 [&] {
                     HWND browser = FindSystemDialog();
                     if (FindEdit(browser)) return false;  // this browser has no path edit
                     Click(GetDlgItem(browser, IDOK));
                     return true;
                 },
                 [&] {
                     if (FindSystemDialog()) return false;
                     pathAfterBrowse = WindowText(FindVisibleControl(window(), "PathEdit"));
                     Click(FindVisibleControl(window(), "InstallBtn"));
                     return true;
                 }});
    EXPECT_EQ(prompt, "Please insert disk number 2");
    EXPECT_EQ(pathShown, scratch.File("disk2"));
    EXPECT_EQ(disk.Path, scratch.Path());
    EXPECT_EQ(pathAfterBrowse, scratch.Path());
    EXPECT_EQ(file->Tag(), 1);

    RunScripted(
        [&] {
            EXPECT_EQ(MessageOf<EAIUserAbort>(
                          [&] { engine->BroadcastInformationEvent(engine, ieNewDisk, &request); }),
                      "Installation aborted by the user");
        },
        {[&] { return window() != nullptr; }, [&] {
             Click(FindVisibleControl(window(), "CancelBtn"));
             return true;
         }});
    EXPECT_EQ(window(), nullptr);
}

TEST_F(DialogsTest, ADiskRequestWithTheWrongParametersIsRefusedUntranslatedWhereItSaysSo) {
    TDialogManager* manager = AddManager("dmDisk", dmChangeDisk);
    Add<TChangeDiskDlg>("ChangeDisk");
    // A translator that knows the texts, into French.
    auto* translator = new TTranslator(&owner);
    translator->FindLanguage(qlEnglish)->Strings()->Add("1;TChangeDiskDlg says bad first parameter");
    translator->FindLanguage(qlEnglish)->Strings()->Add("2;TChangeDiskDlg--PO is not a TList object");
    translator->FindLanguage(qlFrench)->Strings()->Add("1;Premier paramètre incorrect");
    translator->FindLanguage(qlFrench)->Strings()->Add("2;Le PO n'est pas une liste");
    translator->SetTranslateIntoLanguage(qlFrench);
    auto* file = new TInstallFile(&owner);
    TDiskParameter disk;
    TMessageParameter other("x");
    TList empty, oneItem, wrongFirst, wrongSecond;
    oneItem.Add(static_cast<TObject*>(file));
    wrongFirst.Add(static_cast<TObject*>(&other));
    wrongFirst.Add(static_cast<TObject*>(&disk));
    wrongSecond.Add(static_cast<TObject*>(file));
    wrongSecond.Add(static_cast<TObject*>(&other));
    struct Row {
        TObject* po;
        const char* message;
    };
    const std::vector<Row> rows = {
        {nullptr, "The ParameterObject is Nil in the TDialogManager. Cannot show the change disk form"},
        {&disk, "Le PO n'est pas une liste"},
        {&oneItem, "TChangeDiskDlg--Not engouh parameters for status event"},
        {&wrongFirst, "TChangeDiskDlg says bad first parameter"},
        {&wrongSecond, "TChangeDiskDlg says bad second parameter"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        EXPECT_EQ(MessageOf<Exception>([&] { manager->InformationEvent(engine, ieNewDisk, row.po); }), row.message);
        EXPECT_EQ(FindTopWindow("Setup needs the next disk"), nullptr);
    }
    EXPECT_EQ(CurrentDialogManager(), nullptr);
}

TEST_F(DialogsTest, TheCopyWindowShowsTheEnginesTotalsOfAReportThatClimbsTheTree) {
    AddManager("dmCopy", dmDuringCopyFiles);
    auto* dialog = Add<TCopyFileDlg>("CopyFile");
    auto* directory = Add<TInstallDirectory>("AppDir");
    auto* file = new TInstallFile(&owner);
    file->SetName("BigFile");
    file->SetContainer(directory);
    file->SetFileName("big.dat");
    // Earlier files brought the directory to 1000 of 4000 bytes and the engine to 7000 of 10000.
    directory->SetState(ifsInstall);
    directory->SetTotalSize(4000);
    directory->SetBytesDone(1000);
    engine->SetState(ifsInstall);
    engine->SetTotalSize(10000);
    engine->SetBytesDone(7000);
    TFileStatusParameter status;
    status.FileName = "big.dat";
    status.FileBytesDone = 500;
    status.FilePercentDone = 50;
    TList report;
    report.Add(static_cast<TObject*>(file));
    report.Add(static_cast<TObject*>(&status));
    directory->DoInformationEventControl(file, icInstallStatus, &report);
    auto* form = dynamic_cast<TCopyFileForm*>(dialog->Form());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->TotalProgress()->Position(), 75);  // Round(7500 / 10000 * 100), the engine's view
    EXPECT_EQ(form->FileProgress()->Position(), 50);
    EXPECT_EQ(form->CopyingFileLabel()->Caption(), "big.dat");
    engine->BroadcastInformationEvent(engine, ieProcessingDone, nullptr);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    directory->SetState(ifsNone);
    engine->SetState(ifsNone);
}
