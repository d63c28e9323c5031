#include "framework/CBankClient.h"
#include "framework/CBankServer.h"
#include "framework/CHost.h"

CBankClient::CBankClient(CHost* host)
{
    if (host && host->IsFeatureSupported(0) && host->GetBankServer(&bankServer) == 0 && bankServer)
        serverAvailable = 1;
    else
        bankServer = nullptr;
}

CBankClient::~CBankClient()
{
    if (connected) {
        bankServer->Lock();
        bankServer->UnregisterClient(this);
        bankServer->Unlock();
    }
}

int32_t CBankClient::ConnectBankServer()
{
    if (connected || !serverAvailable)
        return BANK_ALREADY;
    bankServer->Lock();
    int32_t result = bankServer->RegisterClient(this);
    bankServer->Unlock();
    if (result == BANK_DONE)
        connected = 1;
    return result;
}

int32_t CBankClient::DisconnectBankServer()
{
    if (!connected)
        return BANK_NOT_CONNECTED;
    bankServer->Lock();
    int32_t result = bankServer->UnregisterClient(this);
    bankServer->Unlock();
    connected = 0;
    return result;
}

bool CBankClient::HasBankServer()
{
    return serverAvailable != 0;
}

void CBankClient::BankAdded(int32_t) {}
void CBankClient::BankInformationAdded(int32_t, int32_t) {}
void CBankClient::PresetAdded(int32_t, int32_t) {}
