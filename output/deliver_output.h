// Result assembly: the expanded lines of all items joined with CR LF, handed
// to the clipboard as CF_TEXT with the system locale as CF_LOCALE, or to the
// file writer.
#pragma once

void DeliverOutput(const char* templateText);
