#pragma once

#include <QObject>
#include <QtGlobal>

// The child of `parent` named `name`. The test program stops at once where there is none: every check on
// it would fail, or crash.
template <typename Widget> Widget* requiredChild(const QObject& parent, const char* name) {
    auto* widget = parent.findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr)
        qFatal("%s has no %s", parent.metaObject()->className(), name);
    return widget;
}
