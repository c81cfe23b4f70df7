// Stands in for the vendor's encoder library: answers every call, and tells what it was asked
// in a journal file (for tests) and on standard error (for a person trying a front office).

#define LEVELLOCK_BUILDING
#include "lock/LevelLock.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// LEVELLOCK_RESULT_<function> may hold a decimal integer that the call returns instead of 0.
int16_t resultFor(const char* function) {
    const std::string name = std::string("LEVELLOCK_RESULT_") + function;
    const char* text = std::getenv(name.c_str());
    if (text == nullptr || *text == '\0')
        return 0;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || text[0] == ' ' || text[0] == '\t')
        return 0;
    return static_cast<int16_t>(value);
}

std::string hex(const void* buffer, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0f];
    }
    return text;
}

std::string ascii(const uint8_t* buffer, std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i)
        text += (buffer[i] >= 0x20 && buffer[i] < 0x7f) ? static_cast<char>(buffer[i]) : '?';
    return text;
}

// "yyyyMMddHHmm" as "yyyy-MM-dd HH:mm" for the person reading standard error.
std::string readableTime(const uint8_t* buffer) {
    const std::string t = ascii(buffer, 12);
    return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + " " + t.substr(8, 2) +
           ":" + t.substr(10, 2);
}

void journal(const std::string& line) {
    const char* path = std::getenv("LEVELLOCK_JOURNAL");
    if (path == nullptr || *path == '\0')
        return;
    if (std::FILE* file = std::fopen(path, "ab")) {
        std::fputs((line + "\n").c_str(), file);
        std::fclose(file);
    }
}

void tell(const std::string& text) {
    std::fprintf(stderr, "LevelLock stand-in: %s\n", text.c_str());
    std::fflush(stderr);
}

// LEVELLOCK_DELAY_<function> may hold a number of milliseconds that the call takes.
void delayFor(const char* function) {
    const char* text = std::getenv((std::string("LEVELLOCK_DELAY_") + function).c_str());
    if (text == nullptr || *text == '\0')
        return;
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (*end == '\0' && ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// How a call misbehaves, as a vendor's library does when the encoder's cable is pulled:
// LEVELLOCK_FAIL_<function> holds "hang" (the call never returns), "abort" or "crash". When
// LEVELLOCK_FAIL_WHEN names a file, only a call that finds the file misbehaves, and it removes
// the file first, so that each file made stands for one such call.
std::string failureFor(const char* function) {
    const char* how = std::getenv((std::string("LEVELLOCK_FAIL_") + function).c_str());
    if (how == nullptr || *how == '\0')
        return {};
    if (const char* when = std::getenv("LEVELLOCK_FAIL_WHEN"); when != nullptr && *when != '\0')
        if (std::remove(when) != 0)
            return {};
    return how;
}

// Does what LEVELLOCK_FAIL_<function> asks for, after telling it with the call's arguments.
void misbehave(const char* function, const std::string& call) {
    const std::string how = failureFor(function);
    if (how != "hang" && how != "abort" && how != "crash")
        return;
    journal(call + " -> " + how);
    tell(std::string(function) + ": " + how);
    if (how == "abort")
        std::abort();
    if (how == "crash")
        *static_cast<volatile int*>(nullptr) = 1;
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}

// What every call does before its own work.
void begin(const char* function, const std::string& call) {
    misbehave(function, call);
    delayFor(function);
}

std::string arrow(int16_t result) {
    return " -> " + std::to_string(result);
}

} // namespace

extern "C" {

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_InitializeSystem(int16_t cardType) {
    const std::string call = "LV4_InitializeSystem " + std::to_string(cardType);
    begin("LV4_InitializeSystem", call);
    const int16_t result = resultFor("LV4_InitializeSystem");
    journal(call + arrow(result));
    tell("initialize system, card type " + std::to_string(cardType) + arrow(result));
    return result;
}

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_SetAuthCode(
    const uint8_t* authCode, int32_t sector1, int32_t sector2, int32_t sector3, int32_t sector4,
    int32_t sector5, int32_t sector6, int32_t sector7, int32_t reserved1, int32_t reserved2,
    int32_t reserved3, int32_t reserved4, int32_t reserved5, int32_t reserved6, int32_t reserved7) {
    const int16_t result = resultFor("LV4_SetAuthCode");
    const int32_t numbers[] = {sector1,   sector2,   sector3,   sector4,   sector5,
                               sector6,   sector7,   reserved1, reserved2, reserved3,
                               reserved4, reserved5, reserved6, reserved7};
    std::string line = "LV4_SetAuthCode " + hex(authCode, 16);
    std::string sectors;
    for (int32_t n : numbers)
        line += " " + std::to_string(n);
    for (int i = 0; i < 7; ++i)
        sectors += (i ? " " : "") + std::to_string(numbers[i]);
    begin("LV4_SetAuthCode", line);
    journal(line + arrow(result));
    tell("authorization code " + ascii(authCode, 16) + ", sectors " + sectors + arrow(result));
    return result;
}

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_IssueGuestCard(uint8_t* lockAddress, uint8_t* buffer2,
                                                        int16_t* buffer3, uint8_t* buffer4,
                                                        uint8_t* checkIn, uint8_t* checkOut,
                                                        uint8_t* buffer7, uint8_t* buffer8,
                                                        int32_t flags) {
    const int16_t result = resultFor("LV4_IssueGuestCard");
    const std::string call = "LV4_IssueGuestCard " + hex(lockAddress, 4) + " " + hex(buffer2, 8) +
                             " " + hex(buffer3, 2) + " " + hex(buffer4, 3) + " " +
                             hex(checkIn, 12) + " " + hex(checkOut, 12) + " " + hex(buffer7, 11) +
                             " " + hex(buffer8, 7) + " " + std::to_string(flags);
    begin("LV4_IssueGuestCard", call);
    journal(call + arrow(result));
    tell("guest card for area " + std::to_string(lockAddress[0]) + ", building " +
         std::to_string(lockAddress[1]) + ", floor " + std::to_string(lockAddress[2]) + ", room " +
         std::to_string(lockAddress[3]) + ", valid " + readableTime(checkIn) + " to " +
         readableTime(checkOut) + arrow(result));
    return result;
}

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_FreeSystem(void) {
    begin("LV4_FreeSystem", "LV4_FreeSystem");
    journal("LV4_FreeSystem");
    tell("free system");
    return resultFor("LV4_FreeSystem");
}

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_BeepOk(void) {
    begin("LV4_BeepOk", "LV4_BeepOk");
    journal("LV4_BeepOk");
    tell("beep OK");
    return resultFor("LV4_BeepOk");
}

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_BeepFailure(void) {
    begin("LV4_BeepFailure", "LV4_BeepFailure");
    journal("LV4_BeepFailure");
    tell("beep FAILURE");
    return resultFor("LV4_BeepFailure");
}

} // extern "C"
