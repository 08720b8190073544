#include "Application.h"

#include "Accessibility.h"
#include "Form.h"
#include "TypeInfo.h"

#include "winapi/Gbk.h"
#include "winapi/ole32.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <system_error>
#include <thread>

TApplication* Application = nullptr;

namespace {
// Byte offset of the last character of a GBK string (0 for an empty one).
size_t LastCharStart(const AnsiString& s) {
    size_t i = 0, last = 0;
    while (i < s.size()) {
        last = i;
        bool pair = gbk::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size();
        i += pair ? 2 : 1;
    }
    return last;
}

// True when the text already closes a sentence, with an ASCII or a full-width mark.
bool EndsWithSentenceMark(const AnsiString& message) {
    const AnsiString last = message.substr(LastCharStart(message));
    if (last == "." || last == "!" || last == "?")
        return true;
    for (const char* mark : {"。", "！", "？"})
        if (last == *gbk::FromUtf8(mark))
            return true;
    return false;
}
} // namespace

AnsiString ErrorBoxText(const AnsiString& message) {
    if (message.empty() || EndsWithSentenceMark(message))
        return message;
    auto last = static_cast<unsigned char>(message[LastCharStart(message)]);
    return last > static_cast<unsigned char>('.') ? message + "." : message;
}

void DispatchSafely(const std::function<void()>& handler) noexcept {
    AnsiString error;
    try {
        handler();
        return;
    } catch (const Exception& e) {
        error = e.Message();
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "Unknown error";
    }
    try {
        if (Application)
            Application->ShowException(error);
        else
            std::fprintf(stderr, "%s\n", error.c_str());
    } catch (...) {
        std::fprintf(stderr, "%s\n", error.c_str());
    }
}

void RequireGuiThread(const char* what) {
    const QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread())
        return;
    // Widgets touched from another thread corrupt Qt's state silently; stop at the cause.
    std::fprintf(stderr, "%s called off the window thread\n", what);
    std::abort();
}

TApplication::TApplication(int& argc, char** argv) : TComponent(nullptr) {
    // The font configuration takes milliseconds to read; it is read beside Qt's start, which
    // needs no fonts, instead of at the first text. Fontconfig keeps one configuration
    // for the process whichever thread made it.
    std::thread fontSetUp;
    try {
        fontSetUp = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread: the first text reads it.
    }
    if (!QApplication::instance()) {
        readerBus_ = ConnectReaderBusAhead();
        qtApplication_ = std::make_unique<QApplication>(argc, argv);
    }
    // Joined before anything can draw text, so that the configuration is complete without
    // relying on fontconfig's internal locking, which the thread checker cannot see.
    if (fontSetUp.joinable())
        fontSetUp.join();
    // Windows are hidden and shown by the program; ending is always Terminate.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallControlAccessibility();
    Application = this;
}

TApplication::~TApplication() {
    // The forms go while Qt still runs.
    while (ComponentCount() > 0)
        delete Components(ComponentCount() - 1);
    if (Application == this)
        Application = nullptr;
    for (; comInitializations_ > 0; --comInitializations_)
        CoUninitialize();
}

void TApplication::Initialize() {
    // Each successful call, S_FALSE included, is balanced by one CoUninitialize.
    if (SUCCEEDED(CoInitialize(nullptr)))
        ++comInitializations_;
    if (!dialogs_)
        dialogs_ = std::make_unique<QtDialogService>();
}

void TApplication::SetTitle(const AnsiString& title) {
    title_ = title;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* form = dynamic_cast<TCustomForm*>(Components(i)))
            form->UpdateWindowTitle();
}

void TApplication::Run() {
    if (mainForm_ && !terminated_)
        mainForm_->Show();
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate() {
    terminated_ = true;
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

void TApplication::HandleMessage() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TApplication::ProcessMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Minimize() {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* form = dynamic_cast<TCustomForm*>(Components(i)))
            if (form->Visible())
                form->Widget()->showMinimized();
}

int TApplication::MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
    return Dialogs().MessageBox(text, caption.empty() ? title_ : caption, flags);
}

void TApplication::ShowException(const AnsiString& message) {
    MessageBox(ErrorBoxText(message), title_, MB_OK | MB_ICONERROR);
}

DialogService& TApplication::Dialogs() {
    if (!dialogs_)
        dialogs_ = std::make_unique<QtDialogService>();
    return *dialogs_;
}

void TApplication::SetDialogs(std::unique_ptr<DialogService> dialogs) {
    dialogs_ = std::move(dialogs);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mainForm_)
        mainForm_ = nullptr;
}

const TClassInfo& TApplication::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TApplication, TComponent>("TApplication");
    return info;
}
