# Sanitizer builds for the test command: ASan with UBSan for everything, TSan for the threaded parts.
if(TARVEX_SANITIZER STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(TARVEX_SANITIZER STREQUAL "thread")
    # Asio issues fences that TSan cannot model; GCC warns about each of them.
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
    add_link_options(-fsanitize=thread)
elseif(NOT TARVEX_SANITIZER STREQUAL "")
    message(FATAL_ERROR "TARVEX_SANITIZER must be address, thread or empty, not '${TARVEX_SANITIZER}'")
endif()
