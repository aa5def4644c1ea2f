# One interface target carries the language level, the warnings and the sanitizer switch, so
# every library, program and test of the project is built under the same rules.
add_library(vaultora_strict INTERFACE)
target_compile_features(vaultora_strict INTERFACE cxx_std_20)
target_compile_options(vaultora_strict INTERFACE -Wall -Wextra -Wpedantic)
if(VAULTORA_WERROR)
  target_compile_options(vaultora_strict INTERFACE -Werror)
endif()
target_compile_definitions(vaultora_strict INTERFACE $<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
if(VAULTORA_SANITIZE)
  # Undefined behaviour stops the program, so that a test meeting it fails instead of printing.
  target_compile_options(vaultora_strict INTERFACE -fsanitize=address,undefined
                         -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(vaultora_strict INTERFACE -fsanitize=address,undefined)
endif()
if(VAULTORA_FUZZ)
  # Everything is instrumented for coverage and checked; any sanitizer report ends the run.
  target_compile_options(vaultora_strict INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                         -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(vaultora_strict INTERFACE -fsanitize=address,undefined)
endif()
