cmake_minimum_required(VERSION 3.25)
# Writes the Windows game's text files into OUT with Windows line ends: the
# README (its @VERSION@ filled in), the licence and the terms in licences\.
# cmake -DOUT=DIR -DSOURCE=SOURCE_DIR -DVERSION=V -P texts.cmake
function(crlf from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
  file(WRITE ${to} "${text}")
endfunction()
crlf(${SOURCE}/desktop/windows/README.txt ${OUT}/README.txt)
crlf(${SOURCE}/LICENSE ${OUT}/LICENSE.txt)
crlf(/usr/share/doc/fonts-ipafont-mincho/copyright ${OUT}/licences/ipa-font-licence.txt)
crlf(/usr/share/doc/timgm6mb-soundfont/copyright ${OUT}/licences/timgm6mb-soundfont.txt)
crlf(${OUT}/fonts/glyphs.txt ${OUT}/licences/font-glyphs.txt)
# The libraries linked into the .exe, Debian's sources of them, and MinGW-w64's runtime.
crlf(/usr/share/doc/libsdl2-2.0-0/copyright ${OUT}/licences/sdl2.txt)
crlf(/usr/share/doc/libfreetype6/copyright ${OUT}/licences/freetype.txt)
crlf(/usr/share/doc/libpng16-16/copyright ${OUT}/licences/libpng.txt)
crlf(/usr/share/doc/zlib1g/copyright ${OUT}/licences/zlib.txt)
crlf(/usr/share/doc/mingw-w64-x86-64-dev/copyright ${OUT}/licences/mingw-w64.txt)
