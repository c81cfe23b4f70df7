#include "platform/clock.h"

#include <windows.h>

namespace zorva::platform {

DateTime localNow() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    DateTime value;
    DateTime::tryFromFields({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                             local.wSecond, local.wMilliseconds},
                            value);
    return value;
}

} // namespace zorva::platform
