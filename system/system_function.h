// Functions of the system DLLs that most runs never call (the Save As dialog,
// the shell, the URL cracker) are looked up on first use instead of being
// imported: loading those DLLs, and the ones they bring along, costs every
// start more than the work on a thousand items does.
#pragma once
#include <windows.h>

// The named export of the DLL of that name in the system folder (never one
// planted beside the exe or in the current folder), or null.
FARPROC LoadSystemFunction(const char* dllName, const char* functionName);

// The same, typed: LoadSystemFunctionAs<decltype(&GetSaveFileNameA)>(...).
template <typename Function>
Function LoadSystemFunctionAs(const char* dllName, const char* functionName)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(LoadSystemFunction(dllName, functionName)));
}
