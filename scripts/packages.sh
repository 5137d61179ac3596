# Package sets, sourced by the run and test commands.
PKG_NATIVE="cmake make g++ libgtest-dev libbenchmark-dev"
PKG_WINDOWS="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 nsis zip"
PKG_WINE="wine wine64 fonts-wine xvfb xauth x11-utils imagemagick bc locales"
PKG_FUZZ="clang libclang-rt-14-dev"
