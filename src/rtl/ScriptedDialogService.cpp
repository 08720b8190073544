#include "ScriptedDialogService.h"

int ScriptedDialogService::MessageBox(const AnsiString& text, const AnsiString& caption,
                                      unsigned flags) {
    messages.push_back({text, caption, flags});
    if (OnShow)
        OnShow(messages.back());
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    unsigned buttons = flags & 0x0F;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
}

void ScriptedDialogService::ShowText(const AnsiString& text, const AnsiString& caption) {
    texts.push_back({text, caption, 0});
}

std::optional<AnsiString> ScriptedDialogService::BrowseForFolder(const AnsiString& title,
                                                                 const AnsiString& initialFolder) {
    (void)initialFolder;
    browseTitles.push_back(title);
    if (folders.empty())
        return std::nullopt;
    std::optional<AnsiString> folder = folders.front();
    folders.pop_front();
    return folder;
}
