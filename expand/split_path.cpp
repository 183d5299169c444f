#include "expand/split_path.h"

#include <string.h>

// Length of the longest whole-character prefix of text[0..length) that has
// at most limit bytes.
template <typename Char>
static int CutToLimit(const Char* text, int length, int limit)
{
    int i = 0;
    while (i < length) {
        int w = CharWidth(text + i);
        if (i + w > limit) break;
        i += w;
    }
    return i;
}

template <typename Char>
static void CopyPart(Char* out, const Char* from, int length, int limit = kPathPartMaxLength)
{
    length = CutToLimit(from, length, limit);
    memcpy(out, from, length * sizeof(Char));
    out[length] = 0;
}

template <typename Char>
static bool IsDotOrDotDot(const Char* text, int length)
{
    return (length == 1 && text[0] == '.') || (length == 2 && text[0] == '.' && text[1] == '.');
}

// Splitting rules, in order:
//   - only the first 260 bytes count (in Unicode the longest path), cut
//     before a straddling double-byte character;
//   - a single-byte character followed by a colon at the start is the drive;
//   - the last component follows the last slash or backslash (else the drive);
//   - a last component of "." or ".." belongs to the folder;
//   - otherwise its last dot starts the extension, and a stem of "." or ".."
//     belongs to the folder, any other stem is the name;
//   - the folder is everything between the drive and the name (or extension);
//   - name and extension keep at most 255 bytes each, and so does the
//     folder in the code page.
template <typename Char>
void SplitPath(const Char* path, PathPartsOf<Char>* parts)
{
    constexpr int kCounted = sizeof(Char) == 1 ? kPathPartSize : kLongestPath + 1;
    Char text[kCounted + 1];
    int length = CutToLimit(path, (int)TextLength(path, kCounted + 1), kCounted);
    memcpy(text, path, length * sizeof(Char));
    text[length] = 0;

    int driveLength = (length >= 2 && CharWidth(text) == 1 && text[1] == ':') ? 2 : 0;
    int componentStart = driveLength;
    for (int i = driveLength; i < length; i += CharWidth(text + i))
        if (text[i] == '\\' || text[i] == '/') componentStart = i + 1;

    int nameStart = componentStart;
    int extensionStart = length;
    if (IsDotOrDotDot(text + componentStart, length - componentStart)) {
        nameStart = length;
    } else {
        for (int i = componentStart; i < length; i += CharWidth(text + i))
            if (text[i] == '.') extensionStart = i;
        if (IsDotOrDotDot(text + componentStart, extensionStart - componentStart)) nameStart = extensionStart;
    }

    CopyPart(parts->drive, text, driveLength);
    CopyPart(parts->folder, text + driveLength, nameStart - driveLength, kFolderMaxLength<Char>);
    CopyPart(parts->name, text + nameStart, extensionStart - nameStart);
    CopyPart(parts->extension, text + extensionStart, length - extensionStart);
}

template void SplitPath(const char*, PathPartsOf<char>*);
template void SplitPath(const wchar_t*, PathPartsOf<wchar_t>*);
