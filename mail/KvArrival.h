#pragma once
// Whether a message arrived by mail. Its reader settles the verdict once per
// message, from what it knows beside the text (the store's mark, the
// mailbox's arrival) and the header it read, and hands it to the parts and
// the part tree made of that message; the steps that open named files ask
// the verdict only.

#include <string>

class TArrivalVerdict {
public:
    // A message no reader vouched for: only its own header speaks.
    TArrivalVerdict() = default;
    explicit TArrivalVerdict(bool Arrived) : FArrived(Arrived) {}

    // The reader's verdict alone.
    bool Arrived() const { return FArrived; }
    // Received: the reader's verdict, or a trace of delivery in Header, the
    // header as the rebuild holds it when asked (its parse may show fields
    // the text the reader looked at did not).
    bool Received(const std::string& Header) const;

private:
    bool FArrived = false;
};
