// The floor of the launch and memory benchmarks: a bare Qt Widgets program
// that builds a window with as many controls as the tutor's and shows one
// prompt, answered the same way the tutor's prompts are.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "launch_probe.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("bare");
    qa::bench::LaunchProbe probe(QStringList{"1"});

    QWidget window;
    window.resize(725, 573);
    int x = 0;
    auto place = [&](QWidget* w) {
        w->setGeometry(x * 20 % 700, x * 15 % 550, 57, 33);
        ++x;
    };
    for (int i = 0; i < 13; ++i)
        place(new QPushButton(QString("button %1").arg(i), &window));
    for (int i = 0; i < 5; ++i)
        place(new QLineEdit("1", &window));
    for (int i = 0; i < 6; ++i)
        place(new QLabel(QString("label %1").arg(i), &window));
    place(new QListWidget(&window));
    for (int i = 0; i < 2; ++i) {
        auto* picture = new QWidget(&window);
        picture->setAutoFillBackground(true);
        place(picture);
    }
    for (int i = 0; i < 2; ++i)
        place(new QPlainTextEdit(&window));
    QTimer timer(&window);
    timer.setInterval(15);

    probe.prompt("Enter 1");
    probe.watchWindow(&window);
    window.show();
    return QApplication::exec();
}
