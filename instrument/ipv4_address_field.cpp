#include "instrument/ipv4_address_field.h"

#include <algorithm>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "platform/number_text.h"

namespace tarvos {

Ipv4AddressField::Ipv4AddressField(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // Digits, and a point that only says "next box".
    auto* validator = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}\\.?")), this);
    for (int i = 0; i < 4; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("octet%1").arg(i));
        box->setMaxLength(4);
        box->setValidator(validator);
        box->setAlignment(Qt::AlignCenter);
        box->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        if (i > 0) layout->addWidget(new QLabel(QStringLiteral("."), this));
        layout->addWidget(box);
        boxes_[static_cast<std::size_t>(i)] = box;
        connect(box, &QLineEdit::textEdited, this, [this, i] { OnEdited(i); });
    }
    layout->addStretch();
    setFocusProxy(boxes_[0]);
    connect(qApp, &QApplication::focusChanged, this, &Ipv4AddressField::OnFocusChanged);
}

void Ipv4AddressField::SetOctets(const Octets& octets) {
    for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setText(QString::number(octets[i]));
}

Ipv4AddressField::Octets Ipv4AddressField::GetOctets() const {
    Octets octets{};
    for (std::size_t i = 0; i < boxes_.size(); ++i)
        octets[i] = static_cast<std::uint8_t>(std::clamp(ParseLeadingInt(boxes_[i]->text().toStdString()), 0, 255));
    return octets;
}

bool Ipv4AddressField::Holds(const QWidget* widget) const { return widget && (widget == this || isAncestorOf(widget)); }

void Ipv4AddressField::OnFocusChanged(QWidget* old, QWidget* now) {
    if (!Holds(old) || Holds(now)) return;
    // What was typed is shown as the address it stands for.
    SetOctets(GetOctets());
    emit Left();
}

void Ipv4AddressField::OnEdited(int index) {
    QLineEdit* box = boxes_[static_cast<std::size_t>(index)];
    QString text = box->text();
    const bool point = text.endsWith(QLatin1Char('.'));
    if (point) {
        text.chop(1);
        box->setText(text);
    }
    if ((point || text.size() == 3) && index < 3) {
        QLineEdit* next = boxes_[static_cast<std::size_t>(index) + 1];
        next->setFocus(Qt::OtherFocusReason);
        next->selectAll();
    }
}

}  // namespace tarvos
