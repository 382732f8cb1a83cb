#pragma once

class QLineEdit;
class QWidget;

// Boxes that keep to what a terminal or the tool database can take.

// Decimal digits only, at most `maxLength` of them.
QLineEdit* MakeDigitsBox(QWidget* parent, const char* objectName, int maxLength);

// Text that GBK can encode, at most `byteLimit` bytes once encoded.
QLineEdit* MakeTextBox(QWidget* parent, const char* objectName, int byteLimit);
