kestrel_qt_test(smoke_tests XVFB LIBS Qt6::Gui SOURCES smoke_test.cpp)
target_compile_definitions(smoke_tests PRIVATE KESTREL_BINARY="$<TARGET_FILE:kestrel>")
add_dependencies(smoke_tests kestrel)
# The program unloads Mesa's driver before the leak check runs, so what the driver keeps for
# the life of the process shows up without a stack that a suppression could name: the
# program runs here without the leak check (the offscreen window tests keep it).
set_property(TEST smoke_tests APPEND PROPERTY ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
