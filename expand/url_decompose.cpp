#include "expand/url_decompose.h"

UrlComponents urlComponents;

int DecomposeUrl(const char*) { return 0; }
