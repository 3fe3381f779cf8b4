# Compiler warnings and sanitizer flags shared by every target of the project.
function(kova_set_options target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(KOVA_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(NOT KOVA_SANITIZE STREQUAL "" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC's flow analysis is confused by sanitizer instrumentation and reports uninitialised
        # reads inside the standard library (std::function in <regex>); the normal build keeps it.
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()

if(KOVA_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(KOVA_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT KOVA_SANITIZE STREQUAL "")
    message(FATAL_ERROR "KOVA_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(KOVA_FUZZ)
    # Coverage feedback for libFuzzer in every object, plus ASan and UBSan to turn faults into crashes.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
