# A Debian package of the installed layout: cpack -G DEB --config build/CPackConfig.cmake
set(CPACK_PACKAGE_NAME zebhost)
set(CPACK_PACKAGE_VENDOR "zebhost developers")
set(CPACK_PACKAGE_CONTACT "zebhost developers <zebhost@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "link parts for a simple site CMS: category link lists and a diary calendar")
set(CPACK_PACKAGE_DESCRIPTION "zebhost loads the link-part module and runs it on a site folder: it \
regenerates the site's link-part pages (category link lists, the diary's month calendars), puts \
link parts into pages, and refreshes the pages that show them.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
# The library dependencies (gumbo, pugixml, uchardet, ncursesw, utf8proc) are read from the binaries,
# the libraries loaded on demand (lib/zebhost/libzebhost{serve,term,text}.so) included.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/bin")
include(CPack)
