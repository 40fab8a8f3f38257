# OpenCV's core and imgproc as the targets opencv_core and opencv_imgproc, visible in every folder
# of the project once this file is included.
#
# The cross build for Windows finds OpenCV's own CMake package in the prefix that
# scripts/build-windows fills (static libraries, zlib among their link dependencies). On Linux,
# Debian's libopencv-imgproc-dev gives the headers and libraries of core and imgproc but not the
# package, which comes only with libopencv-dev and every other module and its dependencies; there
# the two libraries are imported by name.
if(TARGET opencv_imgproc)
  return()
endif()

find_package(OpenCV 4 QUIET COMPONENTS core imgproc)
if(OpenCV_FOUND)
  set_target_properties(opencv_core opencv_imgproc PROPERTIES IMPORTED_GLOBAL TRUE)
  return()
endif()

find_path(LPC_OPENCV_INCLUDE opencv2/imgproc.hpp PATH_SUFFIXES opencv4)
find_library(LPC_OPENCV_CORE opencv_core)
find_library(LPC_OPENCV_IMGPROC opencv_imgproc)
if(NOT LPC_OPENCV_INCLUDE OR NOT LPC_OPENCV_CORE OR NOT LPC_OPENCV_IMGPROC)
  message(FATAL_ERROR "OpenCV core and imgproc not found: scripts/bootstrap installs "
    "libopencv-imgproc-dev (scripts/build-windows builds them for Windows)")
endif()
add_library(opencv_core UNKNOWN IMPORTED GLOBAL)
set_target_properties(opencv_core PROPERTIES
  IMPORTED_LOCATION ${LPC_OPENCV_CORE}
  INTERFACE_INCLUDE_DIRECTORIES ${LPC_OPENCV_INCLUDE})
add_library(opencv_imgproc UNKNOWN IMPORTED GLOBAL)
set_target_properties(opencv_imgproc PROPERTIES
  IMPORTED_LOCATION ${LPC_OPENCV_IMGPROC}
  INTERFACE_LINK_LIBRARIES opencv_core)
