# The TAR tests load tar.dll and read fixtures that GNU tar, bsdtar and Python make first.
set(KV_TAR_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/tar)
add_test(NAME tar_fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tar/make_fixtures.sh ${KV_TAR_FIXTURES})
set_tests_properties(tar_fixtures PROPERTIES FIXTURES_SETUP tar_fixtures LABELS tar TIMEOUT 600)
target_compile_definitions(test_tar PRIVATE KELVORA_FIXTURES_DIR="${KV_TAR_FIXTURES}")
add_dependencies(test_tar tar)
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED tar_fixtures)
