#include "app/widgets/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include "app/widgets/qt_text.h"

namespace qa::widgets {

TypedText QtDialogs::prompt(const std::string& text)
{
    QInputDialog dialog;
    dialog.setWindowTitle(QApplication::applicationName());
    dialog.setLabelText(fromCore(text));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return toCore(dialog.textValue());
}

void QtDialogs::message(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), fromCore(text), QMessageBox::Ok);
    box.exec();
}

} // namespace qa::widgets
