#pragma once
// Text between the dialog code (UTF-8 in std::string) and Qt.

#include <QString>

#include <string>
#include <string_view>

namespace vexmoor::platform::qt {

inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text)
{
    return text.toUtf8().toStdString();
}

} // namespace vexmoor::platform::qt
