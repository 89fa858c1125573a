# Installs the build into a fresh temporary prefix and checks what a freedesktop desktop reads from it.
#   cmake -DBUILD_DIR=... -DPREFIX=... [-DVALIDATE=ON] -P CheckInstall.cmake
# Without VALIDATE: the executable, the menu entry and every icon are where a desktop looks, the entry names
# the installed executable and icon, and each PNG is as large as the folder it lies in says.
# With VALIDATE: desktop-file-validate accepts the installed entry; without the tool it says so and stops
# (CTest reads that line as a skip).
cmake_minimum_required(VERSION 3.25)

if(VALIDATE)
  find_program(VALIDATOR desktop-file-validate)
  if(NOT VALIDATOR)
    message("Skipped: desktop-file-validate is not installed (Debian package desktop-file-utils)")
    return()
  endif()
endif()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(entry "${PREFIX}/share/applications/ambertrove.desktop")
if(VALIDATE)
  execute_process(COMMAND "${VALIDATOR}" "${entry}" RESULT_VARIABLE result OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  # A valid entry passes without a word: hints and warnings fail as well.
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate rejects ${entry} (${result}):\n${output}")
  endif()
  return()
endif()

set(failures "")
set(executable "${PREFIX}/bin/ambertrove")
execute_process(COMMAND test -x "${executable}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  string(APPEND failures "  no executable at ${executable}\n")
endif()

# Each key of the entry, and the value it should have.
set(expected_Name "Ambertrove")
set(expected_Icon "ambertrove")
set(expected_TryExec "${executable}")
set(expected_Exec "\"${executable}\" --scan %f")
set(expected_Categories "Qt;Utility;FileTools;")
if(EXISTS "${entry}")
  file(STRINGS "${entry}" lines)
  foreach(key Name Icon TryExec Exec Categories)
    set(value "(none)")
    foreach(line IN LISTS lines)
      if(line MATCHES "^${key}=(.*)$")
        set(value "${CMAKE_MATCH_1}")
      endif()
    endforeach()
    if(NOT value STREQUAL expected_${key})
      string(APPEND failures "  the entry's ${key} is ${value}, not ${expected_${key}}\n")
    endif()
  endforeach()
else()
  string(APPEND failures "  no menu entry at ${entry}\n")
endif()

set(icons "${PREFIX}/share/icons/hicolor")
if(NOT EXISTS "${icons}/scalable/apps/ambertrove.svg")
  string(APPEND failures "  no scalable icon\n")
endif()
foreach(size 16 24 32 48 64 128 256 512)
  set(png "${icons}/${size}x${size}/apps/ambertrove.png")
  if(NOT EXISTS "${png}")
    string(APPEND failures "  no ${size}x${size} icon\n")
    continue()
  endif()
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  file(READ "${png}" header HEX OFFSET 16 LIMIT 8)
  string(SUBSTRING "${header}" 0 8 width)
  string(SUBSTRING "${header}" 8 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT width EQUAL size OR NOT height EQUAL size)
    string(APPEND failures "  the ${size}x${size} icon is ${width}x${height}\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "The install into ${PREFIX} misses:\n${failures}")
endif()
