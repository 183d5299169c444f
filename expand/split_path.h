// Path splitting: drive, folder, name and extension of a path, read as
// characters of the run's text so that the second unit of a character is
// never taken for a separator, a dot or a colon.
#pragma once
#include "system/text_rules.h"

constexpr int kPathPartSize = 260;
// Folder, name and extension keep at most this many units each.
constexpr int kPathPartMaxLength = 255;

template <typename Char>
struct PathPartsOf {
    Char drive[kPathPartSize];
    Char folder[kPathPartSize];
    Char name[kPathPartSize];
    Char extension[kPathPartSize];
};

using PathParts = PathPartsOf<char>;

template <typename Char>
void SplitPath(const Char* path, PathPartsOf<Char>* parts);
