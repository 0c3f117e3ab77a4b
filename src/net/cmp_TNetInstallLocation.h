#pragma once
// A network install location: a place on an FTP or HTTP server from which the archives of
// a net distribution are fetched. WinInet is loaded by name at the first use, so that a
// setup without it still starts and can say what is missing.
#include <windows.h>
#include <wininet.h>

#include <functional>
#include <initializer_list>
#include <string>

#include "platform/Component.h"
#include "platform/Exceptions.h"
#include "platform/Lists.h"
#include "platform/Properties.h"

namespace qlry {

class TCustomNetInstallLocation;

enum TInternetProtocol { ipFTP, ipHTTP };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TDataReceivedEvent = std::function<void(TObject* sender, const std::string& fileName, int bytes,
                                              int totalBytes, int fileSize, const char* buffer)>;
using TAfterDownloadEvent = std::function<void(TObject* sender, bool aborted)>;

// ---------------------------------------------------------------------------------------
// Exceptions. An ENIL message carries the specific text, the name of Windows' last error,
// the host of the current location and the server's last response.

class ENIL : public Exception {
public:
    explicit ENIL(const std::string& text);
    ENIL(const std::string& format, std::initializer_list<FormatArg> args);
};

QLRY_EXCEPTION(ENIL_OpenSession, ENIL);
QLRY_EXCEPTION(ENIL_OpenService, ENIL);
QLRY_EXCEPTION(ENIL_FailDataQuery, ENIL);
QLRY_EXCEPTION(ENIL_ReadFile, ENIL);
QLRY_EXCEPTION(ENIL_FileNotFound, ENIL);
QLRY_EXCEPTION(ENIL_FTP, ENIL);
QLRY_EXCEPTION(ENIL_FTPSetDir, ENIL_FTP);
QLRY_EXCEPTION(ENIL_FTPOpenFile, ENIL_FTP);
QLRY_EXCEPTION(ENIL_FTPCloseFile, ENIL_FTP);
QLRY_EXCEPTION(ENIL_HTTP, ENIL);
QLRY_EXCEPTION(ENIL_HTTPOpenFile, ENIL_HTTP);
QLRY_EXCEPTION(ENIL_HTTPSendRequest, ENIL_HTTP);
QLRY_EXCEPTION(IENetList, ENIL);
// These carry only their own text.
QLRY_EXCEPTION(ENIL_WriteDestFile, Exception);
QLRY_EXCEPTION(ENIL_FailLoadWININET, Exception);
QLRY_EXCEPTION(ENIL_FailLoadDLLProc, Exception);

// ---------------------------------------------------------------------------------------

class TCustomLoginInformation : public TPersistent {
public:
    explicit TCustomLoginInformation(TCustomNetInstallLocation* location) : location_(location) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Assign(const TPersistent* source) override;

    TCustomNetInstallLocation* Location() const { return location_; }

    bool Anonymous() const { return anonymous_; }
    void SetAnonymous(bool value) { anonymous_ = value; }
    // Backslashes become "/" when the directory is sent to the server.
    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& value) { directory_ = value; }
    // A server name, optionally followed by ":port" for a server on another port than
    // the protocol's own.
    const std::string& Hostname() const { return hostname_; }
    void SetHostname(const std::string& value) { hostname_ = value; }
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& value) { password_ = value; }
    TInternetProtocol Protocol() const { return protocol_; }
    void SetProtocol(TInternetProtocol value) { protocol_ = value; }
    const std::string& Username() const { return username_; }
    void SetUsername(const std::string& value) { username_ = value; }

private:
    TCustomNetInstallLocation* location_;
    bool anonymous_ = true;
    std::string directory_;
    std::string hostname_;
    std::string password_;
    TInternetProtocol protocol_ = ipHTTP;
    std::string username_;
};

class TLoginInformation : public TCustomLoginInformation {
public:
    using TCustomLoginInformation::TCustomLoginInformation;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// ---------------------------------------------------------------------------------------

class TCustomNetInstallLocation : public TComponent {
public:
    explicit TCustomNetInstallLocation(TComponent* owner);
    ~TCustomNetInstallLocation() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    virtual void LoadWinInet();
    virtual void AssignLogin(const TPersistent* source);
    // Opens the session and the server connection when they are not open yet; for FTP
    // also moves to the location's directory, every time.
    virtual void Connect();
    // Fetches RemoteFile (a name in the location's directory) into LocalFile.
    virtual void Download(const std::string& remoteFile, const std::string& localFile);
    void Disconnect();

    static bool IsLoginFilledIn(const TCustomLoginInformation* login);
    // The server's last response line, or "No server response".
    static std::string ServerResponse();
    // The constant name of a Windows or WinInet error code.
    static std::string ErrorName(unsigned long code);

    TLoginInformation* LoginInformation() const { return loginInformation_; }
    void SetLoginInformation(const TLoginInformation* value) { loginInformation_->Assign(value); }

    // Short ways to the server part of the login.
    const std::string& HostName() const { return loginInformation_->Hostname(); }
    void SetHostName(const std::string& value) { loginInformation_->SetHostname(value); }
    const std::string& Directory() const { return loginInformation_->Directory(); }
    void SetDirectory(const std::string& value) { loginInformation_->SetDirectory(value); }
    TInternetProtocol Protocol() const { return loginInformation_->Protocol(); }
    void SetProtocol(TInternetProtocol value) { loginInformation_->SetProtocol(value); }

    bool ProcsLoaded() const { return procsLoaded_; }
    bool Connected() const { return connection_ != nullptr; }
    const std::string& LocalFile() const { return localFile_; }
    const std::string& RemoteFile() const { return remoteFile_; }

    TAfterDownloadEvent OnAfterDownload;
    TNotifyEvent OnAfterConnect;
    TNotifyEvent OnBeforeDownload;
    TNotifyEvent OnBeforeConnect;
    TDataReceivedEvent OnDataReceived;
    // Filled by the file object that downloads through this location.
    TDataReceivedEvent DataTarget;

private:
    void Transfer();
    int ListedFtpSize();
    int QueryFileSize();
    void CheckHttpStatus();
    void CloseFileHandle();

    bool procsLoaded_ = false;
    std::string localFile_;
    HINTERNET fileHandle_ = nullptr;
    HMODULE library_ = nullptr;
    HINTERNET session_ = nullptr;
    HINTERNET connection_ = nullptr;
    std::string remoteFile_;
    int ftpListedSize_ = 0;

    // The directory the FTP connection was moved to; empty until then.
    std::string ftpDirectorySet_;
    decltype(&::InternetOpenA) internetOpen_ = nullptr;
    decltype(&::InternetConnectA) internetConnect_ = nullptr;
    decltype(&::FtpSetCurrentDirectoryA) ftpSetCurrentDirectory_ = nullptr;
    decltype(&::InternetCloseHandle) internetCloseHandle_ = nullptr;
    decltype(&::InternetQueryDataAvailable) internetQueryDataAvailable_ = nullptr;
    decltype(&::InternetReadFile) internetReadFile_ = nullptr;
    decltype(&::FtpOpenFileA) ftpOpenFile_ = nullptr;
    decltype(&::HttpOpenRequestA) httpOpenRequest_ = nullptr;
    decltype(&::HttpSendRequestA) httpSendRequest_ = nullptr;
    decltype(&::HttpQueryInfoA) httpQueryInfo_ = nullptr;
    // Optional: the size of an FTP file from its directory entry.
    decltype(&::FtpFindFirstFileA) ftpFindFirstFile_ = nullptr;

    TLoginInformation* loginInformation_;
};

// The location a project description places on its form.
class TNetInstallLocation : public TCustomNetInstallLocation {
public:
    using TCustomNetInstallLocation::TCustomNetInstallLocation;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// Every location in existence.
class TCustomNetInstallLocationList : public TList {
public:
    // Raises IENetList for nil.
    int Add(TCustomNetInstallLocation* location);
    TCustomNetInstallLocation* Locations(int index) const {
        return static_cast<TCustomNetInstallLocation*>(Items(index));
    }
};

TCustomNetInstallLocationList* LocationList();
// The location of the most recent Connect; nil when there is none.
TCustomNetInstallLocation* CurrentLocation();
// The install engine's location, the project's default; cleared when it is destroyed.
TCustomNetInstallLocation* EngineNetLocation();
void SetEngineNetLocation(TCustomNetInstallLocation* location);
// Set when the user cancels; a running download stops at its next piece.
extern bool NetAborted;

} // namespace qlry
