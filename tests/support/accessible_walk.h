#pragma once
// What a screen reader is told: a walk of the accessibility tree (QAccessible)
// below a window, in the process itself, as the platform's bridge (AT-SPI on
// Linux, UI Automation on Windows) would walk it.
#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>
#include <string>
#include <vector>

namespace qa::testing {

// The controls under `top` that take the keyboard focus but have no name,
// each as "role object-name"; empty when every one has a name.
inline std::vector<std::string> unnamedFocusableControls(QWidget* top)
{
    std::vector<std::string> out;
    std::vector<QAccessibleInterface*> todo{QAccessible::queryAccessibleInterface(top)};
    while (!todo.empty()) {
        QAccessibleInterface* node = todo.back();
        todo.pop_back();
        if (!node || !node->isValid())
            continue;
        const QAccessible::State state = node->state();
        if (state.focusable && !state.invisible && node->text(QAccessible::Name).trimmed().isEmpty()) {
            const QObject* object = node->object();
            out.push_back(
                std::to_string(int(node->role())) + " " +
                (object ? object->metaObject()->className() + std::string(" ") + object->objectName().toStdString()
                        : std::string("(no object)")));
        }
        for (int i = 0; i < node->childCount(); ++i)
            todo.push_back(node->child(i));
    }
    return out;
}

// How many controls under `top` take the focus (to see that the walk saw any).
inline int focusableControls(QWidget* top)
{
    int n = 0;
    std::vector<QAccessibleInterface*> todo{QAccessible::queryAccessibleInterface(top)};
    while (!todo.empty()) {
        QAccessibleInterface* node = todo.back();
        todo.pop_back();
        if (!node || !node->isValid())
            continue;
        n += node->state().focusable && !node->state().invisible;
        for (int i = 0; i < node->childCount(); ++i)
            todo.push_back(node->child(i));
    }
    return n;
}

} // namespace qa::testing
