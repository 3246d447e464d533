# Windows builds: export tables from module-definition files.
#
# The .def files in the source tree name the 32-bit __stdcall functions as the
# compiler decorates them (RegisterDriver@8): that is what lets the linker
# find them and what the import libraries it writes carry, so that callers
# compiled against the headers resolve. A NONAME export has no name in the
# DLL at all. A DLL that exports names without the suffix links with
# --kill-at (its import library is then of no use to C callers). On 64-bit
# Windows names are never decorated, so there a copy of the file without the
# suffixes is used.

# Gives the DLL target the exports that the .def file (relative to the
# current source directory) lists.
function(vorne_windows_exports target def)
  get_filename_component(def "${def}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${def}")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(used "${def}")
  else()
    file(READ "${def}" text)
    # "Name@8 @1 NONAME" -> "Name @1 NONAME": only a suffix glued to a name.
    string(REGEX REPLACE "([A-Za-z0-9_])@[0-9]+" "\\1" text "${text}")
    get_filename_component(file_name "${def}" NAME)
    set(used "${CMAKE_CURRENT_BINARY_DIR}/undecorated/${file_name}")
    set(previous "")
    if(EXISTS "${used}")
      file(READ "${used}" previous)
    endif()
    if(NOT previous STREQUAL text)
      file(WRITE "${used}" "${text}")
    endif()
  endif()
  target_sources(${target} PRIVATE "${used}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${used}")
endfunction()
