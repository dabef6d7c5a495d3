# The Code::Blocks release this build is for, and the plug-in's Debian package.
#
# The IDE loads only plug-ins built for its own SDK version, and each upstream release has its
# own SDK version, so one build serves one release. The SDK version read from cbplugin.h
# (CB_SDK_MAJOR/MINOR/RELEASE) names that release, BRISKEN_IDE_VERSION; it names the .cbplugin
# (libBrisken-cbVERSION.cbplugin, the IDE's NAME-VERSION form) and the .deb's version, and pins
# the .deb's Depends on codeblocks to that release; its Breaks names every other codeblocks,
# so that dpkg refuses to unpack the package beside another IDE (Depends alone would leave it
# unpacked and unconfigured, its module on disk) instead of the IDE ignoring the plug-in.
#
#   cmake --build BUILD --target package    makes BUILD/codeblocks-plugin-brisken_VERSION_ARCH.deb
#
# The package installs the module into /usr/lib/codeblocks/plugins, the resource archive into
# /usr/share/codeblocks and its copyright and changelog into
# /usr/share/doc/codeblocks-plugin-brisken, wherever the build's own install prefix points.

# SDK version -> upstream release and the codeblocks versions that carry that SDK: every Debian
# or Ubuntu revision of the release (20.03+svn13046-0.1+b2 in Debian 12, 25.03+dfsg-2 in Debian
# 13), and nothing from the next release on.
set(_brisken_release_2.23 20.03 20.04~)   # Debian 12 "bookworm", Ubuntu 24.04
set(_brisken_release_2.25 25.03 25.04~)   # Debian 13 "trixie"
set(_brisken_sdk "${CB_SDK_MAJOR}.${CB_SDK_MINOR}")
if(DEFINED _brisken_release_${_brisken_sdk})
  list(GET _brisken_release_${_brisken_sdk} 0 BRISKEN_IDE_VERSION)
  list(GET _brisken_release_${_brisken_sdk} 1 _brisken_ide_below)
  set(_brisken_ide_depends
      "codeblocks (>= ${BRISKEN_IDE_VERSION}), codeblocks (<< ${_brisken_ide_below})")
  set(_brisken_ide_breaks
      "codeblocks (<< ${BRISKEN_IDE_VERSION}), codeblocks (>= ${_brisken_ide_below})")
else()
  # An SDK this table does not know still builds; its package needs exactly the installed IDE.
  execute_process(COMMAND dpkg-query -W -f=\${Version} codeblocks
                  OUTPUT_VARIABLE _brisken_cb_version RESULT_VARIABLE _brisken_query
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(_brisken_query EQUAL 0 AND _brisken_cb_version MATCHES "^([0-9]+:)?([0-9][0-9.]*)")
    set(BRISKEN_IDE_VERSION "${CMAKE_MATCH_2}")
    set(_brisken_ide_depends "codeblocks (= ${_brisken_cb_version})")
    set(_brisken_ide_breaks
        "codeblocks (<< ${_brisken_cb_version}), codeblocks (>> ${_brisken_cb_version})")
  else()
    set(BRISKEN_IDE_VERSION "sdk${CB_SDK_MAJOR}.${CB_SDK_MINOR}.${CB_SDK_RELEASE}")
    set(_brisken_ide_depends "codeblocks")
    set(_brisken_ide_breaks "")
  endif()
  message(STATUS "Plug-in SDK ${CB_SDK_MAJOR}.${CB_SDK_MINOR}.${CB_SDK_RELEASE} is not in the "
                 "release table; the package depends on ${_brisken_ide_depends}")
endif()
message(STATUS "Building for Code::Blocks ${BRISKEN_IDE_VERSION} "
               "(SDK ${CB_SDK_MAJOR}.${CB_SDK_MINOR}.${CB_SDK_RELEASE})")

# The package's own install rules, in a component of their own that a plain install skips:
# Debian's plug-in folders, the stripped module without execute bits as Debian ships shared
# libraries.
install(FILES ${BRISKEN_SHIPPED_MODULE} DESTINATION lib/codeblocks/plugins
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${BRISKEN_ZIP} DESTINATION share/codeblocks COMPONENT debian EXCLUDE_FROM_ALL)

# The package's maintainer, named in its control file, its copyright and its changelog.
set(BRISKEN_DEB_MAINTAINER "Brisken Addons developers <brisken-addons@example.org>")
# Every Debian package names its licence in its documentation folder: in the machine-readable
# format, pointing at the GPL text that every Debian system has rather than copying COPYING.
set(_brisken_deb_docs ${CMAKE_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${_brisken_deb_docs}/copyright
               @ONLY)
install(FILES ${_brisken_deb_docs}/copyright
        DESTINATION share/doc/codeblocks-plugin-brisken COMPONENT debian EXCLUDE_FROM_ALL)
# And its changelog. The package is native (its own upstream, no Debian revision), so its one
# changelog is changelog.gz; gzip -9n leaves out the name and time stamp, so every build's file
# is the same.
set(_brisken_changelog_in ${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in)
# The newest entry must be this version's: a release without its entry stops here.
file(STRINGS ${_brisken_changelog_in} _brisken_changelog_top LIMIT_COUNT 1)
string(FIND "${_brisken_changelog_top}"
       "codeblocks-plugin-brisken (${PROJECT_VERSION}+cb@BRISKEN_IDE_VERSION@) " _brisken_at)
if(NOT _brisken_at EQUAL 0)
  message(FATAL_ERROR "${_brisken_changelog_in}: its first entry is not for version "
                      "${PROJECT_VERSION}: add one")
endif()
configure_file(${_brisken_changelog_in} ${_brisken_deb_docs}/changelog @ONLY)
add_custom_command(OUTPUT ${_brisken_deb_docs}/changelog.gz
                   COMMAND gzip -9n --keep --force changelog
                   WORKING_DIRECTORY ${_brisken_deb_docs}
                   DEPENDS ${_brisken_deb_docs}/changelog VERBATIM)
add_custom_target(brisken_deb_changelog ALL DEPENDS ${_brisken_deb_docs}/changelog.gz)
install(FILES ${_brisken_deb_docs}/changelog.gz
        DESTINATION share/doc/codeblocks-plugin-brisken COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME codeblocks-plugin-brisken)
# The IDE release is part of the version: 0.1.0+cb20.03 sorts before 0.1.0+cb25.03, so the
# package upgrades with the distribution's IDE.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}+cb${BRISKEN_IDE_VERSION}")
set(CPACK_PACKAGE_CONTACT "${BRISKEN_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Code::Blocks ${BRISKEN_IDE_VERSION} tool plug-in that adds Brisken toolkit addons to a project")
# One line of the control file's description each, under 80 columns as Debian asks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Plugins > Brisken Addons lists the addons of a Brisken tree and ticks those"
       "the active project uses. A newly ticked addon, with the addons it requires,"
       "brings its sources, include directories and link libraries into the"
       "project; an unticked one has its sources taken out again.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL debian)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${_brisken_ide_depends}")
set(CPACK_DEBIAN_PACKAGE_BREAKS "${_brisken_ide_breaks}")
# The libraries the module links (wxWidgets, TinyXML, libcodeblocks0) come from dpkg-shlibdeps
# (dpkg-dev, with build-essential; the file and readelf it needs come with libcodeblocks0).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
