# The sources of the image-file modules, in modules/: one list for the
# library build and for the fuzz build, so that neither can miss a file.
set(IK5_DIB_BLOCK_SOURCES DibBlock.cpp FileCompleteness.cpp FileSniffing.cpp JpegStructure.cpp)
set(IK5_FILE_SOURCES Ik5File.cpp QtDibConversion.cpp ColourConversion.cpp JpegCodec.cpp HeifDecoding.cpp
  TiffCmyk.cpp Upright.cpp)
list(TRANSFORM IK5_DIB_BLOCK_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/modules/)
list(TRANSFORM IK5_FILE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/modules/)
