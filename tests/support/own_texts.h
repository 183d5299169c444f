// The program's own texts as a user sees them, one table per code page:
// Japanese under code page 932, English under any other. They are written
// here in UTF-8 and turned into the code page by the system, not taken from
// the product, so that a wrong byte in the product's escapes shows.
#pragma once
#include <windows.h>

#include <string>

#include "version.h"

namespace own_texts {

struct OwnTexts {
    UINT codePage;  // 0: any code page not listed before it
    const char* versionBox;
    const char* textFiles;
    const char* allFiles;
    const char* manualTitle;  // the first line of Tavrel.txt in the zip
};

inline const OwnTexts kOwnTexts[] = {
    {932,
     u8"Tavrel " TAVREL_VERSION_STRING "\r\n\r\n"
     u8"渡されたファイル、フォルダー、URL ごとに、パスや名前、URL の各部分を 1 行ずつ並べ、"
     u8"クリップボードまたはテキスト ファイルに出力します。\r\n\r\n"
     u8"/#h を付けて起動すると、ヘルプ ファイルが開きます。",
     u8"テキストファイル(*.txt)", u8"全てのファイル(*.*)", u8"Tavrel - パス、名前、URL の各部分をクリップボードへ"},
    {0,
     "Tavrel " TAVREL_VERSION_STRING "\r\n\r\n"
     "Tavrel puts the paths, names and URL parts of the items it is given on the clipboard or in a text file, "
     "one line per item.\r\n\r\n"
     "Start it with /#h to open the help file.",
     "Text files (*.txt)", "All files (*.*)", "Tavrel - paths, names and URL parts to the clipboard"},
};

inline const OwnTexts& ForThisCodePage()
{
    const OwnTexts* texts = kOwnTexts;
    while (texts->codePage != GetACP() && texts->codePage != 0) ++texts;
    return *texts;
}

// UTF-8 text in the bytes of the ANSI code page.
inline std::string InCodePage(const char* utf8)
{
    wchar_t wide[1024] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 1024);
    char bytes[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, bytes, sizeof(bytes), nullptr, nullptr);
    return bytes;
}

}  // namespace own_texts
