# Every target of the project links this interface target: one place for the
# warning policy, and warnings are errors.
add_library(deskmap_warnings INTERFACE)
target_compile_options(deskmap_warnings INTERFACE
  -Wall -Wextra -Werror -Wpedantic
  -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
  -Wcast-align -Wconversion -Wimplicit-fallthrough -Wmissing-declarations)
# GCC's own: clang (the fuzz build) rejects them under -Werror.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(deskmap_warnings INTERFACE -Wduplicated-cond -Wlogical-op)
endif()
