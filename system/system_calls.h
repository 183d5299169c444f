// The system's functions that a run calls on its text, for either kind of
// text: the ANSI function for bytes of the code page, the Unicode one for
// UTF-16. The pipeline above calls these names and never picks a form itself.
#pragma once
#include <windows.h>
#include <shlwapi.h>

inline void CopyText(char* to, const char* from, int size) { lstrcpynA(to, from, size); }
inline void CopyText(wchar_t* to, const wchar_t* from, int size) { lstrcpynW(to, from, size); }

inline HANDLE OpenForReading(const char* path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
inline HANDLE OpenForReading(const wchar_t* path)
{
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline DWORD FileAttributes(const char* path) { return GetFileAttributesA(path); }
inline DWORD FileAttributes(const wchar_t* path) { return GetFileAttributesW(path); }

inline bool IsDirectoryPath(const char* path) { return PathIsDirectoryA(path) != FALSE; }
inline bool IsDirectoryPath(const wchar_t* path) { return PathIsDirectoryW(path) != FALSE; }

inline bool PathExists(const char* path) { return PathFileExistsA(path) != FALSE; }
inline bool PathExists(const wchar_t* path) { return PathFileExistsW(path) != FALSE; }

inline void AddBackslash(char* path) { PathAddBackslashA(path); }
inline void AddBackslash(wchar_t* path) { PathAddBackslashW(path); }

inline bool IsUncServerOrShare(const char* path) { return PathIsUNCServerA(path) || PathIsUNCServerShareA(path); }
inline bool IsUncServerOrShare(const wchar_t* path) { return PathIsUNCServerW(path) || PathIsUNCServerShareW(path); }

inline void UnquoteAndTrim(char* text)
{
    PathUnquoteSpacesA(text);
    PathRemoveBlanksA(text);
}
inline void UnquoteAndTrim(wchar_t* text)
{
    PathUnquoteSpacesW(text);
    PathRemoveBlanksW(text);
}

inline bool StartsWithNoCase(const char* text, const char* prefix) { return StrCmpNIA(text, prefix, lstrlenA(prefix)) == 0; }
inline bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix)
{
    return StrCmpNIW(text, prefix, lstrlenW(prefix)) == 0;
}

// Two names the same but for letter case, by the system's rule for names
// (the file system's, not the user's locale).
inline bool SameNameIgnoringCase(const wchar_t* a, int aLength, const wchar_t* b, int bLength)
{
    return CompareStringOrdinal(a, aLength, b, bLength, TRUE) == CSTR_EQUAL;
}

// Explorer's order of two names: digits by their value, then by the user's
// locale. Both kinds of text are compared in their Unicode forms.
inline int CompareLogically(const wchar_t* a, const wchar_t* b) { return StrCmpLogicalW(a, b); }

// The file functions of the save, with the arguments it always gives them.
// The save works on UTF-16 names in both kinds of run: the ANSI forms of the
// last two hand a path back through best fit.
inline HANDLE CreateFileNamed(const wchar_t* name, DWORD access, DWORD share, DWORD disposition)
{
    return CreateFileW(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline bool MoveFileOver(const wchar_t* from, const wchar_t* to)
{
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

inline bool RemoveFile(const wchar_t* name) { return DeleteFileW(name) != 0; }

inline bool ReplaceFileKeeping(const wchar_t* destination, const wchar_t* replacement, const wchar_t* backup)
{
    return ReplaceFileW(destination, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
}

inline bool FileData(const wchar_t* name, WIN32_FILE_ATTRIBUTE_DATA* data)
{
    return GetFileAttributesExW(name, GetFileExInfoStandard, data) != 0;
}

inline DWORD FullPathName(const wchar_t* name, DWORD size, wchar_t* out, wchar_t** namePart)
{
    return GetFullPathNameW(name, size, out, namePart);
}

inline DWORD LongPathName(const wchar_t* path, wchar_t* out, DWORD size) { return GetLongPathNameW(path, out, size); }

inline DWORD FinalPathName(HANDLE file, wchar_t* out, DWORD size)
{
    return GetFinalPathNameByHandleW(file, out, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
}

// "<path>.<pid in hex>-<attempt>.<extension>"; the length, or a negative
// number when it does not fit.
inline int FormatSideName(wchar_t* out, int size, const wchar_t* path, DWORD pid, int attempt, const wchar_t* extension)
{
    return wnsprintfW(out, size, L"%s.%lx-%d.%s", path, pid, attempt, extension);
}
