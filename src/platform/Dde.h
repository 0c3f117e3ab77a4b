#pragma once
// The client side of a DDE conversation over DDEML. Every transaction runs in a
// conversation of its own (connect, one transaction, disconnect): some servers, Wine's
// Program Manager among them, report results reliably only that way.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

enum TDataMode { ddeAutomatic, ddeManual };
extern const TEnumInfo dataModeNames;

class TDdeInstance;

class TDdeClientConv : public TComponent {
public:
    explicit TDdeClientConv(TComponent* owner);
    ~TDdeClientConv() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const std::string& DdeService() const { return service_; }
    void SetDdeService(const std::string& service);
    const std::string& DdeTopic() const { return topic_; }
    void SetDdeTopic(const std::string& topic);
    TDataMode ConnectMode() const { return connectMode_; }
    void SetConnectMode(TDataMode mode) { connectMode_ = mode; }
    // Milliseconds a transaction may take.
    int Timeout() const { return timeout_; }
    void SetTimeout(int timeout) { timeout_ = timeout; }

    // Names the server; in automatic mode also opens the link. False when it fails.
    bool SetLink(const std::string& service, const std::string& topic);
    // True when the server answers for the service and topic.
    bool OpenLink();
    void CloseLink();
    bool Connected() const { return connected_; }

    // Sends a command; True when the server accepted it. Transactions are synchronous,
    // so WaitFlag changes nothing.
    bool ExecuteMacro(const std::string& command, bool waitFlag);
    // The text of a data item, without its terminating zero; empty when the server has
    // none.
    std::string RequestData(const std::string& item);

private:
    bool EnsureLink();

    std::shared_ptr<TDdeInstance> instance_;
    std::string service_;
    std::string topic_;
    TDataMode connectMode_ = ddeAutomatic;
    int timeout_ = 10000;
    bool connected_ = false;
};

} // namespace qlry
