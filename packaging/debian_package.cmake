# `./build.sh package`: a Debian package of what `cmake --install` installs, made by CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tollhaven)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tollhaven developers")
set(CPACK_PACKAGE_CONTACT "Tollhaven developers <team@tollhaven.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file manager for Motorola P2K handsets")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tollhaven.org/)
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tollhaven is a two-panel file manager for Motorola handsets of the P2K
platform. One panel shows a directory of the computer, the other the
handset's own file system; files are copied either way, deleted and given
new attribute bits, and patch files (.tlhv) install skins on the handset.
It talks to the handset over USB with no driver to install.
.
The package also holds tollhaven-cli, the same work from a terminal and
from scripts (including backups), and tollhaven-mount, which shows the
handset as a folder through FUSE. A udev rule lets the user logged in at
the machine reach the handset without root.")
# The libraries the programs link come from dpkg-shlibdeps. Qt loads its SVG image plug-in at run
# time, so no link names it. tollhaven-mount needs fusermount3 (fuse3), which its library does
# not bring; the other two programs do without it. Qt's platform plug-ins show the window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fuse3, qt6-qpa-plugins")
# Without it Qt shows its windows on Wayland through XWayland.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/debian/postinst ${CMAKE_CURRENT_LIST_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
