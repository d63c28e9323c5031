#include "framework/CHostBankServer.h"
#include "framework/CBankClient.h"
#include <algorithm>
#include <cstring>

namespace {

// Readers allocate length + 1 bytes before they ask for a text.
int32_t LengthOut(const std::string* text, int32_t* length)
{
    if (!text || !length)
        return BANK_BAD_INDEX;
    *length = static_cast<int32_t>(text->size());
    return BANK_DONE;
}

int32_t TextOut(const std::string* text, char* out)
{
    if (!text || !out)
        return BANK_BAD_INDEX;
    std::memcpy(out, text->c_str(), text->size() + 1);
    return BANK_DONE;
}

} // namespace

int32_t CHostBankServer::CheckChange()
{
    if (!IsLocked())
        return BANK_NOT_LOCKED;
    if (busy > 0)
        return BANK_BUSY;
    return BANK_DONE;
}

const CHostBankServer::Bank* CHostBankServer::FindBank(int32_t bank) const
{
    if (bank < 0 || bank >= static_cast<int32_t>(banks.size()))
        return nullptr;
    return &banks[static_cast<size_t>(bank)];
}

// Each client hears the news with its own lock held; while the busy count is
// up, no change to the server is accepted (not even from a client).
template <typename Call>
void CHostBankServer::Notify(Call call)
{
    ++busy;
    for (CBankClient* client : clients) {
        client->Lock();
        call(client);
        client->Unlock();
    }
    --busy;
}

int32_t CHostBankServer::RegisterClient(CBankClient* client)
{
    if (int32_t refused = CheckChange())
        return refused;
    if (std::find(clients.begin(), clients.end(), client) != clients.end())
        return BANK_ALREADY;
    clients.push_back(client);
    return BANK_DONE;
}

int32_t CHostBankServer::UnregisterClient(CBankClient* client)
{
    if (int32_t refused = CheckChange())
        return refused;
    auto found = std::find(clients.begin(), clients.end(), client);
    if (found == clients.end())
        return BANK_ALREADY;
    clients.erase(found);
    return BANK_DONE;
}

int32_t CHostBankServer::AddBank(const char* name, int32_t* index)
{
    if (int32_t refused = CheckChange())
        return refused;
    banks.push_back(Bank{name ? name : "", {}, {}});
    int32_t added = static_cast<int32_t>(banks.size()) - 1;
    Notify([added](CBankClient* client) { client->BankAdded(added); });
    if (index)
        *index = added;
    return BANK_DONE;
}

int32_t CHostBankServer::AddBankInformation(int32_t bank, const char* key, const char* value, int32_t* index)
{
    if (int32_t refused = CheckChange())
        return refused;
    if (!FindBank(bank))
        return BANK_BAD_INDEX;
    auto& information = banks[static_cast<size_t>(bank)].information;
    information.emplace_back(key ? key : "", value ? value : "");
    int32_t added = static_cast<int32_t>(information.size()) - 1;
    Notify([bank, added](CBankClient* client) { client->BankInformationAdded(bank, added); });
    if (index)
        *index = added;
    return BANK_DONE;
}

int32_t CHostBankServer::GetBankName(int32_t bank, char* name)
{
    if (!IsLocked())
        return BANK_NOT_LOCKED;
    const Bank* found = FindBank(bank);
    return TextOut(found ? &found->name : nullptr, name);
}

int32_t CHostBankServer::GetBankNameLength(int32_t bank, int32_t* length)
{
    if (!IsLocked())
        return BANK_NOT_LOCKED;
    const Bank* found = FindBank(bank);
    return LengthOut(found ? &found->name : nullptr, length);
}

int32_t CHostBankServer::GetInformationCount(int32_t bank, int32_t* count)
{
    const Bank* found = FindBank(bank);
    if (!found || !count)
        return BANK_BAD_INDEX;
    *count = static_cast<int32_t>(found->information.size());
    return BANK_DONE;
}

const std::pair<std::string, std::string>* CHostBankServer::FindInformation(int32_t bank, int32_t entry) const
{
    const Bank* found = FindBank(bank);
    if (!found || entry < 0 || entry >= static_cast<int32_t>(found->information.size()))
        return nullptr;
    return &found->information[static_cast<size_t>(entry)];
}

const std::string* CHostBankServer::FindPreset(int32_t bank, int32_t preset) const
{
    const Bank* found = FindBank(bank);
    if (!found || preset < 0 || preset >= static_cast<int32_t>(found->presets.size()))
        return nullptr;
    return &found->presets[static_cast<size_t>(preset)];
}

int32_t CHostBankServer::GetInformationKeyLength(int32_t bank, int32_t entry, int32_t* length)
{
    auto* found = FindInformation(bank, entry);
    return LengthOut(found ? &found->first : nullptr, length);
}

int32_t CHostBankServer::GetInformationKey(int32_t bank, int32_t entry, char* key)
{
    auto* found = FindInformation(bank, entry);
    return TextOut(found ? &found->first : nullptr, key);
}

int32_t CHostBankServer::GetInformationValueLength(int32_t bank, int32_t entry, int32_t* length)
{
    auto* found = FindInformation(bank, entry);
    return LengthOut(found ? &found->second : nullptr, length);
}

int32_t CHostBankServer::GetInformationValue(int32_t bank, int32_t entry, char* value)
{
    auto* found = FindInformation(bank, entry);
    return TextOut(found ? &found->second : nullptr, value);
}

int32_t CHostBankServer::AddPreset(int32_t bank, const char* name, int32_t* index)
{
    if (int32_t refused = CheckChange())
        return refused;
    if (!FindBank(bank))
        return BANK_BAD_INDEX;
    auto& presets = banks[static_cast<size_t>(bank)].presets;
    presets.emplace_back(name ? name : "");
    int32_t added = static_cast<int32_t>(presets.size()) - 1;
    Notify([bank, added](CBankClient* client) { client->PresetAdded(bank, added); });
    if (index)
        *index = added;
    return BANK_DONE;
}

int32_t CHostBankServer::GetPresetCount(int32_t bank, int32_t* count)
{
    const Bank* found = FindBank(bank);
    if (!found || !count)
        return BANK_BAD_INDEX;
    *count = static_cast<int32_t>(found->presets.size());
    return BANK_DONE;
}

int32_t CHostBankServer::GetPresetName(int32_t bank, int32_t preset, char* name)
{
    return TextOut(FindPreset(bank, preset), name);
}

int32_t CHostBankServer::GetPresetNameLength(int32_t bank, int32_t preset, int32_t* length)
{
    return LengthOut(FindPreset(bank, preset), length);
}
