#include "tests/support/scripted_ui.h"

namespace orvo {
namespace {

int FirstButton(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_YESNO:
        case MB_YESNOCANCEL: return IDYES;
        case MB_RETRYCANCEL: return IDRETRY;
        case MB_ABORTRETRYIGNORE: return IDABORT;
        default: return IDOK;
    }
}

}  // namespace

ScriptedUi::ScriptedUi() : previous_(SetUi(this)) {}
ScriptedUi::~ScriptedUi() { SetUi(previous_); }

int ScriptedUi::MessageBox(const MessageBoxRequest& request) {
    Entry e{Entry::Kind::MessageBox, request, {}, {}, {}};
    log_.push_back(e);
    if (messageAnswers.empty()) return FirstButton(request.type);
    int a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
}

std::wstring ScriptedUi::FileDialog(const FileDialogRequest& request) {
    log_.push_back({Entry::Kind::FileDialog, {}, request, {}, {}});
    if (dialogAnswers.empty()) return {};
    std::wstring a = dialogAnswers.front();
    dialogAnswers.pop_front();
    int type = request.filterIndex;
    if (!typeAnswers.empty()) {
        type = typeAnswers.front();
        typeAnswers.pop_front();
    }
    if (request.chosenFilter) *request.chosenFilter = type;
    return a;
}

bool ScriptedUi::Launch(const LaunchRequest& request) {
    log_.push_back({Entry::Kind::Launch, {}, {}, request, {}});
    if (launchAnswers.empty()) return true;
    bool a = launchAnswers.front();
    launchAnswers.pop_front();
    return a;
}

std::wstring ScriptedUi::FolderDialog(HWND, const std::wstring&, const std::wstring&) {
    ++folderRequests;
    if (folderAnswers.empty()) return {};
    std::wstring answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

int ScriptedUi::Choice(const ChoiceRequest& request) {
    log_.push_back({Entry::Kind::Choice, {}, {}, {}, request});
    if (choiceAnswers.empty()) return -1;
    int a = choiceAnswers.front();
    choiceAnswers.pop_front();
    return a;
}

std::vector<ChoiceRequest> ScriptedUi::Choices() const {
    std::vector<ChoiceRequest> out;
    for (const auto& e : log_)
        if (e.kind == Entry::Kind::Choice) out.push_back(e.choice);
    return out;
}

std::vector<MessageBoxRequest> ScriptedUi::Messages() const {
    std::vector<MessageBoxRequest> out;
    for (const auto& e : log_)
        if (e.kind == Entry::Kind::MessageBox) out.push_back(e.message);
    return out;
}

std::vector<FileDialogRequest> ScriptedUi::Dialogs() const {
    std::vector<FileDialogRequest> out;
    for (const auto& e : log_)
        if (e.kind == Entry::Kind::FileDialog) out.push_back(e.dialog);
    return out;
}

std::vector<LaunchRequest> ScriptedUi::Launches() const {
    std::vector<LaunchRequest> out;
    for (const auto& e : log_)
        if (e.kind == Entry::Kind::Launch) out.push_back(e.launch);
    return out;
}

}  // namespace orvo
