#pragma once
#include "framework/CMutex.h"
#include <cstdint>

class CBankClient;

// Result codes of bank server and client operations.
enum BankResult : int32_t {
    BANK_DONE = 0,
    BANK_ALREADY = 1,       // already registered / not registered / already connected or no server
    BANK_BAD_INDEX = 2,     // bank or entry out of range, or a missing output pointer
    BANK_NOT_LOCKED = 3,    // the operation needs the server lock
    BANK_NOT_CONNECTED = 4, // disconnect of a client that is not connected
    BANK_BUSY = 6,          // the server is notifying its clients
};

// The shared registry of loaded sample banks. Operations marked "locked"
// answer BANK_NOT_LOCKED unless the caller holds the server's lock.
class CBankServer : public CMutex {
public:
    virtual int32_t RegisterClient(CBankClient* client) = 0;                                   // locked
    virtual int32_t UnregisterClient(CBankClient* client) = 0;                                 // locked
    virtual int32_t AddBank(const char* name, int32_t* index) = 0;                             // locked
    virtual int32_t AddBankInformation(int32_t bank, const char* key, const char* value, int32_t* index) = 0; // locked
    virtual int32_t GetBankName(int32_t bank, char* name) = 0;                                 // locked
    virtual int32_t GetBankNameLength(int32_t bank, int32_t* length) = 0;                      // locked
    virtual int32_t GetInformationCount(int32_t bank, int32_t* count) = 0;
    virtual int32_t GetInformationKeyLength(int32_t bank, int32_t entry, int32_t* length) = 0;
    virtual int32_t GetInformationKey(int32_t bank, int32_t entry, char* key) = 0;
    virtual int32_t GetInformationValueLength(int32_t bank, int32_t entry, int32_t* length) = 0;
    virtual int32_t GetInformationValue(int32_t bank, int32_t entry, char* value) = 0;
    virtual int32_t AddPreset(int32_t bank, const char* name, int32_t* index) = 0;             // locked
    virtual int32_t GetPresetCount(int32_t bank, int32_t* count) = 0;
    virtual int32_t GetPresetName(int32_t bank, int32_t preset, char* name) = 0;
    virtual int32_t GetPresetNameLength(int32_t bank, int32_t preset, int32_t* length) = 0;
};
