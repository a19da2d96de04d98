// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/common/InterfaceStrings.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTabWidget>
#include <optional>

namespace qx {

namespace {

std::string Utf8(const QString& text) { return text.toStdString(); }

StringsControl TextAndHint(const QObject& object, const QString& caption, const QString& hint) {
    StringsControl control;
    control.name = Utf8(object.objectName());
    if (!caption.isEmpty()) control.captions.push_back(Utf8(caption));
    control.hint = Utf8(hint);
    return control;
}

QString ActionHint(const QAction& action) {
    const QVariant hint = action.property(kHintProperty);
    if (hint.isValid()) return hint.toString();
    // Without a tool tip of its own an action reports its caption as one.
    const QString tip = action.toolTip();
    QString caption = action.text();
    caption.remove(QLatin1Char('&'));
    return tip == caption ? QString() : tip;
}

// The page of a tab widget, which Qt keeps in the tab widget's own stack.
const QTabWidget* TabWidgetOfPage(const QWidget& page) {
    const auto* stack = qobject_cast<const QStackedWidget*>(page.parentWidget());
    return stack == nullptr ? nullptr : qobject_cast<const QTabWidget*>(stack->parentWidget());
}

std::optional<StringsControl> ControlStrings(const QObject& object) {
    if (const auto* label = qobject_cast<const QLabel*>(&object))
        return TextAndHint(object, label->text(), label->toolTip());
    if (const auto* action = qobject_cast<const QAction*>(&object)) {
        if (action->isSeparator()) return std::nullopt;
        return TextAndHint(object, action->text(), ActionHint(*action));
    }
    // Push, tool and radio buttons keep their hint; a check box keeps its caption only.
    const auto* button = qobject_cast<const QAbstractButton*>(&object);
    if (button != nullptr && qobject_cast<const QCheckBox*>(&object) == nullptr)
        return TextAndHint(object, button->text(), button->toolTip());
    if (const auto* menu = qobject_cast<const QMenu*>(&object))
        return TextAndHint(object, menu->title(), menu->toolTip());
    if (const auto* box = qobject_cast<const QCheckBox*>(&object))
        return TextAndHint(object, box->text(), QString());
    if (const auto* view = qobject_cast<const QAbstractItemView*>(&object)) {
        StringsControl control;
        control.name = Utf8(object.objectName());
        if (const QAbstractItemModel* model = view->model())
            for (int column = 0; column < model->columnCount(); ++column)
                control.captions.push_back(
                    Utf8(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()));
        return control;
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&object))
        return TextAndHint(object, group->title(), QString());
    if (const auto* page = qobject_cast<const QWidget*>(&object))
        if (const QTabWidget* tabs = TabWidgetOfPage(*page))
            return TextAndHint(object, tabs->tabText(tabs->indexOf(page)), QString());
    return std::nullopt;
}

// Depth first, in the order the children were made. Another window (a dialog, a popup menu)
// has its own entry or none; a menu is kept as a menu item without going into it.
// A stack's pages in page order: showing a page raises it to the end of the children.
QObjectList InOrder(const QObject& parent) {
    const auto* stack = qobject_cast<const QStackedWidget*>(&parent);
    if (stack == nullptr) return parent.children();
    QObjectList ordered;
    for (int page = 0; page < stack->count(); ++page) ordered.append(stack->widget(page));
    for (QObject* child : parent.children())
        if (!ordered.contains(child)) ordered.append(child);
    return ordered;
}

void Collect(const QObject& parent, StringsForm& form) {
    for (const QObject* child : InOrder(parent)) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        const bool otherWindow = widget != nullptr && widget->isWindow();
        // Qt's own inner parts carry no names of this program.
        const QString name = child->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
            (!otherWindow || qobject_cast<const QMenu*>(child) != nullptr))
            if (std::optional<StringsControl> control = ControlStrings(*child))
                form.controls.push_back(std::move(*control));
        if (!otherWindow) Collect(*child, form);
    }
}

}  // namespace

StringsForm CollectFormStrings(const QWidget& window) {
    StringsForm form;
    form.name = Utf8(window.objectName());
    form.caption = Utf8(window.windowTitle());
    Collect(window, form);
    return form;
}

}  // namespace qx
