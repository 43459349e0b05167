// The font getters that read only the shared head of a font record.
#include "runtime/platform/common/font_head.h"

#include <string.h>

namespace {

const FontHead* HeadOf(const PlatformFont* font) {
    return reinterpret_cast<const FontHead*>(font);
}

} // namespace

void PlatformGetFontMetrics(const PlatformFont* font, PlatformFontMetrics* metrics) {
    if (!metrics) return;
    if (!font) {
        memset(metrics, 0, sizeof *metrics);
        return;
    }
    *metrics = HeadOf(font)->metrics;
}

const char* PlatformFontFamily(const PlatformFont* font) {
    return font ? HeadOf(font)->family : "";
}
