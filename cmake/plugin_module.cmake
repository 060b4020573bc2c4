# quorlin_add_plugin_module(TARGET [OUTPUT_NAME NAME] [WINDOWS_SUFFIX SUFFIX] [EXPORTS VERSION_SCRIPT]
#                           SOURCES...)
#
# A plug-in module that a host loads by path: no "lib" prefix, and nothing
# exported but the entry points the host looks up. The caller links what
# the module is made of.
#
# On Windows (hosts/windows) the module is self-contained, exports only what
# its code marks, is pinned once loaded and skips the runtimes' teardown at
# process exit; WINDOWS_SUFFIX names its file's suffix (".auf").
#
# Elsewhere the version script EXPORTS names the entry points. The OpenMP
# workers outlive a frame and run the module's code, so a host's dlclose must
# not unmap it (-z nodelete): it stays until the process ends, and a dlopen
# after it hands back the same module with its one thread pool. Every symbol
# must resolve when it is linked, but in a sanitized build, whose module
# takes the runtime from the program that loads it.
function(quorlin_add_plugin_module target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_NAME;WINDOWS_SUFFIX;EXPORTS" "")
  add_library(${target} MODULE ${arg_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES PREFIX "")
  if(arg_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${arg_OUTPUT_NAME})
  endif()
  if(WIN32)
    if(arg_WINDOWS_SUFFIX)
      set_target_properties(${target} PROPERTIES SUFFIX ${arg_WINDOWS_SUFFIX})
    endif()
    target_link_libraries(${target} PRIVATE quorlin_windows_module)
    return()
  endif()
  if(NOT arg_EXPORTS)
    message(FATAL_ERROR "quorlin_add_plugin_module(${target}): EXPORTS names the version script of its entry points")
  endif()
  get_filename_component(exports ${arg_EXPORTS} ABSOLUTE)
  target_link_options(${target} PRIVATE -Wl,--version-script=${exports} -Wl,-z,nodelete)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${exports})
  if(NOT QUORLIN_SANITIZE)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()
