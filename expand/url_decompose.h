// UrlComponents: the parts of one URL as the platform's URL cracker splits
// them, in one process-wide record written by every DecomposeUrl call.
#pragma once

constexpr int kSchemeBufferSize = 32;
constexpr int kUrlPartBufferSize = 260;

struct UrlComponents {
    char scheme[kSchemeBufferSize];
    char host[kUrlPartBufferSize];
    char user[kUrlPartBufferSize];
    char password[kUrlPartBufferSize];
    char path[kUrlPartBufferSize];
    char extra[kUrlPartBufferSize];
};

extern UrlComponents urlComponents;

// 1 when the cracker accepts text and urlComponents holds its parts, else 0.
int DecomposeUrl(const char* text);
