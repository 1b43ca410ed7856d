# Compiles COMPILE (a source under src/) with one file of src/, PLANT, copied
# beside the tree with FROM changed to TO (each "\n" in them a line break), and
# checks the answer: with EXPECT (a regular expression) the compiler must stop
# with a diagnostic that matches it; without, the compile must pass.
#   cmake -D COMPILER=... -D SOURCE_DIR=... -D WORK_DIR=... -D COMPILE=...
#         [-D PLANT=... -D FROM=... -D TO=...] [-D EXPECT=...] -P PlantAndCompile.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
if(PLANT)
  file(READ "${SOURCE_DIR}/src/${PLANT}" text)
  string(REPLACE "\\n" "\n" FROM "${FROM}")
  string(REPLACE "\\n" "\n" TO "${TO}")
  string(FIND "${text}" "${FROM}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "src/${PLANT} no longer holds the text to change: '${FROM}'")
  endif()
  string(REPLACE "${FROM}" "${TO}" planted "${text}")
  file(WRITE "${WORK_DIR}/${PLANT}" "${planted}")
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C
          "${COMPILER}" -std=c++20 -fsyntax-only "-I${WORK_DIR}" "-I${SOURCE_DIR}/src"
          "${SOURCE_DIR}/src/${COMPILE}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)
if(NOT EXPECT)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "src/${COMPILE} should compile:\n${out}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "src/${COMPILE} compiled with the change to src/${PLANT}")
elseif(NOT out MATCHES "${EXPECT}")
  message(FATAL_ERROR "src/${COMPILE} failed, but not with '${EXPECT}':\n${out}")
endif()
