// Test entry point shared by every test program: the windows under test need
// COM and the common controls, as the programs themselves do; the recorder's
// recovery folder is one of the test program's own.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include "tests/support/recovery_folder.h"
#include "base/text.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/watchdog.h"

namespace {

// In force whenever a test has not installed a ScriptedUi of its own. A real
// message box or file dialog would wait for a user who never comes, and the
// whole test program would hang until CTest kills it (a machine without a
// sound device raises such boxes where a test did not expect any). Instead the
// test fails at once, naming the box, and the box counts as cancelled.
// Launches do not wait for anyone and go to the real seam.
class UnscriptedUi : public orvo::UiSeam {
public:
    explicit UnscriptedUi(orvo::UiSeam& real) : real_(real) {}

    int MessageBox(const orvo::MessageBoxRequest& r) override {
        ADD_FAILURE() << "a message box no test expected: \"" << orvo::WideToAnsi(r.title) << "\": "
                      << orvo::WideToAnsi(r.text);
        return (r.type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    }
    std::wstring FileDialog(const orvo::FileDialogRequest&) override {
        ADD_FAILURE() << "a file dialog no test expected";
        return {};
    }
    int Choice(const orvo::ChoiceRequest& r) override {
        ADD_FAILURE() << "a question no test expected: " << orvo::WideToAnsi(r.text);
        return -1;
    }
    std::wstring FolderDialog(HWND, const std::wstring&, const std::wstring&) override {
        ADD_FAILURE() << "a folder browser no test expected";
        return {};
    }
    bool Launch(const orvo::LaunchRequest& r) override { return real_.Launch(r); }

private:
    orvo::UiSeam& real_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    orvo::test::InstallTestWatchdog();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    // Elements the tests leave behind stay out of the user's recovery folder.
    std::wstring recovery = orvo::test::UsePrivateRecoveryRoot();
    UnscriptedUi unscripted(orvo::Ui());
    orvo::SetUi(&unscripted);
    int rc = RUN_ALL_TESTS();
    orvo::SetUi(nullptr);
    OleUninitialize();
    if (!recovery.empty()) orvo::test::RemoveTree(recovery);
    return rc;
}
