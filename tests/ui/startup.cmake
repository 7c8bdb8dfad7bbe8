# What kestrel's command line has the window do (--pane, --select, --menu), the prompts of a
# window no one watches, and Help "Kestrel Manual".
kestrel_qt_test(startup_window_tests LIBS kestrel_ui SOURCES startup_window_test.cpp)
