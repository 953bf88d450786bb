# The Debian package: `cpack -G DEB` in the build folder writes
# verdane_<version>_amd64.deb with everything `cmake --install` puts in place.
# dpkg-shlibdeps finds the run-time libraries (Qt 6, OpenSSL, libzip) the programs
# link, so the package depends on exactly the Debian packages that provide them.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verdane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Verdane")
set(CPACK_PACKAGE_CONTACT "The Verdane developers <verdane@verdane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of Japanese texts and Palm DOC databases for Palm OS handhelds")
set(CPACK_PACKAGE_DESCRIPTION
  "Verdane edits Japanese plain text (Shift-JIS) and reads and writes Palm DOC
e-text databases (.pdb, .prc). It converts JIS, EUC-JP and UTF-8 texts to
Shift-JIS, turns HTML into plain text, opens web pages from their URL (HTTP and
HTTPS, also through a proxy), inserts dates, times and fixed phrases, and
queues finished databases for a handheld user's next synchronisation.
.
verdane-cli does the same conversions without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds the translations of its own dialogs and buttons there; the window
# shows Japanese text with the IPA fonts; xdg-open opens the install folder.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
