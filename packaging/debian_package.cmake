# `make package` (the build's `package` target, or cpack in the build folder): a Debian package
# of everything `cmake --install` puts in place: the programs, the automation modules with their
# registry, the desktop entry, the .tvd file type, the icon and the manual. The desktop, MIME
# and icon caches are brought up to date by dpkg's triggers of those folders.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvr-tarvos)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KVR Tarvos")
set(CPACK_PACKAGE_CONTACT "KVR Tarvos maintainers <maintainers@users.noreply.c-seed-798e9257.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "BER measurement and END of digital-TV receivers")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "KVR Tarvos steps the C/N of a KVR test receiver's noise generator, measures the bit error
ratio at each step, draws the measured BER over S/N beside the theoretical curve of the
modulation (QAM / DVB-C, J.83/A, B and C, DVB-T, ATSC) and reports the END at a threshold BER.
.
The package holds the window program kvr-tarvos, the command-line program tarvos, the
instrument library KvrLib with a simulated receiver, and the user manual.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The programs' own libraries go with them; the rest comes from Debian. The diagram is drawn
# with an Arial-metric font, and the window needs Qt's platform plugins.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-qpa-plugins")
find_program(TARVOS_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TARVOS_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The programs' private runtime lies in the package itself.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
else()
  # Without dpkg-dev the libraries the programs link are named by hand.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
    ", libc6, libstdc++6, libgcc-s1, libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, libqt6svg6")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
# Only what the installation holds goes in; no source package.
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
