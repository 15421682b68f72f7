# Warnings for every target of the project, in one place.
function(tallyvane_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(TALLYVANE_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
      -Wcast-align -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough
      -Wformat=2)
    if(TALLYVANE_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
