#pragma once

#include "config/ModelDialogRunner.h"

#include <QString>

class DeviceModelList;
class Prompter;
class QWidget;

// Opens the real device model dialog over `parent`, on the tool's model tree, with its texts from the
// language database at `languageDatabasePath`.
class ModelConfigDialogRunner : public ModelDialogRunner {
public:
    ModelConfigDialogRunner(Prompter& prompter, DeviceModelList& models, QString languageDatabasePath,
                            QWidget* parent = nullptr);

    Outcome run(Mode mode, DeviceModel* current) override;

private:
    Prompter& m_prompter;
    DeviceModelList& m_models;
    const QString m_languageDatabasePath;
    QWidget* m_parent;
};
