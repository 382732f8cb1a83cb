#pragma once

#include <QString>

// Puts "0" characters in front of `text` until it is `width` characters long and returns the width; a
// text already that long or longer stays as it is, and its length is returned. Used for digit-string
// programming values, which always have CodeNum digits.
int ZeroFill(QString& text, int width);
