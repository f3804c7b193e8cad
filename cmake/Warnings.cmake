# The tree builds warning-free with -Wall -Wextra; CI turns warnings into errors.
option(TONVIK_WERROR "Treat warnings as errors" OFF)
add_compile_options(-Wall -Wextra)
if(TONVIK_WERROR)
  add_compile_options(-Werror)
endif()
