# Run by CPack once the release zips are written (CPACK_POST_BUILD_SCRIPTS):
# writes SHA256SUMS beside them, one line per zip in the form that
# `sha256sum -c` reads, so that a download can be checked against the list.
set(sums "")
foreach(zip IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${zip}" hash)
  get_filename_component(name "${zip}" NAME)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
