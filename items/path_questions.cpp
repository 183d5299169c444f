// The pool that asks the file system about a list of names. See the header
// for its contract; the figures behind its settings are in the bench's
// README (tavrel-slow-200, tavrel-1000).
#include "items/path_questions.h"

#include <windows.h>

#include "system/long_path.h"
#include "system/system_calls.h"
#include "system/text_rules.h"

// Measured under Wine on 2 loaded cores: a local question takes 6 to 20 us,
// one about a missing name in a folder of 1000 files up to 0.9 ms, one on a
// drive whose every metadata answer takes 5 ms some 31 ms. There 16 threads
// ask 220 names in a twelfth of the time that one takes, 32 barely faster;
// under Wine each thread holds some 1 MiB while it lives. With a load of 25
// on the 2 cores, two local questions in a row sometimes took 2 ms each.
QuestionPool questionPool = {16, 5000, 3};

// The threads ask nothing but the file system, so a small stack will do; it
// is a reservation, not memory taken.
constexpr SIZE_T kPoolThreadStack = 256 * 1024;

template <typename Char>
struct Questions {
    const Char* const* names;
    PathFacts* facts;
    LONG count;
    // The next name that no thread has taken yet.
    volatile LONG next;
};

// One question to the file system answers both of the scanner's: on a network
// share each is a round trip, and a name that does not exist can cost a read
// of its whole folder. The UNC roots \\server and \\server\share are left
// to PathIsDirectoryA and PathFileExistsA, which have rules of their own for
// them.
template <typename Char>
static PathFacts AskPlainly(const Char* path)
{
    if (IsUncServerOrShare(path)) {
        bool isDirectory = IsDirectoryPath(path);
        return {isDirectory || PathExists(path), isDirectory, false};
    }
    DWORD attributes = FileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return {false, false, false};
    return {true, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
}

// A name past MAX_PATH units, which only Unicode gives, is asked in its long
// form, which Explorer's and typed names need not carry: made full and
// normal first, as that form takes the path as it stands.
static PathFacts AskFileSystem(const char* path) { return AskPlainly(path); }
static PathFacts AskFileSystem(const wchar_t* path)
{
    if (TextLength(path, kLongestPlainPath + 1) <= (size_t)kLongestPlainPath) return AskPlainly(path);
    wchar_t longForm[kLongPathFormSize];
    if (!LongPathForm(path, longForm, kLongPathFormSize)) return {false, false, false};
    return AskPlainly((const wchar_t*)longForm);
}

// Takes names until none is left; the interlocked count hands each name to
// exactly one thread.
template <typename Char>
static void AskInTurn(Questions<Char>* questions)
{
    for (LONG i; (i = InterlockedIncrement(&questions->next) - 1) < questions->count;)
        questions->facts[i] = AskFileSystem(questions->names[i]);
}

template <typename Char>
static DWORD WINAPI PoolThread(void* questions)
{
    AskInTurn(static_cast<Questions<Char>*>(questions));
    return 0;
}

// PathFileExists sets the process's error mode around its question and puts
// back what it found, which, with two threads at it, can be the other's
// setting: the mode from before the pool is restored once all have ended.
template <typename Char>
static void AskTogether(Questions<Char>* questions)
{
    HANDLE threads[kMostPoolThreads];
    int wanted = questionPool.threads < kMostPoolThreads ? questionPool.threads : kMostPoolThreads;
    if (wanted > questions->count - questions->next - 1) wanted = questions->count - questions->next - 1;
    UINT errorMode = GetErrorMode();
    int started = 0;
    for (; started < wanted; ++started) {
        threads[started] = CreateThread(nullptr, kPoolThreadStack, PoolThread<Char>, questions,
                                        STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!threads[started]) break;
    }
    AskInTurn(questions);
    if (started > 0) WaitForMultipleObjects(started, threads, TRUE, INFINITE);
    for (int i = 0; i < started; ++i) CloseHandle(threads[i]);
    SetErrorMode(errorMode);
}

static long long MicrosecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
}

template <typename Char>
void AskAboutNames(const Char* const* names, int count, PathFacts* facts, int* slowInRow)
{
    Questions<Char> questions = {names, facts, count, 0};
    while (questions.next < count && *slowInRow < questionPool.slowInRow) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        facts[questions.next] = AskFileSystem(names[questions.next]);
        ++questions.next;
        *slowInRow = MicrosecondsSince(start) >= questionPool.slowMicroseconds ? *slowInRow + 1 : 0;
    }
    if (questions.next < count) AskTogether(&questions);
}

template void AskAboutNames(const char* const*, int, PathFacts*, int*);
template void AskAboutNames(const wchar_t* const*, int, PathFacts*, int*);
