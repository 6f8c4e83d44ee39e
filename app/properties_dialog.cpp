#include "app/properties_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/properties_rows.h"
#include "document/dia_doc.h"

namespace tarvos {

PropertiesDialog::PropertiesDialog(C_KVR_DiaDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    setWindowTitle(QStringLiteral("Properties - ") + QString::fromStdString(doc.Title()));
    setModal(true);
    const std::vector<PropertyRow> rows = doc.WithCurves([&](const DocumentCurves& c) {
        const EndInterval interval =
            ComputeEndInterval(c.measured, c.records.points, doc.ThresholdBer(), c.end.theorySnr, c.end.valid != 0);
        return PropertyRows(c.records, c.measured.Count(), c.end, interval);
    });
    auto* form = new QFormLayout;
    for (const PropertyRow& row : rows) {
        auto* value = new QLabel(QString::fromStdString(row.second), this);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromStdString(row.first) + QLatin1Char(':'), value);
    }
    comment_ = new QPlainTextEdit(QString::fromStdString(doc.Run().comment), this);
    comment_->setObjectName(QStringLiteral("comment"));
    comment_->setTabChangesFocus(true);
    form->addRow(QStringLiteral("&Comment:"), comment_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

bool PropertiesDialog::Apply() {
    const std::string comment = NormalizedComment(comment_->toPlainText().toStdString());
    if (comment == doc_.Run().comment) return false;
    doc_.SetComment(comment);
    doc_.SetModifiedFlag();
    return true;
}

}  // namespace tarvos
