# The OpenGL device and pane surface, compared with the software device under Mesa.
kestrel_qt_test(gl_device_tests XVFB LIBS kestrel_ui_panes SOURCES gl_device_test.cpp)
