// A dialog service for tests: records every message box, shown text and picker request and answers
// them from queues (a message box with no queued answer gets its first button: OK or Yes; a picker
// with none is cancelled). OnShow runs while a box is "open", so a test can act inside it.
#pragma once

#include "DialogService.h"

#include <deque>
#include <functional>
#include <vector>

class ScriptedDialogService : public DialogService {
public:
    struct Message {
        AnsiString text;
        AnsiString caption;
        unsigned flags = 0;
    };

    int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) override;
    void ShowText(const AnsiString& text, const AnsiString& caption) override;
    std::optional<AnsiString> BrowseForFolder(const AnsiString& title,
                                              const AnsiString& initialFolder) override;

    std::deque<int> answers;
    std::deque<std::optional<AnsiString>> folders;
    std::vector<Message> messages;
    std::vector<Message> texts; // ShowText calls (flags 0)
    std::vector<AnsiString> browseTitles;
    std::function<void(const Message&)> OnShow;
};
