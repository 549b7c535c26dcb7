# The view tests read archives made by Python's zipfile and Info-ZIP zip before the tests run.
set(KV_VIEWS_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/views)
add_test(NAME views_fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/views/make_fixtures.sh ${KV_VIEWS_FIXTURES})
set_tests_properties(views_fixtures PROPERTIES FIXTURES_SETUP views_fixtures LABELS views TIMEOUT 300)
target_compile_definitions(test_views PRIVATE KELVORA_VIEWS_FIXTURES_DIR="${KV_VIEWS_FIXTURES}")
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED views_fixtures)
