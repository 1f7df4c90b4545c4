# The headers a host program includes. They are installed side by side under include/srctrl/, so
# a host writes #include <srctrl/IReportCtrl.h>; in the source tree they stay in the folders of
# their code. The build lays them out as they are installed (build/include/srctrl/), with each
# #include "folder/Name.h" turned into #include "Name.h", and fails when a public header includes
# a header that is not in this list: a host must never need the library's private headers.
set(srctrl_public_headers
  control/IReportCtrl.h
  control/SrCtrl.h
  embed/ReportSurface.h
  embed/ReportSurfaceClient.h
  embed/SurfaceInput.h
  platform/editing/ISpellChecker.h
  platform/editing/Spelling.h
  printing/CUtil.h
  report/IKMReport.h
  report/KMReportSnapshot.h
  platform/ErrorCode.h
  platform/Export.h
  platform/Host.h
  platform/PdfPrinter.h
  platform/kmbase/KMString.h
  platform/kmdicom/KMDcmContentItem.h
  platform/kmdicom/KMDcmConvert.h
  platform/kmdicom/KMDcmDataset.h
  platform/kmdicom/KMDcmFile.h
  platform/kmdicom/KMDcmImageReference.h
  platform/kmdicom/KMDcmSR.h
  platform/kmdicom/KMDcmWindow.h
  platform/kmdicom/dcmtk.h
  platform/win32/GdiPlusStartup.h
  platform/win32/WinBitmap.h
  platform/win32/WinDef.h
  platform/win32/WinWindow.h
  platform/win32/Win32Names.h)

set(srctrl_public_include ${PROJECT_BINARY_DIR}/include)
set(srctrl_header_sources)
set(srctrl_header_outputs ${srctrl_public_include}/srctrl/SrCtrlVersion.h)
foreach(header IN LISTS srctrl_public_headers)
  get_filename_component(name ${header} NAME)
  list(APPEND srctrl_header_sources ${PROJECT_SOURCE_DIR}/${header})
  list(APPEND srctrl_header_outputs ${srctrl_public_include}/srctrl/${name})
endforeach()
string(REPLACE ";" "," srctrl_header_argument "${srctrl_public_headers}")
add_custom_command(OUTPUT ${srctrl_header_outputs}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DHEADERS=${srctrl_header_argument}
    -DVERSION_HEADER=${srctrl_generated}/SrCtrlVersion.h -DOUTPUT_DIR=${srctrl_public_include}/srctrl
    -P ${PROJECT_SOURCE_DIR}/cmake/LayOutHeaders.cmake
  DEPENDS ${srctrl_header_sources} ${srctrl_generated}/SrCtrlVersion.h ${PROJECT_SOURCE_DIR}/cmake/LayOutHeaders.cmake
  COMMENT "Laying out the public headers under include/srctrl")
add_custom_target(srctrl_public_headers ALL DEPENDS ${srctrl_header_outputs})
