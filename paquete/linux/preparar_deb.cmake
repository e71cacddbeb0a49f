# Run by cpack between the install into its staging folder and the packing:
# what Debian wants of a package beyond the installed files. Its manual pages
# and its changelog compressed by gzip -9n (best compression, no name or time
# stamp in the header); the changelog holds one entry, for this version.
file(GLOB_RECURSE manuales "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
file(GLOB documentos LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/${CPACK_PACKAGE_NAME}")
if(NOT manuales OR NOT documentos)
  message(FATAL_ERROR "no manual page or no share/doc/${CPACK_PACKAGE_NAME} under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()

string(TIMESTAMP fecha "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(changelog "${documentos}/changelog")
file(WRITE "${changelog}" "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Brenquil ${CPACK_PACKAGE_VERSION}. The README.md of its source tells what this
    version holds.

 -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${fecha}
")

foreach(archivo IN LISTS manuales changelog)
  execute_process(COMMAND gzip -9nf "${archivo}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
