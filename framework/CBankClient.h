#pragma once
#include "framework/CMutex.h"
#include <cstdint>

class CBankServer;
class CHost;

// Anything that wants to hear about banks: every machine, the bank explorer
// and the info view. Notifications arrive with the client's own lock held.
class CBankClient : public CMutex {
public:
    explicit CBankClient(CHost* host);
    ~CBankClient() override;

    virtual int32_t ConnectBankServer();
    virtual int32_t DisconnectBankServer();
    virtual bool HasBankServer();
    virtual void BankAdded(int32_t bank);
    virtual void BankInformationAdded(int32_t bank, int32_t entry);
    virtual void PresetAdded(int32_t bank, int32_t preset);

    bool IsConnected() const { return connected != 0; }

protected:
    CBankServer* bankServer = nullptr;
    uint8_t connected = 0;
    uint8_t serverAvailable = 0;
};
