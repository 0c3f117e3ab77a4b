#include "net/cmp_TNetInstallLocation.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "platform/Application.h"
#include "platform/Format.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"

namespace qlry {

bool NetAborted = false;

namespace {

constexpr DWORD kPieceSize = 8192;
constexpr DWORD kResponseBufferSize = 3000;

TCustomNetInstallLocation* currentLocation = nullptr;
TCustomNetInstallLocation* engineLocation = nullptr;
// Kept outside the locations so that any ENIL can ask for the server's last words.
decltype(&::InternetGetLastResponseInfoA) internetGetLastResponseInfo = nullptr;

const TEnumInfo& InternetProtocolNames() {
    static const TEnumInfo names{"ipFTP", "ipHTTP"};
    return names;
}

std::string SlashesFor(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// "host:port" names a server on a port of its own; anything else is the host alone and
// the protocol's default port.
void SplitHost(const std::string& hostname, std::string& host, INTERNET_PORT& port) {
    host = hostname;
    port = INTERNET_INVALID_PORT_NUMBER;
    auto colon = hostname.rfind(':');
    if (colon == std::string::npos || colon + 1 == hostname.size() || colon + 6 < hostname.size()) return;
    unsigned value = 0;
    for (size_t i = colon + 1; i < hostname.size(); ++i) {
        if (hostname[i] < '0' || hostname[i] > '9') return;
        value = value * 10 + static_cast<unsigned>(hostname[i] - '0');
    }
    if (value == 0 || value > 65535) return;
    host = hostname.substr(0, colon);
    port = static_cast<INTERNET_PORT>(value);
}

// The application's name, as the application gives it or else from the program file.
std::string AgentName() {
    if (auto* app = Application()) return app->Title();
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name.erase(0, name.find_last_of('\\') + 1);
    auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string ComposeNetMessage(const std::string& text) {
    // The last error first: asking the server's response may change it.
    DWORD code = GetLastError();
    std::string host = currentLocation ? currentLocation->HostName() : std::string();
    return Format("%s. Error message %s. Server %s. Response from server %s",
                  {text, TCustomNetInstallLocation::ErrorName(code), host,
                   TCustomNetInstallLocation::ServerResponse()});
}

} // namespace

// ---------------------------------------------------------------------------------------

ENIL::ENIL(const std::string& text) : Exception(ComposeNetMessage(text)) {}

ENIL::ENIL(const std::string& format, std::initializer_list<FormatArg> args)
    : Exception(ComposeNetMessage(Format(format, args))) {}

// ---------------------------------------------------------------------------------------

const TClassInfo& TCustomLoginInformation::StaticClassInfo() {
    using L = TCustomLoginInformation;
    static const TClassInfo info(
        "TCustomLoginInformation", nullptr, nullptr,
        {
            BooleanProperty<L>("Anonymous", &L::Anonymous, &L::SetAnonymous, true),
            StringProperty<L>("Directory", &L::Directory, &L::SetDirectory),
            StringProperty<L>("Hostname", &L::Hostname, &L::SetHostname),
            StringProperty<L>("Password", &L::Password, &L::SetPassword),
            EnumProperty<L, TInternetProtocol>("Protocol", InternetProtocolNames(), &L::Protocol, &L::SetProtocol,
                                               ipHTTP),
            StringProperty<L>("Username", &L::Username, &L::SetUsername),
        });
    return info;
}

void TCustomLoginInformation::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TCustomLoginInformation*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    anonymous_ = other->anonymous_;
    directory_ = other->directory_;
    hostname_ = other->hostname_;
    password_ = other->password_;
    protocol_ = other->protocol_;
    username_ = other->username_;
}

const TClassInfo& TLoginInformation::StaticClassInfo() {
    static const TClassInfo info("TLoginInformation", &TCustomLoginInformation::StaticClassInfo(), nullptr, {});
    return info;
}

// ---------------------------------------------------------------------------------------

TCustomNetInstallLocation::TCustomNetInstallLocation(TComponent* owner)
    : TComponent(owner), loginInformation_(new TLoginInformation(this)) {
    LocationList()->Add(this);
}

TCustomNetInstallLocation::~TCustomNetInstallLocation() {
    if (currentLocation == this) currentLocation = nullptr;
    if (fileHandle_ && internetCloseHandle_) internetCloseHandle_(fileHandle_);
    Disconnect();
    if (library_) FreeLibrary(library_);
    delete loginInformation_;
    if (engineLocation == this) engineLocation = nullptr;
    LocationList()->Remove(this);
}

const TClassInfo& TCustomNetInstallLocation::StaticClassInfo() {
    static const TClassInfo info("TCustomNetInstallLocation", &TComponent::StaticClassInfo(), nullptr, {});
    return info;
}

void TCustomNetInstallLocation::LoadWinInet() {
    if (!library_) {
        library_ = LoadLibraryA("WININET.DLL");
        // WinInet keeps worker threads of its own that outlive the handles; unloading it
        // under them crashes the process. One reference stays until the process ends.
        static bool kept = false;
        if (library_ && !kept) kept = LoadLibraryA("WININET.DLL") != nullptr;
        if (!library_)
            throw ENIL_FailLoadWININET(
                "Failed to load the Wininet.dll. If this is a hybrid installation, you might want to include the "
                "WININET.DLL file in the PresetupFiles property of the TInstall component");
    }
    auto lookUp = [this](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(GetProcAddress(library_, name));
        if (!entry) {
            std::string shown(name);
            shown.pop_back();   // the final A
            throw ENIL_FailLoadDLLProc("Failed to load the procedure %s from WININET.DLL", {shown});
        }
    };
    lookUp(internetGetLastResponseInfo, "InternetGetLastResponseInfoA");
    lookUp(internetOpen_, "InternetOpenA");
    lookUp(internetConnect_, "InternetConnectA");
    lookUp(ftpSetCurrentDirectory_, "FtpSetCurrentDirectoryA");
    lookUp(internetCloseHandle_, "InternetCloseHandle");
    lookUp(internetQueryDataAvailable_, "InternetQueryDataAvailable");
    lookUp(internetReadFile_, "InternetReadFile");
    lookUp(ftpOpenFile_, "FtpOpenFileA");
    lookUp(httpOpenRequest_, "HttpOpenRequestA");
    lookUp(httpSendRequest_, "HttpSendRequestA");
    lookUp(httpQueryInfo_, "HttpQueryInfoA");
    ftpFindFirstFile_ = reinterpret_cast<decltype(ftpFindFirstFile_)>(GetProcAddress(library_, "FtpFindFirstFileA"));
    procsLoaded_ = true;
}

void TCustomNetInstallLocation::AssignLogin(const TPersistent* source) { loginInformation_->Assign(source); }

void TCustomNetInstallLocation::Connect() {
    currentLocation = this;
    if (!procsLoaded_) LoadWinInet();
    const TLoginInformation& login = *loginInformation_;
    if (!session_) {
        session_ = internetOpen_(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!session_) throw ENIL_OpenSession("Cannot open internet connection");
    }
    std::string ftpDirectory = Trim(login.Directory()).empty() ? std::string("/") : SlashesFor(login.Directory());
    // A relative directory is relative to where the connection stands, so it is set once
    // per connection; another directory takes a new connection.
    if (connection_ && login.Protocol() == ipFTP && ftpDirectory != ftpDirectorySet_) {
        internetCloseHandle_(connection_);
        connection_ = nullptr;
    }
    if (!connection_) {
        ftpDirectorySet_.clear();
        if (OnBeforeConnect) OnBeforeConnect(this);
        std::string host;
        INTERNET_PORT port;
        SplitHost(login.Hostname(), host, port);
        bool ftp = login.Protocol() == ipFTP;
        // Anonymous FTP passes no user, so that WinInet logs in as its anonymous user.
        const char* user = login.Username().c_str();
        const char* password = login.Password().c_str();
        if (login.Anonymous()) {
            user = ftp ? nullptr : "";
            password = ftp ? nullptr : "";
        }
        connection_ = internetConnect_(session_, host.c_str(), port, user, password,
                                       ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP, 0, 0);
        if (!connection_) throw ENIL_OpenService("Cannot connect to host %s", {login.Hostname()});
        if (OnAfterConnect) OnAfterConnect(this);
    }
    if (login.Protocol() == ipFTP && ftpDirectorySet_.empty()) {
        if (!ftpSetCurrentDirectory_(connection_, ftpDirectory.c_str()))
            throw ENIL_FTPSetDir("Cannot set directory on server to %s", {ftpDirectory});
        ftpDirectorySet_ = ftpDirectory;
    }
}

void TCustomNetInstallLocation::Download(const std::string& remoteFile, const std::string& localFile) {
    Connect();
    remoteFile_ = remoteFile;
    localFile_ = localFile;
    if (OnBeforeDownload) OnBeforeDownload(this);
    if (Protocol() == ipFTP) {
        ftpListedSize_ = ListedFtpSize();
        fileHandle_ = ftpOpenFile_(connection_, remoteFile.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
        if (!fileHandle_) throw ENIL_FTPOpenFile("Cannot open file %s on server", {remoteFile});
    } else {
        std::string object = "/";
        if (!Trim(Directory()).empty()) {
            object = SlashesFor(Directory());
            if (object.back() != '/') object += '/';
        }
        object += remoteFile;
        fileHandle_ = httpOpenRequest_(connection_, "GET", object.c_str(), nullptr, nullptr, nullptr,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT |
                                           INTERNET_FLAG_NO_CACHE_WRITE,
                                       0);
        if (!fileHandle_) throw ENIL_HTTPOpenFile("Cannot open file %s on server", {remoteFile});
    }
    try {
        if (Protocol() == ipHTTP) {
            static const char header[] = "Accept: */*\r\n\r\n";
            if (!httpSendRequest_(fileHandle_, header, sizeof(header) - 1, nullptr, 0))
                throw ENIL_HTTPSendRequest("Cannot send request for file %s to the server", {remoteFile});
        }
        Transfer();
    } catch (...) {
        // The failure already carries its message; the handle goes regardless.
        internetCloseHandle_(fileHandle_);
        fileHandle_ = nullptr;
        throw;
    }
    CloseFileHandle();
    if (OnAfterDownload) OnAfterDownload(this, NetAborted);
}

void TCustomNetInstallLocation::Disconnect() {
    if (connection_ && internetCloseHandle_(connection_)) connection_ = nullptr;
    if (session_ && internetCloseHandle_(session_)) session_ = nullptr;
}

void TCustomNetInstallLocation::CloseFileHandle() {
    HINTERNET handle = fileHandle_;
    fileHandle_ = nullptr;
    if (!internetCloseHandle_(handle))
        throw ENIL_FTPCloseFile("Cannot close the file %s on the server", {remoteFile_});
}

int TCustomNetInstallLocation::ListedFtpSize() {
    // The data stream of an FTP file announces no size; its directory entry does.
    if (!ftpFindFirstFile_) return 0;
    WIN32_FIND_DATAA found{};
    HINTERNET find = ftpFindFirstFile_(connection_, remoteFile_.c_str(), &found, INTERNET_FLAG_RELOAD, 0);
    if (!find) return 0;
    internetCloseHandle_(find);
    if (found.nFileSizeHigh != 0 || found.nFileSizeLow > 0x7FFFFFFF) return 0;
    return static_cast<int>(found.nFileSizeLow);
}

int TCustomNetInstallLocation::QueryFileSize() {
    if (Protocol() == ipFTP) {
        DWORD available = 0;
        if (!internetQueryDataAvailable_(fileHandle_, &available, 0, 0))
            throw ENIL_FailDataQuery("Could not query file %s on server", {remoteFile_});
        return ftpListedSize_;
    }
    char text[33] = {};
    DWORD length = sizeof(text);
    if (!httpQueryInfo_(fileHandle_, HTTP_QUERY_CONTENT_LENGTH, text, &length, nullptr)) {
        if (GetLastError() == ERROR_HTTP_HEADER_NOT_FOUND) return 0;
        throw ENIL_FailDataQuery("Could not query file %s on server", {remoteFile_});
    }
    text[sizeof(text) - 1] = '\0';
    return StrToIntDef(Trim(text), 0);
}

void TCustomNetInstallLocation::CheckHttpStatus() {
    // The status line decides, not the body: an archive may well hold the digits 404, and
    // a server's error page is no archive whatever its number.
    DWORD status = 0;
    DWORD length = sizeof(status);
    if (!httpQueryInfo_(fileHandle_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr))
        throw ENIL_FailDataQuery("Could not query file %s on server", {remoteFile_});
    if (status < 200 || status > 299) throw ENIL_FileNotFound("Could not find the file %s on the server", {remoteFile_});
}

void TCustomNetInstallLocation::Transfer() {
    int fileSize = QueryFileSize();
    int total = 0;
    {
        TFileStream local(localFile_, fmCreate);
        std::vector<char> piece(kPieceSize);
        DWORD bytes = 0;
        auto readPiece = [&] {
            if (!internetReadFile_(fileHandle_, piece.data(), kPieceSize, &bytes))
                throw ENIL_ReadFile("Could not read from file %s on the server", {remoteFile_});
        };
        readPiece();
        if (Protocol() == ipHTTP) CheckHttpStatus();
        while (bytes > 0) {
            total += static_cast<int>(bytes);
            int count = static_cast<int>(bytes);
            if (OnDataReceived) OnDataReceived(this, remoteFile_, count, total, fileSize, piece.data());
            if (DataTarget) DataTarget(this, remoteFile_, count, total, fileSize, piece.data());
            if (auto* app = Application()) app->ProcessMessages();
            if (NetAborted) return;
            if (local.Write(piece.data(), count) < count)
                throw ENIL_WriteDestFile("%s could not write to the local dest file %s", {Name(), localFile_});
            readPiece();
        }
    }
    if (total == 0) throw ENIL_FileNotFound("Could not find the file %s on the server", {remoteFile_});
    // A connection that ends before the announced size is a broken transfer, not a file.
    if (fileSize > 0 && total < fileSize)
        throw ENIL_ReadFile("Could not read from file %s on the server", {remoteFile_});
}

bool TCustomNetInstallLocation::IsLoginFilledIn(const TCustomLoginInformation* login) {
    if (login->Anonymous()) return !Trim(login->Hostname()).empty();
    return !Trim(login->Hostname()).empty() || !Trim(login->Password()).empty() || !Trim(login->Username()).empty();
}

std::string TCustomNetInstallLocation::ServerResponse() {
    if (internetGetLastResponseInfo) {
        std::vector<char> buffer(kResponseBufferSize + 1, '\0');
        DWORD error = 0;
        DWORD length = kResponseBufferSize;
        if (internetGetLastResponseInfo(&error, buffer.data(), &length) && length > 0 && buffer[0] != '\0') {
            std::string response(buffer.data(), std::min<DWORD>(length, kResponseBufferSize));
            response = TrimRight(response.c_str());
            if (!response.empty()) return response;
        }
    }
    return "No server response";
}

std::string TCustomNetInstallLocation::ErrorName(unsigned long code) {
    static const char* const internet[] = {
        "ERROR_INTERNET_OUT_OF_HANDLES",             // 12001
        "ERROR_INTERNET_TIMEOUT",
        "ERROR_INTERNET_EXTENDED_ERROR",
        "ERROR_INTERNET_INTERNAL_ERROR",
        "ERROR_INTERNET_INVALID_URL",
        "ERROR_INTERNET_UNRECOGNIZED_SCHEME",
        "ERROR_INTERNET_NAME_NOT_RESOLVED",
        "ERROR_INTERNET_PROTOCOL_NOT_FOUND",
        "ERROR_INTERNET_INVALID_OPTION",
        "ERROR_INTERNET_BAD_OPTION_LENGTH",          // 12010
        "ERROR_INTERNET_OPTION_NOT_SETTABLE",
        "ERROR_INTERNET_SHUTDOWN",
        "ERROR_INTERNET_INCORRECT_USER_NAME",
        "ERROR_INTERNET_INCORRECT_PASSWORD",
        "ERROR_INTERNET_LOGIN_FAILURE",
        "ERROR_INTERNET_INVALID_OPERATION",
        "ERROR_INTERNET_OPERATION_CANCELLED",
        "ERROR_INTERNET_INCORRECT_HANDLE_TYPE",
        "ERROR_INTERNET_INCORRECT_HANDLE_STATE",
        "ERROR_INTERNET_NOT_PROXY_REQUEST",          // 12020
        "ERROR_INTERNET_REGISTRY_VALUE_NOT_FOUND",
        "ERROR_INTERNET_BAD_REGISTRY_PARAMETER",
        "ERROR_INTERNET_NO_DIRECT_ACCESS",
        "ERROR_INTERNET_NO_CONTEXT",
        "ERROR_INTERNET_NO_CALLBACK",
        "ERROR_INTERNET_REQUEST_PENDING",
        "ERROR_INTERNET_INCORRECT_FORMAT",
        "ERROR_INTERNET_ITEM_NOT_FOUND",
        "ERROR_INTERNET_CANNOT_CONNECT",
        "ERROR_INTERNET_CONNECTION_ABORTED",         // 12030
        "ERROR_INTERNET_CONNECTION_RESET",
        "ERROR_INTERNET_FORCE_RETRY",                // 12032
    };
    static const char* const gopher[] = {
        "ERROR_GOPHER_PROTOCOL_ERROR",               // 12130
        "ERROR_GOPHER_NOT_FILE",
        "ERROR_GOPHER_DATA_ERROR",
        "ERROR_GOPHER_END_OF_DATA",
        "ERROR_GOPHER_INVALID_LOCATOR",
        "ERROR_GOPHER_INCORRECT_LOCATOR_TYPE",
        "ERROR_GOPHER_NOT_GOPHER_PLUS",
        "ERROR_GOPHER_ATTRIBUTE_NOT_FOUND",
        "ERROR_GOPHER_UNKNOWN_LOCATOR",              // 12138
    };
    static const char* const http[] = {
        "ERROR_HTTP_HEADER_NOT_FOUND",               // 12150
        "ERROR_HTTP_DOWNLEVEL_SERVER",
        "ERROR_HTTP_INVALID_SERVER_RESPONSE",
        "ERROR_HTTP_INVALID_HEADER",
        "ERROR_HTTP_INVALID_QUERY_REQUEST",
        "ERROR_HTTP_HEADER_ALREADY_EXISTS",          // 12155
    };
    if (code == ERROR_INVALID_HANDLE) return "ERROR_INVALID_HANDLE";
    if (code >= 12001 && code <= 12032) return internet[code - 12001];
    if (code == 12036) return "ERROR_INTERNET_HANDLE_EXISTS";
    if (code == 12041) return "ERROR_INTERNET_MIXED_SECURITY";
    if (code == 12110) return "ERROR_FTP_TRANSFER_IN_PROGRESS";
    if (code == 12111) return "ERROR_FTP_DROPPED";
    if (code >= 12130 && code <= 12138) return gopher[code - 12130];
    if (code >= 12150 && code <= 12155) return http[code - 12150];
    return "Unregistered error code";
}

// ---------------------------------------------------------------------------------------

const TClassInfo& TNetInstallLocation::StaticClassInfo() {
    using N = TCustomNetInstallLocation;
    static const TClassInfo info(
        "TNetInstallLocation", &TCustomNetInstallLocation::StaticClassInfo(), FactoryOf<TNetInstallLocation>(),
        {
            ObjectProperty<N>("LoginInformation", &N::LoginInformation),
            EventProperty<N>("OnAfterConnect", &N::OnAfterConnect),
            EventProperty<N>("OnAfterDownload", &N::OnAfterDownload),
            EventProperty<N>("OnBeforeConnect", &N::OnBeforeConnect),
            EventProperty<N>("OnBeforeDownload", &N::OnBeforeDownload),
            EventProperty<N>("OnDataReceived", &N::OnDataReceived),
        });
    return info;
}

int TCustomNetInstallLocationList::Add(TCustomNetInstallLocation* location) {
    if (!location) throw IENetList("Cannot add a blank location to the global net location list");
    return TList::Add(location);
}

TCustomNetInstallLocationList* LocationList() {
    static TCustomNetInstallLocationList list;
    return &list;
}

TCustomNetInstallLocation* CurrentLocation() { return currentLocation; }

TCustomNetInstallLocation* EngineNetLocation() { return engineLocation; }

void SetEngineNetLocation(TCustomNetInstallLocation* location) { engineLocation = location; }

namespace {
const TClassRegistration registrations[] = {
    TClassRegistration(TCustomNetInstallLocation::StaticClassInfo()),
    TClassRegistration(TNetInstallLocation::StaticClassInfo()),
};
} // namespace

} // namespace qlry
