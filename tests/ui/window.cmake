kestrel_qt_test(window_tests LIBS kestrel_ui SOURCES window_test.cpp)
kestrel_qt_test(window_document_tests LIBS kestrel_ui SOURCES window_document_test.cpp)
