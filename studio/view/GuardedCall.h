#pragma once
#include "framework/Errors.h"
#include <exception>

// Calls into a machine's own code from the view (its editor, its parameter
// texts) belong to a library or plug-in that may throw. Whatever it throws
// is shown in the error box naming the machine, and the studio goes on.
// True when the call returned normally.
template <typename Call>
bool GuardedCall(const char* machineName, const char* operation, Call call)
{
    try {
        call();
        return true;
    } catch (const std::exception& error) {
        Show("Machine <%s> Failed In %s: %s", machineName, operation, error.what());
    } catch (...) {
        Show("Machine <%s> Failed In %s", machineName, operation);
    }
    return false;
}
