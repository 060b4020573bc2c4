# Cross-build for the 64-bit editor: a 64-bit Windows DLL made by MinGW-w64.
set(QUORLIN_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
