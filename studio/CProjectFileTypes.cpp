#include "studio/CProjectFileTypes.h"
#include "framework/CMachine.h"
#include "framework/CMachineInfo.h"
#include "framework/Errors.h"
#include "studio/CVelmHost.h"
#include <cstdlib>
#include <cstring>

namespace {

// A parameter list starts with its magic and its count.
constexpr int32_t kListHeaderBytes = 8;

int32_t ListCount(const void* state, int32_t size)
{
    int32_t count = -1;
    if (state && size >= kListHeaderBytes)
        std::memcpy(&count, static_cast<const uint8_t*>(state) + 4, sizeof count);
    return count;
}

bool NameBeginsWith(const std::string& machineName, const char* typeName)
{
    const size_t length = std::strlen(typeName);
    if (length == 0 || machineName.compare(0, length, typeName) != 0)
        return false;
    return machineName.size() == length || machineName[length] == ' ';
}

} // namespace

CProjectFileTypes::CProjectFileTypes(CVelmHost* host) : host(host) {}

const CProjectFileTypes::StateForm& CProjectFileTypes::FormOf(CMachineInfo* type)
{
    auto found = forms.find(type);
    if (found != forms.end())
        return found->second;
    StateForm form;
    if (CMachine* machine = type->CreateMachine()) {
        void* data = nullptr;
        int32_t size = 0;
        bool isList = true;
        {
            CLockGuard lock(*machine);
            machine->SaveState(&data, &size, &isList);
        }
        form.isParameterList = isList;
        form.parameterCount = isList ? ListCount(data, size) : 0;
        std::free(data);
        machine->Release();
    }
    return forms.emplace(type, form).first->second;
}

CProjectFileTypes::Choice CProjectFileTypes::Resolve(const std::string& identifier, const std::string& machineName,
                                                     const uint8_t* state, int32_t stateSize, bool isParameterList)
{
    Choice choice;
    std::vector<CMachineInfo*> sharing;
    for (int32_t i = 0; i < host->GetMachineTypeCount(); ++i) {
        CMachineInfo* type = host->GetMachineType(i);
        if (type && std::strcmp(type->identifier, identifier.c_str()) == 0)
            sharing.push_back(type);
    }
    if (sharing.empty())
        return choice;
    if (sharing.size() == 1) {
        choice.type = sharing.front();
        return choice;
    }
    for (CMachineInfo* type : sharing)
        choice.candidates.emplace_back(type->name);

    size_t longest = 0;
    for (CMachineInfo* type : sharing) {
        if (NameBeginsWith(machineName, type->name) && std::strlen(type->name) > longest) {
            longest = std::strlen(type->name);
            choice.type = type;
        }
    }
    if (choice.type)
        return choice;

    if (stateSize > 0) {
        const int32_t savedCount = isParameterList ? ListCount(state, stateSize) : 0;
        std::vector<CMachineInfo*> matching;
        for (CMachineInfo* type : sharing) {
            const StateForm& form = FormOf(type);
            if (form.isParameterList == isParameterList && (!isParameterList || form.parameterCount == savedCount))
                matching.push_back(type);
        }
        if (!matching.empty()) {
            choice.type = matching.front();
            choice.guessed = matching.size() > 1;
            return choice;
        }
    }
    choice.type = sharing.front();
    choice.guessed = true;
    return choice;
}

std::string CProjectFileTypes::GuessText(const std::string& machineName, const Choice& choice)
{
    std::string names;
    for (const std::string& candidate : choice.candidates)
        names += (names.empty() ? "" : ", ") + candidate;
    return FormatText("Machine of name \"%s\" has a type identifier shared by several plug-ins (%s).\r\n"
                      "It was loaded as %s; if that is the wrong plug-in, replace the machine.",
                      machineName.c_str(), names.c_str(), choice.type ? choice.type->name : "");
}
