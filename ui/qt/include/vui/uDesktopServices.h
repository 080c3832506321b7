// The desktop of the Qt window: the file dialogs, the question box, the browser, the notice box
// and the error box, as the presenter asks for them (vpresenter/uDesktop.h).
#pragma once

#include "vpresenter/uDesktop.h"

#include <QFileDialog>
#include <QString>
#include <memory>

class QWidget;

namespace vui {

// The dialogs and boxes are owned by aOwner and the error box is centred on it.
std::unique_ptr<IDesktop> CreateQtDesktop(QWidget& aOwner);

// The file dialogs, set up but not shown; a test reads their settings back.
std::unique_ptr<QFileDialog> CreateOpenProjectDialog(QWidget* aOwner);
std::unique_ptr<QFileDialog> CreateSaveDialog(QWidget* aOwner, const TSaveDialog& aDialog,
                                              const QString& aProposal);

} // namespace vui
