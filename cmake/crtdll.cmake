# The 32-bit programs that ship link against crtdll.dll, the C run-time DLL
# that every 32-bit Windows has from NT 3.1 and Windows 95 on, in place of
# msvcrt.dll, which the first Windows 95 release lacks. The default libraries
# are named one by one for that, last on every link line; the rest of the run
# time (libstdc++, libgcc, MinGW's own) is linked statically as elsewhere.
set(QM_CRTDLL_SHIMS ${CMAKE_SOURCE_DIR}/src/platform/win32/crtdll/crtdll_shims.c)
set(crtdll_runtime
    "-Wl,--start-group -lstdc++ -lmingw32 -lgcc -lgcc_eh -lmingwex -lcrtdll -lkernel32 -Wl,--end-group")
foreach(lang C CXX)
  set(CMAKE_${lang}_STANDARD_LIBRARIES "${crtdll_runtime} ${CMAKE_${lang}_STANDARD_LIBRARIES}")
endforeach()
string(APPEND CMAKE_EXE_LINKER_FLAGS " -nodefaultlibs")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " -nodefaultlibs")

# The names the run time asks of the C library that crtdll.dll lacks.
function(qm_link_with_crtdll target)
  target_sources(${target} PRIVATE ${QM_CRTDLL_SHIMS})
endfunction()
