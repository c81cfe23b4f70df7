#pragma once

#include "platform/date_time.h"

#include <functional>

namespace zorva::platform {

// The current local date and time; injected wherever "now" matters, so that tests fix it.
using Clock = std::function<DateTime()>;

DateTime localNow();

} // namespace zorva::platform
