# Prints the program's size and the DLLs it imports, so that the build shows it needs only
# system libraries.
file(SIZE "${EXE}" size)
execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump)
string(REGEX MATCHALL "DLL Name: [^\n]+" dlls "${dump}")
string(REPLACE "DLL Name: " "" dlls "${dlls}")
message(STATUS "velqor.exe: ${size} bytes; imports: ${dlls}")
