# The ZIP tests read fixtures that real tools (zip, python3 zipfile, 7-Zip) make before the
# tests run; a fixture test makes them once per change of the scripts.
set(KV_ZIP_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/zip)
add_test(NAME zip_fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/zip/make_fixtures.sh ${KV_ZIP_FIXTURES})
set_tests_properties(zip_fixtures PROPERTIES FIXTURES_SETUP zip_fixtures LABELS zip TIMEOUT 600)
target_compile_definitions(test_zip PRIVATE KELVORA_FIXTURES_DIR="${KV_ZIP_FIXTURES}")
add_dependencies(test_zip kelvora-cli)
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED zip_fixtures)
# Repaired archives read back by Info-ZIP unzip on the Linux side.
add_test(NAME zip_repair_interop
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/zip/check_repair_interop.sh ${KV_ZIP_FIXTURES}
    ${CMAKE_BINARY_DIR}/interop/repair $<TARGET_FILE:kelvora-cli>)
set_tests_properties(zip_repair_interop PROPERTIES FIXTURES_REQUIRED zip_fixtures LABELS zip TIMEOUT 300
  SKIP_RETURN_CODE 77)
