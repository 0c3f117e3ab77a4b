// Downloads from real HTTP and FTP servers on 127.0.0.1, started by tests/host/net-suite.sh,
// which passes their ports and the directory they serve in QLRY_* variables.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "net/cmp_TNetInstallLocation.h"
#include "platform/DataModule.h"
#include "platform/DescriptionReader.h"
#include "platform/Strings.h"
#include "support/TestSupport.h"

using namespace qlry;
using namespace qlry::test;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Host(const char* portVariable) { return "127.0.0.1:" + Env(portVariable); }

// Bytes of every value, so that a text-mode transfer or a lost piece shows.
std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(seed >> 16);
    }
    return bytes;
}

struct Piece {
    std::string fileName;
    int bytes;
    int totalBytes;
    int fileSize;
    std::string data;
    bool operator==(const Piece&) const = default;
};

class NetLocation : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("QLRY_NET_ROOT").empty()) << "run this suite through ctest: it needs the servers of net-suite.sh";
        NetAborted = false;
        owner = std::make_unique<TDataModule>(nullptr);
    }
    void TearDown() override {
        owner.reset();
        NetAborted = false;
    }

    TNetInstallLocation* Location(TInternetProtocol protocol, const std::string& directory = "") {
        auto* location = new TNetInstallLocation(owner.get());
        location->SetName("Net" + std::to_string(++made));
        location->SetProtocol(protocol);
        location->SetHostName(Host(protocol == ipFTP ? "QLRY_FTP_PORT" : "QLRY_HTTP_PORT"));
        location->SetDirectory(directory);
        return location;
    }

    // Places a file where a server serves it: Area is http, ftp-anon or ftp-user, Name a
    // relative path with backslashes.
    static void Serve(const std::string& area, const std::string& name, const std::string& bytes) {
        std::string path = ServedPath(area);
        size_t start = 0;
        for (size_t slash; (slash = name.find('\\', start)) != std::string::npos; start = slash + 1)
            CreateDirectoryA((path + "\\" + name.substr(0, slash)).c_str(), nullptr);
        WriteFileBytes(path + "\\" + name, bytes);
    }
    static std::string ServedPath(const std::string& area) {
        std::string path = "Z:" + Env("QLRY_NET_ROOT") + "/" + area;
        for (char& c : path)
            if (c == '/') c = '\\';
        return path;
    }
    static std::string LastRequest() {
        std::string log = ReadFileBytes(ServedPath("requests.log"));
        log.pop_back();
        return log.substr(log.rfind('\n') + 1);
    }

    std::string Fetch(TCustomNetInstallLocation* location, const std::string& remote) {
        std::string local = scratch.File(remote);
        location->Download(remote, local);
        return ReadFileBytes(local);
    }

    static void Record(TCustomNetInstallLocation* location, std::vector<Piece>& pieces) {
        location->OnDataReceived = [&pieces](TObject*, const std::string& fileName, int bytes, int total, int size,
                                             const char* buffer) {
            pieces.push_back({fileName, bytes, total, size, std::string(buffer, bytes)});
        };
    }

    ScratchDir scratch;
    std::unique_ptr<TDataModule> owner;
    int made = 0;
};

TEST_F(NetLocation, HttpDownloadIsByteIdenticalAndReportsEveryPiece) {
    // The digits 404 at the start of a file are data, not a failure.
    std::string content = "404 is just a number here\n" + Pattern(50000, 1);
    Serve("http", "app.1", content);
    TNetInstallLocation* location = Location(ipHTTP);
    std::vector<Piece> pieces, targeted;
    std::vector<std::string> events;
    Record(location, pieces);
    location->DataTarget = [&targeted](TObject*, const std::string& fileName, int bytes, int total, int size,
                                       const char* buffer) {
        targeted.push_back({fileName, bytes, total, size, std::string(buffer, bytes)});
    };
    location->OnBeforeConnect = [&](TObject*) { events.push_back("BeforeConnect"); };
    location->OnAfterConnect = [&](TObject*) { events.push_back("AfterConnect"); };
    location->OnBeforeDownload = [&](TObject*) { events.push_back("BeforeDownload"); };
    location->OnAfterDownload = [&](TObject*, bool aborted) { events.push_back(aborted ? "Aborted" : "AfterDownload"); };

    EXPECT_EQ(Fetch(location, "app.1"), content);

    std::string joined;
    int total = 0;
    for (const Piece& piece : pieces) {
        EXPECT_EQ(piece.fileName, "app.1");
        EXPECT_LE(piece.bytes, 8192);
        EXPECT_EQ(piece.totalBytes, total += piece.bytes);
        EXPECT_EQ(piece.fileSize, static_cast<int>(content.size()));
        joined += piece.data;
    }
    EXPECT_GE(pieces.size(), 7u);
    EXPECT_EQ(joined, content);
    EXPECT_EQ(targeted, pieces);

    // The second download goes over the connection that is already open.
    EXPECT_EQ(Fetch(location, "app.1"), content);
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect", "AfterConnect", "BeforeDownload", "AfterDownload",
                                                "BeforeDownload", "AfterDownload"}));
}

TEST_F(NetLocation, FtpDownloadsAnonymouslyAndWithUserAndPassword) {
    struct Row {
        const char* area;
        bool anonymous;
        const char* username;
        const char* password;
    };
    int n = 0;
    for (const Row& row : {Row{"ftp-anon", true, "", ""}, Row{"ftp-user", false, "qlry", "secret"},
                           // Anonymous wins over a filled-in user.
                           Row{"ftp-anon", true, "qlry", "secret"}}) {
        SCOPED_TRACE(std::string(row.area) + " " + row.username);
        std::string name = "ftp" + std::to_string(++n) + ".1";
        std::string content = Pattern(30000 + n, n);
        Serve(row.area, name, content);
        TNetInstallLocation* location = Location(ipFTP);
        location->LoginInformation()->SetAnonymous(row.anonymous);
        location->LoginInformation()->SetUsername(row.username);
        location->LoginInformation()->SetPassword(row.password);
        std::vector<Piece> pieces;
        Record(location, pieces);

        EXPECT_EQ(Fetch(location, name), content);
        ASSERT_FALSE(pieces.empty());
        EXPECT_EQ(pieces.back().totalBytes, static_cast<int>(content.size()));
        // The size comes from the file's directory entry, not from the first chunk.
        EXPECT_EQ(pieces.front().fileSize, static_cast<int>(content.size()));
    }
}

TEST_F(NetLocation, DirectoryIsSentWithForwardSlashes) {
    struct HttpRow {
        const char* directory;
        const char* served;
        const char* request;
    };
    int n = 0;
    for (const HttpRow& row : {HttpRow{"sub\\dir", "sub\\dir\\", "/sub/dir/"}, HttpRow{"", "", "/"},
                               HttpRow{"  ", "", "/"}, HttpRow{"pub\\", "pub\\", "/pub/"},
                               HttpRow{"/pub/app", "pub\\app\\", "/pub/app/"}}) {
        SCOPED_TRACE(std::string("HTTP '") + row.directory + "'");
        std::string name = "dir" + std::to_string(++n) + ".1";
        Serve("http", row.served + name, name);
        EXPECT_EQ(Fetch(Location(ipHTTP, row.directory), name), name);
        EXPECT_EQ(LastRequest(), row.request + name);
    }
    struct FtpRow {
        const char* directory;
        const char* served;
    };
    for (const FtpRow& row : {FtpRow{"sub\\dir", "sub\\dir\\"}, FtpRow{"", ""}, FtpRow{"/sub", "sub\\"}}) {
        SCOPED_TRACE(std::string("FTP '") + row.directory + "'");
        std::string name = "dir" + std::to_string(++n) + ".1";
        Serve("ftp-anon", row.served + name, name);
        EXPECT_EQ(Fetch(Location(ipFTP, row.directory), name), name);
    }
}

// Each failure carries its own text, the last error's name, the host and the server's
// last response.
TEST_F(NetLocation, FailuresCarryTheSystemsMessages) {
    Serve("http", "empty.1", "");
    Serve("ftp-anon", "empty.1", "");
    Serve("ftp-anon", "drop.1", Pattern(50000, 5));
    std::string http = Host("QLRY_HTTP_PORT"), ftp = Host("QLRY_FTP_PORT"), closed = Host("QLRY_CLOSED_PORT");
    struct Row {
        const char* what;
        TInternetProtocol protocol;
        std::string host;
        const char* directory;
        const char* remote;
        const char* password;   // non-anonymous login when set
        const char* exception;
        std::string message;    // the whole message up to the server's response
        const char* response;   // in the server's response
    };
    const std::vector<Row> rows = {
        {"HTTP server down", ipHTTP, closed, "", "files.1", nullptr, "ENIL_HTTPSendRequest",
         "Cannot send request for file files.1 to the server. Error message ERROR_INTERNET_CANNOT_CONNECT. Server " +
             closed + ". Response from server ",
         ""},
        {"FTP server down", ipFTP, closed, "", "files.1", nullptr, "ENIL_OpenService",
         "Cannot connect to host " + closed + ". Error message ERROR_INTERNET_CANNOT_CONNECT. Server " + closed +
             ". Response from server ",
         ""},
        {"FTP wrong password", ipFTP, ftp, "", "files.1", "wrong", "ENIL_OpenService",
         "Cannot connect to host " + ftp + ". Error message ERROR_INTERNET_LOGIN_FAILURE. Server " + ftp +
             ". Response from server ",
         "530"},
        {"HTTP 404", ipHTTP, http, "", "missing.1", nullptr, "ENIL_FileNotFound",
         "Could not find the file missing.1 on the server. Error message ", ""},
        {"HTTP 500", ipHTTP, http, "status\\500", "err.1", nullptr, "ENIL_FileNotFound",
         "Could not find the file err.1 on the server. Error message ", ""},
        {"HTTP empty file", ipHTTP, http, "", "empty.1", nullptr, "ENIL_FileNotFound",
         "Could not find the file empty.1 on the server. Error message ", ""},
        {"FTP empty file", ipFTP, ftp, "", "empty.1", nullptr, "ENIL_FileNotFound",
         "Could not find the file empty.1 on the server. Error message ", ""},
        {"FTP missing file", ipFTP, ftp, "", "missing.1", nullptr, "ENIL_FTPOpenFile",
         "Cannot open file missing.1 on server. Error message ERROR_INTERNET_EXTENDED_ERROR. Server " + ftp +
             ". Response from server ",
         "550"},
        {"FTP missing directory", ipFTP, ftp, "no\\such", "files.1", nullptr, "ENIL_FTPSetDir",
         "Cannot set directory on server to no/such. Error message ERROR_INTERNET_EXTENDED_ERROR. Server " + ftp +
             ". Response from server ",
         "550"},
        {"HTTP connection dropped", ipHTTP, http, "drop\\20000", "big.1", nullptr, "ENIL_ReadFile",
         "Could not read from file big.1 on the server. Error message ", ""},
        {"FTP data ended early", ipFTP, ftp, "", "drop.1", nullptr, "ENIL_ReadFile",
         "Could not read from file drop.1 on the server. Error message ", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TNetInstallLocation* location = Location(row.protocol, row.directory);
        location->SetHostName(row.host);
        if (row.password) {
            location->LoginInformation()->SetAnonymous(false);
            location->LoginInformation()->SetUsername("qlry");
            location->LoginInformation()->SetPassword(row.password);
        }
        try {
            location->Download(row.remote, scratch.File(row.remote));
            ADD_FAILURE() << "no exception";
        } catch (const ENIL& error) {
            EXPECT_EQ(error.ClassName(), row.exception);
            EXPECT_THAT(error.Message(), StartsWith(row.message));
            EXPECT_THAT(error.Message().substr(row.message.size()), HasSubstr(row.response));
        }
    }
}

TEST_F(NetLocation, AfterAFailureTheOpenConnectionServesTheNextDownload) {
    for (TInternetProtocol protocol : {ipHTTP, ipFTP}) {
        SCOPED_TRACE(protocol == ipFTP ? "FTP" : "HTTP");
        std::string name = protocol == ipFTP ? "again-ftp.1" : "again-http.1";
        Serve(protocol == ipFTP ? "ftp-anon" : "http", name, Pattern(10000, 7));
        TNetInstallLocation* location = Location(protocol);
        EXPECT_THROW(Fetch(location, "missing.1"), ENIL);
        EXPECT_TRUE(location->Connected());
        EXPECT_EQ(Fetch(location, name), Pattern(10000, 7));
    }
}

TEST_F(NetLocation, CancelStopsAfterTheCurrentPiece) {
    for (TInternetProtocol protocol : {ipHTTP, ipFTP}) {
        SCOPED_TRACE(protocol == ipFTP ? "FTP" : "HTTP");
        NetAborted = false;
        std::string name = protocol == ipFTP ? "cancel-ftp.1" : "cancel-http.1";
        std::string content = Pattern(100000, 3);
        Serve(protocol == ipFTP ? "ftp-anon" : "http", name, content);
        TNetInstallLocation* location = Location(protocol);
        std::vector<Piece> pieces;
        location->OnDataReceived = [&](TObject*, const std::string& fileName, int bytes, int total, int size,
                                       const char* buffer) {
            pieces.push_back({fileName, bytes, total, size, std::string(buffer, bytes)});
            if (pieces.size() == 2) NetAborted = true;   // the user presses Cancel
        };
        bool sawAborted = false;
        location->OnAfterDownload = [&](TObject*, bool aborted) { sawAborted = aborted; };

        std::string local = Fetch(location, name);

        ASSERT_EQ(pieces.size(), 2u);
        EXPECT_TRUE(sawAborted);
        // What came before the cancelled piece is kept; the cancelled piece is not written.
        EXPECT_EQ(local, content.substr(0, pieces[0].bytes));
    }
}

// Wine's per-program DLL load order (AppDefaults\<program>\DllOverrides) runs a copy of
// the probe with WinInet switched off, and another with a WinInet of its folder preferred.
TEST_F(NetLocation, MissingWinInetOrEntryPointIsNamedAtTheFirstConnect) {
    ASSERT_TRUE(CopyFileA((ProgramDir() + "fake-wininet\\wininet.dll").c_str(), scratch.File("wininet.dll").c_str(),
                          FALSE));
    struct Row {
        const char* program;
        const char* loadOrder;
        const char* expected;
    };
    for (const Row& row :
         {Row{"qlry_net_probe_nodll.exe", "",
              "ENIL_FailLoadWININET|Failed to load the Wininet.dll. If this is a hybrid installation, you might want "
              "to include the WININET.DLL file in the PresetupFiles property of the TInstall component"},
          Row{"qlry_net_probe_fake.exe", "native",
              "ENIL_FailLoadDLLProc|Failed to load the procedure InternetConnect from WININET.DLL"}}) {
        SCOPED_TRACE(row.program);
        std::string probe = scratch.File(row.program), out = scratch.File("probe.txt");
        ASSERT_TRUE(CopyFileA((ProgramDir() + "net_probe.exe").c_str(), probe.c_str(), FALSE));
        std::string appKey = std::string("Software\\Wine\\AppDefaults\\") + row.program;
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (appKey + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "wininet", 0, REG_SZ, reinterpret_cast<const BYTE*>(row.loadOrder),
                       static_cast<DWORD>(strlen(row.loadOrder) + 1));
        RegCloseKey(key);
        int code = RunProcess("\"" + probe + "\" \"" + out + "\"");
        RegDeleteKeyA(HKEY_CURRENT_USER, (appKey + "\\DllOverrides").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, appKey.c_str());
        EXPECT_EQ(code, 0);
        EXPECT_EQ(ReadFileBytes(out), row.expected);
    }
}

TEST_F(NetLocation, ErrorNamesAreTheConstantNames) {
    const std::vector<std::pair<unsigned long, const char*>> rows = {
        {6, "ERROR_INVALID_HANDLE"},
        {12001, "ERROR_INTERNET_OUT_OF_HANDLES"},
        {12002, "ERROR_INTERNET_TIMEOUT"},
        {12015, "ERROR_INTERNET_LOGIN_FAILURE"},
        {12029, "ERROR_INTERNET_CANNOT_CONNECT"},
        {12032, "ERROR_INTERNET_FORCE_RETRY"},
        {12036, "ERROR_INTERNET_HANDLE_EXISTS"},
        {12041, "ERROR_INTERNET_MIXED_SECURITY"},
        {12110, "ERROR_FTP_TRANSFER_IN_PROGRESS"},
        {12111, "ERROR_FTP_DROPPED"},
        {12130, "ERROR_GOPHER_PROTOCOL_ERROR"},
        {12138, "ERROR_GOPHER_UNKNOWN_LOCATOR"},
        {12150, "ERROR_HTTP_HEADER_NOT_FOUND"},
        {12155, "ERROR_HTTP_HEADER_ALREADY_EXISTS"},
        {0, "Unregistered error code"},
        {5, "Unregistered error code"},
        {12000, "Unregistered error code"},
        {12033, "Unregistered error code"},
        {12112, "Unregistered error code"},
        {12139, "Unregistered error code"},
        {12156, "Unregistered error code"},
    };
    for (const auto& [code, name] : rows) EXPECT_EQ(TCustomNetInstallLocation::ErrorName(code), name) << code;
}

TEST_F(NetLocation, LoginIsFilledInByHostOrAnyCredential) {
    struct Row {
        bool anonymous;
        const char* hostname;
        const char* username;
        const char* password;
        bool filledIn;
    };
    for (const Row& row : {Row{true, "srv", "", "", true}, Row{true, "  ", "me", "pw", false},
                           Row{false, "", "", "pw", true}, Row{false, "", "me", "", true},
                           Row{false, " ", " ", " ", false}}) {
        TLoginInformation login(nullptr);
        login.SetAnonymous(row.anonymous);
        login.SetHostname(row.hostname);
        login.SetUsername(row.username);
        login.SetPassword(row.password);
        EXPECT_EQ(TCustomNetInstallLocation::IsLoginFilledIn(&login), row.filledIn)
            << row.anonymous << " '" << row.hostname << "' '" << row.username << "' '" << row.password << "'";
    }
}

TEST_F(NetLocation, ProjectDescriptionSetsTheLoginAndAssignLoginCopiesIt) {
    ReadDescription(owner.get(), R"(object Root: TDataModule
  object Net1: TNetInstallLocation
    LoginInformation.Anonymous = False
    LoginInformation.Directory = 'pub\app'
    LoginInformation.Hostname = 'files.example'
    LoginInformation.Password = 'pw'
    LoginInformation.Protocol = ipFTP
    LoginInformation.Username = 'me'
  end
end
)");
    auto* stored = dynamic_cast<TNetInstallLocation*>(owner->FindComponent("Net1"));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->LoginInformation()->Location(), stored);

    auto* copy = new TNetInstallLocation(owner.get());
    EXPECT_TRUE(copy->LoginInformation()->Anonymous());
    EXPECT_EQ(copy->Protocol(), ipHTTP);
    copy->AssignLogin(stored->LoginInformation());
    const TLoginInformation& login = *copy->LoginInformation();
    EXPECT_FALSE(login.Anonymous());
    EXPECT_EQ(login.Directory(), "pub\\app");
    EXPECT_EQ(login.Hostname(), "files.example");
    EXPECT_EQ(login.Password(), "pw");
    EXPECT_EQ(login.Protocol(), ipFTP);
    EXPECT_EQ(login.Username(), "me");
    TStringList notALogin;
    EXPECT_THROW(copy->AssignLogin(&notALogin), EConvertError);
}

TEST_F(NetLocation, ProcessWideRecordsForgetADestroyedLocation) {
    int before = LocationList()->Count();
    TNetInstallLocation* location = Location(ipHTTP);
    location->SetHostName(Host("QLRY_CLOSED_PORT"));
    EXPECT_EQ(LocationList()->Count(), before + 1);
    EXPECT_EQ(LocationList()->Locations(before), location);
    SetEngineNetLocation(location);
    // HTTP connects lazily: Connect succeeds, the request would fail.
    location->Connect();
    EXPECT_EQ(CurrentLocation(), location);

    location->Free();
    EXPECT_EQ(LocationList()->Count(), before);
    EXPECT_EQ(CurrentLocation(), nullptr);
    EXPECT_EQ(EngineNetLocation(), nullptr);

    EXPECT_THAT(MessageOf<IENetList>([] { LocationList()->Add(nullptr); }),
                StartsWith("Cannot add a blank location to the global net location list. Error message "));
}

} // namespace
