# SPDX-License-Identifier: Apache-2.0
# Strict warnings for the project's own targets (third-party code is built without them).
function(vesk_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(VESK_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
