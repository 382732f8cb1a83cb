#pragma once

#include <QObject>
#include <QPushButton>
#include <span>

class Captions;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QWidget;

// The controls the tool's windows are built of. Those made with a key are entered in the window's
// captions under it, and show its text once the captions are applied.

// A push button that Enter presses only while it has the focus: the tool's windows have no default button,
// so Enter in an edit box presses nothing.
QPushButton* MakeButton(QWidget* parent, const char* objectName);
QPushButton* MakeButton(Captions& captions, QWidget* parent, const char* key, const char* objectName);
// The same, pressed to call `onClicked` of `receiver`.
template <typename Receiver>
QPushButton* MakeButton(Captions& captions, QWidget* parent, const char* key, const char* objectName,
                        Receiver* receiver, void (Receiver::*onClicked)()) {
    QPushButton* button = MakeButton(captions, parent, key, objectName);
    QObject::connect(button, &QPushButton::clicked, receiver, onClicked);
    return button;
}

QGroupBox* MakeGroupBox(Captions& captions, QWidget* parent, const char* key, const char* objectName);
QLabel* MakeLabel(Captions& captions, QWidget* parent, const char* key);

// Radio buttons in `parent` with the ids 0, 1, ... in the order of their keys, each named
// "<objectName>.<key>", the first one chosen.
QButtonGroup* MakeRadioGroup(Captions& captions, QWidget* parent, std::span<const char* const> keys,
                             const char* objectName);
