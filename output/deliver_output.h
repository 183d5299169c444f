// Result assembly: the expanded lines of all items joined with CR LF, or with
// the value of "/#j=", and nothing after the last; handed to the clipboard as
// CF_TEXT, or in a run in Unicode as CF_UNICODETEXT, with the system locale
// as CF_LOCALE, or to the file writer.
#pragma once

template <typename Char>
void DeliverOutput(const Char* templateText);
