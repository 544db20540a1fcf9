# Windows build: Nimbara.exe, the Windows tests and the end-to-end tests (run under Wine).
enable_language(RC)

# shfolder before shell32: SHGetFolderPathA from shfolder.dll, which Windows NT 4 has too.
set(NIMBARA_WINDOWS_LIBS wininet mpr comctl32 shfolder shell32 gdi32 user32 advapi32 ole32)
set(NIMBARA_LINK_FLAGS -static -static-libgcc -static-libstdc++
    -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(APPEND NIMBARA_LINK_FLAGS -Wl,--high-entropy-va)
endif()

add_library(nimbara_portable OBJECT ${NIMBARA_PORTABLE_SOURCES})
nimbara_target_setup(nimbara_portable)

# Win32 code that every test program links: the foundation, the shared state and method, the
# service calls, and the web-folder place that follows the share a login stores.
set(NIMBARA_CORE_SOURCES
  base/registry.cpp
  base/osprobe.cpp
  base/httpclient.cpp
  core/method.cpp
  core/appstate.cpp
  service/frame.cpp
  service/auth.cpp
  service/quota.cpp
  drive/webfolder.cpp)
add_library(nimbara_core OBJECT ${NIMBARA_CORE_SOURCES})
nimbara_target_setup(nimbara_core)

# The application shell: start-up, the main window and the tray. Tests of the drive, the service
# and the dialog leave it out.
set(NIMBARA_APP_SOURCES app/tray.cpp app/mainwindow.cpp app/instance.cpp)
add_library(nimbara_app OBJECT ${NIMBARA_APP_SOURCES})
nimbara_target_setup(nimbara_app)

# The drive: mounting, the drive watch and opening. The tests of the main window and the dialog
# link recording versions instead.
set(NIMBARA_DRIVE_SOURCES drive/mount.cpp drive/drivewatch.cpp drive/open.cpp)
add_library(nimbara_drive OBJECT ${NIMBARA_DRIVE_SOURCES})
nimbara_target_setup(nimbara_drive)

# The properties dialog: the frame, one file per page, the hyperlink control they use and the
# update engine the Update page drives.
set(NIMBARA_DIALOG_SOURCES
  base/hyperlink.cpp
  ui/properties/frame.cpp
  ui/properties/general.cpp
  ui/properties/login.cpp
  ui/properties/settings.cpp
  ui/properties/update.cpp
  service/update.cpp
  ui/properties/info.cpp)
add_library(nimbara_dialog OBJECT ${NIMBARA_DIALOG_SOURCES})
nimbara_target_setup(nimbara_dialog)

# The effects tests replace at link time: notifications, pauses, the shell hand-over, the
# internet check and the drive list.
set(NIMBARA_SEAM_SOURCES app/notify.cpp base/pause.cpp base/shellopen.cpp app/internet.cpp
  drive/drivelist.cpp)
add_library(nimbara_seams OBJECT ${NIMBARA_SEAM_SOURCES})
nimbara_target_setup(nimbara_seams)

# Resources: the script is UTF-8 in the repository and Windows-1252 for windres.
set(NIMBARA_RES_DIR ${CMAKE_BINARY_DIR}/res)
set(NIMBARA_ICON_FILES ${NIMBARA_RES_DIR}/success_mark.ico ${NIMBARA_RES_DIR}/failure_mark.ico)
foreach(state connected not_connected)
  foreach(file ${state}_16.bin ${state}_32.bin ${state}_48.bin ${state}.grp)
    list(APPEND NIMBARA_ICON_FILES ${NIMBARA_RES_DIR}/${file})
  endforeach()
endforeach()
add_custom_command(
  OUTPUT ${NIMBARA_RES_DIR}/nimbara.rc ${NIMBARA_ICON_FILES} ${NIMBARA_RES_DIR}/nimbara.manifest
  COMMAND ${CMAKE_COMMAND} -E make_directory ${NIMBARA_RES_DIR}
  COMMAND iconv -f UTF-8 -t CP1252 ${CMAKE_SOURCE_DIR}/res/nimbara.rc -o ${NIMBARA_RES_DIR}/nimbara.rc
  COMMAND python3 ${CMAKE_SOURCE_DIR}/res/make_icons.py ${NIMBARA_RES_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/res/nimbara.manifest ${NIMBARA_RES_DIR}/
  DEPENDS ${CMAKE_SOURCE_DIR}/res/nimbara.rc ${CMAKE_SOURCE_DIR}/res/make_icons.py
          ${CMAKE_SOURCE_DIR}/res/nimbara.manifest ${CMAKE_SOURCE_DIR}/res/resource.h
  COMMENT "Preparing resources")
set_source_files_properties(${NIMBARA_RES_DIR}/nimbara.rc PROPERTIES
  OBJECT_DEPENDS "${NIMBARA_ICON_FILES};${NIMBARA_RES_DIR}/nimbara.manifest")
add_library(nimbara_resources OBJECT ${NIMBARA_RES_DIR}/nimbara.rc)
target_include_directories(nimbara_resources PRIVATE ${CMAKE_SOURCE_DIR}/res ${NIMBARA_RES_DIR}
  ${CMAKE_BINARY_DIR}/generated)

# The shipped program is compiled on its own, tuned for size, with the win32 thread model (see
# cmake/win32-thread-model.sh), the runtime pieces of base/runtime.cpp and std::string compiled
# in (base/runtime_strings.h).
function(nimbara_program target)
  add_executable(${target} WIN32 app/main.cpp base/runtime.cpp
    ${NIMBARA_PORTABLE_SOURCES} ${NIMBARA_CORE_SOURCES} ${NIMBARA_APP_SOURCES}
    ${NIMBARA_DRIVE_SOURCES} ${NIMBARA_DIALOG_SOURCES} ${NIMBARA_SEAM_SOURCES}
    $<TARGET_OBJECTS:nimbara_resources>)
  nimbara_target_setup(${target})
  target_compile_options(${target} PRIVATE -Os -ffunction-sections -fdata-sections
    "SHELL:-include ${CMAKE_SOURCE_DIR}/base/runtime_strings.h")
  set_target_properties(${target} PROPERTIES
    CXX_COMPILER_LAUNCHER ${CMAKE_SOURCE_DIR}/cmake/win32-thread-model.sh
    CXX_LINKER_LAUNCHER ${CMAKE_SOURCE_DIR}/cmake/win32-thread-model.sh)
  target_link_libraries(${target} PRIVATE ${NIMBARA_WINDOWS_LIBS})
  target_link_options(${target} PRIVATE ${NIMBARA_LINK_FLAGS} -Wl,--gc-sections
    $<$<CONFIG:Release>:-s>)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()
nimbara_program(Nimbara)
# The same program under another version: the update that the end-to-end tests install.
nimbara_program(Nimbara_next)
target_compile_definitions(Nimbara_next PRIVATE NIMBARA_CLIENT_VERSION="1.0.1")

# The per-user setup around this configuration's program (the 32-bit one is shipped; the 64-bit
# one is tested the same way).
find_program(NIMBARA_MAKENSIS makensis REQUIRED)
set(NIMBARA_SETUP ${CMAKE_BINARY_DIR}/bin/Nimbara-Setup-1.0.0.exe)
add_custom_command(OUTPUT ${NIMBARA_SETUP}
  COMMAND ${NIMBARA_MAKENSIS} -V2 -DPROGRAM=$<TARGET_FILE:Nimbara> -DOUTFILE=${NIMBARA_SETUP}
          ${CMAKE_SOURCE_DIR}/installer/nimbara.nsi
  DEPENDS Nimbara ${CMAKE_SOURCE_DIR}/installer/nimbara.nsi
  COMMENT "Building Nimbara-Setup-1.0.0.exe")
add_custom_target(setup ALL DEPENDS ${NIMBARA_SETUP})

# The Wine wrapper runs every Windows test program; CTest uses it as the emulator.
set(NIMBARA_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/tests/support/wine-run.sh ${NIMBARA_WINEPREFIX})

add_subdirectory(demo)
add_subdirectory(tests/support)
add_subdirectory(tests/win)
add_subdirectory(tests/e2e)
add_subdirectory(tools/bench)

# The shipped flags and the imports of the built program.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(NIMBARA_BITS 64)
else()
  set(NIMBARA_BITS 32)
endif()
add_test(NAME binary.Nimbara COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-binary.sh
  ${NIMBARA_OBJDUMP} $<TARGET_FILE:Nimbara> ${NIMBARA_BITS})
