#include "lock/linked_lock_library.h"

#include "lock/LevelLock.h"

namespace zorva::lock {

std::int16_t LinkedLockLibrary::initializeSystem(std::int16_t cardType) {
    return LV4_InitializeSystem(cardType);
}

std::int16_t LinkedLockLibrary::setAuthCode(const AuthCode& code, const SectorArguments& s) {
    return LV4_SetAuthCode(code.data(), s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9],
                           s[10], s[11], s[12], s[13]);
}

std::int16_t LinkedLockLibrary::issueGuestCard(GuestCardRequest& r) {
    return LV4_IssueGuestCard(r.lockAddress.data(), r.buffer2.data(), r.buffer3.data(),
                              r.buffer4.data(), r.checkIn.data(), r.checkOut.data(),
                              r.buffer7.data(), r.buffer8.data(), r.flags);
}

void LinkedLockLibrary::freeSystem() {
    // Freeing is allowed to fail in any way, even before the first start; nothing depends on it.
    try {
        LV4_FreeSystem();
    } catch (...) {
    }
}

void LinkedLockLibrary::beepOk() {
    LV4_BeepOk();
}

void LinkedLockLibrary::beepFailure() {
    LV4_BeepFailure();
}

} // namespace zorva::lock
