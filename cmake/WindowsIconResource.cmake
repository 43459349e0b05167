# Writes a resource script holding the game's icon (a PNG, as Windows takes one
# inside an icon resource since Vista) as icon group 101 with one image.
# cmake -DINPUT=icon.png -DOUTPUT=icon.rc -P WindowsIconResource.cmake
file(SIZE ${INPUT} size)
# Width and height from the PNG header (IHDR at byte 16, big-endian).
file(READ ${INPUT} header OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING ${header} 0 8 widthHex)
string(SUBSTRING ${header} 8 8 heightHex)
math(EXPR width "0x${widthHex}")
math(EXPR height "0x${heightHex}")
# A directory entry stores 256 as 0.
if(width GREATER_EQUAL 256)
  set(width 0)
endif()
if(height GREATER_EQUAL 256)
  set(height 0)
endif()
math(EXPR sizeWord "${width} + ${height} * 256")
file(TO_NATIVE_PATH ${INPUT} input)
file(WRITE ${OUTPUT} "// The game's icon: image 1 (RT_ICON) and group 101 (RT_GROUP_ICON).
1 3 \"${INPUT}\"
101 14
BEGIN
  0, 1, 1,             // reserved, type icon, one image
  ${sizeWord}, 0,      // width and height bytes; colour count and reserved
  1, 32, ${size}L, 1   // planes, bits per pixel, bytes of the image, its id
END
")
