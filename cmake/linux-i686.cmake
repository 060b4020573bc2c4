# 32-bit x86 Linux programs (g++ -m32): the library, the editor plug-in's
# frame procedure and the tests with the plug-in's code generation (eight
# vector registers, 32-bit pointers), for machines where the plug-in itself
# cannot run under wine. They run directly where the kernel runs 32-bit code
# and under qemu-i386 where it does not (tests/cross/run_i386.sh decides).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/cross/run_i386.sh)

# The kernel's asm/ headers serve both word sizes, but only the multilib meta
# package (which conflicts with the aarch64 cross compiler) links them where
# -m32 looks: a link of our own in the build tree does the same.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/i686-include)
file(CREATE_LINK /usr/include/x86_64-linux-gnu/asm ${CMAKE_BINARY_DIR}/i686-include/asm SYMBOLIC)
string(APPEND CMAKE_C_FLAGS_INIT " -isystem ${CMAKE_BINARY_DIR}/i686-include")
string(APPEND CMAKE_CXX_FLAGS_INIT " -isystem ${CMAKE_BINARY_DIR}/i686-include")
