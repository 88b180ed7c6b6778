# Writes an assembler table that refers to every delay-load thunk of a module
# definition. GNU ld keeps a dlltool -y thunk only when its own symbol is
# referenced (a reference to its __imp_ slot alone leaves the slot at 0), and
# the table also pulls the thunks in before the system import libraries are
# searched, so the runtime's references bind to the delay-load slots.
# Usage: cmake -DDEF=<file.def> -DOUT=<file.s> -P delay_keep_table.cmake
file(STRINGS ${DEF} lines)
set(body "# Generated from ${DEF}; do not edit.\n.section .rdata,\"dr\"\n.p2align 2\n.globl _DelayLoadThunks\n_DelayLoadThunks:\n")
set(started OFF)
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "EXPORTS")
    set(started ON)
  elseif(started AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*(@[0-9]+)?)$")
    string(APPEND body "    .long _${CMAKE_MATCH_1}\n")
  endif()
endforeach()
file(WRITE ${OUT} "${body}")
