# The MinGW-w64 cross-build of a Windows DLL for QUORLIN_MINGW_PROCESSOR
# (i686 or x86_64), set by the toolchain file that includes this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUORLIN_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${QUORLIN_MINGW_PROCESSOR}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${QUORLIN_MINGW_PROCESSOR}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${QUORLIN_MINGW_PROCESSOR}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORLIN_MINGW_PROCESSOR}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The editor loads the plug-in alone, with no MinGW runtime DLLs beside it,
# so the OpenMP runtime must be linked in statically. Left to itself,
# FindOpenMP picks the import library libgomp.dll.a; FORCE replaces that
# choice in build trees configured before.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp.a
                OUTPUT_VARIABLE quorlin_static_gomp OUTPUT_STRIP_TRAILING_WHITESPACE)
set(OpenMP_gomp_LIBRARY "${quorlin_static_gomp}" CACHE FILEPATH "Static OpenMP runtime for the plug-in" FORCE)
