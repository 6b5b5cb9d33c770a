#include "QrCode.h"

#include <qrencode.h>

#include <memory>

namespace halvora::testbed {
namespace {

constexpr int quietZone = 4;

struct QrcodeDeleter {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

std::string svgOpening(int width, int height, int viewBoxSide) {
    const std::string side = std::to_string(viewBoxSide);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
           std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
           side + " " + side +
           "\" shape-rendering=\"crispEdges\">\n<rect x=\"0\" y=\"0\" width=\"" + side +
           "\" height=\"" + side + "\" fill=\"#ffffff\"/>\n";
}

}  // namespace

std::optional<QrCode> QrCode::encode(std::string_view payload) {
    const std::unique_ptr<QRcode, QrcodeDeleter> code(
        QRcode_encodeData(static_cast<int>(payload.size()),
                          reinterpret_cast<const unsigned char*>(payload.data()), 0, QR_ECLEVEL_M));
    if (!code) {
        return std::nullopt;
    }
    const int size = code->width;
    std::vector<bool> modules(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < modules.size(); ++i) {
        modules[i] = (code->data[i] & 1) != 0;
    }
    return QrCode(size, std::move(modules));
}

bool QrCode::dark(int x, int y) const {
    if (x < 0 || y < 0 || x >= size_ || y >= size_) {
        return false;
    }
    return modules_[static_cast<std::size_t>(y) * static_cast<std::size_t>(size_) +
                    static_cast<std::size_t>(x)];
}

std::string QrCode::svg(int width, int height) const {
    std::string document = svgOpening(width, height, size_ + 2 * quietZone);
    document += "<path fill=\"#000000\" d=\"";
    for (int y = 0; y < size_; ++y) {
        for (int x = 0; x < size_; ++x) {
            if (dark(x, y)) {
                document += "M" + std::to_string(x + quietZone) + " " +
                            std::to_string(y + quietZone) + "h1v1h-1z";
            }
        }
    }
    document += "\"/>\n</svg>\n";
    return document;
}

std::string QrCode::blankSvg(int width, int height) {
    return svgOpening(width, height, 1) + "</svg>\n";
}

}  // namespace halvora::testbed
