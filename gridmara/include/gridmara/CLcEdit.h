#pragma once

#include "gridmara/GridmaraExport.h"

#include <QLineEdit>
#include <QPointer>

class CGridmara;

// A single-line edit box that edits a CGridmara cell in place: losing the focus writes its text back.
class GRIDMARA_API CLcEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CLcEdit(QWidget* parent = nullptr);
    ~CLcEdit() override;

    void SetEditListCtrl(CGridmara* list);
    CGridmara* EditListCtrl() const { return m_pListCtrl; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OnKillFocus();

    QPointer<CGridmara> m_pListCtrl;
};
