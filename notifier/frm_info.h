// The notice window: a small always-on-top tool window in the bottom-right
// corner of the screen. One per thread that calls Notify; it outlives the COM
// object and closes only when the user closes it.
//
// What the rest of the component relies on:
// - Create() makes the window hidden and runs Form_Load; false on failure.
// - NavigateNotify(url) sends the online view to the notice page, and
//   NotifyUrl() tells the last address it was sent to.
// - SizeTwips()/MoveTwips() read the outer size and move the window, in twips.
// - ShowModeless() shows it without an owner.
// - The handle's creation and destruction are reported to the module
//   (WindowCreated / WindowDestroyed in mod_notify.h): the count keeps the DLL
//   loaded while a window lives, and WindowDestroyed deletes this object once
//   the user has closed the window.
#pragma once
#include <windows.h>

#include <string>

#include "platform/window.h"

namespace orvo::notifier {

class frmInfo : public orvo::Window {
public:
    frmInfo() = default;
    ~frmInfo() override;

    // The window class, unique to the module that holds this code so that a
    // program linking the module in and the DLL never share one.
    static std::wstring ClassName();

    bool Create();
    void NavigateNotify(const std::wstring& url);
    const std::wstring& NotifyUrl() const { return notifyUrl_; }
    SIZE SizeTwips() const;
    void MoveTwips(int left, int top);
    void ShowModeless();

    int ViewSwitchCount() const { return viewSwitchCount_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Form_Load();

    int viewSwitchCount_ = 0;
    std::wstring notifyUrl_;
    bool counted_ = false;
};

}  // namespace orvo::notifier
