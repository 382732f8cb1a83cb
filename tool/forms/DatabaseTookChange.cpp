#include "forms/DatabaseTookChange.h"

#include "language/TextTable.h"
#include "model/DeviceModelList.h"
#include "prompt/Prompter.h"

bool DatabaseTookChange(const SaveResult& result, Prompter& prompter, const TextTable& texts) {
    switch (result.outcome) {
    case SaveResult::Saved:
        return true;
    case SaveResult::NotConnected:
        return false;
    case SaveResult::Failed:
        prompter.inform(texts.text("SaveFailed") + result.reason);
        return false;
    case SaveResult::NotLoaded:
        prompter.inform(texts.text("NotLoaded"));
        return false;
    }
    return false;
}
