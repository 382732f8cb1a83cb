# Sanitizer builds for the test command: ASan with UBSan for everything, TSan for the threaded parts, and
# the fuzz build: ASan with UBSan and libFuzzer's coverage hooks.
if(TARVEX_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT TARVEX_SANITIZER STREQUAL "")
        message(FATAL_ERROR "TARVEX_FUZZ needs clang (CC=clang-14 CXX=clang++-14) and no TARVEX_SANITIZER")
    endif()
    # Libraries take the hooks only; each fuzz target links libFuzzer's driver itself (fuzz/CMakeLists.txt).
    # -O1 on top of the Debug flags: fast enough to fuzz, asserts kept.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer -O1)
    add_link_options(-fsanitize=address,undefined)
elseif(TARVEX_SANITIZER STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(TARVEX_SANITIZER STREQUAL "thread")
    # Asio issues fences that TSan cannot model; GCC warns about each of them.
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
    add_link_options(-fsanitize=thread)
elseif(NOT TARVEX_SANITIZER STREQUAL "")
    message(FATAL_ERROR "TARVEX_SANITIZER must be address, thread or empty, not '${TARVEX_SANITIZER}'")
endif()
