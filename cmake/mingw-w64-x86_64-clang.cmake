# Cross build for 64-bit Windows with clang instead of gcc: the same
# mingw-w64 headers, C++ library, runtime and linker, so that code only one
# compiler accepts shows up before the tree meets a third one. The build is
# for compiling and warnings; its programs run under wine like the gcc ones.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

# Debian keeps gcc's C++ library for this target in a directory named
# <version>-posix, which clang's search does not recognise as a version.
file(GLOB MINGW_GCC_DIRECTORIES /usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix)
list(SORT MINGW_GCC_DIRECTORIES COMPARE NATURAL ORDER DESCENDING)
list(GET MINGW_GCC_DIRECTORIES 0 MINGW_GCC_DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${MINGW_GCC_DIRECTORY}/include/c++ -isystem ${MINGW_GCC_DIRECTORY}/include/c++/${TOOLCHAIN_PREFIX}")

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# -pthread: the posix C++ library and its exception support need winpthreads,
# which clang then links inside its group of runtime libraries. LLVM's
# linker: GNU ld warns about every type_info clang and gcc both emit.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -pthread -fuse-ld=lld -L${MINGW_GCC_DIRECTORY}")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
