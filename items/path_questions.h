// The file system's answers for a list of names: whether each exists and
// whether it is a directory, with one question per name (two for the UNC
// roots \\server and \\server\share), in either kind of text.
//
// On a local disk a question takes microseconds; on a share it is a round
// trip, and one to a disconnected share can take tens of seconds. So the
// names are asked one after another in the calling thread until a few
// questions in a row have each been slow, and from then on by a pool of
// threads that ask at once, the calling thread among them. One slow question
// proves nothing: on a loaded machine any question may wait for the
// processor now and then, and a thread costs memory and time to start. The
// threads only ask: each writes the answers of the names it took and nothing
// else. The call returns only when every thread that it started has ended,
// so every answer is read after its question returned, and no thread outlives
// it. A thread that cannot be created leaves its share to the others, and at
// worst all of it to the calling thread.
#pragma once

struct PathFacts {
    bool exists;
    bool isDirectory;
    // A symbolic link or a junction, from the same answer: "%^T" asks nothing
    // more to know whether a name leads elsewhere.
    bool isReparsePoint;
};

// How the questions are shared out; process-wide, so that tests can force
// the pool on (slowInRow 0) or off (threads 0).
struct QuestionPool {
    // Threads started beside the calling one, at most kMostPoolThreads.
    int threads;
    // A question that takes this long is slow.
    long long slowMicroseconds;
    // After this many slow questions in a row, the rest are asked by the pool.
    int slowInRow;
};

constexpr int kMostPoolThreads = 32;

extern QuestionPool questionPool;

// Answers facts[i] for names[i], for every i below count. A list asked in
// parts passes the same *slowInRow to each part, 0 before the first: how
// many of its last questions were slow, and so whether the pool is in use.
template <typename Char>
void AskAboutNames(const Char* const* names, int count, PathFacts* facts, int* slowInRow);
