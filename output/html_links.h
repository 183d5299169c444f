// "/#l": the result as links, in the clipboard's registered format "HTML
// Format", beside the text. The block, in UTF-8 (exactly converted from the
// code page too), ends in a NUL:
//
//   Version:0.9                    each line ends in CR LF; each offset has
//   StartHTML:<offset of <html>>   ten digits and counts bytes from the
//   EndHTML:<length>               block's start; the length is without
//   StartFragment:<offset>         the NUL
//   EndFragment:<offset>
//   <html><body><!--StartFragment-->FRAGMENT<!--EndFragment--></body></html>
//
// StartFragment is the offset behind <!--StartFragment-->, EndFragment that
// of <!--EndFragment-->. The fragment holds one <a href="HREF">LINE</a> per
// item, with <br>, or the value of "/#j=", between two:
//
//   part    of a File                          of a Url
//   HREF    the file URL of its full form,     its text
//           a folder's ending in /
//   LINE    its expanded line                  its expanded line
//
// In all of them & < > " become entities, and every CR LF, lone CR or lone
// LF becomes <br>. The block is counted first and then written once.
#pragma once
#include <windows.h>

// The block for result, in which the line of item i (below count) is
// lineLengths[i] units long and the lines of two items stand separatorLength units apart; separator is
// the value of "/#j=" with its line breaks, or null for <br>. Null when no
// block can be had.
template <typename Char>
HGLOBAL HtmlLinksBlock(const Char* result, const int* lineLengths, int count, const Char* separator,
                       int separatorLength);
