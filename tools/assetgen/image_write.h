// Writing finished pictures: 24-bit BMP with the green transparency key, RGBA PNG.
#pragma once
#include "canvas.h"
#include <string>

// Bottom-up 24-bit BMP; pixels with alpha 0 become pure green (0, 255, 0), the key.
bool WriteBmp24(const std::string& path, const Canvas& canvas);
// 8-bit RGBA PNG with fixed compression settings and no time stamp, so the bytes repeat.
bool WritePngRgba(const std::string& path, const Canvas& canvas);
