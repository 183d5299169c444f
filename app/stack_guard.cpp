// The stack protector's guard and its failure, for the exe alone: libssp,
// which the compiler would otherwise link, draws its guard through advapi32,
// an import that every start would pay for. The guard is drawn as Windows
// compilers draw their stack cookie, from the clock, the performance counter,
// the process and thread ids and the stack's address, before WinMain runs.
#include <windows.h>
#include <stdint.h>

extern "C" {

uintptr_t __stack_chk_guard;

// An overrun stack is no state to clean up from.
__attribute__((noreturn)) void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), (UINT)STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}

}  // extern "C"

// Unguarded itself: it changes the guard that its own check would compare.
__attribute__((constructor, no_stack_protector)) static void DrawStackGuard()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uintptr_t guard = (uintptr_t)counter.QuadPart ^ (uintptr_t)&counter;
    guard ^= ((uintptr_t)now.dwHighDateTime << 13) ^ now.dwLowDateTime;
    guard ^= ((uintptr_t)GetCurrentProcessId() << 21) ^ GetCurrentThreadId();
    __stack_chk_guard = guard;
}
