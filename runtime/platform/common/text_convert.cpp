// Encoding conversion for both backends, through iconv.
#include <errno.h>
#include <iconv.h>

#include "runtime/platform/platform.h"

int PlatformConvertText(const char* fromCode, const char* toCode, const char* in, int inBytes, char* out,
                        int outBytes) {
    if (!in || !out || inBytes < 0 || outBytes < 0) return -1;
    iconv_t cd = iconv_open(toCode, fromCode);
    if (cd == (iconv_t)-1) return -1;
    char* src = const_cast<char*>(in);
    size_t srcLeft = (size_t)inBytes;
    char* dst = out;
    size_t dstLeft = (size_t)outBytes;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    int result = -1;
    if (r != (size_t)-1 && iconv(cd, nullptr, nullptr, &dst, &dstLeft) != (size_t)-1) result = outBytes - (int)dstLeft;
    iconv_close(cd);
    return result;
}
