# The manual's pictures: scripts/make-manual-pictures run with this build's programs into a
# temporary folder (it starts a virtual X display of its own), against the manual's text and
# the pictures kept in docs/pictures.
kestrel_qt_test(manual_pictures_tests LIBS Qt6::Gui SOURCES manual_pictures_test.cpp)
target_compile_definitions(manual_pictures_tests PRIVATE KESTREL_BINARY="$<TARGET_FILE:kestrel>"
                                                         KESTREL_CLI_BINARY="$<TARGET_FILE:kestrel-cli>")
add_dependencies(manual_pictures_tests kestrel kestrel-cli)
# As for the smoke tests, the window's programs run without the leak check under xcb.
set_property(TEST manual_pictures_tests APPEND PROPERTY ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
set_tests_properties(manual_pictures_tests PROPERTIES TIMEOUT 180)
