/* The handset library: drives the optional USB telephone handset (keypad, hook switch,
 * ringer, lamp and its 64-word serial memory) through the driver library libhandsetsys.so,
 * which it loads by name. One handset at a time; all state is process-wide.
 *
 * Key callback codes: 0..9 digits, 20 star, 21 pound, 30/40/50/60 the function keys;
 * status 70 off hook, 80 on hook, 90 device opened and ready. The device callback gets
 * (1, 0) when a handset arrived and was opened, (0, 0) when it was removed.
 *
 * Threads: the exported functions, the bound window's procedure and its timers run on the
 * thread that owns the bound window (the user-interface thread). The key callback runs on
 * the key-scan thread (keys and hook changes) and on the user-interface thread (90); the
 * device callback on the user-interface thread. Callbacks should only post messages.
 * Serial-memory access while a device is open must be bracketed by PauseKeyScan and
 * ResumeKeyScan: the memory shares its port lines with the keypad, ringer and lamp. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HANDSET_API __attribute__((visibility("default")))

typedef void (*PhoneKeyCallback)(int code);
typedef void (*PhoneDeviceCallback)(int present, int reserved);

/* 0 when the driver library was loaded, -1 (after a message box) when it was not. */
HANDSET_API int Phone_Open(PhoneKeyCallback keyCallback);
/* Stops the key scan and closes the device: 0 when the driver closed it, else -1. */
HANDSET_API int Phone_Close(void);
/* Binds the library to a window of the calling thread (0 unbinds); returns 1. */
HANDSET_API int Phone_Bind(uint32_t window, PhoneDeviceCallback deviceCallback);
HANDSET_API int Phone_Ring(int on);
HANDSET_API int Phone_Light(int on);
/* 1 when the handset is off hook; 0 on hook or when the status cannot be read. */
HANDSET_API int GetHookState(void);
HANDSET_API int IsPhonePlugged(void);
/* Stores the product identifier of the open device (0 without one); returns 0. */
HANDSET_API int GetProductID(int* productId);
/* One 16-bit word of the serial memory (address 0..63): 1 on success, 0 on failure. */
HANDSET_API int ReadEEProm(int address, uint16_t* word);
HANDSET_API int WriteEEProm(int address, uint16_t value);
HANDSET_API void PauseKeyScan(void);
HANDSET_API void ResumeKeyScan(void);

#ifdef __cplusplus
}
#endif
