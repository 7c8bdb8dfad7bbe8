# The Debian package, made by CPack from the install rules (./scripts/package). Its Depends
# come from dpkg-shlibdeps, which names the package of every shared library the programs
# load, so the list follows the libraries the build links and is never kept by hand.
set(KESTREL_PACKAGE_MAINTAINER "The Kestrel developers <kestrel@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "The Kestrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "model editor and keyframe animator for PlayStation 3-D models")
# One string: CPack writes it line by line as the long description.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Kestrel edits 3-D models in Sony's RSD format (PLY geometry, MAT materials,\n"
       "groups and TIM textures), imports 3D Studio ASC and 3DS Max ASE scenes, poses\n"
       "a skeleton into keyframes and writes TMD models and MIMe animation for\n"
       "PlayStation programs. kestrel is the main window, kestrel-cli the command-line\n"
       "tool for the same jobs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KESTREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xz makes the smallest package. The test builds package themselves in their tests
# (tests/install), and their unoptimised, instrumented programs are large: gzip packs them
# several times faster.
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
  set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
else()
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
endif()

# The package is made from what was built: installing never builds first, so that a package
# made from a build under test (tests/install) cannot rebuild the programs the other tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

include(CPack)
