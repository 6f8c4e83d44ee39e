# Runs at install time, after the programs and modules are installed: registers the installed
# modules into the registry file beside the installed programs, naming them relative to it.
#
# Set by the caller: TARVOS_INSTALL_BINDIR, TARVOS_INSTALL_LIBDIR (relative to the prefix or
# absolute), TARVOS_MODULE_NAMES (file names in the library folder), TARVOS_REGSVR_NAME.

function(tarvos_install_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

tarvos_install_path(_final_bindir "${TARVOS_INSTALL_BINDIR}")
tarvos_install_path(_final_libdir "${TARVOS_INSTALL_LIBDIR}")
set(_stage "$ENV{DESTDIR}")
set(_registry "${_stage}${_final_bindir}/automation-registry.ini")
set(_regsvr "${_stage}${_final_bindir}/${TARVOS_REGSVR_NAME}")
set(_modules)
foreach(_name IN LISTS TARVOS_MODULE_NAMES)
  list(APPEND _modules "${_stage}${_final_libdir}/${_name}")
endforeach()

message(STATUS "Registering: ${_registry}")
# The file belongs to this installation: written afresh, so no class of an older install stays.
file(REMOVE "${_registry}")
execute_process(COMMAND "${_regsvr}" --file "${_registry}" ${_modules}
  RESULT_VARIABLE _status OUTPUT_VARIABLE _output ERROR_VARIABLE _output)
if(NOT _status EQUAL 0)
  message(FATAL_ERROR "kvr-regsvr could not register the installed modules (${_status}):\n${_output}")
endif()

# The modules write their own absolute path (in normal form: "//" and "/./" folded), which
# under DESTDIR or a packager's staging folder is not where they will finally lie. The file
# names them relative to its own folder instead, so the installed tree works wherever it ends
# up: below the prefix, unpacked elsewhere, or moved.
cmake_path(SET _written_libdir NORMALIZE "${_stage}${_final_libdir}/")
cmake_path(RELATIVE_PATH _final_libdir BASE_DIRECTORY "${_final_bindir}" OUTPUT_VARIABLE _relative_libdir)
cmake_path(SET _relative_libdir NORMALIZE "${_relative_libdir}/")
file(READ "${_registry}" _text)
string(REPLACE "\nModule=${_written_libdir}" "\nModule=${_relative_libdir}" _text "${_text}")
file(WRITE "${_registry}" "${_text}")
# The manifest names files where they finally lie, as CMake does for the files it installs.
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_final_bindir}/automation-registry.ini")
