#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CBankServer;

// What a bank file contributes to the server: its information entries in
// file order and one name per preset.
struct BankContents {
    std::string name;
    std::vector<std::pair<std::string, std::string>> information;
    std::vector<std::string> presets;
};

// Adds a whole bank under the server's lock: the bank, then its information
// entries, then its presets. The first failing addition ends the load and
// its code is returned; 0 when everything was added.
int32_t LoadBankIntoServer(CBankServer* server, const BankContents& contents, int32_t* bankIndex);
