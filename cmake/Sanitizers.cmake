# One cache variable chooses the sanitizers for the whole build tree.
if(TESSARY_SANITIZE)
  set(_tessary_san_flags -fsanitize=${TESSARY_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${_tessary_san_flags})
  add_link_options(${_tessary_san_flags})
  message(STATUS "Tessary: sanitizers ${TESSARY_SANITIZE}")
endif()
