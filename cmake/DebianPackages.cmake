# The Debian packages, one per install component (cmake/Install.cmake), made by
# `cpack -G DEB` in the build folder as Debian builds packages: stripped binaries with their debug
# symbols in -dbgsym packages, shlibs that accept every later release of the ABI (>=), ldconfig
# triggers, a DEP-5 copyright file, a changelog and manual pages. The maintainer is
# SRCTRL_MAINTAINER ("Name <address>"); by default $DEBFULLNAME <$DEBEMAIL> as Debian's tools
# take it, else the author of the source tree's last commit.

# The release's date: the changelog's last entry and the manual pages carry it, so that the same
# sources make the same packages.
set(srctrl_release_epoch 1796644800)

# Manual pages, made by help2man from the programs' --help (cmake/MakeManPage.cmake).
find_program(SRCTRL_HELP2MAN help2man)
function(srctrl_man_page target component summary)
  if(NOT SRCTRL_HELP2MAN)
    message(STATUS "No manual page for ${target}: help2man (Debian: help2man) was not found")
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${target}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DSUMMARY=${summary} -DVERSION=${PROJECT_VERSION}
      -DDATE_EPOCH=${srctrl_release_epoch} -DOUTPUT=${page} ${ARGN} -P ${PROJECT_SOURCE_DIR}/cmake/MakeManPage.cmake
    DEPENDS ${target} ${PROJECT_SOURCE_DIR}/cmake/MakeManPage.cmake
    COMMENT "Making the manual page of ${target}")
  add_custom_target(${target}_man_page ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
if(TARGET srreport)
  srctrl_man_page(srreport Cli "write, check, print and send DICOM SR reports" -DWITH_COMMANDS=ON)
endif()
if(TARGET srreport-gui)
  srctrl_man_page(srreport-gui Gui "desktop editor of DICOM SR reports")
endif()

set(srctrl_default_maintainer "")
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(srctrl_default_maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  find_package(Git QUIET)
  if(Git_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%an\ <%ae> WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE srctrl_default_maintainer OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
endif()
set(SRCTRL_MAINTAINER "${srctrl_default_maintainer}" CACHE STRING
  "The Debian packages' maintainer, as \"Name <address>\"")
if(NOT SRCTRL_MAINTAINER MATCHES "^[^<>@]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(STATUS "No Debian packages: SRCTRL_MAINTAINER is '${SRCTRL_MAINTAINER}', not 'Name <address>'")
  return()
endif()

set(srctrl_components Runtime Development)
if(TARGET srreport)
  list(APPEND srctrl_components Cli)
endif()
if(TARGET srctrl-qt)
  list(APPEND srctrl_components QtRuntime QtDevelopment)
endif()
if(TARGET srreport-gui)
  list(APPEND srctrl_components Gui)
endif()
set(srctrl_package_Runtime libsrctrl${SRCTRL_ABI_VERSION})
set(srctrl_package_Development libsrctrl-dev)
set(srctrl_package_QtRuntime libsrctrl-qt${SRCTRL_ABI_VERSION})
set(srctrl_package_QtDevelopment libsrctrl-qt-dev)
set(srctrl_package_Cli srreport)
set(srctrl_package_Gui srreport-gui)

# The copyright file names the licence's terms as LICENSE states them, in DEP-5's layout: the
# copyright line from its head, the terms from its body, each line indented, blank lines as ".".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE srctrl_license_lines)
set(srctrl_copyright "")
set(srctrl_license_text "")
set(srctrl_in_terms OFF)
foreach(line IN LISTS srctrl_license_lines)
  if(line MATCHES "^Copyright \\(c\\) (.*)$")
    string(REPLACE "," "" srctrl_copyright "${CMAKE_MATCH_1}")
  elseif(srctrl_in_terms)
    if(line STREQUAL "")
      string(APPEND srctrl_license_text " .\n")
    else()
      string(APPEND srctrl_license_text " ${line}\n")
    endif()
  elseif(line MATCHES "^All rights reserved")
    set(srctrl_in_terms ON)
  endif()
endforeach()
string(REGEX REPLACE "^ \\.\n" "" srctrl_license_text "${srctrl_license_text}")
string(REGEX REPLACE "\n$" "" srctrl_license_text "${srctrl_license_text}")
set(srctrl_debian ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${srctrl_debian}/copyright @ONLY)

set(srctrl_saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${srctrl_release_epoch})
string(TIMESTAMP srctrl_release_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${srctrl_saved_epoch}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${srctrl_debian}/changelog @ONLY)
# Debian's changelogs are compressed without a name or time stamp, so that every build and every
# architecture gives the same bytes (the library packages are Multi-Arch: same).
execute_process(COMMAND gzip -9n -c ${srctrl_debian}/changelog OUTPUT_FILE ${srctrl_debian}/changelog.gz
  RESULT_VARIABLE srctrl_gzip_status)
if(NOT srctrl_gzip_status EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${srctrl_debian}/changelog")
endif()
# Each package has both under its own name; a plain install has LICENSE instead.
foreach(component IN LISTS srctrl_components)
  install(FILES ${srctrl_debian}/copyright ${srctrl_debian}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${srctrl_package_${component}} COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME srctrl)
set(CPACK_PACKAGE_VENDOR "The srctrl developers")
set(CPACK_PACKAGE_CONTACT "${SRCTRL_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_COMPONENTS_ALL ${srctrl_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE srctrl)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are not installed where dpkg-shlibdeps looks; it finds them in the build and
# leaves them to the dependencies named below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What CPack 3.25 does not do as Debian does (ldconfig triggers, Multi-Arch, -dbgsym details).
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianFinish.cmake)

set(srctrl_version ${PROJECT_VERSION})
set(srctrl_about "The srctrl report control lets a medical-imaging viewer's user write, check
and print DICOM Structured Report documents: a report page built from an XML
template, fields bound to DICOM tags, key images, a QR code, and printing on a
CUPS queue or into PDF files.")

foreach(component IN LISTS srctrl_components)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${srctrl_package_${component}})
endforeach()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# libcups is loaded when a CUPS queue is first named, so dpkg-shlibdeps cannot see it. The skins
# name the fontconfig family "Sans"; the shipped Chinese template, and Chinese text in any
# template, need a font with CJK characters, which DejaVu does not have.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libcups2, fonts-dejavu-core, fonts-wqy-microhei | fonts-noto-cjk")
# Spell checking reads Hunspell dictionaries, which are data: without one nothing is marked.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "hunspell-en-us")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "DICOM SR report control library
${srctrl_about}

This package holds the shared library, its skins and its report templates
(English and Chinese).")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${srctrl_package_Runtime} (= ${srctrl_version})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "DICOM SR report control library - development files
${srctrl_about}

This package holds what a host program is built with: the headers, which need
only the C++ standard library, the CMake package (find_package(srctrl)) and
the pkg-config file srctrl.pc.")

set(CPACK_DEBIAN_QTRUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_QTRUNTIME_PACKAGE_DEPENDS "${srctrl_package_Runtime} (>= ${srctrl_version})")
set(CPACK_COMPONENT_QTRUNTIME_DESCRIPTION "DICOM SR report control as a Qt 6 widget
${srctrl_about}

This package holds libsrctrl-qt, the control as a Qt 6 widget (SrReportWidget)
that paints it, takes the mouse, the keyboard and the input method, and tells
the control's notifications as signals.")

set(CPACK_DEBIAN_QTDEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_QTDEVELOPMENT_PACKAGE_DEPENDS
  "${srctrl_package_QtRuntime} (= ${srctrl_version}), libsrctrl-dev (= ${srctrl_version}), qt6-base-dev")
set(CPACK_COMPONENT_QTDEVELOPMENT_DESCRIPTION "DICOM SR report control as a Qt 6 widget - development files
${srctrl_about}

This package holds what a Qt host is built with: SrReportWidget.h, the CMake
component qt (find_package(srctrl COMPONENTS qt)) and srctrl-qt.pc.")

set(CPACK_DEBIAN_CLI_PACKAGE_SECTION science)
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "${srctrl_package_Runtime} (>= ${srctrl_version})")
set(CPACK_COMPONENT_CLI_DESCRIPTION "command-line tool for DICOM SR reports
${srctrl_about}

srreport does the whole job from a shell, through the control: it starts a
report for a study's image, fills it in, completes and verifies it, amends
verified reports into new documents, shows what reports hold (as text or
JSON), prints them on CUPS queues or into PDF files, renders pages and
template thumbnails to PNG, writes DICOM Encapsulated PDF instances and sends
files to a PACS with C-STORE.")

set(CPACK_DEBIAN_GUI_PACKAGE_SECTION science)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS
  "${srctrl_package_Runtime} (>= ${srctrl_version}), ${srctrl_package_QtRuntime} (>= ${srctrl_version})")
set(CPACK_COMPONENT_GUI_DESCRIPTION "desktop editor for DICOM SR reports
${srctrl_about}

srreport-gui is the editor a radiologist uses: it opens SR documents and starts
new reports from DICOM images, one tab each, saves, prints on a CUPS queue or
into a PDF file, changes the report's template, zooms, and marks reports
complete or verified.")

include(CPack)
