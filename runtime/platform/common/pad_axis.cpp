// Controller axis scaling shared by both backends: the raw stick range mapped to
// -1000..1000 with a quarter of each half-range around the centre reading 0.
#include "runtime/platform/platform.h"

int PlatformScaleAxis(int raw) {
    const int deadZone = 8192; // 25 % of 32767
    const int full = 32767;
    int magnitude = raw < 0 ? -raw : raw;
    if (magnitude <= deadZone) return 0;
    // The dead zone's edge reads 0 and the end of travel 1000, as a device with
    // a dead-zone property reports it.
    int scaled = (magnitude - deadZone) * 1000 / (full - deadZone);
    if (scaled > 1000) scaled = 1000;
    return raw < 0 ? -scaled : scaled;
}
