// The file system's answers for a list of names: whether each exists and
// whether it is a directory, with one question per name (two for the UNC
// roots \\server and \\server\share), in either kind of text.
//
// On a local disk a question takes microseconds; on a share it is a round
// trip, and one to a disconnected share can take tens of seconds. So the
// names are asked one after another in the calling thread while that stays
// cheap, and once the questions have taken longer than a set time in all, by
// a pool of threads that ask at once, the calling thread among them. The
// threads only ask: each writes the answers of the names it took and nothing
// else. The call returns only when every thread that it started has ended,
// so every answer is read after its question returned, and no thread outlives
// it. A thread that cannot be created leaves its share to the others, and at
// worst all of it to the calling thread.
#pragma once

struct PathFacts {
    bool exists;
    bool isDirectory;
};

// How the questions are shared out; process-wide, so that tests can force
// the pool on (sequentialMicroseconds 0) or off (threads 0).
struct QuestionPool {
    // Threads started beside the calling one, at most kMostPoolThreads.
    int threads;
    // The questions of one list asked one after another for this long in
    // all, the rest are asked by the pool.
    long long sequentialMicroseconds;
};

constexpr int kMostPoolThreads = 32;

extern QuestionPool questionPool;

// Answers facts[i] for names[i], for every i below count. A list asked in
// parts passes the same *askedMicroseconds to each part, 0 before the first:
// the time its questions took one after another so far.
template <typename Char>
void AskAboutNames(const Char* const* names, int count, PathFacts* facts, long long* askedMicroseconds);
