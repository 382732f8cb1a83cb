#pragma once

#include "gridmara/GridmaraExport.h"

#include <QComboBox>
#include <QPointer>

class CGridmara;

// A drop-down list that edits a CGridmara cell in place: choosing an entry writes it back at once; closing
// the list without a choice hides the editor and leaves the cell as it was.
class GRIDMARA_API CLcCombox : public QComboBox {
    Q_OBJECT

public:
    explicit CLcCombox(QWidget* parent = nullptr);
    ~CLcCombox() override;

    void SetEditListCtrl(CGridmara* list);
    CGridmara* EditListCtrl() const { return m_pListCtrl; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSelchange();
    void OnSelendcancel();

    QPointer<CGridmara> m_pListCtrl;
    QWidget* m_Popup;
};
