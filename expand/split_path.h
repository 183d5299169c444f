// Path splitting: drive, folder, name and extension of a path, read as
// characters of the run's text so that the second unit of a character is
// never taken for a separator, a dot or a colon.
#pragma once
#include "system/long_path.h"
#include "system/text_rules.h"

constexpr int kPathPartSize = 260;
// Name and extension keep at most this many units each, as does the folder
// in the code page; in Unicode the folder keeps the longest path.
constexpr int kPathPartMaxLength = 255;
template <typename Char>
constexpr int kFolderMaxLength = sizeof(Char) == 1 ? kPathPartMaxLength : kLongestPath;

template <typename Char>
struct PathPartsOf {
    Char drive[kPathPartSize];
    Char folder[kFolderMaxLength<Char> + 1];
    Char name[kPathPartSize];
    Char extension[kPathPartSize];
};

using PathParts = PathPartsOf<char>;

template <typename Char>
void SplitPath(const Char* path, PathPartsOf<Char>* parts);
