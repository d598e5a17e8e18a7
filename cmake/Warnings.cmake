# Every target of the project links this interface target: one place for the
# warning policy. Warnings are errors in the presets and CI
# (CMAKE_COMPILE_WARNING_AS_ERROR), never in a plain build: a packager's
# flags or a newer compiler may warn where ours does not.
add_library(deskmap_warnings INTERFACE)
target_compile_options(deskmap_warnings INTERFACE
  -Wall -Wextra -Wpedantic
  -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
  -Wcast-align -Wconversion -Wimplicit-fallthrough -Wmissing-declarations)
# GCC's own: clang (the fuzz build) rejects them under -Werror.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(deskmap_warnings INTERFACE -Wduplicated-cond -Wlogical-op)
endif()
