// Where a build puts each file: the options of a traditional, a web and a mixed
// distribution on a small real tree.
#include <map>
#include <set>

#include "archive/cmp_TQlryCompress.h"
#include "net/cmp_TNetInstallLocation.h"
#include "unit/files/FilesTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// The source file names stored in an archive.
std::set<std::string> Members(const std::string& archive) {
    std::set<std::string> names;
    if (!FileExistsOnDisk(archive)) return names;
    TQlryCompress reader(nullptr);
    reader.SetCompressedFile(archive);
    for (int i = 0; i < reader.FileCount(); ++i) names.insert(ExtractFileName(reader.Headers().FileHeaders(i)->FileName()));
    return names;
}

struct BuildCase {
    const char* kind;
    TCompressOptions options;
    std::map<std::string, std::set<std::string>> archives;  // relative to the build directory
};

} // namespace

TEST_F(InstallFiles, EachDistributionKindPutsTheFilesIntoItsArchives) {
    auto* mainLocation = new TCustomNetInstallLocation(owner.get());
    mainLocation->SetName("MainLocation");
    mainLocation->SetHostName("files.example.com");
    mainLocation->SetDirectory("/pub");
    engine->SetNetLocation(mainLocation);
    auto* ownLocation = new TCustomNetInstallLocation(owner.get());
    ownLocation->SetName("OwnLocation");
    ownLocation->SetHostName("srv1");
    ownLocation->SetDirectory("/pub/app");

    auto* sub = new TInstallDirectory(owner.get());
    sub->SetName("Sub1");
    sub->SetContainer(dir);
    AddFile("local.txt", "always local");
    AddFile("net.txt", "fetched with its directory")->SetNet(true);
    TInstallFile* own = AddFile("own.txt", "fetched on its own", sub);
    own->SetNet(true);
    own->SetNetLocation(ownLocation);
    TInstallFile* dated = AddFile("dated.txt", "compared by date", sub);
    dated->SetNet(true);
    dated->SetOverwriteMode(owDate);

    const std::vector<BuildCase> cases = {
        {"traditional", 46, {{"files.1", {"local.txt", "net.txt", "own.txt", "dated.txt"}}}},
        {"web",
         54,
         {{"files.example.com\\-pub\\Dir1.1", {"local.txt", "net.txt"}},
          {"srv1\\-pub-app\\if3.1", {"own.txt"}},
          {"files.example.com\\-pub\\if4.1", {"dated.txt"}},
          {"files.1", {}}}},
        {"traditional with net files",
         38,
         {{"files.1", {"local.txt"}},
          {"files.example.com\\-pub\\Dir1.1", {"net.txt"}},
          {"srv1\\-pub-app\\if3.1", {"own.txt"}},
          {"files.example.com\\-pub\\if4.1", {"dated.txt"}}}},
    };
    for (const BuildCase& row : cases) {
        SCOPED_TRACE(row.kind);
        engine->Compress(row.options);
        for (const auto& [archive, members] : row.archives)
            EXPECT_EQ(Members(scratch.File("dist\\" + archive)), members) << archive;
        // The files point at their own archives again after the build.
        EXPECT_EQ(own->ArchiveFileType(), TPathSpecifierList::Standard().Find<TpsContainerArchiveFile>());
        EXPECT_TRUE(own->ArchiveFile().empty());
        RemoveTree(scratch.File("dist"));
    }
}
