# Runs the window tests once more with Wine's display set to another DPI, then puts the display's
# DPI back as it was. Wine takes the DPI from the LogPixels value under HKCU\Control Panel\Desktop
# when a program starts.
#
#   cmake -DEMULATOR=<wine> -DTEST=<gui_tests.exe> -DDPI=<dpi> -DFILTER=<gtest filter> -P run_at_dpi.cmake
set(key "HKCU\\Control Panel\\Desktop")

execute_process(COMMAND ${EMULATOR} reg query "${key}" /v LogPixels
                OUTPUT_VARIABLE before ERROR_QUIET RESULT_VARIABLE query_result)
set(previous "")
if(query_result EQUAL 0 AND before MATCHES "LogPixels[ \t]+REG_DWORD[ \t]+0x([0-9a-fA-F]+)")
  math(EXPR previous "0x${CMAKE_MATCH_1}")
endif()

execute_process(COMMAND ${EMULATOR} reg add "${key}" /v LogPixels /t REG_DWORD /d ${DPI} /f
                OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE set_result)
if(NOT set_result EQUAL 0)
  message(FATAL_ERROR "could not set the display to ${DPI} DPI")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -E env QX_EXPECTED_DPI=${DPI}
                        ${EMULATOR} ${TEST} --gtest_filter=${FILTER} --gtest_brief=1
                RESULT_VARIABLE test_result)

if(previous STREQUAL "")
  execute_process(COMMAND ${EMULATOR} reg delete "${key}" /v LogPixels /f OUTPUT_QUIET ERROR_QUIET)
else()
  execute_process(COMMAND ${EMULATOR} reg add "${key}" /v LogPixels /t REG_DWORD /d ${previous} /f
                  OUTPUT_QUIET ERROR_QUIET)
endif()

if(NOT test_result EQUAL 0)
  message(FATAL_ERROR "the window tests failed at ${DPI} DPI (${test_result})")
endif()
