# Every target of the project gets the same warnings; CI turns them into errors.
add_compile_options(-Wall -Wextra -Wpedantic)
if(TALLYVOX_WERROR)
  add_compile_options(-Werror)
endif()

if(TALLYVOX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TALLYVOX_TSAN)
  if(TALLYVOX_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer: choose one preset")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(TALLYVOX_FUZZ)
  # Library code gets coverage instrumentation; only the fuzz executables link the libFuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
