# Lays a delivered file into the program folder unless the folder has one:
#   cmake -DSOURCE=<file> -DTARGET=<file> -P CopyIfMissing.cmake
# A file already there holds the user's own settings and is never replaced.
# The copy is made under a temporary name and renamed when complete.
if(NOT DEFINED SOURCE OR NOT DEFINED TARGET)
  message(FATAL_ERROR "CopyIfMissing.cmake needs -DSOURCE=... and -DTARGET=...")
endif()
if(EXISTS "${TARGET}")
  return()
endif()
get_filename_component(folder "${TARGET}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${SOURCE}" "${TARGET}.part")
file(RENAME "${TARGET}.part" "${TARGET}")
