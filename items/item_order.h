// Explorer's order for the ItemList: the items that the scan kept, sorted by
// their texts as stored (a file's path without its folder's backslash, a
// URL as written) the way Explorer sorts names, so that file2 comes before
// file10. The sort is stable and keeps duplicates.
#pragma once

// Sorts itemList in place, reading its texts in the run's kind; each text is
// compared in its Unicode form.
template <typename Char>
void SortItemsLogically();
