# Builds the plug-in the way Debian builds its own: hardened, with only what the IDE needs
# exported, and shipped stripped with its debug information kept in a file beside it.
#
# Included before any target exists. Our flags go in front of CMAKE_CXX_FLAGS and the linker
# flags, so that what a packager passes (CXXFLAGS, LDFLAGS) comes later on the command line and
# wins.

option(BRISKEN_HARDENING "Build with Debian's hardening flags" ON)

if(BRISKEN_HARDENING)
  include(CheckCXXCompilerFlag)
  set(_brisken_harden -fstack-protector-strong)
  # Control-flow protection (CET) exists on x86 only.
  check_cxx_compiler_flag(-fcf-protection BRISKEN_HAVE_CF_PROTECTION)
  if(BRISKEN_HAVE_CF_PROTECTION)
    list(APPEND _brisken_harden -fcf-protection)
  endif()
  # FORTIFY needs optimisation (glibc warns without it) and gets in the way of the sanitizers'
  # own checks; a packager's own choice of level is kept.
  string(TOUPPER "${CMAKE_BUILD_TYPE}" _brisken_type)
  set(_brisken_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${_brisken_type}}")
  string(REGEX MATCHALL "(^| )-O[^ ]*" _brisken_opt "${_brisken_flags}")
  list(LENGTH _brisken_opt _brisken_opt_count)
  if(_brisken_opt_count GREATER 0)
    list(GET _brisken_opt -1 _brisken_opt)
    string(STRIP "${_brisken_opt}" _brisken_opt)
  endif()
  if(_brisken_opt_count GREATER 0 AND NOT _brisken_opt STREQUAL "-O0"
     AND NOT _brisken_flags MATCHES "_FORTIFY_SOURCE|-fsanitize" AND NOT BRISKEN_BUILD_FUZZ)
    list(APPEND _brisken_harden -D_FORTIFY_SOURCE=2)
  endif()
  list(JOIN _brisken_harden " " _brisken_harden)
  set(CMAKE_CXX_FLAGS "${_brisken_harden} ${CMAKE_CXX_FLAGS}")
  # Full RELRO: every symbol bound at load, then the tables made read-only.
  foreach(_brisken_kind MODULE SHARED EXE)
    set(CMAKE_${_brisken_kind}_LINKER_FLAGS "-Wl,-z,relro,-z,now ${CMAKE_${_brisken_kind}_LINKER_FLAGS}")
  endforeach()
endif()

# brisken_ship_module(TARGET OUT_VAR): hides every symbol of TARGET and of the static libraries
# named after it, and exports none at all (the registrant registers the plug-in when the library
# loads, so the IDE looks none up; hidden visibility alone leaves the template code instantiated
# for wx types exported), and makes a stripped copy of the module under the build folder's `ship/`, with the
# debug information in `ship/<name>.debug` that the copy links to. OUT_VAR receives the copy's
# path: the package and the install rules take that file, while the tests keep loading the
# unstripped module.
function(brisken_ship_module target out_var)
  set_target_properties(${target} ${ARGN} PROPERTIES CXX_VISIBILITY_PRESET hidden
                                                     VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${target} PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/exports.map)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/exports.map)
  get_target_property(prefix ${target} PREFIX)
  get_target_property(base ${target} OUTPUT_NAME)
  set(name ${prefix}${base}${CMAKE_SHARED_MODULE_SUFFIX})
  set(shipped ${CMAKE_BINARY_DIR}/ship/${name})
  add_custom_command(OUTPUT ${shipped} ${shipped}.debug
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/ship
                     COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${shipped}.debug
                     COMMAND ${CMAKE_OBJCOPY} --strip-unneeded --add-gnu-debuglink=${shipped}.debug
                             $<TARGET_FILE:${target}> ${shipped}
                     COMMAND chmod 0644 ${shipped} ${shipped}.debug
                     DEPENDS ${target}
                     COMMENT "Stripping ${name} (debug information in ship/${name}.debug)")
  add_custom_target(${target}_shipped ALL DEPENDS ${shipped})
  set(${out_var} ${shipped} PARENT_SCOPE)
endfunction()
