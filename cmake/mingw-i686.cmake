# Cross-build for the editor: a 32-bit Windows DLL made by MinGW-w64.
set(QUORLIN_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
