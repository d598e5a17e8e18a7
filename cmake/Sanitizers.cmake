# Sanitizers are chosen per build tree (see CMakePresets.json) and apply to
# every target, so the libraries and the tests run instrumented together.
if(DESKMAP_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
elseif(DESKMAP_SANITIZE STREQUAL "thread")
  # -Wno-tsan: Asio uses std::atomic_thread_fence, which TSan cannot model
  # and GCC warns about.
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
  add_link_options(-fsanitize=thread)
elseif(NOT DESKMAP_SANITIZE STREQUAL "")
  message(FATAL_ERROR "Unknown DESKMAP_SANITIZE value: ${DESKMAP_SANITIZE}")
endif()
