// Entry of every test exe: the code page's lead bytes are read once, as the
// program does at start-up, before any case runs; a failed harness set-up
// fails the running case; and ".txt" files open in Notepad, so that a help
// file opened by mistake shows a window in any test, not only the screen ones.
#include <gtest/gtest.h>

#include "expand/split_path.h"
#include "tests/support/harness.h"

// A fresh Wine prefix knows the txtfile type but does not map ".txt" to it,
// as every Windows installation does; the test prefix gets that mapping.
static void AssociateTextFilesWithNotepad()
{
    if (!harness::RunningOnWine()) return;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE*)"txtfile", 8);
    RegCloseKey(key);
}

int main(int argc, char** argv)
{
    LoadCodePageLeadBytes();
    harness::ReportSetUpFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    AssociateTextFilesWithNotepad();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
