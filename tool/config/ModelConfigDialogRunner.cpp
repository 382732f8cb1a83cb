#include "config/ModelConfigDialogRunner.h"

#include "config/ModelConfigDlg.h"

ModelConfigDialogRunner::ModelConfigDialogRunner(Prompter& prompter, DeviceModelList& models,
                                                 QString languageDatabasePath, QWidget* parent)
    : m_prompter(prompter), m_models(models), m_languageDatabasePath(std::move(languageDatabasePath)),
      m_parent(parent) {}

ModelDialogRunner::Outcome ModelConfigDialogRunner::run(Mode mode, DeviceModel* current) {
    CModelConfigDlg dialog(m_prompter, m_models, m_languageDatabasePath, mode, current, m_parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    return Outcome{accepted, dialog.RemovedAny(), dialog.CurrentModel()};
}
