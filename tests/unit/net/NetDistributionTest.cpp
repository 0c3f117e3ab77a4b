// A web distribution end to end against the suite's servers: built into per-location
// archives and a file list, published, then installed by downloading what it needs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/cmp_TInstall.h"
#include "model/cmp_TInstallContainer.h"
#include "net/cmp_TNetInstallLocation.h"
#include "platform/DataModule.h"
#include "platform/DescriptionReader.h"
#include "platform/SysUtils.h"
#include "routines/routines_Registry.h"
#include "support/TestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ServedPath(const std::string& area) {
    std::string path = "Z:" + Variable("QLRY_NET_ROOT") + "/" + area;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Copies every file of Directory into Target, as an author uploads a build.
void Publish(const std::string& directory, const std::string& target) {
    ForceDirectories(target);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << directory;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileA((directory + "\\" + found.cFileName).c_str(), (target + "\\" + found.cFileName).c_str(), FALSE);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

struct Server {
    const char* kind;
    TInternetProtocol protocol;
    const char* portVariable;
    const char* area;
    const char* distributeType;
};

} // namespace

TEST(NetDistribution, NetDistributionsAreBuiltPublishedAndInstalledByDownloading) {
    ASSERT_FALSE(Variable("QLRY_NET_ROOT").empty()) << "run this suite through ctest: it needs its servers";
    for (const Server& server : {Server{"web over HTTP", ipHTTP, "QLRY_HTTP_PORT", "http", "dtWeb"},
                                 Server{"web over FTP", ipFTP, "QLRY_FTP_PORT", "ftp-anon", "dtWeb"},
                                 Server{"mixed over HTTP", ipHTTP, "QLRY_HTTP_PORT", "http", "dtTraditionalNet"}}) {
        SCOPED_TRACE(server.kind);
        const bool web = std::string(server.distributeType) == "dtWeb";
        ScratchDir scratch;
        std::string host = "127.0.0.1:" + Variable(server.portVariable);
        TDataModule owner(nullptr);
        ReadDescription(&owner, std::string("object WebProject: TDataModule\n"
                                            "  object Web: TNetInstallLocation\n"
                                            "    LoginInformation.Hostname = '") +
                                    host + "'\n    LoginInformation.Directory = 'webapp'\n" +
                                    (server.protocol == ipFTP ? "    LoginInformation.Protocol = ipFTP\n" : "") +
                                    "  end\n"
                                    "  object Install1: TInstall\n"
                                    "    NetLocation = Web\n"
                                    "    DistributeType = " + server.distributeType + "\n"
                                    "    RunAutomatic = False\n"
                                    "    UseLoadingProgram = False\n"
                                    "    Information.ProductName = 'Net Suite Product'\n"
                                    "  end\n"
                                    "end\n");
        auto* engine = dynamic_cast<TInstall*>(owner.FindComponent("Install1"));
        ASSERT_NE(engine, nullptr);
        engine->SetDestDirType(nullptr);
        engine->SetDestDir(scratch.File("dest"));
        engine->SetArchiveFileType(nullptr);
        engine->SetArchiveFile(scratch.File("build\\files.1"));
        auto* dir = new TInstallDirectory(&owner);
        dir->SetName("Dir1");
        dir->SetContainer(engine);
        std::vector<std::pair<std::string, std::string>> sources = {
            {"readme.txt", "read me"}, {"data.bin", std::string(70000, '\x7f') + "end"}};
        ForceDirectories(scratch.File("src"));
        for (const auto& [name, bytes] : sources) {
            WriteFileBytes(scratch.File("src\\" + name), bytes);
            // In the mixed distribution the readme travels in files.1 beside the setup.
            (new TInstallFile(&owner, dir, scratch.File("src\\" + name)))->SetNet(web || name == "data.bin");
        }
        engine->Compress(coArchivesToBuildDir | 4 | (web ? coForceFilesNet : 0) | coIncludeAll);
        engine->WriteFileList();
        // The host part loses its colon on the way to a folder name.
        std::string published = scratch.File("build\\127.0.0.1" + Variable(server.portVariable) + "\\webapp");
        ASSERT_TRUE(FileExistsOnDisk(published + "\\filelist.lst"));
        ASSERT_TRUE(FileExistsOnDisk(published + "\\Dir1.1"));
        Publish(published, ServedPath(std::string(server.area) + "/webapp"));
        // The installing setup is another process on another machine: nothing of the build
        // is left to it.
        RemoveTree(web ? scratch.File("build") : published);
        dir->SetLocalArchive("");
        engine->SetLocalArchive("");

        int downloadReports = 0;
        int lastPercent = -1;
        dir->OnDataReceived = [&](TObject*, const std::string& fileName, int, int total, int size, const char*) {
            ++downloadReports;
            if (fileName == "Dir1.1") lastPercent = size ? total * 100 / size : 0;
        };
        std::string localCopy;
        dir->OnAfterInstallObjects = [&](TInstallContainer*, bool) { localCopy = dir->LocalArchive(); };
        engine->Process();

        for (const auto& [name, bytes] : sources) EXPECT_EQ(ReadFileBytes(scratch.File("dest\\" + name)), bytes);
        EXPECT_GT(downloadReports, 0);
        EXPECT_EQ(lastPercent, 100);
        // The downloaded archive was recorded while the run needed it and is gone with the record.
        EXPECT_FALSE(localCopy.empty());
        EXPECT_FALSE(FileExistsOnDisk(localCopy));
        EXPECT_TRUE(InstallRecordKey().empty() || RegReadString(rkLocalMachine, InstallRecordKey() + "\\Dir1",
                                                                "LocalFile", "") == "");
        RegDeleteKeyTree(rkLocalMachine, std::string(uninstallKeyBase) + "Net Suite Product");
    }
}
