// Helpers of the output tests: filling the ItemList and RunSettings the way a
// scan and ParseOptions would, and listing a folder to see that a failed save
// left nothing behind.
#pragma once
#include <windows.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/options.h"
#include "items/item_list.h"
#include "tests/support/harness.h"

namespace output_checks {

// Slots beyond the count are poisoned, so a read past it shows in the result.
inline void FillItems(const std::vector<std::string>& texts, ItemKind kind = File)
{
    memset(&itemList, 0xCC, sizeof(itemList));
    itemList.count = (int32_t)texts.size();
    for (size_t i = 0; i < texts.size(); ++i) {
        itemList.items[i].kind = kind;
        lstrcpynA(itemList.items[i].text, texts[i].c_str(), kItemTextSize);
    }
}

inline void SetOutput(OutputMode mode, const std::string& filePath = "")
{
    memset(&runSettings, 0, sizeof(runSettings));
    lstrcpynA(runSettings.lineBreakMarker, "[BR]", sizeof(runSettings.lineBreakMarker));
    runSettings.outputMode = mode;
    lstrcpynA(runSettings.outputFilePath, filePath.c_str(), sizeof(runSettings.outputFilePath));
}

// The names in folder, sorted and joined with " | ".
inline std::string FolderListing(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(harness::SystemPath(folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            char name[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, name, sizeof(name), nullptr, nullptr);
            if (strcmp(name, ".") && strcmp(name, "..")) names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names) listing += (listing.empty() ? "" : " | ") + name;
    return listing;
}

}  // namespace output_checks
