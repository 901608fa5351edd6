# Installs the build into a fresh prefix and checks the tree a desktop needs: the program, its
# data (with the help pages), the icon in the hicolor sizes, the desktop entry and the session file type; then runs the
# installed program once, which must find its data by itself (no InstallPath set).
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(expected
  bin/vorna
  share/vorna/Internals/Noise/White.ogg
  share/vorna/Internals/Noise/Pink.ogg
  share/vorna/Internals/Noise/Brown.ogg
  share/vorna/Internals/Noise/White.ogg.f32
  share/vorna/Internals/Noise/Pink.ogg.f32
  share/vorna/Internals/Noise/Brown.ogg.f32
  share/vorna/Internals/marmstk1.raw
  "share/vorna/Sound Library/Suggestions/VORNA Voice/Breathwork/Breathe in.ogg"
  share/vorna/Help/help_files/index.html
  share/applications/vorna.desktop
  share/mime/packages/vorna.xml
  share/icons/hicolor/16x16/apps/vorna.png
  share/icons/hicolor/32x32/apps/vorna.png
  share/icons/hicolor/48x48/apps/vorna.png
  share/icons/hicolor/256x256/apps/vorna.png)
foreach(f IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "missing from the installed tree: ${f}")
  endif()
endforeach()

file(READ "${PREFIX}/share/applications/vorna.desktop" desktop)
foreach(line "Exec=vorna %f" "Icon=vorna" "MimeType=application/x-vorna-session;")
  string(FIND "${desktop}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
file(READ "${PREFIX}/share/mime/packages/vorna.xml" mime)
string(FIND "${mime}" "<glob pattern=\"*.vrx\"/>" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the MIME type does not claim *.vrx")
endif()

if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/vorna.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
endif()

# The installed program, run once: it plays briefly and names the data folder it found.
set(home "${PREFIX}/home")
file(MAKE_DIRECTORY "${home}")
file(WRITE "${home}/alsa-null.conf" "pcm.!default { type null }\n")
# The offscreen platform's own screen (800 x 800) is below what the program accepts.
file(WRITE "${home}/screen.json"
  "{\"screens\":[{\"name\":\"S\",\"x\":0,\"y\":0,\"width\":1280,\"height\":800,\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env HOME=${home} XDG_CONFIG_HOME=${home}/.config XDG_CONFIG_DIRS=${home}/etc-xdg
          XDG_RUNTIME_DIR=${home} ALSA_CONFIG_PATH=${home}/alsa-null.conf QT_QPA_PLATFORM=offscreen:configfile=${home}/screen.json
          VORNA_SELFTEST_PLAY_MS=500 "${PREFIX}/bin/vorna"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed program failed (${rc}): ${out} ${err}")
endif()
string(FIND "${out}" "data in ${PREFIX}/share/vorna" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the installed program did not find its data under the prefix: ${out}")
endif()
