// The real prompt: what the student typed comes back on OK, and nothing comes
// back on Cancel, whatever was typed before it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
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

// A message of ours in UTF-8 reaches the box whole: a character the record
// files refuse shows as itself, and CR LF is a line break.
TEST(QtMessage, Utf8TextShowsEveryCharacter)
{
    qa::widgets::QtDialogs dialogs;
    QString shown;
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->deleteLater();
        poll->stop();
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    poll->start(5);
    dialogs.messageUtf8("Refused: \xE2\x89\xA4 (U+2264), \xF0\x9F\x98\x80 (U+1F600).\r\nAgain.");
    EXPECT_EQ(shown, QString::fromUtf16(u"Refused: \u2264 (U+2264), \U0001F600 (U+1F600).\nAgain."));
}

// The question before the program ends: the application's title as caption,
// Yes and No, Cancel only where offered; Escape is Cancel there, else No.
TEST(QtQuestion, ButtonsCaptionAndEscape)
{
    QApplication::setApplicationName("qa-tutor");
    qa::widgets::QtDialogs dialogs;
    for (bool offerCancel : {true, false}) {
        for (const char* press : {"Yes", "No", "Escape"}) {
            bool seen = false;
            auto* poll = new QTimer(qApp);
            QObject::connect(poll, &QTimer::timeout, poll, [&, poll, press] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                poll->deleteLater();
                poll->stop();
                seen = true;
                EXPECT_EQ(box->windowTitle(), QString("qa-tutor"));
                EXPECT_EQ(box->text(), QString("Record it?"));
                EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
                EXPECT_NE(box->button(QMessageBox::No), nullptr);
                EXPECT_EQ(box->button(QMessageBox::Cancel) != nullptr, offerCancel);
                if (std::string(press) == "Escape")
                    QTest::keyClick(box, Qt::Key_Escape);
                else
                    box->button(std::string(press) == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            poll->start(5);
            const auto choice = dialogs.ask("Record it?", offerCancel);
            using Choice = qa::Dialogs::Choice;
            const Choice want = std::string(press) == "Yes"  ? Choice::Yes
                                : std::string(press) == "No" ? Choice::No
                                : offerCancel                ? Choice::Cancel
                                                             : Choice::No;
            EXPECT_TRUE(seen);
            EXPECT_EQ(choice, want) << press << (offerCancel ? " with Cancel" : "");
        }
    }
}

} // namespace
