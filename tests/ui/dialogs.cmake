kestrel_qt_test(dialog_tests LIBS kestrel_ui_dialogs SOURCES dialog_test.cpp)
