# The shell units every window stands on: the shared tool state and settings, the language
# support, the window frame, the dialog base and the door to message boxes and file dialogs.
# They form their own targets so that the lower layers' windows (palettes, filter dialogs,
# document windows) can derive from the frame without depending on the main window.
set(shell_dir "${PROJECT_SOURCE_DIR}/app")
set(KOLVAR_SHELL_CORE uKolvarGeneric uLanguagesSuport uPreferences uGlyphColors)
set(KOLVAR_SHELL_UI uFRMKolvarWnd uFRMDialog uLanguagesSuportWidget UserDialogsWidget uFRMHelp
    DrawGridWidget)

function(kolvar_shell_files out)
  set(files "")
  foreach(unit IN LISTS ARGN)
    list(APPEND files "${shell_dir}/${unit}.cpp" "${shell_dir}/${unit}.h")
  endforeach()
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

kolvar_shell_files(shell_core ${KOLVAR_SHELL_CORE})
kolvar_shell_files(shell_ui ${KOLVAR_SHELL_UI})
add_library(kolvar_shell STATIC ${shell_core})
target_include_directories(kolvar_shell PUBLIC "${PROJECT_SOURCE_DIR}")
target_link_libraries(kolvar_shell PUBLIC kolvar_raster kolvar_resources Qt6::Core Qt6::Gui)
add_library(kolvar_shell_ui STATIC ${shell_ui})
target_link_libraries(kolvar_shell_ui PUBLIC kolvar_shell Qt6::Widgets Qt6::PrintSupport)

# The app layer's own glob leaves these units to the shell targets.
set(KOLVAR_SHELL_EXCLUDE "/(${KOLVAR_SHELL_CORE};${KOLVAR_SHELL_UI})\\.(cpp|h)$")
string(REPLACE ";" "|" KOLVAR_SHELL_EXCLUDE "${KOLVAR_SHELL_EXCLUDE}")

# The help pages are built into the program; the viewer finds them under :/help.
file(GLOB help_pages CONFIGURE_DEPENDS "${shell_dir}/help/*.html" "${shell_dir}/help/*.css")
qt_add_resources(kolvar_shell_ui help PREFIX /help BASE "${shell_dir}/help" FILES ${help_pages})
