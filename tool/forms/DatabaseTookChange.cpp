#include "forms/DatabaseTookChange.h"

#include "model/DeviceModelList.h"
#include "prompt/Prompter.h"

bool DatabaseTookChange(const SaveResult& result, Prompter& prompter, const QString& saveFailedText) {
    switch (result.outcome) {
    case SaveResult::Saved:
        return true;
    case SaveResult::NotConnected:
        return false;
    case SaveResult::Failed:
        prompter.inform(saveFailedText + result.reason);
        return false;
    }
    return false;
}
