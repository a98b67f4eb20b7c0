# The Run benchmark: the whole program through its window against the job's
# floor, on databases of generated portraits. Run: dwindle_bench_run [N ...]
# Needs the test suites' database helper (DWINDLE_TESTS on).
# (An if block, not return(): this file is included by bench/CMakeLists.txt.)
if(TARGET dwindle_testdb)
  add_executable(dwindle_bench_run
    ${CMAKE_CURRENT_LIST_DIR}/RunBench.h
    ${CMAKE_CURRENT_LIST_DIR}/run_bench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_floor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_window.cpp)
  target_link_libraries(dwindle_bench_run PRIVATE dwindle_window dwindle_testdb dwindle_seed)
endif()
