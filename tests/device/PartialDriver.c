/* A driver library that lacks most entry points: the program must never call the ones it has. */
#include <stdint.h>

__attribute__((visibility("default"))) int Set_VIDPID(int vendorId, int productId)
{
    (void)vendorId;
    (void)productId;
    return 1;
}

__attribute__((visibility("default"))) int Open_FeatureDevice(void) { return 1; }

__attribute__((visibility("default"))) int SetFeature(const uint8_t* report, int length)
{
    (void)report;
    return length;
}
