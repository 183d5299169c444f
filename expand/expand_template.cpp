#include "expand/expand_template.h"

#include <windows.h>

void ExpandTemplate(const char* templateText, const char*, ItemKind, char (&line)[kLineBufferSize])
{
    lstrcpynA(line, templateText, kLineBufferSize);
}
