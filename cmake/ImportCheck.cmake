# Every Windows program and library we build must run with nothing of ours beside it:
# its imports may name only DLLs that are part of Windows (and, for the bridge, the engine).
if(WIN32)
  add_test(NAME imports_are_windows_only
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-imports.sh
            ${CMAKE_OBJDUMP} ${CMAKE_BINARY_DIR} ${CMAKE_BINARY_DIR}/wine)
endif()
