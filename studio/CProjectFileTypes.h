#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CMachineInfo;
class CVelmHost;

// Which installed type a machine record of a project file means. A VST
// identifier keeps only four bits of each byte of the plug-in's unique ID,
// so distinct plug-ins share identifiers (one of them the empty "VST::").
// Files keep the identifier as it is; among the types that share it the
// loader takes, in this order:
//   1. the type whose name begins the machine's name (machines are named
//      "%s %i" after their type): the longest such name;
//   2. the type whose fresh state has the saved state's form: a chunk, or a
//      parameter list of the same count (each candidate is made once and
//      released to learn it);
//   3. the first registered.
// A choice left to the second rule among several, or to the third, is a
// guess: the user is told which candidates there were.
class CProjectFileTypes {
public:
    explicit CProjectFileTypes(CVelmHost* host);

    struct Choice {
        CMachineInfo* type = nullptr;
        // The type names sharing the identifier, in registration order
        // (empty when the identifier is not shared).
        std::vector<std::string> candidates;
        bool guessed = false;
    };

    Choice Resolve(const std::string& identifier, const std::string& machineName, const uint8_t* state,
                   int32_t stateSize, bool isParameterList);

    // The text telling the user about a guess.
    static std::string GuessText(const std::string& machineName, const Choice& choice);

private:
    struct StateForm {
        bool isParameterList = false;
        int32_t parameterCount = 0;
    };
    const StateForm& FormOf(CMachineInfo* type);

    CVelmHost* host;
    std::map<CMachineInfo*, StateForm> forms;
};
