#pragma once
// The machine type of a core machine: its name and identifier, and the
// factory that gives each new machine the host and the library's context
// (and the type's fixed constructor arguments, if any).
#include "framework/CMachineInfo.h"
#include <type_traits>

class CHost;
class CWaveTables;

template <typename M, auto... Arguments>
class CCoreMachineInfo : public CMachineInfo {
public:
    CCoreMachineInfo(CHost* host, const CWaveTables* tables, const char* typeName, const char* typeIdentifier)
        : host(host), tables(tables)
    {
        name = typeName;
        identifier = typeIdentifier;
    }

    CMachine* CreateMachine() override
    {
        if constexpr (std::is_constructible_v<M, CHost*, const CWaveTables*, decltype(Arguments)...>)
            return new M(host, tables, Arguments...);
        else
            return new M(host);
    }

private:
    CHost* host;
    const CWaveTables* tables;
};
