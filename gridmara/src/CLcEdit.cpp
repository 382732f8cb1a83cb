#include "gridmara/CLcEdit.h"

#include "gridmara/CGridmara.h"

#include <QFocusEvent>

CLcEdit::CLcEdit(QWidget* parent) : QLineEdit(parent) {}

CLcEdit::~CLcEdit() = default;

void CLcEdit::SetEditListCtrl(CGridmara* list) {
    m_pListCtrl = list;
}

void CLcEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The box's own context menu takes the focus only for a moment; the edit goes on.
    if (event->reason() != Qt::PopupFocusReason) {
        OnKillFocus();
    }
}

void CLcEdit::OnKillFocus() {
    if (m_pListCtrl != nullptr && m_pListCtrl->HaveEditItem()) {
        m_pListCtrl->OnChangeItemText(text());
    }
}
