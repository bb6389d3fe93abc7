# Installation and the Debian package: scripts/package configures the release preset with
# Debian's build flags and builds the package target. The package holds the programs, a man
# page for each made from its --help, the README, the copyright file and the changelog, the
# demo folder, a 1920 x 1080 screen for running offscreen, and the kiosk's autostart entry,
# systemd user unit and settings file as examples that the clinic's IT copies into place; Qt,
# the fonts and the rest come from Debian as dependencies.
include(GNUInstallDirs)

set(ZARAVA_PACKAGE zarava-display)
set(ZARAVA_DATA_DIR ${CMAKE_INSTALL_DATAROOTDIR}/${ZARAVA_PACKAGE})
set(ZARAVA_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${ZARAVA_PACKAGE})

set(ZARAVA_PROGRAMS zarava-settings zarava-issuer-sim zarava-kiosk)
if(NOT ZARAVA_CORE_ONLY)
  list(PREPEND ZARAVA_PROGRAMS zarava-display)
endif()
install(TARGETS ${ZARAVA_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md resources/pictures/FONT-LICENSES.txt dist/copyright
        DESTINATION ${ZARAVA_DOC_DIR})
install(FILES dist/zarava-kiosk.desktop dist/kiosk.conf dist/offscreen-1920x1080.json
        DESTINATION ${ZARAVA_DATA_DIR})
install(FILES dist/zarava-kiosk.service DESTINATION lib/systemd/user)
install(FILES dist/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides
        RENAME ${ZARAVA_PACKAGE})
install(DIRECTORY demo/ DESTINATION ${ZARAVA_DATA_DIR}/demo)

# The changelog's newest entry names this version; its date is the date of the man pages, so a
# build made again gives the same bytes.
file(STRINGS dist/changelog _zarava_changelog)
list(GET _zarava_changelog 0 _zarava_newest)
if(NOT _zarava_newest MATCHES "^${ZARAVA_PACKAGE} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "dist/changelog starts with \"${_zarava_newest}\": it needs an entry for "
                      "${PROJECT_VERSION} first")
endif()
foreach(line IN LISTS _zarava_changelog)
  if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(_zarava_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND _zarava_months ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
    string(LENGTH "${month}" digits)
    if(digits EQUAL 1)
      set(month "0${month}")
    endif()
    set(ZARAVA_RELEASE_DATE "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}")
    break()
  endif()
endforeach()
set(_zarava_changelog_gz ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${_zarava_changelog_gz}
                   COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/dist/changelog > ${_zarava_changelog_gz}
                   DEPENDS dist/changelog VERBATIM)
add_custom_target(changelog ALL DEPENDS ${_zarava_changelog_gz})
install(FILES ${_zarava_changelog_gz} DESTINATION ${ZARAVA_DOC_DIR})

option(ZARAVA_MAN_PAGES "Make a man page of each program from its --help (needs help2man)" OFF)
if(ZARAVA_MAN_PAGES)
  find_program(ZARAVA_HELP2MAN help2man REQUIRED)
  find_program(ZARAVA_GZIP gzip REQUIRED)
  set(_zarava_summary_zarava-display "waiting-room call display of a clinic reception-ticket system")
  set(_zarava_summary_zarava-settings "read or write one value of the display's settings file")
  set(_zarava_summary_zarava-issuer-sim "play a clinic's reception against a program folder")
  set(_zarava_summary_zarava-kiosk "start the waiting-room display whenever the ticket issuer runs")
  set(_zarava_man_pages)
  foreach(program IN LISTS ZARAVA_PROGRAMS)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    # Sections of the page that --help does not give (files, see also), where there are any.
    set(extra ${CMAKE_SOURCE_DIR}/dist/man/${program}.h2m)
    set(extra_depends)
    if(EXISTS ${extra})
      set(extra_depends ${extra})
    endif()
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${ZARAVA_HELP2MAN} --no-info --section=1 --manual=zarava-display
              --source=zarava-display --version-string=${PROJECT_VERSION}
              "--name=${_zarava_summary_${program}}"
              --opt-include=${extra}
              --output=${page}.in $<TARGET_FILE:${program}>
      # help2man dates the page with the month of the build; man readers want a whole date.
      COMMAND sed "1,/^\\.TH/s/^\\(\\.TH [^ ]* \"1\"\\) \"[^\"]*\"/\\1 \"${ZARAVA_RELEASE_DATE}\"/"
              ${page}.in > ${page}
      COMMAND ${ZARAVA_GZIP} -9nf ${page}
      DEPENDS ${program} ${extra_depends}
      COMMENT "Man page of ${program}"
      VERBATIM)
    list(APPEND _zarava_man_pages ${page}.gz)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${_zarava_man_pages})
  install(FILES ${_zarava_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${ZARAVA_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "zarava-display maintainers <maintainers@users.noreply.c-seed-1d46dad8.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "waiting-room call display for clinic reception tickets")
# Debian wants the lines of the long description within 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Shows the called tickets, the waiting numbers and a news ticker of up\n"
       "to six consultation rooms on the waiting room's monitors, reading the\n"
       "ticket issuer's shared program folder. zarava-kiosk starts the display\n"
       "whenever the issuer runs, on a PC that does not run the issuer itself.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries (Qt, X11) from what the programs link; the Qt plugins the display loads at run time
# (xcb screens, GIF and JPEG pictures, the multimedia back ends) ship in those same Qt packages.
# The fonts are read by name, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cifs-utils, x11-xserver-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
