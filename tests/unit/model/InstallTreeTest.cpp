#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "model/cmp_TPathSpecifier.h"
#include "platform/CommandLine.h"
#include "platform/DataModule.h"
#include "platform/DescriptionReader.h"
#include "support/TestProject.h"

using namespace qlry;

namespace {

// An object of a given rank that records the information events it hears.
class TListener : public TInstallObject {
public:
    TListener(TComponent* owner, int rank, const char* className = "TListener")
        : TInstallObject(owner), rank_(rank), info_(className, &TInstallObject::StaticClassInfo(), nullptr, {}) {}
    const TClassInfo* ClassInfo() const override { return &info_; }
    int RegisteredType() const override { return rank_; }
    void InformationEvent(TInstallContainer*, int code, TObject*) override { events.push_back(code); }
    std::vector<int> events;

private:
    int rank_;
    TClassInfo info_;
};

std::string Names(const TInstallContainer& container) {
    std::string names;
    for (int i = 0; i < container.ObjectCount(); ++i) names += (i ? "," : "") + container.Objects(i)->Name();
    return names;
}

class InstallTree : public testing::Test {
protected:
    void SetUp() override { owner = std::make_unique<TDataModule>(nullptr); }
    void TearDown() override { owner.reset(); }

    template <class T>
    T* Make(const char* name) {
        auto* object = new T(owner.get());
        object->SetName(name);
        return object;
    }

    std::unique_ptr<TDataModule> owner;
};

} // namespace

TEST_F(InstallTree, ContainedObjectsAreKeptInRankOrderLatestFirstAmongEquals) {
    auto* engine = Make<TInstall>("Install1");
    auto* dialog = new TListener(owner.get(), 9000);
    dialog->SetName("Dialog");
    auto* file1 = Make<TInstallFile>("File1");
    auto* folder = new TListener(owner.get(), 7000);
    folder->SetName("Folder");
    auto* directory = Make<TInstallDirectory>("Dir");
    auto* file2 = Make<TInstallFile>("File2");
    auto* group = Make<TInstallGroup>("Group");
    for (TInstallObject* object : std::vector<TInstallObject*>{dialog, file1, folder, directory, file2, group})
        object->SetContainer(engine);
    EXPECT_EQ(Names(*engine), "Group,Dir,File2,File1,Folder,Dialog");

    auto* bde = new TListener(owner.get(), 9500, "TInstallBde");
    bde->SetName("Bde");
    bde->SetContainer(engine);
    EXPECT_EQ(engine->Objects(0), bde);
}

TEST_F(InstallTree, CircularContainersAreRefusedAndLeaveTheTreeUnchanged) {
    auto* engine = Make<TInstall>("Install1");
    auto* outer = Make<TInstallDirectory>("Outer");
    auto* inner = Make<TInstallDirectory>("Inner");
    outer->SetContainer(engine);
    inner->SetContainer(outer);
    for (TInstallContainer* target : std::vector<TInstallContainer*>{outer, inner}) {
        try {
            outer->SetContainer(target);
            ADD_FAILURE() << "accepted " << target->Name();
        } catch (const IEInstallContainer& e) {
            EXPECT_EQ(e.Message(), "Circular reference");
        }
        EXPECT_EQ(outer->Container(), engine);
        EXPECT_EQ(Names(*engine), "Outer");
        EXPECT_EQ(Names(*outer), "Inner");
    }
}

TEST_F(InstallTree, ReassigningAContainerAtRunTimeInstallsIntoIt) {
    auto* engine = Make<TInstall>("Install1");
    auto* directory = Make<TInstallDirectory>("Dir");
    auto* file = Make<TInstallFile>("File");
    directory->SetContainer(engine);
    file->SetContainer(directory);
    file->SetDestDir("\\Sub");
    file->SetContainer(directory);  // the same container: nothing changes
    EXPECT_EQ(file->DestDir(), "\\Sub");

    file->SetContainer(engine);
    EXPECT_EQ(file->DestDir(), "");
    EXPECT_NE(dynamic_cast<TpsContainerDestDir*>(file->DestDirType()), nullptr);
    EXPECT_NE(dynamic_cast<TpsContainerArchiveFile*>(file->ArchiveFileType()), nullptr);
    EXPECT_EQ(Names(*directory), "");

    file->SetContainer(nullptr);
    EXPECT_EQ(file->DestDirType(), nullptr);
    EXPECT_EQ(file->ArchiveFileType(), nullptr);
}

TEST_F(InstallTree, ProcessingFollowsIncludeAndTheCurrentInstallType) {
    struct Case {
        const char* what;
        bool include;
        TInstallTypeSet types;
        std::vector<int> events;
        bool processed;
    };
    const std::vector<Case> cases = {
        {"selected", true, InstallTypeSet({itFull, itDefault}), {-990, -999, -992, -996, -989}, true},
        {"other install type", true, InstallTypeSet({itCompact}), {-990, -999}, false},
        {"excluded", false, InstallTypeSet({itDefault}), {-990}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        auto* engine = Make<TInstall>("Install1");
        engine->SetInstallTypes(InstallTypeSet({itFull, itDefault}));
        auto* directory = Make<TInstallDirectory>("Dir");
        directory->SetContainer(engine);
        directory->SetUninstall(false);
        auto* listener = new TListener(owner.get(), 9000);
        listener->SetContainer(directory);
        engine->SetCurrentInstallType(itDefault);
        directory->SetInclude(c.include);
        directory->SetInstallTypes(c.types);
        int before = 0;
        directory->OnBeforeProcess = [&](TInstallContainer*) { ++before; };
        directory->Process();
        EXPECT_EQ(before, 1);
        EXPECT_EQ(listener->events, c.events);
        EXPECT_EQ(directory->Processed(), c.processed);
    }
}

TEST_F(InstallTree, EmptyInstallTypesMeanFull) {
    auto* directory = Make<TInstallDirectory>("Dir");
    directory->SetInstallTypes(0);
    EXPECT_EQ(directory->InstallTypes(), InstallTypeSet({itFull}));
}

TEST_F(InstallTree, DestinationPathJoinsSpecifierAndDestDir) {
    auto* engine = Make<TInstall>("Install1");
    engine->SetDestDirType(nullptr);
    engine->SetDestDir("C:\\App\\");
    EXPECT_EQ(engine->GetDestPath(), "C:\\App");

    auto* directory = Make<TInstallDirectory>("Dir");
    directory->SetContainer(engine);
    directory->SetDestDir("Sub");
    engine->SetDestDir("C:\\Base");
    EXPECT_EQ(directory->GetDestPath(), "C:\\BaseSub");  // no separator is inserted
    directory->SetDestDir("\\Sub\\");
    EXPECT_EQ(directory->GetDestPath(), "C:\\Base\\Sub");
}

TEST_F(InstallTree, TwoThousandAndFirstFileGetsIdZeroWhileSlotZeroStaysTaken) {
    TUniqueIDTable::Instance().Clear();
    std::vector<TInstallFile*> files;
    for (int i = 0; i < TUniqueIDTable::slotCount; ++i) files.push_back(new TInstallFile(owner.get()));
    EXPECT_EQ(files.front()->UniqueID(), 0);
    EXPECT_EQ(files.back()->UniqueID(), 1999);
    auto* extra = new TInstallFile(owner.get());
    EXPECT_EQ(extra->UniqueID(), 0);
    EXPECT_TRUE(TUniqueIDTable::Instance().Used(0));
    files[5]->Free();
    EXPECT_EQ((new TInstallFile(owner.get()))->UniqueID(), 5);
}

TEST_F(InstallTree, DestroyedContainerLeavesItsObjectsAliveWithoutContainer) {
    auto* engine = Make<TInstall>("Install1");
    auto* outer = Make<TInstallGroup>("Outer");
    auto* inner = Make<TInstallGroup>("Inner");
    auto* listener = new TListener(owner.get(), 9000);
    outer->SetContainer(engine);
    inner->SetContainer(outer);
    listener->SetContainer(outer);
    outer->Free();
    EXPECT_EQ(inner->Container(), engine);  // groups fall back to the engine
    EXPECT_EQ(listener->Container(), nullptr);
    EXPECT_EQ(Names(*engine), "Inner");
}

TEST_F(InstallTree, GroupsLiveOnlyUnderTheEngineOrAnotherGroup) {
    auto* engine = Make<TInstall>("Install1");
    auto* group = Make<TInstallGroup>("Group");
    auto* directory = Make<TInstallDirectory>("Dir");
    directory->SetContainer(engine);
    group->SetContainer(nullptr);
    EXPECT_EQ(group->Container(), engine);
    try {
        group->SetContainer(directory);
        FAIL() << "a directory was accepted";
    } catch (const IEInstallGroup& e) {
        EXPECT_EQ(e.Message(),
                  "A TInstallGroup component can only be contained by a TInstall, or another TInstallGroup component");
    }
    EXPECT_EQ(group->Container(), engine);
}

TEST_F(InstallTree, FailuresCarryTheirMessages) {
    auto* directory = Make<TInstallDirectory>("Dir");
    struct Case {
        std::function<void()> action;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[&] { directory->AddObject(nullptr); }, "Cannot add a blank base helper component to Dir"},
        {[&] { directory->Objects(3); },
         "Tried to reference a helper component in the following component: Dir. The following index was used: 3"},
        {[&] { TInstallContainerList::Instance().Add(nullptr); },
         "Cannot add a blank entry to the TInstallContainerList object"},
        {[&] { TCustomInstallFileList::AllFiles().Add(nullptr); },
         "Cannot add a blank entry to the TCustomInstallFileList object"},
        {[&] { TInstallObject(nullptr).RegisteredType(); }, "Class must declare a registered type"},
    };
    for (const Case& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const IException& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    EXPECT_THROW(directory->CompOf<TInstallFile>(0), IEInstallContainer);
}

TEST_F(InstallTree, ProjectWithTheEngineStoredAfterItsDirectoryLoads) {
    if (ParamCount() > 0) GTEST_SKIP() << "the engine reads the command line: pass gtest options as GTEST_* variables";
    TUniqueIDTable::Instance().Clear();
    ReadDescription(owner.get(), test::testProjectDescription);
    auto* engine = dynamic_cast<TInstall*>(owner->FindComponent("Install1"));
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(CurrentInstall(), engine);
    EXPECT_EQ(Names(*engine), "Group1,AppDir");
    auto* appDir = dynamic_cast<TInstallDirectory*>(owner->FindComponent("AppDir"));
    EXPECT_EQ(appDir->Container(), engine);
    EXPECT_EQ(Names(*appDir), "CompactOnly,AppExe");
    // Every standard specifier exists once, the stored one among them.
    EXPECT_EQ(TPathSpecifierList::Standard().Count(), 14);
    EXPECT_EQ(dynamic_cast<TCustomPathSpecifier*>(owner->FindComponent("psProgramFiles")), engine->DestDirType());
    // The engine chose itDefault, which its InstallTypes contain.
    EXPECT_EQ(appDir->CurrentInstallType(), itDefault);
    EXPECT_EQ(engine->Information()->ProductName(), "Test Product");
    // Stored identifiers replace the constructed ones and are the only slots in use.
    auto* readme = dynamic_cast<TInstallFile*>(owner->FindComponent("ReadmeFile"));
    EXPECT_EQ(readme->UniqueID(), 7);
    EXPECT_TRUE(TUniqueIDTable::Instance().Used(7));
    EXPECT_FALSE(TUniqueIDTable::Instance().Used(0));
    EXPECT_EQ(readme->GetDestPath(), engine->GetDestPath() + "\\Docs");
    EXPECT_FALSE(readme->IsLoading());
}
