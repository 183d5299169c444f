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

// The Japanese names read パス, 名前, 引用符付きパスを1行で, ネットワークパス,
// メール用リンク, WSLパス and コピーしたファイルのパス; the box's texts
// 送るメニューに追加しました:, キー Ctrl+Alt+F8:, 書き込めませんでした:,
// 削除しました:, 削除するものはありませんでした。 and
// 一時フォルダーから起動されています。zip を展開してから、もう一度実行してください。
// Each text ends in a NUL, in the order of EntryTextIndex: no table of
// pointers for fourteen short texts.
static const wchar_t* const kEntryTexts[2] = {
    L"Paths\0Names\0Quoted paths on one line\0Network paths\0Links for mail\0WSL paths\0Copied files as paths\0"
    L"Added to Send To:\0"
    L"\r\nKey Ctrl+Alt+F8:\0"
    L"\r\nNot written:\0"
    L"Removed:\0"
    L"Nothing to remove.\0"
    L"Tavrel runs from a temporary folder. Extract the zip first.",
    L"\x30D1\x30B9\0\x540D\x524D\0\x5F15\x7528\x7B26\x4ED8\x304D\x30D1\x30B9\x3092" L"1\x884C\x3067\0"
    L"\x30CD\x30C3\x30C8\x30EF\x30FC\x30AF\x30D1\x30B9\0\x30E1\x30FC\x30EB\x7528\x30EA\x30F3\x30AF\0"
    L"WSL\x30D1\x30B9\0\x30B3\x30D4\x30FC\x3057\x305F\x30D5\x30A1\x30A4\x30EB\x306E\x30D1\x30B9\0"
    L"\x9001\x308B\x30E1\x30CB\x30E5\x30FC\x306B\x8FFD\x52A0\x3057\x307E\x3057\x305F:\0"
    L"\r\n\x30AD\x30FC Ctrl+Alt+F8:\0"
    L"\r\n\x66F8\x304D\x8FBC\x3081\x307E\x305B\x3093\x3067\x3057\x305F:\0"
    L"\x524A\x9664\x3057\x307E\x3057\x305F:\0"
    L"\x524A\x9664\x3059\x308B\x3082\x306E\x306F\x3042\x308A\x307E\x305B\x3093\x3067\x3057\x305F\x3002\0"
    L"\x4E00\x6642\x30D5\x30A9\x30EB\x30C0\x30FC\x304B\x3089\x8D77\x52D5\x3055\x308C\x3066\x3044\x307E"
    L"\x3059\x3002zip \x3092\x5C55\x958B\x3057\x3066\x304B\x3089\x3001\x3082\x3046\x4E00\x5EA6\x5B9F\x884C"
    L"\x3057\x3066\x304F\x3060\x3055\x3044\x3002",
};

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

const wchar_t* EntryText(int index, int language)
{
    const wchar_t* text = kEntryTexts[language < 0 ? chosenTexts == &kJapanese : language];
    while (index-- > 0) text += lstrlenW(text) + 1;
    return text;
}
