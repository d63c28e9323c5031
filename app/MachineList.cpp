#include "app/MachineList.h"
#include "framework/CMachineInfo.h"
#include "studio/CVelmHost.h"

std::string PrintableIdentifier(const char* identifier)
{
    std::string text;
    for (const char* at = identifier; *at; ++at) {
        const auto c = static_cast<unsigned char>(*at);
        if (c < 0x20 || c >= 0x7f || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

void PrintMachineTypes(CVelmHost& host, std::FILE* out)
{
    for (int32_t i = 0; i < host.GetMachineTypeCount(); ++i) {
        CMachineInfo* info = host.GetMachineType(i);
        std::fprintf(out, "%s\t%s\n", info->name, PrintableIdentifier(info->identifier).c_str());
    }
}
