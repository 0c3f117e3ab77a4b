#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/DataModule.h"
#include "platform/Lists.h"

using namespace qlry;

namespace {

// A dialog-like object inside a container: records what is broadcast to it.
class TEventListener : public TInstallObject {
public:
    explicit TEventListener(TComponent* owner)
        : TInstallObject(owner), info_("TEventListener", &TInstallObject::StaticClassInfo(), nullptr, {}) {}
    const TClassInfo* ClassInfo() const override { return &info_; }
    int RegisteredType() const override { return 9000; }
    void InformationEvent(TInstallContainer*, int code, TObject* po) override {
        codes.push_back(code);
        if (auto* status = dynamic_cast<TFileStatusParameter*>(po)) totalPercents.push_back(status->TotalPercentDone);
    }
    std::vector<int> codes;
    std::vector<int> totalPercents;

private:
    TClassInfo info_;
};

struct TStatusCall {
    int filePercent;
    int totalPercent;
};

// A group G holding a directory D holding files, both in the middle of an install run.
class InformationEvents : public testing::Test {
protected:
    void SetUp() override {
        owner = std::make_unique<TDataModule>(nullptr);
        group = new TInstallGroup(owner.get());
        group->SetName("G1");
        dir = new TInstallDirectory(owner.get());
        dir->SetName("D1");
        dir->SetContainer(group);
        file = MakeFile("F1", 1000);
        skipped = MakeFile("F2", 200);
        listener = new TEventListener(owner.get());
        listener->SetContainer(group);
        Start(group, 10000, 7000);
        Start(dir, 4000, 1000);
        dir->OnStatus = [this](TCustomInstallFile*, int f, int t) { dirCalls.push_back({f, t}); };
        group->OnStatus = [this](TCustomInstallFile*, int f, int t) { groupCalls.push_back({f, t}); };
    }
    void TearDown() override { owner.reset(); }

    TInstallFile* MakeFile(const char* name, int size) {
        auto* made = new TInstallFile(owner.get());
        made->SetName(name);
        made->SetFileName(std::string(name) + ".txt");
        made->FileSize = size;
        made->SetContainer(dir);
        return made;
    }
    static void Start(TFileContainer* container, int totalSize, int bytesDone) {
        container->SetState(ifsInstall);
        container->SetTotalSize(totalSize);
        container->SetBytesDone(bytesDone);
    }
    void SendStatus(int fileBytesDone, bool done, int code = icInstallStatus) {
        TFileStatusParameter parameter;
        parameter.FileBytesDone = fileBytesDone;
        parameter.Stats.Done = done;
        parameter.Stats.UncompressedSize = file->FileSize;
        TList list;
        list.Add(static_cast<TObject*>(file));
        list.Add(static_cast<TObject*>(&parameter));
        dir->DoInformationEventControl(file, code, &list);
    }

    std::unique_ptr<TDataModule> owner;
    TInstallGroup* group = nullptr;
    TInstallDirectory* dir = nullptr;
    TInstallFile* file = nullptr;
    TInstallFile* skipped = nullptr;
    TEventListener* listener = nullptr;
    std::vector<TStatusCall> dirCalls, groupCalls;
};

} // namespace

TEST_F(InformationEvents, EachRunningLevelShowsItsOwnPercentageAndCountsTheFinishedFile) {
    SendStatus(500, false);
    ASSERT_EQ(dirCalls.size(), 1u);
    EXPECT_EQ(dirCalls[0].totalPercent, 38);
    ASSERT_EQ(groupCalls.size(), 1u);
    EXPECT_EQ(groupCalls[0].totalPercent, 75);
    EXPECT_EQ(listener->totalPercents, std::vector<int>({75}));
    EXPECT_EQ(dir->BytesDone(), 1000);

    SendStatus(1000, true, icCopyStatus);
    EXPECT_EQ(dir->BytesDone(), 2000);
    EXPECT_EQ(group->BytesDone(), 8000);
}

TEST_F(InformationEvents, ASkippedFileCountsAsFinishedOnEveryLevel) {
    dir->DoInformationEventControl(skipped, icFileSkipped, skipped);
    ASSERT_EQ(dirCalls.size(), 1u);
    EXPECT_EQ(dirCalls[0].filePercent, 100);
    ASSERT_EQ(groupCalls.size(), 1u);
    EXPECT_EQ(groupCalls[0].filePercent, 100);
    EXPECT_EQ(dir->BytesDone(), 1200);
    EXPECT_EQ(group->BytesDone(), 7200);
}

TEST_F(InformationEvents, AZeroTotalSizeGivesZeroPercent) {
    dir->SetTotalSize(0);
    EXPECT_NO_THROW(SendStatus(500, false));
    ASSERT_EQ(dirCalls.size(), 1u);
    EXPECT_EQ(dirCalls[0].totalPercent, 0);
}

TEST(PercentDone, RoundsHalvesToTheEvenNeighbour) {
    struct Row {
        int part, whole, expected;
    };
    for (const Row& row : std::vector<Row>{{1500, 4000, 38}, {7500, 10000, 75}, {1, 8, 12}, {5, 200, 2},
                                           {7, 200, 4}, {3, 0, 0}, {0, 0, 0}, {200, 200, 100}})
        EXPECT_EQ(PercentDone(row.part, row.whole), row.expected) << row.part << "/" << row.whole;
}

TEST_F(InformationEvents, AReportToAnIdleContainerGoesNoFurtherUp) {
    group->SetState(ifsNone);
    SendStatus(500, false);
    EXPECT_EQ(dirCalls.size(), 1u);
    EXPECT_TRUE(groupCalls.empty());
    EXPECT_TRUE(listener->codes.empty());
    EXPECT_EQ(group->BytesDone(), 7000);

    dir->SetState(ifsNone);
    SendStatus(500, false);
    EXPECT_EQ(dirCalls.size(), 1u);
}

TEST_F(InformationEvents, ANewDiskHandlerChangesThePathAndSilencesTheFilesOwnPrompt) {
    dir->OnNewDisk = [](TCustomInstallFile*, int disk, std::string& path) { path = "B:\\disk" + std::to_string(disk); };
    TDiskParameter disk;
    disk.DiskNumber = 2;
    disk.Path = "A:\\";
    TList list;
    list.Add(static_cast<TObject*>(file));
    list.Add(static_cast<TObject*>(&disk));
    dir->DoInformationEventControl(file, icNewDisk, &list);
    EXPECT_EQ(disk.Path, "B:\\disk2");
    EXPECT_EQ(file->Tag(), 1);
    EXPECT_EQ(listener->codes, std::vector<int>({ieNewDisk}));
}

TEST_F(InformationEvents, DownloadProgressReachesTheFileTheContainerAndTheDialogs) {
    std::vector<TObject*> senders;
    file->OnDataReceived = [&](TObject* sender, const std::string&, int, int, int, const char*) {
        senders.push_back(sender);
    };
    dir->OnDataReceived = [&](TObject* sender, const std::string& name, int bytes, int totalBytes, int fileSize,
                              const char* buffer) {
        senders.push_back(sender);
        EXPECT_EQ(name, "D1.1");
        EXPECT_EQ(bytes, 50);
        EXPECT_EQ(totalBytes, 250);
        EXPECT_EQ(fileSize, 1000);
        EXPECT_EQ(buffer, nullptr);
    };
    file->DataReceived(nullptr, "D1.1", 50, 250, 1000, "x");
    EXPECT_EQ(senders, std::vector<TObject*>({file, dir}));
    EXPECT_EQ(listener->codes, std::vector<int>({ieDownloadStatus}));

    EXPECT_EQ(TDownloadStatusParameter("a.1", 50, 250, 1000).PercentDone, 25);
    EXPECT_EQ(TDownloadStatusParameter("a.1", 0, 0, 0).PercentDone, 0);
}

TEST_F(InformationEvents, ReplacingFiresTheHandlerAndTellsTheDialogs) {
    TCustomInstallFile* replaced = nullptr;
    dir->OnReplacing = [&](TCustomInstallFile* f) { replaced = f; };
    dir->DoInformationEventControl(file, icReplacing, file);
    EXPECT_EQ(replaced, file);
    EXPECT_EQ(listener->codes, std::vector<int>({ieReplacing}));
}

TEST_F(InformationEvents, AWrongParameterIsRefusedWithItsMessageAndNotPassedOn) {
    TFileStatusParameter status;
    TDiskParameter disk;
    TDownloadStatusParameter download("a.1", 0, 0, 0);
    TList one, fileAndDisk, diskAndStatus, fileAndStatus;
    one.Add(static_cast<TObject*>(file));
    fileAndDisk.Add(static_cast<TObject*>(file));
    fileAndDisk.Add(static_cast<TObject*>(&disk));
    diskAndStatus.Add(static_cast<TObject*>(&disk));
    diskAndStatus.Add(static_cast<TObject*>(&status));
    fileAndStatus.Add(static_cast<TObject*>(file));
    fileAndStatus.Add(static_cast<TObject*>(&status));
    struct Row {
        int code;
        TObject* po;
        std::string message;
    };
    const std::vector<Row> rows{
        {icInstallStatus, nullptr, "D1 got a nil PO parameter"},
        {icFileSkipped, nullptr, "D1 got a nil PO parameter"},
        {icReplacing, &disk, "DoInformationEventControl parameter is not TInstallFile"},
        {icCompressStatus, &disk, "DoInformationEventControl--PO is not a TList object"},
        {icCompressStatus, &one, "DoInformationEventControl--Not engouh parameters for status event"},
        {icInstallStatus, &diskAndStatus, "DoInformationEventControl says bad first parameter"},
        {icInstallStatus, &fileAndDisk, "DoInformationEventControl says bad second parameter"},
        {icNewDisk, &diskAndStatus, "DoInformationEventControl says bad 1 parameter"},
        {icNewDisk, &fileAndStatus, "DoInformationEventControl says bad 2 parameter"},
        {icDownloadStatus, &status, "The PO object passed to D1 is not a TDownloadStatusParameter object"},
        {icFileAborted, &download, "DoInformationEventControl says bad first parameter"},
    };
    for (const Row& row : rows) {
        try {
            dir->DoInformationEventControl(file, row.code, row.po);
            ADD_FAILURE() << "no exception for " << row.code << ": " << row.message;
        } catch (const IEFileContainer& e) {
            EXPECT_EQ(e.Message(), row.message) << row.code;
        }
    }
    EXPECT_TRUE(groupCalls.empty());
    EXPECT_TRUE(listener->codes.empty());
    EXPECT_EQ(dir->BytesDone(), 1000);
}
