// Test entry point shared by every test program: the windows under test need
// COM and the common controls, as the programs themselves do; the recorder's
// recovery folder is one of the test program's own.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include "tests/support/recovery_folder.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    // Elements the tests leave behind stay out of the user's recovery folder.
    std::wstring recovery = orvo::test::UsePrivateRecoveryRoot();
    int rc = RUN_ALL_TESTS();
    OleUninitialize();
    if (!recovery.empty()) orvo::test::RemoveTree(recovery);
    return rc;
}
