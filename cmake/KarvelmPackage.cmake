# The Debian package: everything `cmake --install` puts under the prefix, as one package
# "karvelm". Built by scripts/package.sh (release, prefix /usr) and, for the checks, from the
# dev build tree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME karvelm)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR KarvelM)
set(CPACK_PACKAGE_CONTACT "KarvelM support <support@karvelm.ru>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator, command-line tool and simulator for the KarvelM controller module")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://karvelm.ru/)
# The summary above is the synopsis line; this is the long description below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The KarvelM module is a PDP-11-compatible controller board that takes the
place of the processor and memory of legacy CNC controllers. This package
holds the tools a service engineer uses with it over USB or Ethernet:
 - KarvelMcfg, the desktop configurator and diagnostic console (Russian user
   interface): stored configurations, ROM page images, set-points, the
   console terminal, bus and board diagnostics, firmware updates;
 - karvelm, the command-line tool on the same core, for scripted backups,
   restores, updates and tests of many machines;
 - karvelm-sim, a simulated module served over UDP, for training and demos.
It also installs a udev rule that lets the user at the seat open the
module's USB HID device, manual pages and bash completion.")
# Library dependencies come from the binaries themselves (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/resources/debian/postinst ${PROJECT_SOURCE_DIR}/resources/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
