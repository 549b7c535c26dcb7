# The main-window tests open archives made by Python's zipfile and Info-ZIP zip before they run.
set(KV_APP_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/app)
add_test(NAME app_fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/app/make_fixtures.sh ${KV_APP_FIXTURES})
set_tests_properties(app_fixtures PROPERTIES FIXTURES_SETUP app_fixtures LABELS app TIMEOUT 600)
target_compile_definitions(test_app PRIVATE KELVORA_APP_FIXTURES="${KV_APP_FIXTURES}")
add_dependencies(test_app kelvora)
# The self-extractor command builds programs from the stub the executable carries.
KelvoraEmbedSfxStub(test_app)
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED app_fixtures)
# Deletions through the window, read back by Info-ZIP unzip on the Linux side.
add_test(NAME app_delete_unzip
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/app/check_delete_unzip.sh ${CMAKE_BINARY_DIR}/app-delete-unzip
    $<TARGET_FILE:test_app>)
set_tests_properties(app_delete_unzip PROPERTIES FIXTURES_REQUIRED app_fixtures LABELS app TIMEOUT 600
  SKIP_RETURN_CODE 77)
