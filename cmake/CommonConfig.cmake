# One target carries the language standard, warnings and defines; every target links it.
add_library(zarava_common INTERFACE)
target_compile_features(zarava_common INTERFACE cxx_std_20)
# Design tables name only the fields that differ from the defaults (designated initialisers);
# g++ would warn about every other field.
target_compile_options(zarava_common INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
target_compile_definitions(zarava_common INTERFACE _FILE_OFFSET_BITS=64)
# windows.h without its min and max macros, which break std::min and std::max, and without the
# rarely used parts that slow every build.
if(WIN32)
  target_compile_definitions(zarava_common INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN)
endif()
if(ZARAVA_WERROR)
  target_compile_options(zarava_common INTERFACE -Werror)
endif()

set(ZARAVA_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, 'address;undefined' or 'thread'")
if(ZARAVA_SANITIZE)
  list(JOIN ZARAVA_SANITIZE "," _zarava_san)
  target_compile_options(zarava_common INTERFACE -fsanitize=${_zarava_san} -fno-omit-frame-pointer
                                                 -fno-sanitize-recover=all)
  target_link_options(zarava_common INTERFACE -fsanitize=${_zarava_san})
endif()
