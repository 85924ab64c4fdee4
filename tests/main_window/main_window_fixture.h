// A real main window under a scripted seam, with "end the program" made
// observable: the window goes, but the test process stays.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "recorder/main_window/frm_main.h"
#include "tests/support/scripted_ui.h"

namespace orvo::recorder::test {

class TestableFrmMain : public FrmMain {
public:
    int programEnds = 0;
    int closeRequests = 0;

protected:
    void EndProgram() override {
        ++programEnds;
        FrmMain::EndProgram();
    }
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_CLOSE) ++closeRequests;
        return FrmMain::HandleMessage(msg, wParam, lParam);
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TestableFrmMain>();
        ASSERT_TRUE(form->Create());
        ShowWindow(form->Hwnd(), SW_SHOWNA);
        ui.Clear();
    }
    void TearDown() override { form.reset(); }

    bool Enabled(const wchar_t* key) { return form->TbrRecord.ButtonEnabled(key); }
    // new / record / play / stop / save as "10110"-like text, for short asserts.
    std::string Buttons() {
        std::string s;
        for (const wchar_t* key : {L"new", L"record", L"play", L"stop", L"save"}) s += Enabled(key) ? '1' : '0';
        return s;
    }

    ScriptedUi ui;
    std::unique_ptr<TestableFrmMain> form;
};

}  // namespace orvo::recorder::test
