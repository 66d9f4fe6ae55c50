# The nested product-only build of the 32-bit test build (see the top-level
# CMakeLists.txt): the same sources with the win32-thread compilers, linked
# with crtdll.dll. Its programs appear here as imported targets of the same
# names, so that the tests name them as if this build had made them.
include(ExternalProject)
set(QM_PRODUCT_BINARY_DIR ${CMAKE_BINARY_DIR}/product)

set(product_programs setup:src/setup.exe uninstal:src/UnInstal.exe demo_kestreln:demo/Kestreln.exe
    demo_taskman:demo/TaskMan.exe demo_kshell:demo/KShell.dll
    product_runtime_check:tests/platform/win32/product_runtime/product_runtime_check.exe)
set(product_files)
foreach(entry IN LISTS product_programs)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 1 file)
  list(APPEND product_files ${QM_PRODUCT_BINARY_DIR}/${file})
endforeach()

ExternalProject_Add(product
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${QM_PRODUCT_BINARY_DIR}
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw.cmake
             -DQM_MINGW_TARGET=i686 -DQM_MINGW_THREADS=win32 -DQM_PRODUCT_ONLY=ON
             -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${product_files}
  INSTALL_COMMAND "")

foreach(entry IN LISTS product_programs)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 name)
  list(GET entry 1 file)
  add_executable(${name} IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES IMPORTED_LOCATION ${QM_PRODUCT_BINARY_DIR}/${file})
  add_dependencies(${name} product)
endforeach()
