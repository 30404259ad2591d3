# The fuzz targets, shared by fuzz/CMakeLists.txt (libFuzzer builds) and the
# test command's replay of saved findings: four solve paths, each with its
# entry in mivex::api, the three readers, mivex_exact's MPS reader, and
# mivex_exact's whole path (reader and exact solve).
set(MIVEX_FUZZ_TARGETS sat lp milp cp dimacs lp_format cp_format mps exact)
set(MIVEX_FUZZ_ENTRY_sat solve_sat)
set(MIVEX_FUZZ_ENTRY_lp solve_lp_text)
set(MIVEX_FUZZ_ENTRY_milp solve_milp_text)
set(MIVEX_FUZZ_ENTRY_cp solve_cp_text)

# mivex_fuzz_executable(<name> <target> [<source>...]): the code of <target>
# (fuzz_solve.cpp or fuzz_read.cpp) with the given extra sources.
function(mivex_fuzz_executable name target)
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  if(target STREQUAL "exact")
    add_executable(${name} ${dir}/fuzz_solve.cpp ${ARGN})
    target_compile_definitions(${name} PRIVATE MIVEX_FUZZ_EXACT=1)
  elseif(DEFINED MIVEX_FUZZ_ENTRY_${target})
    add_executable(${name} ${dir}/fuzz_solve.cpp ${ARGN})
    target_compile_definitions(${name} PRIVATE MIVEX_FUZZ_SOLVE=${MIVEX_FUZZ_ENTRY_${target}})
  else()
    add_executable(${name} ${dir}/fuzz_read.cpp ${ARGN})
    target_compile_definitions(${name} PRIVATE MIVEX_FUZZ_READER_${target}=1)
  endif()
  target_link_libraries(${name} PRIVATE mivex_api mivex_exact)
endfunction()
