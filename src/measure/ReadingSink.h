#pragma once
// Where the polling cycle hands every reply it decodes, at the moment it
// stores it. The dialog holds one (or none) and knows nothing of what is
// behind it; the trend store is one and knows nothing of the dialog.

#include "link/Protocol.h"

#include <cstdint>

namespace vexmoor {

class ReadingSink {
public:
    virtual ~ReadingSink() = default;
    // `channel`: 1 or 2, the channel the reply answered.
    virtual void OnReading(std::uint8_t channel, const DecodedReply& reply) = 0;
};

} // namespace vexmoor
