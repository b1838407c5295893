# quillet_fixtures(<target> <folder>): builds the test packages with Debian's aapt into <folder>
# (and aapt2) from the sources under fixtures/, again whenever they change.
set(QUILLET_FIXTURE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/make-fixtures.sh)
set(QUILLET_FIXTURE_REWRITER ${CMAKE_CURRENT_LIST_DIR}/make-modern.py)
set(QUILLET_FIXTURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/fixtures)
function(quillet_fixtures target folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${QUILLET_FIXTURE_SOURCES}/*)
  add_custom_command(OUTPUT ${folder}/stamp
    COMMAND ${QUILLET_FIXTURE_SCRIPT} ${folder}
    DEPENDS ${QUILLET_FIXTURE_SCRIPT} ${QUILLET_FIXTURE_REWRITER} ${sources}
    COMMENT "Building Quillet's test packages with aapt")
  add_custom_target(${target} ALL DEPENDS ${folder}/stamp)
endfunction()
