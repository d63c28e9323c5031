#pragma once
#include "framework/CBankServer.h"
#include <string>
#include <utility>
#include <vector>

// The host's bank server: banks with their information entries and preset
// names, and the clients to tell about additions.
class CHostBankServer : public CBankServer {
public:
    CHostBankServer() = default;
    ~CHostBankServer() override = default;

    int32_t RegisterClient(CBankClient* client) override;
    int32_t UnregisterClient(CBankClient* client) override;
    int32_t AddBank(const char* name, int32_t* index) override;
    int32_t AddBankInformation(int32_t bank, const char* key, const char* value, int32_t* index) override;
    int32_t GetBankName(int32_t bank, char* name) override;
    int32_t GetBankNameLength(int32_t bank, int32_t* length) override;
    int32_t GetInformationCount(int32_t bank, int32_t* count) override;
    int32_t GetInformationKeyLength(int32_t bank, int32_t entry, int32_t* length) override;
    int32_t GetInformationKey(int32_t bank, int32_t entry, char* key) override;
    int32_t GetInformationValueLength(int32_t bank, int32_t entry, int32_t* length) override;
    int32_t GetInformationValue(int32_t bank, int32_t entry, char* value) override;
    int32_t AddPreset(int32_t bank, const char* name, int32_t* index) override;
    int32_t GetPresetCount(int32_t bank, int32_t* count) override;
    int32_t GetPresetName(int32_t bank, int32_t preset, char* name) override;
    int32_t GetPresetNameLength(int32_t bank, int32_t preset, int32_t* length) override;

    int32_t GetBankCount() const { return static_cast<int32_t>(banks.size()); }
    int32_t GetClientCount() const { return static_cast<int32_t>(clients.size()); }

private:
    struct Bank {
        std::string name;
        std::vector<std::pair<std::string, std::string>> information;
        std::vector<std::string> presets;
    };

    // Why a change is refused, or BANK_DONE.
    int32_t CheckChange();
    const Bank* FindBank(int32_t bank) const;
    const std::pair<std::string, std::string>* FindInformation(int32_t bank, int32_t entry) const;
    const std::string* FindPreset(int32_t bank, int32_t preset) const;
    template <typename Call>
    void Notify(Call call);

    std::vector<CBankClient*> clients;
    std::vector<Bank> banks;
    int32_t busy = 0;
};
