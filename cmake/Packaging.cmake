# `cpack -G DEB` in the build tree: a Debian package of the installed layout.
set(CPACK_PACKAGE_NAME velmora-studio)
set(CPACK_PACKAGE_VENDOR "Velmora Studio")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Modular music studio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora Studio developers")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, jackd2")
include(CPack)
