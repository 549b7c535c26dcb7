# The archives the creation writes are checked by other tools (unzip, bsdtar, Python's zipfile)
# after kelvora-cli wrote them under Wine: a script test beside the GoogleTest cases.
add_test(NAME zipcreate_interop
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/zipcreate/interop.sh ${CMAKE_BINARY_DIR}/interop/zipcreate
          $<TARGET_FILE:kelvora-cli> ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)
# The longest tests start first, so that they overlap the many short ones instead of ending the run.
set_tests_properties(zipcreate_interop PROPERTIES LABELS zipcreate TIMEOUT 900 COST 1000)
add_dependencies(test_zipcreate kelvora-cli)
