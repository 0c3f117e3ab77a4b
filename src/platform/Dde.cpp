#include "platform/Dde.h"

#include <ddeml.h>

#include "platform/Exceptions.h"

namespace qlry {

const TEnumInfo dataModeNames{"ddeAutomatic", "ddeManual"};

// One DDEML client registration, shared by the conversations that exist at a time.
class TDdeInstance {
public:
    TDdeInstance() {
        UINT result = DdeInitializeA(&id_, &TDdeInstance::Callback, APPCMD_CLIENTONLY, 0);
        if (result != DMLERR_NO_ERROR) throw EDdeError("Unable to initialize DDE (error %d)", {static_cast<int>(result)});
    }
    ~TDdeInstance() { DdeUninitialize(id_); }
    TDdeInstance(const TDdeInstance&) = delete;
    TDdeInstance& operator=(const TDdeInstance&) = delete;
    DWORD Id() const { return id_; }

    static std::shared_ptr<TDdeInstance> Shared() {
        static std::weak_ptr<TDdeInstance> current;
        std::shared_ptr<TDdeInstance> instance = current.lock();
        if (!instance) {
            instance = std::make_shared<TDdeInstance>();
            current = instance;
        }
        return instance;
    }

private:
    static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
        // A client only: nothing the server sends unasked needs an answer.
        return nullptr;
    }

    DWORD id_ = 0;
};

namespace {

class TDdeString {
public:
    TDdeString(DWORD instance, const std::string& text)
        : instance_(instance), handle_(DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI)) {}
    ~TDdeString() {
        if (handle_) DdeFreeStringHandle(instance_, handle_);
    }
    TDdeString(const TDdeString&) = delete;
    TDdeString& operator=(const TDdeString&) = delete;
    HSZ Get() const { return handle_; }

private:
    DWORD instance_;
    HSZ handle_;
};

class TDdeConversation {
public:
    TDdeConversation(DWORD instance, const std::string& service, const std::string& topic) {
        TDdeString serviceName(instance, service);
        TDdeString topicName(instance, topic);
        handle_ = DdeConnect(instance, serviceName.Get(), topicName.Get(), nullptr);
    }
    ~TDdeConversation() {
        if (handle_) DdeDisconnect(handle_);
    }
    TDdeConversation(const TDdeConversation&) = delete;
    TDdeConversation& operator=(const TDdeConversation&) = delete;
    HCONV Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HCONV handle_ = nullptr;
};

class TDdeData {
public:
    explicit TDdeData(HDDEDATA handle) : handle_(handle) {}
    ~TDdeData() {
        if (handle_) DdeFreeDataHandle(handle_);
    }
    TDdeData(const TDdeData&) = delete;
    TDdeData& operator=(const TDdeData&) = delete;
    HDDEDATA Get() const { return handle_; }

private:
    HDDEDATA handle_;
};

} // namespace

TDdeClientConv::TDdeClientConv(TComponent* owner) : TComponent(owner) {}

TDdeClientConv::~TDdeClientConv() { CloseLink(); }

const TClassInfo& TDdeClientConv::StaticClassInfo() {
    static const TClassInfo info(
        "TDdeClientConv", &TComponent::StaticClassInfo(), FactoryOf<TDdeClientConv>(),
        {
            EnumProperty<TDdeClientConv, TDataMode>("ConnectMode", dataModeNames, &TDdeClientConv::ConnectMode,
                                                    &TDdeClientConv::SetConnectMode, ddeAutomatic),
            StringProperty<TDdeClientConv>("DdeService", &TDdeClientConv::DdeService, &TDdeClientConv::SetDdeService),
            StringProperty<TDdeClientConv>("DdeTopic", &TDdeClientConv::DdeTopic, &TDdeClientConv::SetDdeTopic),
        });
    return info;
}

void TDdeClientConv::SetDdeService(const std::string& service) {
    if (service == service_) return;
    CloseLink();
    service_ = service;
}

void TDdeClientConv::SetDdeTopic(const std::string& topic) {
    if (topic == topic_) return;
    CloseLink();
    topic_ = topic;
}

bool TDdeClientConv::SetLink(const std::string& service, const std::string& topic) {
    CloseLink();
    service_ = service;
    topic_ = topic;
    return connectMode_ == ddeAutomatic ? OpenLink() : true;
}

bool TDdeClientConv::OpenLink() {
    if (connected_) return true;
    if (service_.empty()) return false;
    if (!instance_) instance_ = TDdeInstance::Shared();
    TDdeConversation conversation(instance_->Id(), service_, topic_);
    connected_ = static_cast<bool>(conversation);
    if (!connected_) instance_.reset();
    return connected_;
}

void TDdeClientConv::CloseLink() {
    connected_ = false;
    instance_.reset();
}

bool TDdeClientConv::EnsureLink() { return connected_ || OpenLink(); }

bool TDdeClientConv::ExecuteMacro(const std::string& command, bool /*waitFlag*/) {
    if (!EnsureLink()) return false;
    TDdeConversation conversation(instance_->Id(), service_, topic_);
    if (!conversation) return false;
    std::string data = command;
    data += '\0';
    DWORD result = 0;
    HDDEDATA answer = DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()), static_cast<DWORD>(data.size()),
                                           conversation.Get(), nullptr, 0, XTYP_EXECUTE,
                                           static_cast<DWORD>(timeout_), &result);
    return answer != nullptr;
}

std::string TDdeClientConv::RequestData(const std::string& item) {
    if (!EnsureLink()) return std::string();
    TDdeConversation conversation(instance_->Id(), service_, topic_);
    if (!conversation) return std::string();
    TDdeString itemName(instance_->Id(), item);
    TDdeData data(DdeClientTransaction(nullptr, 0, conversation.Get(), itemName.Get(), CF_TEXT, XTYP_REQUEST,
                                       static_cast<DWORD>(timeout_), nullptr));
    if (!data.Get()) return std::string();
    DWORD size = DdeGetData(data.Get(), nullptr, 0, 0);
    std::string text(size, '\0');
    if (size) DdeGetData(data.Get(), reinterpret_cast<LPBYTE>(text.data()), size, 0);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

namespace {
const TClassRegistration ddeRegistration(TDdeClientConv::StaticClassInfo());
}

} // namespace qlry
