// What the specifiers answer for the objects of an install tree, and when they refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PathsTestSupport.h"
#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "routines/routines_Strings.h"
#include "support/TestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// A small tree:
//   Base1   a bare TInstallContainer, no install object
//   Links1  an install object that is not file-related (as a link folder is)
//   Dir1    directory "demos" at C:\App\ with its archive D:\Dist\extra.1
//   Dir2    directory inside Dir1
//   Group1  group "Tools"
//   File1 (no container), File2 (in Dir1), File3 (in Links1), File4 (in Group1), File5 (in Dir2)
class SpecifierTree : public PathsTest {
protected:
    void SetUp() override {
        PathsTest::SetUp();
        Make<TInstallContainer>("Base1");
        links1 = Make<TInstallObject>("Links1");
        dir1 = Make<TInstallDirectory>("Dir1");
        dir1->SetDescription("demos");
        dir1->SetDestDir("C:\\App\\");
        dir1->SetArchiveFile("D:\\Dist\\extra.1");
        group1 = Make<TInstallGroup>("Group1");
        group1->SetDescription("Tools");
        dir2 = Make<TInstallDirectory>("Dir2");
        dir2->SetContainer(dir1);
        Make<TInstallFile>("File1");
        Make<TInstallFile>("File2")->SetContainer(dir1);
        {
            // Only a project being read can put a file into a container that holds no files.
            TInstallFile* file3;
            {
                TLoadingConstruction reading;
                file3 = new TInstallFile(Module());
            }
            file3->SetName("File3");
            file3->SetContainer(links1);
            static_cast<TComponent*>(file3)->Loaded();
        }
        Make<TInstallFile>("File4")->SetContainer(group1);
        Make<TInstallFile>("File5")->SetContainer(dir2);
        ASSERT_EQ(dir1->PathSpecifier(), Object<TpsFileContainer>("psFileContainer"));
        ASSERT_EQ(group1->PathSpecifier(), Object<TpsFileContainer>("psFileContainer1"));
    }

    template <class T = TInstallContainer>
    T* Object(const std::string& name) const {
        return dynamic_cast<T*>(Module()->FindComponent(name));
    }

    TCustomPathSpecifier* Specifier(const std::string& name) const { return Object<TCustomPathSpecifier>(name); }

    TInstallObject* links1 = nullptr;
    TInstallDirectory* dir1 = nullptr;
    TInstallDirectory* dir2 = nullptr;
    TInstallGroup* group1 = nullptr;
};

struct ValidationCase {
    const char* specifier;
    const char* object;
    const char* message;   // "" when the specifier serves the object
};

} // namespace

TEST_F(SpecifierTree, EachSpecifierRefusesTheObjectsItCannotServe) {
    const std::vector<ValidationCase> cases = {
        {"psContainerDestDir", "Base1", "Base1 must be a TInstallObject to use the psContainerDestDir path specifier"},
        {"psContainerDestDir", "File1", "Cannot use ddContainerDestDir for File1 unless you assign a Container"},
        {"psContainerDestDir", "File3", ""},
        {"psContainerArchiveFile", "Base1",
         "Base1 must be a TInstallObject to use the psContainerArchiveFile path specifier"},
        {"psContainerArchiveFile", "File1", "Cannot use ddContainerArchiveFile for File1 unless you assign a Container"},
        {"psContainerArchiveFile", "File3",
         "Cannot use the ddContainerArchiveFile path specifier for File3 because the Container is not a TFileRelated "
         "descendant"},
        {"psContainerArchiveFile", "File2", ""},
        {"psFileContainer", "File2", "A file container cannot reference another file container or group"},
        {"psFileContainer1", "Dir1", "A file container cannot reference another file container or group"},
        {"psFileContainer", "Group1", "A file container cannot reference another file container or group"},
        {"psFileContainer", "Links1", ""},
        {"psInstallSource", "File2", "There is no TInstall component so the path specifier could not be expanded for File2"},
        {"psMainInstall", "File2", "There is no TInstall component so the path specifier could not be expanded for File2"},
        {"psMainArchiveFile", "Dir1", "There is no TInstall component so the path specifier could not be expanded for Dir1"},
        {"psWindow", "Base1", ""},
        {"psBDEDLL", "Links1", ""},
    };
    for (const ValidationCase& row : cases) {
        SCOPED_TRACE(std::string(row.specifier) + " for " + row.object);
        TCustomPathSpecifier* specifier = Specifier(row.specifier);
        TInstallContainer* object = Object(row.object);
        ASSERT_TRUE(specifier && object);
        if (*row.message == '\0') {
            EXPECT_NO_THROW(specifier->Validate(object));
            continue;
        }
        EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { specifier->Validate(object); }), row.message);
        EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { specifier->GetPath(object); }), row.message);
    }
}

TEST_F(SpecifierTree, ARefusedAssignmentRaisesAndKeepsThePreviousSpecifier) {
    auto* file1 = Object<TInstallFile>("File1");
    file1->SetDestDirType(Specifier("psWindow"));
    EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { file1->SetDestDirType(Specifier("psContainerDestDir")); }),
              "Cannot use ddContainerDestDir for File1 unless you assign a Container");
    EXPECT_EQ(file1->DestDirType(), Specifier("psWindow"));

    EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { file1->SetArchiveFileType(Specifier("psContainerArchiveFile")); }),
              "Cannot use ddContainerArchiveFile for File1 unless you assign a Container");
    EXPECT_EQ(file1->ArchiveFileType(), nullptr);

    // A file container's own directory cannot be the base of a file or of a directory.
    for (const char* name : {"File2", "Dir2"}) {
        TInstallContainer* object = Object(name);
        TCustomPathSpecifier* before = object->DestDirType();
        EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { object->SetDestDirType(group1->PathSpecifier()); }),
                  "A file container cannot reference another file container or group")
            << name;
        EXPECT_EQ(object->DestDirType(), before) << name;
    }
}

TEST_F(SpecifierTree, WhileLoadingTheAssignmentIsTakenAndThePathFailsLater) {
    TInstallFile* loading;
    {
        TLoadingConstruction reading;
        loading = new TInstallFile(Module());
    }
    loading->SetName("Loading1");
    ASSERT_TRUE(loading->IsLoading());
    EXPECT_NO_THROW(loading->SetDestDirType(Specifier("psContainerDestDir")));
    static_cast<TComponent*>(loading)->Loaded();
    EXPECT_EQ(loading->DestDirType(), Specifier("psContainerDestDir"));
    EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { loading->GetDestPath(); }),
              "Cannot use ddContainerDestDir for Loading1 unless you assign a Container");
}

TEST_F(SpecifierTree, ContainerSpecifiersAnswerTheContainersPaths) {
    TCustomPathSpecifier* destDir = Specifier("psContainerDestDir");
    TCustomPathSpecifier* archive = Specifier("psContainerArchiveFile");
    EXPECT_EQ(destDir->GetPath(Object("File2")), "C:\\App");
    EXPECT_EQ(destDir->GetPath(Object("File5")), "C:\\App");   // Dir2 sits directly in Dir1
    EXPECT_EQ(archive->GetPath(Object("File2")), "D:\\Dist\\extra.1");
    EXPECT_EQ(archive->GetPath(Object("File5")), "D:\\Dist\\extra.1");   // through Dir2's archive
    EXPECT_EQ(dir1->PathSpecifier()->GetPath(links1), "C:\\App");

    Object("File2")->SetDestDir("\\Sub\\");
    EXPECT_EQ(Object("File2")->GetDestPath(), "C:\\App\\Sub");
}

TEST_F(SpecifierTree, TheContainerDirectoryIsNamedAfterTheContainer) {
    struct NameCase {
        const char* object;
        const char* longName;
        const char* shortName;
    };
    const std::vector<NameCase> cases = {
        {"File2", "Path of the <demos> directory", "<demos>"},
        {"File4", "Path of the <Tools> group", "<Tools>"},
        {"File3", "Path of the <Links1> group", "<Links1>"},
        {"File1", "Path of the group (container)", "Path of the group (container)"},
        {"Base1", "Path of the group (container)", "Path of the group (container)"},
    };
    TCustomPathSpecifier* destDir = Specifier("psContainerDestDir");
    for (const NameCase& row : cases) {
        EXPECT_EQ(destDir->LongNameFor(Object(row.object)), row.longName) << row.object;
        EXPECT_EQ(destDir->ShortNameFor(Object(row.object)), row.shortName) << row.object;
    }
}

TEST_F(SpecifierTree, AHandlerGivesTheBaseSpecifierItsPath) {
    auto* custom = Make<TCustomPathSpecifier>("psCustom");
    EXPECT_EQ(custom->GetPath(Object("File1")), "");
    custom->OnGetPath = [](TInstallContainer* object, std::string& path) { path = "X:\\" + object->Name(); };
    EXPECT_EQ(custom->GetPath(Object("File1")), "X:\\File1");
    EXPECT_EQ(custom->LongName(), "Unspecified");
    EXPECT_EQ(custom->ShortNameFor(Object("File1")), "Unspecified");
}

// --- with an engine --------------------------------------------------------------------

namespace {

class WithEngine : public SpecifierTree {
protected:
    void SetUp() override {
        SpecifierTree::SetUp();
        programFiles_.Set("C:\\Program Files");
        engine = Make<TInstall>("Install1");
        Make<TInstallFile>("File6")->SetContainer(engine);
    }

    SavedRegistryValue programFiles_{HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir"};
    TInstall* engine = nullptr;
};

} // namespace

TEST_F(WithEngine, MainArchiveIsLookedForWhereTheLastDiskWasFound) {
    auto* mainArchive = Standard<TpsMainArchiveFile>();
    ASSERT_EQ(mainArchive, Specifier("psMainArchiveFile"));
    struct OverrideCase {
        const char* directory;
        std::string expected;
    };
    const std::vector<OverrideCase> cases = {
        {"E:\\Disk2", "E:\\Disk2\\files.1"},
        {"E:\\Disk2\\", "E:\\Disk2\\files.1"},
        {"   ", AddBackslash(engine->SourceDir()) + "files.1"},
        {"", AddBackslash(engine->SourceDir()) + "files.1"},
    };
    for (const OverrideCase& row : cases) {
        mainArchive->SetArchiveDirOverride(row.directory);
        EXPECT_EQ(mainArchive->GetPath(Object("File2")), row.expected) << '"' << row.directory << '"';
    }
}

TEST_F(WithEngine, MainInstallDirectoryServesEveryObjectButTheEngine) {
    TCustomPathSpecifier* mainInstall = Specifier("psMainInstall");
    EXPECT_EQ(mainInstall->GetPath(Object("File2")), "C:\\Program Files\\MyApplication");
    EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { mainInstall->Validate(engine); }),
              "Cannot use the ddMainInstallDir path specifier for a TInstall component");
    EXPECT_NO_THROW(Specifier("psInstallSource")->Validate(engine));
}

TEST_F(WithEngine, ObjectsInTheEngineNameTheMainInstallationDirectory) {
    TCustomPathSpecifier* destDir = Specifier("psContainerDestDir");
    EXPECT_EQ(destDir->LongNameFor(Object("File6")), "Main installation directory");
    EXPECT_EQ(destDir->ShortNameFor(Object("File6")), "Main installation directory");
    EXPECT_EQ(destDir->GetPath(Object("File6")), "C:\\Program Files\\MyApplication");
}

// --- the engine's command line, in a process of its own ----------------------------------

namespace {

// Runs the probe with Arguments; its answers, "archive=..." and "source=..." (or
// "archive!Class: message"), one a line.
std::string ProbeAnswers(const std::string& arguments) {
    ScratchDir scratch;
    std::string output = scratch.File("answers.txt");
    SetEnvironmentVariableA("QLRY_PROBE_OUTPUT", output.c_str());
    int exitCode = RunProcess("\"" + ProgramDir() + "paths_probe.exe\" " + arguments);
    SetEnvironmentVariableA("QLRY_PROBE_OUTPUT", nullptr);
    std::string answers = FileExistsOnDisk(output) ? ReadFileBytes(output) : "";
    if (exitCode != 0) return "exit code " + std::to_string(exitCode) + ": " + answers;
    return answers;
}

} // namespace

TEST(MainArchiveFromTheCommandLine, SelfExtractingSetupIsItsOwnArchive) {
    const std::string forgot =
        "archive!IEInstall: You forgot to pass in the name of the self-extracting executable. Usage example: "
        "\"-eSetup.exe\"\n";
    struct CommandLineCase {
        std::string arguments;
        std::string answers;
    };
    const std::string probeDir = RemoveBackslash(ProgramDir());
    const std::vector<CommandLineCase> cases = {
        {"-sC:\\Dist", "archive=C:\\Dist\\files.1\nsource=C:\\Dist\n"},
        {"-sC:\\Dist\\ -eSetup.exe", "archive=C:\\Dist\\Setup.exe\nsource=C:\\Dist\n"},
        {"-sC:\\Dist -e", forgot + "source=C:\\Dist\n"},
        {"-sC:\\Dist \"-e   \"", forgot + "source=C:\\Dist\n"},
        {"", "archive=" + probeDir + "\\files.1\nsource=" + probeDir + "\n"},
    };
    for (const CommandLineCase& row : cases) EXPECT_EQ(ProbeAnswers(row.arguments), row.answers) << row.arguments;
}
