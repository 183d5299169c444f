// Path splitting: drive, folder, name and extension of a path, read as
// characters of the ANSI code page so that the second byte of a double-byte
// character is never taken for a separator, a dot or a colon. Also owns the
// code page's lead-byte table, read once at start-up.
#pragma once

constexpr int kPathPartSize = 260;
// Folder, name and extension keep at most this many bytes each.
constexpr int kPathPartMaxLength = 255;

struct PathParts {
    char drive[kPathPartSize];
    char folder[kPathPartSize];
    char name[kPathPartSize];
    char extension[kPathPartSize];
};

// Reads the ANSI code page's lead-byte ranges (GetACP, GetCPInfo).
void LoadCodePageLeadBytes();

// The lead bytes that LoadCodePageLeadBytes read, indexed by byte; inline
// below, as the expander asks about every candidate of every pass.
extern bool ansiLeadBytes[256];

// True when the byte starts a double-byte character of the ANSI code page.
inline bool IsAnsiLeadByte(unsigned char byte) { return ansiLeadBytes[byte]; }

// Bytes in the character at text: a lead byte and the byte after it form one
// character whatever that byte is, unless the text ends there.
inline int AnsiCharWidth(const char* text) { return (IsAnsiLeadByte((unsigned char)text[0]) && text[1]) ? 2 : 1; }

// True when the last character of text is a backslash; the second byte of a
// double-byte character may be 0x5C and is then no backslash.
bool EndsInBackslash(const char* text);

void SplitPath(const char* path, PathParts* parts);
