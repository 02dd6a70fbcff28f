// The real prompt: what the student typed comes back on OK, and nothing comes
// back on Cancel, whatever was typed before it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/widgets/qt_dialogs.h"

namespace {

// Types `typed` into the next modal prompt once it is open, then presses `button`.
void answerNextPrompt(const QString& typed, QDialogButtonBox::StandardButton button)
{
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, typed, button] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        poll->stop();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(), typed);
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(button), Qt::LeftButton);
    });
    poll->start(5);
}

TEST(QtPrompt, OkGivesTheTypedTextAndCancelGivesNothing)
{
    qa::widgets::QtDialogs dialogs;

    answerNextPrompt("Ann Lee", QDialogButtonBox::Ok);
    const qa::TypedText accepted = dialogs.prompt("Your full name:  ");
    EXPECT_EQ(accepted.text, "Ann Lee");
    EXPECT_TRUE(accepted.unencodable.empty());

    answerNextPrompt("Ann Lee", QDialogButtonBox::Cancel);
    const qa::TypedText cancelled = dialogs.prompt("Your full name:  ");
    EXPECT_EQ(cancelled.text, "");
    EXPECT_TRUE(cancelled.unencodable.empty());
}

} // namespace
