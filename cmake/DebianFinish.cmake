# Run by cpack after it made the Debian packages (CPACK_POST_BUILD_SCRIPTS, with the packages in
# CPACK_PACKAGE_FILES); finishes each as Debian's own tools would have made it:
#  - a shared library's package activates libc's ldconfig trigger, where CPack calls ldconfig from
#    postinst and postrm, and is Multi-Arch: same, as are the development packages;
#  - a -dbgsym package (CPack names its file .ddeb) has md5sums that list its files by their path
#    in the package (CPack writes the build folder's), its debug files are not executable, and
#    its documentation is its package's (a link to that package's folder, which holds the
#    copyright file and changelog).
# Each package is unpacked and built again with dpkg-deb, which checks its control file.
set(library_packages "^lib.*")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: ${errors}")
  endif()
endfunction()

# Adds the field line ADD (if any) to the control file in TREE and drops the field DROP (if any).
function(edit_control tree add drop)
  file(READ ${tree}/DEBIAN/control control)
  if(drop)
    string(REGEX REPLACE "\n${drop}: [^\n]*" "" control "${control}")
  endif()
  # CPack ends the paragraph with an empty line, which would start a second one.
  string(STRIP "${control}" control)
  if(add)
    string(APPEND control "\n${add}")
  endif()
  file(WRITE ${tree}/DEBIAN/control "${control}\n")
endfunction()

function(finish_package file)
  get_filename_component(folder ${file} DIRECTORY)
  get_filename_component(name ${file} NAME)
  string(REGEX REPLACE "_.*" "" package "${name}")
  set(tree ${folder}/${name}.tree)
  file(REMOVE_RECURSE ${tree})
  run(dpkg-deb -R ${file} ${tree})

  if(package MATCHES "-dbgsym$")
    string(REGEX REPLACE "-dbgsym$" "" owner "${package}")
    file(GLOB_RECURSE debug_files RELATIVE ${tree} ${tree}/usr/lib/debug/*)
    set(md5sums "")
    foreach(debug_file IN LISTS debug_files)
      file(CHMOD ${tree}/${debug_file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
      file(MD5 ${tree}/${debug_file} sum)
      string(APPEND md5sums "${sum}  ${debug_file}\n")
    endforeach()
    file(WRITE ${tree}/DEBIAN/md5sums "${md5sums}")
    file(MAKE_DIRECTORY ${tree}/usr/share/doc)
    file(CREATE_LINK ${owner} ${tree}/usr/share/doc/${package} SYMBOLIC)
    set(multiarch "")
    if(owner MATCHES "${library_packages}")
      set(multiarch "Multi-Arch: same")
    endif()
    edit_control(${tree} "${multiarch}" Package-Type)
  else()
    if(EXISTS ${tree}/DEBIAN/postinst)
      file(READ ${tree}/DEBIAN/postinst postinst)
      if(postinst MATCHES "ldconfig")
        file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
        file(WRITE ${tree}/DEBIAN/triggers "activate-noawait ldconfig\n")
      endif()
    endif()
    if(package MATCHES "${library_packages}")
      edit_control(${tree} "Multi-Arch: same" "")
    endif()
  endif()

  file(REMOVE ${file})
  run(dpkg-deb --root-owner-group -Zxz -b ${tree} ${file})
  file(REMOVE_RECURSE ${tree})
endfunction()

foreach(file IN LISTS CPACK_PACKAGE_FILES)
  finish_package(${file})
endforeach()
