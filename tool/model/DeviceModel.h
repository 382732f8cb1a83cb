#pragma once

#include "model/MasterCodeItem.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class DeviceModelList;

// A kind of terminal (row of tb_Terminal) with its master codes in order.
class DeviceModel {
public:
    DeviceModel() = default;
    DeviceModel(const DeviceModel&) = delete;
    DeviceModel& operator=(const DeviceModel&) = delete;

    const std::vector<std::unique_ptr<MasterCodeItem>>& MasterCodes() const { return m_masterCodes; }

    // Takes the master code into this model's list, at the end; nothing when it is null.
    MasterCodeItem* AppendMasterCode(std::unique_ptr<MasterCodeItem> masterCode) {
        if (!masterCode)
            return nullptr;
        masterCode->m_owner = this;
        return m_masterCodes.emplace_back(std::move(masterCode)).get();
    }

    std::int32_t TerID = 0;
    QString TerName;
    // The terminal's administrator password.
    QString AdminPsw;

private:
    friend class DeviceModelList;
    std::vector<std::unique_ptr<MasterCodeItem>> m_masterCodes;
};
