// The command-line tail: the process's command line without the program's
// own name, cut by the four rules in command_tail.cpp rather than by the C
// runtime's argument parsing, which treats quotes and TABs differently.
#pragma once
#include <wchar.h>

template <typename Char>
const Char* CommandLineTail(const Char* commandLine);
