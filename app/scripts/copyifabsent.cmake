# cmake -DSOURCE=<file> -DTARGET=<file> -P copyifabsent.cmake
# Places a default file beside the executable unless the user already has one there.
if(NOT EXISTS "${TARGET}")
    get_filename_component(target_dir "${TARGET}" DIRECTORY)
    file(MAKE_DIRECTORY "${target_dir}")
    file(READ "${SOURCE}" content)
    file(WRITE "${TARGET}" "${content}")
endif()
