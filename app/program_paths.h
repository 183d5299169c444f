// Where the executable lies: its folder and its settings file, found once at
// the start of a run and read by the options and the run flow.
#pragma once

constexpr int kPathBufferSize = 260;

// The executable's drive and folder, ending in a backslash.
extern char programFolder[kPathBufferSize];
// The executable's path with ".ini" in place of its extension; empty when
// that path would not fit, so that no truncated name is ever opened.
extern char settingsFilePath[kPathBufferSize];
// The same two for a run in Unicode.
extern wchar_t wideProgramFolder[kPathBufferSize];
extern wchar_t wideSettingsFilePath[kPathBufferSize];

inline const char* ProgramFolder(const char*) { return programFolder; }
inline const wchar_t* ProgramFolder(const wchar_t*) { return wideProgramFolder; }
inline const char* SettingsFilePath(const char*) { return settingsFilePath; }
inline const wchar_t* SettingsFilePath(const wchar_t*) { return wideSettingsFilePath; }

// Fills the program folder and the settings file path of exePath's kind
// from the executable's full path as started and its own path past a link
// (ModulePathFromSystem).
template <typename Char>
void FindProgramPaths(const Char* exePath, const Char* ownPath);
