# Run by CPack on the staged files before it packs them (CPACK_PRE_BUILD_SCRIPTS):
# Debian keeps games' executables in /usr/games, which the menu entry then names
# instead of bin/ (the game finds its data from there as ../share/glorvane all the same).
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(EXISTS "${root}/bin/glorvane")
  file(MAKE_DIRECTORY "${root}/games")
  file(RENAME "${root}/bin/glorvane" "${root}/games/glorvane")
  file(GLOB left "${root}/bin/*")
  if(NOT left)
    file(REMOVE_RECURSE "${root}/bin")
  endif()
  file(GLOB entries "${root}/share/applications/*.desktop")
  foreach(entry ${entries})
    file(READ "${entry}" text)
    # The entry names the executable where the install put it.
    string(REGEX REPLACE "\nExec=[^\n]*/bin/glorvane\"?\n" "\nExec=${CPACK_PACKAGING_INSTALL_PREFIX}/games/glorvane\n" text "${text}")
    file(WRITE "${entry}" "${text}")
  endforeach()
endif()
