// An IPv4 address field: four octet boxes in one frame, the address read and written as four
// octets. Only the first box is a tab stop, so Tab passes over the field as over one control;
// a typed point or a third digit moves on to the next box.
#pragma once

#include <array>
#include <cstdint>

#include <QWidget>

class QLineEdit;

namespace tarvos {

class Ipv4AddressField : public QWidget {
    Q_OBJECT
public:
    using Octets = std::array<std::uint8_t, 4>;

    explicit Ipv4AddressField(QWidget* parent = nullptr);

    void SetOctets(const Octets& octets);
    // Each box as a number, an empty box as 0 and a number above 255 as 255.
    Octets GetOctets() const;
    QLineEdit* Box(int index) const { return boxes_[static_cast<std::size_t>(index)]; }

signals:
    // The focus has gone from the field to a control outside it (or to another window).
    void Left();

private:
    void OnFocusChanged(QWidget* old, QWidget* now);
    void OnEdited(int index);
    bool Holds(const QWidget* widget) const;

    std::array<QLineEdit*, 4> boxes_{};
};

}  // namespace tarvos
