# Every target of the project links tallyvox_build_options: the same warnings
# (errors in CI), the sanitizers of the chosen preset and Boost's assertion
# switch, without options that would also reach code the project does not own.
add_library(tallyvox_build_options INTERFACE)
target_compile_options(tallyvox_build_options INTERFACE -Wall -Wextra -Wpedantic)
if(TALLYVOX_WERROR)
  target_compile_options(tallyvox_build_options INTERFACE -Werror)
endif()

# Boost's checks (an empty shared pointer used) stay on in release builds too;
# the handler is in model/SharedPtrAssert.cpp.
target_compile_definitions(tallyvox_build_options INTERFACE BOOST_ENABLE_ASSERT_HANDLER)

if(TALLYVOX_SANITIZE)
  target_compile_options(tallyvox_build_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tallyvox_build_options INTERFACE -fsanitize=address,undefined)
endif()

if(TALLYVOX_TSAN)
  if(TALLYVOX_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer: choose one preset")
  endif()
  target_compile_options(tallyvox_build_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(tallyvox_build_options INTERFACE -fsanitize=thread)
endif()

if(TALLYVOX_FUZZ)
  # Library code gets coverage instrumentation; only the fuzz executables link the libFuzzer main.
  target_compile_options(tallyvox_build_options INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(tallyvox_build_options INTERFACE -fsanitize=address,undefined)
endif()
