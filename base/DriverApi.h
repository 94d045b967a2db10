/* The seven entry points of a driver library (cable or receiver), with C linkage.
 * The program loads libhiddriver_2.so (cable) and libhiddriver_1.so (receiver) from its folder
 * and resolves these by name; a folder holds either the real or the virtual libraries.
 * Each loaded library drives one link, chosen by Set_VIDPID. */
#ifndef KESTRIN_DRIVER_API_H
#define KESTRIN_DRIVER_API_H

#include "base/MessagePost.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Chooses the device: vendor and product id. */
int Set_VIDPID(int vendorId, int productId);

/* From now on posts `stateMessage` to `window` with wParam 1 when the device arrives and 0 when
 * it is removed, and `eventMessage` with wParam = 16-bit event code, lParam = 16-bit value. */
int Open_DevMonitor(KestrinWindow window, uint32_t eventMessage, uint32_t stateMessage);
int Close_DevMonitor(void);

/* Nonzero when the device is present and now open for feature writes. */
int Open_FeatureDevice(void);
int Close_FeatureDevice(void);

/* Writes one report (byte 0 is its id). Nonzero when written. */
int SetFeature(const uint8_t* report, int length);

/* Never called by the program; present because the library contract names it. Returns 0. */
int GetFeature(uint8_t* report, int length);

typedef int (*SetVidPidFn)(int, int);
typedef int (*OpenDevMonitorFn)(KestrinWindow, uint32_t, uint32_t);
typedef int (*CloseDevMonitorFn)(void);
typedef int (*OpenFeatureDeviceFn)(void);
typedef int (*CloseFeatureDeviceFn)(void);
typedef int (*SetFeatureFn)(const uint8_t*, int);
typedef int (*GetFeatureFn)(uint8_t*, int);

#define KESTRIN_CABLE_VENDOR_ID 0x1D57
#define KESTRIN_CABLE_PRODUCT_ID 0xFA61
#define KESTRIN_RECEIVER_VENDOR_ID 0x1D57
#define KESTRIN_RECEIVER_PRODUCT_ID 0xFA60

#ifdef __cplusplus
}
#endif

#endif
