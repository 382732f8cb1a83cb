#pragma once

#include <QString>
#include <cstdint>

class MasterCodeItem;

// One sub code of a master code: a numbered programming value (row of tb_SubCode).
class SubCodeItem {
public:
    SubCodeItem() = default;
    // Its place in the tree is its identity: an item is never copied or moved.
    SubCodeItem(const SubCodeItem&) = delete;
    SubCodeItem& operator=(const SubCodeItem&) = delete;

    // The master code this sub code belongs to, set when it is appended there.
    MasterCodeItem* Owner() const { return m_owner; }

    std::int32_t SubCode = 0;
    // The programmed value; empty when not programmed.
    QString CodeValue;

private:
    friend class MasterCodeItem;
    friend class DeviceModelList;
    MasterCodeItem* m_owner = nullptr;
    // The row of tb_SubCode this item was loaded from or written to: its changes touch that row only.
    std::int64_t m_rowId = 0;
};
