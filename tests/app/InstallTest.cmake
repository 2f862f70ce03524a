# Installs the build into a fresh prefix, stripped, and checks that the programs, the desktop
# entry, the AppStream metainfo, the icons and the manual pages land where desktops and man look
# for them, that the metainfo validates and the pages render without warnings, and that the
# programs answer --version and --help without a display.
#   cmake -DBUILD=<build dir> -DPREFIX=<scratch dir> -DAPP_ID=<id> -P InstallTest.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}" --strip
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

set(icons "${PREFIX}/share/icons/hicolor")
set(entry_file "${PREFIX}/share/applications/${APP_ID}.desktop")
set(metainfo "${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml")
set(man "${PREFIX}/share/man/man1")
foreach(f "${PREFIX}/bin/kolvar" "${PREFIX}/bin/kolvar-filter" "${entry_file}" "${metainfo}"
          "${icons}/scalable/apps/kolvar.svg" "${icons}/48x48/apps/kolvar.png"
          "${icons}/256x256/apps/kolvar.png" "${man}/kolvar.1.gz" "${man}/kolvar-filter.1.gz")
  if(NOT EXISTS "${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

foreach(program kolvar kolvar-filter)
  set(exe "${PREFIX}/bin/${program}")
  execute_process(COMMAND test -x "${exe}" RESULT_VARIABLE not_executable)
  if(not_executable)
    message(FATAL_ERROR "bin/${program} is not executable")
  endif()
  # A stripped program has no symbol table left.
  execute_process(COMMAND readelf -S "${exe}" OUTPUT_VARIABLE sections)
  string(FIND "${sections}" ".symtab" symtab)
  if(NOT symtab EQUAL -1)
    message(FATAL_ERROR "bin/${program} is not stripped")
  endif()
  # No display and no platform: a window would fail, so these must answer without one.
  foreach(option --version --help)
    execute_process(COMMAND env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "${exe}" ${option}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 20)
    if(NOT rc EQUAL 0 OR out STREQUAL "")
      message(FATAL_ERROR "${program} ${option} failed (${rc}): ${err}")
    endif()
  endforeach()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/kolvar" --version OUTPUT_VARIABLE version)
if(NOT version MATCHES "^kolvar [0-9]+\\.[0-9]+")
  message(FATAL_ERROR "kolvar --version printed: ${version}")
endif()

# The filter manual page names every filter and parameter --help lists.
execute_process(COMMAND "${PREFIX}/bin/kolvar-filter" --help OUTPUT_VARIABLE usage)
execute_process(COMMAND gzip -dc "${man}/kolvar-filter.1.gz" OUTPUT_VARIABLE page)
string(REPLACE "\\-" "-" page "${page}")
string(REGEX MATCHALL "(\n  [A-Za-z]+|--[a-z-]+)" names "${usage}")
foreach(name IN LISTS names)
  string(STRIP "${name}" name)
  string(FIND "${page}" "${name}" at)
  if(at LESS 0)
    message(FATAL_ERROR "kolvar-filter.1 does not mention ${name}: regenerate it with tools/make_filter_manpage.py")
  endif()
endforeach()

foreach(page kolvar kolvar-filter)
  execute_process(COMMAND sh -c "gzip -dc '${man}/${page}.1.gz' | groff -ww -man -Tutf8 -z"
                  RESULT_VARIABLE rc ERROR_VARIABLE warnings)
  if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "${page}.1 renders with warnings: ${warnings}")
  endif()
endforeach()

execute_process(COMMAND appstreamcli validate --no-net "${metainfo}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the metainfo does not validate: ${out}${err}")
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

file(READ "${entry_file}" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kolvar" "Exec=kolvar %F" "Icon=kolvar"
             "Categories=Graphics;2DGraphics;RasterGraphics;" "StartupWMClass=kolvar"
             "GenericName[pt]=Editor de imagens" "Comment[pt]=Pintar, retocar e converter imagens")
  string(FIND "\n${entry}" "\n${line}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "kolvar.desktop lacks the line: ${line}")
  endif()
endforeach()
