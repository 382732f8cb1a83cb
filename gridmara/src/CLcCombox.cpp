#include "gridmara/CLcCombox.h"

#include "gridmara/CGridmara.h"

#include <QAbstractItemView>
#include <QEvent>

CLcCombox::CLcCombox(QWidget* parent) : QComboBox(parent), m_Popup(view()->window()) {
    connect(this, &QComboBox::activated, this, [this](int) { OnSelchange(); });
    // However the drop-down closes (a choice, Escape, a click elsewhere), its window is hidden.
    m_Popup->installEventFilter(this);
}

CLcCombox::~CLcCombox() = default;

void CLcCombox::SetEditListCtrl(CGridmara* list) {
    m_pListCtrl = list;
}

bool CLcCombox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_Popup && event->type() == QEvent::Hide) {
        OnSelendcancel();
    }
    return QComboBox::eventFilter(watched, event);
}

void CLcCombox::OnSelchange() {
    if (m_pListCtrl != nullptr && m_pListCtrl->HaveEditItem() && currentIndex() >= 0) {
        m_pListCtrl->OnChangeItemText(currentText());
    }
}

// A choice arrives after its drop-down has closed, so hiding the editor here does not lose it; the edit stays
// in progress until the next write-back.
void CLcCombox::OnSelendcancel() {
    hide();
}
