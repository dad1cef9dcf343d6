// The driver's list of devices. See Listing.h.

#include "Listing.h"

#include <algorithm>
#include <cctype>
#include <strings.h>

namespace vexmoor::serial {

namespace {

bool IsDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool NaturalLess(const std::string& left, const std::string& right)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < left.size() && j < right.size()) {
        if (IsDigit(left[i]) && IsDigit(right[j])) {
            const std::size_t leftEnd = left.find_first_not_of("0123456789", i);
            const std::size_t rightEnd = right.find_first_not_of("0123456789", j);
            std::string a = left.substr(i, leftEnd == std::string::npos ? std::string::npos : leftEnd - i);
            std::string b = right.substr(j, rightEnd == std::string::npos ? std::string::npos : rightEnd - j);
            a.erase(0, std::min(a.find_first_not_of('0'), a.size()));
            b.erase(0, std::min(b.find_first_not_of('0'), b.size()));
            if (a.size() != b.size()) {
                return a.size() < b.size();
            }
            if (a != b) {
                return a < b;
            }
            i = leftEnd == std::string::npos ? left.size() : leftEnd;
            j = rightEnd == std::string::npos ? right.size() : rightEnd;
            continue;
        }
        if (left[i] != right[j]) {
            return left[i] < right[j];
        }
        ++i;
        ++j;
    }
    return left.size() - i < right.size() - j;
}

std::vector<ListedPort> ListedPorts(const std::vector<PortRecord>& records)
{
    std::vector<ListedPort> ports;
    for (const PortRecord& record : records) {
        if (::strcasecmp(record.vendorId.c_str(), kFtdiVendorId) != 0) {
            continue;
        }
        ListedPort port{record.devicePath, record.product, record.serialNumber};
        if (record.interfaceCount > 1 && record.interfaceNumber >= 0 && record.interfaceNumber < 26) {
            const char letter = static_cast<char>('A' + record.interfaceNumber);
            port.description += ' ';
            port.description += letter;
            port.serialNumber += letter;
        }
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(),
              [](const ListedPort& a, const ListedPort& b) { return NaturalLess(a.devicePath, b.devicePath); });
    return ports;
}

} // namespace vexmoor::serial
