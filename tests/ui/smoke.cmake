kestrel_qt_test(smoke_tests XVFB LIBS Qt6::Gui SOURCES smoke_test.cpp)
target_compile_definitions(smoke_tests PRIVATE KESTREL_BINARY="$<TARGET_FILE:kestrel>")
add_dependencies(smoke_tests kestrel)
