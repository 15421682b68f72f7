# Message files for the tests, made at build time by MinGW's windmc, windres
# and ld from the .mc sources beside this file:
#   events.dll        Unicode entries in English, German and French
#   params.dll        ANSI entries (Windows-1252), English
#   app.dll           no message table; its texts live in
#   en-US/app.dll.mui and de-DE/app.dll.mui
# Without the cross tools the tests that need these files skip.
find_program(TALLYVANE_WINDMC x86_64-w64-mingw32-windmc)
find_program(TALLYVANE_WINDRES x86_64-w64-mingw32-windres)
find_program(TALLYVANE_MINGW_LD x86_64-w64-mingw32-ld)
set(TALLYVANE_MESSAGE_FILES_DIR "")
if(TALLYVANE_WINDMC AND TALLYVANE_WINDRES AND TALLYVANE_MINGW_LD)
  set(src "${CMAKE_CURRENT_LIST_DIR}")
  set(out "${PROJECT_BINARY_DIR}/tests/message-files")
  set(TALLYVANE_MESSAGE_FILES_DIR "${out}")

  # name: the .mc file; mode: -U (Unicode entries) or -A (ANSI); target: the DLL.
  function(tallyvane_message_dll name mode target)
    set(work "${out}/work-${name}")
    add_custom_command(
      OUTPUT "${target}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${work}"
      COMMAND "${TALLYVANE_WINDMC}" -C 65001 -O 1252 ${mode} -b -r "${work}" -h "${work}"
              "${src}/${name}.mc"
      COMMAND "${TALLYVANE_WINDRES}" -I "${work}" "${work}/${name}.rc" -O coff
              -o "${work}/${name}.o"
      COMMAND "${TALLYVANE_MINGW_LD}" -shared --entry=0 -o "${target}" "${work}/${name}.o"
      DEPENDS "${src}/${name}.mc"
      WORKING_DIRECTORY "${work}/.."
      VERBATIM)
  endfunction()

  file(MAKE_DIRECTORY "${out}" "${out}/en-US" "${out}/de-DE")
  tallyvane_message_dll(events -U "${out}/events.dll")
  tallyvane_message_dll(params -A "${out}/params.dll")
  tallyvane_message_dll(app -U "${out}/app-all.dll")
  add_custom_command(
    OUTPUT "${out}/app.dll"
    COMMAND "${TALLYVANE_WINDRES}" "${src}/app.rc" -O coff -o "${out}/app-version.o"
    COMMAND "${TALLYVANE_MINGW_LD}" -shared --entry=0 -o "${out}/app.dll" "${out}/app-version.o"
    DEPENDS "${src}/app.rc"
    VERBATIM)
  # One satellite per language: the table of that language only, as Windows
  # splits them.
  foreach(lang IN ITEMS en-US de-DE)
    if(lang STREQUAL "en-US")
      set(id 0x409)
      set(rclang "LANGUAGE 0x9, 0x1")
      set(bin app_MSG00409.bin)
    else()
      set(rclang "LANGUAGE 0x7, 0x1")
      set(bin app_MSG00407.bin)
    endif()
    file(WRITE "${out}/work-app/mui-${lang}.rc" "${rclang}\n1 MESSAGETABLE \"${bin}\"\n")
    add_custom_command(
      OUTPUT "${out}/${lang}/app.dll.mui"
      COMMAND "${TALLYVANE_WINDRES}" -I "${out}/work-app" "${out}/work-app/mui-${lang}.rc"
              -O coff -o "${out}/work-app/mui-${lang}.o"
      COMMAND "${TALLYVANE_MINGW_LD}" -shared --entry=0 -o "${out}/${lang}/app.dll.mui"
              "${out}/work-app/mui-${lang}.o"
      DEPENDS "${out}/app-all.dll"
      VERBATIM)
    list(APPEND satellites "${out}/${lang}/app.dll.mui")
  endforeach()
  add_custom_target(tallyvane_test_message_files
    DEPENDS "${out}/events.dll" "${out}/params.dll" "${out}/app.dll" ${satellites})
endif()

# The FormatMessageW oracle, run under Wine by the comparison tests.
find_program(TALLYVANE_MINGW_CXX x86_64-w64-mingw32-g++-posix)
set(TALLYVANE_WINE_ORACLE "")
if(TALLYVANE_MINGW_CXX)
  set(TALLYVANE_WINE_ORACLE "${PROJECT_BINARY_DIR}/tests/format_message_oracle.exe")
  add_custom_command(
    OUTPUT "${TALLYVANE_WINE_ORACLE}"
    COMMAND "${TALLYVANE_MINGW_CXX}" -std=c++20 -O1 -static
            -o "${TALLYVANE_WINE_ORACLE}" "${PROJECT_SOURCE_DIR}/tests/platform/messages/format_message_oracle.cpp"
    DEPENDS "${PROJECT_SOURCE_DIR}/tests/platform/messages/format_message_oracle.cpp"
    VERBATIM)
  add_custom_target(tallyvane_wine_oracle DEPENDS "${TALLYVANE_WINE_ORACLE}")
endif()
