# Pictures per second of the image object's re-encoding (load, decode, encode,
# save) beside the same work done by libjpeg alone. Run: build/bench/jpeg_bench
add_executable(jpeg_bench ${CMAKE_CURRENT_LIST_DIR}/jpeg_bench.cpp
               ${PROJECT_SOURCE_DIR}/tests/picture/codec/JpegFixtures.cpp)
target_include_directories(jpeg_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/picture/codec)
target_link_libraries(jpeg_bench PRIVATE dwindle_picture JPEG::JPEG)
