// RunSettings: the option values of one run, fixed once by ParseOptions from
// the "/#" options of the command-line tail and the template sources (template
// file, inline template, settings file, default "%^P").
#pragma once

enum OutputMode : int { Clipboard = 0, NamedFile = 1, AskForFile = 2 };

constexpr int kTemplateBufferSize = 2600;
constexpr int kQuotedValueMaxLength = 518;
constexpr int kInlineTemplateMaxLength = 1299;
constexpr int kMarkerMaxLength = 10;

struct RunSettings {
    int clipboardSource;
    OutputMode outputMode;
    int showHelp;
    int showVersion;
    char templateText[kTemplateBufferSize];
    char outputFilePath[kQuotedValueMaxLength + 1];
    char lineBreakMarker[kMarkerMaxLength + 1];
};

extern RunSettings runSettings;

// The default line-break marker "[", DOWNWARDS ARROW in code page 932, "]".
extern const char kDefaultLineBreakMarker[];

void ParseOptions(const char* tail);

// 1 when templateText now holds the whole file (at most 2599 bytes), else 0
// with templateText unchanged.
int LoadTemplateFile(const char* path);
