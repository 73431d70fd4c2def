# The Debian package: `cpack -G DEB` in the build folder (or the `package` target) makes
# kurimo_<version>-<release>_<arch>.deb from the install rules.

set(KURIMO_PACKAGE_MAINTAINER
  "Kurimo maintainers <maintainers@users.noreply.c-seed-199df21c.example>"
  CACHE STRING "Maintainer written into the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kurimo)
set(CPACK_PACKAGE_VENDOR "Kurimo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KURIMO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "water quality calculator for a closed bay (five-box model)")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Kurimo calculates the water quality of a closed bay that a river feeds and a
mouth joins to the open sea. From the bay's area and depth, the mouth, the
open-sea quality and the river's quality and flow it works out the residence
time, the closedness index and the load per volume, then runs a five-box model
of the bay and reports the mean concentration in the bay.

The package holds the desktop program kurimo, whose window is in Japanese,
and the batch runner kurimo-batch for the terminal.

閉鎖性海域水質計算 Kurimo: 湾の条件から水質指標と湾内平均水質を計算します。")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KURIMO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps names the packages of the shared libraries the programs link (Qt, the C++
# runtime, libc). It cannot see what Qt loads at run time or what the window's fonts map to:
# the platform plugins and the Japanese font are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic")
# Qt's own Japanese texts for its file dialogs and buttons; the window works without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
