# What `cmake --install` puts in place, in the components that become the Debian packages
# (cmake/DebianPackages.cmake):
#   Runtime         lib/ARCH/libsrctrl.so.0, share/srctrl/skin/
#   Development     include/srctrl/*.h, the libsrctrl.so link, lib/ARCH/cmake/srctrl/
#                   (find_package(srctrl CONFIG) -> srctrl::srctrl), lib/ARCH/pkgconfig/srctrl.pc
#   QtRuntime       lib/ARCH/libsrctrl-qt.so.0                       (with Qt 6 Widgets)
#   QtDevelopment   include/srctrl/qt/, its link, srctrlQtTargets, srctrl-qt.pc
#   Cli             bin/srreport, libexec/srctrl/srreport-send, its manual page
#   Gui             bin/srreport-gui, its desktop entry, icon and manual page
#   License         share/doc/srctrl/LICENSE (a plain install only; each package has its copyright)
# ARCH is the multiarch folder (x86_64-linux-gnu) where the system has one. Every installed path
# is relative to the prefix, so an installed tree may be moved. Other parts of the package (a
# toolkit adapter, a desktop program) install their targets from their own CMakeLists into these
# components, libraries with an export set that srctrlConfig.cmake includes (the Qt widget:
# srctrlQtTargets, for the component qt) so that find_package gives them too; their public
# headers go into the build's include/srctrl/ (a folder of their own, such as qt/).
include(CMakePackageConfigHelpers)

install(TARGETS srctrl EXPORT srctrlTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${srctrl_public_include}/srctrl DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT Development PATTERN qt EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/skin/ DESTINATION ${CMAKE_INSTALL_DATADIR}/srctrl/skin COMPONENT Runtime)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT License)

set(srctrl_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/srctrl)
install(EXPORT srctrlTargets NAMESPACE srctrl:: DESTINATION ${srctrl_cmake_dir} COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/srctrlConfig.cmake.in
  ${PROJECT_BINARY_DIR}/srctrlConfig.cmake INSTALL_DESTINATION ${srctrl_cmake_dir})
# Hosts built against one ABI version run with every later release of it.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/srctrlConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/srctrlConfig.cmake ${PROJECT_BINARY_DIR}/srctrlConfigVersion.cmake
  DESTINATION ${srctrl_cmake_dir} COMPONENT Development)

file(RELATIVE_PATH srctrl_prefix_from_pcdir ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${PROJECT_SOURCE_DIR}/cmake/srctrl.pc.in ${PROJECT_BINARY_DIR}/srctrl.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/srctrl.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Development)
