# Native build: the portable core under AddressSanitizer and UndefinedBehaviorSanitizer.
find_package(GTest REQUIRED)
set(NIMBARA_SANITIZERS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

add_library(nimbara_portable STATIC ${NIMBARA_PORTABLE_SOURCES})
nimbara_target_setup(nimbara_portable)
target_compile_options(nimbara_portable PRIVATE ${NIMBARA_SANITIZERS} -g)
target_link_options(nimbara_portable PUBLIC ${NIMBARA_SANITIZERS})

add_subdirectory(tests/native)
# libFuzzer targets, built with clang for tools/fuzz.sh (see tools/fuzz/CMakeLists.txt).
add_subdirectory(tools/fuzz)
add_subdirectory(tools/bench/native)

add_test(NAME format COMMAND bash ${CMAKE_SOURCE_DIR}/tools/check-format.sh)
add_test(NAME layers COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/check-layers.py ${CMAKE_SOURCE_DIR})
