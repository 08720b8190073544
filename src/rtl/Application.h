// The application object: title, forms, the message loop and its error display.
//
// Every call from Qt into the program's handlers goes through DispatchSafely: an error that
// escapes a handler is shown in a modal error box (the application title as caption, one OK
// button, the message with a full stop appended when its last character sorts after ".")
// and the loop carries on. Terminate ends the loop the next time control returns to it; the
// handler that asked, and whatever it still does, runs to its end first.
#pragma once

#include "Classes.h"
#include "DialogService.h"

#include <functional>
#include <memory>
#include <thread>

class QApplication;
class TCustomForm;

class TApplication : public TComponent {
public:
    DECLARE_CLASS_INFO
    // Creates the Qt application (from argc/argv only Qt's own options are taken) and makes
    // itself the global Application.
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    // COM for this thread (a single-threaded apartment, left again when the application goes)
    // and the Qt dialog service.
    void Initialize();
    const AnsiString& Title() const { return title_; }
    void SetTitle(const AnsiString& title);

    // Creates a form owned by the application: sets reference, restores the form from its
    // stored description, runs its OnCreate. The first form created is the main form.
    template <class T> void CreateForm(T*& reference) {
        T* form = new T(this);
        reference = form;
        const bool first = !mainForm_;
        // The first form is shown first: its pictures decode while it and the other forms are
        // read.
        if (first)
            form->DecodePicturesAhead();
        try {
            form->AfterConstruction();
        } catch (...) {
            reference = nullptr;
            delete form;
            throw;
        }
        if (first)
            mainForm_ = form;
    }
    TCustomForm* MainForm() const { return mainForm_; }

    // Shows the main form and handles messages until Terminate is asked for.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Waits for and handles the next messages.
    void HandleMessage();
    // Handles every message pending now, without waiting.
    void ProcessMessages();
    // The whole application to its taskbar button.
    void Minimize();

    // The message box of the run-time library, captioned with the title when caption is empty.
    int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags);
    void ShowException(const AnsiString& message);
    DialogService& Dialogs();
    void SetDialogs(std::unique_ptr<DialogService> dialogs);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::unique_ptr<QApplication> qtApplication_;
    // Declared after the application, so that it is joined before the application goes.
    std::jthread readerBus_;
    std::unique_ptr<DialogService> dialogs_;
    AnsiString title_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    int comInitializations_ = 0;
};

extern TApplication* Application;

// Ends the program with what's name on standard error unless called on the thread of the Qt
// application, the only one that may touch widgets.
void RequireGuiThread(const char* what);

// Runs a handler; an error escaping it is shown by the application's error box.
void DispatchSafely(const std::function<void()>& handler) noexcept;

// The text the error box shows for a message: a full stop is appended when the last
// character sorts after "." (for a two-byte GBK character, its lead byte is compared).
AnsiString ErrorBoxText(const AnsiString& message);
