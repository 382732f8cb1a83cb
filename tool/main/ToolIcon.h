#pragma once

#include <QIcon>

// The tool's icon, shown by the main window and the about box.
QIcon ToolIcon();
