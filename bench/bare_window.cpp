// The floor of the launch and memory benchmarks: a bare Qt Widgets program
// that builds a window with as many controls as the tutor's and shows one
// prompt, answered the same way the tutor's prompts are.
//
// Given a folder (the launch benchmark's), it then writes what the tutor's
// first recording writes, the least a crash-safe append costs: the journal's
// bytes over a journal file, synced; then the opening header appended to the
// master and the send file, each synced. The header's bytes are those the
// tutor wrote (header-master, header-send in that folder).
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "launch_probe.h"

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeSynced(const std::string& path, const std::string& bytes, int mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0600);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 2 ? argv[2] : "";
    std::string master, send;
    if (!folder.empty()) {
        master = readAll(folder + "/header-master");
        send = readAll(folder + "/header-send");
    }

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
    if (!folder.empty()) {
        // The journal names both files and holds both blocks.
        writeSynced(folder + "/journal", folder + "/master\n" + folder + "/send\n" + master + send, 0);
        writeSynced(folder + "/master", master, O_APPEND);
        writeSynced(folder + "/send", send, O_APPEND);
    }
    probe.watchWindow(&window);
    window.show();
    return QApplication::exec();
}
