#pragma once
// Small pieces every window of the review uses: texts between the core's
// UTF-8 and Qt's strings, a label that names its field, and a control's
// name for screen readers.
#include <QLabel>
#include <QString>
#include <string>

namespace qa::review::widgets {

inline QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

inline std::string toUtf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

inline QLabel* labelFor(const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

template <class W> W* named(W* w, const QString& name)
{
    w->setAccessibleName(name);
    return w;
}

} // namespace qa::review::widgets
