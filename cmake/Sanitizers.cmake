# TONVIK_SANITIZE="address;undefined" or "thread". UBSan must not recover, or CI
# would see the report and still pass.
if(TONVIK_SANITIZE)
  string(REPLACE ";" "," _san "${TONVIK_SANITIZE}")
  add_compile_options(-fsanitize=${_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_san})
endif()
