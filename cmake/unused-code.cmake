# Each function and datum gets its own section, and the linker leaves out the
# ones nothing refers to: RVClient's code shrinks by about a ninth, and the
# pages a run maps with it.
if(NOT RV_SANITIZE)
    add_compile_options(-ffunction-sections -fdata-sections)
    add_link_options(LINKER:--gc-sections)
endif()
