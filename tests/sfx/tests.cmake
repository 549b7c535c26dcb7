# The sfx tests build self-extractors in process: the test program carries the stub as the
# main program does.
KelvoraEmbedSfxStub(test_sfx)
# Layout and cipher read back by outside tools (pefile, openssl) from programs built by the CLI.
add_test(NAME sfx_layout_outside_readers
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/sfx/check_layout.sh ${CMAKE_BINARY_DIR}/sfx-layout $<TARGET_FILE:kelvora-cli>)
set_tests_properties(sfx_layout_outside_readers PROPERTIES LABELS sfx TIMEOUT 600 SKIP_RETURN_CODE 77)
add_dependencies(test_sfx kelvora-cli)
