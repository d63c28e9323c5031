#include "framework/BankLoading.h"
#include "framework/CBankServer.h"

int32_t LoadBankIntoServer(CBankServer* server, const BankContents& contents, int32_t* bankIndex)
{
    CLockGuard<CBankServer> lock(*server);
    int32_t bank = -1;
    int32_t result = server->AddBank(contents.name.c_str(), &bank);
    if (result != BANK_DONE)
        return result;
    if (bankIndex)
        *bankIndex = bank;
    int32_t index;
    for (const auto& [key, value] : contents.information) {
        if ((result = server->AddBankInformation(bank, key.c_str(), value.c_str(), &index)) != BANK_DONE)
            return result;
    }
    for (const auto& preset : contents.presets) {
        if ((result = server->AddPreset(bank, preset.c_str(), &index)) != BANK_DONE)
            return result;
    }
    return BANK_DONE;
}
