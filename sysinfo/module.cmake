# The program's version information. Every program that links the core carries
# it: on Windows as its version resource (from sysinfo/version.rc.in), elsewhere
# as a VS_VERSIONINFO block in the ELF section ".tv_version", generated here
# from the project's name and version and read back by ReadVersionInfo.

if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(tallyvane_prerelease_default ON)
else()
  set(tallyvane_prerelease_default OFF)
endif()
option(TALLYVANE_PRERELEASE "Mark the program files as a pre-release" ${tallyvane_prerelease_default})

set(TALLYVANE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(TALLYVANE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(TALLYVANE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
if(PROJECT_VERSION_TWEAK)
  set(TALLYVANE_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
else()
  set(TALLYVANE_VERSION_BUILD 0)
endif()
set(TALLYVANE_FILE_VERSION
    "${TALLYVANE_VERSION_MAJOR}.${TALLYVANE_VERSION_MINOR}.${TALLYVANE_VERSION_PATCH}.${TALLYVANE_VERSION_BUILD}")
set(TALLYVANE_PRODUCT_NAME "Tallyvane Journal")
set(TALLYVANE_COMPANY_NAME "Tallyvane")
set(TALLYVANE_FILE_DESCRIPTION "Tallyvane Journal - when was this computer in use, and for how long")
set(TALLYVANE_COMMENTS "Builds the usage journal of this computer from its System event log")
set(TALLYVANE_COPYRIGHT "Copyright (C) 2026 Tallyvane")
set(TALLYVANE_INTERNAL_NAME "tallyvane")
if(TALLYVANE_PRERELEASE)
  set(TALLYVANE_VERSION_FLAGS "VS_FF_PRERELEASE")
  set(tallyvane_prerelease_flag 1)
else()
  set(TALLYVANE_VERSION_FLAGS "0")
  set(tallyvane_prerelease_flag 0)
endif()

if(WIN32)
  configure_file("${CMAKE_CURRENT_LIST_DIR}/version.rc.in"
                 "${PROJECT_BINARY_DIR}/generated/tallyvane_version.rc" @ONLY)
  target_sources(tallyvane_core INTERFACE "${PROJECT_BINARY_DIR}/generated/tallyvane_version.rc")
else()
  add_executable(tallyvane_make_version_section
    "${CMAKE_CURRENT_LIST_DIR}/tools/make_version_section.cpp"
    "${PROJECT_SOURCE_DIR}/platform/VersionResource.cpp"
    "${PROJECT_SOURCE_DIR}/platform/PeResources.cpp"
    "${PROJECT_SOURCE_DIR}/platform/Unicode.cpp"
    "${PROJECT_SOURCE_DIR}/platform/linux/MappedFile.cpp")
  target_include_directories(tallyvane_make_version_section PRIVATE "${PROJECT_SOURCE_DIR}")
  tallyvane_warnings(tallyvane_make_version_section)

  set(tallyvane_version_source "${PROJECT_BINARY_DIR}/generated/tallyvane_version_section.cpp")
  add_custom_command(
    OUTPUT "${tallyvane_version_source}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/generated"
    COMMAND tallyvane_make_version_section "${tallyvane_version_source}"
            ${TALLYVANE_VERSION_MAJOR} ${TALLYVANE_VERSION_MINOR} ${TALLYVANE_VERSION_PATCH}
            ${TALLYVANE_VERSION_BUILD} ${tallyvane_prerelease_flag}
            "CompanyName=${TALLYVANE_COMPANY_NAME}"
            "FileDescription=${TALLYVANE_FILE_DESCRIPTION}"
            "FileVersion=${TALLYVANE_FILE_VERSION}"
            "InternalName=${TALLYVANE_INTERNAL_NAME}"
            "LegalCopyright=${TALLYVANE_COPYRIGHT}"
            "Comments=${TALLYVANE_COMMENTS}"
            "ProductName=${TALLYVANE_PRODUCT_NAME}"
            "ProductVersion=${TALLYVANE_FILE_VERSION}"
    DEPENDS tallyvane_make_version_section
    COMMENT "Generating the version section"
    VERBATIM)
  add_custom_target(tallyvane_version_section DEPENDS "${tallyvane_version_source}")
  # Each program compiles the block into itself (an interface source of the
  # core), so it lands in every executable whatever the linker keeps of the
  # static library.
  target_sources(tallyvane_core INTERFACE "${tallyvane_version_source}")
  add_dependencies(tallyvane_core tallyvane_version_section)
endif()
