#include "trend/AxisRange.h"

#include <algorithm>
#include <cmath>

namespace vexmoor {

ValueRange NiceRange(double low, double high)
{
    const double room = std::max(0.5, 0.1 * (high - low));
    low -= room;
    high += room;
    const double rough = (high - low) / 5.0;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * magnitude;
        if (step >= rough) {
            break;
        }
    }
    const double niceLow = std::floor(low / step) * step;
    const double niceHigh = std::ceil(high / step) * step;
    return ValueRange{niceLow, niceHigh, static_cast<int>(std::lround((niceHigh - niceLow) / step)) + 1};
}

} // namespace vexmoor
