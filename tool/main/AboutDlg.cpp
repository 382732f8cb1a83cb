#include "main/AboutDlg.h"

#include "main/ToolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于ZenvarTools"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ToolIcon().pixmap(32, 32));
    auto* version = new QLabel(QStringLiteral("Zenvar Tool 1.0 版"), this);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QHBoxLayout;
    text->addWidget(icon);
    text->addSpacing(12);
    text->addWidget(version, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(text);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
