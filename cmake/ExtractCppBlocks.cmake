# Pulls the ```cpp code blocks of a markdown page into one C++ source, in page
# order, each preceded by a #line directive so that a compiler error names the
# line of the page. Only the output's contents are compared: an unchanged page
# leaves the file (and what depends on it) alone.
#
#   cmake -DINPUT=page.md -DOUTPUT=blocks.inc -P ExtractCppBlocks.cmake

cmake_minimum_required(VERSION 3.21)

if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DINPUT=page.md -DOUTPUT=file -P ExtractCppBlocks.cmake")
endif()

file(READ "${INPUT}" text)
string(REPLACE "\r\n" "\n" text "${text}")
set(result "// Generated from ${INPUT}: edit the page, not this file.\n")
set(opening "```cpp\n")
string(LENGTH "${opening}" opening_length)
set(rest "${text}")
set(consumed_lines 1) # line number of the first character of rest
set(blocks 0)
while(TRUE)
  string(FIND "${rest}" "${opening}" start)
  if(start EQUAL -1)
    break()
  endif()
  # Code starts on the line after the fence.
  string(SUBSTRING "${rest}" 0 ${start} before)
  string(REGEX MATCHALL "\n" newlines "${before}")
  list(LENGTH newlines count)
  math(EXPR code_line "${consumed_lines} + ${count} + 1")
  math(EXPR code_start "${start} + ${opening_length}")
  string(SUBSTRING "${rest}" ${code_start} -1 rest)
  string(FIND "${rest}" "\n```" stop)
  if(stop EQUAL -1)
    message(FATAL_ERROR "${INPUT}:${code_line}: code block without its closing fence")
  endif()
  math(EXPR stop_with_newline "${stop} + 1")
  string(SUBSTRING "${rest}" 0 ${stop_with_newline} code)
  string(APPEND result "\n#line ${code_line} \"${INPUT}\"\n${code}")
  math(EXPR blocks "${blocks} + 1")
  string(REGEX MATCHALL "\n" newlines "${code}")
  list(LENGTH newlines count)
  math(EXPR consumed_lines "${code_line} + ${count}")
  string(SUBSTRING "${rest}" ${stop_with_newline} -1 rest)
endwhile()
if(blocks EQUAL 0)
  message(FATAL_ERROR "${INPUT}: no ```cpp code blocks")
endif()
file(WRITE "${OUTPUT}.new" "${result}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
