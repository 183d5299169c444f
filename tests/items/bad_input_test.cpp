// Hostile input for the scanner and the clipboard source: random bytes, very
// long lines, lead bytes with nothing after them, and a command line of
// quotes and blanks. The scan must end, without reading or writing outside
// its buffers, with exactly the items that qualify.
#include <windows.h>
#include <shlwapi.h>
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "items/clipboard_source.h"
#include "items/item_list.h"
#include "tests/items/items_support.h"
#include "tests/support/harness.h"

using harness::Escaped;

namespace {

// A fixed sequence, so that every run scans the same bytes.
class RandomBytes {
public:
    explicit RandomBytes(unsigned seed) : state_(seed) {}
    unsigned char Next()
    {
        state_ = state_ * 1103515245u + 12345u;
        return (unsigned char)(state_ >> 16);
    }

private:
    unsigned state_;
};

class BadInput : public InScratchFolder {
protected:
    void SetUp() override
    {
        InScratchFolder::SetUp();
        for (const char* name : {"a.txt", "b c.txt"}) scratch_.File(name);
        scratch_.Folder("dir");
    }

    void ExpectClipboardItems(const std::string& text, const std::string& expected)
    {
        harness::SetClipboardText(text);
        CollectFromClipboard();
        std::string got = ListedItems();
        std::string shown = text.size() > 200 ? Escaped(text.substr(0, 100)) + "..." : Escaped(text);
        EXPECT_EQ(expected, got) << "clipboard \"" << shown << "\" (" << text.size() << " bytes)\n  got      \""
                                 << Escaped(got) << "\"\n  expected \"" << Escaped(expected) << "\"";
    }

    void ExpectCommandLineItems(const std::string& text, const std::string& expected)
    {
        ScanItems(text.c_str(), CommandLine);
        std::string got = ListedItems();
        EXPECT_EQ(expected, got) << "command line \"" << Escaped(text) << "\"\n  got      \"" << Escaped(got)
                                 << "\"\n  expected \"" << Escaped(expected) << "\"";
    }
};

// Blanks and double quotes only, with an even number of quotes, so that a
// path written after them stands outside quotes.
std::string QuotesAndBlanks(size_t length)
{
    RandomBytes random(7);
    std::string text;
    size_t quotes = 0;
    while (text.size() < length) {
        bool quote = random.Next() & 1;
        text += quote ? '"' : ' ';
        quotes += quote;
    }
    if (quotes % 2) text.back() = text.back() == '"' ? ' ' : '"';
    return text;
}

}  // namespace

TEST_F(BadInput, MegabyteOfRandomBytes)
{
    RandomBytes random(1);
    std::string noise;
    while (noise.size() < 1024 * 1024) {
        unsigned char byte = random.Next();
        if (byte) noise += (char)byte;
    }
    ExpectClipboardItems("a.txt\r\n" + noise + "\r\nb c.txt", "File a.txt\nFile b c.txt\n");
}

TEST_F(BadInput, HundredThousandByteLines)
{
    ExpectClipboardItems("a.txt\r\n" + std::string(100000, 'x') + "\r\nb c.txt", "File a.txt\nFile b c.txt\n");
    ExpectClipboardItems(std::string(100000, ' ') + "a.txt\r\ndir", "File dir\n");
    ExpectClipboardItems("\"" + std::string(100000, ' ') + "a.txt\"\r\ndir", "File dir\n");
    ExpectClipboardItems(QuotesAndBlanks(100000) + "\r\na.txt", "File a.txt\n");
}

// Code page 932 lead bytes at the very end of the text, or before a byte that
// cannot follow them, standing in tokens of their own; under 1252 they are
// ordinary characters.
TEST_F(BadInput, LoneLeadBytesAtTheEnd)
{
    static const struct {
        ScanMode mode;
        const char* text;
        const char* expected;
    } cases[] = {
        {ClipboardText, "a.txt\r\n\x81", "File a.txt\n"},
        {CommandLine, "a.txt \xFC", "File a.txt\n"},
        {ClipboardText, "\"a.txt\"\x9F", "File a.txt\n"},
        {CommandLine, "\"a.txt\"\x9F", "File a.txt\n"},
        {ClipboardText, "\x81\"a.txt\"", "File a.txt\n"},
        {CommandLine, "\x81\"a.txt\"", "File a.txt\n"},
        {ClipboardText, "dir\\\r\n\"\xE0", "File dir\n"},
        {CommandLine, "dir\\\"\xE0", "File dir\n"},
        {ClipboardText, "\x81\r\n\x82\n\x83", ""},
        {CommandLine, "\x81 \x82 \x83", ""},
    };
    for (const auto& c : cases) {
        if (c.mode == ClipboardText) ExpectClipboardItems(c.text, c.expected);
        else ExpectCommandLineItems(c.text, c.expected);
    }
}

// A lead byte at the end of a path's own token: whether that still names the
// file is the platform's answer (Wine drops the incomplete character), and
// the text is stored as written when it does.
TEST_F(BadInput, LoneLeadByteEndingAPath)
{
    for (const char* text : {"a.txt\x81", "a.txt \xFC"}) {
        std::string expected = PathFileExistsA(text) ? std::string("File ") + text + "\n" : "";
        ExpectClipboardItems(text, expected);
    }
    for (const char* text : {"a.txt\x81", "\"a.txt\x9F\""}) {
        std::string path = text[0] == '"' ? std::string(text + 1, strlen(text) - 2) : text;
        std::string expected = PathFileExistsA(path.c_str()) ? "File " + path + "\n" : "";
        ExpectCommandLineItems(text, expected);
    }
}

TEST_F(BadInput, CommandLineOfQuotesAndBlanks)
{
    std::string tail = QuotesAndBlanks(32000) + " a.txt";
    ScanItems(tail.c_str(), CommandLine);
    EXPECT_EQ("File a.txt\n", ListedItems());

    harness::SetClipboardText(harness::kClipboardSentinel);
    ASSERT_EQ(0u, harness::RunTavrel(tail, scratch_.path()));
    std::string got;
    ASSERT_TRUE(harness::ReadClipboardText(&got));
    EXPECT_EQ("a.txt", got);
}
