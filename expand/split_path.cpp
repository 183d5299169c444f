#include "expand/split_path.h"

#include <windows.h>
#include <string.h>

bool ansiLeadBytes[256];

void LoadCodePageLeadBytes()
{
    memset(ansiLeadBytes, 0, sizeof(ansiLeadBytes));
    CPINFO info;
    if (!GetCPInfo(GetACP(), &info)) return;
    for (int r = 0; r + 1 < MAX_LEADBYTES && info.LeadByte[r]; r += 2)
        for (int b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) ansiLeadBytes[b] = true;
}

bool EndsInBackslash(const char* text)
{
    int last = -1;
    for (int i = 0; text[i]; i += AnsiCharWidth(text + i)) last = i;
    return last >= 0 && text[last] == '\\';
}

// Length of the longest whole-character prefix of text[0..length) that has
// at most limit bytes.
static int CutToLimit(const char* text, int length, int limit)
{
    int i = 0;
    while (i < length) {
        int w = AnsiCharWidth(text + i);
        if (i + w > limit) break;
        i += w;
    }
    return i;
}

static void CopyPart(char* out, const char* from, int length)
{
    length = CutToLimit(from, length, kPathPartMaxLength);
    memcpy(out, from, length);
    out[length] = '\0';
}

static bool IsDotOrDotDot(const char* text, int length)
{
    return (length == 1 && text[0] == '.') || (length == 2 && text[0] == '.' && text[1] == '.');
}

// Splitting rules, in order:
//   - only the first 260 bytes count, cut before a straddling double-byte
//     character;
//   - a single-byte character followed by a colon at the start is the drive;
//   - the last component follows the last slash or backslash (else the drive);
//   - a last component of "." or ".." belongs to the folder;
//   - otherwise its last dot starts the extension, and a stem of "." or ".."
//     belongs to the folder, any other stem is the name;
//   - the folder is everything between the drive and the name (or extension);
//   - folder, name and extension keep at most 255 bytes each.
void SplitPath(const char* path, PathParts* parts)
{
    char text[kPathPartSize + 1];
    int length = CutToLimit(path, (int)strnlen(path, kPathPartSize + 1), kPathPartSize);
    memcpy(text, path, length);
    text[length] = '\0';

    int driveLength = (length >= 2 && !IsAnsiLeadByte((unsigned char)text[0]) && text[1] == ':') ? 2 : 0;
    int componentStart = driveLength;
    for (int i = driveLength; i < length; i += AnsiCharWidth(text + i))
        if (text[i] == '\\' || text[i] == '/') componentStart = i + 1;

    int nameStart = componentStart;
    int extensionStart = length;
    if (IsDotOrDotDot(text + componentStart, length - componentStart)) {
        nameStart = length;
    } else {
        for (int i = componentStart; i < length; i += AnsiCharWidth(text + i))
            if (text[i] == '.') extensionStart = i;
        if (IsDotOrDotDot(text + componentStart, extensionStart - componentStart)) nameStart = extensionStart;
    }

    CopyPart(parts->drive, text, driveLength);
    CopyPart(parts->folder, text + driveLength, nameStart - driveLength);
    CopyPart(parts->name, text + nameStart, extensionStart - nameStart);
    CopyPart(parts->extension, text + extensionStart, length - extensionStart);
}
