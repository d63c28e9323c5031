#include "app/readers/CBankReceiver.h"
#include "framework/CBankServer.h"

CBankServerReceiver::~CBankServerReceiver()
{
    End();
}

int32_t CBankServerReceiver::Begin()
{
    server->Lock();
    locked = true;
    return BANK_DONE;
}

int32_t CBankServerReceiver::AddBank(const char* name, int32_t* item)
{
    int32_t result = server->AddBank(name, &bank);
    if (item)
        *item = bank;
    return result;
}

int32_t CBankServerReceiver::AddInfo(int32_t item, const char* label, const char* text)
{
    int32_t index;
    return server->AddBankInformation(item, label, text, &index);
}

int32_t CBankServerReceiver::AddPreset(int32_t item, const char* name)
{
    int32_t index;
    return server->AddPreset(item, name, &index);
}

void CBankServerReceiver::End()
{
    if (locked) {
        locked = false;
        server->Unlock();
    }
}
