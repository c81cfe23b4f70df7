/* The lock vendor's card encoder library: the six calls this program makes. */
#pragma once

#include <stdint.h>

/* The vendor's library is 32-bit, uses the standard Windows calling convention and exports the
   plain names ("LV4_BeepOk", not "LV4_BeepOk@0"); the import library that the stand-in's build
   makes maps the compiler's suffixed names to those. */
#if defined(_WIN32) && !defined(_WIN64)
#define LEVELLOCK_CALL __stdcall
#else
#define LEVELLOCK_CALL
#endif

#if defined(_WIN32) && defined(LEVELLOCK_BUILDING)
#define LEVELLOCK_API __declspec(dllexport)
#elif defined(_WIN32)
#define LEVELLOCK_API __declspec(dllimport)
#else
#define LEVELLOCK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Every result is a 16-bit signed error code, 0 for success. */

LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_InitializeSystem(int16_t cardType);

/* authCode: 16 bytes, no terminator. Then seven card sector numbers and seven zeros. */
LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_SetAuthCode(
    const uint8_t* authCode, int32_t sector1, int32_t sector2, int32_t sector3, int32_t sector4,
    int32_t sector5, int32_t sector6, int32_t sector7, int32_t reserved1, int32_t reserved2,
    int32_t reserved3, int32_t reserved4, int32_t reserved5, int32_t reserved6, int32_t reserved7);

/* Buffers of 4, 8, 2 (one 16-bit integer), 3, 12, 12, 11 and 7 bytes, none terminated. */
LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_IssueGuestCard(uint8_t* lockAddress, uint8_t* buffer2,
                                                        int16_t* buffer3, uint8_t* buffer4,
                                                        uint8_t* checkIn, uint8_t* checkOut,
                                                        uint8_t* buffer7, uint8_t* buffer8,
                                                        int32_t flags);

/* The results of these three are not read. */
LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_FreeSystem(void);
LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_BeepOk(void);
LEVELLOCK_API int16_t LEVELLOCK_CALL LV4_BeepFailure(void);

#ifdef __cplusplus
}
#endif
