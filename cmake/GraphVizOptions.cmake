# What `cmake --graphviz` shows of this project: its libraries and programs
# and the links between them, without the tests, benchmarks, fuzz targets,
# interface targets and outside libraries. scripts/graph copies this file into
# its build tree as CMakeGraphVizOptions.cmake.
set(GRAPHVIZ_GRAPH_NAME "DIPVIEW")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "_tests$" "^dipview_test_main$" "bench" "^dipview_startup$"
                            "_fuzzer$" "^maths_check$" "_resources_")
