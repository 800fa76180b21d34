#!/bin/sh
# Run inside the build root by build-libs.sh: builds FreeType, SDL2,
# SDL_ttf, libisofs and libpng as static libraries into /static from the
# sources under /src.
# Prints each library's build time.
set -eu
jobs=${JOBS:-2}
flags="-O2 -g0 -fPIC -include /portable/glibc-pins.h -ffunction-sections -fdata-sections"
export CFLAGS="$flags" CXXFLAGS="$flags"
common="-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/static -DCMAKE_INSTALL_LIBDIR=lib
  -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON"
now() { date +%s; }

start=$(now)
# FreeType: TrueType and OpenType faces only need its own code; gzip
# (PCF fonts) uses the copy of zlib FreeType carries.
cmake -S /src/freetype -B /tmp/freetype $common \
  -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >/tmp/freetype.log
make -C /tmp/freetype -j"$jobs" install >>/tmp/freetype.log
echo "freetype: $(($(now) - start)) s"

start=$(now)
# SDL2 as Debian's source has it, unchanged: video and events, the X11
# and Wayland drivers loading their libraries when they start; no audio,
# input devices, power, D-Bus or input methods behind it; the offscreen
# driver too, with which mavrel-inspect draws the window in memory. Of the
# X11 extensions only those the launcher gains from: RandR (which monitor
# to centre on), shared memory and shapes (libXext). Cursor themes, XInput2
# (raw and touch input; the core pointer events are what the launcher
# takes), XFixes and the screen saver's would each cost a library loaded
# and round trips to the server at every start.
# libdecor (title bars and close buttons where the compositor draws none:
# GNOME's Wayland), loaded by SDL at run time when the desktop has it. SDL's
# build wants its header and a library to read the name to load from; the
# build root has no libdecor, so it gets the header of bookworm's
# development package and a library of that name that is never linked or
# shipped.
decor=/tmp/libdecor
rm -rf $decor && mkdir -p $decor/include $decor/lib/pkgconfig
cp /src/libdecor/usr/include/libdecor-0/libdecor.h $decor/include/
gcc -shared -Wl,-soname,libdecor-0.so.0 -o $decor/lib/libdecor-0.so.0.1.1 -x c /dev/null
ln -s libdecor-0.so.0.1.1 $decor/lib/libdecor-0.so
cat >$decor/lib/pkgconfig/libdecor-0.pc <<PC
Name: libdecor
Description: libdecor's header, for SDL's run-time loading
Version: 0.1.1
Requires: wayland-client
Libs: -L$decor/lib -ldecor-0
Cflags: -I$decor/include
PC
export PKG_CONFIG_PATH=$decor/lib/pkgconfig${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH}
cmake -S /src/sdl -B /tmp/sdl $common \
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_STATIC_PIC=ON -DSDL_TEST=OFF -DSDL_TESTS=OFF \
  -DSDL2_DISABLE_SDL2MAIN=ON -DSDL2_DISABLE_UNINSTALL=ON -DSDL_RPATH=OFF -DSDL_CCACHE=OFF \
  -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
  -DSDL_POWER=OFF -DSDL_DBUS=OFF -DSDL_IBUS=OFF -DSDL_LIBSAMPLERATE=OFF \
  -DSDL_ALSA=OFF -DSDL_JACK=OFF -DSDL_ESD=OFF -DSDL_PIPEWIRE=OFF -DSDL_PULSEAUDIO=OFF \
  -DSDL_ARTS=OFF -DSDL_NAS=OFF -DSDL_SNDIO=OFF -DSDL_OSS=OFF -DSDL_DISKAUDIO=OFF \
  -DSDL_DUMMYAUDIO=OFF -DSDL_FUSIONSOUND=OFF \
  -DSDL_KMSDRM=OFF -DSDL_VULKAN=OFF -DSDL_RPI=OFF -DSDL_VIVANTE=OFF -DSDL_DIRECTFB=OFF \
  -DSDL_X11=ON -DSDL_X11_SHARED=ON -DSDL_WAYLAND=ON -DSDL_WAYLAND_SHARED=ON \
  -DSDL_X11_XCURSOR=OFF -DSDL_X11_XINPUT=OFF -DSDL_X11_XFIXES=OFF -DSDL_X11_XSCRNSAVER=OFF \
  -DSDL_WAYLAND_LIBDECOR=ON -DSDL_WAYLAND_LIBDECOR_SHARED=ON -DSDL_WAYLAND_QT_TOUCH=OFF \
  -DSDL_OFFSCREEN=ON >/tmp/sdl.log
make -C /tmp/sdl -j"$jobs" install >>/tmp/sdl.log
grep -q 'WAYLAND_DYNAMIC_LIBDECOR "libdecor-0.so.0"' /static/include/SDL2/SDL_config.h ||
  { echo "SDL was configured without libdecor" >&2; exit 1; }
echo "sdl2: $(($(now) - start)) s"

start=$(now)
# SDL_ttf is one source file: compiled against this SDL and FreeType.
gcc $flags -I/static/include/SDL2 -I/static/include/freetype2 -c /src/ttf/SDL_ttf.c -o /tmp/SDL_ttf.o
ar rcs /static/lib/libSDL2_ttf.a /tmp/SDL_ttf.o
cp /src/ttf/SDL_ttf.h /static/include/SDL2/
version=$(sed -n 's/^#define SDL_TTF_\(MAJOR\|MINOR\|PATCH\)LEVEL *\([0-9]*\).*/\2/p' /src/ttf/SDL_ttf.h |
  paste -sd.)
cat >/static/lib/pkgconfig/SDL2_ttf.pc <<PC
prefix=/static
Name: SDL2_ttf
Description: SDL_ttf, static, with FreeType
Version: $version
Requires: sdl2 freetype2
Libs: -L\${prefix}/lib -lSDL2_ttf
Cflags: -I\${prefix}/include/SDL2
PC
echo "sdl2-ttf: $(($(now) - start)) s"

start=$(now)
# libisofs, for mavrel-inspect image: its own code only, without ACLs,
# extended attributes, zlib or jigdo, none of which an image of ours holds.
rm -rf /tmp/isofs && cp -a /src/isofs /tmp/isofs
(cd /tmp/isofs && ./configure --prefix=/static --libdir=/static/lib --disable-shared \
  --enable-static --disable-debug --enable-libdir-pkgconfig --disable-libacl --disable-xattr \
  --disable-zlib --disable-libjte --disable-ldconfig-at-install >/tmp/isofs.log && make -j"$jobs" install >>/tmp/isofs.log)
echo "libisofs: $(($(now) - start)) s"

start=$(now)
# libpng, for mavrel-inspect's render (the launcher itself reads no PNG),
# without programs or tests of its own. It takes the build root's static
# zlib with every symbol renamed (mavrel_z_...) in both, since FreeType
# carries its own copy of zlib's inflate under the same names.
cmake -S /src/png -B /tmp/png $common -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF >/tmp/png.log
make -C /tmp/png -j"$jobs" png_static >>/tmp/png.log
zlib=/usr/lib/x86_64-linux-gnu/libz.a
nm -g --defined-only "$zlib" | awk 'NF == 3 { print $3 " mavrel_z_" $3 }' | sort -u >/tmp/zlib.names
objcopy --redefine-syms=/tmp/zlib.names "$zlib" /static/lib/libmavrel-z.a
objcopy --redefine-syms=/tmp/zlib.names /tmp/png/libpng16.a /static/lib/libpng16.a
cp /src/png/png.h /src/png/pngconf.h /tmp/png/pnglibconf.h /static/include/
echo "libpng: $(($(now) - start)) s"

# Functions the build root's C library has and 2.17 lacks.
gcc $flags -c /portable/glibc-compat.c -o /tmp/glibc-compat.o
ar rcs /static/lib/libmavrel-glibc-compat.a /tmp/glibc-compat.o
