#pragma once

class DeviceModel;

// How the programming page opens the device model dialog, modally: in add mode to create one model and
// fill it, in edit mode to change the master codes and sub codes of `current`. Tests put their own in
// place of the real dialog.
class ModelDialogRunner {
public:
    enum class Mode { Add = 0, Edit = 1 };

    struct Outcome {
        // The dialog ended with OK: it added a model, master codes or sub codes.
        bool accepted = false;
        // It removed master codes or sub codes (which alone leave the dialog's result Cancel): what the
        // page shows of the model may be gone, so the page refreshes as well.
        bool removed = false;
        // The dialog's current model when it closed: in add mode the model it added, or null.
        DeviceModel* model = nullptr;
    };

    virtual ~ModelDialogRunner() = default;
    virtual Outcome run(Mode mode, DeviceModel* current) = 0;
};
