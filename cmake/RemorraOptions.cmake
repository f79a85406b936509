add_library(remorra_warnings INTERFACE)
target_compile_options(remorra_warnings INTERFACE -Wall -Wextra -Wpedantic)
# g++ 12 at -O3 reports overlapping copies inside libstdc++'s own string
# concatenation (a false positive fixed in g++ 13); it says nothing of ours.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(remorra_warnings INTERFACE -Wno-restrict)
endif()
if(REMORRA_WERROR)
  target_compile_options(remorra_warnings INTERFACE -Werror)
endif()

if(REMORRA_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(REMORRA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(REMORRA_SANITIZE STREQUAL "fuzzer")
  # Coverage for libFuzzer everywhere; only the fuzz targets link its main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(NOT REMORRA_SANITIZE STREQUAL "")
  message(FATAL_ERROR "Unknown REMORRA_SANITIZE value: ${REMORRA_SANITIZE}")
endif()
