// File > Properties: an edited comment reaches the document and its file; an unchanged one
// leaves the document unmodified.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include "app/properties_dialog.h"
#include "document/dia_doc.h"
#include "document/document_file.h"

namespace tarvos {

class PropertiesDialogTest : public QObject {
    Q_OBJECT
private slots:
    void editedCommentIsKeptWithTheMeasurement() {
        C_KVR_DiaDoc doc;
        doc.AppendSample(20, 1e-3);
        {
            PropertiesDialog unchanged(doc);
            QVERIFY(!unchanged.Apply());
            QVERIFY(!doc.IsModified());
        }
        PropertiesDialog dialog(doc);
        dialog.findChild<QPlainTextEdit*>("comment")->setPlainText(QStringLiteral("DUT 7 \u00e9"));
        QVERIFY(dialog.Apply());
        QVERIFY(doc.IsModified());
        QCOMPARE(QString::fromStdString(doc.Run().comment), QStringLiteral("DUT 7 \u00e9"));
        const std::string bytes = doc.WithCurves(
            [&](const DocumentCurves& c) { return SerializeDocument(doc.Receiver(), c.measured, c.records); });
        QCOMPARE(QString::fromStdString(DeserializeDocument(bytes).value().records.run.comment),
                 QStringLiteral("DUT 7 \u00e9"));
    }
};

}  // namespace tarvos

QTEST_MAIN(tarvos::PropertiesDialogTest)
#include "properties_dialog_test.moc"
