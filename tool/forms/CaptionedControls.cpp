#include "forms/CaptionedControls.h"

#include "forms/Captions.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>

namespace {

// Never a default button, so Enter in an edit box presses nothing; but Enter on the focused button presses
// it, as Space does.
class EnterPressedButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
            QPushButton::keyPressEvent(event);
            return;
        }
        event->accept();
        animateClick();
    }
};

} // namespace

QPushButton* MakeButton(QWidget* parent, const char* objectName) {
    auto* button = new EnterPressedButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    return button;
}

QPushButton* MakeButton(Captions& captions, QWidget* parent, const char* key, const char* objectName) {
    QPushButton* button = MakeButton(parent, objectName);
    captions.add(key, button);
    return button;
}

QGroupBox* MakeGroupBox(Captions& captions, QWidget* parent, const char* key, const char* objectName) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(QLatin1String(objectName));
    captions.add(key, group);
    return group;
}

QLabel* MakeLabel(Captions& captions, QWidget* parent, const char* key) {
    auto* label = new QLabel(parent);
    captions.add(key, label);
    return label;
}

QButtonGroup* MakeRadioGroup(Captions& captions, QWidget* parent, std::span<const char* const> keys,
                             const char* objectName) {
    auto* group = new QButtonGroup(parent);
    group->setObjectName(QLatin1String(objectName));
    for (const char* key : keys) {
        auto* radio = new QRadioButton(parent);
        radio->setObjectName(QLatin1String(objectName) + QLatin1Char('.') + QLatin1String(key));
        group->addButton(radio, static_cast<int>(group->buttons().size()));
        captions.add(key, radio);
    }
    group->button(0)->setChecked(true);
    return group;
}
