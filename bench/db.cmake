# The picture store's throughput and memory: pictures read through the listing
# and written with UpdateImage, and the peak memory for 200 against 20000 rows
# of 100 KB pictures. Run: build/bench/db_bench [ROWS ...]   (default 200 20000)
# Needs the test suites' database helper (DWINDLE_TESTS on).
if(TARGET dwindle_testdb)
  add_executable(db_bench ${CMAKE_CURRENT_LIST_DIR}/db_bench.cpp)
  target_include_directories(db_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/db)
  target_link_libraries(db_bench PRIVATE dwindle_db dwindle_testdb)
endif()
