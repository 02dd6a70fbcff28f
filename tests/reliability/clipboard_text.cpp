// Prints the text on the X server's clipboard as UTF-8, for the real-window
// tests: a message box puts its title, text and buttons there on Ctrl+C, so
// a test reads what the student was told. Exits 1 when the clipboard holds
// no text.
#include <QClipboard>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    if (text.isEmpty())
        return 1;
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return 0;
}
