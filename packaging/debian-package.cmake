# `cpack -G DEB` in a build folder makes c64-sidewell_<version>_<arch>.deb from the install rules.
set(CPACK_PACKAGE_NAME c64-sidewell)
set(CPACK_PACKAGE_VENDOR "C64 Sidewell developers")
set(CPACK_PACKAGE_CONTACT "C64 Sidewell maintainers <maintainers@users.noreply.c-seed-b3890345.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for C64 pictures with sprites in the open side borders")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# x64sc runs the exported programs; Exomizer, which crunches them, is not in Debian.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS vice)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description under the summary line, in lines short enough for a terminal; CPack
# indents them as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION "C64 Sidewell shows a full-screen Commodore 64 picture (Koala Painter 2,
Advanced Art Studio 2.0, Wigmore Artist 64, Vidcom 64, Blazing Paddles or a
PETSCII Vellum screen) and up to 40 hardware sprites as a C64 shows them with
all four borders opened, the sprites standing in the side borders.

The sprites are selected and coloured in the window, the work is kept as a
project, and it is released as a PNG screenshot and as a self-running C64
program, optionally crunched with Exomizer.")

include(CPack)
