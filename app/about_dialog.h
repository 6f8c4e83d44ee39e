// The About box: the program's icon, name and version.
#pragma once

#include <QDialog>

namespace tarvos {

class AboutDialog final : public QDialog {
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace tarvos
