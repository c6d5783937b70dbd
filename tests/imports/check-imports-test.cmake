# The import check over variants of one saved `objdump -p` excerpt: the i686 program as the posix
# thread model linked it, importing GetTickCount64, which Windows XP lacks. One case per rule.
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch folder> -P check-imports-test.cmake
set(here ${CMAKE_CURRENT_LIST_DIR})
file(READ ${here}/posix-i686.txt posix)
string(REPLACE "\t9eb62\t  785  GetTickCount64\n" "" xp "${posix}")
file(MAKE_DIRECTORY ${WORK_DIR})
set(failures 0)

# Runs the check over `dump` for `arch` and `floor`: it must `outcome` (pass or fail) and
# print `pattern`.
function(expect case outcome pattern arch floor dump)
  file(WRITE ${WORK_DIR}/${case}.txt "${dump}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DDUMP=${WORK_DIR}/${case}.txt
    -DTABLE=${here}/table.csv -DARCH=${arch} -DFLOOR=${floor}
    -P ${SOURCE_DIR}/cmake/check-imports.cmake
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "[ \n]+" " " output "${output}")  # the message is wrapped
  if(outcome STREQUAL "pass")
    set(ok FALSE)
    if(result EQUAL 0)
      set(ok TRUE)
    endif()
  else()
    set(ok TRUE)
    if(result EQUAL 0)
      set(ok FALSE)
    endif()
  endif()
  if(NOT ok OR NOT output MATCHES "${pattern}")
    message(SEND_ERROR "${case}: expected the check to ${outcome} saying '${pattern}', "
      "it ended with ${result}: ${output}")
  else()
    message(STATUS "${case}: ${outcome}, as it should")
  endif()
endfunction()

# Every import listed and old enough, in any case of DLL name; the resource section after the
# imports is not read as imports (6 of them).
expect(xp pass "6 imports, all on Windows 5.1" i686 5.1 "${xp}")
# An import newer than the floor fails, naming it and the Windows it needs...
expect(vista_import fail "KERNEL32.dll!GetTickCount64 needs Windows Vista \\(6.0\\), newer than this build's floor 5.1"
  i686 5.1 "${posix}")
# ...and is accepted where the floor allows it.
expect(vista_import_on_vista pass "7 imports, all on Windows 6.0" x86_64 6.0 "${posix}")
# An import missing from the table fails, naming it.
string(REPLACE "Beep" "CreateFile2" unlisted "${xp}")
expect(unlisted fail "KERNEL32.dll!CreateFile2 is not in the imports table for i686" i686 5.1
  "${unlisted}")
# A row for the other architecture does not count.
string(REPLACE "Beep" "RtlVirtualUnwind" x64_only "${xp}")
expect(other_arch fail "KERNEL32.dll!RtlVirtualUnwind is not in the imports table for i686"
  i686 5.1 "${x64_only}")
expect(own_arch pass "6 imports, all on Windows 6.0" x86_64 6.0 "${x64_only}")
# The PE header's versions: the loader refuses a newer system or subsystem than it is.
string(REPLACE "MajorOSystemVersion\t4" "MajorOSystemVersion\t6" os_version "${xp}")
expect(os_version fail "Major/MinorOSystemVersion 6.0 is newer than this build's floor 5.1"
  i686 5.1 "${os_version}")
string(REPLACE "MajorSubsystemVersion\t4" "MajorSubsystemVersion\t6" subsystem "${xp}")
expect(subsystem_version fail "Major/MinorSubsystemVersion 6.0 is newer than this build's floor 5.1"
  i686 5.1 "${subsystem}")
# Not an objdump output at all: no imports is a failure, not a pass.
expect(empty fail "no imports found" i686 5.1 "nothing here\n")
