# Run when installing (install(SCRIPT)), after the menu entry is in place: its
# Exec names the installed executable by its full path, since the bin/ of a
# prefix (~/.local, /opt/...) need not be on the desktop's PATH, and the
# prefix is only known now (`cmake --install --prefix`). GV_ENTRY and GV_BINDIR
# are set before it runs.
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${GV_ENTRY}")
set(exe "${CMAKE_INSTALL_PREFIX}/${GV_BINDIR}/glorvane")
# A path with a character the entry's command line reserves is quoted, with
# '"', '`', '$' and '\' escaped in the quotes; the entry's string then doubles
# every backslash once more.
string(REGEX MATCH "[] \t\n\"'\\><~|&;$*?#()`[]" reserved "${exe}")
if(NOT reserved STREQUAL "")
  string(REPLACE "\\" "\\\\" exe "${exe}")
  string(REPLACE "\"" "\\\"" exe "${exe}")
  string(REPLACE "`" "\\`" exe "${exe}")
  string(REPLACE "$" "\\$" exe "${exe}")
  set(exe "\"${exe}\"")
  string(REPLACE "\\" "\\\\" exe "${exe}")
endif()
file(READ "${entry}" text)
string(REPLACE "\nExec=glorvane\n" "\nExec=${exe}\n" text "${text}")
file(WRITE "${entry}" "${text}")
