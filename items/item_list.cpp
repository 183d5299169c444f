// The ItemList and its scanner: cuts the command-line tail or the clipboard
// text into tokens and keeps, in order, those that name an existing file or
// directory or that are URLs of the four accepted schemes. The files named by
// the template-file and output-file options, the value of the separator
// option and the base folder of "/#b=" are kept out of the list. A list of
// whole names (Explorer's copied files) is taken the same way, name by name,
// with no options around them.
//
// The tokens are gathered in batches, the file system is asked about a whole
// batch at once (by a pool of threads where it answers slowly), and then each
// token of the batch, in order, is classified by its answer until the list
// is full. Tokens after the last item may so have been asked about, but
// never become items.
#include "items/item_list.h"

#include <windows.h>
#include <string.h>

#include "items/path_questions.h"
#include "system/long_path.h"
#include "system/system_calls.h"
#include "system/system_text.h"
#include "system/text_rules.h"
#include "system/url_decompose.h"

ItemList itemList;

// Scanning rules, byte by byte; the first row that matches applies:
//
//   row  byte         condition                     action
//   1    "            outside quotes                end the token if not empty;
//                                                   the token becomes the quote;
//                                                   inside quotes
//   2    "            inside quotes                 keep the quote if there is
//                                                   room; outside quotes; end
//                                                   the token
//   3    blank        outside quotes, CommandLine   end the token
//   4    LF           ClipboardText                 outside quotes; end the token
//   5    CR, LF, TAB  -                             drop the byte
//   6    other        -                             keep the byte if there is
//                                                   room, else drop it
//
// There is room while the token holds fewer than 519 bytes (in Unicode
// 65,535 units, the longest path with room to spare). The end of the
// text ends a token that is not empty; a quote still open there stays in it.
// Rows 1 to 5 act on ASCII signs below 0x40, which are never the second unit
// of a character in either kind of text, so the rows need no knowledge of
// the code page. Lengths count units: bytes, or UTF-16 units.
enum ScanRow { OpeningQuote = 1, ClosingQuote, Blank, LineEnd, DroppedByte, KeptByte };

template <typename Char>
constexpr int kTokenSize = sizeof(Char) == 1 ? 520 : 2 * kLongestPath + 2;
constexpr size_t kIntroducerLength = 5;

// Option introducers whose quoted value is a file of the run, not an item;
// letter case counts here.
#define TEMPLATE_FILE_INTRODUCER "/#t=\""
#define OUTPUT_FILE_INTRODUCER "/#f=\""
#define ITEM_SEPARATOR_INTRODUCER "/#j=\""
// Found as the options find it, in any letter case, wherever its value ends.
#define BASE_FOLDER_OPTION "/#b=\""

// Enough names for every pool thread to ask several; texts enough for as
// many full paths, and in Unicode for one of the longest. A name is stored
// with room for the unit that DropTrailingBackslash lets PathAddBackslash add.
constexpr int kBatchNames = 128;
template <typename Char>
constexpr int kBatchUnits = kBatchNames * 64 + (sizeof(Char) == 1 ? 0 : kTokenSize<Char>);

template <typename Char>
struct Batch {
    int count;
    int unitsUsed;
    Char* names[kBatchNames];
    // Where the token of each name ended in the scanned text.
    size_t ends[kBatchNames];
    PathFacts facts[kBatchNames];
    Char texts[kBatchUnits<Char>];
};

template <typename Char>
struct Scan {
    const Char* text;
    ScanMode mode;
    bool insideQuotes;
    // Where the text of the current token began: every byte it was read from
    // lies in [from, the position that ends it).
    size_t from;
    int length;
    Char token[kTokenSize<Char>];
    int slowInRow;
    Batch<Char>* batch;
    // The base folder's value in the command line, [baseFrom, baseEnd) up
    // to its closing quote; empty when there is none.
    size_t baseFrom;
    size_t baseEnd;
};

// One batch per kind of text, for the scan that is running.
static Batch<char> narrowBatch;
static Batch<wchar_t> wideBatch;
static Batch<char>* BatchFor(const char*) { return &narrowBatch; }
static Batch<wchar_t>* BatchFor(const wchar_t*) { return &wideBatch; }

template <typename Char>
static ScanRow RowFor(Char byte, const Scan<Char>* scan)
{
    if (byte == '"') return scan->insideQuotes ? ClosingQuote : OpeningQuote;
    if (byte == ' ' && !scan->insideQuotes && scan->mode == CommandLine) return Blank;
    if (byte == '\n' && scan->mode == ClipboardText) return LineEnd;
    if (byte == '\r' || byte == '\n' || byte == '\t') return DroppedByte;
    return KeptByte;
}

template <typename Char>
static void ClearToken(Scan<Char>* scan)
{
    scan->token[0] = 0;
    scan->length = 0;
}

template <typename Char>
static void AppendToToken(Scan<Char>* scan, Char byte)
{
    if (scan->length >= kTokenSize<Char> - 1) return;
    scan->token[scan->length++] = byte;
    scan->token[scan->length] = 0;
}

// The texts of a run in Unicode lie one after another in one block. Its
// address space is reserved once for a full list of the longest paths, and
// its pages are committed as the texts arrive, 64 KiB at a time (a commit
// for each text cost a run of long paths 5 ms under Wine): a run of short
// items takes the memory that slots of 260 units took.
constexpr SIZE_T kWideBlockUnits = (SIZE_T)kItemCapacity * (kLongestPath + 1);
constexpr SIZE_T kCommitUnits = 32 * 1024;
static_assert(kWideBlockUnits % kCommitUnits == 0, "the block is committed to its end");
static wchar_t* wideBlock;
static SIZE_T wideUsed;
static SIZE_T wideCommitted;

static bool StoreText(Item* item, const char* text)
{
    CopyText(item->text, text, kItemMaxLength + 1);
    return true;
}

static bool StoreText(Item* item, const wchar_t* text)
{
    if (!wideBlock)
        wideBlock = (wchar_t*)VirtualAlloc(nullptr, kWideBlockUnits * sizeof(wchar_t), MEM_RESERVE, PAGE_READWRITE);
    if (!wideBlock) return false;
    SIZE_T units = TextLength(text) + 1;
    if (wideUsed + units > wideCommitted) {
        SIZE_T end = (wideUsed + units + kCommitUnits - 1) / kCommitUnits * kCommitUnits;
        if (!VirtualAlloc(wideBlock + wideCommitted, (end - wideCommitted) * sizeof(wchar_t), MEM_COMMIT,
                          PAGE_READWRITE))
            return false;
        wideCommitted = end;
    }
    wchar_t* stored = wideBlock + wideUsed;
    wmemcpy(stored, text, units);
    wideUsed += units;
    item->wideText = stored;
    return true;
}

template <typename Char>
static void AppendItem(ItemKind kind, const Char* text, PathFacts facts)
{
    Item* item = &itemList.items[itemList.count];
    item->kind = kind;
    item->isDirectory = facts.isDirectory;
    item->isReparsePoint = facts.isReparsePoint;
    if (StoreText(item, text)) ++itemList.count;
}

// C:\Data\ and C:\Data alike give C:\Data, and the root C:\ gives C:. The
// token has room for the byte that PathAddBackslashA adds to a 259-byte text.
// Beyond that length it adds nothing, so the trailing backslash is looked for
// by character, never by last byte. A lone backslash, the root of the current
// drive, stays: without it the item would be empty.
template <typename Char>
static void DropTrailingBackslash(Char* path)
{
    AddBackslash(path);
    size_t length = TextLength(path, kTokenSize<Char>);
    if (length > 1 && EndsInBackslash(path)) path[length - 1] = 0;
}

template <typename Char>
static bool Equal(const Char* a, const Char* b)
{
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// The five units of the scanned text just before the normalised token, placed
// by its length counted back from where the token ended. A token whose
// normalisation removed more than its quotes is looked for too far right and
// so is never taken for an option's value.

template <typename Char>
static bool NamesOptionFile(const Char* text, size_t end, size_t length)
{
    if (!text || end < length + kIntroducerLength) return false;
    Char window[kIntroducerLength + 1];
    CopyText(window, text + end - length - kIntroducerLength, kIntroducerLength + 1);
    return Equal(window, TEXT_AS(Char, TEMPLATE_FILE_INTRODUCER)) || Equal(window, TEXT_AS(Char, OUTPUT_FILE_INTRODUCER)) ||
           Equal(window, TEXT_AS(Char, ITEM_SEPARATOR_INTRODUCER));
}

// In Unicode, a path given with short components ("PROGRA~1") is taken in
// its long form, the one that Explorer shows; one that would not fit stays
// as given, as every path does in the code page.
static const char* InLongForm(const char* path) { return path; }
static const wchar_t* InLongForm(const wchar_t* path)
{
    static wchar_t longForm[kLongestPath + 1];
    return LongFormOfShortNames(path, longForm, kLongestPath + 1) ? longForm : path;
}

template <typename Char>
static void TakeExistingPath(Char* path, PathFacts facts, const Char* text, size_t end)
{
    if (facts.isDirectory) DropTrailingBackslash(path);
    size_t length = TextLength(path, kTokenSize<Char>);
    if (length > (size_t)kPathMaxLength<Char>) return;
    if (NamesOptionFile(text, end, length)) return;
    AppendItem(File, InLongForm(path), facts);
}

// The length goes first, in either kind of text: a text this long is dropped
// whatever the cracker says of it, and Wine's cracker corrupts its caller's
// stack on a file URL of some 280 characters.
template <typename Char>
static void TakeUrl(const Char* candidate)
{
    if (TextLength(candidate, kTokenSize<Char>) > (size_t)kItemMaxLength) return;
    if (CheckUrl(candidate) != 0) return;
    AppendItem(Url, candidate, PathFacts{});
}

// The classification of one normalised token by the file system's answer
// for it: an existing path, else perhaps a URL. A token that ends within the
// base folder's value, or at its closing quote, is that value.
template <typename Char>
static void ClassifyToken(const Scan<Char>* scan, Char* token, PathFacts facts, size_t end)
{
    if (end >= scan->baseFrom && end <= scan->baseEnd && scan->baseEnd > 0) return;
    if (facts.exists) TakeExistingPath(token, facts, scan->text, end);
    else TakeUrl(token);
}

// Asks about the batch's names, then classifies them in order until the list
// is full; true when it is.
template <typename Char>
static bool EndBatch(Scan<Char>* scan)
{
    Batch<Char>* batch = scan->batch;
    AskAboutNames(batch->names, batch->count, batch->facts, &scan->slowInRow);
    for (int i = 0; i < batch->count && itemList.count < kItemCapacity; ++i)
        ClassifyToken(scan, batch->names[i], batch->facts[i], batch->ends[i]);
    batch->count = 0;
    batch->unitsUsed = 0;
    return itemList.count >= kItemCapacity;
}

// Adds a normalised, non-empty name to the batch, asking about the batch
// first when it has no room; true when the list is full.
template <typename Char>
static bool AddToBatch(Scan<Char>* scan, const Char* token, size_t end)
{
    Batch<Char>* batch = scan->batch;
    int room = (int)TextLength(token, kTokenSize<Char>) + 2;
    if ((batch->count == kBatchNames || batch->unitsUsed + room > kBatchUnits<Char>) && EndBatch(scan)) return true;
    Char* name = batch->texts + batch->unitsUsed;
    CopyText(name, token, room);
    batch->unitsUsed += room;
    batch->names[batch->count] = name;
    batch->ends[batch->count++] = end;
    return false;
}

// Normalises the token and adds it to the batch when it is to be asked about;
// true when the list is now full. A token read from a character that the code
// page cannot hold names nothing: its stand-in could make a look-alike of
// another path or URL.
template <typename Char>
static bool EndToken(Scan<Char>* scan, size_t end)
{
    Char* token = scan->token;
    UnquoteAndTrim(token);
    bool standIn = HoldsStandIn(scan->text + scan->from, end - scan->from);
    scan->from = end;
    bool full = token[0] && !standIn && AddToBatch(scan, token, end);
    ClearToken(scan);
    return full;
}

// Applies the row of the byte at p; true when the list is full.
template <typename Char>
static bool ReadByte(Scan<Char>* scan, size_t p)
{
    Char byte = scan->text[p];
    switch (RowFor(byte, scan)) {
    case OpeningQuote:
        if (scan->length > 0 && EndToken(scan, p)) return true;
        AppendToToken(scan, byte);
        scan->insideQuotes = true;
        return false;
    case ClosingQuote:
        AppendToToken(scan, byte);
        scan->insideQuotes = false;
        return EndToken(scan, p);
    case Blank:
        return EndToken(scan, p);
    case LineEnd:
        scan->insideQuotes = false;
        return EndToken(scan, p);
    case DroppedByte:
        return false;
    case KeptByte:
        AppendToToken(scan, byte);
        return false;
    }
    return false;
}

// Empties the list and readies a scan of text, which is null for a list of
// whole names.
template <typename Char>
static void StartScan(Scan<Char>* scan, const Char* text, ScanMode mode)
{
    itemList.count = 0;
    wideUsed = 0;
    scan->text = text;
    scan->mode = mode;
    scan->insideQuotes = false;
    scan->from = 0;
    scan->slowInRow = 0;
    scan->batch = BatchFor(text);
    scan->batch->count = 0;
    scan->batch->unitsUsed = 0;
    scan->baseFrom = scan->baseEnd = 0;
    size_t length;
    const Char* base =
        mode == CommandLine && text ? FindQuotedValue(text, TEXT_AS(Char, BASE_FOLDER_OPTION), &length) : nullptr;
    if (base) {
        scan->baseFrom = (size_t)(base - text);
        scan->baseEnd = scan->baseFrom + length;
    }
    ClearToken(scan);
}

template <typename Char>
void ScanItemsInBlock(const Char* text, size_t size, ScanMode mode)
{
    Scan<Char> scan;
    StartScan(&scan, text, mode);
    size_t p = 0;
    for (; p < size && text[p]; ++p)
        if (ReadByte(&scan, p)) return;
    if (scan.length > 0 && EndToken(&scan, p)) return;
    EndBatch(&scan);
}

template <typename Char>
void ScanItems(const Char* text, ScanMode mode)
{
    ScanItemsInBlock(text, TextLength(text), mode);
}

// The scan of a list of whole names, between StartNames and EndNames.
static Scan<char> narrowNames;
static Scan<wchar_t> wideNames;
static Scan<char>* NamesScan(const char*) { return &narrowNames; }
static Scan<wchar_t>* NamesScan(const wchar_t*) { return &wideNames; }

template <typename Char>
void StartNames()
{
    StartScan(NamesScan((const Char*)nullptr), (const Char*)nullptr, ClipboardText);
}

template <typename Char>
bool TakeName(const Char* name)
{
    return name[0] && AddToBatch(NamesScan(name), name, 0);
}

template <typename Char>
void EndNames()
{
    EndBatch(NamesScan((const Char*)nullptr));
}

template <typename Char>
int CheckUrl(const Char* text)
{
    const Char* const prefixes[] = {TEXT_AS(Char, "http://"), TEXT_AS(Char, "ftp://"), TEXT_AS(Char, "mailto:"),
                                    TEXT_AS(Char, "file://")};
    for (const Char* prefix : prefixes)
        if (StartsWithNoCase(text, prefix)) return DecomposeUrl(text) == 1 ? 0 : -1;
    return -1;
}

template void ScanItems(const char*, ScanMode);
template void ScanItems(const wchar_t*, ScanMode);
template void ScanItemsInBlock(const char*, size_t, ScanMode);
template void ScanItemsInBlock(const wchar_t*, size_t, ScanMode);
template void StartNames<char>();
template void StartNames<wchar_t>();
template bool TakeName(const char*);
template bool TakeName(const wchar_t*);
template void EndNames<char>();
template void EndNames<wchar_t>();
template int CheckUrl(const char*);
template int CheckUrl(const wchar_t*);
