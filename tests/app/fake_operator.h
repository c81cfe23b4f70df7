#pragma once

#include "app/operator_settings.h"

#include <array>
#include <cstdint>
#include <string>

// What the operator has set, as a test sets it: card type index 1, the code "ABCDEFGHIJKLMNOP",
// sectors 1 to 7, port 4040, not hidden, every sender allowed, unless the test says otherwise.
struct FakeOperator : zorva::app::OperatorSettings {
    int cardTypeIndex() const override { return cardType; }
    std::array<std::string, 4> authCodeParts() const override { return code; }
    std::array<std::int32_t, 7> sectors() const override { return sectorValues; }
    double port() const override { return portValue; }
    bool hideAtStartup() const override { return hide; }
    std::string allowedSenders() const override { return allowed; }

    int cardType = 1;
    std::array<std::string, 4> code{"ABCD", "EFGH", "IJKL", "MNOP"};
    std::array<std::int32_t, 7> sectorValues{1, 2, 3, 4, 5, 6, 7};
    double portValue = 4040;
    bool hide = false;
    std::string allowed;
};

// A listener that takes every port and state and does nothing with them.
struct NullListener : zorva::app::Listener {
    void setDefaultPort(std::int32_t) override {}
    void setActive(bool) override {}
};
