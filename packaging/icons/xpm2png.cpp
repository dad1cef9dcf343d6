// Turns one of the program's XPM icons into a PNG for the desktop's icon
// theme, enlarged by a whole factor (each pixel becomes a square block, so
// the pixel drawing stays sharp). Runs at build time on the build machine.
//
//   vexmoor_xpm2png <icon.xpm> <factor> <icon.png>
//
// Reads the XPM subset the program's icons use: one character per pixel,
// colours "None" or "#RRGGBB". Writes 8-bit RGBA, uncompressed deflate
// blocks (the icons are a few kilobytes).

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;  // row by row
};

// The C string literals of the file, in order, unescaped.
std::vector<std::string> StringLiterals(std::string_view text)
{
    std::vector<std::string> literals;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", i + 2);
            i = end == std::string_view::npos ? text.size() : end + 2;
        } else if (text[i] == '"') {
            std::string literal;
            ++i;
            while (i < text.size() && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    ++i;
                }
                literal += text[i++];
            }
            ++i;
            literals.push_back(std::move(literal));
        } else {
            ++i;
        }
    }
    return literals;
}

std::optional<int> Number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<Rgba> Colour(std::string_view spec)
{
    if (spec == "None" || spec == "none") {
        return Rgba{};
    }
    if (spec.size() != 7 || spec[0] != '#') {
        return std::nullopt;
    }
    std::array<std::uint8_t, 3> rgb{};
    for (std::size_t k = 0; k < 3; ++k) {
        unsigned value = 0;
        const char* first = spec.data() + 1 + 2 * k;
        const auto [end, error] = std::from_chars(first, first + 2, value, 16);
        if (error != std::errc{} || end != first + 2) {
            return std::nullopt;
        }
        rgb[k] = static_cast<std::uint8_t>(value);
    }
    return Rgba{rgb[0], rgb[1], rgb[2], 255};
}

// The image, or an error message.
std::optional<Image> ParseXpm(std::string_view text, std::string& error)
{
    const std::vector<std::string> literals = StringLiterals(text);
    if (literals.empty()) {
        error = "no XPM values";
        return std::nullopt;
    }
    std::istringstream values(literals[0]);
    std::string w, h, n, cpp;
    values >> w >> h >> n >> cpp;
    const auto width = Number(w), height = Number(h), colours = Number(n), perPixel = Number(cpp);
    if (!width || !height || !colours || !perPixel || *width <= 0 || *height <= 0 || *colours <= 0) {
        error = "bad XPM values line";
        return std::nullopt;
    }
    if (*perPixel != 1) {
        error = "only one character per pixel is supported";
        return std::nullopt;
    }
    if (literals.size() != static_cast<std::size_t>(1 + *colours + *height)) {
        error = "expected " + std::to_string(*colours) + " colours and " + std::to_string(*height) + " rows";
        return std::nullopt;
    }

    std::map<char, Rgba> palette;
    for (int c = 0; c < *colours; ++c) {
        const std::string& line = literals[static_cast<std::size_t>(1 + c)];
        std::istringstream fields(line.size() > 1 ? line.substr(1) : std::string());
        std::string key, spec;
        fields >> key >> spec;
        const auto colour = Colour(spec);
        if (line.empty() || key != "c" || !colour) {
            error = "unsupported colour line \"" + line + "\"";
            return std::nullopt;
        }
        palette[line[0]] = *colour;
    }

    Image image{*width, *height, {}};
    image.pixels.reserve(static_cast<std::size_t>(*width) * static_cast<std::size_t>(*height));
    for (int y = 0; y < *height; ++y) {
        const std::string& row = literals[static_cast<std::size_t>(1 + *colours + y)];
        if (row.size() != static_cast<std::size_t>(*width)) {
            error = "row " + std::to_string(y) + " is not " + std::to_string(*width) + " pixels wide";
            return std::nullopt;
        }
        for (const char key : row) {
            const auto found = palette.find(key);
            if (found == palette.end()) {
                error = std::string("pixel '") + key + "' has no colour";
                return std::nullopt;
            }
            image.pixels.push_back(found->second);
        }
    }
    return image;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    }
    return ~crc;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutChunk(std::vector<std::uint8_t>& png, const char (&type)[5], const std::vector<std::uint8_t>& data)
{
    PutBigEndian(png, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBigEndian(png, Crc32(body.data(), body.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<std::uint8_t> ZlibStored(const std::vector<std::uint8_t>& raw)
{
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - offset, 0xFFFF);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(length & 0xFF));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.push_back(static_cast<std::uint8_t>(~length & 0xFF));
        out.push_back(static_cast<std::uint8_t>((~length >> 8) & 0xFF));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                   raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : raw) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

std::vector<std::uint8_t> EncodePng(const Image& image, int factor)
{
    const auto width = static_cast<std::uint32_t>(image.width * factor);
    const auto height = static_cast<std::uint32_t>(image.height * factor);

    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 4 * static_cast<std::size_t>(width)));
    for (std::uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (std::uint32_t x = 0; x < width; ++x) {
            const Rgba& p = image.pixels[static_cast<std::size_t>(y / static_cast<std::uint32_t>(factor)) *
                                             static_cast<std::size_t>(image.width) +
                                         x / static_cast<std::uint32_t>(factor)];
            raw.insert(raw.end(), {p.r, p.g, p.b, p.a});
        }
    }

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, width);
    PutBigEndian(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", ZlibStored(raw));
    PutChunk(png, "IEND", {});
    return png;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <icon.xpm> <factor> <icon.png>\n", argv[0]);
        return 2;
    }
    const auto factor = Number(argv[2]);
    if (!factor || *factor < 1 || *factor > 64) {
        std::fprintf(stderr, "%s: the factor must be a whole number from 1 to 64\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    const auto image = ParseXpm(text, error);
    if (!image) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], error.c_str());
        return 1;
    }
    const std::vector<std::uint8_t> png = EncodePng(*image, *factor);
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
        return 1;
    }
    return 0;
}
