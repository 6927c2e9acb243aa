# Windows: the job is resource "BIN" 104 (Chinese, Simplified) of the DLL, found through the
# module at run time. The object library goes into the DLL and into the test program.
set(HEAD_TEST_JOB ${CMAKE_CURRENT_BINARY_DIR}/head_test_job.bin)
add_custom_command(OUTPUT ${HEAD_TEST_JOB}
  COMMAND head_test_job_generator ${HEAD_TEST_DESCRIPTION} ${HEAD_TEST_JOB}
  DEPENDS head_test_job_generator ${HEAD_TEST_DESCRIPTION}
  COMMENT "Generating the head-test job from head_test_job.txt"
  VERBATIM)
set(HEAD_TEST_RC ${CMAKE_CURRENT_BINARY_DIR}/head_test_job.rc)
file(GENERATE OUTPUT ${HEAD_TEST_RC} CONTENT
"#include <winres.h>
LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED
104 BIN \"${HEAD_TEST_JOB}\"
")
set_source_files_properties(${HEAD_TEST_RC} PROPERTIES OBJECT_DEPENDS ${HEAD_TEST_JOB})
add_library(head_test_job_resource OBJECT ${HEAD_TEST_RC})
add_custom_target(head_test_job_bin DEPENDS ${HEAD_TEST_JOB})
add_dependencies(head_test_job_resource head_test_job_bin)
