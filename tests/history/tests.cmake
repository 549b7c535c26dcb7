# The history tests read a ZIP archive made by Info-ZIP zip and ask a version-information server
# on the loopback address that the fixture step starts (and the cleanup step stops).
set(KV_HISTORY_FIXTURES ${CMAKE_BINARY_DIR}/fixtures/history)
add_test(NAME history_fixtures COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/history/make_fixtures.sh start ${KV_HISTORY_FIXTURES})
set_tests_properties(history_fixtures PROPERTIES FIXTURES_SETUP history_fixtures LABELS history TIMEOUT 120)
add_test(NAME history_fixtures_stop COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/history/make_fixtures.sh stop ${KV_HISTORY_FIXTURES})
set_tests_properties(history_fixtures_stop PROPERTIES FIXTURES_CLEANUP history_fixtures LABELS history TIMEOUT 60)
target_compile_definitions(test_history PRIVATE KELVORA_HISTORY_FIXTURES_DIR="${KV_HISTORY_FIXTURES}")
list(APPEND KV_TEST_PROPERTIES FIXTURES_REQUIRED history_fixtures)
