#include "forms/Captions.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <optional>

namespace {

void ShowCaption(QWidget* widget, const QString& text) {
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (widget->isWindow())
        widget->setWindowTitle(text);
}

} // namespace

void Captions::add(const char* key, QWidget* widget) {
    m_captions.push_back({key, widget});
}

void Captions::apply(const TextTable& texts) const {
    for (const Caption& caption : m_captions)
        ShowCaption(caption.widget, texts.text(caption.key));
}

Captions::Loaded Captions::load(const QString& languageDatabasePath, const TextTableKeys& keys,
                                Prompter& prompter) const {
    const TextTable fallbacks = TextTable::chinese(keys);
    apply(fallbacks);
    std::optional<TextTable> table = TextTable::read(languageDatabasePath, keys, prompter);
    if (!table)
        return {fallbacks, false};
    apply(*table);
    return {*table, true};
}
