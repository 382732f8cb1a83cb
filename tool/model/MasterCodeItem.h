#pragma once

#include "model/SubCodeItem.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class DeviceModel;
class DeviceModelList;

// The type of a master code's programming values (ProType).
enum ProgramValueType : std::int32_t {
    StringValue = 0,
    DigitString = 1,
    IpAddress = 2,
    TelephoneNumber = 3,
};

// One master code of a device model (row of tb_MasterCode) with its sub codes in order.
class MasterCodeItem {
public:
    MasterCodeItem() = default;
    MasterCodeItem(const MasterCodeItem&) = delete;
    MasterCodeItem& operator=(const MasterCodeItem&) = delete;

    // The device model this master code belongs to, set when it is appended there.
    DeviceModel* Owner() const { return m_owner; }
    const std::vector<std::unique_ptr<SubCodeItem>>& SubCodes() const { return m_subCodes; }

    // Takes the sub code into this master code's list, at the end; nothing when it is null.
    SubCodeItem* AppendSubCode(std::unique_ptr<SubCodeItem> subCode) {
        if (!subCode)
            return nullptr;
        subCode->m_owner = this;
        return m_subCodes.emplace_back(std::move(subCode)).get();
    }

    std::int32_t MasterCode = 0;
    // How many digits a programming value has.
    std::int32_t CodeNum = 0;
    std::int32_t ProType = DigitString;
    // Whether each sub code's function is named lDescribe, its number, rDescribe.
    bool HaveOrder = false;
    QString Function;
    QString lDescribe;
    QString rDescribe;
    QString Remark;

private:
    friend class DeviceModel;
    friend class DeviceModelList;
    DeviceModel* m_owner = nullptr;
    std::vector<std::unique_ptr<SubCodeItem>> m_subCodes;
};
