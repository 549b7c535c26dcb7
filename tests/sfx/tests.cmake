# The sfx tests build self-extractors in process: the test program carries the stub as the
# main program does.
KelvoraEmbedSfxStub(test_sfx)
# Layout and cipher read back by outside tools (pefile, openssl) from programs built by the CLI.
add_test(NAME sfx_layout_outside_readers
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/sfx/check_layout.sh ${CMAKE_BINARY_DIR}/sfx-layout $<TARGET_FILE:kelvora-cli>)
set_tests_properties(sfx_layout_outside_readers PROPERTIES LABELS sfx TIMEOUT 600 SKIP_RETURN_CODE 77)
add_dependencies(test_sfx kelvora-cli)
# Archives made by zip and Python's zipfile, with unzip's extraction as the expected tree.
set(KV_SFX_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/sfx)
add_test(NAME sfx_fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/sfx/make_fixtures.sh ${KV_SFX_FIXTURES})
set_tests_properties(sfx_fixtures PROPERTIES FIXTURES_SETUP sfx_fixtures LABELS sfx TIMEOUT 600)
target_compile_definitions(test_sfx PRIVATE KELVORA_SFX_FIXTURES="${KV_SFX_FIXTURES}")
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED sfx_fixtures)
