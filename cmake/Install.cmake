# What `cmake --install` puts in place, and the Debian package made of it (cpack -G DEB):
#   lib/libsrctrl.so.0 (+ the .so link), include/srctrl/*.h, share/srctrl/skin/,
#   lib/cmake/srctrl/ (find_package(srctrl CONFIG) -> srctrl::srctrl), lib/pkgconfig/srctrl.pc,
#   bin/srreport, share/doc/srctrl/LICENSE; with Qt 6 Widgets also lib/libsrctrl-qt.so.0,
#   include/srctrl/qt/SrReportWidget.h, srctrl-qt.pc, bin/srreport-gui and its desktop entry.
# Every installed path is relative to the prefix, so an installed tree may be moved.
# Other parts of the package (a toolkit adapter, a desktop program) install their targets from
# their own CMakeLists, libraries with an export set that srctrlConfig.cmake includes (the Qt
# widget: srctrlQtTargets, for the component qt) so that find_package gives them too;
# their public headers go into the build's include/srctrl/ (a folder of their own, such as qt/),
# which is installed whole.
include(CMakePackageConfigHelpers)

install(TARGETS srctrl EXPORT srctrlTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${srctrl_public_include}/srctrl DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/skin/ DESTINATION ${CMAKE_INSTALL_DATADIR}/srctrl/skin)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(srctrl_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/srctrl)
install(EXPORT srctrlTargets NAMESPACE srctrl:: DESTINATION ${srctrl_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/srctrlConfig.cmake.in
  ${PROJECT_BINARY_DIR}/srctrlConfig.cmake INSTALL_DESTINATION ${srctrl_cmake_dir})
# Hosts built against one ABI version run with every later release of it.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/srctrlConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/srctrlConfig.cmake ${PROJECT_BINARY_DIR}/srctrlConfigVersion.cmake
  DESTINATION ${srctrl_cmake_dir})

file(RELATIVE_PATH srctrl_prefix_from_pcdir ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/srctrl.pc.in ${PROJECT_BINARY_DIR}/srctrl.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/srctrl.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# One Debian package with the library, its headers, skins and tools, and the Qt widget and
# srreport-gui when they are built; its dependencies are what dpkg-shlibdeps finds the binaries
# linked with, Qt 6's runtime libraries among them. The package stays whole, as it already holds
# the headers and srreport: splitting off the Qt part would spare a viewer without Qt those
# libraries, at the price of a component on every install rule and two packages kept at the same
# version.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME srctrl)
set(CPACK_PACKAGE_VENDOR "The srctrl developers")
set(CPACK_PACKAGE_CONTACT "The srctrl developers <srctrl@localhost>")
if(SRCTRL_BUILD_QT)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DICOM SR report control library, its headers, Qt widget and tools")
else()
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DICOM SR report control library, its headers and srreport")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcups is loaded when a CUPS queue is first used, so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcups2")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# Spell checking reads Hunspell dictionaries, which are data: without one nothing is marked.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hunspell-en-us")
include(CPack)
