#pragma once
#include <QObject>
#include <QStringList>
#include <functional>

#include "platform/dialogs.h"

class QWidget;

namespace qa::bench {

// Start-up timing for the launch benchmark. Each prompt is the real dialog,
// answered with the next reply as soon as it has been painted; the moments
// are written to standard error as "probe <event> <monotonic ns>", and the
// program quits once its window has been painted.
class LaunchProbe final : public QObject, public Dialogs {
    Q_OBJECT
public:
    explicit LaunchProbe(const QStringList& replies, QObject* parent = nullptr);

    TypedText prompt(const std::string& text) override;
    void message(const std::string& text) override;
    // The probe never leaves text unrecorded: nothing to ask.
    Choice ask(const std::string&, bool) override { return Choice::No; }

    // Reports the window's first paint, then quits the application.
    void watchWindow(QWidget* window);

    // As QtDialogs::setIdleWork.
    void setIdleWork(std::function<void()> work) { idleWork_ = std::move(work); }

    static void mark(const char* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList replies_;
    std::function<void()> idleWork_;
    QObject* window_ = nullptr;
};

} // namespace qa::bench
