#include "forms/InputBoxes.h"

#include "basectrl/DigitsValidator.h"
#include "basectrl/GbkByteLimitValidator.h"

#include <QLineEdit>

QLineEdit* MakeDigitsBox(QWidget* parent, const char* objectName, int maxLength) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(objectName));
    box->setMaxLength(maxLength);
    box->setValidator(new DigitsValidator(box));
    return box;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* objectName, int byteLimit) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(objectName));
    // Every character takes at least one byte: the character limit never refuses what the bytes allow.
    box->setMaxLength(byteLimit);
    box->setValidator(new GbkByteLimitValidator(byteLimit, box));
    return box;
}
