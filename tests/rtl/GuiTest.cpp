#include "GuiTest.h"

#include "rtl/StoredDescription.h"

#include <QBuffer>
#include <QWidget>

namespace {
int g_argc = 1;
char g_name[] = "rtl_tests";
char* g_argv[] = {g_name, nullptr};
} // namespace

GuiTest::GuiTest() {
    testing_support::EnsureQtApplication();
    RegisterTestClasses();
    app = std::make_unique<TApplication>(g_argc, g_argv);
    auto scripted = std::make_unique<ScriptedDialogService>();
    dialogs = scripted.get();
    app->SetDialogs(std::move(scripted));
}

GuiTest::~GuiTest() {
    app.reset();
}

TTestForm* GuiTest::MakeForm(const std::string& text) {
    auto* form = new TTestForm(app.get());
    form->AfterConstruction(ParseDescription(text, "."));
    return form;
}

TBytes PngBytes(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return TBytes(data.begin(), data.end());
}

std::string HexBlock(const TBytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex = "{";
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex + "}";
}

QImage Grab(TWinControl* control) {
    return control->Widget()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}
