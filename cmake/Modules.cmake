# One static library per folder of the core, linked in the order of the
# layers: platform, present, storage and sysinfo, components, eventlog,
# journal. A module sees the headers of itself and of the modules it links,
# and no others: each module publishes an include view (a folder in the build
# tree holding one link named after the module), so that an include against
# the layers, say of "eventlog/..." from sysinfo/, fails to compile instead of
# silently tying the layers together.
set(TALLYVANE_INCLUDE_VIEWS "${PROJECT_BINARY_DIR}/include-views")

function(tallyvane_include_view target folder)
  set(view "${TALLYVANE_INCLUDE_VIEWS}/${target}")
  set(link "${view}/${folder}")
  get_filename_component(parent "${link}" DIRECTORY)
  file(MAKE_DIRECTORY "${parent}")
  if(NOT EXISTS "${link}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${link}" SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC "$<BUILD_INTERFACE:${view}>")
endfunction()

# tallyvane_module(<folder> [SOURCES <extra sources>...] [DEPENDS <modules>...])
# Builds <folder>/*.cpp (and the extra sources) as tallyvane_<folder> with the
# alias tallyvane::<folder>, linking the modules it builds on.
function(tallyvane_module folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
  set(target tallyvane_${folder})
  add_library(${target} STATIC ${sources} ${ARG_SOURCES})
  add_library(tallyvane::${folder} ALIAS ${target})
  tallyvane_include_view(${target} ${folder})
  foreach(dep IN LISTS ARG_DEPENDS)
    target_link_libraries(${target} PUBLIC tallyvane::${dep})
  endforeach()
  target_compile_definitions(${target} PUBLIC
    TALLYVANE_VERSION="${PROJECT_VERSION}"
    TALLYVANE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    TALLYVANE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    TALLYVANE_VERSION_PATCH=${PROJECT_VERSION_PATCH})
  tallyvane_warnings(${target})
endfunction()
