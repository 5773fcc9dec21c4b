# Run by cpack once the packages' files are staged: libixstdf32.so.1 must
# export exactly the symbols of the symbols file, so that a symbol lost or
# added by mistake stops the package build instead of reaching users.
file(GLOB_RECURSE libs "${CPACK_TEMPORARY_DIRECTORY}/*/libixstdf32.so.1")
if(NOT libs)
  return()  # a package without the library
endif()
list(GET libs 0 lib)
execute_process(
  COMMAND dpkg-gensymbols -pinstari -v${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}
          -e${lib} -I${CPACK_PX_SYMBOLS_FILE} -O${CPACK_TOPLEVEL_DIRECTORY}/symbols.new -c4
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "libixstdf32.so.1 does not export what packaging/symbols lists:\n${out}")
endif()
