// The window's side of the tutor's view: the question and answer boxes, the
// pictures and the timer as the core asks for them.
#include <QApplication>
#include <QClipboard>
#include <QTextCursor>

#include "app/widgets/main_window.h"
#include "app/widgets/picture_box.h"
#include "app/widgets/qt_text.h"

namespace qa::widgets {

void MainWindow::setQuestionText(const std::string& text)
{
    if (text.empty() && question_->document()->isEmpty())
        return; // nothing to clear: spare the box a layout and a repaint
    question_->setPlainText(fromCore(text));
}

void MainWindow::appendQuestionText(const std::string& text)
{
    if (text.empty())
        return;
    QTextCursor cursor(question_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(fromCore(text));
}

TypedText MainWindow::answerText()
{
    // The raw text keeps no-break spaces; the plain text would turn them into blanks.
    return toCore(answer_->document()->toRawText());
}

std::string MainWindow::answerDraft()
{
    QString text = answer_->document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    return text.replace(u'\n', QStringLiteral("\r\n")).toStdString();
}

void MainWindow::setAnswerDraft(const std::string& utf8)
{
    QTextCursor cursor(answer_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(QString::fromStdString(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    cursor.endEditBlock();
}

void MainWindow::setAnswerText(const std::string& text)
{
    // One undoable edit, so Ctrl+Z brings back what the student had typed.
    QTextCursor cursor(answer_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    if (text.empty())
        cursor.removeSelectedText();
    else
        cursor.insertText(fromCore(text));
    cursor.endEditBlock();
}

void MainWindow::answerRecorded()
{
    // Undo history before a recording is dropped, so it cannot grow without
    // bound over a long session; emptying the box afterwards stays undoable.
    answer_->document()->clearUndoRedoStacks();
}

void MainWindow::setPictureScale(Picture box, double width, double height)
{
    picture(box)->setScale(width, height);
}

void MainWindow::drawCircle(Picture box, double x, double y, double radius)
{
    picture(box)->drawCircle(x, y, radius);
}

void MainWindow::copyPicture()
{
    // Only the picture the box holds travels, not what was drawn on it.
    if (picture1_->picture().isNull())
        return;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setPixmap(picture1_->picture());
    picture2_->setPicture(clipboard->pixmap());
}

void MainWindow::enableTimer()
{
    if (!timer_->isActive())
        timer_->start();
}

void MainWindow::beep()
{
    QApplication::beep();
}

} // namespace qa::widgets
