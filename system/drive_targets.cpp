#include "system/drive_targets.h"

#include <wchar.h>

#include "system/system_function.h"

DriveTargets driveTargets;

// Copies text[0, length) as the target, without a final backslash; false when
// it does not fit.
static bool KeepTarget(wchar_t (&target)[kDriveTargetSize], const wchar_t* text, size_t length)
{
    if (length > 0 && text[length - 1] == L'\\') --length;
    if (length == 0 || length >= kDriveTargetSize) return false;
    wmemcpy(target, text, length);
    target[length] = L'\0';
    return true;
}

// A subst drive's device is "\??\" and the path it stands for: "\??\C:\Work",
// or "\??\UNC\server\share" for a share. A drive of any other kind names a
// device ("\Device\HarddiskVolume1", a redirector), which is no path.
static bool SubstTarget(const wchar_t* drive, wchar_t (&target)[kDriveTargetSize])
{
    wchar_t device[kDriveTargetSize + 8];
    DWORD units = QueryDosDeviceW(drive, device, kDriveTargetSize + 8);
    if (units == 0) return false;
    size_t length = wcsnlen(device, kDriveTargetSize + 8 - 1);
    device[length] = L'\0';
    if (wcsncmp(device, L"\\??\\", 4) != 0) return false;
    const wchar_t* path = device + 4;
    if (wcsncmp(path, L"UNC\\", 4) == 0) {
        // "\\" takes the place of "UNC" and the backslash stays.
        path = device + 6;
        device[6] = L'\\';
        return KeepTarget(target, path, length - 6);
    }
    bool drivePath = ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') && path[1] == L':' &&
                     (path[2] == L'\\' || path[2] == L'\0');
    return drivePath && KeepTarget(target, path, length - 4);
}

// A disconnected or unavailable drive, or a local one, gets an error at once;
// a name longer than the buffer (ERROR_MORE_DATA) is no target either, so
// that no second call with a larger buffer asks the network again.
static bool NetworkTarget(const wchar_t* root, wchar_t (&target)[kDriveTargetSize])
{
    if (!driveTargets.lookedUp) {
        driveTargets.lookedUp = true;
        driveTargets.universalName =
            LoadSystemFunctionAs<decltype(&WNetGetUniversalNameW)>("mpr.dll", "WNetGetUniversalNameW");
    }
    if (!driveTargets.universalName) return false;
    union {
        UNIVERSAL_NAME_INFOW info;
        unsigned char bytes[sizeof(UNIVERSAL_NAME_INFOW) + kDriveTargetSize * sizeof(wchar_t)];
    } answer;
    DWORD size = sizeof(answer);
    if (driveTargets.universalName(root, UNIVERSAL_NAME_INFO_LEVEL, &answer, &size) != NO_ERROR) return false;
    // The name lies in the buffer, after the record; anywhere else it is not read.
    const unsigned char* name = (const unsigned char*)answer.info.lpUniversalName;
    const unsigned char* end = answer.bytes + sizeof(answer.bytes);
    if (name < answer.bytes || name >= end) return false;
    size_t room = (size_t)(end - name) / sizeof(wchar_t);
    size_t length = wcsnlen((const wchar_t*)name, room);
    if (length == room) return false;
    const wchar_t* universal = (const wchar_t*)name;
    return universal[0] == L'\\' && universal[1] == L'\\' && KeepTarget(target, universal, length);
}

const wchar_t* DriveTarget(wchar_t letter)
{
    int index = (letter | 0x20) - L'a';
    if (index < 0 || index >= 26) return L"";
    wchar_t(&target)[kDriveTargetSize] = driveTargets.target[index];
    if (!driveTargets.asked[index]) {
        driveTargets.asked[index] = true;
        wchar_t drive[] = {(wchar_t)(L'A' + index), L':', L'\0'};
        wchar_t root[] = {(wchar_t)(L'A' + index), L':', L'\\', L'\0'};
        // Only a network drive is asked about on the network: loading mpr.dll
        // and the DLLs it brings along costs a run more than its items do.
        bool found = SubstTarget(drive, target) || (GetDriveTypeW(root) == DRIVE_REMOTE && NetworkTarget(root, target));
        if (!found) target[0] = L'\0';
    }
    return target;
}
