# The modification tests change archives that Info-ZIP zip and Python's zipfile make before the
# tests run (once per change of the scripts). The interop test then has the Windows side rewrite
# archives in every way and checks them with unzip, bsdtar and a raw comparison in Python.
set(KV_ZIPMODIFY_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/zipmodify)
add_test(NAME zipmodify_fixtures
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/zipmodify/make_fixtures.sh ${KV_ZIPMODIFY_FIXTURES})
set_tests_properties(zipmodify_fixtures PROPERTIES FIXTURES_SETUP zipmodify_fixtures LABELS zipmodify TIMEOUT 300)
add_test(NAME zipmodify_interop
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/zipmodify/check_interop.sh ${KV_ZIPMODIFY_FIXTURES}
    ${CMAKE_BINARY_DIR}/zipmodify-interop $<TARGET_FILE:kelvora-cli> $<TARGET_FILE:test_zipmodify>)
set_tests_properties(zipmodify_interop PROPERTIES FIXTURES_REQUIRED zipmodify_fixtures LABELS zipmodify
  TIMEOUT 900 SKIP_RETURN_CODE 77 COST 1000)
target_compile_definitions(test_zipmodify PRIVATE KV_MODIFY_FIXTURES_DIR="${KV_ZIPMODIFY_FIXTURES}")
add_dependencies(test_zipmodify kelvora-cli)
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED zipmodify_fixtures)
