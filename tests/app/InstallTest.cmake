# Installs the build into a fresh prefix and checks that the program, its desktop entry and its
# icons land where desktops look for them.
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch dir> -P InstallTest.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

set(icons "${PREFIX}/share/icons/hicolor")
foreach(f "${PREFIX}/bin/kolvar" "${PREFIX}/share/applications/kolvar.desktop"
          "${icons}/scalable/apps/kolvar.svg" "${icons}/48x48/apps/kolvar.png"
          "${icons}/256x256/apps/kolvar.png")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

execute_process(COMMAND test -x "${PREFIX}/bin/kolvar" RESULT_VARIABLE not_executable)
if(not_executable)
  message(FATAL_ERROR "bin/kolvar is not executable")
endif()

# A PNG's width and height are the two big-endian words after its 16-byte signature and header.
foreach(size 48 256)
  file(READ "${icons}/${size}x${size}/apps/kolvar.png" header OFFSET 16 LIMIT 8 HEX)
  math(EXPR expected_word "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${expected_word}" 2 -1 digits)
  string(LENGTH "${digits}" n)
  math(EXPR pad "8 - ${n}")
  string(REPEAT "0" ${pad} zeros)
  if(NOT header STREQUAL "${zeros}${digits}${zeros}${digits}")
    message(FATAL_ERROR "the ${size}x${size} icon is not ${size} x ${size}: ${header}")
  endif()
endforeach()

file(READ "${PREFIX}/share/applications/kolvar.desktop" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kolvar" "Exec=kolvar %F" "Icon=kolvar"
             "Categories=Graphics;2DGraphics;RasterGraphics;")
  string(FIND "\n${entry}" "\n${line}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "kolvar.desktop lacks the line: ${line}")
  endif()
endforeach()
