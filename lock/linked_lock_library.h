#pragma once

#include "lock/lock_library.h"

namespace zorva::lock {

// Forwards to the encoder library the program is linked against.
class LinkedLockLibrary final : public LockLibrary {
public:
    std::int16_t initializeSystem(std::int16_t cardType) override;
    std::int16_t setAuthCode(const AuthCode& code, const SectorArguments& sectors) override;
    std::int16_t issueGuestCard(GuestCardRequest& request) override;
    void freeSystem() override;
    void beepOk() override;
    void beepFailure() override;
};

} // namespace zorva::lock
