# Installing Vexmoor, and its Debian package (CPack).
#
# On Linux, `cmake --install` puts:
#   bin/Vexmoor                         the program
#   bin/vexmoor                         the command: the program on the
#                                       system's D2XX library if there is one,
#                                       else on Vexmoor's serial-port driver
#   bin/vexmoor-demo                    the program on the simulated instrument
#   lib/vexmoor/plugins/libvexmoor_trend_window.so
#                                       the trend window (Qt Charts): the
#                                       program opens it from its bin/'s
#                                       ../lib/vexmoor/plugins the first time
#                                       the window is asked for
#   lib/vexmoor/driver/libftd2xx.so     Vexmoor's serial-port driver and
#   lib/vexmoor/sim/libftd2xx.so        the simulated instrument, each in a
#                                       private directory that no library
#                                       search visits
#   share/applications/vexmoor*.desktop menu entries for both commands
#   share/icons/hicolor/*/apps/vexmoor.png   the icon, made from src/res/*.xpm
#   lib/udev/rules.d/60-vexmoor.rules   access to the instrument for users
#   share/vexmoor/udev/61-vexmoor-vendor-driver.rules
#                                       optional, for FTDI's library: keeps the
#                                       instrument free of ftdi_sio
#   share/doc/vexmoor/                  README and the simulator's README
#
# `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr makes
# the package (scripts/package-check builds, installs and tries it).

include(GNUInstallDirs)

if(NOT TARGET app)
  # Built without the user interface: nothing to install.
  return()
endif()

install(TARGETS app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Fixed, not CMAKE_INSTALL_LIBDIR: the program finds it as
# ../${VEXMOOR_PLUGIN_FOLDER} from its own folder.
install(TARGETS trend_window_plugin
  LIBRARY DESTINATION ${VEXMOOR_PLUGIN_FOLDER}
  RUNTIME DESTINATION ${VEXMOOR_PLUGIN_FOLDER})

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(VEXMOOR_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the udev rule is installed, relative to the install prefix or absolute")
# Fixed, not CMAKE_INSTALL_LIBDIR: the launchers find them as ../lib/vexmoor/...
# from their own directory.
set(VEXMOOR_SIM_INSTALL_DIR "lib/vexmoor/sim")
set(VEXMOOR_DRIVER_INSTALL_DIR "lib/vexmoor/driver")

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${PROJECT_BINARY_DIR}/packaging)

# The commands users type: launchers that pick the driver library.
file(MAKE_DIRECTORY ${staged})
install(PROGRAMS ${packaging}/vexmoor ${packaging}/vexmoor-demo DESTINATION ${CMAKE_INSTALL_BINDIR})

# Vexmoor's own driver, only under its private directory.
if(TARGET serial_d2xx)
  install(TARGETS serial_d2xx LIBRARY DESTINATION ${VEXMOOR_DRIVER_INSTALL_DIR})
endif()

# The simulated instrument, only under its private directory.
install(TARGETS sim_d2xx
  LIBRARY DESTINATION ${VEXMOOR_SIM_INSTALL_DIR}
  RUNTIME DESTINATION ${VEXMOOR_SIM_INSTALL_DIR})

install(FILES ${packaging}/vexmoor.desktop ${packaging}/vexmoor-demo.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/60-vexmoor.rules DESTINATION ${VEXMOOR_UDEV_RULES_DIR})
install(FILES ${packaging}/udev/61-vexmoor-vendor-driver.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/vexmoor/udev)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexmoor)
install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vexmoor
  RENAME simulator.md)

# The icon theme's PNGs, drawn from the program's own XPM icons at build time:
# 16 and 32 as they are, larger sizes as whole-number enlargements of the 32.
add_executable(vexmoor_xpm2png ${packaging}/icons/xpm2png.cpp)
set(icon_files)
foreach(entry "16:Vexmoor16:1" "32:Vexmoor32:1" "48:Vexmoor16:3" "64:Vexmoor32:2"
              "128:Vexmoor32:4" "256:Vexmoor32:8")
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 size)
  list(GET entry 1 source)
  list(GET entry 2 factor)
  set(png ${staged}/icons/hicolor/${size}x${size}/apps/vexmoor.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}/icons/hicolor/${size}x${size}/apps
    COMMAND vexmoor_xpm2png ${PROJECT_SOURCE_DIR}/src/res/${source}.xpm ${factor} ${png}
    DEPENDS vexmoor_xpm2png ${PROJECT_SOURCE_DIR}/src/res/${source}.xpm
    COMMENT "Icon ${size}x${size} from ${source}.xpm"
    VERBATIM)
  list(APPEND icon_files ${png})
endforeach()
add_custom_target(vexmoor_icons ALL DEPENDS ${icon_files})
install(DIRECTORY ${staged}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vexmoor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reader and logger for the Quorvantex Z5 RevavaZevod USB thermometer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Vexmoor reads the two sensors of the Quorvantex Z5 RevavaZevod, a USB\n"
  "resistance thermometer, once a second and can record the readings into a\n"
  "text log (U_z5data.txt).\n"
  "\n"
  "It reaches the instrument through the serial port the kernel gives it\n"
  "(/dev/ttyUSB*), with a driver of its own that offers the same calls as\n"
  "FTDI's D2XX library; FTDI's library, when installed, is used instead. The\n"
  "vexmoor-demo command runs the program on a simulated instrument.")
set(CPACK_PACKAGE_CONTACT "Vexmoor maintainers <maintainers@vexmoor.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: computed from the binaries (the Qt 6 runtime, the C++ runtime).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt on a Wayland session without it runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/debian/postinst ${packaging}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
