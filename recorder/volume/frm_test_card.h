// The sound-card information window: a report on the first wave-out device
// in a text box, and a button that closes the window. A new window, with a
// freshly built report, is loaded on every opening.
#pragma once
#include <windows.h>

#include <string>

#include "base/scoped.h"
#include "win/controls.h"
#include "win/window.h"

namespace orvo::recorder {

class frmTestCard : public Window {
public:
    // Creates the window hidden over owner and runs its load handler, which
    // builds the report. False when the window could not be created.
    bool Load(HWND owner);
    // Loads a new window and shows it modally over owner until it is closed.
    static void ShowModal(HWND owner);

    HWND Text1() const { return text1_.Hwnd(); }
    HWND Command1() const { return command1_.Hwnd(); }
    std::wstring Text() const;

private:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCreate();
    void SetTextFont();
    void Form_DpiChanged() override;

    // Runs once the window and its controls exist, before it is shown.
    void Form_Load();
    // Runs when "关闭" is clicked.
    void Command1_Click();

    bool TestSoundCard();
    void ShowCardInfo();
    void SetText(const std::wstring& text);
    void Append(const std::wstring& piece);

    TextBox text1_;
    Button command1_;
    ScopedGdi<HFONT> textFont_;
};

}  // namespace orvo::recorder
