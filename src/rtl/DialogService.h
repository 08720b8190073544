// Message boxes, a long text to read and the folder picker, behind one interface so tests can
// answer them. QtDialogService shows real modal dialogs: the other windows are disabled while one
// is open, and timers go on running. ScriptedDialogService (ScriptedDialogService.h) records what
// was asked and answers from a script.
#pragma once

#include "SysUtils.h"

#include <optional>

// MessageBox flags and answers (the Win32 values).
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_OKCANCEL = 0x01;
inline constexpr unsigned MB_YESNOCANCEL = 0x03;
inline constexpr unsigned MB_YESNO = 0x04;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class DialogService {
public:
    virtual ~DialogService() = default;
    // A modal message box; text and caption are GBK. Returns the ID of the button pressed.
    virtual int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) = 0;
    // A modal window showing a long text (a licence) to scroll through, closed by one OK
    // button; text and caption are GBK.
    virtual void ShowText(const AnsiString& text, const AnsiString& caption) = 0;
    // The folder picker, opened on initialFolder when it is not empty. Returns the chosen
    // folder as a GBK Windows path, or nullopt when the user cancels.
    virtual std::optional<AnsiString> BrowseForFolder(const AnsiString& title,
                                                      const AnsiString& initialFolder) = 0;
};

class QtDialogService : public DialogService {
public:
    int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) override;
    void ShowText(const AnsiString& text, const AnsiString& caption) override;
    std::optional<AnsiString> BrowseForFolder(const AnsiString& title,
                                              const AnsiString& initialFolder) override;
};
