# Where the DLLs a windowed Windows build needs at run time are: Qt's bin
# folder, and the folders of the MinGW runtime (libstdc++, libgcc,
# winpthreads) and of zlib, as the cross compiler finds them.
#   qa_windows_runtime_dirs(OUT_VAR)
function(qa_windows_runtime_dirs out)
  set(dirs)
  get_target_property(core Qt6::Core IMPORTED_LOCATION_RELEASE)
  if(core)
    get_filename_component(dir "${core}" DIRECTORY)
    list(APPEND dirs "${dir}")
  endif()
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll zlib1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${file}" AND EXISTS "${file}")
      get_filename_component(dir "${file}" DIRECTORY)
      get_filename_component(dir "${dir}" REALPATH)
      list(APPEND dirs "${dir}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  set(${out} "${dirs}" PARENT_SCOPE)
endfunction()
