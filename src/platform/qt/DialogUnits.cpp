#include "platform/qt/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace vexmoor::platform::qt {

namespace {

constexpr int kPointsPerInch = 72;

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString ResolveFontFace(std::string_view face)
{
    const QString wanted = ToQString(face);
    if (QFontDatabase::hasFamily(wanted)) {
        return wanted;
    }
    const QString fallback = ToQString(kFallbackFace);
    if (QFontDatabase::hasFamily(fallback)) {
        return fallback;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

QFont DialogFont(const FontSpec& templateFont)
{
    QFont font(ResolveFontFace(templateFont.face));
    font.setPixelSize(MulDiv(templateFont.pointSize, kLayoutDpi, kPointsPerInch));
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

BaseUnits DialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnits{(width / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    const std::int64_t divisor = std::abs(static_cast<std::int64_t>(denominator));
    const std::int64_t magnitude = (std::abs(product) + divisor / 2) / divisor;
    if (magnitude > std::numeric_limits<int>::max()) {
        return -1;
    }
    const bool negative = (product < 0) != (denominator < 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect DluToPixels(const DluRect& rect, BaseUnits units)
{
    return QRect(MulDiv(rect.x, units.x, 4), MulDiv(rect.y, units.y, 8), MulDiv(rect.width, units.x, 4),
                 MulDiv(rect.height, units.y, 8));
}

QSize DluToPixels(int width, int height, BaseUnits units)
{
    return QSize(MulDiv(width, units.x, 4), MulDiv(height, units.y, 8));
}

} // namespace vexmoor::platform::qt
