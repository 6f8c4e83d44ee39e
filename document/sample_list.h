// An owned, ordered, singly linked list of curve points with first, last and a read cursor.
// The document keeps two (measured and theoretical curve) and guards both with its one mutex;
// the list itself is not synchronised.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

#include "document/measurement_sample.h"

namespace tarvos {

class SampleList {
    struct Node {
        MeasurementSample sample;
        std::unique_ptr<Node> next;
    };

public:
    SampleList() = default;
    ~SampleList();
    SampleList(const SampleList& other);
    SampleList& operator=(const SampleList& other);
    SampleList(SampleList&& other) noexcept;
    SampleList& operator=(SampleList&& other) noexcept;

    void Clear();
    // A new node at the tail, no ordering check.
    void AppendSample(double snr, double ber);
    // Where InsertOrReplaceSample put the sample: its position, and whether it replaced one.
    struct Placement {
        std::size_t index = 0;
        bool replaced = false;
    };
    // Keeps ascending S/N order: a sample with exactly this S/N gets the new BER; otherwise
    // a node is linked in after the last sample whose S/N is lower (first when none is).
    Placement InsertOrReplaceSample(double snr, double ber);

    // The read cursor: Rewind puts it on the first node, Next returns its sample and advances.
    void Rewind() { cursor_ = head_.get(); }
    bool AtEnd() const { return cursor_ == nullptr; }
    MeasurementSample Next();

    // The first sample; none (a zero sample) on an empty list, so test Count first.
    MeasurementSample First() const { return head_ ? head_->sample : MeasurementSample{}; }
    MeasurementSample Last() const { return tail_ ? tail_->sample : MeasurementSample{}; }
    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }

    // S/N where the curve, interpolated linearly in log10 BER, passes `ber`; 0 when it does
    // not (fewer than two samples, no bracketing pair, a BER of 0 in the pair).
    double MeasuredSnrAtBer(double ber) const;

    std::vector<MeasurementSample> ToVector() const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = MeasurementSample;
        using difference_type = std::ptrdiff_t;
        using pointer = const MeasurementSample*;
        using reference = const MeasurementSample&;

        const_iterator() = default;
        reference operator*() const { return node_->sample; }
        pointer operator->() const { return &node_->sample; }
        const_iterator& operator++() { node_ = node_->next.get(); return *this; }
        const_iterator operator++(int) { auto old = *this; ++*this; return old; }
        bool operator==(const const_iterator&) const = default;

    private:
        friend class SampleList;
        explicit const_iterator(const Node* node) : node_(node) {}
        const Node* node_ = nullptr;
    };
    const_iterator begin() const { return const_iterator(head_.get()); }
    const_iterator end() const { return const_iterator(nullptr); }

private:
    void LinkAfter(Node* previous, double snr, double ber);

    std::unique_ptr<Node> head_;
    Node* tail_ = nullptr;
    Node* cursor_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace tarvos
