kestrel_qt_test(window_tests LIBS kestrel_ui SOURCES window_test.cpp)
