#pragma once
#include <cstdint>

class CBankServer;

// What a bank reader tells about a bank it has read: Begin, AddBank, its
// information items and presets under the bank's item, End. A non-zero
// answer stops the report and becomes the reader's result; End is still
// called after a successful Begin so that a receiver can release a lock.
class CBankReceiver {
public:
    virtual ~CBankReceiver() = default;
    virtual int32_t Begin() { return 0; }
    virtual int32_t AddBank(const char* name, int32_t* item) = 0;
    virtual int32_t AddInfo(int32_t item, const char* label, const char* text) = 0;
    virtual int32_t AddPreset(int32_t item, const char* name) = 0;
    virtual void End() {}
};

// Hands a bank to the host's bank server, holding the server's lock from
// Begin to End so that clients never see half a bank.
class CBankServerReceiver : public CBankReceiver {
public:
    explicit CBankServerReceiver(CBankServer* server) : server(server) {}
    ~CBankServerReceiver() override;

    int32_t Begin() override;
    int32_t AddBank(const char* name, int32_t* item) override;
    int32_t AddInfo(int32_t item, const char* label, const char* text) override;
    int32_t AddPreset(int32_t item, const char* name) override;
    void End() override;

    int32_t BankIndex() const { return bank; }

private:
    CBankServer* server;
    bool locked = false;
    int32_t bank = -1;
};
