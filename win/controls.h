// Thin wrappers for the controls the windows are built from. Positions and
// sizes are kept in twips, as the layouts are written, and converted with the
// window's real dpi when they reach the control. A control whose window is
// gone, or whose call the system refuses, fails with a Failure; the handler
// around it decides whether that is reported, skipped or passed on.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped.h"
#include "win/window.h"
#include "win/window_tools.h"

namespace orvo {

class ToolTip;

// What every control has: a place in its container, visibility, enabled
// state, a text and a tooltip. Each registers with the window that receives
// its notifications (its container's event sink) when it is made, and that
// window lays it out again from its twips at every new dpi.
class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual HWND Hwnd() const { return hwnd_.Get(); }
    bool Created() const { return Hwnd() != nullptr; }

    // Twips relative to the container's client area.
    double Left() const { return rect_.left; }
    double Top() const { return rect_.top; }
    double Width() const { return rect_.width; }
    double Height() const { return rect_.height; }
    const TwipRect& Rect() const { return rect_; }
    void Move(double left, double top, double width, double height);
    void SetLeft(double left) { Move(left, rect_.top, rect_.width, rect_.height); }
    void SetTop(double top) { Move(rect_.left, top, rect_.width, rect_.height); }
    void SetWidth(double width) { Move(rect_.left, rect_.top, width, rect_.height); }
    void SetHeight(double height) { Move(rect_.left, rect_.top, rect_.width, height); }

    // The control's own flag, whatever its container shows.
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    const std::wstring& ToolTip() const { return tip_; }
    void SetToolTip(const std::wstring& text);
    // A font of the control's own (not owned); a new dpi gives it the dialog
    // font again, and the window that chose another sets it again.
    void SetFont(HFONT font);
    void SetFocus();

    Window* Container() const { return container_; }
    int Dpi() const;
    // After a change of dpi: the place from its twips and the dialog font
    // at the container's new dpi.
    virtual void Rescale();

protected:
    // Creates a system control inside container. id 0: a fresh one. Fails
    // with a Failure.
    void CreateControl(Window& container, const wchar_t* className, DWORD style, DWORD exStyle,
                       const std::wstring& text, const TwipRect& rect, UINT id = 0);
    // For controls that are one of the program's own windows (panels),
    // already made inside container.
    void AdoptWindow(Window& container, const TwipRect& rect);
    // After Move: controls that lay out their insides override it.
    virtual void Moved() {}
    // Fails when the control's window no longer exists.
    HWND Checked() const;
    UINT Id() const { return id_; }

    // The window whose handlers receive the control's notifications.
    Window& Sink() const;

private:
    void Enrol(Window& container, const TwipRect& rect);
    Window* container_ = nullptr;
    Window* sink_ = nullptr;
    ScopedWindow hwnd_;
    TwipRect rect_;
    UINT id_ = 0;
    std::wstring tip_;
    std::unique_ptr<orvo::ToolTip> tipWindow_;
};

// A tooltip window for the controls of one top-level window: each tool shows
// a text of its own while the mouse rests on it. Made after the owner has
// become topmost, if it is to be: a window that already owns a tooltip could
// not be raised to the topmost band under Wine.
class ToolTip {
public:
    // Fails with a Failure.
    void Create(HWND owner);
    HWND Hwnd() const { return window_.Get(); }
    // Adds the tool, or gives one already added a new text.
    void Set(HWND tool, const std::wstring& text);

private:
    ScopedWindow window_;
    HWND owner_ = nullptr;
    std::vector<HWND> tools_;
};

// A static text. Mnemonics are off, so a file name with "&" shows as it is.
class Label : public Control {
public:
    ~Label() override;
    // style: SS_LEFT, SS_CENTER, SS_NOTIFY (for OnClick)...
    void Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id = 0,
                DWORD style = SS_LEFT);
    // The caption of the control made after it: "&" marks the letter that,
    // with Alt, moves the focus to that control.
    void CreateCaption(Window& container, const std::wstring& caption, const TwipRect& rect);
    // An opaque background of its own (CLR_INVALID: the container's).
    void SetBackColor(COLORREF color);
    // A click on a label made with SS_NOTIFY.
    void OnClick(Window::Handler handler);

private:
    BackColor back_;
};

class Button : public Control {
public:
    // isDefault: the default button of its window (Enter presses it).
    void Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id = 0,
                bool isDefault = false);
    void OnClick(Window::Handler handler);
    // As if the user clicked it (nothing when disabled).
    void Click();

private:
    Window::Handler click_;
};

class CheckBox : public Control {
public:
    void Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id = 0);
    bool IsChecked() const;
    void SetChecked(bool checked);
    // After the user has ticked or cleared it.
    void OnClick(Window::Handler handler);
};

// A group box drawn round controls that lie beside it in the same container.
class GroupBox : public Control {
public:
    void Create(Window& container, const std::wstring& caption, const TwipRect& rect, UINT id = 0);
};

// An edit box. style: ES_AUTOHSCROLL for one line, ES_MULTILINE... with
// WS_VSCROLL; it is a tab stop with a sunken border.
class TextBox : public Control {
public:
    ~TextBox() override;
    void Create(Window& container, const std::wstring& text, const TwipRect& rect, DWORD style = ES_AUTOHSCROLL,
                UINT id = 0);
    void SelectAll();
    void OnGotFocus(Window::Handler handler);
    // Every character typed into it; the box takes the character as well.
    void OnKeyPress(std::function<void(int key)> handler);

private:
    static LRESULT CALLBACK KeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);
    std::function<void(int)> keyPress_;
};

// A horizontal scroll bar with a range and a thumb position.
class ScrollBar : public Control {
public:
    // An empty range at first.
    void Create(Window& container, const TwipRect& rect, UINT id = 0);
    void SetRange(int min, int max);
    int Value() const;
    void SetValue(int value);
    // Every scroll message: the code (SB_LINELEFT...) and the thumb position.
    void OnScroll(std::function<void(int code, int thumb)> handler);
};

// A list of texts to choose one from, dropped down from a box (ComboBox) or
// shown in place (ListBox). Indexes count from 0; -1 is no choice.
class ComboBox : public Control {
public:
    void Create(Window& container, const TwipRect& rect, UINT id = 0);
    void AddItem(const std::wstring& text);
    int Count() const;
    int SelectedIndex() const;
    void SetSelectedIndex(int index);
    // After the user has chosen another item.
    void OnChange(Window::Handler handler);
};

class ListBox : public Control {
public:
    void Create(Window& container, const TwipRect& rect, UINT id = 0);
    void AddItem(const std::wstring& text);
    int Count() const;
    int SelectedIndex() const;
    void SetSelectedIndex(int index);
    void OnChange(Window::Handler handler);
};

// A progress bar from 0 to a maximum.
class ProgressBar : public Control {
public:
    void Create(Window& container, const TwipRect& rect, int max, UINT id = 0);
    void SetValue(int value);
};

// A picture its window draws (WM_DRAWITEM), named for screen readers by its
// text; it takes clicks, and the mouse, so tooltips reach it.
class Picture : public Control {
public:
    void Create(Window& container, const std::wstring& name, const TwipRect& rect, UINT id = 0);
    void OnClick(Window::Handler handler);
};

// Controls that contain others: a panel of the program's own.
class Panelled : public Control {
public:
    HWND Hwnd() const override { return panel_.Hwnd(); }
    // The window to place child controls in.
    Window& Inner() { return panel_; }

protected:
    void CreatePanel(Window& container, const TwipRect& rect, bool sunken, COLORREF back, UINT id = 0);
    Panel panel_;
};

// A group box with a caption; its children lie inside it.
class Frame : public Panelled {
public:
    void Create(Window& container, const std::wstring& caption, const TwipRect& rect);
};

// A container with an optional sunken border, a background colour and a
// picture drawn at its natural size.
class PictureBox : public Panelled {
public:
    void Create(Window& container, const TwipRect& rect, bool sunken = false, COLORREF back = CLR_INVALID,
                UINT id = 0);
    void SetPicture(HBITMAP bitmap) { panel_.SetPicture(bitmap); }
    HBRUSH BackBrush() const { return panel_.BackBrush(); }
    void SetBackColor(COLORREF color) { panel_.SetBackColor(color); }
};

// A window timer of an owner window. Ticks arrive through the owner's
// message loop; Tick() runs the handler directly.
class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void Create(Window& owner, UINT interval, bool enabled = false);
    void OnTick(Window::Handler handler);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return interval_; }
    // Restarts the count when the timer is running, as a new period.
    void SetInterval(UINT milliseconds);
    void Tick();

private:
    void Apply();
    Window* owner_ = nullptr;
    UINT_PTR id_ = 0;
    UINT interval_ = 0;
    bool enabled_ = false;
    bool running_ = false;
    Window::Handler tick_;
};

// A horizontal slider (trackbar).
class Slider : public Control {
public:
    void Create(Window& container, const TwipRect& rect);
    // Every scroll notification while the user moves it.
    void OnScroll(std::function<void(int code)> handler);

    int Min() const;
    void SetMin(int value);
    int Max() const;
    void SetMax(int value);
    // Set values are clamped into Min..Max by the control.
    int Value() const;
    void SetValue(int value);
    int SmallChange() const;
    void SetSmallChange(int value);
    int LargeChange() const;
    void SetLargeChange(int value);
    // 0 or less: no tick marks.
    int TickFrequency() const { return tickFrequency_; }
    void SetTickFrequency(int value);

private:
    int tickFrequency_ = 1;
};

// An image list of square images from a strip bitmap resource.
class ImageList {
public:
    // The picture sizes drawn for the scales 100, 125, 150, 200 and 250 %.
    static constexpr int kSizes[] = {16, 20, 24, 32, 40};
    // Index into kSizes of the smallest size at least 16 pixels at dpi (the
    // largest beyond 250 %).
    static int SizeIndexForDpi(int dpi);
    // mask: the colour that shows as transparent.
    void Load(UINT bitmapResource, int size, COLORREF mask);
    HIMAGELIST Handle() const { return list_.Get(); }
    int Count() const { return list_ ? ImageList_GetImageCount(list_.Get()) : 0; }

private:
    ScopedImageList list_;
};

struct ToolbarButtonDef {
    std::wstring key;
    std::wstring caption;
    int image = 0;  // 1-based index into the image list, 0 for none
    std::wstring tooltip;
};

struct ToolbarButton {
    int index = 0;  // 1-based
    std::wstring key;
};

// A toolbar of buttons with captions under their images, addressed by index
// (1-based) or key. It is a tab stop: with the focus, the arrows move between
// the enabled buttons and Enter or Space presses the one marked.
class Toolbar : public Control {
public:
    ~Toolbar() override;
    void Create(Window& container, const TwipRect& rect, const ImageList& images,
                std::vector<ToolbarButtonDef> buttons);
    // New pictures (after a change of dpi); the buttons keep their places in the list.
    void SetImages(const ImageList& images);
    void OnButtonClick(std::function<void(const ToolbarButton&)> handler);
    // As if the user clicked button index (nothing when it is disabled).
    void Click(int index);

    int Count() const { return static_cast<int>(buttons_.size()); }
    const ToolbarButtonDef& Button(int index) const;
    // Fails for a key the toolbar does not have.
    bool ButtonEnabled(const std::wstring& key) const;
    void SetButtonEnabled(const std::wstring& key, bool enabled);
    UINT CommandId(int index) const { return firstId_ + static_cast<UINT>(index) - 1; }
    // The button the keyboard has marked (1-based), 0 for none.
    int HotIndex() const;

private:
    static LRESULT CALLBACK KeyboardProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    // The next enabled button from the marked one in direction step (±1), or 0.
    int NextEnabled(int step) const;
    void SetHotIndex(int index);
    int IndexOf(const std::wstring& key) const;
    std::vector<ToolbarButtonDef> buttons_;
    UINT firstId_ = 0;
    std::function<void(const ToolbarButton&)> click_;
};

// The status bar along the bottom of a window, with text panels.
class StatusBar : public Control {
public:
    // widths: twips per panel; the last one takes the rest.
    void Create(Window& form, const std::vector<double>& widths, const std::vector<std::wstring>& texts);
    std::wstring PanelText(int index) const;  // 1-based
    void SetPanelText(int index, const std::wstring& text);
    int PanelCount() const { return static_cast<int>(widths_.size()); }
    // Follows the parent's new size.
    void ParentResized();
    // Along the bottom again, with the panels at the new dpi.
    void Rescale() override;

private:
    std::vector<double> widths_;
};

// A menu bar built item by item, with the Ctrl shortcuts gathered into an
// accelerator table.
class MenuBar {
public:
    MenuBar();
    // A top-level menu. A hidden one keeps its items (and their handlers) but
    // is not on the bar.
    HMENU AddPopup(const std::wstring& caption, bool visible = true);
    // ctrlKey: the letter of a Ctrl shortcut ('A'), or 0.
    void AddItem(HMENU popup, UINT id, const std::wstring& caption, wchar_t ctrlKey = 0);
    void AddSeparator(HMENU popup);
    // A submenu at the end of popup, owned by it; its items are the
    // caller's (often rebuilt each time it opens, on WM_INITMENUPOPUP).
    HMENU AddSubmenu(HMENU popup, const std::wstring& caption);
    // A keyboard shortcut for a command with or without a menu item:
    // modifiers FCONTROL / FSHIFT / FALT (or 0), key a virtual-key code.
    void AddShortcut(BYTE modifiers, WORD key, UINT id);
    // Gives the bar to the window, which destroys it with itself.
    void AttachTo(HWND window);
    HMENU Bar() const { return attached_ ? attached_ : bar_.Get(); }
    HACCEL Accelerators() const { return accel_.Get(); }

private:
    ScopedMenu bar_;
    HMENU attached_ = nullptr;
    std::vector<ScopedMenu> hidden_;
    std::vector<ACCEL> accels_;
    ScopedAccel accel_;
};

}  // namespace orvo
