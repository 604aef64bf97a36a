# Warnings are on for every target of the project and kept at zero.
add_compile_options(-Wall -Wextra)
if(RV_WERROR)
    add_compile_options(-Werror)
endif()
add_compile_definitions($<$<CONFIG:Debug>:_GLIBCXX_ASSERTIONS>)
