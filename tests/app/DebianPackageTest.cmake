# Makes the Debian package from the build and checks its name, its dependencies (worked out by
# dpkg-shlibdeps) and that it carries the programs, desktop entry, metainfo, icons and manual
# pages.
#   cmake -DBUILD=<build dir> -DOUT=<scratch dir> -DAPP_ID=<id> -P DebianPackageTest.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND cpack -G DEB -B "${OUT}" WORKING_DIRECTORY "${BUILD}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${out}${err}")
endif()
file(GLOB debs "${OUT}/kolvar_*_amd64.deb")
list(LENGTH debs n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "expected one kolvar_<version>_amd64.deb in ${OUT}, found: ${debs}")
endif()

execute_process(COMMAND dpkg-deb -f "${debs}" Depends OUTPUT_VARIABLE depends)
foreach(dependency qt6-qpa-plugins libqt6widgets6 libqt6gui6 libjpeg62-turbo zlib1g)
  string(FIND "${depends}" "${dependency}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the package does not depend on ${dependency}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb -c "${debs}" OUTPUT_VARIABLE contents)
foreach(f usr/bin/kolvar usr/bin/kolvar-filter "usr/share/applications/${APP_ID}.desktop"
          "usr/share/metainfo/${APP_ID}.metainfo.xml" usr/share/icons/hicolor/48x48/apps/kolvar.png
          usr/share/man/man1/kolvar.1.gz usr/share/man/man1/kolvar-filter.1.gz)
  string(FIND "${contents}" "./${f}\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "the package lacks ${f}")
  endif()
endforeach()
