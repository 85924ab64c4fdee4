// A UI seam for tests: records every request in order and answers from a script.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "win/ui_seam.h"

namespace orvo {

// Records every request in order and answers from queues. With nothing
// scripted, a message box answers its first button, a file dialog is
// cancelled, a launch succeeds and a choice is closed unanswered (-1).
class ScriptedUi : public UiSeam {
public:
    struct Entry {
        enum class Kind { MessageBox, FileDialog, Launch, Choice } kind;
        MessageBoxRequest message;
        FileDialogRequest dialog;
        LaunchRequest launch;
        ChoiceRequest choice;
    };

    ScriptedUi();   // installs itself
    ~ScriptedUi() override;  // restores the seam it replaced
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    int MessageBox(const MessageBoxRequest& request) override;
    std::wstring FileDialog(const FileDialogRequest& request) override;
    bool Launch(const LaunchRequest& request) override;
    int Choice(const ChoiceRequest& request) override;
    // Answers from folderAnswers (empty: cancelled); counts the requests.
    std::wstring FolderDialog(HWND owner, const std::wstring& title, const std::wstring& start) override;

    std::deque<int> messageAnswers;
    std::deque<std::wstring> dialogAnswers;
    // The type each answered dialog ends with selected (its first one when
    // none is queued).
    std::deque<int> typeAnswers;
    std::deque<bool> launchAnswers;
    // What FileDialogError reports after an empty answer (0: a cancel).
    DWORD dialogError = 0;
    DWORD FileDialogError() const override { return dialogError; }
    std::deque<int> choiceAnswers;
    std::deque<std::wstring> folderAnswers;
    int folderRequests = 0;

    const std::vector<Entry>& Log() const { return log_; }
    std::vector<MessageBoxRequest> Messages() const;
    std::vector<FileDialogRequest> Dialogs() const;
    std::vector<LaunchRequest> Launches() const;
    std::vector<ChoiceRequest> Choices() const;
    void Clear() { log_.clear(); }

private:
    std::vector<Entry> log_;
    UiSeam* previous_;
};

}  // namespace orvo
