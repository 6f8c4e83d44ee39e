#include "document/sample_list.h"

#include <cmath>

namespace tarvos {

SampleList::~SampleList() { Clear(); }

SampleList::SampleList(const SampleList& other) {
    for (const MeasurementSample& s : other) AppendSample(s.snr, s.ber);
}

SampleList& SampleList::operator=(const SampleList& other) {
    if (this != &other) {
        SampleList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

SampleList::SampleList(SampleList&& other) noexcept
    : head_(std::move(other.head_)), tail_(other.tail_), cursor_(other.cursor_),
      count_(other.count_) {
    other.tail_ = nullptr;
    other.cursor_ = nullptr;
    other.count_ = 0;
}

SampleList& SampleList::operator=(SampleList&& other) noexcept {
    if (this != &other) {
        Clear();
        head_ = std::move(other.head_);
        tail_ = other.tail_;
        cursor_ = other.cursor_;
        count_ = other.count_;
        other.tail_ = nullptr;
        other.cursor_ = nullptr;
        other.count_ = 0;
    }
    return *this;
}

void SampleList::Clear() {
    // Unlink node by node: letting the unique_ptr chain destroy itself would recurse once per
    // node and overflow the stack on long measurements.
    std::unique_ptr<Node> node = std::move(head_);
    while (node) node = std::move(node->next);
    tail_ = nullptr;
    cursor_ = nullptr;
    count_ = 0;
}

void SampleList::AppendSample(double snr, double ber) { LinkAfter(tail_, snr, ber); }

void SampleList::LinkAfter(Node* previous, double snr, double ber) {
    auto node = std::make_unique<Node>(Node{{snr, ber}, nullptr});
    Node* raw = node.get();
    if (previous == nullptr) {
        node->next = std::move(head_);
        head_ = std::move(node);
    } else {
        node->next = std::move(previous->next);
        previous->next = std::move(node);
    }
    if (raw->next == nullptr) tail_ = raw;
    ++count_;
}

SampleList::Placement SampleList::InsertOrReplaceSample(double snr, double ber) {
    Node* lastLower = nullptr;
    std::size_t index = 0, lastLowerIndex = 0;
    for (Node* n = head_.get(); n != nullptr; n = n->next.get(), ++index) {
        if (n->sample.snr == snr) {
            n->sample.ber = ber;
            return {index, true};
        }
        if (n->sample.snr < snr) {
            lastLower = n;
            lastLowerIndex = index;
        }
    }
    LinkAfter(lastLower, snr, ber);
    return {lastLower == nullptr ? 0 : lastLowerIndex + 1, false};
}

MeasurementSample SampleList::Next() {
    if (cursor_ == nullptr) return {};
    MeasurementSample s = cursor_->sample;
    cursor_ = cursor_->next.get();
    return s;
}

double SampleList::MeasuredSnrAtBer(double b) const {
    if (count_ < 2) return 0.0;
    const Node* p = head_.get();
    const Node* q = p->next.get();
    while (q->next != nullptr && !(p->sample.ber >= b && b >= q->sample.ber)) {
        p = q;
        q = q->next.get();
    }
    const double pb = p->sample.ber;
    const double qb = q->sample.ber;
    if (pb == 0.0 || qb == 0.0 || pb == qb) return 0.0;
    const double ps = p->sample.snr;
    const double qs = q->sample.snr;
    const double x = qs - (qs - ps) * (std::log10(qb) - std::log10(b)) /
                              (std::log10(qb) - std::log10(pb));
    // NaN (a negative BER or threshold) fails both comparisons and yields no value.
    return (ps <= x && x <= qs) ? x : 0.0;
}

std::vector<MeasurementSample> SampleList::ToVector() const {
    std::vector<MeasurementSample> out;
    out.reserve(count_);
    for (const MeasurementSample& s : *this) out.push_back(s);
    return out;
}

}  // namespace tarvos
