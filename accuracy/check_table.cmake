# Fails when the accuracy table of docs/accuracy.md is not the one accuracy_table prints from the
# shipped data now, i.e. when a model or a measurement changed without scripts/accuracy.sh.
#   cmake -DTOOL=... -DSOURCE_DIR=... -P check_table.cmake
execute_process(COMMAND ${TOOL} ${SOURCE_DIR}/accuracy/measurements.tsv ${SOURCE_DIR}
                OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "accuracy_table failed (${status})")
endif()
file(READ ${SOURCE_DIR}/docs/accuracy.md doc)
set(begin "<!-- accuracy table: begin (scripts/accuracy.sh) -->")
set(end "<!-- accuracy table: end -->")
string(FIND "${doc}" "${begin}" from)
string(FIND "${doc}" "${end}" to)
if(from EQUAL -1 OR to EQUAL -1)
    message(FATAL_ERROR "docs/accuracy.md has lost its table markers")
endif()
string(LENGTH "${begin}" skip)
math(EXPR from "${from} + ${skip}")
math(EXPR length "${to} - ${from}")
string(SUBSTRING "${doc}" ${from} ${length} shown)
string(STRIP "${shown}" shown)
string(STRIP "${table}" table)
if(NOT shown STREQUAL table)
    message(FATAL_ERROR "docs/accuracy.md's table is not the one the shipped models give now: "
                        "run scripts/accuracy.sh")
endif()
