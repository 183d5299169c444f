#include "app/program_texts.h"

#include <windows.h>

#include "version.h"

namespace {

struct ProgramTexts {
    const char* versionBox;
    const char* saveAsFilter;
};

// The message box wraps long lines itself; a line break inside a sentence
// would leave its last words on a line of their own.
const ProgramTexts kEnglish = {
    TAVREL_PRODUCT_NAME " " TAVREL_VERSION_STRING "\r\n"
    "\r\n"
    "Tavrel puts the paths, names and URL parts of the items it is given on the clipboard or in a text file, "
    "one line per item.\r\n"
    "\r\n"
    "Start it with /#h to open the help file.",
    "Text files (*.txt)\0*.txt\0"
    "All files (*.*)\0*.*\0",
};

// The version box reads:
//   Tavrel <version>
//
//   渡されたファイル、フォルダー、URL ごとに、パスや名前、URL の各部分を 1 行ずつ並べ、
//   クリップボードまたはテキスト ファイルに出力します。
//
//   /#h を付けて起動すると、ヘルプ ファイルが開きます。
// (the second paragraph is one sentence on one line). The filter names read
// テキストファイル(*.txt) and 全てのファイル(*.*).
const ProgramTexts kJapanese = {
    TAVREL_PRODUCT_NAME " " TAVREL_VERSION_STRING "\r\n"
    "\r\n"
    "\x93\x6E\x82\xB3\x82\xEA\x82\xBD\x83\x74\x83\x40\x83\x43\x83\x8B\x81\x41\x83\x74"
    "\x83\x48\x83\x8B\x83\x5F\x81\x5B\x81\x41URL \x82\xB2\x82\xC6\x82\xC9\x81\x41\x83\x70"
    "\x83\x58\x82\xE2\x96\xBC\x91\x4F\x81\x41URL \x82\xCC\x8A\x65\x95\x94\x95\xAA\x82\xF0"
    " 1 \x8D\x73\x82\xB8\x82\xC2\x95\xC0\x82\xD7\x81\x41\x83\x4E\x83\x8A\x83\x62\x83\x76"
    "\x83\x7B\x81\x5B\x83\x68\x82\xDC\x82\xBD\x82\xCD\x83\x65\x83\x4C\x83\x58\x83\x67 "
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xC9\x8F\x6F\x97\xCD\x82\xB5\x82\xDC\x82\xB7"
    "\x81\x42\r\n"
    "\r\n"
    "/#h \x82\xF0\x95\x74\x82\xAF\x82\xC4\x8B\x4E\x93\xAE\x82\xB7\x82\xE9\x82\xC6\x81\x41"
    "\x83\x77\x83\x8B\x83\x76 \x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8A\x4A\x82\xAB"
    "\x82\xDC\x82\xB7\x81\x42",
    "\x83\x65\x83\x4C\x83\x58\x83\x67\x83\x74\x83\x40\x83\x43\x83\x8B(*.txt)\0*.txt\0"
    "\x91\x53\x82\xC4\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B(*.*)\0*.*\0",
};

const ProgramTexts* chosenTexts = &kEnglish;

}  // namespace

void ChooseProgramTexts()
{
    chosenTexts = GetACP() == 932 ? &kJapanese : &kEnglish;
}

const char* VersionBoxText()
{
    return chosenTexts->versionBox;
}

const char* SaveAsFilter()
{
    return chosenTexts->saveAsFilter;
}
