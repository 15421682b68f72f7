# ASan + UBSan for the whole build when TALLYVANE_SANITIZE is on; libFuzzer
# targets add -fsanitize=fuzzer themselves.
if(TALLYVANE_SANITIZE OR TALLYVANE_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
if(TALLYVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
