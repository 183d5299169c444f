// What a drive letter stands for, as the system knows it: the share of a
// mapped network drive (WNetGetUniversalNameW) or the folder of a subst drive
// (QueryDosDeviceW), in UTF-16. Each letter is asked about once in a run; the
// network is asked only by a caller that needs the answer and only about a
// network drive (GetDriveTypeW), and mpr.dll is looked up from the system
// folder on that first question, so a run that never asks never loads it.
//
//   the drive is                       its target
//   subst for C:\Work                  C:\Work
//   subst for \\server\share\x         \\server\share\x
//   mapped to \\fs01\team              \\fs01\team
//   mapped, disconnected or unavailable  none
//   local, or anything else            none, and the network is not asked
//
// A target never ends in a backslash (subst for C:\ gives C:), so the rest of
// a path, which starts with its separator, follows it as it is.
#pragma once
#include <windows.h>
#include <winnetwk.h>

constexpr int kDriveTargetSize = 260;

// The answers of one run, kept per letter A to Z, and mpr's function as it
// was looked up.
struct DriveTargets {
    bool asked[26];
    wchar_t target[26][kDriveTargetSize];
    bool lookedUp;
    decltype(&WNetGetUniversalNameW) universalName;
};

extern DriveTargets driveTargets;

// The target of drive letter (A to Z in either case), or an empty text when it
// has none or letter is no such letter.
const wchar_t* DriveTarget(wchar_t letter);
