#include "output/html_links.h"

#include <string.h>

#include "expand/command_forms.h"
#include "expand/path_forms.h"
#include "expand/working_line.h"
#include "items/item_list.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"

// The bytes of the block as they are put: only counted while at is null,
// and never written beyond size.
struct HtmlBytes {
    char* at;
    size_t size;
    size_t length;
};

static void Put(HtmlBytes* html, const char* bytes, size_t count)
{
    if (html->at && html->length + count <= html->size) memcpy(html->at + html->length, bytes, count);
    html->length += count;
}

static void Put(HtmlBytes* html, const char* text) { Put(html, text, strlen(text)); }

static const char* Entity(wchar_t unit)
{
    return unit == '&' ? "&amp;" : unit == '<' ? "&lt;" : unit == '>' ? "&gt;" : unit == '"' ? "&quot;" : nullptr;
}

static void PutUnicode(HtmlBytes* html, const wchar_t* text, int length)
{
    for (int i = 0; i < length;) {
        wchar_t unit = text[i];
        if (unit == '\r' || unit == '\n') {
            Put(html, "<br>");
            i += unit == '\r' && i + 1 < length && text[i + 1] == '\n' ? 2 : 1;
        } else if (const char* entity = Entity(unit)) {
            Put(html, entity);
            ++i;
        } else {
            int width = i + 1 < length && IsHighSurrogate(unit) && IsLowSurrogate(text[i + 1]) ? 2 : 1;
            unsigned char bytes[4];
            Put(html, (const char*)bytes, (size_t)Utf8Bytes(text + i, width, bytes));
            i += width;
        }
    }
}

// A text of the run, at most a line long, in UTF-8: UTF-16 itself, or the
// bytes of the code page (unitSize 1). The fragment is written once for both
// kinds, its texts told apart by their unit's size.
static void PutRunText(HtmlBytes* html, const void* text, int length, int unitSize)
{
    if (unitSize == sizeof(wchar_t)) {
        PutUnicode(html, (const wchar_t*)text, length);
        return;
    }
    wchar_t wide[kLineBufferSize];
    int cut = length < kLineMaxLength<char> ? length : kLineMaxLength<char>;
    PutUnicode(html, wide, UnitsFromCodePage((const char*)text, cut, wide, kLineBufferSize));
}

// A folder's full form ends in a backslash, so that its URL ends in a slash.
// The URL is ASCII, every sign in it encoded.
static void PutHref(HtmlBytes* html, const Item& item, int unitSize)
{
    if (item.kind != File) {
        if (unitSize == 1) PutRunText(html, item.text, (int)TextLength(item.text, kItemTextSize), 1);
        else PutRunText(html, item.wideText, (int)TextLength(item.wideText, kItemTextSize), unitSize);
        return;
    }
    // In Unicode a path and its URL may be as long as a line.
    static wchar_t full[kLongestPath + 2];
    static char url[kUrlFormSize<wchar_t>];
    if (!FullFormOfItem(item, unitSize != 1, full, kLongestPath + 2)) full[0] = 0;
    if (FileUrlOf(full, url, kUrlFormSize<wchar_t>)) Put(html, url);
}

static void PutFragment(HtmlBytes* html, const char* result, const int* lineLengths, int count,
                        const char* separator, int separatorLength, int unitSize)
{
    const char* line = result;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (separator) PutRunText(html, separator, separatorLength, unitSize);
            else Put(html, "<br>");
            line += separatorLength * unitSize;
        }
        Put(html, "<a href=\"");
        PutHref(html, itemList.items[i], unitSize);
        Put(html, "\">");
        PutRunText(html, line, lineLengths[i], unitSize);
        Put(html, "</a>");
        line += lineLengths[i] * unitSize;
    }
}

static const char kVersion[] = "Version:0.9\r\n";
static const char kBeforeFragment[] = "<html><body><!--StartFragment-->";
static const char kAfterFragment[] = "<!--EndFragment--></body></html>";
// The four offset lines: their names, ten digits and CR LF each.
constexpr size_t kHeaderLength =
    sizeof(kVersion) - 1 + sizeof("StartHTML:EndHTML:StartFragment:EndFragment:") - 1 + 4 * 12;

static HGLOBAL LinksBlock(const char* result, const int* lineLengths, int count, const char* separator,
                         int separatorLength, int unitSize)
{
    HtmlBytes counted = {nullptr, 0, 0};
    PutFragment(&counted, result, lineLengths, count, separator, separatorLength, unitSize);
    size_t startFragment = kHeaderLength + sizeof(kBeforeFragment) - 1;
    size_t endFragment = startFragment + counted.length;
    size_t endHtml = endFragment + sizeof(kAfterFragment) - 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, endHtml + 1);
    char* bytes = block ? (char*)GlobalLock(block) : nullptr;
    if (!bytes) {
        if (block) GlobalFree(block);
        return nullptr;
    }
    HtmlBytes html = {bytes, endHtml, 0};
    Put(&html, kVersion);
    const char* const names[] = {"StartHTML:", "EndHTML:", "StartFragment:", "EndFragment:"};
    const size_t offsets[] = {kHeaderLength, endHtml, startFragment, endFragment};
    for (int i = 0; i < 4; ++i) {
        char digits[10];
        for (size_t k = 10, offset = offsets[i]; k-- > 0; offset /= 10) digits[k] = (char)('0' + offset % 10);
        Put(&html, names[i]);
        Put(&html, digits, sizeof(digits));
        Put(&html, "\r\n");
    }
    Put(&html, kBeforeFragment);
    PutFragment(&html, result, lineLengths, count, separator, separatorLength, unitSize);
    Put(&html, kAfterFragment);
    GlobalUnlock(block);
    return block;
}

template <typename Char>
HGLOBAL HtmlLinksBlock(const Char* result, const int* lineLengths, int count, const Char* separator,
                       int separatorLength)
{
    return LinksBlock((const char*)result, lineLengths, count, (const char*)separator, separatorLength, sizeof(Char));
}

template HGLOBAL HtmlLinksBlock(const char*, const int*, int, const char*, int);
template HGLOBAL HtmlLinksBlock(const wchar_t*, const int*, int, const wchar_t*, int);
